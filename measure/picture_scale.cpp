#include "measure/picture_scale.h"

#include "measure/geometry.h"

#include <cmath>

namespace tvx {

PixelScale PictureScale(QSize picture, double magnification, bool calibrated, const QString& unit) {
    PixelScale s;
    if (!(magnification > 0) || !std::isfinite(magnification)) return s;
    const double perPixel = UnitPerPixel(picture, unit) * 10 / magnification;
    if (!(perPixel > 0) || !std::isfinite(perPixel)) return s;
    s.unitsPerPixel = perPixel;
    struct Names {
        const char* unit;
        const char* imagej;
        const char* ome;
    };
    static const Names kNames[] = {
        {"um", "micron", "\xC2\xB5m"}, {"cm", "cm", "cm"}, {"mil", "mil", "thou"},
        {"inch", "inch", "in"},        {"mm", "mm", "mm"},
    };
    const Names* n = &kNames[4]; // anything else is measured in millimetres
    for (const Names& k : kNames)
        if (unit == QLatin1String(k.unit)) n = &k;
    s.imagejUnit = QString::fromUtf8(n->imagej);
    s.omeUnit = QString::fromUtf8(n->ome);
    const QString m = QString::number(magnification, 'f', 1);
    s.note = calibrated ? QStringLiteral("pixel size from the calibrated magnification %1X").arg(m)
                        : QStringLiteral("pixel size from the nominal magnification %1X, "
                                         "not calibrated")
                              .arg(m);
    return s;
}

} // namespace tvx

#include "measure/picture_scale.h"

#include "measure/geometry.h"

#include <cmath>

namespace tvx {

PixelScale PictureScale(QSize picture, double magnification, bool calibrated, const QString& unit,
                        bool pitchKnown) {
    PixelScale s;
    if (IsPixelUnit(unit)) {
        // A camera measured in pixels has no pixel size to give.
        s.note = QStringLiteral("camera not calibrated: no pixel size");
        return s;
    }
    if (!(magnification > 0) || !std::isfinite(magnification)) return s;
    const double perPixel = UnitPerPixel(picture, unit, pitchKnown) * 10 / magnification;
    if (!(perPixel > 0) || !std::isfinite(perPixel)) return s;
    s.unitsPerPixel = perPixel;
    // Anything the unit table does not know is measured in millimetres.
    const LengthUnit& u = UnitFor(unit);
    s.imagejUnit = QString::fromUtf8(u.imagej);
    s.omeUnit = QString::fromUtf8(u.ome);
    const QString m = QString::number(magnification, 'f', 1);
    s.note = calibrated ? QStringLiteral("pixel size from the calibrated magnification %1X").arg(m)
                        : QStringLiteral("pixel size from the nominal magnification %1X, "
                                         "not calibrated")
                              .arg(m);
    return s;
}

} // namespace tvx

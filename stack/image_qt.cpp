#include "stack/image_qt.h"

#include <cstring>

namespace tvx {

QImage ToQImage(const Image8& image) {
    const QImage::Format f =
        image.channels == 3 ? QImage::Format_BGR888 : QImage::Format_Grayscale8;
    QImage out(image.width, image.height, f);
    for (int y = 0; y < image.height; ++y)
        std::memcpy(out.scanLine(y), image.row(y), image.rowBytes());
    return out;
}

Image8 BgrFromQImage(const QImage& image) {
    if (image.isNull()) return {};
    const QImage bgr = image.convertToFormat(QImage::Format_BGR888);
    Image8 out(bgr.width(), bgr.height(), 3);
    for (int y = 0; y < bgr.height(); ++y)
        std::memcpy(out.row(y), bgr.constScanLine(y), out.rowBytes());
    return out;
}

} // namespace tvx

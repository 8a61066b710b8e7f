#pragma once

#include "stack/image.h"

#include <QImage>

namespace tvx {

// A stacking picture as a QImage (BGR or grey) and back (any QImage, as BGR).
QImage ToQImage(const Image8& image);
Image8 BgrFromQImage(const QImage& image);

} // namespace tvx

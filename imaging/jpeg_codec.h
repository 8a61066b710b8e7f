#pragma once

#include <QByteArray>
#include <QImage>
#include <cstdint>

namespace tvx {

// The quality stored pictures are written at: high enough that measuring on
// a reloaded picture sees no blocks, far smaller than a BMP.
inline constexpr int kJpegQuality = 90;

// Decodes a JPEG file held in memory into an RGB32 picture. A file that is
// cut short, whose data is corrupt, or whose header claims a picture larger
// than the loaders accept gives a null image.
QImage DecodeJpeg(const QByteArray& bytes);

// Encodes a picture as a baseline JPEG; empty on failure.
QByteArray EncodeJpeg(const QImage& image, int quality = kJpegQuality);

// The same from a frame of bottom-up BGR rows `stride` bytes apart, read as
// they are; empty on bad arguments or failure.
QByteArray EncodeJpegFromBottomUpBgr(const uint8_t* data, int width, int height, int stride,
                                     int quality = kJpegQuality);

} // namespace tvx

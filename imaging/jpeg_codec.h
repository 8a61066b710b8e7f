#pragma once

#include <QByteArray>
#include <QImage>
#include <QSize>
#include <QString>
#include <cstdint>

namespace tvx {

// The quality stored pictures are written at: high enough that measuring on
// a reloaded picture sees no blocks, far smaller than a BMP.
inline constexpr int kJpegQuality = 90;

// Decodes a JPEG file held in memory into an RGB32 picture. A file that is
// cut short, whose data is corrupt, or whose header claims a picture larger
// than the loaders accept gives a null image, and the reason in `why`. A
// file lacking only its end marker loads.
QImage DecodeJpeg(const QByteArray& bytes, QString* why = nullptr);

// The same decoder, for the file list: the picture goes into `area` as a
// bottom-up DIB (a 40-byte header, then rows padded to 4 bytes; 24-bit BGR
// for colour files, 8-bit grey without a colour table for grey-scale ones),
// and `*outBytes` receives header + pixels. With a non-empty `atLeast` the
// picture is decoded at the smallest of 1/1, 1/2, 1/4, 1/8 that still
// covers that size, which is much quicker. A picture too large for
// `areaBytes` is decoded at the first of those scales that fits; if none
// does, it is refused. CMYK files are refused.
bool DecodeJpegToDib(const QByteArray& bytes, uint8_t* area, int areaBytes, int* outBytes,
                     QSize atLeast = {}, QString* why = nullptr);

// Encodes a picture as a baseline JPEG; empty on failure.
QByteArray EncodeJpeg(const QImage& image, int quality = kJpegQuality);

// The same from a frame of bottom-up BGR rows `stride` bytes apart, read as
// they are; empty on bad arguments or failure.
QByteArray EncodeJpegFromBottomUpBgr(const uint8_t* data, int width, int height, int stride,
                                     int quality = kJpegQuality);

} // namespace tvx

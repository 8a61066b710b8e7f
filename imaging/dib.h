#pragma once

#include <QByteArray>
#include <QImage>
#include <cstdint>

namespace tvx {

// The 40-byte bitmap information header that leads every 24-bit picture the
// program keeps in memory and writes to BMP files. Fields are little-endian
// on disk whatever the host order.
struct BitmapInfoHeader {
    uint32_t size = 40;
    int32_t width = 0;
    int32_t height = 0; // positive: rows run bottom-up
    uint16_t planes = 1;
    uint16_t bitCount = 24;
    uint32_t compression = 0; // BI_RGB
    uint32_t sizeImage = 0;
    int32_t xPelsPerMeter = 0;
    int32_t yPelsPerMeter = 0;
    uint32_t clrUsed = 0;
    uint32_t clrImportant = 0;

    static constexpr int kBytes = 40;

    // Header of an uncompressed bottom-up 24-bit picture of this size.
    static BitmapInfoHeader For24Bit(int width, int height);
    // Appends the 40 on-disk bytes to `out`.
    void AppendTo(QByteArray& out) const;
};

static_assert(sizeof(BitmapInfoHeader) == BitmapInfoHeader::kBytes,
              "the header is kept in memory as it is laid out on disk");

// Bytes a row of a 24-bit picture: width × 3 rounded up to 4.
constexpr int DibStride(int width) {
    return (width * 3 + 3) & ~3;
}

// Bytes of the 14-byte file header that precedes the information header.
inline constexpr int kBmpFileHeaderBytes = 14;

// Largest picture the loaders accept, in pixels and along either side. A
// header may claim anything; beyond this we refuse rather than allocate.
inline constexpr int kMaxImageSide = 32768;
inline constexpr int64_t kMaxImagePixels = 64LL * 1024 * 1024;
bool ImageSizeAcceptable(int64_t width, int64_t height);

// A whole 24-bit uncompressed bottom-up BMP file for a frame whose rows are
// already bottom-up BGR, `stride` bytes apart (negative for a top-down
// picture read from its last row). When the frame's stride is the file's own
// the pixels go in with one copy. Empty when the size is not acceptable or
// `stride` is too small for the width.
QByteArray EncodeBmpFromBottomUpBgr(const uint8_t* data, int width, int height, int stride);

// The same file for any QImage (converted to 24-bit BGR rows, bottom row
// first). Empty for a null image.
QByteArray EncodeBmp(const QImage& image);

// An RGB32 picture made from bottom-up BGR rows (as the frame buffer holds
// them); the result is top-down as QImage wants. Null on bad arguments.
QImage ImageFromBottomUpBgr(const uint8_t* data, int width, int height, int stride);

} // namespace tvx

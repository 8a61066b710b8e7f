#include "imaging/dib.h"

#include "imaging/bgr_rows.h"

#include <cstdlib>
#include <cstring>

namespace tvx {

namespace {

void PutU16(QByteArray& out, uint16_t v) {
    out.append(char(v & 0xff));
    out.append(char((v >> 8) & 0xff));
}

void PutU32(QByteArray& out, uint32_t v) {
    for (int i = 0; i < 4; ++i)
        out.append(char((v >> (8 * i)) & 0xff));
}

// The 14-byte file header and the information header of a 24-bit picture.
// Returns the offset of the pixel data.
int AppendHeaders(QByteArray& out, int width, int height) {
    const BitmapInfoHeader info = BitmapInfoHeader::For24Bit(width, height);
    const uint32_t offBits = kBmpFileHeaderBytes + BitmapInfoHeader::kBytes;
    out.append('B');
    out.append('M');
    PutU32(out, offBits + info.sizeImage);
    PutU16(out, 0);
    PutU16(out, 0);
    PutU32(out, offBits);
    info.AppendTo(out);
    return int(offBits);
}

} // namespace

BitmapInfoHeader BitmapInfoHeader::For24Bit(int width, int height) {
    BitmapInfoHeader h;
    h.width = width;
    h.height = height;
    h.sizeImage = uint32_t(int64_t(DibStride(width)) * height);
    return h;
}

void BitmapInfoHeader::AppendTo(QByteArray& out) const {
    PutU32(out, size);
    PutU32(out, uint32_t(width));
    PutU32(out, uint32_t(height));
    PutU16(out, planes);
    PutU16(out, bitCount);
    PutU32(out, compression);
    PutU32(out, sizeImage);
    PutU32(out, uint32_t(xPelsPerMeter));
    PutU32(out, uint32_t(yPelsPerMeter));
    PutU32(out, clrUsed);
    PutU32(out, clrImportant);
}

bool ImageSizeAcceptable(int64_t width, int64_t height) {
    return width > 0 && height > 0 && width <= kMaxImageSide && height <= kMaxImageSide &&
           width * height <= kMaxImagePixels;
}

QByteArray EncodeBmpFromBottomUpBgr(const uint8_t* data, int width, int height, int stride) {
    if (!data || !ImageSizeAcceptable(width, height) || std::abs(int64_t(stride)) < width * 3)
        return {};
    const int fileStride = DibStride(width);
    QByteArray out;
    out.reserve(kBmpFileHeaderBytes + BitmapInfoHeader::kBytes + fileStride * height);
    const int offset = AppendHeaders(out, width, height);
    if (stride == fileStride) {
        out.append(reinterpret_cast<const char*>(data), qsizetype(fileStride) * height);
        // The frame's own padding holds whatever its producer left there.
        const int pad = fileStride - width * 3;
        if (pad > 0) {
            char* row = out.data() + offset;
            for (int y = 0; y < height; ++y, row += fileStride)
                std::memset(row + width * 3, 0, size_t(pad));
        }
    } else {
        out.resize(offset + qsizetype(fileStride) * height);
        char* dst = out.data() + offset;
        const int pad = fileStride - width * 3;
        for (int y = 0; y < height; ++y, dst += fileStride) {
            std::memcpy(dst, data + qsizetype(y) * stride, size_t(width) * 3);
            std::memset(dst + width * 3, 0, size_t(pad));
        }
    }
    return out;
}

QByteArray EncodeBmp(const QImage& image) {
    if (image.isNull() || !ImageSizeAcceptable(image.width(), image.height())) return {};
    const QImage bgr = image.convertToFormat(QImage::Format_BGR888);
    if (bgr.isNull()) return {};
    const int width = bgr.width();
    const int height = bgr.height();
    const int fileStride = DibStride(width);
    QByteArray out;
    const int offset = AppendHeaders(out, width, height);
    out.resize(offset + qsizetype(fileStride) * height);
    char* dst = out.data() + offset;
    const int pad = fileStride - width * 3;
    // File rows run bottom-up: the first row written is the image's last.
    for (int y = height - 1; y >= 0; --y, dst += fileStride) {
        std::memcpy(dst, bgr.constScanLine(y), size_t(width) * 3);
        std::memset(dst + width * 3, 0, size_t(pad));
    }
    return out;
}

QImage ImageFromBottomUpBgr(const uint8_t* data, int width, int height, int stride) {
    if (!data || !ImageSizeAcceptable(width, height) || stride < width * 3) return {};
    QImage image(width, height, QImage::Format_RGB32);
    if (image.isNull()) return {};
    for (int y = 0; y < height; ++y)
        BgrRowToRgb32(data + qsizetype(height - 1 - y) * stride,
                      reinterpret_cast<uint32_t*>(image.scanLine(y)), width);
    return image;
}

} // namespace tvx

#include "imaging/bmp_decoder.h"

#include "imaging/bgr_rows.h"
#include "imaging/dib.h"

#include <array>
#include <vector>

namespace tvx {

namespace {

enum Compression : uint32_t {
    kRgb = 0,
    kRle8 = 1,
    kRle4 = 2,
    kBitFields = 3,
    kAlphaBitFields = 6,
};

uint16_t U16(const uchar* p) {
    return uint16_t(p[0] | (p[1] << 8));
}
uint32_t U32(const uchar* p) {
    return uint32_t(p[0]) | (uint32_t(p[1]) << 8) | (uint32_t(p[2]) << 16) | (uint32_t(p[3]) << 24);
}

// One channel of a 16- or 32-bit pixel: where its bits are and how many.
struct Channel {
    uint32_t mask = 0;
    int shift = 0;
    int bits = 0;

    // False for a mask with a gap in it.
    bool Set(uint32_t m) {
        mask = m;
        shift = 0;
        bits = 0;
        if (m == 0) return true;
        while (!(m & 1u)) {
            m >>= 1;
            ++shift;
        }
        while (m & 1u) {
            m >>= 1;
            ++bits;
        }
        return m == 0;
    }
    // The channel scaled to 0..255, rounded: all bits set is 255 whatever
    // the width, so a 5-bit white stays white.
    int Value(uint32_t pixel) const {
        if (bits == 0) return 0;
        const uint64_t v = (pixel & mask) >> shift;
        const uint64_t max = (uint64_t(1) << bits) - 1;
        return int((v * 255 + max / 2) / max);
    }
};

struct Header {
    uint32_t infoSize = 0;
    int64_t width = 0;
    int64_t height = 0; // negative: rows stored top first
    uint16_t planes = 0;
    uint16_t bits = 0;
    uint32_t compression = kRgb;
    uint32_t coloursUsed = 0;
    int paletteEntryBytes = 4;
    bool os2 = false;
    std::array<uint32_t, 4> masks{}; // red, green, blue, alpha
    bool masksInHeader = false;
};

class Decoder {
public:
    // `packed`: the bytes start with the information header (no file
    // header), the colour table follows any masks and the pixels follow it.
    Decoder(const uchar* bytes, qint64 size, bool packed, QString* why)
        : p_(bytes), size_(size), why_(why), packed_(packed) {}

    // Reads the headers, masks and colour table: false (with the reason
    // given) when the picture is refused on them.
    bool ReadLayout();
    BmpLayout layout() const;
    QImage Run();

private:
    QImage Refuse(const char* reason) {
        if (why_) *why_ = QString::fromLatin1(reason);
        return {};
    }
    bool ReadHeader();
    bool ReadMasks();
    bool ReadPalette();
    QImage DecodeUncompressed();
    QImage DecodeRle();
    QRgb FromPalette(int index) const { return palette_[size_t(index)]; }

    const uchar* p_;
    qint64 size_;
    QString* why_;
    bool packed_;
    qint64 infoStart_ = kBmpFileHeaderBytes;
    Header h_;
    int64_t rows_ = 0;
    bool topDown_ = false;
    qint64 offBits_ = 0;
    qint64 headerEnd_ = 0; // first byte after the header and any masks
    std::vector<QRgb> palette_;
    std::array<Channel, 4> channels_;
    bool alpha_ = false;
    const char* refusal_ = nullptr;
};

bool Decoder::ReadHeader() {
    if (packed_) {
        infoStart_ = 0;
        if (size_ < 4) return (refusal_ = "picture too small"), false;
    } else {
        if (size_ < kBmpFileHeaderBytes + 4) return (refusal_ = "file too small"), false;
        if (p_[0] != 'B' || p_[1] != 'M') return (refusal_ = "not a BMP file"), false;
        offBits_ = U32(p_ + 10);
    }
    h_.infoSize = U32(p_ + infoStart_);
    const uint32_t n = h_.infoSize;
    const bool windows = n == 40 || n == 52 || n == 56 || n == 108 || n == 124;
    const bool os2v2 = !windows && n >= 16 && n <= 64 && n % 2 == 0;
    if (n != 12 && !windows && !os2v2) return (refusal_ = "unknown BMP header size"), false;
    if (infoStart_ + qint64(n) > size_) return (refusal_ = "BMP header cut short"), false;
    const uchar* i = p_ + infoStart_;
    if (n == 12) {
        h_.width = U16(i + 4);
        h_.height = U16(i + 6);
        h_.planes = U16(i + 8);
        h_.bits = U16(i + 10);
        h_.paletteEntryBytes = 3;
        h_.os2 = true;
    } else {
        h_.width = int32_t(U32(i + 4));
        h_.height = int32_t(U32(i + 8));
        h_.planes = U16(i + 12);
        h_.bits = U16(i + 14);
        // A short OS/2 2.x header leaves the fields it lacks at zero.
        if (n >= 20) h_.compression = U32(i + 16);
        if (n >= 36) h_.coloursUsed = U32(i + 32);
        h_.os2 = os2v2;
        if (windows && n >= 52) {
            h_.masksInHeader = true;
            h_.masks = {U32(i + 40), U32(i + 44), U32(i + 48), n >= 56 ? U32(i + 52) : 0u};
        }
    }
    headerEnd_ = infoStart_ + qint64(n);
    if (h_.planes != 1) return (refusal_ = "BMP with more than one plane"), false;
    topDown_ = h_.height < 0;
    rows_ = topDown_ ? -h_.height : h_.height;
    if (!ImageSizeAcceptable(h_.width, rows_)) return (refusal_ = "BMP size out of range"), false;

    const uint16_t b = h_.bits;
    switch (h_.compression) {
    case kRgb:
        if (b != 1 && b != 2 && b != 4 && b != 8 && b != 16 && b != 24 && b != 32)
            return (refusal_ = "unknown BMP bit count"), false;
        break;
    case kRle8:
    case kRle4:
        if (b != (h_.compression == kRle8 ? 8 : 4))
            return (refusal_ = "RLE with the wrong bit count"), false;
        if (topDown_) return (refusal_ = "RLE picture stored top first"), false;
        break;
    case kBitFields:
    case kAlphaBitFields:
        // OS/2 uses number 3 for its Huffman coding.
        if (h_.os2) return (refusal_ = "BMP compression not supported"), false;
        if (b != 16 && b != 32) return (refusal_ = "channel masks with the wrong bit count"), false;
        break;
    default:
        return (refusal_ = "BMP compression not supported"), false;
    }
    return true;
}

bool Decoder::ReadMasks() {
    const bool given = h_.compression == kBitFields || h_.compression == kAlphaBitFields;
    std::array<uint32_t, 4> m{};
    if (given) {
        if (h_.masksInHeader) {
            m = h_.masks;
            if (h_.compression == kBitFields && h_.infoSize < 56) m[3] = 0;
        } else {
            const int count = h_.compression == kAlphaBitFields ? 4 : 3;
            if (headerEnd_ + 4 * count > size_)
                return (refusal_ = "channel masks cut short"), false;
            for (int k = 0; k < count; ++k)
                m[size_t(k)] = U32(p_ + headerEnd_ + 4 * k);
            headerEnd_ += 4 * count;
        }
    } else if (h_.bits == 16) {
        m = {0x7C00u, 0x03E0u, 0x001Fu, 0u};
    } else if (h_.bits == 32) {
        // The fourth byte of a plain 32-bit pixel is not alpha.
        m = {0x00FF0000u, 0x0000FF00u, 0x000000FFu, 0u};
    } else {
        return true;
    }
    if (h_.bits == 16)
        for (uint32_t& v : m)
            if (v > 0xFFFFu) return (refusal_ = "channel mask wider than the pixel"), false;
    for (size_t k = 0; k < 4; ++k)
        if (!channels_[k].Set(m[k])) return (refusal_ = "channel mask with a gap"), false;
    for (size_t a = 0; a < 4; ++a)
        for (size_t b = a + 1; b < 4; ++b)
            if (m[a] & m[b]) return (refusal_ = "channel masks overlap"), false;
    if ((m[0] | m[1] | m[2]) == 0) return (refusal_ = "no colour channel"), false;
    alpha_ = m[3] != 0;
    return true;
}

bool Decoder::ReadPalette() {
    const qint64 start = headerEnd_;
    if (packed_) {
        const int64_t entries = h_.bits > 8 ? 0 : std::min<int64_t>(h_.coloursUsed, 256);
        offBits_ = start + entries * h_.paletteEntryBytes;
        if (h_.bits <= 8 && entries == 0) {
            // The file list keeps grey-scale rows without a colour table.
            const int top = (1 << h_.bits) - 1;
            palette_.resize(size_t(top) + 1);
            for (int k = 0; k <= top; ++k)
                palette_[size_t(k)] = qRgb(k * 255 / top, k * 255 / top, k * 255 / top);
            return true;
        }
    }
    if (h_.bits > 8) return true;
    if (offBits_ < start) return (refusal_ = "pixels said to start inside the header"), false;
    const int64_t possible = int64_t(1) << h_.bits;
    int64_t count = h_.coloursUsed ? int64_t(h_.coloursUsed) : possible;
    // A table shorter than the bit count allows: as many entries as lie
    // between the header and the pixels.
    count = std::min<int64_t>(count, (offBits_ - start) / h_.paletteEntryBytes);
    count = std::min<int64_t>(count, 256);
    if (count <= 0) return (refusal_ = "no colour table"), false;
    if (start + count * h_.paletteEntryBytes > size_)
        return (refusal_ = "colour table cut short"), false;
    palette_.resize(size_t(count));
    for (int64_t k = 0; k < count; ++k) {
        const uchar* e = p_ + start + k * h_.paletteEntryBytes;
        palette_[size_t(k)] = qRgb(e[2], e[1], e[0]);
    }
    return true;
}

QImage Decoder::DecodeUncompressed() {
    const int bits = h_.bits;
    const int64_t width = h_.width;
    const int64_t stride = ((width * bits + 31) / 32) * 4;
    const int64_t lastRow = (width * bits + 7) / 8;
    // The last row's padding may be missing; its pixels may not.
    if (offBits_ + stride * (rows_ - 1) + lastRow > size_) return Refuse("BMP file is cut short");
    QImage image(int(width), int(rows_), QImage::Format_RGB32);
    if (image.isNull()) return Refuse("out of memory");
    const int paletteSize = int(palette_.size());
    if (alpha_) {
        // Writers that fill the alpha bits with zero mean an opaque picture,
        // not an invisible one.
        bool anyAlpha = false;
        const int step = bits / 8;
        for (int64_t r = 0; r < rows_ && !anyAlpha; ++r) {
            const uchar* src = p_ + offBits_ + r * stride;
            for (int64_t x = 0; x < width && !anyAlpha; ++x, src += step)
                anyAlpha = ((step == 2 ? U16(src) : U32(src)) & channels_[3].mask) != 0;
        }
        alpha_ = anyAlpha;
    }
    for (int64_t r = 0; r < rows_; ++r) {
        const uchar* src = p_ + offBits_ + r * stride;
        const int y = int(topDown_ ? r : rows_ - 1 - r);
        auto* dst = reinterpret_cast<QRgb*>(image.scanLine(y));
        switch (bits) {
        case 1:
        case 2:
        case 4:
        case 8: {
            const int perByte = 8 / bits;
            const int mask = (1 << bits) - 1;
            for (int64_t x = 0; x < width; ++x) {
                const int shift = 8 - bits * int(x % perByte + 1);
                const int index = (src[x / perByte] >> shift) & mask;
                if (index >= paletteSize) return Refuse("colour index beyond the colour table");
                dst[x] = FromPalette(index);
            }
            break;
        }
        case 24:
            BgrRowToRgb32(src, dst, int(width));
            break;
        default: { // 16 and 32 bits through the channel masks
            const int step = bits / 8;
            for (int64_t x = 0; x < width; ++x, src += step) {
                const uint32_t v = step == 2 ? U16(src) : U32(src);
                int r = channels_[0].Value(v);
                int g = channels_[1].Value(v);
                int b = channels_[2].Value(v);
                if (alpha_) {
                    // Over white, as the picture would stand on a page.
                    const int a = channels_[3].Value(v);
                    r = (r * a + 255 * (255 - a) + 127) / 255;
                    g = (g * a + 255 * (255 - a) + 127) / 255;
                    b = (b * a + 255 * (255 - a) + 127) / 255;
                }
                dst[x] = qRgb(r, g, b);
            }
            break;
        }
        }
    }
    return image;
}

QImage Decoder::DecodeRle() {
    const bool four = h_.compression == kRle4;
    const int64_t width = h_.width;
    const int paletteSize = int(palette_.size());
    QImage image(int(width), int(rows_), QImage::Format_RGB32);
    if (image.isNull()) return Refuse("out of memory");
    image.fill(FromPalette(0));
    int64_t x = 0;
    int64_t y = 0; // stored row, bottom first
    // Runs longer than the row is wide are cut at its end; the row only
    // changes at an end-of-line code.
    auto put = [&](int index) -> bool {
        if (y >= rows_) return false;
        if (index >= paletteSize) return false;
        if (x < width)
            reinterpret_cast<QRgb*>(image.scanLine(int(rows_ - 1 - y)))[x] = FromPalette(index);
        ++x;
        return true;
    };
    qint64 pos = offBits_;
    for (;;) {
        if (pos + 2 > size_) {
            // Some writers leave out the final end-of-picture code.
            if (y >= rows_ || (y == rows_ - 1 && x >= width)) return image;
            return Refuse("RLE data cut short");
        }
        const int count = p_[pos];
        const int value = p_[pos + 1];
        pos += 2;
        if (count > 0) {
            for (int k = 0; k < count; ++k) {
                const int index = four ? ((k % 2) == 0 ? value >> 4 : value & 0x0F) : value;
                if (!put(index)) return Refuse("RLE data beyond the picture or its colour table");
            }
            continue;
        }
        if (value == 0) { // end of line
            x = 0;
            ++y;
        } else if (value == 1) { // end of picture
            return image;
        } else if (value == 2) { // move right and up
            if (pos + 2 > size_) return Refuse("RLE data cut short");
            x += p_[pos];
            y += p_[pos + 1];
            pos += 2;
        } else { // literal pixels, padded to an even number of bytes
            const qint64 bytes = four ? (value + 1) / 2 : value;
            const qint64 padded = (bytes + 1) & ~qint64(1);
            if (pos + padded > size_) return Refuse("RLE data cut short");
            for (int k = 0; k < value; ++k) {
                const uchar b = p_[pos + (four ? k / 2 : k)];
                const int index = four ? ((k % 2) == 0 ? b >> 4 : b & 0x0F) : b;
                if (!put(index)) return Refuse("RLE data beyond the picture or its colour table");
            }
            pos += padded;
        }
    }
}

bool Decoder::ReadLayout() {
    if (!ReadHeader() || !ReadMasks() || !ReadPalette()) {
        Refuse(refusal_);
        return false;
    }
    if (offBits_ < headerEnd_ || offBits_ >= size_) {
        Refuse("pixels said to lie outside the file");
        return false;
    }
    return true;
}

BmpLayout Decoder::layout() const {
    BmpLayout l;
    l.infoSize = h_.infoSize;
    l.width = h_.width;
    l.rows = rows_;
    l.topDown = topDown_;
    l.bits = h_.bits;
    l.compression = h_.compression;
    l.pixelOffset = offBits_;
    l.stride = ((h_.width * h_.bits + 31) / 32) * 4;
    return l;
}

QImage Decoder::Run() {
    if (!ReadLayout()) return {};
    if (h_.compression == kRle8 || h_.compression == kRle4) return DecodeRle();
    return DecodeUncompressed();
}

} // namespace

QImage DecodeBmp(const QByteArray& bytes, QString* why) {
    if (why) why->clear();
    return Decoder(reinterpret_cast<const uchar*>(bytes.constData()), bytes.size(), false, why)
        .Run();
}

QImage DecodePackedDib(const uint8_t* dib, qint64 size, QString* why) {
    if (why) why->clear();
    return Decoder(dib, size, true, why).Run();
}

bool ReadBmpLayout(const QByteArray& bytes, BmpLayout* layout, QString* why) {
    if (why) why->clear();
    Decoder d(reinterpret_cast<const uchar*>(bytes.constData()), bytes.size(), false, why);
    if (!d.ReadLayout()) return false;
    *layout = d.layout();
    return true;
}

} // namespace tvx

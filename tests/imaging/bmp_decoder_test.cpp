// The BMP reader of stored pictures: every kind of file a user may copy into
// the Picture folder is shown as it describes itself or refused with a
// reason, never shown wrong. The files are built here byte by byte.
#include "imaging/bmp_decoder.h"
#include "imaging/cximage.h"

#include <QByteArray>
#include <QImage>
#include <gtest/gtest.h>
#include <vector>

namespace {

void PutU16(QByteArray& b, uint16_t v) {
    b.append(char(v & 0xff));
    b.append(char(v >> 8));
}
void PutU32(QByteArray& b, uint32_t v) {
    for (int i = 0; i < 4; ++i)
        b.append(char((v >> (8 * i)) & 0xff));
}

// A BMP file put together from its parts: the information header of the
// given size (fields beyond it left out), masks after it when asked, the
// colour table, the pixel bytes at `gap` bytes after the table.
struct BmpParts {
    uint32_t infoSize = 40;
    int32_t width = 4;
    int32_t height = 2;
    uint16_t bits = 8;
    uint32_t compression = 0;
    uint32_t coloursUsed = 0;
    std::vector<uint32_t> headerMasks; // in the header (52, 56, 108, 124 bytes)
    std::vector<uint32_t> afterMasks;  // after a 40-byte header
    std::vector<QRgb> palette;
    int paletteEntryBytes = 4;
    int gap = 0;
    QByteArray pixels;

    QByteArray Build() const {
        QByteArray info;
        if (infoSize == 12) {
            PutU32(info, 12);
            PutU16(info, uint16_t(width));
            PutU16(info, uint16_t(height));
            PutU16(info, 1);
            PutU16(info, bits);
        } else {
            PutU32(info, infoSize);
            PutU32(info, uint32_t(width));
            PutU32(info, uint32_t(height));
            PutU16(info, 1);
            PutU16(info, bits);
            PutU32(info, compression);
            PutU32(info, uint32_t(pixels.size()));
            PutU32(info, 2835);
            PutU32(info, 2835);
            PutU32(info, coloursUsed);
            PutU32(info, 0);
            for (uint32_t m : headerMasks)
                PutU32(info, m);
            info = info.left(int(infoSize));
            while (info.size() < int(infoSize))
                info.append('\0');
        }
        for (uint32_t m : afterMasks)
            PutU32(info, m);
        for (QRgb c : palette) {
            info.append(char(qBlue(c)));
            info.append(char(qGreen(c)));
            info.append(char(qRed(c)));
            if (paletteEntryBytes == 4) info.append('\0');
        }
        info.append(QByteArray(gap, '\x77'));
        QByteArray file("BM");
        PutU32(file, uint32_t(14 + info.size() + pixels.size()));
        PutU32(file, 0);
        PutU32(file, uint32_t(14 + info.size()));
        return file + info + pixels;
    }
};

// Rows of `width` palette indices, bottom row first, packed at `bits`.
QByteArray PackedRows(const std::vector<std::vector<int>>& rowsBottomFirst, int bits) {
    QByteArray out;
    for (const auto& row : rowsBottomFirst) {
        QByteArray r;
        int acc = 0, used = 0;
        for (int index : row) {
            acc = (acc << bits) | index;
            used += bits;
            if (used == 8) {
                r.append(char(acc));
                acc = used = 0;
            }
        }
        if (used) r.append(char(acc << (8 - used)));
        while (r.size() % 4)
            r.append('\0');
        out += r;
    }
    return out;
}

std::vector<QRgb> Palette(int n) {
    std::vector<QRgb> p;
    for (int i = 0; i < n; ++i)
        p.push_back(qRgb(i, 255 - i, (i * 7) % 256));
    return p;
}

QImage Decode(const QByteArray& file, QString* why = nullptr) {
    return tvx::DecodeBmp(file, why);
}

// The picture a table of indices shows, top row first.
QImage Expected(const std::vector<std::vector<int>>& topFirst, const std::vector<QRgb>& palette) {
    QImage img(int(topFirst[0].size()), int(topFirst.size()), QImage::Format_RGB32);
    for (int y = 0; y < img.height(); ++y)
        for (int x = 0; x < img.width(); ++x)
            img.setPixel(x, y, palette[size_t(topFirst[size_t(y)][size_t(x)])]);
    return img;
}

TEST(BmpDecoder, ColourTablesOfEveryDepthAndHeaderKind) {
    const std::vector<std::vector<int>> top = {{1, 2, 3, 0, 2}, {3, 3, 0, 1, 1}};
    const std::vector<std::vector<int>> bottom = {top[1], top[0]};
    for (int bits : {1, 2, 4, 8}) {
        std::vector<std::vector<int>> t = top, b = bottom;
        for (auto* rows : {&t, &b})
            for (auto& row : *rows)
                for (int& i : row)
                    i %= 1 << bits;
        BmpParts p;
        p.width = 5;
        p.bits = uint16_t(bits);
        p.palette = Palette(1 << bits);
        p.pixels = PackedRows(b, bits);
        QString why;
        EXPECT_EQ(Decode(p.Build(), &why), Expected(t, p.palette))
            << bits << " bits: " << why.toStdString();
    }

    // An OS/2 1.x file whose table holds fewer entries than 8 bits allow:
    // the pixels start where its header says, right after the short table.
    BmpParts os2;
    os2.infoSize = 12;
    os2.width = 5;
    os2.palette = Palette(252);
    os2.paletteEntryBytes = 3;
    os2.pixels = PackedRows({{251, 0, 7, 9, 100}, {1, 2, 3, 4, 5}}, 8);
    EXPECT_EQ(Decode(os2.Build()), Expected({{1, 2, 3, 4, 5}, {251, 0, 7, 9, 100}}, os2.palette));

    // An OS/2 2.x header of 16 bytes: the fields it leaves out are zero.
    BmpParts os2v2 = os2;
    os2v2.infoSize = 16;
    os2v2.paletteEntryBytes = 4;
    os2v2.palette = Palette(256);
    EXPECT_EQ(Decode(os2v2.Build()),
              Expected({{1, 2, 3, 4, 5}, {251, 0, 7, 9, 100}}, os2v2.palette));

    // Rows stored top first, and pixels some bytes after the table.
    BmpParts topDown;
    topDown.height = -2;
    topDown.width = 5;
    topDown.palette = Palette(16);
    topDown.coloursUsed = 16;
    topDown.gap = 6;
    topDown.pixels = PackedRows(top, 8);
    EXPECT_EQ(Decode(topDown.Build()), Expected(top, topDown.palette));
}

TEST(BmpDecoder, ChannelMasksReachTheFullRange) {
    // 16 bits, 5-5-5 by default: white stays white, 16 of 31 is 132 of 255.
    BmpParts p;
    p.width = 2;
    p.height = 1;
    p.bits = 16;
    PutU16(p.pixels, 0x7FFF);
    PutU16(p.pixels, uint16_t(16 << 10 | 1 << 5 | 30));
    QImage img = Decode(p.Build());
    ASSERT_FALSE(img.isNull());
    EXPECT_EQ(img.pixel(0, 0), qRgb(255, 255, 255));
    EXPECT_EQ(img.pixel(1, 0), qRgb(132, 8, 247));

    // 5-6-5 given after a 40-byte header.
    p.compression = 3;
    p.afterMasks = {0xF800, 0x07E0, 0x001F};
    p.pixels.clear();
    PutU16(p.pixels, 0xFFFF);
    PutU16(p.pixels, uint16_t(0x3F << 5));
    img = Decode(p.Build());
    EXPECT_EQ(img.pixel(0, 0), qRgb(255, 255, 255));
    EXPECT_EQ(img.pixel(1, 0), qRgb(0, 255, 0));

    // 32 bits with the masks in a 52-byte header, in an unusual order, and
    // channels of 10 bits.
    BmpParts h52;
    h52.infoSize = 52;
    h52.width = 2;
    h52.height = 1;
    h52.bits = 32;
    h52.compression = 3;
    h52.headerMasks = {0x000003FF, 0x000FFC00, 0x3FF00000};
    PutU32(h52.pixels, 0x3FFFFFFF);
    PutU32(h52.pixels, 0x200u | (0x100u << 10));
    img = Decode(h52.Build());
    ASSERT_FALSE(img.isNull());
    EXPECT_EQ(img.pixel(0, 0), qRgb(255, 255, 255));
    EXPECT_EQ(img.pixel(1, 0), qRgb(128, 64, 0));

    // An alpha mask in a 56-byte header: shown over white. All-zero alpha
    // is a writer's way of saying opaque.
    BmpParts h56 = h52;
    h56.infoSize = 56;
    h56.headerMasks = {0x00FF0000, 0x0000FF00, 0x000000FF, 0xFF000000};
    h56.pixels.clear();
    PutU32(h56.pixels, 0xFF102030);
    PutU32(h56.pixels, 0x00102030);
    img = Decode(h56.Build());
    EXPECT_EQ(img.pixel(0, 0), qRgb(0x10, 0x20, 0x30));
    EXPECT_EQ(img.pixel(1, 0), qRgb(255, 255, 255));
    h56.pixels.clear();
    PutU32(h56.pixels, 0x00102030);
    PutU32(h56.pixels, 0x00405060);
    img = Decode(h56.Build());
    EXPECT_EQ(img.pixel(1, 0), qRgb(0x40, 0x50, 0x60));

    // A plain 32-bit pixel's fourth byte is no alpha.
    BmpParts plain;
    plain.width = 1;
    plain.height = 1;
    plain.bits = 32;
    PutU32(plain.pixels, 0x00A0B0C0);
    EXPECT_EQ(Decode(plain.Build()).pixel(0, 0), qRgb(0xA0, 0xB0, 0xC0));
}

QByteArray Bytes(std::initializer_list<int> values) {
    QByteArray b;
    for (int v : values)
        b.append(char(v));
    return b;
}

TEST(BmpDecoder, RunLengthRowsAreCutAtTheirEndAndSkippedPixelsTakeColourZero) {
    BmpParts p;
    p.width = 4;
    p.height = 3;
    p.compression = 1;
    p.palette = Palette(8);
    // Bottom row: a run of 6 reaching past the row's end is cut there; the
    // next row starts only at the end-of-line code. Middle row: 1 pixel,
    // a move 2 right, 1 literal (padded). Top row: ends early.
    p.pixels = Bytes({6, 3, 0, 0,                               // bottom: 3 3 3 3 (+2 cut)
                      1, 5, 0, 2, 2, 0, 0, 3, 6, 7, 7, 0, 0, 0, // 5 _ _ 6, then 7 7 cut
                      2, 1, 0, 1});                             // top: 1 1 _ _ and the end
    QString why;
    QImage img = Decode(p.Build(), &why);
    ASSERT_FALSE(img.isNull()) << why.toStdString();
    EXPECT_EQ(img, Expected({{1, 1, 0, 0}, {5, 0, 0, 6}, {3, 3, 3, 3}}, p.palette));

    // RLE4: a literal of 3 pixels in 2 bytes, padded to an even count.
    BmpParts four = p;
    four.compression = 2;
    four.bits = 4;
    four.height = 1;
    four.pixels = Bytes({0, 3, 0x12, 0x30, 1, 0x45, 0, 1});
    img = Decode(four.Build(), &why);
    ASSERT_FALSE(img.isNull()) << why.toStdString();
    EXPECT_EQ(img, Expected({{1, 2, 3, 4}}, four.palette));

    // Without the end code the picture must be complete.
    BmpParts whole = four;
    whole.pixels = Bytes({4, 0x21});
    EXPECT_EQ(Decode(whole.Build()), Expected({{2, 1, 2, 1}}, four.palette));
}

TEST(BmpDecoder, WhatCannotBeShownRightIsRefusedWithAReason) {
    BmpParts good;
    good.width = 2;
    good.height = 1;
    good.palette = Palette(4);
    good.coloursUsed = 4;
    good.pixels = Bytes({1, 3, 0, 0});
    ASSERT_FALSE(Decode(good.Build()).isNull());

    std::vector<std::pair<const char*, BmpParts>> bad;
    auto add = [&](const char* what, auto change) {
        BmpParts p = good;
        change(p);
        bad.emplace_back(what, p);
    };
    add("index beyond the table", [](BmpParts& p) { p.pixels = Bytes({1, 4, 0, 0}); });
    add("JPEG inside", [](BmpParts& p) { p.compression = 4; });
    add("OS/2 Huffman", [](BmpParts& p) {
        p.infoSize = 64;
        p.bits = 1;
        p.compression = 3;
    });
    add("RLE cut before the picture is whole", [](BmpParts& p) {
        p.compression = 1;
        p.pixels = Bytes({1, 2});
    });
    add("RLE beyond the last row", [](BmpParts& p) {
        p.compression = 1;
        p.pixels = Bytes({2, 1, 0, 0, 2, 1, 0, 1});
    });
    add("RLE stored top first", [](BmpParts& p) {
        p.compression = 1;
        p.height = -1;
        p.pixels = Bytes({2, 1, 0, 1});
    });
    add("pixels cut short", [](BmpParts& p) { p.height = 3; });
    add("two planes' worth of bits", [](BmpParts& p) { p.bits = 7; });
    add("width zero", [](BmpParts& p) { p.width = 0; });
    add("odd header size", [](BmpParts& p) { p.infoSize = 41; });
    add("overlapping masks", [](BmpParts& p) {
        p.bits = 16;
        p.compression = 3;
        p.palette.clear();
        p.afterMasks = {0xF800, 0x0FE0, 0x001F};
    });
    add("mask with a gap", [](BmpParts& p) {
        p.bits = 16;
        p.compression = 3;
        p.palette.clear();
        p.afterMasks = {0xF000 | 0x0100, 0x07E0 & ~0x0100u, 0x001F};
    });
    for (const auto& [what, parts] : bad) {
        QString why;
        EXPECT_TRUE(Decode(parts.Build(), &why).isNull()) << what;
        EXPECT_FALSE(why.isEmpty()) << what;
    }

    // The image library passes the reason on.
    tvx::CxImage img;
    EXPECT_FALSE(img.LoadFromMemory(bad[0].second.Build(), tvx::kImageTypeBmp));
    EXPECT_EQ(img.LastError(), QStringLiteral("colour index beyond the colour table"));
}

} // namespace

#include "imaging/dib.h"
#include "imaging/jpeg_codec.h"
#include "imaging/thumbnail.h"
#include "tests/support/fifo_guard.h"

#include <QBuffer>
#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <cstdlib>
#include <gtest/gtest.h>
// clang-format off
#include <cstdio>
#include <jpeglib.h>
// clang-format on

namespace {

using tvx::LoadStatus;
using tvx::ThumbnailRecord;

QImage Gradient(int w, int h) {
    QImage img(w, h, QImage::Format_RGB32);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x)
            img.setPixel(x, y, qRgb(x * 255 / w, y * 255 / h, (x + y) % 256));
    return img;
}

void SetU32(QByteArray& b, int at, uint32_t v) {
    for (int i = 0; i < 4; ++i)
        b[at + i] = char((v >> (8 * i)) & 0xff);
}
void SetU16(QByteArray& b, int at, uint16_t v) {
    b[at] = char(v & 0xff);
    b[at + 1] = char(v >> 8);
}

// A JPEG written straight with libjpeg, for the kinds our encoder never makes.
QByteArray RawJpeg(int w, int h, bool grey, bool progressive) {
    jpeg_compress_struct c{};
    jpeg_error_mgr err{};
    c.err = jpeg_std_error(&err);
    jpeg_create_compress(&c);
    unsigned char* buf = nullptr;
    unsigned long size = 0;
    jpeg_mem_dest(&c, &buf, &size);
    c.image_width = JDIMENSION(w);
    c.image_height = JDIMENSION(h);
    c.input_components = grey ? 1 : 3;
    c.in_color_space = grey ? JCS_GRAYSCALE : JCS_RGB;
    jpeg_set_defaults(&c);
    jpeg_set_quality(&c, 95, TRUE);
    if (progressive) jpeg_simple_progression(&c);
    jpeg_start_compress(&c, TRUE);
    std::vector<JSAMPLE> row(size_t(w) * c.input_components);
    for (int y = 0; y < h; ++y) {
        for (int x = 0; x < w; ++x) {
            if (grey) {
                row[size_t(x)] = JSAMPLE((x * 2 + y) & 0xff);
            } else {
                row[size_t(x) * 3] = JSAMPLE(x & 0xff);
                row[size_t(x) * 3 + 1] = JSAMPLE(y & 0xff);
                row[size_t(x) * 3 + 2] = 90;
            }
        }
        JSAMPROW r = row.data();
        jpeg_write_scanlines(&c, &r, 1);
    }
    jpeg_finish_compress(&c);
    jpeg_destroy_compress(&c);
    QByteArray out(reinterpret_cast<const char*>(buf), qsizetype(size));
    std::free(buf);
    return out;
}

class Thumbnail : public ::testing::Test {
protected:
    QString Write(const QString& name, const QByteArray& bytes) {
        const QString path = dir_.filePath(name);
        QFile f(path);
        EXPECT_TRUE(f.open(QIODevice::WriteOnly));
        f.write(bytes);
        return path;
    }
    tvx::LoadResult Load(const QString& name, const QByteArray& bytes, QSize atLeast = {}) {
        return tvx::LoadThumbnailPicture(record_, Write(name, bytes), atLeast);
    }
    int HeaderInt(int at) const {
        const uint8_t* p = record_.dib.data() + at;
        return int32_t(uint32_t(p[0]) | (uint32_t(p[1]) << 8) | (uint32_t(p[2]) << 16) |
                       (uint32_t(p[3]) << 24));
    }
    int BitCount() const { return record_.dib[14] | (record_.dib[15] << 8); }

    QTemporaryDir dir_;
    ThumbnailRecord record_;
};

TEST_F(Thumbnail, Bmp640x480IsReadRawAndDrawsAsStored) {
    const QImage source = Gradient(640, 480);
    const QByteArray file = tvx::EncodeBmp(source);
    ASSERT_EQ(file.size(), 921654);
    ASSERT_TRUE(Load("Still_1.bmp", file).ok());
    EXPECT_EQ(record_.dibSize, 921640);
    EXPECT_EQ(record_.path, dir_.filePath("Still_1.bmp"));
    EXPECT_EQ(record_.ToImage(), source);

    // Odd widths keep their row padding; a top-down file draws upright too.
    QByteArray odd = tvx::EncodeBmp(Gradient(641, 3));
    ASSERT_TRUE(Load("odd.bmp", odd).ok());
    EXPECT_EQ(record_.dibSize, 40 + 1924 * 3);
    EXPECT_EQ(record_.ToImage(), Gradient(641, 3));
}

TEST_F(Thumbnail, BmpsThatWouldDrawGarbageOrOverrunAreRefused) {
    const QByteArray good = tvx::EncodeBmp(Gradient(16, 8));
    auto refused = [&](const QByteArray& bytes) {
        record_.dibSize = 123;
        const tvx::LoadResult r = Load("x.bmp", bytes);
        return r.status == LoadStatus::Failed && !r.reason.isEmpty() && record_.dibSize == 0;
    };
    EXPECT_TRUE(refused(good.left(40)));
    EXPECT_TRUE(refused(good.left(53)));
    QByteArray b = good;
    b[0] = 'X';
    EXPECT_TRUE(refused(b));
    b = good;
    SetU32(b, 14, 124); // a longer header: the pixels would lie inside it
    EXPECT_TRUE(refused(b));
    b = good;
    SetU32(b, 10, 54 + 1024); // pixels said to start beyond the file's end
    EXPECT_TRUE(refused(b));
    b = good;
    SetU16(b, 28, 8); // a palette picture without its palette
    EXPECT_TRUE(refused(b));
    b = good;
    SetU32(b, 30, 1); // run-length coded 24 bits
    EXPECT_TRUE(refused(b));
    b = good;
    SetU32(b, 22, 5000); // more rows than the file holds
    EXPECT_TRUE(refused(b));
    b = good;
    SetU32(b, 18, 0x7fffffff); // a width whose rows overflow any area
    EXPECT_TRUE(refused(b));
    EXPECT_TRUE(refused(good.left(good.size() - 10)));

    // Trailing bytes after the pixels are not part of the picture.
    ASSERT_TRUE(Load("t.bmp", good + QByteArray(100, 'z')).ok());
    EXPECT_EQ(record_.dibSize, 40 + 48 * 8);
}

// Every picture the program can open gets a thumbnail that shows it: BMPs
// of every kind (a palette, 32 bits, more than the area holds), JPEG and
// PNG. What was decoded through the library is held shrunk to the cell.
TEST_F(Thumbnail, EveryKindOfPictureDrawsAsItself) {
    QImage eight(40, 30, QImage::Format_Indexed8);
    QList<QRgb> table(256, qRgb(9, 9, 9));
    table[0] = qRgb(250, 0, 0);
    table[1] = qRgb(0, 0, 240);
    eight.setColorTable(table);
    for (int y = 0; y < 30; ++y)
        for (int x = 0; x < 40; ++x)
            eight.setPixel(x, y, y < 15 ? 0 : 1);
    QByteArray eightBit;
    {
        QBuffer buffer(&eightBit);
        buffer.open(QIODevice::WriteOnly);
        ASSERT_TRUE(eight.save(&buffer, "BMP"));
    }
    ASSERT_EQ(eightBit[28], 8);
    const QImage half = eight.convertToFormat(QImage::Format_RGB32);
    ASSERT_TRUE(Load("eight.bmp", eightBit, QSize(20, 10)).ok());
    EXPECT_EQ(record_.ToImage().size(), QSize(20, 10));
    EXPECT_EQ(record_.ToImage().pixel(10, 2), qRgb(250, 0, 0));
    EXPECT_EQ(record_.ToImage().pixel(10, 8), qRgb(0, 0, 240));

    QByteArray png;
    {
        QBuffer buffer(&png);
        buffer.open(QIODevice::WriteOnly);
        ASSERT_TRUE(half.save(&buffer, "PNG"));
    }
    ASSERT_TRUE(Load("a.Png", png).ok());
    EXPECT_EQ(record_.ToImage(), half);

    // 1600 × 1200 × 3 does not fit the 5 MiB area raw: shrunk to the cell
    // when one is given, else to what the area holds.
    const QByteArray big = tvx::EncodeBmp(Gradient(1600, 1200));
    ASSERT_GT(big.size(), tvx::kThumbnailDibBytes);
    ASSERT_TRUE(Load("big.bmp", big, QSize(81, 73)).ok());
    EXPECT_EQ(record_.ToImage().size(), QSize(81, 73));
    ASSERT_TRUE(Load("big.bmp", big).ok());
    EXPECT_LE(record_.dibSize, tvx::kThumbnailDibBytes);
    EXPECT_NEAR(double(record_.ToImage().width()) / record_.ToImage().height(), 4.0 / 3, 0.01);

    // Not a picture at all, under a picture's name.
    EXPECT_EQ(Load("words.png", "not a picture").status, LoadStatus::Failed);
    EXPECT_EQ(Load("notes.txt", eightBit).status, LoadStatus::Failed);
}

// A FIFO (or any file that is not a regular one) put where a listed picture
// was must fail its thumbnail at once, not block the window in open(2).
TEST_F(Thumbnail, AFifoInAPicturesPlaceFailsWithoutBlocking) {
    for (const char* name : {"pipe.bmp", "pipe.jpg", "pipe.png"}) {
        const QString fifo = dir_.filePath(name);
        ASSERT_TRUE(tvx::test::MakeFifo(fifo));
        tvx::LoadResult r;
        EXPECT_TRUE(tvx::test::FinishesWithoutBlocking({fifo}, [&] {
            r = tvx::LoadThumbnailPicture(record_, fifo, QSize(81, 73));
        })) << name;
        EXPECT_EQ(r.status, LoadStatus::Failed) << name;
        EXPECT_FALSE(r.reason.isEmpty()) << name;
    }
}

TEST_F(Thumbnail, TheEndOfTheNameChoosesTheDecoder) {
    const QByteArray jpeg = tvx::EncodeJpeg(Gradient(64, 48));
    EXPECT_TRUE(Load("a.JPG", jpeg).ok());
    EXPECT_EQ(HeaderInt(4), 64);
    EXPECT_EQ(HeaderInt(8), 48);
    EXPECT_TRUE(Load("a.jpeg", jpeg).ok());
    EXPECT_EQ(Load("a.bmp", jpeg).status, LoadStatus::Failed);
    EXPECT_EQ(tvx::LoadThumbnailPicture(record_, dir_.filePath("gone.jpg")).status,
              LoadStatus::Vanished);
    EXPECT_EQ(tvx::LoadThumbnailPicture(record_, dir_.filePath("gone.bmp")).status,
              LoadStatus::Vanished);
}

TEST_F(Thumbnail, JpegRowsArePaddedBottomUpBgr) {
    const QImage source = Gradient(641, 20);
    ASSERT_TRUE(Load("w.jpg", tvx::EncodeJpeg(source, 100)).ok());
    EXPECT_EQ(record_.dibSize, 40 + 1924 * 20);
    EXPECT_EQ(HeaderInt(0), 40);
    EXPECT_EQ(HeaderInt(8), 20); // positive: bottom-up
    EXPECT_EQ(BitCount(), 24);
    for (int y = 0; y < 20; ++y) // padding bytes are zero
        EXPECT_EQ(record_.dib[size_t(40 + y * 1924 + 1923)], 0);
    const QImage drawn = record_.ToImage();
    ASSERT_EQ(drawn.size(), source.size());
    for (QPoint p : {QPoint(0, 0), QPoint(640, 0), QPoint(320, 19), QPoint(5, 10)}) {
        EXPECT_NEAR(qRed(drawn.pixel(p)), qRed(source.pixel(p)), 12);
        EXPECT_NEAR(qGreen(drawn.pixel(p)), qGreen(source.pixel(p)), 12);
        EXPECT_NEAR(qBlue(drawn.pixel(p)), qBlue(source.pixel(p)), 12);
    }
}

TEST_F(Thumbnail, GreyJpegIsAnEightBitPictureThatDrawsGrey) {
    ASSERT_TRUE(Load("g.jpg", RawJpeg(33, 10, true, false)).ok());
    EXPECT_EQ(BitCount(), 8);
    EXPECT_EQ(record_.dibSize, 40 + 36 * 10);
    const QImage drawn = record_.ToImage();
    ASSERT_EQ(drawn.size(), QSize(33, 10));
    const QRgb p = drawn.pixel(20, 3);
    EXPECT_EQ(qRed(p), qGreen(p));
    EXPECT_EQ(qGreen(p), qBlue(p));
    EXPECT_NEAR(qRed(p), 20 * 2 + 3, 6);
}

TEST_F(Thumbnail, JpegsDecodeReducedForCellsAndToFitTheArea) {
    const QByteArray vga = tvx::EncodeJpeg(Gradient(640, 480));
    ASSERT_TRUE(Load("v.jpg", vga, QSize(81, 73)).ok());
    // 1/8 would be 80 wide, one short of the cell: 1/4 it is.
    EXPECT_EQ(HeaderInt(4), 160);
    EXPECT_EQ(HeaderInt(8), 120);
    ASSERT_TRUE(Load("v.jpg", vga, QSize(80, 60)).ok());
    EXPECT_EQ(HeaderInt(4), 80);

    // 2000 × 1500 × 3 is 9 MB: decoded at half size instead of overrunning.
    ASSERT_TRUE(Load("big.jpg", tvx::EncodeJpeg(Gradient(2000, 1500))).ok());
    EXPECT_EQ(HeaderInt(4), 1000);
    EXPECT_EQ(HeaderInt(8), 750);
    EXPECT_LE(record_.dibSize, tvx::kThumbnailDibBytes);
}

// The reported fault: files whose writer left off the end marker were
// refused, although every pixel is there.
TEST_F(Thumbnail, MissingEndMarkerAloneIsNotDamageButACutScanIs) {
    for (bool progressive : {false, true}) {
        SCOPED_TRACE(progressive ? "progressive" : "baseline");
        const QByteArray whole = RawJpeg(96, 64, false, progressive);
        ASSERT_TRUE(whole.endsWith(QByteArray("\xff\xd9", 2)));
        const QByteArray noEnd = whole.left(whole.size() - 2);
        const QImage full = tvx::DecodeJpeg(whole);
        ASSERT_FALSE(full.isNull());
        EXPECT_EQ(tvx::DecodeJpeg(noEnd), full);
        ASSERT_TRUE(Load("n.jpg", noEnd).ok());
        EXPECT_EQ(record_.ToImage(), full);

        // Cut inside the entropy-coded data of the (last) scan.
        const QByteArray cut = whole.left(whole.size() - 200);
        EXPECT_TRUE(tvx::DecodeJpeg(cut).isNull());
        EXPECT_EQ(Load("c.jpg", cut).status, LoadStatus::Failed);
    }
    // A progressive file cut cleanly between two scans holds only a blurred
    // picture: still damage, though libjpeg sees no broken scan.
    const QByteArray prog = RawJpeg(96, 64, false, true);
    const int lastScan = prog.lastIndexOf(QByteArray("\xff\xda", 2));
    ASSERT_GT(lastScan, 0);
    EXPECT_TRUE(tvx::DecodeJpeg(prog.left(lastScan)).isNull());
    EXPECT_EQ(Load("p.jpg", prog.left(lastScan)).status, LoadStatus::Failed);
}

TEST_F(Thumbnail, DamagedJpegsFailWithAReason) {
    const QByteArray good = tvx::EncodeJpeg(Gradient(64, 64));
    for (const QByteArray& bad : {QByteArray(), good.left(good.size() / 2), good.left(150),
                                  QByteArray(4000, '\x11'), tvx::EncodeBmp(Gradient(8, 8))}) {
        const tvx::LoadResult r = Load("d.jpg", bad);
        EXPECT_EQ(r.status, LoadStatus::Failed);
        EXPECT_FALSE(r.reason.isEmpty());
    }
}

} // namespace

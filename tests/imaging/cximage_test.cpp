#include "imaging/cximage.h"
#include "imaging/dib.h"
#include "imaging/jpeg_codec.h"

#include <QDir>
#include <QFile>
#include <QPainter>
#include <QTemporaryDir>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <gtest/gtest.h>
#include <vector>
// clang-format off
#include <jpeglib.h>
// clang-format on

namespace {

using tvx::CxImage;

uint32_t U32(const QByteArray& b, int at) {
    const auto* p = reinterpret_cast<const uchar*>(b.constData()) + at;
    return uint32_t(p[0]) | (uint32_t(p[1]) << 8) | (uint32_t(p[2]) << 16) | (uint32_t(p[3]) << 24);
}
uint16_t U16(const QByteArray& b, int at) {
    const auto* p = reinterpret_cast<const uchar*>(b.constData()) + at;
    return uint16_t(p[0] | (p[1] << 8));
}
void SetU32(QByteArray& b, int at, uint32_t v) {
    for (int i = 0; i < 4; ++i)
        b[at + i] = char((v >> (8 * i)) & 0xff);
}

// Every pixel different, so a swapped row, column or channel shows.
QImage Pattern(int w, int h, QImage::Format format = QImage::Format_RGB32) {
    QImage img(w, h, QImage::Format_RGB32);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x)
            img.setPixel(x, y, qRgb(x * 40 + 7, y * 50 + 3, (x + y) * 17 + 100));
    return img.convertToFormat(format);
}

// Smooth content, as a microscope picture is; JPEG keeps it closely.
QImage Gradient(int w, int h) {
    QImage img(w, h, QImage::Format_RGB32);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x)
            img.setPixel(x, y, qRgb(x * 255 / w, y * 255 / h, 128));
    return img;
}

QByteArray ReadAll(const QString& path) {
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

void WriteAll(const QString& path, const QByteArray& bytes) {
    QFile f(path);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    ASSERT_EQ(f.write(bytes), bytes.size());
}

class CxImageTest : public ::testing::Test {
protected:
    QString Path(const QString& name) const { return dir_.filePath(name); }
    QTemporaryDir dir_;
};

TEST(ImageType, ChosenFromTheEndOfTheNameIgnoringCase) {
    EXPECT_EQ(tvx::ImageTypeFromPath("/a/b/Still_N0001.bmp"), tvx::kImageTypeBmp);
    EXPECT_EQ(tvx::ImageTypeFromPath("/a/b/x.BMP"), tvx::kImageTypeBmp);
    EXPECT_EQ(tvx::ImageTypeFromPath("/a/b/x.Bmp"), tvx::kImageTypeBmp);
    EXPECT_EQ(tvx::ImageTypeFromPath("x.Jpg"), tvx::kImageTypeJpg);
    EXPECT_EQ(tvx::ImageTypeFromPath("x.JPG"), tvx::kImageTypeJpg);
    EXPECT_EQ(tvx::ImageTypeFromPath("x.JPEG"), tvx::kImageTypeJpg);
    EXPECT_EQ(tvx::ImageTypeFromPath("x.pNg"), tvx::kImageTypePng);
    EXPECT_EQ(tvx::ImageTypeFromPath("x.avi"), tvx::kImageTypeNone);
    EXPECT_EQ(tvx::ImageTypeFromPath("x.jpg.txt"), tvx::kImageTypeNone);
    EXPECT_EQ(tvx::ImageTypeFromPath("bp"), tvx::kImageTypeNone);
    EXPECT_EQ(tvx::ImageTypeFromPath(""), tvx::kImageTypeNone);
}

TEST_F(CxImageTest, SavedBmpIsByteExact24BitBottomUp) {
    // Width 5 makes rows of 15 bytes padded to 16; a 24-bit source checks the
    // conversion from a format other than RGB32.
    const QImage source = Pattern(5, 3, QImage::Format_RGB888);
    CxImage img(tvx::kImageTypeNone);
    ASSERT_TRUE(img.CreateFromHBITMAP(source));
    ASSERT_TRUE(img.Save(Path("a.bmp"), tvx::kImageTypeBmp));

    const QByteArray b = ReadAll(Path("a.bmp"));
    ASSERT_EQ(b.size(), 14 + 40 + 16 * 3);
    EXPECT_EQ(b[0], 'B');
    EXPECT_EQ(b[1], 'M');
    EXPECT_EQ(U32(b, 2), uint32_t(b.size()));
    EXPECT_EQ(U32(b, 10), 54u);
    EXPECT_EQ(U32(b, 14), 40u);
    EXPECT_EQ(int32_t(U32(b, 18)), 5);
    EXPECT_EQ(int32_t(U32(b, 22)), 3); // positive: bottom-up
    EXPECT_EQ(U16(b, 26), 1);
    EXPECT_EQ(U16(b, 28), 24);
    EXPECT_EQ(U32(b, 30), 0u);
    EXPECT_EQ(U32(b, 34), 48u);
    for (int row = 0; row < 3; ++row) {
        const int y = 2 - row;
        const auto* p = reinterpret_cast<const uchar*>(b.constData()) + 54 + row * 16;
        for (int x = 0; x < 5; ++x) {
            const QRgb want = source.pixel(x, y);
            EXPECT_EQ(p[3 * x + 0], qBlue(want)) << x << "," << y;
            EXPECT_EQ(p[3 * x + 1], qGreen(want)) << x << "," << y;
            EXPECT_EQ(p[3 * x + 2], qRed(want)) << x << "," << y;
        }
        EXPECT_EQ(p[15], 0) << "padding of row " << row;
    }

    // An independent reader sees the same picture, and so does ours.
    EXPECT_EQ(QImage::fromData(b, "BMP").convertToFormat(QImage::Format_RGB32),
              source.convertToFormat(QImage::Format_RGB32));
    CxImage back(Path("a.bmp"), tvx::kImageTypeBmp);
    ASSERT_TRUE(back.IsValid());
    EXPECT_EQ(back.GetWidth(), 5);
    EXPECT_EQ(back.GetHeight(), 3);
    EXPECT_EQ(back.image(), source.convertToFormat(QImage::Format_RGB32));
}

TEST_F(CxImageTest, JpegRoundTripKeepsSizeAndColoursClosely) {
    const QImage source = Gradient(64, 48);
    CxImage img;
    ASSERT_TRUE(img.CreateFromHBITMAP(source));
    ASSERT_TRUE(img.Save(Path("b.JPG"), tvx::ImageTypeFromPath(Path("b.JPG"))));
    const QByteArray b = ReadAll(Path("b.JPG"));
    ASSERT_GT(b.size(), 2);
    EXPECT_EQ(uchar(b[0]), 0xff);
    EXPECT_EQ(uchar(b[1]), 0xd8);

    CxImage back(Path("b.JPG"), tvx::kImageTypeJpg);
    ASSERT_TRUE(back.IsValid());
    ASSERT_EQ(back.GetWidth(), 64);
    ASSERT_EQ(back.GetHeight(), 48);
    long total = 0;
    int worst = 0;
    for (int y = 0; y < 48; ++y)
        for (int x = 0; x < 64; ++x) {
            const QRgb a = source.pixel(x, y), c = back.image().pixel(x, y);
            const int d = std::abs(qRed(a) - qRed(c)) + std::abs(qGreen(a) - qGreen(c)) +
                          std::abs(qBlue(a) - qBlue(c));
            total += d;
            worst = std::max(worst, d);
        }
    EXPECT_LT(double(total) / (64 * 48), 6.0);
    EXPECT_LT(worst, 40);
    // The same file read as a BMP is not a BMP.
    EXPECT_FALSE(CxImage(Path("b.JPG"), tvx::kImageTypeBmp).IsValid());
}

TEST_F(CxImageTest, EmptyOrReleasedImageIsInvalidAndSavesNothing) {
    CxImage empty(tvx::kImageTypeNone);
    EXPECT_FALSE(empty.IsValid());
    EXPECT_FALSE(empty.Save(Path("e.bmp"), tvx::kImageTypeBmp));
    EXPECT_FALSE(empty.CreateFromHBITMAP(QImage()));
    EXPECT_FALSE(QFile::exists(Path("e.bmp")));

    CxImage img;
    ASSERT_TRUE(img.CreateFromHBITMAP(Pattern(4, 4)));
    EXPECT_FALSE(img.Save(Path("e.png"), 2)); // only 1 and 3 are types we write
    img.DestroyFrames();
    EXPECT_FALSE(img.IsValid());
    EXPECT_EQ(img.GetWidth(), 0);
    EXPECT_FALSE(img.Save(Path("e.bmp"), tvx::kImageTypeBmp));
    EXPECT_TRUE(QDir(dir_.path()).entryList(QDir::Files).isEmpty());
}

TEST_F(CxImageTest, FailedSaveLeavesNoFileAndNoLitter) {
    CxImage img;
    ASSERT_TRUE(img.CreateFromHBITMAP(Pattern(8, 8)));

    // The folder was removed after the path was built.
    QDir(dir_.path()).mkdir("gone");
    QDir(dir_.path()).rmdir("gone");
    EXPECT_FALSE(img.Save(Path("gone/x.bmp"), tvx::kImageTypeBmp));
    EXPECT_FALSE(QFile::exists(Path("gone/x.bmp")));

    // A folder stands where the file should go: the save fails, the folder
    // survives and no temporary file is left beside it.
    ASSERT_TRUE(QDir(dir_.path()).mkdir("taken.bmp"));
    EXPECT_FALSE(img.Save(Path("taken.bmp"), tvx::kImageTypeBmp));
    EXPECT_FALSE(img.Save(Path("taken.bmp"), tvx::kImageTypeJpg));
    EXPECT_TRUE(QFileInfo(Path("taken.bmp")).isDir());
    EXPECT_EQ(QDir(dir_.path()).entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot),
              QStringList{"taken.bmp"});
}

TEST_F(CxImageTest, SaveReplacesAnExistingFileWhole) {
    WriteAll(Path("old.bmp"), QByteArray(100000, 'x'));
    CxImage img;
    ASSERT_TRUE(img.CreateFromHBITMAP(Pattern(4, 2)));
    ASSERT_TRUE(img.Save(Path("old.bmp"), tvx::kImageTypeBmp));
    EXPECT_EQ(ReadAll(Path("old.bmp")), img.Encode(tvx::kImageTypeBmp));
}

TEST_F(CxImageTest, DamagedBmpFilesLoadInvalid) {
    const QByteArray good = tvx::EncodeBmp(Pattern(16, 16));
    ASSERT_TRUE(CxImage().LoadFromMemory(good, tvx::kImageTypeBmp));

    auto invalid = [](const QByteArray& bytes) {
        CxImage img;
        return !img.LoadFromMemory(bytes, tvx::kImageTypeBmp) && !img.IsValid();
    };
    EXPECT_TRUE(invalid(QByteArray()));
    EXPECT_TRUE(invalid(good.left(30)));               // inside the header
    EXPECT_TRUE(invalid(good.left(good.size() / 2)));  // half the rows missing
    EXPECT_TRUE(invalid(good.left(good.size() - 10))); // last row cut
    EXPECT_TRUE(invalid(QByteArray(4000, '\x5a')));    // not a BMP at all

    QByteArray huge = good; // a header claiming 100000 × 100000
    SetU32(huge, 18, 100000);
    SetU32(huge, 22, 100000);
    EXPECT_TRUE(invalid(huge));
    QByteArray zero = good;
    SetU32(zero, 18, 0);
    EXPECT_TRUE(invalid(zero));
    QByteArray minWidth = good;
    SetU32(minWidth, 18, 0x80000000u);
    EXPECT_TRUE(invalid(minWidth));
    QByteArray offset = good; // pixel data said to start beyond the end
    SetU32(offset, 10, uint32_t(good.size() + 10));
    EXPECT_TRUE(invalid(offset));
    QByteArray bits = good;
    bits[28] = 7;
    EXPECT_TRUE(invalid(bits));
    QByteArray infoSize = good;
    SetU32(infoSize, 14, 41);
    EXPECT_TRUE(invalid(infoSize));

    // Missing file, and a folder in place of a file.
    EXPECT_FALSE(CxImage(QDir(dir_.path()).filePath("none.bmp"), tvx::kImageTypeBmp).IsValid());
    EXPECT_FALSE(CxImage(dir_.path(), tvx::kImageTypeBmp).IsValid());
}

TEST(Bmp, TopDownFileLoadsUpright) {
    // A negative height means the first stored row is the top one.
    const QImage source = Pattern(3, 2);
    QByteArray b = tvx::EncodeBmp(source.mirrored(false, true));
    SetU32(b, 22, uint32_t(-2));
    CxImage img;
    ASSERT_TRUE(img.LoadFromMemory(b, tvx::kImageTypeBmp));
    EXPECT_EQ(img.image(), source);
}

TEST_F(CxImageTest, DamagedJpegFilesLoadInvalid) {
    const QByteArray good = tvx::EncodeJpeg(Gradient(64, 64));
    ASSERT_TRUE(CxImage().LoadFromMemory(good, tvx::kImageTypeJpg));
    auto invalid = [](const QByteArray& bytes) {
        CxImage img;
        return !img.LoadFromMemory(bytes, tvx::kImageTypeJpg) && !img.IsValid();
    };
    EXPECT_TRUE(invalid(QByteArray()));
    EXPECT_TRUE(invalid(good.left(good.size() / 2)));
    EXPECT_TRUE(invalid(good.left(200)));
    EXPECT_TRUE(invalid(QByteArray(5000, '\x11')));
    EXPECT_TRUE(invalid(tvx::EncodeBmp(Gradient(8, 8))));

    // A frame header claiming 65000 × 65000 is refused before decoding.
    QByteArray huge = good;
    const int sof = huge.indexOf(QByteArray("\xff\xc0", 2));
    ASSERT_GT(sof, 0);
    huge[sof + 5] = char(0xfd);
    huge[sof + 6] = char(0xe8);
    huge[sof + 7] = char(0xfd);
    huge[sof + 8] = char(0xe8);
    EXPECT_TRUE(invalid(huge));

    WriteAll(Path("cut.jpg"), good.left(good.size() * 2 / 3));
    EXPECT_FALSE(CxImage(Path("cut.jpg"), tvx::kImageTypeJpg).IsValid());
}

// A CMYK JPEG as print workflows write it (libjpeg adds the Adobe marker, so
// the samples are read inverted: 255 is no ink), every pixel `cmyk`.
QByteArray CmykJpeg(int w, int h, const uint8_t cmyk[4]) {
    jpeg_compress_struct c{};
    jpeg_error_mgr err{};
    c.err = jpeg_std_error(&err);
    jpeg_create_compress(&c);
    unsigned char* buf = nullptr;
    unsigned long size = 0;
    jpeg_mem_dest(&c, &buf, &size);
    c.image_width = JDIMENSION(w);
    c.image_height = JDIMENSION(h);
    c.input_components = 4;
    c.in_color_space = JCS_CMYK;
    jpeg_set_defaults(&c);
    jpeg_set_quality(&c, 95, TRUE);
    jpeg_start_compress(&c, TRUE);
    std::vector<JSAMPLE> row(size_t(w) * 4);
    for (int x = 0; x < w; ++x)
        std::memcpy(row.data() + 4 * x, cmyk, 4);
    while (c.next_scanline < c.image_height) {
        JSAMPROW r = row.data();
        jpeg_write_scanlines(&c, &r, 1);
    }
    jpeg_finish_compress(&c);
    jpeg_destroy_compress(&c);
    QByteArray out(reinterpret_cast<const char*>(buf), qsizetype(size));
    std::free(buf);
    return out;
}

// A frame's bottom-up BGR rows (padded, odd width) encode to the very file
// the 32-bit picture of the same frame gives; bad arguments give nothing.
TEST(Jpeg, BottomUpBgrFramesEncodeAsTheirPicture) {
    const int w = 37, h = 21, stride = w * 3 + 5;
    std::vector<uint8_t> frame(size_t(stride) * h);
    for (size_t i = 0; i < frame.size(); ++i)
        frame[i] = uint8_t((i * 13) ^ (i >> 5));
    const QByteArray direct = tvx::EncodeJpegFromBottomUpBgr(frame.data(), w, h, stride, 85);
    ASSERT_FALSE(direct.isEmpty());
    const QImage picture = tvx::ImageFromBottomUpBgr(frame.data(), w, h, stride);
    EXPECT_EQ(direct, tvx::EncodeJpeg(picture, 85));
    const QImage back = tvx::DecodeJpeg(direct);
    ASSERT_EQ(back.size(), QSize(w, h));

    EXPECT_TRUE(tvx::EncodeJpegFromBottomUpBgr(nullptr, w, h, stride).isEmpty());
    EXPECT_TRUE(tvx::EncodeJpegFromBottomUpBgr(frame.data(), w, h, w * 3 - 1).isEmpty());
    EXPECT_TRUE(tvx::EncodeJpegFromBottomUpBgr(frame.data(), 0, h, stride).isEmpty());
}

TEST(Jpeg, CmykFilesDecodeToTheirColours) {
    const uint8_t magenta[4] = {255, 0, 255, 255};  // full magenta ink only
    const uint8_t darkCyan[4] = {0, 255, 255, 128}; // full cyan, half black
    CxImage a, b;
    ASSERT_TRUE(a.LoadFromMemory(CmykJpeg(16, 8, magenta), tvx::kImageTypeJpg));
    ASSERT_TRUE(b.LoadFromMemory(CmykJpeg(16, 8, darkCyan), tvx::kImageTypeJpg));
    ASSERT_EQ(a.GetWidth(), 16);
    ASSERT_EQ(a.GetHeight(), 8);
    const QRgb pa = a.image().pixel(5, 5);
    const QRgb pb = b.image().pixel(5, 5);
    EXPECT_NEAR(qRed(pa), 255, 3);
    EXPECT_NEAR(qGreen(pa), 0, 3);
    EXPECT_NEAR(qBlue(pa), 255, 3);
    EXPECT_NEAR(qRed(pb), 0, 3);
    EXPECT_NEAR(qGreen(pb), 128, 3);
    EXPECT_NEAR(qBlue(pb), 128, 3);
}

TEST(CxImageStretch, CopiesNearestPixelsIntoTheRectangleOnly) {
    const QImage source = Pattern(2, 2);
    CxImage img;
    ASSERT_TRUE(img.CreateFromHBITMAP(source));
    QImage target(8, 8, QImage::Format_RGB32);
    target.fill(qRgb(1, 2, 3));
    {
        QPainter painter(&target);
        img.Stretch(painter, 2, 2, 4, 4);
    }
    for (int y = 0; y < 8; ++y)
        for (int x = 0; x < 8; ++x) {
            const bool inside = x >= 2 && x < 6 && y >= 2 && y < 6;
            const QRgb want = inside ? source.pixel((x - 2) / 2, (y - 2) / 2) : qRgb(1, 2, 3);
            EXPECT_EQ(target.pixel(x, y), want) << x << "," << y;
        }
}

} // namespace

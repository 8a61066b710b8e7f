#include "capture/frame_types.h"
#include "imaging/cximage.h"
#include "imaging/dib.h"

#include <QByteArray>
#include <gtest/gtest.h>
#include <vector>

namespace {

// A bottom-up BGR frame with `stride` bytes a row; byte values encode the
// position so any misplaced byte shows.
std::vector<uint8_t> Frame(int w, int h, int stride) {
    std::vector<uint8_t> data(size_t(stride) * h, 0xee);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) {
            uint8_t* p = data.data() + y * stride + 3 * x;
            p[0] = uint8_t(10 + x);      // blue
            p[1] = uint8_t(100 + y);     // green
            p[2] = uint8_t(200 + x + y); // red
        }
    return data;
}

TEST(Dib, InfoHeaderHasTheDocumentedLayout) {
    QByteArray b;
    tvx::BitmapInfoHeader::For24Bit(641, 480).AppendTo(b);
    ASSERT_EQ(b.size(), tvx::BitmapInfoHeader::kBytes);
    const QByteArray want("\x28\0\0\0"     // size 40
                          "\x81\x02\0\0"   // width 641
                          "\xe0\x01\0\0"   // height 480
                          "\x01\0\x18\0"   // 1 plane, 24 bits
                          "\0\0\0\0"       // BI_RGB
                          "\x80\x17\x0e\0" // 1924 × 480 = 923520
                          "\0\0\0\0\0\0\0\0\0\0\0\0\0\0\0\0",
                          40);
    EXPECT_EQ(b, want);
}

TEST(Dib, FrameToImageTurnsBottomUpRowsUpright) {
    const int w = 3, h = 2, stride = tvx::DibStride(w);
    const std::vector<uint8_t> f = Frame(w, h, stride);
    const QImage img = tvx::ImageFromBottomUpBgr(f.data(), w, h, stride);
    ASSERT_EQ(img.format(), QImage::Format_RGB32);
    ASSERT_EQ(img.size(), QSize(w, h));
    // Frame row 0 is the bottom of the picture.
    EXPECT_EQ(img.pixel(0, 1), qRgb(200, 100, 10));
    EXPECT_EQ(img.pixel(2, 1), qRgb(202, 100, 12));
    EXPECT_EQ(img.pixel(1, 0), qRgb(202, 101, 11));

    EXPECT_TRUE(tvx::ImageFromBottomUpBgr(nullptr, w, h, stride).isNull());
    EXPECT_TRUE(tvx::ImageFromBottomUpBgr(f.data(), w, h, w * 3 - 1).isNull());
    EXPECT_TRUE(tvx::ImageFromBottomUpBgr(f.data(), 0, h, stride).isNull());
}

TEST(Dib, FrameBmpMatchesTheImagePathForAnyStride) {
    // Width 5: the file pads rows to 16. Strides equal to the file's take the
    // one-copy path, others the row-by-row one; both must give the same file.
    for (int stride : {16, 15, 24}) {
        const std::vector<uint8_t> f = Frame(5, 4, stride);
        const QByteArray direct = tvx::EncodeBmpFromBottomUpBgr(f.data(), 5, 4, stride);
        const QByteArray viaImage =
            tvx::EncodeBmp(tvx::ImageFromBottomUpBgr(f.data(), 5, 4, stride));
        ASSERT_EQ(direct.size(), 54 + 16 * 4) << stride;
        EXPECT_EQ(direct, viaImage) << stride;
        // Row 0 of the frame is the file's first row.
        EXPECT_EQ(uchar(direct[54]), 10);
        EXPECT_EQ(uchar(direct[55]), 100);
        EXPECT_EQ(uchar(direct[56]), 200);
        EXPECT_EQ(direct[54 + 15], 0) << "padding, stride " << stride;
    }
    EXPECT_TRUE(tvx::EncodeBmpFromBottomUpBgr(nullptr, 5, 4, 16).isEmpty());
    EXPECT_TRUE(tvx::EncodeBmpFromBottomUpBgr(Frame(5, 4, 16).data(), 5, 4, 14).isEmpty());
}

TEST(Dib, SizeLimitRefusesAbsurdPictures) {
    EXPECT_TRUE(tvx::ImageSizeAcceptable(2592, 1944));
    EXPECT_TRUE(tvx::ImageSizeAcceptable(1, 1));
    EXPECT_FALSE(tvx::ImageSizeAcceptable(0, 10));
    EXPECT_FALSE(tvx::ImageSizeAcceptable(10, -1));
    EXPECT_FALSE(tvx::ImageSizeAcceptable(100000, 100000));
    EXPECT_FALSE(tvx::ImageSizeAcceptable(tvx::kMaxImageSide + 1, 1));
    EXPECT_FALSE(tvx::ImageSizeAcceptable(tvx::kMaxImageSide, tvx::kMaxImageSide));
}

} // namespace

#include "capture/cap_config.h"
#include "platform/folders.h"

#include <QFile>
#include <gtest/gtest.h>
#include <limits>

namespace tvx {
namespace {

VideoInfoHeader Sample() {
    VideoInfoHeader h;
    h.sourceLeft = -1;
    h.sourceTop = 2;
    h.sourceRight = 720;
    h.sourceBottom = 480;
    h.targetRight = 719;
    h.targetBottom = 479;
    h.bitRate = 0x01020304;
    h.bitErrorRate = 7;
    h.avgTimePerFrame = 333667;
    h.biWidth = 720;
    h.biHeight = -480;
    h.biBitCount = 16;
    h.biCompression = FourCC('Y', 'U', 'Y', '2');
    h.biSizeImage = 720 * 480 * 2;
    h.biXPelsPerMeter = -5;
    h.biYPelsPerMeter = 6;
    h.biClrUsed = 8;
    h.biClrImportant = 9;
    return h;
}

int32_t LeInt32(const QByteArray& b, int at) {
    uint32_t v = 0;
    for (int i = 0; i < 4; ++i)
        v |= uint32_t(uint8_t(b[at + i])) << (8 * i);
    return int32_t(v);
}

TEST(CapConfig, LayoutAndRoundTrip) {
    const VideoInfoHeader h = Sample();
    const QByteArray bytes = SerializeCapConfig(h);
    ASSERT_EQ(bytes.size(), kCapConfigSize);
    // Fields at the offsets earlier releases wrote them.
    EXPECT_EQ(LeInt32(bytes, 0), -1);
    EXPECT_EQ(LeInt32(bytes, 32), 0x01020304);
    EXPECT_EQ(LeInt32(bytes, 40), 333667);
    EXPECT_EQ(LeInt32(bytes, 44), 0);
    EXPECT_EQ(LeInt32(bytes, 48), 40);
    EXPECT_EQ(LeInt32(bytes, 52), 720);
    EXPECT_EQ(LeInt32(bytes, 56), -480);
    EXPECT_EQ(uint8_t(bytes[60]), 1);
    EXPECT_EQ(uint8_t(bytes[62]), 16);
    EXPECT_EQ(bytes.mid(64, 4), QByteArray("YUY2"));
    EXPECT_EQ(LeInt32(bytes, 84), 9);

    VideoInfoHeader back;
    ASSERT_TRUE(ParseCapConfig(bytes, &back));
    EXPECT_EQ(back, h);
}

TEST(CapConfig, DamagedBytesAreNotApplied) {
    const QByteArray good = SerializeCapConfig(Sample());
    const VideoInfoHeader untouched;
    auto rejects = [&](const QByteArray& bytes) {
        VideoInfoHeader out;
        return !ParseCapConfig(bytes, &out) && out == untouched;
    };
    EXPECT_TRUE(rejects(QByteArray()));
    EXPECT_TRUE(rejects(good.left(87)));
    EXPECT_TRUE(rejects(good + '\0'));
    QByteArray zeroWidth = good;
    zeroWidth.replace(52, 4, QByteArray(4, '\0'));
    EXPECT_TRUE(rejects(zeroWidth));
    QByteArray huge = good;
    huge.replace(52, 4, QByteArray("\xff\xff\xff\x7f", 4));
    EXPECT_TRUE(rejects(huge));
    QByteArray badSize = good;
    badSize[48] = 41;
    EXPECT_TRUE(rejects(badSize));
    QByteArray negativeTime = good;
    negativeTime[47] = char(0x80);
    EXPECT_TRUE(rejects(negativeTime));
}

TEST(CapConfig, FileRoundTripAndShortFile) {
    const QString path = CapConfigPath();
    EXPECT_TRUE(path.startsWith(ProgramFolder()));
    VideoInfoHeader out;
    EXPECT_FALSE(ReadCapConfigFile(path, &out)); // missing
    ASSERT_TRUE(WriteCapConfigFile(path, Sample()));
    EXPECT_EQ(QFile(path).size(), kCapConfigSize);
    ASSERT_TRUE(ReadCapConfigFile(path, &out));
    EXPECT_EQ(out, Sample());

    QFile f(path);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
    f.write(SerializeCapConfig(Sample()).left(60));
    f.close();
    VideoInfoHeader untouched;
    EXPECT_FALSE(ReadCapConfigFile(path, &untouched));
    EXPECT_EQ(untouched, VideoInfoHeader());

    EXPECT_FALSE(WriteCapConfigFile(ProgramFolder() + "/no/such/folder/CapConfig.dat", Sample()));
}

TEST(CapConfig, SizesAndRates) {
    EXPECT_EQ(FramesPerSecond(333333), 30);
    EXPECT_EQ(FramesPerSecond(400000), 25);
    // An unknown frame time gives no rate instead of a division by zero.
    EXPECT_EQ(FramesPerSecond(0), 0);
    EXPECT_EQ(BitRateFor(0, 1000), 0u);

    VideoInfoHeader yuy2 = Sample();
    yuy2.avgTimePerFrame = 333333;
    const VideoInfoHeader r = ResizedFormat(yuy2, 320, 240);
    EXPECT_EQ(r.biWidth, 320);
    EXPECT_EQ(r.biHeight, 240);
    EXPECT_EQ(r.biSizeImage, 320u * 240u * 2u);
    EXPECT_EQ(r.bitRate, 30u * 320u * 240u * 2u * 8u);
    EXPECT_EQ(ImageSizeFor(24, 720, 576), 720u * 576u * 3u);
    EXPECT_EQ(ImageSizeFor(12, 720, 576), 720u * 576u);

    const VideoInfoHeader d = DefaultFormat(yuy2);
    EXPECT_EQ(d.biWidth, 640);
    EXPECT_EQ(d.biHeight, 480);
    EXPECT_EQ(d.biSizeImage, 640u * 480u * 2u);
    EXPECT_EQ(d.biCompression, yuy2.biCompression);

    // A bit rate beyond 32 bits is held at the top, not wrapped round.
    VideoInfoHeader fast = yuy2;
    fast.avgTimePerFrame = 1;
    EXPECT_EQ(ResizedFormat(fast, 8192, 8192).bitRate, std::numeric_limits<uint32_t>::max());
}

} // namespace
} // namespace tvx

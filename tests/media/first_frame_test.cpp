#include "media/first_frame.h"
#include "tests/media/avi_writer.h"

#include <QFile>
#include <QTemporaryDir>
#include <gtest/gtest.h>
#include <memory>

namespace {

using tvx::LoadStatus;
using tvx::test::WriteAvi;

class FirstFrame : public ::testing::Test {
protected:
    QString Path(const char* name) { return dir_.filePath(QLatin1String(name)); }
    QTemporaryDir dir_;
    tvx::ThumbnailRecord record_;
};

TEST_F(FirstFrame, GivesABottomUpBgrDibOfTheFirstPicture) {
    ASSERT_TRUE(WriteAvi(Path("Video_1.avi"), 642, 480, 3));
    ASSERT_TRUE(tvx::LoadVideoFirstFrame(record_, Path("Video_1.avi")).ok());
    EXPECT_EQ(record_.path, Path("Video_1.avi"));
    const int stride = 1928; // 642 × 3 = 1926, padded to 4
    EXPECT_EQ(record_.dibSize, 40 + stride * 480);
    // The first stored row is the bottom of the picture: blue.
    const uint8_t* bottom = record_.dib.data() + 40;
    EXPECT_GT(bottom[0], 200);
    EXPECT_LT(bottom[2], 60);
    EXPECT_EQ(bottom[1926], 0); // padding
    const QImage drawn = record_.ToImage();
    ASSERT_EQ(drawn.size(), QSize(642, 480));
    EXPECT_GT(qRed(drawn.pixel(300, 10)), 200);
    EXPECT_LT(qBlue(drawn.pixel(300, 10)), 60);
    EXPECT_GT(qBlue(drawn.pixel(300, 470)), 200);

    // For a cell of 81 × 73 a quarter of the size is enough.
    ASSERT_TRUE(tvx::LoadVideoFirstFrame(record_, Path("Video_1.avi"), QSize(81, 73)).ok());
    EXPECT_EQ(record_.ToImage().size(), QSize(160, 120));
}

TEST_F(FirstFrame, FilesWithoutAPictureFailWithAReason) {
    ASSERT_TRUE(WriteAvi(Path("sound.avi"), 0, 0, 0));
    tvx::LoadResult r = tvx::LoadVideoFirstFrame(record_, Path("sound.avi"));
    EXPECT_EQ(r.status, LoadStatus::Failed);
    EXPECT_TRUE(r.reason.contains("no video stream")) << r.reason.toStdString();

    EXPECT_EQ(tvx::LoadVideoFirstFrame(record_, Path("missing.avi")).status, LoadStatus::Vanished);

    ASSERT_TRUE(WriteAvi(Path("v.avi"), 64, 48, 2));
    QFile f(Path("v.avi"));
    ASSERT_TRUE(f.open(QIODevice::ReadOnly));
    const QByteArray whole = f.readAll();
    ASSERT_TRUE(tvx::LoadVideoFirstFrameFromMemory(record_, whole).ok());
    for (const QByteArray& bad :
         {QByteArray(), whole.left(12), whole.left(300), QByteArray(3000, '\0'),
          QByteArray("RIFF\xff\xff\xff\x7f"
                     "AVI LIST")}) {
        r = tvx::LoadVideoFirstFrameFromMemory(record_, bad);
        EXPECT_EQ(r.status, LoadStatus::Failed);
        EXPECT_FALSE(r.reason.isEmpty());
        EXPECT_EQ(record_.dibSize, 0);
    }
}

} // namespace

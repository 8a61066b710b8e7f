// Playback of a file through playbin: opening, seeking, the end of the file,
// and files it cannot play.
#include "media/video_playback.h"
#include "tests/media/test_videos.h"
#include "tests/support/test_env.h"
#include "tests/support/wait.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFile>
#include <cmath>
#include <gtest/gtest.h>

namespace tvx {
namespace {

QString VideoPath(const QString& name) {
    return test::homeDir() + "/" + name;
}

TEST(VideoPlayback, OpensPausedOnTheFirstFrameWithTheFileDuration) {
    const QString path = VideoPath("twelve seconds.avi");
    ASSERT_TRUE(test::MakeTestVideo(path, 617, 50)); // 12.34 s
    VideoPlayback playback;
    const Status r = playback.Open(path);
    ASSERT_TRUE(r.ok()) << r.reason().toStdString();
    EXPECT_TRUE(playback.IsOpen());
    EXPECT_TRUE(playback.IsPaused());
    EXPECT_NEAR(playback.Duration(), 12.34, 0.005);
    EXPECT_NEAR(playback.Position(), 0.0, 0.001);
    ASSERT_TRUE(test::WaitFor([&] { return !playback.CurrentFrame().isNull(); }));
    EXPECT_EQ(playback.CurrentFrame().size(), QSize(64, 48));
    EXPECT_EQ(playback.CurrentFrame().format(), QImage::Format_RGB32);

    playback.Release();
    EXPECT_FALSE(playback.IsOpen());
    EXPECT_TRUE(playback.CurrentFrame().isNull());
    EXPECT_EQ(playback.Duration(), 0.0);
}

TEST(VideoPlayback, StepsStayWithinTheFile) {
    const QString path = VideoPath("steps.avi");
    ASSERT_TRUE(test::MakeTestVideo(path, 250, 50)); // 5 s
    VideoPlayback playback;
    ASSERT_TRUE(playback.Open(path).ok());
    const double duration = playback.Duration();

    playback.Seek(1.5);
    ASSERT_TRUE(playback.WaitSettled(5000));
    EXPECT_NEAR(playback.Position(), 1.5, 0.021);
    playback.StepBackward();
    ASSERT_TRUE(playback.WaitSettled(5000));
    EXPECT_NEAR(playback.Position(), 0.0, 0.001);

    playback.Seek(1.0);
    ASSERT_TRUE(playback.WaitSettled(5000));
    playback.StepForward();
    ASSERT_TRUE(playback.WaitSettled(5000));
    EXPECT_NEAR(playback.Position(), 3.0, 0.021);

    playback.Seek(duration - 1.5);
    ASSERT_TRUE(playback.WaitSettled(5000));
    playback.StepForward();
    ASSERT_TRUE(playback.WaitSettled(5000));
    EXPECT_NEAR(playback.Position(), duration, 0.021);

    playback.ToFirst();
    ASSERT_TRUE(playback.WaitSettled(5000));
    EXPECT_NEAR(playback.Position(), 0.0, 0.001);
    EXPECT_TRUE(playback.IsPaused());
}

TEST(VideoPlayback, TimeTextCountsWholeSecondsAndHoursOnlyForLongVideos) {
    EXPECT_EQ(PlaybackTimeText(3.99, 72.5), "0:03 / 1:12");
    EXPECT_EQ(PlaybackTimeText(599.0, 600.0), "9:59 / 10:00");
    EXPECT_EQ(PlaybackTimeText(62.0, 3723.0), "0:01:02 / 1:02:03");
    // Before the file says its length: nothing negative or absurd.
    EXPECT_EQ(PlaybackTimeText(-1.0, 0.0), "0:00 / 0:00");
    EXPECT_EQ(PlaybackTimeText(std::nan(""), 1e300), "0:00 / 0:00");
}

TEST(VideoPlayback, TheEndOfTheFileIsAnnounced) {
    const QString path = VideoPath("short.avi");
    ASSERT_TRUE(test::MakeTestVideo(path, 10, 25)); // 0.4 s
    VideoPlayback playback;
    int finished = 0;
    QStringList failures;
    QObject::connect(&playback, &VideoPlayback::finished, [&] { ++finished; });
    QObject::connect(&playback, &VideoPlayback::failed,
                     [&](const QString& reason) { failures << reason; });
    ASSERT_TRUE(playback.Open(path).ok());
    EXPECT_EQ(finished, 0);
    const uint64_t serial = playback.FrameSerial();
    playback.Play();
    EXPECT_TRUE(playback.IsRunning());
    ASSERT_TRUE(test::WaitFor([&] { return finished > 0; }));
    EXPECT_EQ(finished, 1);
    EXPECT_TRUE(failures.isEmpty()) << failures.join('\n').toStdString();
    EXPECT_GT(playback.FrameSerial(), serial);

    // Paused and sent back to the start, it plays again.
    playback.PauseIfNotPaused();
    playback.ToFirst();
    ASSERT_TRUE(playback.WaitSettled(5000));
    EXPECT_NEAR(playback.Position(), 0.0, 0.001);
    playback.Play();
    ASSERT_TRUE(test::WaitFor([&] { return finished > 1; }));
    EXPECT_EQ(finished, 2);
}

TEST(VideoPlayback, FilesItCannotPlayFailWithTheirReason) {
    const QString text = VideoPath("notes.avi");
    {
        QFile f(text);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write("these are not the frames you are looking for\n");
    }
    const QString damaged = VideoPath("damaged.avi");
    ASSERT_TRUE(test::MakeTestVideo(damaged, 50, 25));
    {
        QFile f(damaged);
        ASSERT_TRUE(f.open(QIODevice::ReadWrite));
        QByteArray head = f.read(512);
        for (int i = 12; i < head.size(); ++i)
            head[i] = char(0xA5 ^ i);
        f.seek(0);
        f.write(head);
    }
    const QString sound = VideoPath("sound only.wav");
    ASSERT_TRUE(test::MakeTestSound(sound));
    const QString empty = VideoPath("empty.avi");
    QFile(empty).open(QIODevice::WriteOnly);

    for (const QString& path : {VideoPath("missing.avi"), text, damaged, sound, empty}) {
        SCOPED_TRACE(path.toStdString());
        VideoPlayback playback;
        QElapsedTimer t;
        t.start();
        const Status r = playback.Open(path, 3000);
        EXPECT_LT(t.elapsed(), 6000);
        EXPECT_FALSE(r);
        EXPECT_FALSE(r.reason().isEmpty());
        EXPECT_FALSE(playback.IsOpen());
        // Everything does nothing on an empty player.
        playback.Play();
        playback.StepForward();
        playback.ToLast();
        EXPECT_EQ(playback.Duration(), 0.0);
        EXPECT_EQ(playback.Position(), 0.0);
        EXPECT_FALSE(playback.IsRunning());
    }
}

} // namespace
} // namespace tvx

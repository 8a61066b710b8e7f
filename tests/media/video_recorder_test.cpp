#include "media/video_recorder.h"
#include "tests/support/test_env.h"

extern "C" {
#include <libavformat/avformat.h>
}

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <chrono>
#include <gtest/gtest.h>
#include <thread>
#include <vector>

namespace tvx {
namespace {

struct Played {
    bool opened = false;
    int rate = 0;
    int width = 0;
    int packets = 0; // with a picture
    int samples = 0; // in the index, held ones included
    double seconds = 0;
};

Played Play(const QString& path) {
    Played p;
    AVFormatContext* fmt = nullptr;
    if (avformat_open_input(&fmt, path.toLocal8Bit().constData(), nullptr, nullptr) < 0) return p;
    if (avformat_find_stream_info(fmt, nullptr) >= 0 && fmt->nb_streams == 1) {
        p.opened = true;
        const AVStream* st = fmt->streams[0];
        p.rate = st->avg_frame_rate.num / std::max(1, st->avg_frame_rate.den);
        p.width = st->codecpar->width;
        p.samples = int(st->nb_frames);
        p.seconds = st->duration * av_q2d(st->time_base);
        AVPacket* pkt = av_packet_alloc();
        while (av_read_frame(fmt, pkt) >= 0) {
            if (pkt->size > 0) ++p.packets;
            av_packet_unref(pkt);
        }
        av_packet_free(&pkt);
    }
    avformat_close_input(&fmt);
    return p;
}

class Recorder : public ::testing::Test {
protected:
    void SetUp() override {
        folder = test::homeDir() + "/Video";
        QDir().mkpath(folder);
        recorder.SetFinishedHandler([this](const QString& p) { finished.push_back(p); });
    }
    // Reserves files as the window does: an empty file under the next free
    // name, one more each call.
    VideoRecorder::PathSource Names() {
        return [this] {
            for (;;) {
                QFile f(folder + QString("/Video_N%1.avi").arg(++counter, 4, 10, QChar('0')));
                if (f.open(QIODevice::NewOnly)) return RecordingTarget{f.fileName(), {}, 0};
            }
        };
    }
    void Deliver(int frames, int w = 320, int h = 240) {
        const int stride = (w * 3 + 3) & ~3;
        std::vector<uint8_t> px(size_t(stride) * h, 0x40);
        // Frames come from another thread, as from the streaming thread.
        std::thread t([&] {
            for (int i = 0; i < frames; ++i) {
                px[size_t(i) % px.size()] ^= 0xff;
                recorder.WriteFrame(px.data(), w, h, stride);
            }
        });
        t.join();
    }

    QString folder;
    int counter = 0;
    VideoRecorder recorder;
    std::vector<QString> finished;
};

TEST_F(Recorder, OneSamplePerDeliveredFrameAndANewSizeGoesOnInANewFile) {
    std::vector<QString> continued;
    recorder.SetContinuedHandler([&](const QString& closed, const QString& next, int w, int h) {
        continued.push_back(QString("%1 -> %2 at %3x%4").arg(closed, next).arg(w).arg(h));
    });
    AviError err;
    ASSERT_TRUE(recorder.Start(Names(), 320, 240, RecordingOptions{25, DefaultCompressor()}, &err))
        << AviErrorText(err).toStdString();
    EXPECT_TRUE(recorder.IsRecording());
    Deliver(17);
    Deliver(3, 640, 480); // the picture's size changed: a new file of that size
    recorder.Stop();
    EXPECT_FALSE(recorder.IsRecording());
    ASSERT_EQ(finished.size(), 2u);
    EXPECT_EQ(finished[0], folder + "/Video_N0001.avi");
    EXPECT_EQ(finished[1], folder + "/Video_N0002.avi");
    ASSERT_EQ(continued.size(), 1u);
    EXPECT_EQ(continued[0], finished[0] + " -> " + finished[1] + " at 640x480");
    const Played first = Play(finished[0]);
    ASSERT_TRUE(first.opened);
    EXPECT_EQ(first.rate, 25);
    EXPECT_EQ(first.packets, 17);
    EXPECT_EQ(first.width, 320);
    const Played second = Play(finished[1]);
    EXPECT_EQ(second.packets, 3);
    EXPECT_EQ(second.width, 640);
    const RecordingCounts counts = recorder.counts();
    EXPECT_EQ(counts.delivered, 20);
    EXPECT_EQ(counts.pictures, 20);
    EXPECT_EQ(counts.files, 2);
    // Frames after the stop go nowhere, and a second stop hands nothing on.
    Deliver(5);
    recorder.Stop();
    EXPECT_EQ(finished.size(), 2u);
}

TEST_F(Recorder, FramesTheEncoderCouldNotTakeKeepTheirTime) {
    // An encoder that has fallen behind: the queue fills, and every frame
    // beyond it still counts as a sample that shows the picture before it.
    recorder.SetQueueFrames(3);
    AviError err;
    ASSERT_TRUE(recorder.Start(Names(), 320, 240, RecordingOptions{10, DefaultCompressor()}, &err));
    recorder.PauseWriting(true);
    Deliver(10);
    recorder.PauseWriting(false);
    Deliver(2);
    recorder.PauseWriting(true);
    Deliver(8); // the last frames are held too: the file still lasts for them
    recorder.Stop();
    const RecordingCounts counts = recorder.counts();
    EXPECT_EQ(counts.delivered, 20);
    EXPECT_EQ(counts.pictures + counts.held, counts.delivered);
    EXPECT_GE(counts.held, 7 + 5);
    ASSERT_EQ(finished.size(), 1u);
    const Played p = Play(finished[0]);
    ASSERT_TRUE(p.opened);
    EXPECT_EQ(p.samples, 20);
    EXPECT_NEAR(p.seconds, 2.0, 0.001);
}

TEST_F(Recorder, AStopMidwayLeavesAPlayableFile) {
    // What the window does when the device is unplugged or it is closed
    // during a recording: Stop at once, frames still arriving. (A short
    // queue: what it holds is coded before the stop returns.)
    recorder.SetQueueFrames(8);
    AviError err;
    ASSERT_TRUE(recorder.Start(Names(), 640, 480, RecordingOptions{12, DefaultCompressor()}, &err));
    std::atomic<bool> go{true};
    std::thread stream([&] {
        std::vector<uint8_t> px(640 * 3 * 480, 0x10);
        // Far faster than any camera, but at a camera's steady pace.
        while (go.load()) {
            recorder.WriteFrame(px.data(), 640, 480, 640 * 3);
            std::this_thread::sleep_for(std::chrono::milliseconds(1));
        }
    });
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(20);
    while (recorder.framesWritten() < 8 && std::chrono::steady_clock::now() < deadline)
        std::this_thread::yield();
    recorder.Stop();
    go = false;
    stream.join();
    ASSERT_EQ(finished.size(), 1u);
    const Played p = Play(finished[0]);
    ASSERT_TRUE(p.opened);
    EXPECT_GE(p.packets, 8);
    // Whatever the encoder managed, the file lasts for every frame handed in.
    EXPECT_EQ(p.samples, recorder.counts().delivered);
}

TEST_F(Recorder, AFileThatHoldsSomethingIsNeverFilled) {
    // Only an empty reservation is taken: a path source that hands over a
    // file with content (made by hand since the reservation) refuses the
    // start and leaves the file as it was.
    QFile taken(folder + "/Video_N0001.avi");
    ASSERT_TRUE(taken.open(QIODevice::WriteOnly));
    taken.write("keep");
    taken.close();
    AviError err;
    EXPECT_FALSE(recorder.Start(
        [&] {
            return RecordingTarget{taken.fileName(), {}, 0};
        },
        320, 240, RecordingOptions{25, DefaultCompressor()}, &err));
    EXPECT_EQ(err.step, AviStep::OpenFile);
    EXPECT_FALSE(recorder.IsRecording());
    EXPECT_EQ(QFileInfo(taken.fileName()).size(), 4);
    // No name at all (the reservation failed) starts nothing either.
    EXPECT_FALSE(recorder.Start([] { return RecordingTarget{}; }, 320, 240,
                                RecordingOptions{25, DefaultCompressor()}, &err));
    EXPECT_EQ(err.step, AviStep::OpenFile);
    recorder.Stop();
    EXPECT_TRUE(finished.empty());
}

TEST_F(Recorder, ZeroRateRecordsAtTheDefaultRateForTheWidth) {
    AviError err;
    ASSERT_TRUE(recorder.Start(Names(), 640, 480, RecordingOptions{0, DefaultCompressor()}, &err));
    EXPECT_EQ(recorder.frameRate(), 12);
    Deliver(4, 640, 480);
    recorder.Stop();
    ASSERT_EQ(finished.size(), 1u);
    const Played p = Play(finished[0]);
    EXPECT_EQ(p.rate, 12);
    EXPECT_EQ(p.packets, 4);
}

TEST_F(Recorder, ARefusedStartLeavesNoFileAndRecordsNothing) {
    AviError err;
    EXPECT_FALSE(
        recorder.Start(Names(), 322, 240, RecordingOptions{25, DefaultCompressor()}, &err));
    EXPECT_EQ(err.step, AviStep::UnsupportedFormat);
    EXPECT_FALSE(recorder.IsRecording());
    Deliver(3, 322, 240);
    recorder.Stop();
    EXPECT_TRUE(finished.empty());
    EXPECT_TRUE(QDir(folder).entryList(QDir::Files).isEmpty());
}

TEST(RecordingSeconds, ALimitStopsAtItsSecondAndSoundsOnTheNextTick) {
    RecordingSeconds s;
    s.Reset(1);
    EXPECT_EQ(s.Tick(), SecondTick::StopAtLimit);
    EXPECT_EQ(s.Tick(), SecondTick::LimitPassed);
    s.Reset(3);
    EXPECT_EQ(s.Tick(), SecondTick::ShowSeconds);
    EXPECT_EQ(s.Tick(), SecondTick::ShowSeconds);
    EXPECT_EQ(s.Tick(), SecondTick::StopAtLimit);
    EXPECT_EQ(s.elapsed(), 3);
    s.Reset(kNoTimeLimit);
    for (int i = 0; i < 1000; ++i)
        ASSERT_EQ(s.Tick(), SecondTick::ShowSeconds);
}

} // namespace
} // namespace tvx

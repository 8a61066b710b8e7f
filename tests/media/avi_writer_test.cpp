// Recordings are read back with libavformat: what a player sees is what
// counts.
#include "media/avi_writer.h"
#include "media/compressors.h"
#include "media/first_frame.h"
#include "media/video_recorder.h"
#include "tests/support/test_env.h"

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavformat/avformat.h>
}

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <algorithm>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <gtest/gtest.h>
#include <sys/resource.h>
#include <vector>

namespace tvx {
namespace {

struct FileFacts {
    bool opened = false;
    AVCodecID codec = AV_CODEC_ID_NONE;
    uint32_t tag = 0;
    AVRational rate{0, 1};
    int width = 0, height = 0;
    int packets = 0;    // with a picture
    int keyPackets = 0; // of those, marked as key frames
    int samples = 0;    // in the index, held ones included
    int decoded = 0;
};

// Opens a file as a player would and decodes every frame.
FileFacts ReadBack(const QString& path) {
    FileFacts f;
    AVFormatContext* fmt = nullptr;
    if (avformat_open_input(&fmt, path.toLocal8Bit().constData(), nullptr, nullptr) < 0) return f;
    if (avformat_find_stream_info(fmt, nullptr) < 0 || fmt->nb_streams != 1) {
        avformat_close_input(&fmt);
        return f;
    }
    f.opened = true;
    AVStream* st = fmt->streams[0];
    f.codec = st->codecpar->codec_id;
    f.tag = st->codecpar->codec_tag;
    f.rate = st->avg_frame_rate.num ? st->avg_frame_rate : st->r_frame_rate;
    f.width = st->codecpar->width;
    f.height = st->codecpar->height;
    f.samples = int(st->nb_frames);
    const AVCodec* dec = avcodec_find_decoder(f.codec);
    AVCodecContext* ctx = avcodec_alloc_context3(dec);
    avcodec_parameters_to_context(ctx, st->codecpar);
    const bool canDecode = dec && avcodec_open2(ctx, dec, nullptr) >= 0;
    AVPacket* pkt = av_packet_alloc();
    AVFrame* frame = av_frame_alloc();
    auto drain = [&] {
        while (avcodec_receive_frame(ctx, frame) >= 0)
            ++f.decoded;
    };
    while (av_read_frame(fmt, pkt) >= 0) {
        if (pkt->size > 0) {
            ++f.packets;
            if (pkt->flags & AV_PKT_FLAG_KEY) ++f.keyPackets;
        }
        if (canDecode && avcodec_send_packet(ctx, pkt) >= 0) drain();
        av_packet_unref(pkt);
    }
    if (canDecode) {
        avcodec_send_packet(ctx, nullptr);
        drain();
    }
    av_frame_free(&frame);
    av_packet_free(&pkt);
    avcodec_free_context(&ctx);
    avformat_close_input(&fmt);
    return f;
}

// A frame with a gradient, so encoders have something to code.
std::vector<uint8_t> TestFrame(int w, int h, int shift, int* stride) {
    *stride = (w * 3 + 3) & ~3;
    std::vector<uint8_t> px(size_t(*stride) * h);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) {
            uint8_t* p = &px[size_t(y) * *stride + x * 3];
            p[0] = uint8_t(x + shift);
            p[1] = uint8_t(y);
            p[2] = uint8_t((x ^ y) + shift);
        }
    return px;
}

QString VideoDir() {
    const QString dir = test::homeDir() + "/Video";
    QDir().mkpath(dir);
    return dir;
}

// The writer fills a file reserved for it, as the window's exclusive name
// reservation makes one: empty, under a free name.
QString Reserved(const QString& name) {
    const QString path = VideoDir() + "/" + name;
    QFile f(path);
    f.open(QIODevice::NewOnly);
    return path;
}

TEST(AviWriter, DefaultRecordingPlaysAtItsRateWithEveryFrame) {
    const QString path = Reserved("a.avi");
    AviError err;
    auto w = AviWriter::Open(path, 320, 240, 25, DefaultCompressor(), &err);
    ASSERT_TRUE(w) << AviErrorText(err).toStdString();
    int stride = 0;
    for (int i = 0; i < 30; ++i) {
        auto px = TestFrame(320, 240, i, &stride);
        ASSERT_TRUE(w->WriteFrame(px.data(), stride, &err));
    }
    ASSERT_TRUE(w->Close(&err));
    const FileFacts f = ReadBack(path);
    ASSERT_TRUE(f.opened);
    EXPECT_EQ(f.codec, AV_CODEC_ID_MSVIDEO1);
    EXPECT_EQ(f.tag, MKTAG('M', 'S', 'V', 'C'));
    EXPECT_EQ(f.rate.num, 25);
    EXPECT_EQ(f.rate.den, 1);
    EXPECT_EQ(f.width, 320);
    EXPECT_EQ(f.height, 240);
    EXPECT_EQ(f.packets, 30);
    EXPECT_EQ(f.decoded, 30);
    // Every sample is a key frame: any one can be cut out or lost alone.
    EXPECT_EQ(f.keyPackets, 30);
}

TEST(AviWriter, EveryOfferedEncoderThatCanCodesEachSampleAsAKeyFrame) {
    // Some encoders have no key frames of their own to give (every frame
    // stands alone, or the format marks none); the rest must obey.
    for (const CompressorInfo& c : AvailableCompressors(160, 120)) {
        const QString path = Reserved(QString::fromStdString(c.encoder) + ".avi");
        AviError err;
        auto w = AviWriter::Open(path, 160, 120, 10, CompressorChoice{c.encoder, -1}, &err);
        ASSERT_TRUE(w) << c.encoder << ": " << AviErrorText(err).toStdString();
        int stride = 0;
        for (int i = 0; i < 4; ++i) {
            auto px = TestFrame(160, 120, i * 5, &stride);
            ASSERT_TRUE(w->WriteFrame(px.data(), stride, &err)) << c.encoder;
        }
        ASSERT_TRUE(w->Close(&err)) << c.encoder;
        const FileFacts f = ReadBack(path);
        EXPECT_EQ(f.packets, 4) << c.encoder;
        EXPECT_EQ(f.keyPackets, f.packets) << c.encoder;
    }
}

TEST(AviWriter, HeldSamplesKeepTheirTimeAndShowThePictureBefore) {
    const QString path = Reserved("held.avi");
    AviError err;
    auto w = AviWriter::Open(path, 64, 48, 10, DefaultCompressor(), &err);
    ASSERT_TRUE(w) << AviErrorText(err).toStdString();
    int stride = 0;
    auto a = TestFrame(64, 48, 0, &stride);
    auto b = TestFrame(64, 48, 40, &stride);
    ASSERT_TRUE(w->WriteFrame(a.data(), stride, &err));
    ASSERT_TRUE(w->WriteFrame(a.data(), stride, &err));
    ASSERT_TRUE(w->WriteFrameAt(5, b.data(), stride, &err)); // samples 2..4 held
    ASSERT_TRUE(w->HoldUntil(9, &err));                      // the file lasts to sample 9
    EXPECT_EQ(w->length(), 10);
    ASSERT_TRUE(w->Close(&err));
    const FileFacts f = ReadBack(path);
    ASSERT_TRUE(f.opened);
    EXPECT_EQ(f.samples, 10);
    EXPECT_EQ(f.packets, 4);
}

// Frames straight from the capture pipeline lie top-down in memory and
// come with a negative stride; the file must be the same as from the same
// picture stored bottom-up.
TEST(AviWriter, TopDownFramesGiveTheSameFileAsBottomUpOnes) {
    const QString paths[2] = {Reserved("up.avi"), Reserved("down.avi")};
    for (int run = 0; run < 2; ++run) {
        AviError err;
        auto w = AviWriter::Open(paths[run], 64, 48, 10, DefaultCompressor(), &err);
        ASSERT_TRUE(w) << AviErrorText(err).toStdString();
        for (int i = 0; i < 3; ++i) {
            int stride = 0;
            auto px = TestFrame(64, 48, i, &stride);
            if (run == 0) {
                ASSERT_TRUE(w->WriteFrame(px.data(), stride, &err));
                continue;
            }
            // The same rows turned over, read upward from the last one.
            std::vector<uint8_t> topDown(px.size());
            for (int y = 0; y < 48; ++y)
                std::copy_n(&px[size_t(y) * stride], stride, &topDown[size_t(47 - y) * stride]);
            ASSERT_TRUE(w->WriteFrame(&topDown[size_t(47) * stride], -stride, &err));
        }
        ASSERT_TRUE(w->Close(&err));
    }
    QFile a(paths[0]), b(paths[1]);
    ASSERT_TRUE(a.open(QIODevice::ReadOnly) && b.open(QIODevice::ReadOnly));
    const QByteArray up = a.readAll();
    EXPECT_GT(up.size(), 1000);
    EXPECT_EQ(up, b.readAll());
}

TEST(AviWriter, MjpegKeepsEveryFrameAndAnExplicitQuality) {
    const QString coarsePath = Reserved("coarse.avi");
    const QString finePath = Reserved("fine.avi");
    for (const auto& [path, quality] : {std::pair{coarsePath, 5}, std::pair{finePath, 95}}) {
        AviError err;
        auto w = AviWriter::Open(path, 640, 480, 12, CompressorChoice{"mjpeg", quality}, &err);
        ASSERT_TRUE(w) << AviErrorText(err).toStdString();
        int stride = 0;
        for (int i = 0; i < 5; ++i) {
            auto px = TestFrame(640, 480, i * 7, &stride);
            ASSERT_TRUE(w->WriteFrame(px.data(), stride, &err));
        }
        ASSERT_TRUE(w->Close(&err));
        const FileFacts f = ReadBack(path);
        EXPECT_EQ(f.codec, AV_CODEC_ID_MJPEG);
        EXPECT_EQ(f.decoded, 5);
        EXPECT_EQ(f.rate.num, 12);
    }
    // The quality reaches the encoder: a finer quantiser makes a larger file.
    EXPECT_GT(QFileInfo(finePath).size(), QFileInfo(coarsePath).size() * 3 / 2);
}

TEST(AviWriter, RefusedSizeGivesItsMessageAndNoFile) {
    const QString path = VideoDir() + "/odd.avi";
    AviError err;
    EXPECT_FALSE(AviWriter::Open(path, 642, 480, 12, DefaultCompressor(), &err));
    EXPECT_EQ(err.step, AviStep::UnsupportedFormat);
    const QString text = AviErrorText(err);
    EXPECT_TRUE(text.startsWith("Unsupport compressed format")) << text.toStdString();
    EXPECT_TRUE(text.contains("642x480")) << text.toStdString();
    EXPECT_FALSE(QFileInfo::exists(path));

    EXPECT_FALSE(AviWriter::Open(path, 320, 240, 12, CompressorChoice{"no-such-codec", -1}, &err));
    EXPECT_EQ(err.step, AviStep::MakeCompressor);
    EXPECT_TRUE(AviErrorText(err).startsWith("Make compress stream failed(0x"));
    EXPECT_FALSE(QFileInfo::exists(path));
}

TEST(AviWriter, NeverOverwritesAFile) {
    const QString path = VideoDir() + "/taken.avi";
    QFile f(path);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write("precious");
    f.close();
    AviError err;
    EXPECT_FALSE(AviWriter::Open(path, 320, 240, 25, DefaultCompressor(), &err));
    EXPECT_EQ(err.step, AviStep::OpenFile);
    EXPECT_TRUE(AviErrorText(err).startsWith("Open avi file failed(0x"))
        << AviErrorText(err).toStdString();
    ASSERT_TRUE(f.open(QIODevice::ReadOnly));
    EXPECT_EQ(f.readAll(), QByteArray("precious"));
    f.close();
    // Nor does it make a file of its own: names are taken by the reservation.
    const QString unreserved = VideoDir() + "/unreserved.avi";
    EXPECT_FALSE(AviWriter::Open(unreserved, 320, 240, 25, DefaultCompressor(), &err));
    EXPECT_EQ(err.step, AviStep::OpenFile);
    EXPECT_FALSE(QFileInfo::exists(unreserved));
}

// A file-size limit stands in for a full disk: writes past it fail with
// EFBIG exactly where a full disk fails with ENOSPC.
class FileSizeLimit {
public:
    explicit FileSizeLimit(rlim_t bytes) {
        getrlimit(RLIMIT_FSIZE, &old_);
        oldHandler_ = signal(SIGXFSZ, SIG_IGN);
        rlimit lim = old_;
        lim.rlim_cur = bytes;
        setrlimit(RLIMIT_FSIZE, &lim);
    }
    ~FileSizeLimit() {
        setrlimit(RLIMIT_FSIZE, &old_);
        signal(SIGXFSZ, oldHandler_);
    }

private:
    rlimit old_{};
    sighandler_t oldHandler_{};
};

TEST(AviWriter, FullDiskStopsWithItsReasonAndKeepsWhatWasWritten) {
    const QString path = Reserved("full.avi");
    AviError err;
    int written = 0;
    bool failed = false;
    {
        FileSizeLimit limit(400 * 1024);
        auto w = AviWriter::Open(path, 640, 480, 12, CompressorChoice{"mjpeg", 100}, &err);
        ASSERT_TRUE(w) << AviErrorText(err).toStdString();
        int stride = 0;
        for (int i = 0; i < 400 && !failed; ++i) {
            auto px = TestFrame(640, 480, i * 13, &stride);
            if (w->WriteFrame(px.data(), stride, &err))
                ++written;
            else
                failed = true;
        }
        EXPECT_FALSE(w->WriteFrame(nullptr, 0, nullptr)); // nothing more goes in
        w->Close();
    }
    ASSERT_TRUE(failed) << "the limit was never reached";
    EXPECT_EQ(err.step, AviStep::WriteFile);
    EXPECT_TRUE(AviErrorText(err).startsWith("Write avi file failed(0x"));
    EXPECT_NE(err.reason.find("large"), std::string::npos) << err.reason; // "File too large"
    const FileFacts f = ReadBack(path);
    ASSERT_TRUE(f.opened);
    EXPECT_GT(f.decoded, 0);
    EXPECT_LE(f.decoded, written + 1); // the refused frame may have reached the disk in part
}

TEST(FrameRate, ZeroAndSillyRatesStillGiveAPlayableRate) {
    EXPECT_EQ(EffectiveFrameRate(0, 320), 25);
    EXPECT_EQ(EffectiveFrameRate(0, 640), 12);
    EXPECT_EQ(EffectiveFrameRate(-5, 720), 10);
    EXPECT_EQ(EffectiveFrameRate(0, 1024), 10);
    EXPECT_EQ(EffectiveFrameRate(7, 640), 7);
    EXPECT_EQ(EffectiveFrameRate(500, 640), 30);
}

TEST(Compressors, ListHasTheDefaultFirstAndOnlyEncodersThatOpen) {
    const auto list = AvailableCompressors(640, 480);
    ASSERT_FALSE(list.empty());
    EXPECT_EQ(list.front().encoder, "msvideo1");
    EXPECT_EQ(list.front().fourcc, uint32_t(MKTAG('M', 'S', 'V', 'C')));
    bool mjpeg = false;
    for (const CompressorInfo& c : list) {
        EXPECT_NE(std::find(AllowedEncoders().begin(), AllowedEncoders().end(), c.encoder),
                  AllowedEncoders().end());
        if (c.encoder == "mjpeg") {
            mjpeg = true;
            EXPECT_TRUE(c.hasQuality);
        }
        if (c.encoder == "msvideo1") {
            EXPECT_FALSE(c.hasQuality);
        }
    }
    EXPECT_TRUE(mjpeg);
    // At a size Microsoft Video 1 cannot code it is not offered.
    for (const CompressorInfo& c : AvailableCompressors(642, 482))
        EXPECT_NE(c.encoder, "msvideo1");
}

// FFmpeg comes in a module loaded on first use. Without it the program still
// runs: a recording fails with the loader's own words, the encoder list is
// empty and a video gets no thumbnail. The outcome of loading is kept for
// the run, so this runs in a process of its own.
TEST(CodecModule, WithoutItARecordingFailsWithTheLoadersReason) {
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    const QString path = VideoDir() + "/unmade.avi";
    EXPECT_EXIT(
        {
            ::setenv("TAVOLUX_FFMPEG_MODULE", "/nonexistent/tavolux-ffmpeg.so", 1);
            AviError err;
            const bool opened =
                bool(AviWriter::Open(path, 320, 240, 12, DefaultCompressor(), &err));
            ThumbnailRecord record;
            const LoadResult thumb = LoadVideoFirstFrameFromMemory(record, QByteArray("RIFF"));
            std::fprintf(stderr, "%s\n%s\n", AviErrorText(err).toUtf8().constData(),
                         thumb.reason.toUtf8().constData());
            const bool failedRight = !opened && err.step == AviStep::MakeCompressor &&
                                     AvailableCompressors(320, 240).empty() && !thumb.ok() &&
                                     record.dibSize == 0 && !QFileInfo::exists(path);
            std::exit(failedRight ? 0 : 1);
        },
        ::testing::ExitedWithCode(0),
        "Make compress stream failed.*\n.*/nonexistent/tavolux-ffmpeg.so: cannot open shared "
        "object file: No such file or directory\n.*/nonexistent/tavolux-ffmpeg.so");
}

} // namespace
} // namespace tvx

// The stored capture format applied as a whole (size, rate, pixel format)
// where the device offers it, and part by part where it does not.
#include "capture/capture_engine.h"
#include "capture/sim_microscope.h"
#include "tests/capture/frame_collector.h"
#include "tests/capture/jpeg_camera.h"
#include "tests/support/status.h"

#include <QByteArray>
#include <QFile>
#include <QStringList>
#include <gtest/gtest.h>
#include <mutex>

namespace tvx {
namespace {

constexpr uint32_t kYuy2 = FourCC('Y', 'U', 'Y', '2');
constexpr uint32_t kMjpg = FourCC('M', 'J', 'P', 'G');

// A header as the device would have reported it: the interval is in whole
// 100 ns units, truncated.
VideoInfoHeader Stored(int w, int h, int fps, uint32_t fourcc, uint16_t bits) {
    VideoInfoHeader v;
    v.avgTimePerFrame = 10000000 / fps;
    v.biCompression = fourcc;
    v.biBitCount = bits;
    return ResizedFormat(v, w, h);
}

// Lines logged under "tavolux.capture" while it lives.
class CaptureLog {
public:
    CaptureLog() {
        current_ = this;
        previous_ = qInstallMessageHandler(&CaptureLog::Handle);
    }
    ~CaptureLog() {
        qInstallMessageHandler(previous_);
        current_ = nullptr;
    }
    QString Text() {
        std::lock_guard<std::mutex> lock(m_);
        return lines_.join('\n');
    }

private:
    static void Handle(QtMsgType, const QMessageLogContext& context, const QString& text) {
        CaptureLog* self = current_;
        if (!self || !context.category || qstrcmp(context.category, "tavolux.capture") != 0) return;
        std::lock_guard<std::mutex> lock(self->m_);
        self->lines_ << text;
    }
    static inline CaptureLog* current_ = nullptr;
    QtMessageHandler previous_ = nullptr;
    std::mutex m_;
    QStringList lines_;
};

struct Rig {
    test::FrameCollector frames;
    CaptureEngine engine;
    explicit Rig(DeviceProvider* provider) : engine(std::vector<DeviceProvider*>{provider}) {
        engine.SetFrameReceiver(&frames);
        engine.SetWindows(nullptr);
    }
    ~Rig() {
        engine.Stop();
        engine.ReleaseAll();
    }
    bool Start() {
        return engine.CreateDeviceEnumerator() && engine.EnumerateDevices() &&
               engine.BuildGraph() && engine.BuildPreview() && engine.Run();
    }
    // What the source and the capture branch agreed on, once frames flow.
    QByteArray Negotiated() {
        const GstUnique<GstElement> filter(
            kAdopt, gst_bin_get_by_name(GST_BIN(engine.Pipeline()), "format"));
        if (!filter) return {};
        const GstUnique<GstPad> pad(kAdopt, gst_element_get_static_pad(filter.get(), "src"));
        const GstUnique<GstCaps> caps(kAdopt, pad ? gst_pad_get_current_caps(pad.get()) : nullptr);
        if (!caps) return {};
        char* text = gst_caps_to_string(caps.get());
        const QByteArray out(text);
        g_free(text);
        return out;
    }
};

Rig* SimRig() {
    auto* sim = new SimulatedMicroscope;
    sim->SetDrift(false);
    return new Rig(sim);
}

TEST(StoredFormat, HeaderMapsToCapsAndBack) {
    ASSERT_TRUE(EnsureGStreamer());
    // Intervals as devices report them: whole 100 ns units.
    const struct {
        int64_t interval;
        int num, den;
    } rates[] = {{333333, 30, 1},
                 {833333, 12, 1},
                 {1333333, 15, 2},
                 {333667, 30000, 1001},
                 {10000000, 1, 1},
                 {20000000, 1, 2},
                 {1234567, 10000000, 1234567}};
    for (const auto& r : rates) {
        SCOPED_TRACE(r.interval);
        int num = 0, den = 0;
        ASSERT_TRUE(FrameRate(r.interval, &num, &den));
        EXPECT_EQ(num, r.num);
        EXPECT_EQ(den, r.den);
    }
    int num = 7, den = 7;
    EXPECT_FALSE(FrameRate(0, &num, &den));
    EXPECT_FALSE(FrameRate(-5, &num, &den));
    EXPECT_EQ(num, 7);

    auto pixels = [](uint32_t fourcc, uint16_t bits) {
        VideoInfoHeader h;
        h.biCompression = fourcc;
        h.biBitCount = bits;
        const GstUnique<GstCaps> caps(kAdopt, PixelCaps(h));
        if (!caps) return std::string("none");
        char* text = gst_caps_to_string(caps.get());
        std::string out(text);
        g_free(text);
        return out;
    };
    EXPECT_EQ(pixels(kYuy2, 16), "video/x-raw, format=(string)YUY2");
    EXPECT_EQ(pixels(0, 24), "video/x-raw, format=(string)BGR");
    EXPECT_EQ(pixels(0, 32), "video/x-raw, format=(string)BGRx");
    EXPECT_EQ(pixels(FourCC('I', '4', '2', '0'), 12), "video/x-raw, format=(string)I420");
    EXPECT_EQ(pixels(kMjpg, 24), "image/jpeg");
    EXPECT_EQ(pixels(0, 8), "none"); // a palette
    EXPECT_EQ(pixels(FourCC('Q', 'Z', 'X', '9'), 16), "none");

    // A header turned into caps describes the same format again.
    for (const VideoInfoHeader& h :
         {Stored(640, 480, 12, kYuy2, 16), Stored(720, 576, 25, 0, 24),
          Stored(1280, 720, 30, FourCC('N', 'V', '1', '2'), 12), Stored(720, 480, 15, kMjpg, 24)}) {
        SCOPED_TRACE(h.biWidth);
        const GstUnique<GstCaps> px(kAdopt, PixelCaps(h));
        ASSERT_TRUE(px);
        const GstUnique<GstCaps> caps(kAdopt, FormatCaps(px.get(), h, true));
        VideoInfoHeader back;
        ASSERT_TRUE(FormatFromCaps(caps.get(), &back));
        EXPECT_EQ(back.biWidth, h.biWidth);
        EXPECT_EQ(back.biHeight, h.biHeight);
        EXPECT_EQ(back.biCompression, h.biCompression);
        EXPECT_EQ(back.biBitCount, h.biBitCount);
        EXPECT_EQ(back.avgTimePerFrame, h.avgTimePerFrame);
        const GstUnique<GstCaps> sized(kAdopt, FormatCaps(px.get(), h, false));
        EXPECT_FALSE(gst_structure_has_field(gst_caps_get_structure(sized.get(), 0), "framerate"));
    }
}

TEST(StoredFormat, RateAndPixelFormatAreAppliedWhereOffered) {
    for (const int fps : {12, 5}) {
        SCOPED_TRACE(fps);
        ASSERT_TRUE(WriteCapConfigFile(CapConfigPath(), Stored(640, 480, fps, kYuy2, 16)));
        CaptureLog log;
        std::unique_ptr<Rig> rig(SimRig());
        ASSERT_TRUE(rig->Start());
        ASSERT_TRUE(rig->frames.WaitFrames(2, 640, 480));
        const QByteArray caps = rig->Negotiated();
        EXPECT_TRUE(caps.contains("format=(string)YUY2")) << caps.constData();
        EXPECT_TRUE(
            caps.contains(QByteArray("framerate=(fraction)") + QByteArray::number(fps) + "/1"))
            << caps.constData();
        const VideoInfoHeader applied = rig->engine.CurrentFormat();
        EXPECT_EQ(applied.biCompression, kYuy2);
        EXPECT_EQ(applied.avgTimePerFrame, 10000000 / fps);
        EXPECT_FALSE(log.Text().contains("does not offer")) << log.Text().toStdString();
    }
}

TEST(StoredFormat, UnofferedRateFallsBackToTheDevicesAndKeepsTheRest) {
    // 640 × 480 in YUY2 at a rate the microscope does not have.
    ASSERT_TRUE(WriteCapConfigFile(CapConfigPath(), Stored(640, 480, 30, kYuy2, 16)));
    CaptureLog log;
    std::unique_ptr<Rig> rig(SimRig());
    ASSERT_TRUE(rig->Start());
    ASSERT_TRUE(rig->frames.WaitFrames(2, 640, 480));
    const QByteArray caps = rig->Negotiated();
    EXPECT_TRUE(caps.contains("framerate=(fraction)12/1")) << caps.constData();
    EXPECT_TRUE(caps.contains("format=(string)YUY2")) << caps.constData();
    EXPECT_TRUE(caps.contains("width=(int)640")) << caps.constData();
    EXPECT_EQ(rig->engine.CurrentFormat().avgTimePerFrame, 833333);
    EXPECT_TRUE(log.Text().contains("does not offer 30/1 frames a second at 640 x 480"))
        << log.Text().toStdString();

    // A size change keeps the pixel format and takes that size's rate.
    EXPECT_TRUE(test::Succeeded(rig->engine.SetResolution(720, 480)));
    ASSERT_TRUE(rig->frames.WaitFrames(2, 720, 480));
    EXPECT_TRUE(rig->Negotiated().contains("format=(string)YUY2"));
    EXPECT_TRUE(rig->Negotiated().contains("framerate=(fraction)10/1"));
    VideoInfoHeader stored;
    ASSERT_TRUE(ReadCapConfigFile(CapConfigPath(), &stored));
    EXPECT_EQ(stored.biCompression, kYuy2);
    EXPECT_EQ(stored.biWidth, 720);
}

TEST(StoredFormat, UnknownPixelFormatFallsBackToTheDevicesAndKeepsTheRest) {
    ASSERT_TRUE(
        WriteCapConfigFile(CapConfigPath(), Stored(640, 480, 5, FourCC('Q', 'Z', 'X', '9'), 16)));
    CaptureLog log;
    std::unique_ptr<Rig> rig(SimRig());
    ASSERT_TRUE(rig->Start());
    ASSERT_TRUE(rig->frames.WaitFrames(2, 640, 480));
    const QByteArray caps = rig->Negotiated();
    EXPECT_TRUE(caps.contains("format=(string)BGR")) << caps.constData();
    EXPECT_TRUE(caps.contains("framerate=(fraction)5/1")) << caps.constData();
    EXPECT_EQ(rig->engine.CurrentFormat().biCompression, 0u);
    EXPECT_EQ(rig->engine.CurrentFormat().biBitCount, 24);
    EXPECT_TRUE(log.Text().contains("QZX9")) << log.Text().toStdString();
}

TEST(StoredFormat, DamagedFileIsIgnored) {
    QByteArray bytes = SerializeCapConfig(Stored(720, 480, 5, kYuy2, 16));
    bytes[48] = 99; // the header size
    QFile f(CapConfigPath());
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write(bytes);
    f.close();
    std::unique_ptr<Rig> rig(SimRig());
    ASSERT_TRUE(rig->Start());
    ASSERT_TRUE(rig->frames.WaitFrames(2, 640, 480));
    const QByteArray caps = rig->Negotiated();
    EXPECT_TRUE(caps.contains("format=(string)BGR")) << caps.constData();
    EXPECT_TRUE(caps.contains("framerate=(fraction)12/1")) << caps.constData();
}

TEST(StoredFormat, JpegOnlyCameraTakesJpegWhateverWasStored) {
    // Stored from another camera: raw YUY2, which this one does not have.
    ASSERT_TRUE(WriteCapConfigFile(CapConfigPath(), Stored(720, 480, 15, kYuy2, 16)));
    {
        Rig rig(new test::JpegCameraProvider);
        ASSERT_TRUE(rig.Start());
        ASSERT_TRUE(rig.frames.WaitFrames(2, 720, 480));
        EXPECT_TRUE(rig.Negotiated().startsWith("image/jpeg")) << rig.Negotiated().constData();
        EXPECT_EQ(rig.engine.CurrentFormat().biCompression, kMjpg);
    }
    // Stored as JPEG with a rate: the camera is asked for that rate.
    ASSERT_TRUE(WriteCapConfigFile(CapConfigPath(), Stored(640, 480, 15, kMjpg, 24)));
    Rig rig(new test::JpegCameraProvider);
    ASSERT_TRUE(rig.Start());
    ASSERT_TRUE(rig.frames.WaitFrames(2, 640, 480));
    EXPECT_TRUE(rig.Negotiated().contains("framerate=(fraction)15/1"))
        << rig.Negotiated().constData();
}

} // namespace
} // namespace tvx

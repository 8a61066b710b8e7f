// Cameras other than the microscope, through the engine's path for real
// cameras: format choice, JPEG decoding, hot-plug and the button.
#include "capture/capture_engine.h"
#include "capture/device_listing.h"
#include "capture/test_cameras.h"
#include "platform/button_input.h"
#include "tests/capture/frame_collector.h"
#include "tests/support/status.h"
#include "tests/support/wait.h"

#include <QCoreApplication>
#include <QStringList>
#include <gtest/gtest.h>

namespace tvx {
namespace {

constexpr uint32_t kYuy2 = FourCC('Y', 'U', 'Y', '2');
constexpr uint32_t kMjpg = FourCC('M', 'J', 'P', 'G');

// A 5-megapixel UVC microscope's format list, written by hand after the
// `v4l2-ctl --list-formats-ext` outputs people publish for the common
// models: raw YUYV crawls at large sizes (USB 2.0 bandwidth), MJPG keeps up.
constexpr const char* kMicroscopeFormats =
    "image/jpeg, width=(int)2592, height=(int)1944, framerate=(fraction){ 15/1, 10/1, 5/1 }; "
    "image/jpeg, width=(int)2048, height=(int)1536, framerate=(fraction){ 15/1, 10/1 }; "
    "image/jpeg, width=(int)1920, height=(int)1080, framerate=(fraction){ 30/1, 15/1 }; "
    "image/jpeg, width=(int)1280, height=(int)720, framerate=(fraction){ 30/1, 15/1 }; "
    "image/jpeg, width=(int)640, height=(int)480, framerate=(fraction){ 30/1, 15/1 }; "
    "video/x-raw, format=(string)YUY2, width=(int)2592, height=(int)1944, "
    "framerate=(fraction){ 2/1 }; "
    "video/x-raw, format=(string)YUY2, width=(int)1920, height=(int)1080, "
    "framerate=(fraction){ 5/1 }; "
    "video/x-raw, format=(string)YUY2, width=(int)1280, height=(int)720, "
    "framerate=(fraction){ 10/1, 5/1 }; "
    "video/x-raw, format=(string)YUY2, width=(int)800, height=(int)600, "
    "framerate=(fraction){ 20/1, 10/1 }; "
    "video/x-raw, format=(string)YUY2, width=(int)640, height=(int)480, "
    "framerate=(fraction){ 30/1, 15/1 }; "
    "video/x-raw, format=(string)YUY2, width=(int)320, height=(int)240, "
    "framerate=(fraction)30/1";

struct Rig {
    test::FrameCollector frames;
    TestCameraProvider* provider;
    CaptureEngine engine;
    explicit Rig(TestCameraProvider* p) : provider(p), engine(std::vector<DeviceProvider*>{p}) {
        engine.SetFrameReceiver(&frames);
        engine.SetWindows(nullptr);
        engine.AllowOtherCameras(true);
    }
    ~Rig() {
        engine.Stop();
        engine.ReleaseAll();
    }
    bool Build() {
        return engine.CreateDeviceEnumerator() && engine.EnumerateDevices() &&
               engine.BuildGraph() && engine.BuildPreview();
    }
    bool Decodes() {
        const GstUnique<GstElement> decode(
            kAdopt, gst_bin_get_by_name(GST_BIN(engine.Pipeline()), "decode"));
        return decode.get() != nullptr;
    }
};

TEST(UvcCamera, EachSizeGetsTheFormatThatKeepsItSmooth) {
    ASSERT_TRUE(EnsureGStreamer());
    Rig rig(new TestCameraProvider({std::make_shared<TestCamera>(
        "scope", "Microscope", QString::fromLatin1(kMicroscopeFormats))}));
    ASSERT_TRUE(rig.Build());
    const struct {
        int w, h;
        uint32_t fourcc;
        int fps;
    } cases[] = {
        // The rate goes with the format from size to size where the camera
        // offers it there, else the camera's first rate is taken. The
        // first format is the camera's first size's, at 15 a second.
        {640, 480, kYuy2, 15},   {320, 240, kYuy2, 30},   {800, 600, kYuy2, 20},
        {1280, 720, kMjpg, 30},  {1920, 1080, kMjpg, 30}, {2592, 1944, kMjpg, 15},
        {2048, 1536, kMjpg, 15}, {640, 480, kYuy2, 15}, // back from JPEG to raw
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::Message() << c.w << "x" << c.h);
        EXPECT_TRUE(test::Succeeded(rig.engine.SetResolution(c.w, c.h)));
        const VideoInfoHeader f = rig.engine.CurrentFormat();
        EXPECT_EQ(f.biWidth, c.w);
        EXPECT_EQ(std::abs(f.biHeight), c.h);
        EXPECT_EQ(f.biCompression, c.fourcc);
        EXPECT_EQ(FramesPerSecond(f.avgTimePerFrame), c.fps);
        EXPECT_EQ(rig.Decodes(), c.fourcc == kMjpg);
    }
    EXPECT_FALSE(rig.engine.SetResolution(1024, 768)); // not offered in any form
}

// Each size lists the rates of the frames it is asked for in, fastest
// first; a rate chosen with a size is taken and kept with it.
TEST(UvcCamera, EachSizeOffersItsRatesAndAChosenRateIsKept) {
    ASSERT_TRUE(EnsureGStreamer());
    Rig rig(new TestCameraProvider({std::make_shared<TestCamera>(
        "scope", "Microscope", QString::fromLatin1(kMicroscopeFormats))}));
    ASSERT_TRUE(rig.Build());
    const auto rates = [&](int w, int h) {
        std::vector<double> out;
        for (const OfferedRate& r : rig.engine.OfferedRates(QSize(w, h)))
            out.push_back(r.value());
        return out;
    };
    EXPECT_EQ(rates(2592, 1944), (std::vector<double>{15, 10, 5})); // JPEG's, not raw's 2
    EXPECT_EQ(rates(1280, 720), (std::vector<double>{30, 15}));
    EXPECT_EQ(rates(640, 480), (std::vector<double>{30, 15})); // raw, both kinds list them
    EXPECT_EQ(rates(320, 240), (std::vector<double>{30}));
    EXPECT_TRUE(rates(1024, 768).empty());

    ASSERT_TRUE(
        test::Succeeded(rig.engine.SetResolution(2592, 1944, OfferedRate{5, 1}.frameTime())));
    EXPECT_EQ(FramesPerSecond(rig.engine.CurrentFormat().avgTimePerFrame), 5);
    EXPECT_EQ(rig.engine.CurrentFormat().biCompression, kMjpg);
    VideoInfoHeader stored;
    ASSERT_TRUE(ReadCapConfigFile(CapConfigPath(), &stored));
    EXPECT_EQ(stored.biWidth, 2592);
    EXPECT_EQ(FramesPerSecond(stored.avgTimePerFrame), 5);
}

TEST(UvcCamera, FramesFlowRawAndDecodedAndStopWhenUnplugged) {
    ASSERT_TRUE(EnsureGStreamer());
    auto* provider = new TestCameraProvider;
    Rig rig(provider);
    QStringList removed, arrived, errors;
    QObject::connect(&rig.engine, &CaptureEngine::deviceRemoved,
                     [&](const QString& n) { removed << n; });
    QObject::connect(&rig.engine, &CaptureEngine::deviceArrived,
                     [&](const QString& n) { arrived << n; });
    QObject::connect(&rig.engine, &CaptureEngine::captureError,
                     [&](const QString& r) { errors << r; });
    ASSERT_TRUE(rig.Build());
    // With no microscope attached, the first camera stands in.
    EXPECT_EQ(rig.engine.CurrentDeviceId(), "test:uvc-hd");
    ASSERT_TRUE(test::Succeeded(rig.engine.Run()));
    ASSERT_TRUE(rig.frames.WaitFrames(2, 640, 480));
    EXPECT_FALSE(rig.Decodes());
    ASSERT_TRUE(test::Succeeded(rig.engine.SetResolution(1920, 1080)));
    EXPECT_TRUE(rig.Decodes());
    ASSERT_TRUE(rig.frames.WaitFrames(2, 1920, 1080));
    // Decoded frames come as 32-bit pixels, the live view's own.
    EXPECT_EQ(rig.frames.PixelBytes(), 4);
    EXPECT_TRUE(rig.engine.IsDevicePresent());

    EXPECT_FALSE(provider->HandleControlLine("unplug nobody"));
    ASSERT_TRUE(provider->HandleControlLine("unplug uvc-hd"));
    EXPECT_EQ(removed, QStringList{"@device:test:uvc-hd"});
    EXPECT_FALSE(rig.engine.IsDevicePresent());
    ASSERT_TRUE(test::WaitFor([&] { return !errors.isEmpty(); }));
    // Remembered, the absent camera is waited for, not replaced.
    rig.engine.ReleaseAll();
    rig.engine.AllowOtherCameras(true, "test:uvc-hd");
    EXPECT_FALSE(rig.engine.EnumerateDevices());
    ASSERT_TRUE(provider->HandleControlLine("plug uvc-hd"));
    EXPECT_EQ(arrived, QStringList{"@device:test:uvc-hd"});
    ASSERT_TRUE(test::Succeeded(rig.engine.EnumerateDevices()));
    EXPECT_EQ(rig.engine.CurrentDeviceId(), "test:uvc-hd");
}

TEST(UvcCamera, ButtonPressesArriveAsKeyCameraEvents) {
    TestCameraProvider provider;
    ASSERT_TRUE(provider.Start());
    const auto camera = provider.Camera("uvc-5mp");
    ASSERT_TRUE(camera);
    EXPECT_FALSE(provider.HandleControlLine("press uvc-5mp")); // nobody listens yet
    SnapshotButton button;
    ASSERT_EQ(button.OpenDescriptor(camera->OpenButton()), 1);
    EXPECT_EQ(button.IsButtonPressed(), 0);
    ASSERT_TRUE(provider.HandleControlLine("press uvc-5mp"));
    EXPECT_EQ(button.IsButtonPressed(), 1);
    EXPECT_EQ(button.IsButtonPressed(), 0);
    camera->SetPlugged(false);
    EXPECT_FALSE(camera->Press());
    EXPECT_EQ(camera->OpenButton(), -1);
}

TEST(UvcCamera, ListingShowsIdentityButtonAndEveryFormat) {
    TestCameraProvider provider;
    const QString text = DeviceListing({&provider});
    EXPECT_EQ(text, "Test UVC Microscope HD\n"
                    "  identity: test:uvc-hd\n"
                    "  snapshot button: found\n"
                    "  MJPG 1920x1080 @ 30\n"
                    "  MJPG 1280x720 @ 30\n"
                    "  YUY2 640x480 @ 30\n"
                    "  YUY2 1280x720 @ 10\n"
                    "Test UVC Microscope 5MP\n"
                    "  identity: test:uvc-5mp\n"
                    "  snapshot button: found\n"
                    "  MJPG 2592x1944 @ 15, 5\n"
                    "  MJPG 1920x1080 @ 30\n"
                    "  MJPG 640x480 @ 30\n"
                    "  YUY2 640x480 @ 30\n");
    provider.Camera("uvc-hd")->SetPlugged(false);
    provider.Camera("uvc-5mp")->SetPlugged(false);
    EXPECT_EQ(DeviceListing({&provider}), "No video-capture device found.\n");

    // Ranges, as some drivers report them, and fractional rates.
    const GstUnique<GstCaps> ranged(
        kAdopt, gst_caps_from_string("video/x-raw, format=(string)NV12, width=(int)[ 160, 4096 ], "
                                     "height=(int)[ 120, 3072 ], framerate=(fraction)15/2"));
    EXPECT_EQ(FormatLines(ranged.get()), QStringList{"NV12 [ 160, 4096 ]x[ 120, 3072 ] @ 7.5"});
}

} // namespace
} // namespace tvx

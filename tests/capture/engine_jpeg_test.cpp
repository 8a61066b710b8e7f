// Cameras that offer a size only as JPEG still give the program its frames.
#include "capture/capture_engine.h"
#include "tests/capture/frame_collector.h"

#include <gtest/gtest.h>

namespace tvx {
namespace {

// A camera made of a test source and a JPEG encoder: it offers JPEG only.
class JpegCamera : public CaptureDevice {
public:
    QString DisplayName() const override { return "@device:test:jpeg:Vid_14c3&Pid_2301"; }
    QString FriendlyName() const override { return "JPEG camera"; }
    GstElement* CreateSource() override {
        GError* error = nullptr;
        GstElement* bin = gst_parse_bin_from_description(
            "videotestsrc is-live=true pattern=smpte ! jpegenc", TRUE, &error);
        if (error) g_error_free(error);
        if (bin) gst_object_set_name(GST_OBJECT(bin), "source");
        return bin;
    }
    GstCaps* OfferedCaps(GstElement*) override {
        return gst_caps_from_string("image/jpeg, width=(int)640, height=(int)480; "
                                    "image/jpeg, width=(int)720, height=(int)480");
    }
    std::unique_ptr<VideoProcAmp> CreateProcAmp(GstElement*) override { return nullptr; }
    int GetTvFormat(int*) override { return kResultNotSupported; }
    int SetTvFormat(int) override { return kResultNotSupported; }
    bool IsPresent() const override { return true; }
};

class OneCamera : public DeviceProvider {
public:
    bool Start() override { return true; }
    std::vector<std::shared_ptr<CaptureDevice>> Devices() override {
        return {std::make_shared<JpegCamera>()};
    }
};

TEST(EngineJpeg, JpegOnlySizesAreDecodedIntoFrames) {
    ASSERT_TRUE(EnsureGStreamer());
    test::FrameCollector frames;
    CaptureEngine engine(std::vector<DeviceProvider*>{new OneCamera});
    engine.SetFrameReceiver(&frames);
    engine.SetWindows(nullptr);
    ASSERT_EQ(engine.CreateDeviceEnumerator(), 1);
    ASSERT_EQ(engine.EnumerateDevices(), 1);
    ASSERT_EQ(engine.BuildGraph(), 1);
    ASSERT_EQ(engine.BuildPreview(), 1);
    ASSERT_EQ(engine.Run(), 1);
    ASSERT_TRUE(frames.WaitFrames(2, 640, 480));

    EXPECT_EQ(engine.SetResolution(720, 480), kResultOk);
    ASSERT_TRUE(frames.WaitFrames(2, 720, 480));
    int stride = 0;
    frames.Last(&stride);
    EXPECT_EQ(stride, DibStride(720));
    // Sizes it does not offer in any form are refused.
    EXPECT_LT(engine.SetResolution(320, 240), 0);
    engine.Stop();
    engine.ReleaseAll();
}

} // namespace
} // namespace tvx

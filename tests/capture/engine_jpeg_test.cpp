// Cameras that offer a size only as JPEG still give the program its frames.
#include "capture/capture_engine.h"
#include "tests/capture/frame_collector.h"
#include "tests/capture/jpeg_camera.h"

#include <gtest/gtest.h>

namespace tvx {
namespace {

TEST(EngineJpeg, JpegOnlySizesAreDecodedIntoFrames) {
    ASSERT_TRUE(EnsureGStreamer());
    test::FrameCollector frames;
    CaptureEngine engine(std::vector<DeviceProvider*>{new test::JpegCameraProvider});
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

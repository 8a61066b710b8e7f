// Cameras that offer a size only as JPEG still give the program its frames.
#include "capture/capture_engine.h"
#include "tests/capture/frame_collector.h"
#include "tests/capture/jpeg_camera.h"
#include "tests/support/status.h"

#include <gtest/gtest.h>

namespace tvx {
namespace {

TEST(EngineJpeg, JpegOnlySizesAreDecodedIntoFrames) {
    ASSERT_TRUE(EnsureGStreamer());
    test::FrameCollector frames;
    CaptureEngine engine(std::vector<DeviceProvider*>{new test::JpegCameraProvider});
    engine.SetFrameReceiver(&frames);
    engine.SetWindows(nullptr);
    ASSERT_TRUE(test::Succeeded(engine.CreateDeviceEnumerator()));
    ASSERT_TRUE(test::Succeeded(engine.EnumerateDevices()));
    ASSERT_TRUE(test::Succeeded(engine.BuildGraph()));
    ASSERT_TRUE(test::Succeeded(engine.BuildPreview()));
    ASSERT_TRUE(test::Succeeded(engine.Run()));
    ASSERT_TRUE(frames.WaitFrames(2, 640, 480));

    EXPECT_TRUE(test::Succeeded(engine.SetResolution(720, 480)));
    ASSERT_TRUE(frames.WaitFrames(2, 720, 480));
    int stride = 0;
    frames.Last(&stride);
    EXPECT_EQ(stride, DibStride(720));
    // Sizes it does not offer in any form are refused.
    EXPECT_FALSE(engine.SetResolution(320, 240));
    engine.Stop();
    engine.ReleaseAll();
}

} // namespace
} // namespace tvx

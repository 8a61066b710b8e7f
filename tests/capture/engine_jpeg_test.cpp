// Cameras that offer a size only as JPEG still give the program its frames.
#include "capture/capture_engine.h"
#include "capture/jpeg_decoder.h"
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

// A hardware decoder of JPEG is taken where GStreamer offers one, the
// highest-ranked; anything else leaves the frames to jpegdec.
TEST(JpegDecoderChoice, TheBestHardwareDecoderElseJpegdec) {
    const DecoderOffer jpegdec{"jpegdec", "Codec/Decoder/Image", 256, true};
    const DecoderOffer software{"avdec_mjpeg", "Codec/Decoder/Video", 64, true};
    const DecoderOffer hwLow{"hwjpegA", "Codec/Decoder/Video/Hardware", 128, true};
    const DecoderOffer hwHigh{"hwjpegB", "Codec/Decoder/Image/Hardware", 257, true};
    const DecoderOffer hwH264{"hwh264", "Codec/Decoder/Video/Hardware", 512, false};
    const DecoderOffer hwUnranked{"hwjpegC", "Codec/Decoder/Video/Hardware", 0, true};
    const DecoderOffer hwEncoder{"hwjpegenc", "Codec/Encoder/Video/Hardware", 512, true};
    EXPECT_EQ(ChooseJpegDecoder({}), "jpegdec");
    EXPECT_EQ(ChooseJpegDecoder({jpegdec, software, hwH264, hwUnranked, hwEncoder}), "jpegdec");
    EXPECT_EQ(ChooseJpegDecoder({jpegdec, software, hwLow}), "hwjpegA");
    EXPECT_EQ(ChooseJpegDecoder({hwLow, hwH264, hwHigh, jpegdec}), "hwjpegB");
    // This machine's choice is one GStreamer can make.
    const QString chosen = JpegDecoderName();
    GstElementFactory* factory = gst_element_factory_find(chosen.toUtf8().constData());
    EXPECT_NE(factory, nullptr) << chosen.toStdString();
    if (factory) gst_object_unref(factory);
}

} // namespace
} // namespace tvx

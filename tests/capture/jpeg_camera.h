#pragma once

#include "capture/capture_engine.h"

namespace tvx::test {

// A camera made of a test source and a JPEG encoder: it offers JPEG only,
// at 640 × 480 and 720 × 480, at whatever rate it is asked for.
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

class JpegCameraProvider : public DeviceProvider {
public:
    bool Start() override { return true; }
    std::vector<std::shared_ptr<CaptureDevice>> Devices() override {
        return {std::make_shared<JpegCamera>()};
    }
};

} // namespace tvx::test

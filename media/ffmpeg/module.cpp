#include "media/ffmpeg/module.h"

#include <cstring>

namespace tvx::ffmpeg {

namespace {

class Module final : public CodecModule {
public:
    std::unique_ptr<AviEncoder> OpenAvi(const std::string& path, int width, int height,
                                        int frameRate, const CompressorChoice& compressor,
                                        AviError* error) override {
        return OpenAviEncoder(path, width, height, frameRate, compressor, error);
    }
    std::vector<EncoderInfo> Encoders(const std::vector<std::string>& allowed, int width,
                                      int height, int trialTimeoutMs) override {
        return AviEncoders(allowed, width, height, trialTimeoutMs);
    }
    bool EncoderOpens(const CompressorChoice& choice, int width, int height, int trialTimeoutMs,
                      std::string* reason) override {
        return ffmpeg::EncoderOpens(choice, width, height, trialTimeoutMs, reason);
    }
    bool DecodeFirstFrame(VideoInput& input, PictureTarget& target, std::string* why) override {
        return ffmpeg::DecodeFirstFrame(input, target, why);
    }
};

} // namespace

} // namespace tvx::ffmpeg

extern "C" __attribute__((visibility("default"))) void* tavolux_codec_module(const char* build) {
    // The interface is C++ without a stable layout: only the build it came
    // from may use it.
    if (!build || std::strcmp(build, TAVOLUX_CODEC_BUILD) != 0) return nullptr;
    static tvx::ffmpeg::Module module;
    return static_cast<tvx::CodecModule*>(&module);
}

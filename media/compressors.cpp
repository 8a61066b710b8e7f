#include "media/compressors.h"

#include "media/codec_module.h"

namespace tvx {

const std::vector<std::string>& AllowedEncoders() {
    // Intra or simple inter encoders whose open is a table set-up. Encoders
    // that probe libraries or devices at open (x264, AV1, VPx, OpenMAX, QSV,
    // VAAPI, V4L2 mem2mem, NVENC) are left out on purpose.
    static const std::vector<std::string> kAllowed = {
        "msvideo1", "mjpeg",      "mpeg4",      "libxvid", "msmpeg4", "msmpeg4v2", "wmv1",
        "wmv2",     "mpeg1video", "mpeg2video", "huffyuv", "ffvhuff", "utvideo",   "magicyuv",
        "ffv1",     "zmbv",       "zlib",       "png",     "ljpeg",   "jpegls",    "rawvideo"};
    return kAllowed;
}

std::vector<CompressorInfo> AvailableCompressors(int width, int height, int trialTimeoutMs) {
    std::vector<CompressorInfo> out;
    CodecModule* module = LoadCodecModule();
    if (!module) return out;
    for (EncoderInfo& e : module->Encoders(AllowedEncoders(), width, height, trialTimeoutMs)) {
        CompressorInfo info;
        info.encoder = std::move(e.encoder);
        info.description = QString::fromStdString(e.description);
        info.fourcc = e.fourcc;
        info.hasQuality = e.hasQuality;
        out.push_back(std::move(info));
    }
    return out;
}

bool CompressorOpens(const CompressorChoice& choice, int width, int height, std::string* reason) {
    std::string why;
    CodecModule* module = LoadCodecModule(&why);
    if (!module) {
        if (reason) *reason = "the recording module could not be loaded: " + why;
        return false;
    }
    return module->EncoderOpens(choice, width, height, 2000, reason);
}

} // namespace tvx

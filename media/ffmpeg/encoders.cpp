#include "media/ffmpeg/ffmpeg_util.h"
#include "media/ffmpeg/module.h"

#include <chrono>
#include <cstring>
#include <future>
#include <thread>

namespace tvx::ffmpeg {

namespace {

bool IsHardwareWrapper(const AVCodec* codec) {
    if (codec->capabilities & AV_CODEC_CAP_HARDWARE) return true;
    if (codec->wrapper_name) {
        // Library wrappers (libxvid) are software; device wrappers are not.
        static const char* const kDevices[] = {"vaapi",      "qsv",          "nvenc",
                                               "v4l2m2m",    "omx",          "amf",
                                               "mediacodec", "videotoolbox", "vulkan"};
        for (const char* d : kDevices)
            if (std::strstr(codec->wrapper_name, d)) return true;
    }
    return false;
}

// Opens the encoder once at the size, on this thread.
bool TrialOpen(const AVCodec* codec, int width, int height, int quality, std::string* reason) {
    if (codec->id == AV_CODEC_ID_MSVIDEO1 && (width % 4 != 0 || height % 4 != 0)) {
        if (reason) *reason = "the frame size must be a multiple of 4";
        return false;
    }
    CodecContextPtr ctx = MakeEncoderContext(codec, width, height, 10, quality);
    if (!ctx || ctx->pix_fmt == AV_PIX_FMT_NONE) {
        if (reason) *reason = "no input format";
        return false;
    }
    const int r = avcodec_open2(ctx.get(), codec, nullptr);
    if (r < 0 && reason) *reason = ErrorString(r);
    return r >= 0;
}

// The trial open, bounded in time. A worker that does not answer in time is
// detached: it holds only its own context and ends when the encoder does.
bool BoundedTrialOpen(const AVCodec* codec, int width, int height, int quality, int timeoutMs,
                      std::string* reason) {
    auto task = std::make_shared<std::packaged_task<std::pair<bool, std::string>()>>(
        [codec, width, height, quality] {
            std::string why;
            const bool ok = TrialOpen(codec, width, height, quality, &why);
            return std::make_pair(ok, why);
        });
    std::future<std::pair<bool, std::string>> result = task->get_future();
    std::thread([task] { (*task)(); }).detach();
    if (result.wait_for(std::chrono::milliseconds(timeoutMs)) != std::future_status::ready) {
        if (reason) *reason = "the encoder did not open in time";
        return false;
    }
    auto [ok, why] = result.get();
    if (!ok && reason) *reason = why;
    return ok;
}

std::string Describe(const AVCodec* codec) {
    if (codec->id == AV_CODEC_ID_MSVIDEO1) return "Microsoft Video 1";
    return codec->long_name ? codec->long_name : codec->name;
}

} // namespace

std::vector<EncoderInfo> AviEncoders(const std::vector<std::string>& allowed, int width, int height,
                                     int trialTimeoutMs) {
    std::vector<EncoderInfo> out;
    const AVOutputFormat* avi = av_guess_format("avi", nullptr, nullptr);
    if (!avi) return out;
    for (const std::string& name : allowed) {
        const AVCodec* codec = avcodec_find_encoder_by_name(name.c_str());
        if (!codec || codec->type != AVMEDIA_TYPE_VIDEO || IsHardwareWrapper(codec)) continue;
        if (avformat_query_codec(avi, codec->id, FF_COMPLIANCE_NORMAL) != 1) continue;
        if (!BoundedTrialOpen(codec, width, height, -1, trialTimeoutMs, nullptr)) continue;
        EncoderInfo info;
        info.encoder = name;
        info.description = Describe(codec);
        info.fourcc = avi->codec_tag ? av_codec_get_tag(avi->codec_tag, codec->id) : 0;
        info.hasQuality = HasQuantiser(codec);
        out.push_back(std::move(info));
    }
    return out;
}

bool EncoderOpens(const CompressorChoice& choice, int width, int height, int trialTimeoutMs,
                  std::string* reason) {
    const AVCodec* codec = avcodec_find_encoder_by_name(choice.encoder.c_str());
    if (!codec || codec->type != AVMEDIA_TYPE_VIDEO) {
        if (reason) *reason = "the encoder is not available";
        return false;
    }
    if (width <= 0 || height <= 0) {
        if (reason) *reason = "no frame size yet";
        return false;
    }
    return BoundedTrialOpen(codec, width, height, choice.quality, trialTimeoutMs, reason);
}

} // namespace tvx::ffmpeg

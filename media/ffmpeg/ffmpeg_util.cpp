#include "media/ffmpeg/ffmpeg_util.h"

#include <algorithm>
#include <cstring>

namespace tvx::ffmpeg {

std::string ErrorString(int code) {
    char buf[AV_ERROR_MAX_STRING_SIZE] = {};
    if (av_strerror(code, buf, sizeof buf) < 0) return "error " + std::to_string(code);
    return buf;
}

AVPixelFormat InputFormatFor(const AVCodec* codec) {
    const AVPixelFormat* list = codec->pix_fmts;
    if (!list || *list == AV_PIX_FMT_NONE) return AV_PIX_FMT_NONE;
    // Plain 4:2:0 (with a full-range flag for JPEG) rather than the
    // deprecated "J" formats that swscale warns about.
    for (const AVPixelFormat want : {AV_PIX_FMT_YUV420P, AV_PIX_FMT_YUVJ420P}) {
        for (const AVPixelFormat* p = list; *p != AV_PIX_FMT_NONE; ++p)
            if (*p == want && HasQuantiser(codec)) return want;
    }
    return avcodec_find_best_pix_fmt_of_list(list, AV_PIX_FMT_BGR24, 0, nullptr);
}

bool HasQuantiser(const AVCodec* codec) {
    static const char* const kQuantised[] = {"mjpeg",      "mpeg4", "libxvid", "msmpeg4",
                                             "msmpeg4v2",  "wmv1",  "wmv2",    "mpeg1video",
                                             "mpeg2video", "h263p", "flv",     "amv"};
    for (const char* name : kQuantised)
        if (std::strcmp(codec->name, name) == 0) return true;
    return false;
}

int QuantiserFor(int quality) {
    quality = std::clamp(quality, 1, 100);
    return 31 - (quality - 1) * 29 / 99;
}

CodecContextPtr MakeEncoderContext(const AVCodec* codec, int width, int height, int frameRate,
                                   int quality) {
    CodecContextPtr ctx(avcodec_alloc_context3(codec));
    if (!ctx) return nullptr;
    ctx->width = width;
    ctx->height = height;
    ctx->time_base = AVRational{1, frameRate};
    ctx->framerate = AVRational{frameRate, 1};
    ctx->pix_fmt = InputFormatFor(codec);
    ctx->sample_aspect_ratio = AVRational{1, 1};
    // Every sample a key frame: a recording is seekable frame by frame, and
    // any sample may be cut out or lost without taking the next ones along.
    ctx->gop_size = 1;
    // Microsoft Video 1 codes a key frame when the frames since the last
    // one reach keyint_min (0: always); others count it the usual way.
    ctx->keyint_min = codec->id == AV_CODEC_ID_MSVIDEO1 ? 0 : 1;
    ctx->max_b_frames = 0;
    ctx->thread_count = 1;
    if (HasQuantiser(codec)) {
        ctx->flags |= AV_CODEC_FLAG_QSCALE;
        ctx->global_quality = FF_QP2LAMBDA * QuantiserFor(quality < 0 ? 85 : quality);
    }
    if (std::strcmp(codec->name, "mjpeg") == 0 || std::strcmp(codec->name, "amv") == 0)
        ctx->color_range = AVCOL_RANGE_JPEG;
    return ctx;
}

int FrameQuality(const AVCodecContext* ctx) {
    return (ctx->flags & AV_CODEC_FLAG_QSCALE) ? ctx->global_quality : 0;
}

} // namespace tvx::ffmpeg

#pragma once

// Owners for the FFmpeg objects of the media library, and the encoder set-up
// that the writer and the compressor list share.

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavformat/avformat.h>
#include <libavutil/frame.h>
#include <libavutil/pixdesc.h>
#include <libswscale/swscale.h>
}

#include <memory>
#include <string>

namespace tvx::ffmpeg {

struct CodecContextFree {
    void operator()(AVCodecContext* c) const { avcodec_free_context(&c); }
};
struct FrameFree {
    void operator()(AVFrame* f) const { av_frame_free(&f); }
};
struct PacketFree {
    void operator()(AVPacket* p) const { av_packet_free(&p); }
};
struct SwsFree {
    void operator()(SwsContext* s) const { sws_freeContext(s); }
};
// Only the context: its I/O is owned separately.
struct FormatContextFree {
    void operator()(AVFormatContext* f) const { avformat_free_context(f); }
};
// A context opened for reading: closing also frees it.
struct InputCloser {
    void operator()(AVFormatContext* f) const { avformat_close_input(&f); }
};
struct IoContextFree {
    void operator()(AVIOContext* io) const {
        if (io) av_freep(&io->buffer);
        avio_context_free(&io);
    }
};

using CodecContextPtr = std::unique_ptr<AVCodecContext, CodecContextFree>;
using FramePtr = std::unique_ptr<AVFrame, FrameFree>;
using PacketPtr = std::unique_ptr<AVPacket, PacketFree>;
using SwsPtr = std::unique_ptr<SwsContext, SwsFree>;
using FormatContextPtr = std::unique_ptr<AVFormatContext, FormatContextFree>;
using IoContextPtr = std::unique_ptr<AVIOContext, IoContextFree>;
using InputContextPtr = std::unique_ptr<AVFormatContext, InputCloser>;

std::string ErrorString(int code);

// The encoder's input format for 24-bit BGR pictures: 4:2:0 for the lossy
// YUV encoders (what every player decodes), else the closest it takes.
// AV_PIX_FMT_NONE when it lists none.
AVPixelFormat InputFormatFor(const AVCodec* codec);

// Whether the encoder has a quantiser that a 1..100 quality maps onto.
bool HasQuantiser(const AVCodec* codec);
// quality 1..100 -> quantiser 31..2 (lower is better).
int QuantiserFor(int quality);

// A context for `codec` at this size and rate, not yet opened. quality -1
// keeps the encoder's default, except that a quantiser encoder gets an
// explicit one (its default bit rate is far too low for a microscope).
CodecContextPtr MakeEncoderContext(const AVCodec* codec, int width, int height, int frameRate,
                                   int quality);

// Quantiser applied to every frame (the encoder ignores the context's value
// otherwise); 0 when the context has none.
int FrameQuality(const AVCodecContext* ctx);

} // namespace tvx::ffmpeg

#include "media/ffmpeg/ffmpeg_util.h"
#include "media/ffmpeg/module.h"

#include <cerrno>
#include <cstdio>

namespace tvx::ffmpeg {

namespace {

// A damaged file could make the decoder swallow packet after packet without
// ever giving a picture; the first frame of any real AVI comes long before.
constexpr int kMaxPackets = 256;

std::string AvError(const char* what, int code) {
    return std::string(what) + ": " + ErrorString(code);
}

// The caller's input, read through FFmpeg's custom I/O.
struct Input {
    static int Read(void* opaque, uint8_t* buf, int want) {
        auto* in = static_cast<VideoInput*>(opaque);
        if (in->Stopped()) return AVERROR_EXIT;
        const int n = in->Read(buf, want);
        if (n < 0) return AVERROR(EIO);
        return n == 0 ? AVERROR_EOF : n;
    }
    static int64_t Seek(void* opaque, int64_t offset, int whence) {
        auto* in = static_cast<VideoInput*>(opaque);
        whence &= ~AVSEEK_FORCE;
        if (whence == AVSEEK_SIZE) return in->Size();
        if (whence != SEEK_SET && whence != SEEK_CUR && whence != SEEK_END) return AVERROR(EINVAL);
        const int64_t to = in->Seek(offset, whence);
        return to < 0 ? AVERROR(EINVAL) : to;
    }
};

bool Failed(std::string* why, std::string reason) {
    if (why) *why = std::move(reason);
    return false;
}

int Interrupted(void* opaque) {
    return static_cast<const VideoInput*>(opaque)->Stopped() ? 1 : 0;
}

// The decoder's first picture, or a reason.
bool DecodeFirst(AVFormatContext* fmt, FramePtr& out, std::string* why) {
    int index = -1;
    for (unsigned i = 0; i < fmt->nb_streams; ++i) {
        if (fmt->streams[i]->codecpar->codec_type == AVMEDIA_TYPE_VIDEO) {
            index = int(i);
            break;
        }
    }
    if (index < 0) return Failed(why, "no video stream");
    const AVCodecParameters* par = fmt->streams[index]->codecpar;
    const AVCodec* codec = avcodec_find_decoder(par->codec_id);
    if (!codec) return Failed(why, "no decoder for the video stream");
    CodecContextPtr ctx(avcodec_alloc_context3(codec));
    if (!ctx) return Failed(why, "out of memory");
    int rc = avcodec_parameters_to_context(ctx.get(), par);
    if (rc < 0) return Failed(why, AvError("decoder parameters", rc));
    // One picture is wanted: frame threads would only add delay and memory.
    ctx->thread_count = 1;
    rc = avcodec_open2(ctx.get(), codec, nullptr);
    if (rc < 0) return Failed(why, AvError("decoder", rc));

    PacketPtr packet(av_packet_alloc());
    FramePtr frame(av_frame_alloc());
    if (!packet || !frame) return Failed(why, "out of memory");
    bool flushing = false;
    for (int packets = 0; packets < kMaxPackets;) {
        rc = avcodec_receive_frame(ctx.get(), frame.get());
        if (rc == 0) {
            out = std::move(frame);
            return true;
        }
        if (rc != AVERROR(EAGAIN) || flushing)
            return Failed(why, rc == AVERROR_EOF ? "no video frame" : AvError("decoding", rc));
        rc = av_read_frame(fmt, packet.get());
        if (rc < 0) {
            // End of file (or a broken tail): let the decoder give up what it holds.
            flushing = true;
            avcodec_send_packet(ctx.get(), nullptr);
            continue;
        }
        if (packet->stream_index == index) {
            ++packets;
            rc = avcodec_send_packet(ctx.get(), packet.get());
            // A packet the decoder refuses is skipped; a later one may decode.
            (void)rc;
        }
        av_packet_unref(packet.get());
    }
    return Failed(why, "no video frame in the first packets");
}

// Converts the picture into the place the target gives it: shrunk by
// averaging, or copied pixel for pixel at its own size.
bool Convert(const AVFrame& frame, PictureTarget& target, std::string* why) {
    const int srcW = frame.width;
    const int srcH = frame.height;
    int w = 0, h = 0, stride = 0;
    uint8_t* bottomRow = nullptr;
    if (!target.Place(srcW, srcH, &w, &h, &bottomRow, &stride, why)) return false;

    // The "J" formats are the plain ones at full range; swscale wants them
    // said that way.
    AVPixelFormat src = AVPixelFormat(frame.format);
    bool fullRange = frame.color_range == AVCOL_RANGE_JPEG;
    switch (src) {
    case AV_PIX_FMT_YUVJ420P:
        src = AV_PIX_FMT_YUV420P;
        fullRange = true;
        break;
    case AV_PIX_FMT_YUVJ422P:
        src = AV_PIX_FMT_YUV422P;
        fullRange = true;
        break;
    case AV_PIX_FMT_YUVJ444P:
        src = AV_PIX_FMT_YUV444P;
        fullRange = true;
        break;
    case AV_PIX_FMT_YUVJ440P:
        src = AV_PIX_FMT_YUV440P;
        fullRange = true;
        break;
    case AV_PIX_FMT_YUVJ411P:
        src = AV_PIX_FMT_YUV411P;
        fullRange = true;
        break;
    default:
        break;
    }
    const bool sameSize = w == srcW && h == srcH;
    SwsPtr sws(sws_getContext(srcW, srcH, src, w, h, AV_PIX_FMT_BGR24,
                              sameSize ? SWS_POINT : SWS_AREA, nullptr, nullptr, nullptr));
    if (!sws) return Failed(why, "video pixel format not convertible");
    if (fullRange) {
        int* inv = nullptr;
        int* table = nullptr;
        int srcRange = 0, dstRange = 0, brightness = 0, contrast = 0, saturation = 0;
        if (sws_getColorspaceDetails(sws.get(), &inv, &srcRange, &table, &dstRange, &brightness,
                                     &contrast, &saturation) >= 0)
            sws_setColorspaceDetails(sws.get(), inv, 1, table, dstRange, brightness, contrast,
                                     saturation);
    }
    // Writing the last row first with a negative stride stores the rows
    // bottom-up in the conversion's own pass.
    uint8_t* dst[4] = {bottomRow + std::ptrdiff_t(h - 1) * stride, nullptr, nullptr, nullptr};
    int dstStride[4] = {-stride, 0, 0, 0};
    if (sws_scale(sws.get(), frame.data, frame.linesize, 0, srcH, dst, dstStride) != h)
        return Failed(why, "video frame conversion failed");
    return true;
}

} // namespace

bool DecodeFirstFrame(VideoInput& input, PictureTarget& target, std::string* why) {
    AVFormatContext* raw = avformat_alloc_context();
    if (!raw) return Failed(why, "out of memory");
    IoContextPtr io;
    constexpr int kIoBuffer = 32 * 1024;
    auto* buffer = static_cast<uint8_t*>(av_malloc(kIoBuffer));
    if (buffer)
        io.reset(
            avio_alloc_context(buffer, kIoBuffer, 0, &input, Input::Read, nullptr, Input::Seek));
    if (!io) {
        av_free(buffer);
        avformat_free_context(raw);
        return Failed(why, "out of memory");
    }
    raw->pb = io.get();
    raw->flags |= AVFMT_FLAG_CUSTOM_IO;
    raw->interrupt_callback.callback = Interrupted;
    raw->interrupt_callback.opaque = &input;
    // Only AVI files are listed; no guessing among every demuxer FFmpeg has.
    const AVInputFormat* avi = av_find_input_format("avi");
    // On failure avformat_open_input frees the context itself.
    const int rc = avformat_open_input(&raw, nullptr, avi, nullptr);
    if (rc < 0) return Failed(why, AvError("open", rc));
    // Declared after `io` so the demuxer closes before its input goes.
    InputContextPtr fmt(raw);
    FramePtr frame;
    if (!DecodeFirst(fmt.get(), frame, why)) return false;
    return Convert(*frame, target, why);
}

} // namespace tvx::ffmpeg

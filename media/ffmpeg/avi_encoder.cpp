#include "media/ffmpeg/ffmpeg_util.h"
#include "media/ffmpeg/module.h"

#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace tvx::ffmpeg {

namespace {

AviError Fail(AviStep step, int code, std::string reason) {
    return AviError{step, code, std::move(reason)};
}

// The file behind the muxer: our own descriptor on the empty file the caller
// reserved, so every I/O error keeps errno.
struct FileSink {
    int fd = -1;
    int lastErrno = 0; // written by the writer's caller thread only

    static int Write(void* opaque, uint8_t* buf, int size) {
        auto* self = static_cast<FileSink*>(opaque);
        int done = 0;
        while (done < size) {
            const ssize_t n = ::write(self->fd, buf + done, size_t(size - done));
            if (n < 0) {
                if (errno == EINTR) continue;
                self->lastErrno = errno;
                return AVERROR(errno);
            }
            if (n == 0) {
                self->lastErrno = ENOSPC;
                return AVERROR(ENOSPC);
            }
            done += int(n);
        }
        return size;
    }

    static int64_t Seek(void* opaque, int64_t offset, int whence) {
        auto* self = static_cast<FileSink*>(opaque);
        if (whence & AVSEEK_SIZE) {
            struct stat st {};
            return ::fstat(self->fd, &st) == 0 ? int64_t(st.st_size) : AVERROR(errno);
        }
        const off_t r = ::lseek(self->fd, off_t(offset), whence & ~AVSEEK_FORCE);
        return r < 0 ? AVERROR(errno) : int64_t(r);
    }
};

// The encoder, the conversion into its input format and the muxer of one
// open file. Not thread-safe: the caller serialises the calls.
class Encoder final : public AviEncoder {
public:
    int width = 0, height = 0;
    int64_t frames = 0; // pictures sent to the encoder
    int64_t next = 0;   // the sample the next picture gets
    bool open = false;
    bool failed = false; // the file refused a write; nothing more goes in

    FileSink sink;
    CodecContextPtr codec;
    FramePtr frame;
    PacketPtr packet;
    SwsPtr sws;
    FormatContextPtr format;
    IoContextPtr io;
    AVStream* stream = nullptr; // owned by format

    ~Encoder() override {
        Close(nullptr);
        io.reset();
        if (sink.fd >= 0) ::close(sink.fd);
    }

    bool WriteFrameAt(int64_t sample, const uint8_t* bottomUpBgr, int stride,
                      AviError* error) override;
    bool HoldUntil(int64_t sample, AviError* error) override;
    bool Close(AviError* error) override;
    int64_t framesWritten() const override { return frames; }
    int64_t length() const override { return next; }

    // Hands every packet the encoder has ready to the muxer.
    bool Drain(AviError* error) {
        for (;;) {
            int r = avcodec_receive_packet(codec.get(), packet.get());
            if (r == AVERROR(EAGAIN) || r == AVERROR_EOF) return true;
            if (r < 0) return true; // an encoder hiccup loses a frame, not the file
            av_packet_rescale_ts(packet.get(), codec->time_base, stream->time_base);
            packet->stream_index = stream->index;
            r = av_interleaved_write_frame(format.get(), packet.get());
            av_packet_unref(packet.get());
            if (r < 0) {
                failed = true;
                if (error)
                    *error = Fail(AviStep::WriteFile, r,
                                  sink.lastErrno ? std::strerror(sink.lastErrno) : ErrorString(r));
                return false;
            }
        }
    }

    // The muxer fills a gap of at most this many samples with empty chunks
    // (it refuses more): a longer one gets the held picture coded again
    // on the way.
    static constexpr int64_t kMaxGap = 30000;

    // Before a picture at `sample`: bridges a gap too long for the muxer
    // with the picture before it.
    bool Bridge(int64_t sample, AviError* error) {
        while (frames > 0 && sample - next > kMaxGap)
            if (!Send(next + kMaxGap, error)) return false;
        return true;
    }

    // Codes the picture in `frame` as sample `sample`, a key frame wherever
    // the encoder makes one on request.
    bool Send(int64_t sample, AviError* error) {
        frame->pts = sample;
        frame->quality = FrameQuality(codec.get());
        frame->pict_type = AV_PICTURE_TYPE_I;
        next = sample + 1;
        ++frames;
        if (avcodec_send_frame(codec.get(), frame.get()) < 0) return true;
        return Drain(error);
    }
};

} // namespace

std::unique_ptr<AviEncoder> OpenAviEncoder(const std::string& path, int width, int height,
                                           int frameRate, const CompressorChoice& compressor,
                                           AviError* error) {
    AviError dummy;
    AviError& err = error ? *error : dummy;
    const AVCodec* codec = avcodec_find_encoder_by_name(compressor.encoder.c_str());
    if (!codec || codec->type != AVMEDIA_TYPE_VIDEO) {
        err = Fail(AviStep::MakeCompressor, AVERROR_ENCODER_NOT_FOUND,
                   "the encoder \"" + compressor.encoder + "\" is not available");
        return nullptr;
    }
    // Microsoft Video 1 codes 4x4 blocks; libavcodec would silently crop
    // the picture instead of saying so.
    if (codec->id == AV_CODEC_ID_MSVIDEO1 && (width % 4 != 0 || height % 4 != 0)) {
        err = Fail(AviStep::UnsupportedFormat, AVERROR(EINVAL),
                   "Microsoft Video 1 needs a width and height that are multiples of 4, not " +
                       std::to_string(width) + "x" + std::to_string(height));
        return nullptr;
    }

    auto d = std::make_unique<Encoder>();
    d->width = width;
    d->height = height;

    d->codec = MakeEncoderContext(codec, width, height, frameRate, compressor.quality);
    if (!d->codec) {
        err = Fail(AviStep::MakeCompressor, AVERROR(ENOMEM), "out of memory");
        return nullptr;
    }
    if (d->codec->pix_fmt == AV_PIX_FMT_NONE) {
        err = Fail(AviStep::BadFormat, AVERROR(EINVAL),
                   "the encoder " + compressor.encoder + " names no input format");
        return nullptr;
    }
    int r = avcodec_open2(d->codec.get(), codec, nullptr);
    if (r < 0) {
        err = Fail(r == AVERROR(EINVAL) ? AviStep::UnsupportedFormat : AviStep::MakeCompressor, r,
                   "the encoder " + compressor.encoder + " refuses " + std::to_string(width) + "x" +
                       std::to_string(height) + ": " + ErrorString(r));
        return nullptr;
    }
    // Same size both sides: only a YUV target needs its chroma filtered.
    const AVPixFmtDescriptor* target = av_pix_fmt_desc_get(d->codec->pix_fmt);
    const int swsFlags = target && (target->flags & AV_PIX_FMT_FLAG_RGB) ? SWS_POINT : SWS_BILINEAR;
    d->sws.reset(sws_getContext(width, height, AV_PIX_FMT_BGR24, width, height, d->codec->pix_fmt,
                                swsFlags, nullptr, nullptr, nullptr));
    if (d->sws && d->codec->color_range == AVCOL_RANGE_JPEG) {
        // JPEG pictures use the full 0..255 range; swscale's default is video range.
        const int* table = sws_getCoefficients(SWS_CS_ITU601);
        sws_setColorspaceDetails(d->sws.get(), table, 1, table, 1, 0, 1 << 16, 1 << 16);
    }
    d->frame.reset(av_frame_alloc());
    d->packet.reset(av_packet_alloc());
    if (!d->sws || !d->frame || !d->packet) {
        err = Fail(AviStep::BadFormat, AVERROR(EINVAL),
                   std::string("no conversion from BGR to ") +
                       av_get_pix_fmt_name(d->codec->pix_fmt));
        return nullptr;
    }
    d->frame->format = d->codec->pix_fmt;
    d->frame->width = width;
    d->frame->height = height;
    if ((r = av_frame_get_buffer(d->frame.get(), 0)) < 0) {
        err = Fail(AviStep::MakeCompressor, r, ErrorString(r));
        return nullptr;
    }

    AVFormatContext* fmt = nullptr;
    r = avformat_alloc_output_context2(&fmt, nullptr, "avi", nullptr);
    d->format.reset(fmt);
    if (r < 0 || !fmt) {
        err = Fail(AviStep::CreateStream, r, "no AVI muxer: " + ErrorString(r));
        return nullptr;
    }
    d->stream = avformat_new_stream(fmt, nullptr);
    if (!d->stream) {
        err = Fail(AviStep::CreateStream, AVERROR(ENOMEM), "out of memory");
        return nullptr;
    }
    d->stream->time_base = d->codec->time_base;
    d->stream->avg_frame_rate = d->codec->framerate;
    if ((r = avcodec_parameters_from_context(d->stream->codecpar, d->codec.get())) < 0) {
        err = Fail(AviStep::CreateStream, r, ErrorString(r));
        return nullptr;
    }
    d->stream->codecpar->codec_tag = 0; // the muxer's own tag (MSVC for Microsoft Video 1)

    // Only now, with everything that can refuse the recording checked, does
    // the file come into being.
    // The name was taken exclusively by whoever reserved the file; opening it
    // without O_CREAT and refusing anything but an empty regular file means a
    // file that holds something is never overwritten.
    const char* native = path.c_str();
    d->sink.fd = ::open(native, O_WRONLY | O_NOFOLLOW | O_CLOEXEC);
    if (d->sink.fd < 0) {
        const int e = errno;
        err = Fail(AviStep::OpenFile, AVERROR(e), path + ": " + std::strerror(e));
        return nullptr;
    }
    struct stat st {};
    if (::fstat(d->sink.fd, &st) != 0 || !S_ISREG(st.st_mode) || st.st_size != 0) {
        ::close(d->sink.fd);
        d->sink.fd = -1;
        err = Fail(AviStep::OpenFile, AVERROR(EEXIST), path + ": " + std::strerror(EEXIST));
        return nullptr;
    }
    constexpr int kIoBuffer = 1 << 16;
    auto* buffer = static_cast<unsigned char*>(av_malloc(kIoBuffer));
    d->io.reset(buffer ? avio_alloc_context(buffer, kIoBuffer, 1, &d->sink, nullptr,
                                            &FileSink::Write, &FileSink::Seek)
                       : nullptr);
    if (!d->io) {
        av_free(buffer);
        ::close(d->sink.fd);
        d->sink.fd = -1;
        ::unlink(native);
        err = Fail(AviStep::OpenFile, AVERROR(ENOMEM), "out of memory");
        return nullptr;
    }
    fmt->pb = d->io.get();
    r = avformat_write_header(fmt, nullptr);
    if (r >= 0) r = (avio_flush(fmt->pb), fmt->pb->error);
    if (r < 0) {
        const int e = d->sink.lastErrno;
        d->io.reset();
        ::close(d->sink.fd);
        d->sink.fd = -1;
        ::unlink(native);
        err = Fail(AviStep::SetFormat, r, e ? std::strerror(e) : ErrorString(r));
        return nullptr;
    }
    d->open = true;
    return d;
}

bool Encoder::WriteFrameAt(int64_t sample, const uint8_t* bottomUpBgr, int stride,
                           AviError* error) {
    Encoder& d = *this;
    if (!d.open || d.failed) {
        if (error) *error = Fail(AviStep::WriteFile, AVERROR(EIO), "the file is closed");
        return false;
    }
    if (!bottomUpBgr || std::abs(stride) < d.width * 3) return true;
    if (!d.Bridge(sample, error)) return false;
    if (av_frame_make_writable(d.frame.get()) < 0) return true;
    // Bottom-up rows: start at the top row (the last one) and walk back.
    const uint8_t* src[1] = {bottomUpBgr + std::ptrdiff_t(stride) * (d.height - 1)};
    const int srcStride[1] = {-stride};
    sws_scale(d.sws.get(), src, srcStride, 0, d.height, d.frame->data, d.frame->linesize);
    return d.Send(std::max(sample, d.next), error);
}

bool Encoder::HoldUntil(int64_t sample, AviError* error) {
    Encoder& d = *this;
    if (!d.open || d.failed || d.frames == 0 || sample < d.next) return !d.failed;
    // The encoder's input still holds the last picture: coded once more at
    // the end, it closes the gap the muxer fills with empty chunks.
    return d.Bridge(sample, error) && d.Send(sample, error);
}

bool Encoder::Close(AviError* error) {
    if (!open) return true;
    Encoder& d = *this;
    d.open = false;
    bool ok = true;
    if (!d.failed) {
        avcodec_send_frame(d.codec.get(), nullptr);
        ok = d.Drain(error);
    }
    // The index goes in even after a failed write: whatever reached the disk
    // stays playable.
    const int r = av_write_trailer(d.format.get());
    avio_flush(d.io.get());
    if (ok && (r < 0 || d.io->error < 0)) {
        ok = false;
        const int code = r < 0 ? r : d.io->error;
        if (error)
            *error = Fail(AviStep::WriteFile, code,
                          d.sink.lastErrno ? std::strerror(d.sink.lastErrno) : ErrorString(code));
    }
    d.io.reset();
    if (::close(d.sink.fd) != 0 && ok) {
        ok = false;
        if (error) *error = Fail(AviStep::WriteFile, AVERROR(errno), std::strerror(errno));
    }
    d.sink.fd = -1;
    return ok;
}

} // namespace tvx::ffmpeg

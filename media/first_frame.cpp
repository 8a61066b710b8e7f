#include "media/first_frame.h"

#include "imaging/dib.h"
#include "media/ffmpeg_util.h"
#include "platform/regular_file.h"

#include <QFile>
#include <algorithm>
#include <atomic>
#include <cstring>
#include <memory>

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavformat/avformat.h>
#include <libavutil/error.h>
#include <libavutil/mem.h>
#include <libswscale/swscale.h>
}

namespace tvx {

namespace {

// A damaged file could make the decoder swallow packet after packet without
// ever giving a picture; the first frame of any real AVI comes long before.
constexpr int kMaxPackets = 256;

using FormatPtr = ffmpeg::InputContextPtr;
using CodecPtr = ffmpeg::CodecContextPtr;
using ffmpeg::FramePtr;
using ffmpeg::PacketPtr;
using ffmpeg::SwsPtr;
using IoPtr = ffmpeg::IoContextPtr;

QString AvError(const char* what, int code) {
    char text[AV_ERROR_MAX_STRING_SIZE] = {};
    av_strerror(code, text, sizeof text);
    return QStringLiteral("%1: %2").arg(QLatin1String(what), QString::fromUtf8(text));
}

// A file held in memory, read through FFmpeg's custom I/O.
struct MemoryInput {
    const uint8_t* data;
    int64_t size;
    int64_t pos = 0;

    static int Read(void* opaque, uint8_t* buf, int want) {
        auto* in = static_cast<MemoryInput*>(opaque);
        const int64_t n = std::min<int64_t>(want, in->size - in->pos);
        if (n <= 0) return AVERROR_EOF;
        std::memcpy(buf, in->data + in->pos, size_t(n));
        in->pos += n;
        return int(n);
    }
    static int64_t Seek(void* opaque, int64_t offset, int whence) {
        auto* in = static_cast<MemoryInput*>(opaque);
        int64_t base = 0;
        switch (whence & ~AVSEEK_FORCE) {
        case AVSEEK_SIZE:
            return in->size;
        case SEEK_SET:
            break;
        case SEEK_CUR:
            base = in->pos;
            break;
        case SEEK_END:
            base = in->size;
            break;
        default:
            return AVERROR(EINVAL);
        }
        if (offset > in->size || offset < -in->size) return AVERROR(EINVAL);
        const int64_t to = base + offset;
        if (to < 0 || to > in->size) return AVERROR(EINVAL);
        in->pos = to;
        return to;
    }
};

// A regular file opened by the platform (never a FIFO that would block),
// read through FFmpeg's custom I/O. A raised stop flag ends the reading.
struct FileInput {
    QFile* file;
    const std::atomic<bool>* stop;

    static int Read(void* opaque, uint8_t* buf, int want) {
        auto* in = static_cast<FileInput*>(opaque);
        if (in->stop && in->stop->load()) return AVERROR_EXIT;
        const qint64 n = in->file->read(reinterpret_cast<char*>(buf), want);
        if (n < 0) return AVERROR(EIO);
        return n == 0 ? AVERROR_EOF : int(n);
    }
    static int64_t Seek(void* opaque, int64_t offset, int whence) {
        auto* in = static_cast<FileInput*>(opaque);
        const int64_t size = in->file->size();
        int64_t base = 0;
        switch (whence & ~AVSEEK_FORCE) {
        case AVSEEK_SIZE:
            return size;
        case SEEK_SET:
            break;
        case SEEK_CUR:
            base = in->file->pos();
            break;
        case SEEK_END:
            base = size;
            break;
        default:
            return AVERROR(EINVAL);
        }
        const int64_t to = base + offset;
        if (to < 0 || !in->file->seek(to)) return AVERROR(EINVAL);
        return to;
    }
};

int Interrupted(void* opaque) {
    const auto* stop = static_cast<const std::atomic<bool>*>(opaque);
    return stop && stop->load() ? 1 : 0;
}

// The decoder's first picture, or a reason.
LoadResult DecodeFirst(AVFormatContext* fmt, FramePtr& out) {
    int index = -1;
    for (unsigned i = 0; i < fmt->nb_streams; ++i) {
        if (fmt->streams[i]->codecpar->codec_type == AVMEDIA_TYPE_VIDEO) {
            index = int(i);
            break;
        }
    }
    if (index < 0) return LoadResult::Failure(QStringLiteral("no video stream"));
    const AVCodecParameters* par = fmt->streams[index]->codecpar;
    const AVCodec* codec = avcodec_find_decoder(par->codec_id);
    if (!codec) return LoadResult::Failure(QStringLiteral("no decoder for the video stream"));
    CodecPtr ctx(avcodec_alloc_context3(codec));
    if (!ctx) return LoadResult::Failure(QStringLiteral("out of memory"));
    int rc = avcodec_parameters_to_context(ctx.get(), par);
    if (rc < 0) return LoadResult::Failure(AvError("decoder parameters", rc));
    // One picture is wanted: frame threads would only add delay and memory.
    ctx->thread_count = 1;
    rc = avcodec_open2(ctx.get(), codec, nullptr);
    if (rc < 0) return LoadResult::Failure(AvError("decoder", rc));

    PacketPtr packet(av_packet_alloc());
    FramePtr frame(av_frame_alloc());
    if (!packet || !frame) return LoadResult::Failure(QStringLiteral("out of memory"));
    bool flushing = false;
    for (int packets = 0; packets < kMaxPackets;) {
        rc = avcodec_receive_frame(ctx.get(), frame.get());
        if (rc == 0) {
            out = std::move(frame);
            return LoadResult::Success();
        }
        if (rc != AVERROR(EAGAIN) || flushing)
            return LoadResult::Failure(rc == AVERROR_EOF ? QStringLiteral("no video frame")
                                                         : AvError("decoding", rc));
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
    return LoadResult::Failure(QStringLiteral("no video frame in the first packets"));
}

LoadResult FrameToRecord(const AVFrame& frame, ThumbnailRecord& record, QSize atLeast) {
    const int srcW = frame.width;
    const int srcH = frame.height;
    if (!ImageSizeAcceptable(srcW, srcH))
        return LoadResult::Failure(QStringLiteral("video frame size out of range"));
    int denom = 1;
    if (atLeast.isValid() && !atLeast.isEmpty()) {
        for (int d : {8, 4, 2}) {
            if (srcW / d >= atLeast.width() && srcH / d >= atLeast.height()) {
                denom = d;
                break;
            }
        }
    }
    auto bytesAt = [&](int d) {
        const int64_t w = std::max(1, srcW / d);
        const int64_t h = std::max(1, srcH / d);
        return BitmapInfoHeader::kBytes + ((w * 3 + 3) & ~int64_t(3)) * h;
    };
    while (bytesAt(denom) > kThumbnailDibBytes)
        denom *= 2;
    const int w = std::max(1, srcW / denom);
    const int h = std::max(1, srcH / denom);
    const int stride = DibStride(w);

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
    SwsPtr sws(sws_getContext(srcW, srcH, src, w, h, AV_PIX_FMT_BGR24,
                              denom == 1 ? SWS_POINT : SWS_AREA, nullptr, nullptr, nullptr));
    if (!sws) return LoadResult::Failure(QStringLiteral("video pixel format not convertible"));
    if (fullRange) {
        int* inv = nullptr;
        int* table = nullptr;
        int srcRange = 0, dstRange = 0, brightness = 0, contrast = 0, saturation = 0;
        if (sws_getColorspaceDetails(sws.get(), &inv, &srcRange, &table, &dstRange, &brightness,
                                     &contrast, &saturation) >= 0)
            sws_setColorspaceDetails(sws.get(), inv, 1, table, dstRange, brightness, contrast,
                                     saturation);
    }
    uint8_t* area = record.Area();
    uint8_t* pixels = area + BitmapInfoHeader::kBytes;
    // Writing the last row first with a negative stride stores the rows
    // bottom-up, as the DIB wants, in the conversion's own pass.
    uint8_t* dst[4] = {pixels + size_t(h - 1) * stride, nullptr, nullptr, nullptr};
    int dstStride[4] = {-stride, 0, 0, 0};
    if (sws_scale(sws.get(), frame.data, frame.linesize, 0, srcH, dst, dstStride) != h)
        return LoadResult::Failure(QStringLiteral("video frame conversion failed"));
    const int pad = stride - w * 3;
    if (pad)
        for (int y = 0; y < h; ++y)
            std::memset(pixels + size_t(y) * stride + w * 3, 0, size_t(pad));
    const BitmapInfoHeader header = BitmapInfoHeader::For24Bit(w, h);
    QByteArray headerBytes;
    header.AppendTo(headerBytes);
    std::memcpy(area, headerBytes.constData(), BitmapInfoHeader::kBytes);
    record.dibSize = int32_t(BitmapInfoHeader::kBytes + int64_t(stride) * h);
    return LoadResult::Success();
}

LoadResult Load(ThumbnailRecord& record, QFile* file, const QByteArray* bytes, QSize atLeast,
                const std::atomic<bool>* stop) {
    record.dibSize = 0;
    AVFormatContext* raw = avformat_alloc_context();
    if (!raw) return LoadResult::Failure(QStringLiteral("out of memory"));
    MemoryInput memory{nullptr, 0};
    FileInput onDisk{file, stop};
    void* opaque = &onDisk;
    int (*read)(void*, uint8_t*, int) = FileInput::Read;
    int64_t (*seek)(void*, int64_t, int) = FileInput::Seek;
    if (bytes) {
        memory.data = reinterpret_cast<const uint8_t*>(bytes->constData());
        memory.size = bytes->size();
        opaque = &memory;
        read = MemoryInput::Read;
        seek = MemoryInput::Seek;
    }
    IoPtr io;
    constexpr int kIoBuffer = 32 * 1024;
    auto* buffer = static_cast<uint8_t*>(av_malloc(kIoBuffer));
    if (buffer) io.reset(avio_alloc_context(buffer, kIoBuffer, 0, opaque, read, nullptr, seek));
    if (!io) {
        av_free(buffer);
        avformat_free_context(raw);
        return LoadResult::Failure(QStringLiteral("out of memory"));
    }
    raw->pb = io.get();
    raw->flags |= AVFMT_FLAG_CUSTOM_IO;
    raw->interrupt_callback.callback = Interrupted;
    raw->interrupt_callback.opaque = const_cast<std::atomic<bool>*>(stop);
    // Only AVI files are listed; no guessing among every demuxer FFmpeg has.
    const AVInputFormat* avi = av_find_input_format("avi");
    // On failure avformat_open_input frees the context itself.
    const int rc = avformat_open_input(&raw, nullptr, avi, nullptr);
    if (rc < 0) return LoadResult::Failure(AvError("open", rc));
    // Declared after `io` so the demuxer closes before its input goes.
    FormatPtr fmt(raw);
    FramePtr frame;
    LoadResult result = DecodeFirst(fmt.get(), frame);
    if (!result.ok()) return result;
    return FrameToRecord(*frame, record, atLeast);
}

} // namespace

LoadResult LoadVideoFirstFrame(ThumbnailRecord& record, const QString& path, QSize atLeast,
                               const std::atomic<bool>* stop) {
    record.dibSize = 0;
    if (PathVanished(path)) return {LoadStatus::Vanished, QStringLiteral("file no longer exists")};
    // A FIFO or device in the file's place would block the open (and the
    // pool thread with it) for good: only a regular file is read.
    QFile file;
    QString why;
    if (!OpenRegularFileForReading(file, path, &why)) return LoadResult::Failure(why);
    LoadResult result = Load(record, &file, nullptr, atLeast, stop);
    if (result.ok()) record.path = path;
    return result;
}

LoadResult LoadVideoFirstFrameFromMemory(ThumbnailRecord& record, const QByteArray& bytes,
                                         QSize atLeast) {
    return Load(record, nullptr, &bytes, atLeast, nullptr);
}

} // namespace tvx

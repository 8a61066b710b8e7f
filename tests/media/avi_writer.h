#pragma once

// Small AVI files for the tests, written with FFmpeg.

#include <QFile>
#include <QString>
#include <cstring>
#include <memory>

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavformat/avformat.h>
#include <libavutil/channel_layout.h>
}

namespace tvx::test {

// Writes an AVI: `frames` MJPEG pictures whose top half is red and bottom
// half blue, or (frames == 0) a second of silence and no video at all.
inline bool WriteAvi(const QString& path, int w, int h, int frames) {
    AVFormatContext* fmt = nullptr;
    const QByteArray local = QFile::encodeName(path);
    if (avformat_alloc_output_context2(&fmt, nullptr, "avi", local.constData()) < 0) return false;
    std::unique_ptr<AVFormatContext, void (*)(AVFormatContext*)> owner(
        fmt, [](AVFormatContext* f) { avformat_free_context(f); });
    const AVCodec* codec = avcodec_find_encoder(frames ? AV_CODEC_ID_MJPEG : AV_CODEC_ID_PCM_S16LE);
    if (!codec) return false;
    AVStream* st = avformat_new_stream(fmt, nullptr);
    AVCodecContext* ctx = avcodec_alloc_context3(codec);
    std::unique_ptr<AVCodecContext, void (*)(AVCodecContext*)> ctxOwner(
        ctx, [](AVCodecContext* c) { avcodec_free_context(&c); });
    if (frames) {
        ctx->width = w;
        ctx->height = h;
        ctx->pix_fmt = AV_PIX_FMT_YUVJ420P;
        ctx->time_base = AVRational{1, 10};
    } else {
        ctx->sample_rate = 8000;
        ctx->sample_fmt = AV_SAMPLE_FMT_S16;
        av_channel_layout_default(&ctx->ch_layout, 1);
        ctx->time_base = AVRational{1, 8000};
    }
    if (avcodec_open2(ctx, codec, nullptr) < 0) return false;
    avcodec_parameters_from_context(st->codecpar, ctx);
    st->time_base = ctx->time_base;
    if (avio_open(&fmt->pb, local.constData(), AVIO_FLAG_WRITE) < 0) return false;
    if (avformat_write_header(fmt, nullptr) < 0) return false;
    AVFrame* frame = av_frame_alloc();
    AVPacket* pkt = av_packet_alloc();
    auto drain = [&] {
        while (avcodec_receive_packet(ctx, pkt) == 0) {
            av_packet_rescale_ts(pkt, ctx->time_base, st->time_base);
            pkt->stream_index = st->index;
            av_interleaved_write_frame(fmt, pkt);
        }
    };
    if (frames) {
        frame->width = w;
        frame->height = h;
        frame->format = AV_PIX_FMT_YUVJ420P;
        av_frame_get_buffer(frame, 0);
        for (int i = 0; i < frames; ++i) {
            av_frame_make_writable(frame);
            for (int y = 0; y < h; ++y) {
                const bool top = y < h / 2;
                // Red: Y 76 U 85 V 255; blue: Y 29 U 255 V 107.
                memset(frame->data[0] + y * frame->linesize[0], top ? 76 : 29, size_t(w));
                if (y % 2 == 0) {
                    memset(frame->data[1] + y / 2 * frame->linesize[1], top ? 85 : 255,
                           size_t(w / 2));
                    memset(frame->data[2] + y / 2 * frame->linesize[2], top ? 255 : 107,
                           size_t(w / 2));
                }
            }
            frame->pts = i;
            avcodec_send_frame(ctx, frame);
            drain();
        }
    } else {
        frame->nb_samples = ctx->frame_size ? ctx->frame_size : 800;
        frame->format = ctx->sample_fmt;
        av_channel_layout_copy(&frame->ch_layout, &ctx->ch_layout);
        av_frame_get_buffer(frame, 0);
        memset(frame->data[0], 0, size_t(frame->linesize[0]));
        frame->pts = 0;
        avcodec_send_frame(ctx, frame);
        drain();
    }
    avcodec_send_frame(ctx, nullptr);
    drain();
    av_write_trailer(fmt);
    avio_closep(&fmt->pb);
    av_frame_free(&frame);
    av_packet_free(&pkt);
    return true;
}

} // namespace tvx::test

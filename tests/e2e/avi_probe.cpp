// Plays a recording the two ways the desktop would: libavformat/libavcodec
// decode every frame, and GStreamer (decodebin into a fake sink) plays it to
// its end. Prints "ffmpeg <frames> <seconds>" and "gstreamer <frames>
// <seconds>"; exits 0 only when both played it through.
#include <gst/gst.h>

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavformat/avformat.h>
}

#include <cstdio>
#include <string>

namespace {

bool PlayWithFfmpeg(const char* path) {
    AVFormatContext* fmt = nullptr;
    if (avformat_open_input(&fmt, path, nullptr, nullptr) < 0) return false;
    bool ok = false;
    AVCodecContext* ctx = nullptr;
    AVPacket* pkt = av_packet_alloc();
    AVFrame* frame = av_frame_alloc();
    int decoded = 0;
    double seconds = 0;
    const int s = avformat_find_stream_info(fmt, nullptr) >= 0
                      ? av_find_best_stream(fmt, AVMEDIA_TYPE_VIDEO, -1, -1, nullptr, 0)
                      : -1;
    if (s >= 0) {
        const AVStream* st = fmt->streams[s];
        const AVCodec* codec = avcodec_find_decoder(st->codecpar->codec_id);
        ctx = codec ? avcodec_alloc_context3(codec) : nullptr;
        if (ctx && avcodec_parameters_to_context(ctx, st->codecpar) >= 0 &&
            avcodec_open2(ctx, codec, nullptr) >= 0) {
            const auto drain = [&] {
                while (avcodec_receive_frame(ctx, frame) >= 0)
                    ++decoded;
            };
            while (av_read_frame(fmt, pkt) >= 0) {
                if (pkt->stream_index == s && avcodec_send_packet(ctx, pkt) >= 0) drain();
                av_packet_unref(pkt);
            }
            avcodec_send_packet(ctx, nullptr);
            drain();
            if (st->duration > 0) seconds = st->duration * av_q2d(st->time_base);
            ok = decoded > 0;
        }
    }
    std::printf("ffmpeg %d %.3f\n", decoded, seconds);
    av_frame_free(&frame);
    av_packet_free(&pkt);
    avcodec_free_context(&ctx);
    avformat_close_input(&fmt);
    return ok;
}

GstPadProbeReturn CountBuffer(GstPad*, GstPadProbeInfo*, gpointer counter) {
    ++*static_cast<int*>(counter);
    return GST_PAD_PROBE_OK;
}

bool PlayWithGstreamer(const char* path) {
    GError* error = nullptr;
    gchar* uri = gst_filename_to_uri(path, &error);
    if (!uri) return false;
    const std::string description =
        std::string("uridecodebin uri=") + uri + " ! videoconvert ! fakesink name=sink sync=false";
    g_free(uri);
    GstElement* pipeline = gst_parse_launch(description.c_str(), &error);
    if (!pipeline) {
        if (error) g_error_free(error);
        return false;
    }
    int frames = 0;
    GstElement* sink = gst_bin_get_by_name(GST_BIN(pipeline), "sink");
    GstPad* pad = gst_element_get_static_pad(sink, "sink");
    gst_pad_add_probe(pad, GST_PAD_PROBE_TYPE_BUFFER, &CountBuffer, &frames, nullptr);
    gst_object_unref(pad);
    gst_object_unref(sink);
    gst_element_set_state(pipeline, GST_STATE_PLAYING);
    GstBus* bus = gst_element_get_bus(pipeline);
    GstMessage* msg = gst_bus_timed_pop_filtered(
        bus, 30 * GST_SECOND, GstMessageType(GST_MESSAGE_EOS | GST_MESSAGE_ERROR));
    const bool ended = msg && GST_MESSAGE_TYPE(msg) == GST_MESSAGE_EOS;
    gint64 duration = -1;
    gst_element_query_duration(pipeline, GST_FORMAT_TIME, &duration);
    std::printf("gstreamer %d %.3f\n", frames, duration > 0 ? double(duration) / GST_SECOND : 0.0);
    if (msg) gst_message_unref(msg);
    gst_object_unref(bus);
    gst_element_set_state(pipeline, GST_STATE_NULL);
    gst_object_unref(pipeline);
    return ended && frames > 0;
}

} // namespace

int main(int argc, char** argv) {
    gst_init(&argc, &argv);
    if (argc != 2) {
        std::fprintf(stderr, "usage: %s FILE.avi\n", argv[0]);
        return 2;
    }
    const bool ffmpeg = PlayWithFfmpeg(argv[1]);
    const bool gstreamer = PlayWithGstreamer(argv[1]);
    return ffmpeg && gstreamer ? 0 : 1;
}

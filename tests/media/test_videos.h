#pragma once

// Small videos made at test time with GStreamer's own test sources: an MJPEG
// AVI of 64 x 48 frames, and a WAV file (sound, no picture). Header only, so
// every test program that plays a video can make one.
#include <QFile>
#include <QString>
#include <gst/gst.h>

namespace tvx::test {
namespace {

inline bool RunToEnd(const QString& description) {
    if (!gst_init_check(nullptr, nullptr, nullptr)) return false;
    GError* err = nullptr;
    GstElement* pipeline = gst_parse_launch(description.toUtf8().constData(), &err);
    if (err) {
        g_error_free(err);
        if (pipeline) gst_object_unref(pipeline);
        return false;
    }
    gst_element_set_state(pipeline, GST_STATE_PLAYING);
    GstBus* bus = gst_element_get_bus(pipeline);
    GstMessage* msg = gst_bus_timed_pop_filtered(
        bus, 30 * GST_SECOND, GstMessageType(GST_MESSAGE_EOS | GST_MESSAGE_ERROR));
    const bool ok = msg && GST_MESSAGE_TYPE(msg) == GST_MESSAGE_EOS;
    if (msg) gst_message_unref(msg);
    gst_object_unref(bus);
    gst_element_set_state(pipeline, GST_STATE_NULL);
    gst_object_unref(pipeline);
    return ok;
}

} // namespace

inline bool MakeTestVideo(const QString& path, int frames, int fps) {
    QFile::remove(path);
    return RunToEnd(QStringLiteral("videotestsrc num-buffers=%1 pattern=ball ! "
                                   "video/x-raw,width=64,height=48,framerate=%2/1 ! "
                                   "jpegenc ! avimux ! filesink location=\"%3\"")
                        .arg(frames)
                        .arg(fps)
                        .arg(path)) &&
           QFile(path).size() > 0;
}

inline bool MakeTestSound(const QString& path) {
    QFile::remove(path);
    return RunToEnd(QStringLiteral("audiotestsrc num-buffers=10 ! wavenc ! filesink "
                                   "location=\"%1\"")
                        .arg(path));
}

} // namespace tvx::test

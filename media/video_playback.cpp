#include "media/video_playback.h"

#include "platform/file_name.h"
#include "platform/regular_file.h"

#include <QFileInfo>
#include <QSocketNotifier>
#include <cmath>
#include <gst/video/video.h>
#include <mutex>

namespace tvx {

namespace {
// GStreamer initialised once for the process; false when it cannot be.
bool InitGstreamer() {
    static std::once_flag once;
    static bool ok = false;
    std::call_once(once, [] { ok = gst_init_check(nullptr, nullptr, nullptr); });
    return ok;
}
} // namespace

namespace {

constexpr double kStepSeconds = 2.0;

QString ClockText(double seconds, bool withHours) {
    // Beyond a million hours is no video: read as 0 rather than overflow.
    const int64_t s = seconds > 0 && seconds < 3.6e9 ? int64_t(seconds) : 0;
    if (withHours)
        return QString::asprintf("%lld:%02d:%02d", static_cast<long long>(s / 3600),
                                 int(s / 60 % 60), int(s % 60));
    return QString::asprintf("%lld:%02d", static_cast<long long>(s / 60), int(s % 60));
}

GstClockTime ToClock(double seconds) {
    if (!(seconds > 0)) return 0;
    return GstClockTime(std::llround(seconds * double(GST_SECOND)));
}

// The first error on the bus, as text; empty when none comes within `wait`.
// Elements may post their error just after the state change failed.
QString PendingError(GstBus* bus, GstClockTime wait = 0) {
    GstUnique<GstMessage> msg(kAdopt, gst_bus_timed_pop_filtered(bus, wait, GST_MESSAGE_ERROR));
    if (!msg) return {};
    GError* err = nullptr;
    gchar* debug = nullptr;
    gst_message_parse_error(msg.get(), &err, &debug);
    QString text = err ? QString::fromUtf8(err->message) : QStringLiteral("unknown error");
    if (err) g_error_free(err);
    g_free(debug);
    return text;
}

} // namespace

VideoPlayback::VideoPlayback(QObject* parent) : QObject(parent) {}

VideoPlayback::~VideoPlayback() {
    Release();
}

Status VideoPlayback::Open(const QString& path, int prerollTimeoutMs) {
    Release();
    if (!InitGstreamer()) return Status::Fail(QStringLiteral("GStreamer cannot be initialised"));
    const QFileInfo info(path);
    // Only a regular file: a FIFO in its place would hold playback for good.
    // The name goes by its own bytes, UTF-8 or not.
    if (!IsRegularFile(path))
        return Status::Fail(QStringLiteral("%1: no such file").arg(DisplayFileName(path)));

    GstUnique<GstElement> playbin(kAdopt, gst_element_factory_make("playbin", "player"));
    GstUnique<GstElement> sink(kAdopt, gst_element_factory_make("appsink", "video"));
    if (!playbin || !sink)
        return Status::Fail(QStringLiteral("GStreamer lacks playbin or appsink"));

    // Pixels as the RGB32 picture lays them out in memory.
    const char* format = Q_BYTE_ORDER == Q_LITTLE_ENDIAN ? "BGRx" : "xRGB";
    GstUnique<GstCaps> caps(
        kAdopt, gst_caps_new_simple("video/x-raw", "format", G_TYPE_STRING, format, nullptr));
    gst_app_sink_set_caps(GST_APP_SINK(sink.get()), caps.get());
    // A paused player shows the frame it stopped on, so the sink keeps time
    // and prerolls; two buffers are plenty for a picture that is only shown.
    g_object_set(sink.get(), "sync", TRUE, "max-buffers", 2, "drop", TRUE, nullptr);
    GstAppSinkCallbacks callbacks{};
    callbacks.new_preroll = &VideoPlayback::OnPreroll;
    callbacks.new_sample = &VideoPlayback::OnSample;
    gst_app_sink_set_callbacks(GST_APP_SINK(sink.get()), &callbacks, this, nullptr);

    gchar* uri = gst_filename_to_uri(NativeFileName(info.absoluteFilePath()).constData(), nullptr);
    if (!uri)
        return Status::Fail(
            QStringLiteral("%1: not a usable file name").arg(DisplayFileName(path)));
    // playbin takes its own reference to the sink.
    g_object_set(playbin.get(), "uri", uri, "video-sink", sink.get(), nullptr);
    g_free(uri);
    // Subtitles and visualisations are no business of the player.
    gint flags = 0;
    g_object_get(playbin.get(), "flags", &flags, nullptr);
    flags &= ~(0x4 /*text*/ | 0x8 /*vis*/);
    g_object_set(playbin.get(), "flags", flags, nullptr);

    GstUnique<GstBus> bus(kAdopt, gst_element_get_bus(playbin.get()));
    auto fail = [&](QString reason) {
        gst_element_set_state(playbin.get(), GST_STATE_NULL);
        return Status::Fail(QStringLiteral("%1: %2").arg(path, reason));
    };

    GstStateChangeReturn ret = gst_element_set_state(playbin.get(), GST_STATE_PAUSED);
    if (ret != GST_STATE_CHANGE_FAILURE)
        ret = gst_element_get_state(playbin.get(), nullptr, nullptr,
                                    GstClockTime(prerollTimeoutMs) * GST_MSECOND);
    if (ret == GST_STATE_CHANGE_FAILURE) {
        const QString why = PendingError(bus.get(), 250 * GST_MSECOND);
        return fail(why.isEmpty() ? QStringLiteral("cannot be played") : why);
    }
    if (ret == GST_STATE_CHANGE_ASYNC) return fail(QStringLiteral("does not start in time"));
    const QString late = PendingError(bus.get());
    if (!late.isEmpty()) return fail(late);
    gint videoStreams = 0;
    g_object_get(playbin.get(), "n-video", &videoStreams, nullptr);
    if (videoStreams <= 0) return fail(QStringLiteral("has no video stream"));

    GPollFD pollFd{};
    gst_bus_get_pollfd(bus.get(), &pollFd);
    busNotifier_ = std::make_unique<QSocketNotifier>(pollFd.fd, QSocketNotifier::Read);
    connect(busNotifier_.get(), &QSocketNotifier::activated, this, &VideoPlayback::ReadBus);

    pipeline_ = std::move(playbin);
    bus_ = std::move(bus);
    path_ = info.absoluteFilePath();
    ReadBus(); // what arrived during preroll
    return Status::Ok();
}

void VideoPlayback::Release() {
    busNotifier_.reset();
    if (pipeline_) {
        // Joins the streaming threads: no callback runs after this.
        gst_element_set_state(pipeline_.get(), GST_STATE_NULL);
        GstElement* raw = nullptr;
        g_object_get(pipeline_.get(), "video-sink", &raw, nullptr);
        // The property hands out a reference of its own.
        const GstUnique<GstElement> sink(kAdopt, raw);
        if (sink) {
            GstAppSinkCallbacks none{};
            gst_app_sink_set_callbacks(GST_APP_SINK(sink.get()), &none, nullptr, nullptr);
        }
    }
    pipeline_.reset();
    bus_.reset();
    lastError_.clear();
    path_.clear();
    {
        std::lock_guard<std::mutex> lock(frameMutex_);
        frame_ = QImage();
    }
    ++frameSerial_;
}

QString PlaybackTimeText(double position, double duration) {
    const bool hours = duration >= 3600 && duration < 3.6e9;
    return ClockText(position, hours) + QStringLiteral(" / ") + ClockText(duration, hours);
}

GstState VideoPlayback::TargetState() const {
    if (!pipeline_) return GST_STATE_NULL;
    GstState current = GST_STATE_NULL;
    GstState pending = GST_STATE_VOID_PENDING;
    gst_element_get_state(pipeline_.get(), &current, &pending, 0);
    return pending != GST_STATE_VOID_PENDING ? pending : current;
}

void VideoPlayback::Play() {
    if (pipeline_) gst_element_set_state(pipeline_.get(), GST_STATE_PLAYING);
}

void VideoPlayback::RunIfNotRunning() {
    if (pipeline_ && TargetState() != GST_STATE_PLAYING) Play();
}

void VideoPlayback::PauseIfNotPaused() {
    if (pipeline_ && TargetState() != GST_STATE_PAUSED)
        gst_element_set_state(pipeline_.get(), GST_STATE_PAUSED);
}

bool VideoPlayback::IsRunning() const {
    return TargetState() == GST_STATE_PLAYING;
}

bool VideoPlayback::IsPaused() const {
    return TargetState() == GST_STATE_PAUSED;
}

void VideoPlayback::ToFirst() {
    Seek(0);
}

void VideoPlayback::ToLast() {
    if (pipeline_) Seek(Duration());
}

void VideoPlayback::StepForward() {
    if (!pipeline_) return;
    Seek(std::min(Position() + kStepSeconds, Duration()));
}

void VideoPlayback::StepBackward() {
    if (!pipeline_) return;
    Seek(std::max(Position() - kStepSeconds, 0.0));
}

double VideoPlayback::Duration() const {
    gint64 ns = 0;
    if (!pipeline_ || !gst_element_query_duration(pipeline_.get(), GST_FORMAT_TIME, &ns) || ns < 0)
        return 0;
    return double(ns) / double(GST_SECOND);
}

double VideoPlayback::Position() const {
    gint64 ns = 0;
    if (!pipeline_ || !gst_element_query_position(pipeline_.get(), GST_FORMAT_TIME, &ns) || ns < 0)
        return 0;
    return double(ns) / double(GST_SECOND);
}

void VideoPlayback::Seek(double seconds) {
    if (!pipeline_) return;
    gst_element_seek_simple(pipeline_.get(), GST_FORMAT_TIME,
                            GstSeekFlags(GST_SEEK_FLAG_FLUSH | GST_SEEK_FLAG_ACCURATE),
                            gint64(ToClock(seconds)));
}

bool VideoPlayback::WaitSettled(int timeoutMs) const {
    if (!pipeline_) return false;
    return gst_element_get_state(pipeline_.get(), nullptr, nullptr,
                                 GstClockTime(timeoutMs) * GST_MSECOND) == GST_STATE_CHANGE_SUCCESS;
}

QImage VideoPlayback::CurrentFrame() const {
    std::lock_guard<std::mutex> lock(frameMutex_);
    return frame_;
}

void VideoPlayback::ReadBus() {
    if (!bus_) return;
    // A message handler may release everything; keep the bus alive meanwhile.
    GstUnique<GstBus> bus(kRef, bus_.get());
    while (GstUnique<GstMessage> msg = PopMessage(bus.get())) {
        HandleMessage(msg.get());
        if (!bus_) break;
    }
}

void VideoPlayback::HandleMessage(GstMessage* msg) {
    switch (GST_MESSAGE_TYPE(msg)) {
    case GST_MESSAGE_EOS:
        emit finished();
        break;
    case GST_MESSAGE_ERROR: {
        GError* err = nullptr;
        gst_message_parse_error(msg, &err, nullptr);
        lastError_ = err ? QString::fromUtf8(err->message) : QStringLiteral("unknown error");
        if (err) g_error_free(err);
        emit failed(lastError_);
        break;
    }
    default:
        break;
    }
}

GstFlowReturn VideoPlayback::OnPreroll(GstAppSink* sink, gpointer self) {
    static_cast<VideoPlayback*>(self)->TakeSample(
        GstUnique<GstSample>(kAdopt, gst_app_sink_pull_preroll(sink)));
    return GST_FLOW_OK;
}

GstFlowReturn VideoPlayback::OnSample(GstAppSink* sink, gpointer self) {
    static_cast<VideoPlayback*>(self)->TakeSample(
        GstUnique<GstSample>(kAdopt, gst_app_sink_pull_sample(sink)));
    return GST_FLOW_OK;
}

void VideoPlayback::TakeSample(GstUnique<GstSample> sample) {
    if (!sample) return;
    GstVideoInfo info;
    GstCaps* caps = gst_sample_get_caps(sample.get());
    GstBuffer* buffer = gst_sample_get_buffer(sample.get());
    if (!caps || !buffer || !gst_video_info_from_caps(&info, caps)) return;
    const int w = GST_VIDEO_INFO_WIDTH(&info);
    const int h = GST_VIDEO_INFO_HEIGHT(&info);
    if (w <= 0 || h <= 0 || w > 16384 || h > 16384) return;
    GstVideoFrame vframe;
    if (!gst_video_frame_map(&vframe, &info, buffer, GST_MAP_READ)) return;
    QImage picture(w, h, QImage::Format_RGB32);
    if (!picture.isNull()) {
        const auto* src = static_cast<const uint8_t*>(GST_VIDEO_FRAME_PLANE_DATA(&vframe, 0));
        const int stride = GST_VIDEO_FRAME_PLANE_STRIDE(&vframe, 0);
        // The padding byte becomes opaque alpha.
        for (int y = 0; y < h; ++y) {
            auto* dst = reinterpret_cast<uint32_t*>(picture.scanLine(y));
            const auto* row = reinterpret_cast<const uint32_t*>(src + size_t(y) * stride);
            for (int x = 0; x < w; ++x)
                dst[x] = row[x] | 0xFF000000u; // as a native word: 0xffRRGGBB
        }
    }
    gst_video_frame_unmap(&vframe);
    if (picture.isNull()) return;
    {
        std::lock_guard<std::mutex> lock(frameMutex_);
        frame_ = std::move(picture);
    }
    ++frameSerial_;
    if (!framePending_.exchange(true)) {
        QMetaObject::invokeMethod(
            this,
            [this] {
                framePending_ = false;
                emit frameReady();
            },
            Qt::QueuedConnection);
    }
}

} // namespace tvx

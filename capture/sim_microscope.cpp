#include "capture/sim_microscope.h"

#include "capture/sim_depth.h"
#include "capture/sim_render.h"
#include "platform/button_input.h"
#include "platform/gst_handle.h"

#include <QFile>
#include <QImage>
#include <QStringList>
#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cmath>
#include <fcntl.h>
#include <gst/app/gstappsrc.h>
#include <linux/input.h>
#include <mutex>
#include <sys/socket.h>
#include <sys/stat.h>
#include <thread>
#include <unistd.h>

namespace tvx {

// The simulated camera's frame buffers come from a pool it owns.
template <> struct GstRefTraits<GstBufferPool> : detail::GstObjectTraits {};

namespace {

using Clock = std::chrono::steady_clock;

// The receiver delivers each size at the rate a recording assumes for it
// by default, so a recording of the simulation plays at its real speed.
int SimFramesPerSecond(int width) {
    return width <= 320 ? 25 : width <= 640 ? 12 : 10;
}

// The sizes and rates the receiver offers in `formats`; the first of each
// list is its default. 640 × 480 can also run slowly, for dim slides.
GstCaps* SimCaps(const char* formats) {
    const QByteArray text =
        QByteArrayLiteral("video/x-raw,format=%1,width=640,height=480,framerate={12/1,5/1};"
                          "video/x-raw,format=%1,width=320,height=240,framerate=25/1;"
                          "video/x-raw,format=%1,width=720,height=480,framerate=10/1;"
                          "video/x-raw,format=%1,width=720,height=576,framerate=10/1")
            .replace("%1", formats);
    return gst_caps_from_string(text.constData());
}

// What the device offers: its own BGR and, converted, YUY2 as a USB camera
// gives it.
GstCaps* SimOfferedCaps() {
    return SimCaps("{BGR,YUY2}");
}
// What the slide is drawn in.
GstCaps* SimDrawnCaps() {
    return SimCaps("BGR");
}

constexpr int kFocusDrift = -1;
constexpr int kFocusDepth = -2; // the slide with relief, focused at a position
constexpr int kMaxFocusRadius = 32;
// Focus positions beyond these are typing errors, not slides.
constexpr double kMinFocusPosition = -500.0;
constexpr double kMaxFocusPosition = 700.0;

// State of the simulated device that its pipeline's threads see too.
struct SimShared {
    std::atomic<bool> plugged{true}; // written on the UI thread
    std::atomic<bool> drift{true};   // written on the UI thread
    // Blur radius of the picture; kFocusDrift turns the focus knob slowly,
    // kFocusDepth shows the slide with relief at the position of `sweep`.
    std::atomic<int> focus{0}; // written on the UI thread
    mutable std::mutex sweepMutex;
    SimFocusSweep sweep;                   // guarded by sweepMutex; written on the UI thread
    std::atomic<int> width{0};             // written on the streaming thread at negotiation
    std::atomic<int> height{0};            // written on the streaming thread at negotiation
    std::atomic<uint64_t> frames{0};       // written on the streaming thread
    std::atomic<uint64_t> pooledFrames{0}; // written on the streaming thread
    const Clock::time_point epoch = Clock::now();
};

// One source element's feeding state.
struct SimSourceContext {
    ~SimSourceContext() {
        // Buffers still downstream keep the pool alive; they are freed as
        // they come back.
        if (pool) gst_buffer_pool_set_active(pool.get(), FALSE);
    }

    std::shared_ptr<SimShared> shared;
    // Touched on the source's streaming thread only.
    std::unique_ptr<MicrometerPicture> picture;
    // Frames are drawn into buffers that come back here once the pipeline
    // is done with them, so a running stream allocates none.
    GstUnique<GstBufferPool> pool;
    Clock::time_point nextDue{};
    double fps = 12; // the negotiated rate
    bool lossReported = false;
    std::vector<uint32_t> blurScratch;
    std::unique_ptr<SimDepthScene> depth; // made the first time the relief is shown
    // A still slide in steady focus looks the same in every frame: it is
    // drawn once and its pixels handed out again, as a camera's sensor
    // costs the computer nothing. drawnFocus is the blur it was drawn with.
    GstUnique<GstBuffer> drawn;
    int drawnFocus = 0;
};

void PostSourceError(GstElement* src, GQuark domain, int code, const char* text) {
    const std::unique_ptr<GError, GErrorDeleter> err(g_error_new_literal(domain, code, text));
    gst_element_post_message(src, gst_message_new_error(GST_OBJECT(src), err.get(), text));
}

bool Negotiate(GstAppSrc* src, SimSourceContext* ctx) {
    const GstUnique<GstPad> pad(kAdopt, gst_element_get_static_pad(GST_ELEMENT(src), "src"));
    const GstUnique<GstCaps> drawn(kAdopt, SimDrawnCaps());
    GstUnique<GstCaps> caps(kAdopt,
                            pad ? gst_pad_peer_query_caps(pad.get(), drawn.get()) : nullptr);
    if (!caps || gst_caps_is_empty(caps.get())) {
        PostSourceError(GST_ELEMENT(src), GST_STREAM_ERROR, GST_STREAM_ERROR_FORMAT,
                        "the simulated microscope does not offer the asked format");
        return false;
    }
    caps.reset(kAdopt, gst_caps_fixate(caps.release()));
    int w = 0, h = 0;
    const GstStructure* s = gst_caps_get_structure(caps.get(), 0);
    gst_structure_get_int(s, "width", &w);
    gst_structure_get_int(s, "height", &h);
    int num = 0, den = 1;
    ctx->fps = gst_structure_get_fraction(s, "framerate", &num, &den) && num > 0 && den > 0
                   ? double(num) / double(den)
                   : SimFramesPerSecond(w);
    gst_app_src_set_caps(src, caps.get());
    if (!ctx->picture || ctx->picture->width() != w || ctx->picture->height() != h)
        ctx->picture = std::make_unique<MicrometerPicture>(w, h);
    ctx->drawn.reset();
    if (ctx->pool) gst_buffer_pool_set_active(ctx->pool.get(), FALSE);
    ctx->pool.reset(kAdopt, gst_buffer_pool_new());
    GstStructure* config = gst_buffer_pool_get_config(ctx->pool.get());
    // No upper bound: a pipeline that holds more frames than usual gets more.
    gst_buffer_pool_config_set_params(config, caps.get(), guint(GST_ROUND_UP_4(w * 3) * h), 2, 0);
    if (!gst_buffer_pool_set_config(ctx->pool.get(), config) ||
        !gst_buffer_pool_set_active(ctx->pool.get(), TRUE))
        ctx->pool.reset(); // frames are then allocated one by one
    ctx->shared->width.store(w);
    ctx->shared->height.store(h);
    return true;
}

// appsrc asks for the next frame on its streaming thread; like a camera,
// the answer comes when the frame is due.
void OnNeedData(GstAppSrc* src, guint /*length*/, gpointer user) {
    auto* ctx = static_cast<SimSourceContext*>(user);
    if (!ctx->shared->plugged.load()) {
        // Unplugged: no more frames, and one error as a real camera gives.
        if (!ctx->lossReported)
            PostSourceError(GST_ELEMENT(src), GST_RESOURCE_ERROR, GST_RESOURCE_ERROR_READ,
                            "the simulated microscope was unplugged");
        ctx->lossReported = true;
        return;
    }
    if (!ctx->picture && !Negotiate(src, ctx)) return;
    const auto period = std::chrono::nanoseconds(int64_t(1e9 / ctx->fps));
    const Clock::time_point now = Clock::now();
    if (ctx->nextDue < now - period) ctx->nextDue = now;
    std::this_thread::sleep_until(ctx->nextDue);
    ctx->nextDue += period;

    const double elapsed = std::chrono::duration<double>(Clock::now() - ctx->shared->epoch).count();
    const int focus = ctx->shared->focus.load();
    const bool still = !ctx->shared->drift.load() && focus != kFocusDrift && focus != kFocusDepth;
    const GstClockTime duration = GstClockTime(double(GST_SECOND) / ctx->fps);
    if (still && ctx->drawn && ctx->drawnFocus == focus) {
        // A new buffer sharing the drawn pixels: downstream may stamp its
        // own times on it, and anyone who wants to write gets a copy.
        GstBuffer* again = gst_buffer_copy(ctx->drawn.get());
        GST_BUFFER_PTS(again) = GST_CLOCK_TIME_NONE;
        GST_BUFFER_DTS(again) = GST_CLOCK_TIME_NONE;
        GST_BUFFER_DURATION(again) = duration;
        if (gst_app_src_push_buffer(src, again) == GST_FLOW_OK) {
            ctx->shared->frames.fetch_add(1);
            ctx->shared->pooledFrames.fetch_add(1);
        }
        return;
    }
    ctx->drawn.reset();

    const MicrometerPicture& pic = *ctx->picture;
    const int stride = GST_ROUND_UP_4(pic.width() * 3);
    GstUnique<GstBuffer> buf;
    GstBuffer* pooled = nullptr;
    if (ctx->pool &&
        gst_buffer_pool_acquire_buffer(ctx->pool.get(), &pooled, nullptr) == GST_FLOW_OK)
        buf.reset(kAdopt, pooled);
    else
        buf.reset(kAdopt, gst_buffer_new_allocate(nullptr, gsize(stride) * pic.height(), nullptr));
    GstMapInfo map;
    if (!buf || !gst_buffer_map(buf.get(), &map, GST_MAP_WRITE)) return;
    if (focus == kFocusDepth) {
        if (!ctx->depth || ctx->depth->width() != pic.width() ||
            ctx->depth->height() != pic.height())
            ctx->depth = std::make_unique<SimDepthScene>(pic);
        double at;
        {
            const std::lock_guard<std::mutex> lock(ctx->shared->sweepMutex);
            at = ctx->shared->sweep.At(elapsed);
        }
        const SimView view =
            ctx->shared->drift.load() ? SimHandHeld(elapsed, at) : SimView{0, 0, SimBreathing(at)};
        ctx->depth->Render(at, view, map.data, stride);
    } else {
        pic.CopyView(SimDrift(ctx->shared->drift.load() ? elapsed : 0.0), map.data, stride);
        SimBlur(map.data, pic.width(), pic.height(), stride,
                focus == kFocusDrift ? SimFocusDrift(elapsed) : focus, ctx->blurScratch);
    }
    gst_buffer_unmap(buf.get(), &map);
    GST_BUFFER_DURATION(buf.get()) = duration;
    if (still) {
        ctx->drawn.reset(kRef, buf.get());
        ctx->drawnFocus = focus;
    }
    // appsrc takes the buffer's reference.
    const bool fromPool = pooled != nullptr;
    if (gst_app_src_push_buffer(src, buf.release()) == GST_FLOW_OK) {
        ctx->shared->frames.fetch_add(1);
        if (fromPool) ctx->shared->pooledFrames.fetch_add(1);
    }
}

struct ProcAmpSpec {
    ProcAmpRange range;
    const char* balanceProperty; // videobalance property, or nullptr when absent
    double scale;                // device value × scale = videobalance value
    double offset;
};

// Brightness, contrast, hue and saturation drive videobalance; sharpness
// and gamma are controls this device does not have.
const ProcAmpSpec kProcAmp[kProcAmpPropertyCount] = {
    {{-64, 64, 1, 0, kProcAmpFlagsManual}, "brightness", 1.0 / 128.0, 0.0},
    {{0, 64, 1, 32, kProcAmpFlagsManual}, "contrast", 1.0 / 32.0, 0.0},
    {{-40, 40, 1, 0, kProcAmpFlagsManual}, "hue", 1.0 / 80.0, 0.0},
    {{0, 128, 1, 64, kProcAmpFlagsManual}, "saturation", 1.0 / 64.0, 0.0},
    {{}, nullptr, 0, 0},
    {{}, nullptr, 0, 0},
};

} // namespace

// The device half of the simulated microscope. UI thread.
class SimCamera : public CaptureDevice, public std::enable_shared_from_this<SimCamera> {
public:
    SimCamera() : shared_(std::make_shared<SimShared>()) {
        for (int i = 0; i < kProcAmpPropertyCount; ++i) {
            values_[i] = kProcAmp[i].range.defaultValue;
            flags_[i] = kProcAmp[i].range.flags;
        }
    }
    ~SimCamera() override { SourcesReleased(); }

    QString DisplayName() const override {
        return QString::fromLatin1(SimulatedMicroscope::kDisplayName);
    }
    QString FriendlyName() const override {
        return QString::fromLatin1(SimulatedMicroscope::kFriendlyName);
    }
    bool HasSnapshotButton() const override { return true; }

    GstElement* CreateSource() override {
        if (!shared_->plugged.load() || !EnsureGStreamer()) return nullptr;
        GstUnique<GstElement> bin(kAdopt, gst_bin_new("source"));
        GstUnique<GstElement> src = MakeFeeder();
        GstUnique<GstElement> balance(kAdopt, gst_element_factory_make("videobalance", "balance"));
        // Gives the YUY2 the device offers besides the BGR it draws; passes
        // BGR through untouched.
        GstUnique<GstElement> convert(kAdopt,
                                      gst_element_factory_make("videoconvert", "simconvert"));
        if (!bin || !src || !balance || !convert) return nullptr;
        if (!gst_bin_add(GST_BIN(bin.get()), src.get()) ||
            !gst_bin_add(GST_BIN(bin.get()), balance.get()) ||
            !gst_bin_add(GST_BIN(bin.get()), convert.get()) ||
            !gst_element_link_many(src.get(), balance.get(), convert.get(), nullptr))
            return nullptr;
        const GstUnique<GstPad> out(kAdopt, gst_element_get_static_pad(convert.get(), "src"));
        if (!out || !gst_element_add_pad(bin.get(), gst_ghost_pad_new("src", out.get())))
            return nullptr;

        balance_ = std::move(balance);
        appsrc_ = std::move(src);
        for (int i = 0; i < kProcAmpPropertyCount; ++i)
            ApplyToBalance(i);
        // The caller gets the bin's one reference, as a new element's would be.
        return bin.release();
    }

    GstCaps* OfferedCaps(GstElement* /*source*/) override { return SimOfferedCaps(); }

    void ApplyFormat(GstElement* source, const GstCaps* /*caps*/) override {
        // An appsrc keeps answering the caps of its last run, which would
        // refuse a branch of another size: a fresh feeder takes its place
        // and asks the new branch what it wants with its first frame.
        if (!appsrc_ || !source || !GST_IS_BIN(source)) return;
        const GstUnique<GstElement> balance(kAdopt,
                                            gst_bin_get_by_name(GST_BIN(source), "balance"));
        const GstUnique<GstElement> old(kAdopt, gst_bin_get_by_name(GST_BIN(source), "simsrc"));
        GstUnique<GstElement> fresh = MakeFeeder();
        if (!balance || !old || !fresh) return;
        gst_element_set_state(old.get(), GST_STATE_NULL);
        gst_bin_remove(GST_BIN(source), old.get());
        if (!gst_bin_add(GST_BIN(source), fresh.get())) return;
        gst_element_link(fresh.get(), balance.get());
        gst_element_sync_state_with_parent(fresh.get());
        appsrc_ = std::move(fresh);
    }

    bool HasStillPin() const override { return true; }
    GstElement* CreateStillSource() override {
        GstUnique<GstElement> src(kAdopt, gst_element_factory_make("appsrc", "still"));
        if (!src) return nullptr;
        g_object_set(src.get(), "is-live", TRUE, "do-timestamp", TRUE, "format", GST_FORMAT_TIME,
                     nullptr);
        still_ = src.ref();
        return src.release();
    }

    std::unique_ptr<VideoProcAmp> CreateProcAmp(GstElement* source) override;

    int GetTvFormat(int* format) override {
        if (!format) return kResultInvalidArg;
        *format = norm_;
        return kResultOk;
    }
    int SetTvFormat(int format) override {
        if (format != kTvFormatNtscM && format != kTvFormatPalB) return kResultInvalidArg;
        norm_ = format;
        return kResultOk;
    }

    bool IsPresent() const override { return shared_->plugged.load(); }

    void SourcesReleased() override {
        appsrc_.reset();
        balance_.reset();
        still_.reset();
    }

    // Hands one picture to the still pin; false when no still branch is
    // playing to take it.
    bool PushStill() {
        const int w = shared_->width.load(), h = shared_->height.load();
        if (!still_ || w <= 0 || h <= 0) return false;
        // A still pin that is not streaming drops the picture, as a camera
        // does; queueing it would fire a stale still at the next start.
        GstState state = GST_STATE_NULL;
        if (gst_element_get_state(still_.get(), &state, nullptr, 0) == GST_STATE_CHANGE_FAILURE ||
            state != GST_STATE_PLAYING)
            return false;
        if (!stillPicture_ || stillPicture_->width() != w || stillPicture_->height() != h)
            stillPicture_ = std::make_unique<MicrometerPicture>(w, h);
        const GstUnique<GstCaps> caps(
            kAdopt, gst_caps_new_simple("video/x-raw", "format", G_TYPE_STRING, "BGR", "width",
                                        G_TYPE_INT, w, "height", G_TYPE_INT, h, "framerate",
                                        GST_TYPE_FRACTION, 0, 1, nullptr));
        gst_app_src_set_caps(GST_APP_SRC(still_.get()), caps.get());
        const int stride = GST_ROUND_UP_4(w * 3);
        GstUnique<GstBuffer> buf(kAdopt,
                                 gst_buffer_new_allocate(nullptr, gsize(stride) * h, nullptr));
        GstMapInfo map;
        if (!buf || !gst_buffer_map(buf.get(), &map, GST_MAP_WRITE)) return false;
        stillPicture_->CopyView(QPoint(), map.data, stride);
        gst_buffer_unmap(buf.get(), &map);
        // appsrc takes the buffer's reference.
        return gst_app_src_push_buffer(GST_APP_SRC(still_.get()), buf.release()) == GST_FLOW_OK;
    }

    int Value(int p) const { return values_[p]; }
    int Flags(int p) const { return flags_[p]; }
    void Store(int p, int value, int flags) {
        values_[p] = value;
        flags_[p] = flags;
        ApplyToBalance(p);
    }

    const std::shared_ptr<SimShared>& shared() const { return shared_; }

private:
    // The appsrc that draws the slide; negotiates with its first frame.
    GstUnique<GstElement> MakeFeeder() {
        GstUnique<GstElement> src(kAdopt, gst_element_factory_make("appsrc", "simsrc"));
        if (!src) return {};
        g_object_set(src.get(), "is-live", TRUE, "do-timestamp", TRUE, "format", GST_FORMAT_TIME,
                     "max-bytes", guint64(720 * 576 * 3), nullptr);
        auto* ctx = new SimSourceContext;
        ctx->shared = shared_;
        GstAppSrcCallbacks cb{};
        cb.need_data = OnNeedData;
        gst_app_src_set_callbacks(GST_APP_SRC(src.get()), &cb, ctx,
                                  [](gpointer p) { delete static_cast<SimSourceContext*>(p); });
        return src;
    }

    void ApplyToBalance(int p) {
        if (!balance_ || !kProcAmp[p].balanceProperty) return;
        g_object_set(balance_.get(), kProcAmp[p].balanceProperty,
                     values_[p] * kProcAmp[p].scale + kProcAmp[p].offset, nullptr);
    }

    std::shared_ptr<SimShared> shared_;
    int values_[kProcAmpPropertyCount];
    int flags_[kProcAmpPropertyCount];
    int norm_ = kTvFormatNtscM;
    GstUnique<GstElement> balance_; // the current source's videobalance
    GstUnique<GstElement> still_;   // the current still pin
    GstUnique<GstElement> appsrc_;  // the current source's feeder
    std::unique_ptr<MicrometerPicture> stillPicture_;
};

namespace {

class SimProcAmp : public VideoProcAmp {
public:
    explicit SimProcAmp(std::shared_ptr<SimCamera> camera) : camera_(std::move(camera)) {}
    int GetRange(int p, ProcAmpRange* range) override {
        if (!range || p < 0 || p >= kProcAmpPropertyCount) return kResultInvalidArg;
        if (!kProcAmp[p].balanceProperty) return kResultNotSupported;
        *range = kProcAmp[p].range;
        return kResultOk;
    }
    int Get(int p, int* value, int* flags) override {
        if (!value || p < 0 || p >= kProcAmpPropertyCount) return kResultInvalidArg;
        if (!kProcAmp[p].balanceProperty) return kResultNotSupported;
        *value = camera_->Value(p);
        if (flags) *flags = camera_->Flags(p);
        return kResultOk;
    }
    int Set(int p, int value, int flags) override {
        if (p < 0 || p >= kProcAmpPropertyCount) return kResultInvalidArg;
        if (!kProcAmp[p].balanceProperty) return kResultNotSupported;
        const ProcAmpRange& r = kProcAmp[p].range;
        if (value < r.min || value > r.max) return kResultInvalidArg;
        camera_->Store(p, value, flags);
        return kResultOk;
    }

private:
    std::shared_ptr<SimCamera> camera_;
};

} // namespace

std::unique_ptr<VideoProcAmp> SimCamera::CreateProcAmp(GstElement* source) {
    // The colour controls belong to the source's videobalance, found by name.
    const GstUnique<GstElement> balance(
        kAdopt,
        source && GST_IS_BIN(source) ? gst_bin_get_by_name(GST_BIN(source), "balance") : nullptr);
    if (!balance) return nullptr;
    return std::make_unique<SimProcAmp>(shared_from_this());
}

SimulatedMicroscope::SimulatedMicroscope(QObject* parent)
    : DeviceProvider(parent), camera_(std::make_shared<SimCamera>()) {}

SimulatedMicroscope::~SimulatedMicroscope() {
    if (started_) SetSimulatedButtonSource({});
    control_.reset();
    if (buttonWriteFd_ >= 0) ::close(buttonWriteFd_);
}

bool SimulatedMicroscope::Start() {
    if (started_) return true;
    if (!EnsureGStreamer()) return false;
    started_ = true;
    SetSimulatedButtonSource([this] { return OpenButton(); });
    const QString control = qEnvironmentVariable("TAVOLUX_SIM_CONTROL");
    if (!control.isEmpty()) {
        control_ = std::make_unique<ControlFifo>(
            [this](const QString& line) { HandleControlLine(line); }, this);
        control_->Open(control);
    }
    return true;
}

std::vector<std::shared_ptr<CaptureDevice>> SimulatedMicroscope::Devices() {
    if (!started_ || !Plugged()) return {};
    return {camera_};
}

std::shared_ptr<CaptureDevice> SimulatedMicroscope::Device() const {
    return camera_;
}

bool SimulatedMicroscope::Plugged() const {
    return camera_->shared()->plugged.load();
}

void SimulatedMicroscope::SetFocus(int radius) {
    camera_->shared()->focus.store(std::clamp(radius, 0, kMaxFocusRadius));
}

void SimulatedMicroscope::SetFocusDrift() {
    camera_->shared()->focus.store(kFocusDrift);
}

void SimulatedMicroscope::SetFocusSweep(double from, double to, double seconds) {
    SimShared& shared = *camera_->shared();
    {
        const std::lock_guard<std::mutex> lock(shared.sweepMutex);
        shared.sweep.from = std::clamp(from, kMinFocusPosition, kMaxFocusPosition);
        shared.sweep.to = std::clamp(to, kMinFocusPosition, kMaxFocusPosition);
        shared.sweep.seconds = std::max(0.0, seconds);
        shared.sweep.start = std::chrono::duration<double>(Clock::now() - shared.epoch).count();
    }
    shared.focus.store(kFocusDepth);
}

void SimulatedMicroscope::SetFocusPosition(double position) {
    SetFocusSweep(position, position, 0);
}

bool SimulatedMicroscope::WriteSharpView(const QString& path) const {
    const int w = camera_->shared()->width.load(), h = camera_->shared()->height.load();
    const MicrometerPicture picture(w > 0 ? w : 640, h > 0 ? h : 480);
    const SimDepthScene scene(picture);
    QImage out(scene.width(), scene.height(), QImage::Format_BGR888);
    scene.RenderSharp(SimView{}, out.bits(), int(out.bytesPerLine()));
    return out.save(path, "PNG");
}

void SimulatedMicroscope::SetDrift(bool on) {
    camera_->shared()->drift.store(on);
}

uint64_t SimulatedMicroscope::FramesFromPool() const {
    return camera_->shared()->pooledFrames.load();
}

uint64_t SimulatedMicroscope::FramesDelivered() const {
    return camera_->shared()->frames.load();
}

void SimulatedMicroscope::Unplug() {
    if (!Plugged()) return;
    camera_->shared()->plugged.store(false);
    if (buttonWriteFd_ >= 0) ::close(buttonWriteFd_);
    buttonWriteFd_ = -1;
    emit removed(camera_->DisplayName());
}

void SimulatedMicroscope::Plug() {
    if (Plugged()) return;
    camera_->shared()->plugged.store(true);
    emit arrived(camera_->DisplayName());
}

int SimulatedMicroscope::OpenButton() {
    if (!Plugged()) return -1;
    int sv[2];
    if (::socketpair(AF_UNIX, SOCK_STREAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0, sv) != 0) return -1;
    if (buttonWriteFd_ >= 0) ::close(buttonWriteFd_);
    buttonWriteFd_ = sv[1];
    return sv[0];
}

bool SimulatedMicroscope::SendButtonPress() {
    if (buttonWriteFd_ < 0) return false;
    if (WriteKeyCameraPress(buttonWriteFd_)) return true;
    ::close(buttonWriteFd_);
    buttonWriteFd_ = -1;
    return false;
}

void SimulatedMicroscope::Press() {
    if (!Plugged()) return;
    if (!SendButtonPress()) camera_->PushStill();
}

void SimulatedMicroscope::StillPin() {
    if (Plugged()) camera_->PushStill();
}

bool SimulatedMicroscope::HandleControlLine(const QString& line) {
    const QString word = line.trimmed().toLower();
    if (word.startsWith(QLatin1String("focus "))) {
        const QString arg = word.mid(6).trimmed();
        if (arg == QLatin1String("drift")) {
            SetFocusDrift();
            return true;
        }
        const QStringList parts = arg.split(QLatin1Char(' '), Qt::SkipEmptyParts);
        const auto number = [&](int i, double* out) {
            bool ok = false;
            *out = i < parts.size() ? parts[i].toDouble(&ok) : 0.0;
            return ok && std::isfinite(*out) && *out >= kMinFocusPosition &&
                   *out <= kMaxFocusPosition;
        };
        double from = 0, to = 0, seconds = 0;
        if (parts.size() == 2 && parts[0] == QLatin1String("at")) {
            if (!number(1, &to)) return false;
            SetFocusPosition(to);
            return true;
        }
        if (parts.size() == 4 && parts[0] == QLatin1String("sweep")) {
            if (!number(1, &from) || !number(2, &to) || !number(3, &seconds) || seconds < 0)
                return false;
            SetFocusSweep(from, to, seconds);
            return true;
        }
        bool ok = false;
        const int radius = arg.toInt(&ok);
        if (!ok || radius < 0 || radius > kMaxFocusRadius) return false;
        SetFocus(radius);
        return true;
    }
    if (word == QLatin1String("drift on") || word == QLatin1String("drift off")) {
        SetDrift(word.endsWith(QLatin1String("on")));
        return true;
    }
    if (word == QLatin1String("press"))
        Press();
    else if (word == QLatin1String("unplug"))
        Unplug();
    else if (word == QLatin1String("plug"))
        Plug();
    else if (word == QLatin1String("still"))
        StillPin();
    else if (word.startsWith(QLatin1String("truth ")))
        // The path as written: only the command word is matched without case.
        return WriteSharpView(line.trimmed().mid(6).trimmed());
    else
        return false;
    return true;
}

} // namespace tvx

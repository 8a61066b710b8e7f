#include "capture/capture_engine.h"

#include "capture/device_gst.h"
#include "capture/format_choice.h"
#include "capture/jpeg_decoder.h"
#include "capture/sim_microscope.h"
#include "capture/test_cameras.h"
#include "platform/device_presence.h"
#include "platform/gst_bus_observer.h"

#include <QLoggingCategory>
#include <algorithm>
#include <cstring>
#include <gst/app/gstappsink.h>
#include <gst/video/video.h>

namespace tvx {

Q_LOGGING_CATEGORY(lcCapture, "tavolux.capture")

namespace {

// Still pin buffers only say that the device took a still.
GstFlowReturn OnStillSample(GstAppSink* sink, gpointer user) {
    const GstUnique<GstSample> sample(kAdopt, gst_app_sink_pull_sample(sink));
    if (!sample) return GST_FLOW_EOS;
    if (StillFlags* flags = static_cast<std::atomic<StillFlags*>*>(user)->load())
        flags->Request(StillSource::Microscope);
    return GST_FLOW_OK;
}

// A four-character code as it reads, for the log.
QString FourCCText(uint32_t code) {
    if (code == 0) return QStringLiteral("RGB");
    QString text;
    for (int i = 0; i < 4; ++i) {
        const char c = char((code >> (8 * i)) & 0xFF);
        if (c < 0x20 || c > 0x7E) return QStringLiteral("0x%1").arg(code, 8, 16, QLatin1Char('0'));
        text += QLatin1Char(c);
    }
    return text;
}

} // namespace

int KnownDeviceStatus(const QString& displayName) {
    for (int i = 0; i < kKnownDeviceIdCount; ++i)
        if (displayName.contains(QLatin1String(kKnownDeviceIds[i]), Qt::CaseInsensitive)) return i;
    return -1;
}

// A frame GStreamer delivered, mapped for as long as someone holds it: the
// still buffer keeps the last one this way instead of copying it.
struct MappedSample {
    GstUnique<GstSample> sample;
    GstVideoFrame frame{};
    bool mapped = false;

    MappedSample(GstSample* s, GstVideoInfo* info, bool write) : sample(kRef, s) {
        // The sample holds the buffer; a reference of the mapping's own
        // would make it look shared to the write check.
        GstBuffer* buffer = gst_sample_get_buffer(s);
        const int flags =
            GST_MAP_READ | (write ? GST_MAP_WRITE : 0) | GST_VIDEO_FRAME_MAP_FLAG_NO_REF;
        mapped = gst_video_frame_map(&frame, info, buffer, GstMapFlags(flags));
    }
    ~MappedSample() {
        if (mapped) gst_video_frame_unmap(&frame);
    }
    MappedSample(const MappedSample&) = delete;
    MappedSample& operator=(const MappedSample&) = delete;
};

// Everything the preview appsink callback needs. The receiver is set from
// the UI thread; the rest belongs to the streaming thread.
struct CaptureEngine::Delivery {
    std::atomic<FrameReceiver*> receiver{nullptr}; // written on the UI thread
    GstUnique<GstCaps> lastCaps;                   // streaming thread only
    GstVideoInfo info;                             // streaming thread only

    static GstFlowReturn OnSample(GstAppSink* sink, gpointer user) {
        auto* self = static_cast<Delivery*>(user);
        const GstUnique<GstSample> sample(kAdopt, gst_app_sink_pull_sample(sink));
        if (!sample) return GST_FLOW_EOS;
        self->Deliver(sample.get());
        return GST_FLOW_OK;
    }

    // The frame goes on in GStreamer's own buffer, top-down rows read
    // bottom-up through a negative stride: no copy on the way. It is mapped
    // for writing only when an effect will change it and the buffer is ours
    // alone; otherwise it is marked read-only and the effects copy it.
    void Deliver(GstSample* sample) {
        FrameReceiver* r = receiver.load();
        if (!r) return;
        GstCaps* caps = gst_sample_get_caps(sample);
        GstBuffer* buffer = gst_sample_get_buffer(sample);
        if (!caps || !buffer) return;
        if (caps != lastCaps.get()) {
            if (!gst_video_info_from_caps(&info, caps)) return;
            lastCaps.reset(kRef, caps);
        }
        const GstVideoFormat format = GST_VIDEO_INFO_FORMAT(&info);
        if (format != GST_VIDEO_FORMAT_BGR && format != GST_VIDEO_FORMAT_BGRx) return;
        const int pixelBytes = format == GST_VIDEO_FORMAT_BGR ? 3 : 4;
        // 32-bit frames are never changed in place: the effects work on a
        // 24-bit copy of them.
        const bool write = pixelBytes == 3 && r->ChangesPixels() && gst_buffer_is_writable(buffer);
        auto mapped = std::make_shared<MappedSample>(sample, &info, write);
        if (!mapped->mapped) return;
        GstVideoFrame& vf = mapped->frame;
        const int w = GST_VIDEO_FRAME_WIDTH(&vf);
        const int h = GST_VIDEO_FRAME_HEIGHT(&vf);
        const int stride = GST_VIDEO_FRAME_PLANE_STRIDE(&vf, 0);
        auto* top = static_cast<uint8_t*>(GST_VIDEO_FRAME_PLANE_DATA(&vf, 0));
        if (w <= 0 || h <= 0 || stride < w * pixelBytes) return;
        FrameView view{top + std::ptrdiff_t(stride) * (h - 1), w, h, -stride};
        view.pixelBytes = pixelBytes;
        view.readOnly = !write;
        view.owner = std::move(mapped);
        const GstClockTime pts = GST_BUFFER_PTS(buffer);
        const double seconds =
            GST_CLOCK_TIME_IS_VALID(pts) ? double(pts) / double(GST_SECOND) : 0.0;
        r->OnFrame(seconds, view);
    }
};

CaptureEngine::CaptureEngine(bool simulate, QObject* parent)
    : QObject(parent), delivery_(std::make_unique<Delivery>()) {
    EnsureGStreamer();
    for (DeviceProvider* p : StandardProviders(simulate, this))
        AddProvider(p);
}

std::vector<DeviceProvider*> StandardProviders(bool simulate, QObject* parent) {
    std::vector<DeviceProvider*> out;
    if (simulate) out.push_back(new SimulatedMicroscope(parent));
    if (TestCameraProvider::Requested()) out.push_back(new TestCameraProvider(parent));
    out.push_back(new GstDeviceProvider(parent));
    return out;
}

CaptureEngine::CaptureEngine(std::vector<DeviceProvider*> providers, QObject* parent)
    : QObject(parent), delivery_(std::make_unique<Delivery>()) {
    EnsureGStreamer();
    for (DeviceProvider* p : providers)
        AddProvider(p);
}

CaptureEngine::~CaptureEngine() {
    ReleasePipeline();
}

void CaptureEngine::AddProvider(DeviceProvider* provider) {
    if (!provider) return;
    provider->setParent(this);
    providers_.push_back(provider);
    connect(provider, &DeviceProvider::arrived, this, &CaptureEngine::deviceArrived);
    connect(provider, &DeviceProvider::removed, this, &CaptureEngine::deviceRemoved);
}

SimulatedMicroscope* CaptureEngine::Simulator() const {
    for (DeviceProvider* p : providers_)
        if (auto* sim = qobject_cast<SimulatedMicroscope*>(p)) return sim;
    return nullptr;
}

void CaptureEngine::SetFrameReceiver(FrameReceiver* receiver) {
    delivery_->receiver.store(receiver);
}

void CaptureEngine::SetButtonCallbacks(std::function<bool()> open, std::function<void()> close) {
    openButton_ = std::move(open);
    closeButton_ = std::move(close);
}

void CaptureEngine::SetWindows(QObject* videoOwner) {
    videoOwner_ = videoOwner;
    deviceCount_ = 0;
}

namespace {

Status GStreamerMissing() {
    return Status::Fail(QStringLiteral("GStreamer cannot be initialised"));
}

} // namespace

Status CaptureEngine::Failure(const QString& what, int errorsBefore) const {
    if (errors_ == errorsBefore) return Status::Fail(what);
    return Status::Fail(what + QStringLiteral(": ") + lastError_);
}

Status CaptureEngine::CreateDeviceEnumerator() {
    if (enumeratorCreated_) return Status::Ok();
    if (!EnsureGStreamer()) return GStreamerMissing();
    for (DeviceProvider* p : providers_)
        if (p->Start()) enumeratorCreated_ = true;
    if (enumeratorCreated_) return Status::Ok();
    return Status::Fail(QStringLiteral("no source of capture devices can list them"));
}

int CaptureEngine::OpenButtonFor(const DeviceSlot& slot) {
    const bool standIn =
        slot.status < 0 && otherCameras_ && slot.device && slot.device->HasSnapshotButton();
    if (slot.status != kMicroscopeStatus && !standIn) return 0;
    return openButton_ && openButton_() ? 1 : 0;
}

CaptureDevice* CaptureEngine::CurrentDevice() const {
    return currentRow_ >= 0 ? table_[size_t(currentRow_)].device.get() : nullptr;
}

void CaptureEngine::AllowOtherCameras(bool allowed, const QString& preferred) {
    otherCameras_ = allowed;
    preferredCamera_ = preferred;
}

int CaptureEngine::StandInRow(int count) const {
    if (!otherCameras_ || count == 0) return -1;
    if (preferredCamera_.isEmpty()) return 0;
    return RowOf(preferredCamera_);
}

QString CaptureEngine::DeviceIdOf(const DeviceSlot& slot) const {
    if (slot.status >= 0) return QString::fromLatin1(kKnownDeviceIds[slot.status]);
    return slot.device ? slot.device->Identity() : QString();
}

Status CaptureEngine::EnumerateDevices() {
    if (!enumeratorCreated_) return Status::Fail(QStringLiteral("the device list is not open"));

    std::array<DeviceSlot, kDeviceSlotCount> fresh;
    int count = 0;
    for (DeviceProvider* p : providers_) {
        for (auto& device : p->Devices()) {
            // The table has ten rows; later devices are not listed.
            if (count == kDeviceSlotCount) break;
            if (!device) continue;
            DeviceSlot& slot = fresh[size_t(count++)];
            slot.displayName = device->DisplayName().left(kDeviceNameCapacity - 1);
            slot.friendlyName = device->FriendlyName().left(kDeviceNameCapacity - 1);
            slot.status = KnownDeviceStatus(slot.displayName);
            slot.device = std::move(device);
        }
    }

    // Keep the previous choice when the same device is still there, unless
    // it stands in for the microscope and the microscope has just arrived:
    // the microscope is preferred. A camera chosen while the microscope was
    // already there stays.
    const auto hasMicroscope = [](const auto& rows, int n) {
        return std::any_of(rows.begin(), rows.begin() + n,
                           [](const DeviceSlot& d) { return d.device && d.status >= 0; });
    };
    const bool microscopeArrived =
        hasMicroscope(fresh, count) && !hasMicroscope(table_, deviceCount_);
    int kept = -1;
    for (const DeviceSlot& old : table_) {
        if (!old.selected || !old.device) continue;
        if (old.status < 0 && microscopeArrived) break;
        for (int j = 0; j < count; ++j) {
            if (fresh[size_t(j)].device->SameDevice(*old.device)) {
                DeviceSlot& slot = fresh[size_t(j)];
                slot.device = old.device;
                slot.status = old.status;
                slot.displayName = old.displayName;
                slot.friendlyName = old.friendlyName;
                slot.selected = 1;
                kept = j;
                break;
            }
        }
        if (kept >= 0) break;
    }
    table_ = std::move(fresh);
    deviceCount_ = count;
    currentRow_ = kept;

    if (kept >= 0) {
        if (table_[size_t(kept)].status == kMicroscopeStatus) {
            OpenButtonFor(table_[size_t(kept)]);
            buttonLibraryMode_ = 1;
        } else if (OpenButtonFor(table_[size_t(kept)])) {
            buttonLibraryMode_ = 1;
        }
        return Status::Ok();
    }

    // Choose afresh: the smallest known status, the earliest row on a tie.
    int best = -1;
    for (int i = 0; i < count; ++i) {
        const int s = table_[size_t(i)].status;
        if (s >= 0 && (best < 0 || s < table_[size_t(best)].status)) best = i;
    }
    if (best < 0) best = StandInRow(count);
    if (best < 0) {
        currentDeviceId_.clear();
        if (otherCameras_ && !preferredCamera_.isEmpty() && count > 0)
            return Status::Fail(
                QStringLiteral("the chosen camera %1 is not attached").arg(preferredCamera_));
        return Status::Fail(count == 0 ? QStringLiteral("no capture device is attached")
                                       : QStringLiteral("none of the %1 capture devices is a "
                                                        "microscope")
                                             .arg(count));
    }
    DeviceSlot& chosen = table_[size_t(best)];
    // Current before its button opens: the opener asks which device it is.
    chosen.selected = 1;
    currentRow_ = best;
    currentDeviceId_ = DeviceIdOf(chosen);
    buttonLibraryMode_ = OpenButtonFor(chosen);
    return Status::Ok();
}

GstBusSyncReply CaptureEngine::FilterBusMessage(GstBus* /*bus*/, GstMessage* msg,
                                                gpointer /*user*/) {
    // Runs on whichever thread posts. Only what the UI thread acts on is
    // queued; the rest is released here, since a dropped message is ours to
    // free and each one holds its source, and through it the pipeline.
    switch (GST_MESSAGE_TYPE(msg)) {
    case GST_MESSAGE_ERROR:
    case GST_MESSAGE_WARNING:
    case GST_MESSAGE_EOS:
    case GST_MESSAGE_LATENCY:
        return GST_BUS_PASS;
    case GST_MESSAGE_STATE_CHANGED:
        // Only the pipeline's own changes matter (graph dumps).
        if (GST_MESSAGE_SRC(msg) && GST_IS_PIPELINE(GST_MESSAGE_SRC(msg))) return GST_BUS_PASS;
        break;
    default:
        break;
    }
    const GstUnique<GstMessage> dropped(kAdopt, msg);
    return GST_BUS_DROP;
}

Status CaptureEngine::MakePipeline() {
    GstUnique<GstElement> pipeline(kAdopt, gst_pipeline_new("capture"));
    if (!pipeline) return Status::Fail(QStringLiteral("cannot make a pipeline"));
    GstShared<GstBus> bus = BusOf(pipeline.get());
    if (!bus) return Status::Fail(QStringLiteral("the pipeline has no bus"));
    gst_bus_set_sync_handler(bus.get(), &CaptureEngine::FilterBusMessage, nullptr, nullptr);
    bus_ = std::make_unique<GstBusObserver>(bus);
    bus_->On(GstMessageType(GST_MESSAGE_ERROR | GST_MESSAGE_WARNING),
             [this](GstMessage* m) { OnProblem(m); });
    bus_->On(GST_MESSAGE_EOS, [this](GstMessage* m) { OnEndOfStream(m); });
    bus_->On(GST_MESSAGE_STATE_CHANGED, [this](GstMessage* m) { OnStateChanged(m); });
    bus_->On(GST_MESSAGE_LATENCY, [this](GstMessage*) {
        if (pipeline_) gst_bin_recalculate_latency(GST_BIN(pipeline_.get()));
    });
    pipeline_ = std::move(pipeline);
    lastError_.clear();
    return Status::Ok();
}

void CaptureEngine::OnProblem(GstMessage* msg) {
    const QString reason = DescribeMessage(msg);
    if (GST_MESSAGE_TYPE(msg) == GST_MESSAGE_ERROR) {
        qCWarning(lcCapture).noquote() << "capture error:" << reason;
        DumpGraph(pipeline_.get(), "tavolux-capture-error");
        lastError_ = reason;
        ++errors_;
        emit captureError(reason);
    } else {
        qCInfo(lcCapture).noquote() << "capture warning:" << reason;
        emit captureWarning(reason);
    }
}

void CaptureEngine::OnEndOfStream(GstMessage* /*msg*/) {
    // A live source ends only when it goes; the device watch tells that.
    qCDebug(lcCapture) << "end of stream";
}

void CaptureEngine::OnStateChanged(GstMessage* msg) {
    if (!pipeline_ || GST_MESSAGE_SRC(msg) != GST_OBJECT(pipeline_.get())) return;
    GstState state = GST_STATE_VOID_PENDING;
    gst_message_parse_state_changed(msg, nullptr, &state, nullptr);
    if (state == GST_STATE_PLAYING) DumpGraph(pipeline_.get(), "tavolux-capture-playing");
}

Status CaptureEngine::BuildGraph() {
    if (source_) return Status::Ok();
    if (!EnsureGStreamer()) return GStreamerMissing();
    if (!pipeline_) {
        const Status made = MakePipeline();
        if (!made) {
            qCWarning(lcCapture).noquote() << made.reason();
            return made;
        }
    }
    if (currentRow_ < 0 || !table_[size_t(currentRow_)].device) {
        ReleaseAll();
        return Status::Fail(QStringLiteral("no capture device is chosen"));
    }
    CaptureDevice& device = *table_[size_t(currentRow_)].device;
    table_[size_t(currentRow_)].friendlyName = device.FriendlyName().left(kDeviceNameCapacity - 1);

    const GstUnique<GstElement> source(kAdopt, device.CreateSource());
    if (!source || !gst_bin_add(GST_BIN(pipeline_.get()), source.get())) {
        const Status failed =
            Status::Fail(QStringLiteral("no source for %1").arg(device.FriendlyName()));
        qCInfo(lcCapture).noquote() << failed.reason();
        ReleaseAll();
        return failed;
    }
    source_ = source.get();
    // READY opens the device: a camera that is gone fails here.
    if (gst_element_set_state(pipeline_.get(), GST_STATE_READY) == GST_STATE_CHANGE_FAILURE) {
        // The reason waits on the bus; read it before the bus goes.
        const int errorsBefore = errors_;
        if (bus_) bus_->ProcessPending();
        const Status failed =
            Failure(QStringLiteral("%1 cannot be opened").arg(device.FriendlyName()), errorsBefore);
        qCInfo(lcCapture).noquote() << failed.reason();
        ReleaseAll();
        return failed;
    }
    offeredCaps_.reset(kAdopt, device.OfferedCaps(source_));
    if (!FormatFromCaps(offeredCaps_.get(), &deviceFormat_))
        deviceFormat_ = DefaultFormat(VideoInfoHeader());
    procAmp_ = device.CreateProcAmp(source_);

    hasStillPin_ = false;
    if (device.HasStillPin()) {
        const GstUnique<GstElement> still(kAdopt, device.CreateStillSource());
        if (still && gst_bin_add(GST_BIN(pipeline_.get()), still.get())) {
            stillSource_ = still.get();
            hasStillPin_ = true;
        }
    }
    return Status::Ok();
}

bool CaptureEngine::Offered(const GstCaps* caps) const {
    if (!offeredCaps_ || gst_caps_is_any(offeredCaps_.get())) return true;
    return gst_caps_can_intersect(offeredCaps_.get(), caps);
}

GstUnique<GstCaps> CaptureEngine::FilterFor(const VideoInfoHeader& h, bool* jpeg,
                                            bool quiet) const {
    // The format is asked for as a whole where the device offers it. Where
    // it does not, the parts it cannot give are dropped, least needed
    // first: the rate, then the pixel format (the device's own, then any it
    // has: many USB cameras offer their larger sizes only as JPEG). The
    // size is never given up here; the caller falls back to the default.
    const GstUnique<GstCaps> stored(kAdopt, PixelCaps(h));
    const GstUnique<GstCaps> device(kAdopt, PixelCaps(deviceFormat_));
    const GstUnique<GstCaps> anyRaw(kAdopt, gst_caps_new_empty_simple("video/x-raw"));
    const GstUnique<GstCaps> anyJpeg(kAdopt, gst_caps_new_empty_simple("image/jpeg"));
    // A camera that offers the size both raw and as JPEG is asked for the
    // kind that keeps the picture smooth, whatever was stored for another
    // size.
    GstUnique<GstCaps> preferred;
    if (const char* media = PreferredMedia(offeredCaps_.get(), h.biWidth, std::abs(h.biHeight)))
        if (!stored || !gst_structure_has_name(gst_caps_get_structure(stored.get(), 0), media))
            preferred.reset(kAdopt, gst_caps_new_empty_simple(media));
    const GstCaps* pixelChoices[] = {preferred.get(), stored.get(), device.get(), anyRaw.get(),
                                     anyJpeg.get()};
    int rateNum = 0, rateDen = 1;
    const bool hasRate = FrameRate(h.avgTimePerFrame, &rateNum, &rateDen);
    for (const GstCaps* pixels : pixelChoices) {
        if (!pixels) continue;
        const bool isJpeg = gst_structure_has_name(gst_caps_get_structure(pixels, 0), "image/jpeg");
        // JPEG is only taken on the device's word: a source that cannot
        // tell is asked for raw frames.
        if (pixels != stored.get() && isJpeg &&
            (!offeredCaps_ || gst_caps_is_any(offeredCaps_.get())))
            continue;
        for (const bool withRate : {true, false}) {
            if (!withRate && !hasRate) continue; // the same caps as just tried
            GstUnique<GstCaps> caps(kAdopt, FormatCaps(pixels, h, withRate));
            if (!Offered(caps.get())) continue;
            *jpeg = isJpeg;
            if (quiet) return caps;
            const QString size = QStringLiteral("%1 x %2").arg(h.biWidth).arg(std::abs(h.biHeight));
            if (pixels == preferred.get())
                qCInfo(lcCapture).noquote()
                    << QStringLiteral("%1 is asked for at %2, where it comes fastest")
                           .arg(QString::fromUtf8(
                                    gst_structure_get_name(gst_caps_get_structure(pixels, 0))),
                                size);
            else if (!stored)
                qCInfo(lcCapture).noquote()
                    << QStringLiteral("stored pixel format %1/%2 bits has no counterpart here; "
                                      "the device's format is used")
                           .arg(FourCCText(h.biCompression))
                           .arg(h.biBitCount);
            else if (pixels != stored.get())
                qCInfo(lcCapture).noquote()
                    << QStringLiteral("the device does not offer %1 at %2; its own format is used")
                           .arg(FourCCText(h.biCompression), size);
            if (hasRate && !withRate)
                qCInfo(lcCapture).noquote()
                    << QStringLiteral("the device does not offer %1/%2 frames a second at %3; its "
                                      "own rate is used")
                           .arg(rateNum)
                           .arg(rateDen)
                           .arg(size);
            return caps;
        }
    }
    return {};
}

VideoInfoHeader CaptureEngine::AppliedFormat(const VideoInfoHeader& wanted,
                                             const GstCaps* filter) const {
    // Where the rate or the pixel format was dropped the device chooses it;
    // its first choice within the filter is what it will give, and what a
    // size change later keeps.
    const GstUnique<GstCaps> chosen(
        kAdopt, offeredCaps_ && !gst_caps_is_any(offeredCaps_.get())
                    ? gst_caps_intersect(offeredCaps_.get(), const_cast<GstCaps*>(filter))
                    : gst_caps_copy(filter));
    VideoInfoHeader device;
    if (!FormatFromCaps(chosen.get(), &device)) return wanted;
    VideoInfoHeader applied = wanted;
    if (device.avgTimePerFrame > 0) applied.avgTimePerFrame = device.avgTimePerFrame;
    if (device.biBitCount > 0) {
        applied.biCompression = device.biCompression;
        applied.biBitCount = device.biBitCount;
    }
    if (applied == wanted) return wanted;
    return ResizedFormat(applied, applied.biWidth, applied.biHeight);
}

Status CaptureEngine::BuildPreviewBranch(GstCaps* filter, bool jpeg) {
    const GstUnique<GstElement> capsfilter(kAdopt,
                                           gst_element_factory_make("capsfilter", "format"));
    GstUnique<GstElement> decode;
    if (jpeg) {
        decode.reset(kAdopt,
                     gst_element_factory_make(JpegDecoderName().toUtf8().constData(), "decode"));
        // A hardware decoder that cannot be made now gives way to software.
        if (!decode) decode.reset(kAdopt, gst_element_factory_make(kSoftwareJpegDecoder, "decode"));
    }
    const GstUnique<GstElement> convert(kAdopt,
                                        gst_element_factory_make("videoconvert", "convert"));
    const GstUnique<GstElement> sink(kAdopt, gst_element_factory_make("appsink", "SampleGrabber"));
    if (!capsfilter || !convert || !sink || (jpeg && !decode))
        return Status::Fail(QStringLiteral("a GStreamer element is missing (capsfilter, "
                                           "videoconvert, appsink or a JPEG decoder)"));
    g_object_set(capsfilter.get(), "caps", filter, nullptr);
    // A decoded camera frame (I420, YUY2) is converted to BGRx as cheaply as
    // a plain display would, and shown without another conversion; a frame
    // that is BGR already passes through untouched.
    const GstUnique<GstCaps> bgr(
        kAdopt, gst_caps_from_string("video/x-raw,format=BGRx;video/x-raw,format=BGR"));
    // A live picture wants the newest frame, never a queue of old ones; and
    // the sink must not wait for a first frame to change state.
    // Nor may it keep a last frame of its own: the frames it hands out are
    // written in place when nobody else holds them.
    g_object_set(sink.get(), "caps", bgr.get(), "sync", FALSE, "async", FALSE, "max-buffers", 2u,
                 "drop", TRUE, "enable-last-sample", FALSE, nullptr);
    GstAppSinkCallbacks cb{};
    cb.new_sample = &Delivery::OnSample;
    gst_app_sink_set_callbacks(GST_APP_SINK(sink.get()), &cb, delivery_.get(), nullptr);

    std::vector<GstElement*> chain{capsfilter.get()};
    if (decode) chain.push_back(decode.get());
    chain.push_back(convert.get());
    chain.push_back(sink.get());
    for (GstElement* e : chain) {
        if (!gst_bin_add(GST_BIN(pipeline_.get()), e))
            return Status::Fail(QStringLiteral("cannot add %1 to the pipeline")
                                    .arg(QString::fromUtf8(GST_ELEMENT_NAME(e))));
        previewElements_.push_back(e);
    }
    GstElement* upstream = source_;
    for (GstElement* e : chain) {
        if (!gst_element_link(upstream, e))
            return Status::Fail(QStringLiteral("cannot link %1 to %2")
                                    .arg(QString::fromUtf8(GST_ELEMENT_NAME(upstream)),
                                         QString::fromUtf8(GST_ELEMENT_NAME(e))));
        upstream = e;
    }
    return Status::Ok();
}

Status CaptureEngine::BuildStillBranch() {
    const GstUnique<GstElement> sink(kAdopt, gst_element_factory_make("appsink", "StillGrabber"));
    if (!sink) return Status::Fail(QStringLiteral("no appsink for the still pin"));
    // The still pin is silent until a still is taken: the sink must not
    // hold the pipeline back waiting for a first buffer.
    g_object_set(sink.get(), "sync", FALSE, "async", FALSE, "max-buffers", 1u, "drop", TRUE,
                 nullptr);
    GstAppSinkCallbacks cb{};
    cb.new_sample = &OnStillSample;
    gst_app_sink_set_callbacks(GST_APP_SINK(sink.get()), &cb, &stillFlags_, nullptr);
    if (!gst_bin_add(GST_BIN(pipeline_.get()), sink.get()))
        return Status::Fail(QStringLiteral("cannot add the still sink"));
    if (!gst_element_link(stillSource_, sink.get())) {
        gst_element_set_state(sink.get(), GST_STATE_NULL);
        gst_bin_remove(GST_BIN(pipeline_.get()), sink.get());
        return Status::Fail(QStringLiteral("the still pin does not link to its sink"));
    }
    stillSink_ = sink.get();
    return Status::Ok();
}

Status CaptureEngine::BuildPreview() {
    if (built_) return Status::Ok();
    if (running_) return Status::Fail(QStringLiteral("the capture pipeline is running"));
    if (!source_) return Status::Fail(QStringLiteral("there is no capture graph"));
    CaptureDevice* device = table_[size_t(currentRow_)].device.get();
    if (device) device->SetTvFormat(kTvFormatNtscM); // a device without a norm ignores this

    VideoInfoHeader wanted = deviceFormat_;
    VideoInfoHeader stored;
    if (unsavedFormat_)
        wanted = *unsavedFormat_;
    else if (ReadCapConfigFile(CapConfigPath(), &stored))
        wanted = stored;
    else
        wanted = DefaultFormat(deviceFormat_);

    bool jpeg = false;
    GstUnique<GstCaps> filter = FilterFor(wanted, &jpeg);
    if (!filter) {
        // Rejected: the default once more.
        wanted = DefaultFormat(deviceFormat_);
        filter = FilterFor(wanted, &jpeg);
        if (!filter) {
            // Rejected again: take the picture as the device gives it rather
            // than build a branch that can never start.
            filter.reset(kAdopt, gst_caps_new_empty_simple("video/x-raw"));
            jpeg = false;
            wanted = deviceFormat_;
        }
    }
    format_ = AppliedFormat(wanted, filter.get());
    NoteCaptureSize(format_.biWidth, format_.biHeight < 0 ? -format_.biHeight : format_.biHeight);

    if (device) device->ApplyFormat(source_, filter.get());
    const Status branch = BuildPreviewBranch(filter.get(), jpeg);
    if (!branch) {
        qCWarning(lcCapture).noquote() << "preview:" << branch.reason();
        TearDownPreview();
        return branch;
    }
    if (hasStillPin_) {
        // The preview never depends on the still pin.
        const Status still = BuildStillBranch();
        if (!still) qCInfo(lcCapture).noquote() << "still pin:" << still.reason();
    }
    built_ = true;
    return Status::Ok();
}

Status CaptureEngine::Run() {
    if (running_) return Status::Ok();
    if (!built_) return Status::Fail(QStringLiteral("the preview is not built"));
    if (gst_element_set_state(pipeline_.get(), GST_STATE_PLAYING) == GST_STATE_CHANGE_FAILURE) {
        // Not counted as running: the caller shows the connection message.
        // The element that refused says why on the bus.
        const int errorsBefore = errors_;
        if (bus_) bus_->ProcessPending();
        const Status failed = Failure(QStringLiteral("the picture does not start"), errorsBefore);
        qCInfo(lcCapture).noquote() << failed.reason();
        gst_element_set_state(pipeline_.get(), GST_STATE_READY);
        return failed;
    }
    SetRunning(true);
    return Status::Ok();
}

Status CaptureEngine::Stop() {
    SetRunning(false);
    if (!pipeline_) return Status::Ok();
    if (gst_element_set_state(pipeline_.get(), GST_STATE_READY) != GST_STATE_CHANGE_FAILURE)
        return Status::Ok();
    const Status failed = Status::Fail(QStringLiteral("the picture does not stop"));
    qCInfo(lcCapture).noquote() << failed.reason();
    return failed;
}

void CaptureEngine::SetRunning(bool running) {
    if (running_ == running) return;
    running_ = running;
    emit runningChanged(running);
}

void CaptureEngine::NoteCaptureSize(int width, int height) {
    captureSize_.Store(width, height);
    emit captureSizeChanged(width, height);
}

Status CaptureEngine::RestartPreview() {
    Stop();
    const Status built = BuildPreview();
    if (!built) return built;
    return Run();
}

void CaptureEngine::TearDownPreview() {
    if (pipeline_) {
        // No streaming thread may run while the branches go.
        gst_element_set_state(pipeline_.get(), GST_STATE_READY);
        SetRunning(false);
        std::vector<GstElement*> gone = previewElements_;
        if (stillSink_) gone.push_back(stillSink_);
        for (GstElement* e : gone) {
            gst_element_set_state(e, GST_STATE_NULL);
            gst_bin_remove(GST_BIN(pipeline_.get()), e);
        }
        // Messages from the removed elements hold them, and with them every
        // buffer they keep; read them now rather than when the event loop
        // next runs, which a caller rebuilding in a row may not let happen.
        if (bus_) bus_->ProcessPending();
    }
    previewElements_.clear();
    stillSink_ = nullptr;
    built_ = false;
}

void CaptureEngine::ReleasePipeline() {
    if (pipeline_) {
        gst_element_set_state(pipeline_.get(), GST_STATE_NULL);
        // Whatever still waits on the bus is stale now; it is released with
        // the bus rather than read.
        if (bus_) {
            bus_->Close();
            gst_bus_set_sync_handler(bus_->bus(), nullptr, nullptr, nullptr);
        }
    }
    bus_.reset();
    pipeline_.reset();
    source_ = nullptr;
    stillSource_ = nullptr;
    previewElements_.clear();
    stillSink_ = nullptr;
    offeredCaps_.reset();
    procAmp_.reset();
    hasStillPin_ = false;
    built_ = false;
    SetRunning(false);
    for (const DeviceSlot& slot : table_)
        if (slot.device) slot.device->SourcesReleased();
}

void CaptureEngine::ReleaseAll() {
    if (closeButton_) closeButton_();
    emit released();
    ReleasePipeline();
}

Status CaptureEngine::SelectDevice(int row) {
    if (row < 0 || row >= kDeviceSlotCount || !table_[size_t(row)].device)
        return Status::Fail(QStringLiteral("there is no device in row %1").arg(row));
    if (row == currentRow_) {
        emit liveViewRepaint(false);
        return Status::Ok();
    }
    Stop();
    TearDownPreview();
    ReleaseAll();
    if (currentRow_ >= 0) table_[size_t(currentRow_)].selected = 0;
    DeviceSlot& slot = table_[size_t(row)];
    slot.selected = 1;
    currentRow_ = row;
    buttonLibraryMode_ = OpenButtonFor(slot);
    currentDeviceId_ = slot.status >= 0 || otherCameras_ ? DeviceIdOf(slot) : QString();
    Status started = BuildGraph();
    if (started) started = BuildPreview();
    if (started) started = Run();
    emit liveViewRepaint(true);
    return started;
}

Status CaptureEngine::SetResolution(int width, int height, int64_t frameTime) {
    NoteCaptureSize(width, height);
    if (!source_) return Status::Fail(QStringLiteral("there is no capture graph"));
    const bool wasRunning = running_;
    Stop();
    TearDownPreview();

    VideoInfoHeader rated = format_;
    // A rate chosen with the size is kept with it, as the size is.
    if (frameTime > 0) rated.avgTimePerFrame = frameTime;
    const VideoInfoHeader resized = ResizedFormat(rated, width, height);
    if (WriteCapConfigFile(CapConfigPath(), resized))
        unsavedFormat_.reset();
    else
        unsavedFormat_ = resized;
    bool jpeg = false;
    const Status offered = FilterFor(resized, &jpeg, true)
                               ? Status::Ok()
                               : Status::Fail(QStringLiteral("the device does not offer it"));

    BuildPreview();
    if (wasRunning) Run();
    return offered;
}

bool CaptureEngine::IsDevicePresent() {
    if (currentDeviceId_.isEmpty()) return false;
    bool present = false;
    if (currentRow_ >= 0 && table_[size_t(currentRow_)].device) {
        present = table_[size_t(currentRow_)].device->IsPresent();
    } else {
        UsbId id;
        present = ParseUsbId(currentDeviceId_, &id) && UsbDevicePresent(id);
    }
    if (!present) currentDeviceId_.clear();
    return present;
}

namespace {

Status NormStatus(int result) {
    if (result >= 0) return Status::Ok();
    if (result == kResultNotSupported)
        return Status::Fail(QStringLiteral("the device has no video norm"));
    if (result == kResultInvalidArg) return Status::Fail(QStringLiteral("no such video norm"));
    return Status::Fail(QStringLiteral("the device refused the video norm"));
}

} // namespace

Status CaptureEngine::GetTvFormat(int* format) {
    if (!source_ || currentRow_ < 0)
        return Status::Fail(QStringLiteral("there is no capture graph"));
    return NormStatus(table_[size_t(currentRow_)].device->GetTvFormat(format));
}

Status CaptureEngine::SetTvFormat(int format) {
    if (!source_ || currentRow_ < 0)
        return Status::Fail(QStringLiteral("there is no capture graph"));
    return NormStatus(table_[size_t(currentRow_)].device->SetTvFormat(format));
}

std::vector<QSize> CaptureEngine::OfferedSizes() const {
    std::vector<QSize> sizes;
    if (!source_ || !offeredCaps_ || gst_caps_is_any(offeredCaps_.get())) return sizes;
    for (guint i = 0; i < gst_caps_get_size(offeredCaps_.get()); ++i) {
        const GstStructure* s = gst_caps_get_structure(offeredCaps_.get(), i);
        int w = 0, h = 0;
        // Ranges are left out: a menu cannot list every size of one.
        if (!gst_structure_get_int(s, "width", &w) || !gst_structure_get_int(s, "height", &h))
            continue;
        const QSize size(w, h);
        if (w > 0 && h > 0 && w <= kMaxCaptureSide && h <= kMaxCaptureSide &&
            std::find(sizes.begin(), sizes.end(), size) == sizes.end())
            sizes.push_back(size);
    }
    std::stable_sort(sizes.begin(), sizes.end(), [](const QSize& a, const QSize& b) {
        return qint64(a.width()) * a.height() < qint64(b.width()) * b.height();
    });
    return sizes;
}

std::vector<OfferedRate> CaptureEngine::OfferedRates(QSize size) const {
    if (!source_ || !offeredCaps_) return {};
    return FrameRatesAt(offeredCaps_.get(), size.width(), size.height());
}

int CaptureEngine::RowOf(const QString& identity) const {
    for (int i = 0; i < deviceCount_; ++i)
        if (table_[size_t(i)].device && table_[size_t(i)].device->Identity() == identity) return i;
    return -1;
}

VideoProcAmp* CaptureEngine::GetVideoProcAmp() {
    return source_ ? procAmp_.get() : nullptr;
}

} // namespace tvx

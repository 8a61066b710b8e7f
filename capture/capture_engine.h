#pragma once

#include "capture/cap_config.h"
#include "capture/device_source.h"
#include "capture/format_choice.h"
#include "capture/frame_types.h"
#include "capture/video_proc_amp.h"
#include "platform/gst_handle.h"
#include "platform/result.h"

#include <QObject>
#include <QSize>
#include <QString>
#include <array>
#include <atomic>
#include <functional>
#include <memory>
#include <optional>
#include <vector>

namespace tvx {

class SimulatedMicroscope;
class GstBusObserver;

constexpr int kDeviceSlotCount = 10;
constexpr int kDeviceNameCapacity = 256;
// Devices the engine chooses on its own; a row's status is its index here.
constexpr const char* kKnownDeviceIds[] = {"Vid_14c3&Pid_2301"};
constexpr int kKnownDeviceIdCount = 1;
constexpr int kMicroscopeStatus = 0;

// The sources of devices the program uses, owned by `parent`: the
// simulated microscope when `simulate` is set (first, so that a session with
// it is the same whatever is plugged into the machine), the test cameras
// when the environment asks for them, then the machine's V4L2 cameras.
std::vector<DeviceProvider*> StandardProviders(bool simulate, QObject* parent);

// One row of the device table.
struct DeviceSlot {
    int status = -1;  // index of the known id in the display name; -1 other or empty
    int selected = 0; // 1 for the current device
    QString displayName;
    QString friendlyName;
    std::shared_ptr<CaptureDevice> device; // none for an empty row
};

// Index of the first known id found anywhere in `displayName`, letter case
// ignored; -1 when there is none.
int KnownDeviceStatus(const QString& displayName);

struct CaptureSize {
    int width = 0;
    int height = 0;
};

// A capture size written on one thread and read on any. Width and height
// live in one word, so a reader never pairs the width of one size with the
// height of another.
class SharedCaptureSize {
public:
    CaptureSize Load() const {
        const uint64_t word = word_.load();
        return CaptureSize{int(word >> 32), int(word & 0xFFFFFFFFu)};
    }
    void Store(int width, int height) { word_.store(Pack(width, height)); }

private:
    static constexpr uint64_t Pack(int width, int height) {
        return (uint64_t(uint32_t(width)) << 32) | uint32_t(height);
    }
    std::atomic<uint64_t> word_{Pack(kDefaultCaptureWidth, kDefaultCaptureHeight)};
};

// Finds the microscope among the capture devices, runs the capture pipeline
//   source ! capsfilter ! videoconvert ! appsink "SampleGrabber"
// (with jpegdec after the capsfilter for sizes a camera offers only as JPEG)
// and hands every frame, bottom-up BGR, to the frame receiver on the
// streaming thread. A device with a still pin gets a second branch
//   still source ! appsink "StillGrabber"
// whose buffers only set both still flags. Every operation runs on the UI
// thread; one that can fail answers a Status with the reason, which it has
// also logged.
//
// States: unbuilt → graph built (BuildGraph) → preview built (BuildPreview)
// → running (Run) ↔ stopped (Stop). TearDownPreview goes back to graph
// built, ReleaseAll to unbuilt.
//
// The pipeline's bus is read on the UI thread as messages arrive: errors
// and warnings are logged under "tavolux.capture" and reported through
// captureError/captureWarning with their reason; the end of the stream is
// only logged. With GST_DEBUG_DUMP_DOT_DIR set the graph is written there on
// an error and whenever the pipeline reaches PLAYING.
class CaptureEngine : public QObject {
    Q_OBJECT
public:
    // Sees the V4L2 cameras of the machine, and the simulated microscope
    // before them when `simulate` is set.
    explicit CaptureEngine(bool simulate = false, QObject* parent = nullptr);
    // Sees the devices of these providers in this order; it owns them.
    explicit CaptureEngine(std::vector<DeviceProvider*> providers, QObject* parent = nullptr);
    ~CaptureEngine() override;

    // The window the live picture belongs to. Clears the device count.
    void SetWindows(QObject* videoOwner = nullptr);
    Status CreateDeviceEnumerator();
    // Fails when no known device is among the capture devices, and, where
    // other cameras are allowed, none of them can stand in.
    Status EnumerateDevices();
    // Lets a camera other than the microscope be chosen while no microscope
    // is attached: the one whose Identity() is `preferred`, or the first one
    // when nothing is preferred. A preferred camera that is absent is waited
    // for rather than replaced. Off until set: only the microscope is chosen.
    void AllowOtherCameras(bool allowed, const QString& preferred = QString());
    Status BuildGraph();
    Status BuildPreview();
    Status Run();
    Status Stop();
    Status RestartPreview();
    void TearDownPreview();
    void ReleaseAll();
    Status SelectDevice(int row);
    // Fails when the device cannot take the size or has no format to change;
    // the size is noted as the capture size either way. A `frameTime` (100 ns
    // units) asks for that rate too, where the device offers it there;
    // without one the current rate is kept where it can be.
    Status SetResolution(int width, int height, int64_t frameTime = 0);
    // Whether the current device is still plugged in; a device that is gone
    // is no longer current.
    bool IsDevicePresent();
    // The video norm (kTvFormatNtscM / kTvFormatPalB) while a graph is built.
    Status GetTvFormat(int* format);
    Status SetTvFormat(int format);
    // The current device's picture controls while a graph is built, else
    // nullptr. Owned by the engine.
    VideoProcAmp* GetVideoProcAmp();
    const std::array<DeviceSlot, kDeviceSlotCount>& DeviceTable() const { return table_; }
    // The device of the current row; nullptr when none is chosen.
    CaptureDevice* CurrentDevice() const;

    int DeviceCount() const { return deviceCount_; }
    int CurrentRow() const { return currentRow_; }
    QString CurrentDeviceId() const { return currentDeviceId_; }
    bool HasGraph() const { return source_ != nullptr; }
    // The capture pipeline while one exists (owned by the engine), for
    // graph dumps and diagnostics.
    GstElement* Pipeline() const { return pipeline_.get(); }
    // Why the pipeline last failed (an error message's text); empty while
    // none has since BuildGraph.
    QString LastError() const { return lastError_; }
    bool IsBuilt() const { return built_; }
    bool IsRunning() const { return running_; }
    bool HasStillPin() const { return hasStillPin_; }
    // The picture sizes the current device offers (fixed sizes only), the
    // smallest first; empty without a graph or when it cannot tell.
    std::vector<QSize> OfferedSizes() const;
    // The rates the current device offers at `size` (FrameRatesAt).
    std::vector<OfferedRate> OfferedRates(QSize size) const;
    // The row of the device whose Identity() is `identity`; -1 for none.
    int RowOf(const QString& identity) const;
    // The format applied by the last BuildPreview.
    VideoInfoHeader CurrentFormat() const { return format_; }
    // The capture size in use (640 × 480 until a format is applied). Set on
    // the UI thread; any thread may read it.
    CaptureSize captureSize() const { return captureSize_.Load(); }

    // The flags the device's still pin sets (on the pin's thread); nullptr
    // ignores the pin. The flags must outlive the pipeline or be unset first.
    void SetStillFlags(StillFlags* flags) { stillFlags_.store(flags); }

    // Receives every frame on the streaming thread; may be changed at any
    // time, nullptr drops frames.
    void SetFrameReceiver(FrameReceiver* receiver);

    // How the engine asks the main window to open and close the microscope's
    // button object: open answers whether it worked.
    void SetButtonCallbacks(std::function<bool()> open, std::function<void()> close);
    // 1 while the microscope is current and its button object is open.
    int ButtonLibraryMode() const { return buttonLibraryMode_; }
    void SetButtonLibraryMode(int mode) { buttonLibraryMode_ = mode; }

    // The simulated microscope among the providers, if any.
    SimulatedMicroscope* Simulator() const;

signals:
    // A capture device arrived or left (on the UI thread).
    void deviceArrived(const QString& displayName);
    void deviceRemoved(const QString& displayName);
    // The live view should repaint, erasing its background when asked.
    void liveViewRepaint(bool eraseBackground);
    // ReleaseAll ran: the live surface and still buffer may be freed.
    void released();
    // The pipeline started or stopped playing, whoever asked (the window,
    // a reconnection, a change of size, the device settings dialog).
    void runningChanged(bool running);
    // The capture size was set (a format applied, a resolution chosen),
    // whoever set it.
    void captureSizeChanged(int width, int height);
    // The pipeline reported an error or a warning, with its reason (on the
    // UI thread).
    void captureError(const QString& reason);
    void captureWarning(const QString& reason);

private:
    struct Delivery;

    void AddProvider(DeviceProvider* provider);
    void SetRunning(bool running);
    void NoteCaptureSize(int width, int height);
    // Opens the button of the device in `slot` (the current one) through
    // the callbacks: the microscope's, or a stand-in camera's that has one.
    int OpenButtonFor(const DeviceSlot& slot);
    // The row of the camera that stands in for the microscope; -1 for none.
    int StandInRow(int count) const;
    // The id the current row is known by: its known id, or its identity.
    QString DeviceIdOf(const DeviceSlot& slot) const;
    // Fails with `what`, and the pipeline's own reason when it reported an
    // error since `errorsBefore` (a reading of errors_).
    Status Failure(const QString& what, int errorsBefore) const;
    void ReleasePipeline();
    Status MakePipeline();
    bool Offered(const GstCaps* caps) const;
    // The caps to ask the device for: the stored size, rate and pixel
    // format as far as the device offers them (`jpeg` set for JPEG frames);
    // empty when it does not offer the size at all. What had to be dropped
    // is logged unless `quiet`.
    GstUnique<GstCaps> FilterFor(const VideoInfoHeader& h, bool* jpeg, bool quiet = false) const;
    // `wanted` with the rate and pixel format the device gives under
    // `filter` where the filter left them open.
    VideoInfoHeader AppliedFormat(const VideoInfoHeader& wanted, const GstCaps* filter) const;
    Status BuildPreviewBranch(GstCaps* filter, bool jpeg);
    Status BuildStillBranch();
    static GstBusSyncReply FilterBusMessage(GstBus* bus, GstMessage* msg, gpointer user);
    void OnProblem(GstMessage* msg);
    void OnEndOfStream(GstMessage* msg);
    void OnStateChanged(GstMessage* msg);

    std::vector<DeviceProvider*> providers_;
    bool enumeratorCreated_ = false;
    std::array<DeviceSlot, kDeviceSlotCount> table_;
    int deviceCount_ = 0;
    int currentRow_ = -1;
    QString currentDeviceId_;
    bool otherCameras_ = false;
    QString preferredCamera_;

    GstUnique<GstElement> pipeline_;
    // Read on the UI thread only; the pipeline's bus, dispatched there.
    std::unique_ptr<GstBusObserver> bus_;
    // The elements below belong to the pipeline; these only point at them.
    GstElement* source_ = nullptr;
    GstElement* stillSource_ = nullptr;
    std::vector<GstElement*> previewElements_; // capsfilter, videoconvert, appsink
    GstElement* stillSink_ = nullptr;
    GstUnique<GstCaps> offeredCaps_;
    QString lastError_; // UI thread
    int errors_ = 0;    // errors reported so far; UI thread
    std::unique_ptr<VideoProcAmp> procAmp_;
    bool hasStillPin_ = false;
    bool built_ = false;
    bool running_ = false;
    VideoInfoHeader deviceFormat_; // what the device reported when the graph was built
    VideoInfoHeader format_;       // what BuildPreview applied
    // A size chosen while CapConfig.dat could not be written: used instead
    // of the file until a write succeeds.
    std::optional<VideoInfoHeader> unsavedFormat_;

    QObject* videoOwner_ = nullptr;
    std::unique_ptr<Delivery> delivery_;
    SharedCaptureSize captureSize_;
    std::atomic<StillFlags*> stillFlags_{nullptr}; // read on the still pin's thread

    std::function<bool()> openButton_;
    std::function<void()> closeButton_;
    int buttonLibraryMode_ = 0;
};

} // namespace tvx

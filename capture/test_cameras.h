#pragma once

#include "capture/control_fifo.h"
#include "capture/device_source.h"
#include "platform/gst_handle.h"

#include <atomic>
#include <memory>
#include <vector>

namespace tvx {

// A camera that behaves as a UVC camera does, without hardware: it offers
// a list of formats as a camera's driver reports them (JPEG and raw YUY2,
// each size at its own rates), and its source gives exactly the format the
// engine settles on, JPEG-encoded where JPEG was chosen, so that the frames
// go through the engine's path for real cameras (caps filter, jpegdec,
// videoconvert). It can be unplugged and plugged again, and has a snapshot
// button that reports KEY_CAMERA input events as the kernel's do.
class TestCamera : public CaptureDevice {
public:
    // `offered`: the caps list, as GStreamer caps text.
    TestCamera(QString id, QString name, const QString& offered);
    ~TestCamera() override;

    // The camera's own identity: what a choice of device remembers.
    QString Id() const { return id_; }
    QString DisplayName() const override;
    QString Identity() const override { return QStringLiteral("test:") + id_; }
    QString FriendlyName() const override { return name_; }
    GstElement* CreateSource() override;
    GstCaps* OfferedCaps(GstElement* source) override;
    void ApplyFormat(GstElement* source, const GstCaps* caps) override;
    std::unique_ptr<VideoProcAmp> CreateProcAmp(GstElement* source) override;
    int GetTvFormat(int* format) override;
    int SetTvFormat(int format) override;
    bool IsPresent() const override { return state_->plugged.load(); }
    bool HasSnapshotButton() const override { return true; }

    void SetPlugged(bool plugged);
    // A readable descriptor carrying the button's input events, or -1 while
    // unplugged. A later call takes the button from an earlier reader.
    int OpenButton() override;
    // False when no reader has the button open.
    bool Press();

    struct State {
        std::atomic<bool> plugged{true}; // written on the UI thread
        std::atomic<bool> lossReported{false};
    };

private:
    QString id_;
    QString name_;
    GstUnique<GstCaps> offered_;
    std::shared_ptr<State> state_;
    int buttonWriteFd_ = -1;
};

// The test cameras, listed when TAVOLUX_TEST_DEVICES is set. When it names
// a FIFO (made when missing), lines written to it act on them:
// "unplug <id>", "plug <id>", "press <id>".
class TestCameraProvider : public DeviceProvider {
    Q_OBJECT
public:
    // The two cameras of the test suite: "uvc-hd" (JPEG 1920 × 1080 and
    // 1280 × 720 at 30, YUY2 640 × 480 at 30 and 1280 × 720 at 10) and
    // "uvc-5mp" (JPEG up to 2592 × 1944 at 15, YUY2 640 × 480 at 30).
    explicit TestCameraProvider(QObject* parent = nullptr);
    TestCameraProvider(std::vector<std::shared_ptr<TestCamera>> cameras, QObject* parent = nullptr);
    ~TestCameraProvider() override;

    // Whether the environment asks for the test cameras.
    static bool Requested();

    bool Start() override;
    std::vector<std::shared_ptr<CaptureDevice>> Devices() override;
    std::shared_ptr<TestCamera> Camera(const QString& id) const;
    // Acts on one control line; false for a line it does not know.
    bool HandleControlLine(const QString& line);

private:
    std::vector<std::shared_ptr<TestCamera>> cameras_;
    std::unique_ptr<ControlFifo> control_;
    bool started_ = false;
};

} // namespace tvx

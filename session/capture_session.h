#pragma once

#include "capture/effect_state.h"
#include "capture/frame_sink.h"
#include "capture/frame_types.h"
#include "measure/geometry.h"
#include "platform/result.h"

#include <QObject>
#include <QSize>
#include <QString>
#include <QTimer>
#include <memory>

namespace tvx {

class SettingsStore;

class CaptureEngine;
class DeviceWatch;
class LiveSurface;
class SnapshotButton;

// The microscope as the program uses it, without any widget: the capture
// engine and the frame sink, the watch on device nodes and the connection
// check, the snapshot button and its poll, and the rebuild after a resume.
// It tells what happened through signals; whoever shows it decides how.
// Lives on the UI thread.
class CaptureSession : public QObject {
    Q_OBJECT
public:
    struct Options {
        bool simulate = false;
        // Tests hand in an engine of their own (scripted devices); null
        // makes the real one. A given engine is not owned.
        CaptureEngine* engine = nullptr;
        // Shared with the streaming thread and the engine's still pin; null
        // uses the session's own.
        StillFlags* stillFlags = nullptr;
        EffectState* effects = nullptr; // null uses the session's own
        // Whose pixels are measured, set as the device or size changes; null
        // uses the session's own.
        MeasuringScope* scope = nullptr;
        // Where the camera chosen last is remembered; none remembers nothing.
        SettingsStore* settings = nullptr;
        // Listen for the desktop's resume (logind over the system bus).
        bool watchResume = true;
    };

    explicit CaptureSession(const Options& options, QObject* parent = nullptr);
    ~CaptureSession() override;

    // Connects frames to `surface` (may be null) and makes the first
    // connection attempt; `videoOwner` is the object the live picture
    // belongs to. Answers whether the microscope streams. Once.
    bool Start(LiveSurface* surface, QObject* videoOwner = nullptr);
    // Stops frames and the stream for good (the window is closing).
    void Shutdown();

    // The connection check: after device changes, a resume, and by timer 367.
    void CheckConnection();
    // A device node changed: one check 1000 ms after the last of a burst.
    void OnDeviceNodesChanged();
    // The machine woke up: the stream is gone even when the device stayed.
    void OnResumed();

    bool isConnected() const { return connected_; }
    // Empty while connected; the prompt to connect the microscope otherwise,
    // with the reason on a line of its own when one was there but would not
    // start.
    const QString& connectionMessage() const { return connectionMessage_; }
    int connectionChecks() const { return connectionChecks_; }
    QTimer* connectionTimer() { return &connectionTimer_; }
    QTimer* buttonPollTimer() { return &buttonPollTimer_; }
    bool buttonOpen() const { return button_ != nullptr; }

    // The preview's own state (the live view runs or is stopped). The
    // session's word is the only one: whatever starts or stops the stream
    // (these calls, a reconnection, a resume, a change of size, the device
    // settings) is told through previewChanged.
    void RunPreview();
    void StopPreview();
    bool isPreviewRunning() const;
    // Rebuilds the preview after a still that interrupted it.
    void RestartPreview();
    // Makes the camera of this identity the current one, and remembers it:
    // while no microscope is attached it is the one chosen and waited for.
    // False with the reason when it cannot be started.
    bool ChooseCamera(const QString& identity, QString* reason = nullptr);
    // Switches the capture size, and the rate when `frameTime` (100 ns units)
    // is given; false with the reason when the device refuses.
    bool SetResolution(int width, int height, QString* reason = nullptr, int64_t frameTime = 0);

    // A still from the keyboard or the toolbar, taken from the next frame.
    void RequestStill();
    // A press of the microscope's button that reached the window as a key
    // (the camera keys): taken like one read from the button's own device.
    void PressButton();
    // Presses waiting for their turn: one is taken per poll.
    int queuedPresses() const;
    // What a frame's stillDue does: takes the standing request, if any,
    // and tells stillRequested once per request. Never re-entered while a
    // save runs (a message box inside it runs the event loop).
    void OnStillDue(bool hardware);

    CaptureEngine* engine() const { return engine_; }
    FrameSink& frameSink() { return *sink_; }
    StillFlags& stillFlags() { return *flags_; }
    // The capture size in use; any thread.
    QSize captureSize() const;
    // Whose pixels are measured now.
    const MeasuringScope& measuringScope() const { return *scope_; }
    EffectState& effects() { return *effects_; }

signals:
    // After every check that (re)built the stream, and at Start.
    void connected();
    // After every check that found no microscope or could not start it;
    // `message` is connectionMessage().
    void disconnected(const QString& message);
    // A still is due: save the kept frame now. The source says who asked.
    void stillRequested(StillSource source);
    // The live picture should repaint.
    void liveViewChanged();
    // The stream started or stopped, whoever asked.
    void previewChanged(bool running);
    // The capture size was set, from whatever place.
    void captureSizeChanged(QSize size);
    // Something the user asked for did not happen, or a part of the session
    // is unavailable; `reason` says why.
    void error(const QString& reason);
    // Presses of the microscope's button that will never give a picture
    // (more than the button keeps, or cut off by an unplug): `dropped` new
    // ones, with `stillQueued` earlier presses still waiting for their turn.
    void pressesDropped(int dropped, int stillQueued);
    // The camera whose pixels are measured changed, or its capture size:
    // the calibration shown must be looked up again (ScopeCalibrationFile).
    void calibrationScopeChanged();
    // A connection check has finished, whatever it found: a dialog that
    // lists the devices fills its lists again.
    void connectionChecked();

private slots:
    void onPrepareForSleep(bool sleeping);

private:
    Status startEngine();
    void stopAndReleaseEngine();
    void finishCheck(const Status& started);
    // The connection message for the outcome of a start, and the signal.
    void tellConnection(const Status& started);
    // What the live view shows after a connection attempt.
    QString ConnectionText(const Status& started) const;
    // Points measuring at the current camera: the microscope's pitch and
    // calibration file, or another camera's own calibration file at this
    // capture size.
    void applyCalibrationScope();
    bool openButton();
    void closeButton();
    void pollButton();
    void dropPresses(int dropped);
    void watchResume();

    Options options_;
    std::unique_ptr<CaptureEngine> ownedEngine_;
    CaptureEngine* engine_ = nullptr;
    StillFlags ownFlags_;
    StillFlags* flags_ = nullptr;
    EffectState ownEffects_;
    EffectState* effects_ = nullptr;
    MeasuringScope ownScope_;
    MeasuringScope* scope_ = nullptr;
    std::unique_ptr<FrameSink> sink_;
    std::unique_ptr<SnapshotButton> button_;
    DeviceWatch* watch_ = nullptr;
    QTimer connectionTimer_; // 367
    QTimer buttonPollTimer_; // 366

    QString connectionMessage_;
    QString scopeFile_; // the calibration file applyCalibrationScope set last
    int connectionChecks_ = 0;
    bool connected_ = false;
    bool started_ = false;
    // Set while a connection check runs. The check runs on the UI thread
    // only, but the engine may signal a device change from inside it; such a
    // notification is answered by one more check right afterwards.
    bool checking_ = false;
    bool deviceChosen_ = false; // the last attempt found a microscope
    bool stillBusy_ = false;    // a stillRequested handler is running
    // Presses taken off the button (or from the camera keys) that could not
    // ask for a still yet because one was standing. UI thread.
    int heldPresses_ = 0;
};

} // namespace tvx

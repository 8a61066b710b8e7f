#pragma once

#include "media/recorder_control.h"
#include "ui/record/recording_controller.h"

#include <QObject>
#include <QTimer>

namespace tvx {

class CaptureSession;
class CommandActions;

// Recording and time-lapse pictures: owns the recording controller that the
// frame sink writes through and the two seconds timers, and tells when the
// recording is left because the device went or the file failed. The
// recording commands drive it as their RecorderControl; the Clock command
// opens the time-lapse series. UI thread.
class RecordingGlue : public QObject, public RecorderControl {
    Q_OBJECT
public:
    // Attaches the controller to the session's frame sink; the session must
    // outlive the glue. Recordings go into `videoFolder`; `window` parents
    // the dialogs.
    RecordingGlue(CaptureSession& session, CommandActions& commands, Prompts& prompts,
                  QString videoFolder, QWidget* window);
    ~RecordingGlue() override;

    // AVI button: the dialog's start runs the timed counter (368).
    bool ToggleWithDialog() override;
    // F3: the counter without limit (371).
    bool StartUnlimited() override;
    // F4, the Preview command, the window's close, device loss.
    void Stop() override;
    int ElapsedSeconds() const override { return controller_.ElapsedSeconds(); }

    // The Clock button: the time-lapse dialog, modal. Each picture is asked
    // for through the still flags, from the series' worker.
    void OpenTimeLapse();

    RecordingController& controller() { return controller_; }
signals:
    // Seconds recorded so far; -1 once the counter is to go.
    void seconds(int seconds);
    // The time limit was reached: the recording is to close, the picture to run on.
    void limitReached();
    // The recording ended without a command: the device went or the file failed.
    void left();
    // A recording was closed and its file is complete.
    void finished(const QString& path);
    // How the time-lapse series stands ("3 of 5 taken, next in 2 s"); empty
    // when the series is stopped.
    void timeLapseProgress(const QString& text);
    // The time-lapse dialog closed on this progress text ("5 pictures taken").
    void timeLapseEnded(const QString& lastProgress);

public:
    QTimer* timedTimer() { return &timed_; }         // 368
    QTimer* unlimitedTimer() { return &unlimited_; } // 371

private:
    void onSecond(QTimer& timer);
    void leaveRecording();
    RecordingTarget reserveFile();
    bool mayStart();

    CaptureSession& session_;
    Prompts& prompts_;
    QString videoFolder_;
    QWidget* window_;
    RecordingController controller_;
    QTimer timed_;     // 368: 1000 ms, 500 ms after the limit
    QTimer unlimited_; // 371: 1000 ms
    bool closing_ = false;
};

} // namespace tvx

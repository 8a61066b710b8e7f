#pragma once

#include "media/recorder_control.h"
#include "ui/record/recording_controller.h"

#include <QObject>
#include <QTimer>

namespace tvx {

class MainWindow;

// Recording and time-lapse pictures in the main window: owns the recording
// controller that the frame sink writes through, the two seconds timers, and
// leaves the recording state when the device goes or the file fails. The
// window drives it as its RecorderControl. UI thread.
class RecordingGlue : public QObject, public RecorderControl {
    Q_OBJECT
public:
    // Attaches the controller to the window's frame sink; the window's
    // session must outlive the glue's use of it (the window destroys its
    // session first, so no frame reaches a gone recorder).
    explicit RecordingGlue(MainWindow& window);
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
    QTimer* timedTimer() { return &timed_; }         // 368
    QTimer* unlimitedTimer() { return &unlimited_; } // 371

private:
    void onSecond(QTimer& timer);
    void leaveRecording();
    RecordingTarget reserveFile();
    bool mayStart();

    MainWindow& window_;
    RecordingController controller_;
    QTimer timed_;     // 368: 1000 ms, 500 ms after the limit
    QTimer unlimited_; // 371: 1000 ms
    bool closing_ = false;
};

} // namespace tvx

#pragma once

#include "capture/frame_sink.h"
#include "media/recorder_control.h"
#include "media/video_recorder.h"
#include "ui/record/recorder_setting_dlg.h"

#include <QObject>
#include <QSize>
#include <functional>
#include <optional>

namespace tvx {

class Prompts;

// What a start through the recorder dialog gives: nothing when cancelled.
struct RecorderDialogAnswer {
    int timeLimit = kNoTimeLimit;
};

// Everything the main window needs for recording: the AVI button (with the
// dialog), F3, F4, the seconds counter, and the frame sink's recorder. All
// but WriteFrame run on the UI thread.
class RecordingController : public QObject, public RecorderControl, public FrameRecorder {
    Q_OBJECT
public:
    struct Hooks {
        std::function<QSize()> frameSize; // the size being captured now
        // Makes the file of the next recording under a free "Video_…" name:
        // on the UI thread at a start, on the recorder's writer thread when
        // the picture's size changes mid-recording.
        std::function<RecordingTarget()> nextPath;
        std::function<void(const QString&)> finished; // a finished file (the file list adds it)
        // Whether a recording may start now; when not, it has told the user
        // why. Asked before the dialog and again when it closes.
        std::function<bool()> mayStart;
    };
    // Shows the recorder dialog. The real one runs RecorderSettingsDialog.
    using DialogRunner = std::function<std::optional<RecorderDialogAnswer>(
        QWidget* parent, QSize frameSize, RecorderDialogState& state)>;

    RecordingController(Hooks hooks, Prompts& prompts, QWidget* dialogParent = nullptr);
    ~RecordingController() override; // closes an open recording

    void SetDialogRunner(DialogRunner runner) { runDialog_ = std::move(runner); }

    // AVI button: stop when recording, else ask with the dialog and start.
    // Answers whether a recording runs afterwards.
    bool ToggleWithDialog() override;
    // F3: start without a limit with the default compressor; a second F3
    // while recording changes nothing. Answers whether a recording runs.
    bool StartUnlimited() override;
    // F4, the limit, the Preview command, device loss, window close.
    void Stop() override;
    int ElapsedSeconds() const override { return seconds_.elapsed(); }
    int TimeLimit() const { return seconds_.limit(); }
    bool IsRecording() const { return recorder_.IsRecording(); }
    QString lastPath() const { return recorder_.path(); }
    RecordingCounts counts() const { return recorder_.counts(); }
    VideoRecorder& recorder() { return recorder_; }
    const RecorderDialogState& dialogState() const { return state_; }

    // The window's one-second timer: counts and says what to do.
    SecondTick OnSecondTick() { return seconds_.Tick(); }

    // Streaming thread.
    void WriteFrame(const FrameView& frame) override;
    bool TakesFrames() const override { return recorder_.IsRecording(); }

signals:
    // A recording ended by itself (the disk filled, the file failed); its
    // message has been shown and the file closed. The window leaves the
    // recording state.
    void recordingLost();
    // The picture's size changed mid-recording: `closed` is finished and
    // the recording goes on in `next`. The user has been told.
    void recordingContinued(const QString& closed, const QString& next);

private:
    bool Open(int timeLimit, const RecordingOptions& options);
    bool MayStart() const { return !hooks_.mayStart || hooks_.mayStart(); }
    // Runs `fn` on this object's thread: now when already there, else queued.
    template <class Fn> void OnOwnThread(Fn&& fn);

    Hooks hooks_;
    Prompts& prompts_;
    QWidget* dialogParent_;
    DialogRunner runDialog_;
    RecorderDialogState state_; // UI thread only
    RecordingSeconds seconds_;  // UI thread only
    VideoRecorder recorder_;
};

} // namespace tvx

#include "ui/record/recording_controller.h"

#include "platform/language.h"
#include "ui/skin/error_sink.h"

#include <QFileInfo>
#include <QThread>

namespace tvx {

namespace {

std::optional<RecorderDialogAnswer> RunRecorderDialog(Prompts& prompts, QWidget* parent, QSize size,
                                                      RecorderDialogState& state) {
    RecorderSettingsDialog dlg(size.width(), size.height(), state, prompts,
                               DefaultCompressorChooser(), parent);
    if (dlg.exec() != QDialog::Accepted) return std::nullopt;
    return RecorderDialogAnswer{dlg.timeLimit()};
}

void ShowError(Prompts& prompts, const AviError& error) {
    ShowMessage(prompts, AviErrorTitle(), AviErrorText(error), Prompts::Icon::Error);
}

QString NewFileText(int width, int height, const QString& next) {
    return Text("RecordNewFile",
                "The picture is now %1*%2. The recording goes on at this size in a new file:")
               .arg(width)
               .arg(height) +
           QLatin1Char('\n') + QFileInfo(next).fileName();
}

} // namespace

template <class Fn> void RecordingController::OnOwnThread(Fn&& fn) {
    if (QThread::currentThread() == thread())
        fn();
    else
        QMetaObject::invokeMethod(this, std::forward<Fn>(fn), Qt::QueuedConnection);
}

RecordingController::RecordingController(Hooks hooks, Prompts& prompts, QWidget* dialogParent)
    : hooks_(std::move(hooks)), prompts_(prompts), dialogParent_(dialogParent),
      runDialog_([this](QWidget* parent, QSize size, RecorderDialogState& state) {
          return RunRecorderDialog(prompts_, parent, size, state);
      }) {
    // A file closed by a change of size is handed on from the writer
    // thread; the file list and the window live on this one.
    recorder_.SetFinishedHandler([this](const QString& path) {
        OnOwnThread([this, path] {
            if (hooks_.finished) hooks_.finished(path);
        });
    });
    recorder_.SetContinuedHandler(
        [this](const QString& closed, const QString& next, int width, int height) {
            OnOwnThread([this, closed, next, width, height] {
                emit recordingContinued(closed, next);
                ShowMessage(prompts_, AviErrorTitle(), NewFileText(width, height, next),
                            Prompts::Icon::Information);
            });
        });
    // Writer thread: the file refused a frame. Writing has stopped; the
    // close and the message belong to the UI thread.
    recorder_.SetFailureHandler([this](const AviError& error) {
        QMetaObject::invokeMethod(
            this,
            [this, error] {
                recorder_.Stop();
                ShowError(prompts_, error);
                emit recordingLost();
            },
            Qt::QueuedConnection);
    });
}

RecordingController::~RecordingController() {
    recorder_.Stop();
}

bool RecordingController::ToggleWithDialog() {
    if (IsRecording()) {
        Stop();
        return false;
    }
    seconds_.Reset(0);
    if (!MayStart()) return false;
    const QSize size = hooks_.frameSize ? hooks_.frameSize() : QSize();
    const std::optional<RecorderDialogAnswer> answer =
        runDialog_ ? runDialog_(dialogParent_, size, state_) : std::nullopt;
    if (!answer) return false;
    return Open(answer->timeLimit, RecordingOptions{state_.frameRate, state_.compressor});
}

bool RecordingController::StartUnlimited() {
    if (IsRecording()) return true;
    // The frame rate last taken by the dialog; before any, its start value.
    return Open(kNoTimeLimit, RecordingOptions{state_.frameRate, DefaultCompressor()});
}

bool RecordingController::Open(int timeLimit, const RecordingOptions& options) {
    // The microscope may have gone while the dialog was open.
    if (!MayStart()) return false;
    seconds_.Reset(timeLimit);
    const QSize size = hooks_.frameSize ? hooks_.frameSize() : QSize();
    AviError error;
    if (!recorder_.Start(hooks_.nextPath, size.width(), size.height(), options, &error)) {
        ShowError(prompts_, error);
        return false;
    }
    return true;
}

void RecordingController::Stop() {
    AviError error;
    if (!recorder_.Stop(&error)) ShowError(prompts_, error);
}

void RecordingController::WriteFrame(const FrameView& frame) {
    recorder_.WriteFrame(frame.data, frame.width, frame.height, frame.stride);
}

} // namespace tvx

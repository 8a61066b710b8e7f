#include "ui/main/recording_glue.h"

#include "capture/capture_engine.h"
#include "platform/language.h"
#include "session/capture_session.h"
#include "session/still_names.h"
#include "ui/main/command_table.h"
#include "ui/main/still_feedback.h"
#include "ui/record/capture_timer_dlg.h"
#include "ui/skin/error_sink.h"
#include "ui/skin/skin.h"

#include <QAction>
#include <QDateTime>
#include <QThread>

namespace tvx {

namespace {

constexpr int kSecondMs = 1000;
// After the limit the counter ticks once more, half a second later, to sound
// the stop.
constexpr int kAfterLimitMs = 500;

} // namespace

RecordingGlue::RecordingGlue(CaptureSession& session, CommandActions& commands, Prompts& prompts,
                             QString videoFolder, QWidget* window)
    : QObject(window), session_(session), prompts_(prompts), videoFolder_(std::move(videoFolder)),
      window_(window),
      controller_(RecordingController::Hooks{[this] { return session_.captureSize(); },
                                             [this] { return reserveFile(); },
                                             [this](const QString& path) {
                                                 if (!closing_) emit finished(path);
                                             },
                                             [this] { return mayStart(); }},
                  prompts, window) {
    setObjectName(QStringLiteral("recordingGlue"));
    timed_.setObjectName(QStringLiteral("timer368"));
    unlimited_.setObjectName(QStringLiteral("timer371"));
    connect(&timed_, &QTimer::timeout, this, [this] { onSecond(timed_); });
    connect(&unlimited_, &QTimer::timeout, this, [this] { onSecond(unlimited_); });
    connect(&controller_, &RecordingController::recordingLost, this, [this] { leaveRecording(); });
    // The device went mid-recording: close the file now, while what came so
    // far is still in it.
    connect(&session_, &CaptureSession::disconnected, this, [this] {
        if (controller_.IsRecording()) leaveRecording();
    });
    // Written only while a recording is open; otherwise the call returns at once.
    session_.frameSink().SetRecorder(&controller_);
    connect(commands.action(ids::kClock), &QAction::triggered, this, [this] {
        if (!session_.isPreviewRunning())
            ShowMessage(prompts_, window_->windowTitle(),
                        Text("BrowseToTimer", "Please return to the preview state"),
                        Prompts::Icon::Warning);
        else
            OpenTimeLapse();
    });
}

RecordingGlue::~RecordingGlue() {
    // The window is going: its signals are no longer anyone's to hear.
    closing_ = true;
    controller_.Stop();
}

RecordingTarget RecordingGlue::reserveFile() {
    // The one place a recording's name is taken: the empty file is made
    // exclusively, so nothing is ever replaced. A change of size asks from
    // the recorder's writer thread; the scan's message then waits for ours.
    MatchingFolderHandler tell = [this](const QString&) { ShowRecordingFolderError(prompts_); };
    if (QThread::currentThread() != thread())
        tell = [this](const QString&) {
            QMetaObject::invokeMethod(
                this, [this] { ShowRecordingFolderError(prompts_); }, Qt::QueuedConnection);
        };
    const NewFile file = ReserveNewRecording(videoFolder_, QDateTime::currentDateTime(), tell);
    if (!file.ok()) qWarning("recording: %s", qPrintable(file.reason));
    return RecordingTarget{file.path, file.reason, file.error};
}

bool RecordingGlue::mayStart() {
    // Without the microscope no frame would ever come: the file would stay
    // empty while the counter ran.
    if (!session_.isConnected()) {
        ShowMessage(prompts_, window_->windowTitle(),
                    Text("BrowseToCamera", "Please return to the preview state"),
                    Prompts::Icon::Warning);
        return false;
    }
    // Frames come only while the preview runs: a start from the browse
    // state runs it first.
    session_.RunPreview();
    return true;
}

bool RecordingGlue::ToggleWithDialog() {
    if (controller_.IsRecording()) {
        Stop();
        return false;
    }
    timed_.stop();
    unlimited_.stop();
    if (!controller_.ToggleWithDialog()) return false;
    timed_.start(kSecondMs);
    return true;
}

bool RecordingGlue::StartUnlimited() {
    if (controller_.IsRecording()) return true;
    timed_.stop();
    unlimited_.stop();
    if (!controller_.StartUnlimited()) return false;
    unlimited_.start(kSecondMs);
    return true;
}

void RecordingGlue::Stop() {
    timed_.stop();
    unlimited_.stop();
    controller_.Stop();
}

void RecordingGlue::leaveRecording() {
    Stop();
    emit left();
}

void RecordingGlue::onSecond(QTimer& timer) {
    switch (controller_.OnSecondTick()) {
    case SecondTick::ShowSeconds:
        emit seconds(controller_.ElapsedSeconds());
        break;
    case SecondTick::StopAtLimit:
        // The recording closes and the live picture runs on; closing stops
        // this timer too, so the 500 ms tick is set after.
        emit limitReached();
        if (controller_.IsRecording()) leaveRecording();
        timer.start(kAfterLimitMs);
        emit seconds(controller_.ElapsedSeconds());
        break;
    case SecondTick::LimitPassed:
        timer.stop();
        PlaySkinSound(kSoundRecordStop);
        emit seconds(-1);
        break;
    }
}

void RecordingGlue::OpenTimeLapse() {
    StillFlags& flags = session_.stillFlags();
    // A request that finds the last one still standing (no frame came, the
    // microscope was away) gives no picture of its own.
    CaptureTimerDialog dlg([&flags] { return flags.RequestIfIdle(StillSource::Keyboard); },
                           session_.captureSize(), prompts_, systemTimeLapseClock(), window_);
    QString last;
    connect(&dlg, &CaptureTimerDialog::progress, this, [this, &last](const QString& text) {
        last = text;
        emit timeLapseProgress(text);
    });
    dlg.exec();
    emit timeLapseEnded(last);
    if (const int missed = dlg.missedPictures(); missed > 0)
        ShowMessage(prompts_, window_->windowTitle(),
                    Text("TimeLapseMissed",
                         "%1 of the %2 time-lapse pictures were not taken: the microscope "
                         "gave no picture while they were due.")
                        .arg(missed)
                        .arg(dlg.requestedPictures()),
                    Prompts::Icon::Warning);
}

} // namespace tvx

#include "ui/main/status_feedback.h"

#include "platform/language.h"
#include "ui/main/file_list_panel.h"
#include "ui/main/live_measure.h"
#include "ui/main/recording_commands.h"
#include "ui/main/recording_glue.h"
#include "ui/main/status_strip.h"
#include "ui/main/still_commands.h"

#include <QDesktopServices>
#include <QFileInfo>
#include <QUrl>

namespace tvx {

StatusFeedback::StatusFeedback(StatusStrip* strip, Sources s, QObject* parent)
    : QObject(parent), strip_(strip) {
    setObjectName(QStringLiteral("statusFeedback"));
    connect(&s.stills, &StillCommands::saved, strip_, &StatusStrip::ShowSaved);
    connect(&s.recorder, &RecordingGlue::finished, strip_, &StatusStrip::ShowSaved);
    connect(&s.files, &FileListPanel::measuredPictureSaved, strip_, &StatusStrip::ShowSaved);
    RecordingGlue& recorder = s.recorder;
    connect(&s.recording, &RecordingCommands::recordingChanged, this, [this, &recorder](bool on) {
        recordingPath_ = on ? recorder.controller().lastPath() : QString();
        strip_->SetProgress(on ? RecordingText(recordingPath_, 0) : QString());
    });
    // A change of size mid-recording goes on in a new file.
    connect(&recorder.controller(), &RecordingController::recordingContinued, this,
            [this](const QString&, const QString& next) { recordingPath_ = next; });
    connect(&recorder, &RecordingGlue::seconds, this, [this](int seconds) {
        if (!recordingPath_.isEmpty() && seconds >= 0)
            strip_->SetProgress(RecordingText(recordingPath_, seconds));
    });
    connect(&recorder, &RecordingGlue::timeLapseProgress, strip_, &StatusStrip::SetProgress);
    // The series' last word ("5 pictures taken") outlasts its dialog a while.
    connect(&recorder, &RecordingGlue::timeLapseEnded, this, [this](const QString& last) {
        strip_->SetProgress(QString());
        if (!last.isEmpty()) strip_->ShowMessage(last);
    });
    LiveMeasure& measure = s.measure;
    connect(&measure, &LiveMeasure::stepChanged, this,
            [this, &measure] { strip_->SetHint(measure.StepHint()); });
    connect(strip_, &StatusStrip::openFolder, this, [](const QString& folder) {
        // Nothing of ours to tell when the desktop has no file manager.
        QDesktopServices::openUrl(QUrl::fromLocalFile(folder));
    });
}

QString StatusFeedback::RecordingText(const QString& path, int seconds) {
    return Text("StatusRecording", "Recording %1  %2")
        .arg(QFileInfo(path).fileName(),
             QStringLiteral("%1:%2").arg(seconds / 60).arg(seconds % 60, 2, 10, QLatin1Char('0')));
}

} // namespace tvx

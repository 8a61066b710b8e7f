#include "ui/main/recording_commands.h"

#include "media/recorder_control.h"
#include "session/capture_session.h"
#include "ui/main/client_area.h"
#include "ui/main/command_table.h"
#include "ui/skin/skin.h"

#include <QAction>

namespace tvx {

RecordingCommands::RecordingCommands(CaptureSession& session, CommandActions& commands,
                                     CClientArea* client, QFont secondsFont, QObject* parent)
    : QObject(parent), session_(session), commands_(commands), client_(client),
      secondsFont_(std::move(secondsFont)) {
    setObjectName(QStringLiteral("recordingCommands"));
    const auto on = [this](int id, auto&& fn) {
        connect(commands_.action(id), &QAction::triggered, this, fn);
    };
    on(ids::kVideo, [this] {
        PlaySkinSound(kSoundRecordStart);
        if (recorder_) SetRecording(recorder_->ToggleWithDialog());
    });
    on(ids::kStartRecording, [this] { start(); });
    on(ids::kStopRecording, [this] { stop(); });
    on(ids::kPreview, [this] { togglePreview(); });
    connect(&session_, &CaptureSession::previewChanged, this,
            &RecordingCommands::syncPreviewButton);
    connect(&session_, &CaptureSession::connected, this, &RecordingCommands::syncPreviewButton);
    connect(&session_, &CaptureSession::disconnected, this, &RecordingCommands::syncPreviewButton);
}

void RecordingCommands::SetRecording(bool on) {
    recording_ = on;
    // While recording the AVI button stands for the preview; a stop hands
    // the Preview button back while the picture runs.
    syncPreviewButton();
    commands_.setSelected(ids::kVideo, on);
    client_->setRecordingSeconds(on && !fullScreen_ ? 0 : -1, secondsFont_);
    emit recordingChanged(on);
}

void RecordingCommands::ShowSeconds(int seconds) {
    if (!fullScreen_) client_->setRecordingSeconds(seconds, secondsFont_);
}

void RecordingCommands::SetFullScreen(bool on) {
    fullScreen_ = on;
    if (on)
        client_->setRecordingSeconds(-1, secondsFont_);
    else if (recording_)
        client_->setRecordingSeconds(recorder_ ? recorder_->ElapsedSeconds() : 0, secondsFont_);
}

void RecordingCommands::start() {
    if (recording_ || !recorder_) return;
    PlaySkinSound(kSoundRecordStart);
    if (recorder_->StartUnlimited()) SetRecording(true);
}

void RecordingCommands::stop() {
    if (!recording_ || !recorder_) return;
    recorder_->Stop();
    SetRecording(false);
    PlaySkinSound(kSoundRecordStop);
}

void RecordingCommands::CloseKeepingPreview() {
    // Only a running recording is closed here: without one the Preview
    // command would stop the live picture instead.
    if (recording_) togglePreview();
}

void RecordingCommands::Finish() {
    if (recording_ && recorder_) recorder_->Stop();
    if (recording_) SetRecording(false);
}

void RecordingCommands::togglePreview() {
    // Decided by what runs, not by the button's checked state, which a
    // reconnection or a recording may have set meanwhile.
    if (recording_) {
        // A recording closes and the live picture goes on.
        if (recorder_) recorder_->Stop();
        SetRecording(false);
        session_.RunPreview();
    } else if (session_.isPreviewRunning()) {
        session_.StopPreview();
    } else {
        session_.RunPreview();
    }
    syncPreviewButton();
}

void RecordingCommands::syncPreviewButton() {
    commands_.setSelected(ids::kPreview, session_.isPreviewRunning() && !recording_);
}

} // namespace tvx

// What the commands of the window do: each feature's actions are connected here.
#include "media/recorder_control.h"
#include "platform/language.h"
#include "platform/prompts.h"
#include "ui/main/about_dlg.h"
#include "ui/main/live_guides_overlay.h"
#include "ui/main/live_measure.h"
#include "ui/main/main_window.h"
#include "ui/main/recording_glue.h"
#include "ui/measure/photo_measure_dialog.h"
#include "ui/skin/skin.h"

#include <QAction>
#include <QDesktopServices>
#include <QUrl>

namespace tvx {

namespace {

const char* const kSupportAddress = "https://tavolux.org/support/microscope/";

} // namespace

void MainWindow::connectCommands() {
    const auto on = [this](int id, auto&& fn) {
        connect(commands_->action(id), &QAction::triggered, this, fn);
    };
    for (const LanguageMenuItem& item : kLanguageMenu)
        on(item.command, [this, item] { SwitchLanguage(item.primary, item.sub); });
    for (int id = ids::kHorMirror; id <= ids::kBlue; ++id)
        on(id, [this, id] { pressEffect(id); });
    on(ids::kCamera, [this] { takeStill(); });
    on(ids::kClock, [this] {
        if (!inPreviewState())
            warn(windowTitle(), "BrowseToTimer", "Please return to the preview state");
        else
            recordingGlue_->OpenTimeLapse();
    });
    on(ids::kVideo, [this] {
        PlaySkinSound(kSoundRecordStart);
        if (recorder_) SetRecording(recorder_->ToggleWithDialog());
    });
    on(ids::kStartRecording, [this] { startRecording(); });
    on(ids::kStopRecording, [this] { stopRecording(); });
    on(ids::kPreview, [this] { togglePreview(); });
    on(ids::kRes640, [this] { setResolution(640, 480); });
    on(ids::kRes720, [this] { setResolution(720, 480); });
    // Open, Save, Delete, Delete All and E-Mail belong to the file list
    // (file_list_glue.cpp), Device Settings to its own glue.
    on(ids::kPenSettings, [this] {
        // The label colour and unit reach the next live shape through the
        // settings; the font is held by the live measuring, so it is handed
        // over here rather than waiting for the next start.
        const PenSettingsOutcome out = RunPenSettings(this);
        if (measure_) measure_->SetLabelFont(out.labelFont);
        // The guides measure in the unit the tools now use.
        if (guides_)
            guides_->Rescale(
                ReadMagnification({calibrationText(), magnificationText(), false}).magnification);
    });
    on(ids::kQuit, [this] { close(); });
    on(ids::kUndo, [this] { liveShapes_.Undo(); });
    on(ids::kRedo, [this] { liveShapes_.Redo(); });
    on(ids::kDeleteAllMeasures, [this] { liveShapes_.Clear(); });
    // The result is not checked: a missing manual shows nothing of ours.
    on(ids::kManual, [] { QDesktopServices::openUrl(QUrl::fromLocalFile(ManualFilePath())); });
    on(ids::kUpdate, [] { QDesktopServices::openUrl(QUrl(QString::fromLatin1(kSupportAddress))); });
    on(ids::kAbout, [this] {
        CAboutDlg dlg(this);
        dlg.exec();
    });
}

void MainWindow::OnCommand(int command) {
    commands_->trigger(command);
}

void MainWindow::takeStill() {
    if (inPreviewState())
        session_->RequestStill();
    else
        warn(windowTitle(), "BrowseToCamera", "Please return to the preview state");
}

void MainWindow::pressEffect(int id) {
    effects_->Press(id);
    for (int e = ids::kHorMirror; e <= ids::kBlue; ++e)
        commands_->setSelected(e, effects_->IsPressed(e));
    rebuildToolTips();
}

void MainWindow::startRecording() {
    if (recording_ || !recorder_) return;
    PlaySkinSound(kSoundRecordStart);
    if (recorder_->StartUnlimited()) SetRecording(true);
}

void MainWindow::stopRecording() {
    if (!recording_ || !recorder_) return;
    recorder_->Stop();
    SetRecording(false);
    PlaySkinSound(kSoundRecordStop);
}

void MainWindow::togglePreview() {
    // Decided by what runs, not by the button's checked state, which a
    // reconnection or a recording may have set meanwhile.
    if (recording_) {
        // A recording closes and the live picture goes on.
        if (recorder_) recorder_->Stop();
        SetRecording(false);
        session_->RunPreview();
    } else if (session_->isPreviewRunning()) {
        session_->StopPreview();
        liveView_->update();
    } else {
        session_->RunPreview();
    }
    syncPreviewButton();
    rebuildToolTips();
}

} // namespace tvx

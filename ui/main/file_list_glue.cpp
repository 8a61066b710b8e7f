// The file list and its commands as the window carries them.
#include "capture/capture_engine.h"
#include "ui/files/file_commands.h"
#include "ui/files/file_list_view.h"
#include "ui/main/client_area.h"
#include "ui/main/main_window.h"
#include "ui/main/save_as.h"
#include "ui/measure/photo_measure_dialog.h"
#include "ui/player/video_player_dlg.h"

#include <QPointer>

namespace tvx {

void MainWindow::buildFileList() {
    FileCommands::Options o;
    o.folders = {storage_.picture, storage_.video};
    o.tempDir = storage_.tempDir;
    o.windowTitle = [this] { return windowTitle(); };
    o.messageTitle = [this] { return msgTitle_; };
    o.askSaveAsTarget = [this](const QString& selected, bool pictureMode) {
        return AskSaveAsTarget(selected, pictureMode, storage_.picture, storage_.video,
                               windowTitle());
    };
    o.fileMenu = fileMenu_;
    files_ = std::make_unique<FileCommands>(client_, o);
    fileListArea_ = files_->view();
    fileListArea_->show();

    FileCommands::Actions a;
    a.open = commands_->action(ids::kOpen);
    a.save = commands_->action(ids::kSave);
    a.saveAs = commands_->action(ids::kSaveAs);
    a.remove = commands_->action(ids::kDelete);
    a.removeAll = commands_->action(ids::kDeleteAll);
    a.email = commands_->action(ids::kEMail);
    a.menuEmail = commands_->action(ids::kMenuEMail);
    files_->Connect(a);

    FileCommands* files = files_.get();
    connect(this, &MainWindow::stillSaved, files, &FileCommands::AddStill);
    connect(this, &MainWindow::recordingFinished, files, &FileCommands::AddRecording);
    connect(files, &FileCommands::openVideoRequested, this, [this, files](const QString& path) {
        // Play works only while the list still has a selection.
        CVideoPlayerDlg player(
            path, [files] { return !files->SelectedPath().isEmpty(); }, this);
        player.exec();
    });
    connect(files, &FileCommands::openPictureRequested, this, [this, files](const QString& path) {
        RunPhotoMeasure(this, path, [this] { showNewMagnification(); });
        // A measured picture saved into the Picture folder joins the list.
        files->model().ScanFolders();
    });
}

} // namespace tvx

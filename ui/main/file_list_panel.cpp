#include "ui/main/file_list_panel.h"

#include "ui/files/file_commands.h"
#include "ui/files/file_list_view.h"
#include "ui/main/client_area.h"
#include "ui/main/command_table.h"
#include "ui/main/save_as.h"
#include "ui/measure/photo_measure_dialog.h"
#include "ui/player/video_player_dlg.h"

#include <QMenu>
#include <QMouseEvent>

namespace tvx {

FileListPanel::FileListPanel(CClientArea* client, CommandActions& commands,
                             CalibrationState& calibration, Prompts& prompts,
                             SettingsStore& settings, const StorageFolders& storage,
                             QString messageTitle, QWidget* window)
    : QObject(window), calibration_(calibration), prompts_(prompts), settings_(settings),
      storage_(storage), client_(client), window_(window), menu_(new QMenu(window)) {
    setObjectName(QStringLiteral("fileListPanel"));
    FileCommands::Options o;
    o.folders = {storage.picture, storage.video};
    o.tempDir = storage.tempDir;
    o.windowTitle = [window] { return window->windowTitle(); };
    o.messageTitle = [messageTitle] { return messageTitle; };
    o.askSaveAsTarget = [this, window, storage](const QString& selected, bool pictureMode) {
        return AskSaveAsTarget(prompts_, selected, pictureMode, storage.picture, storage.video,
                               window->windowTitle());
    };
    o.fileMenu = menu_;
    files_ = std::make_unique<FileCommands>(client_, prompts_, o);
    files_->view()->show();

    FileCommands::Actions a;
    a.open = commands.action(ids::kOpen);
    a.save = commands.action(ids::kSave);
    a.saveAs = commands.action(ids::kSaveAs);
    a.remove = commands.action(ids::kDelete);
    a.removeAll = commands.action(ids::kDeleteAll);
    a.email = commands.action(ids::kEMail);
    a.menuEmail = commands.action(ids::kMenuEMail);
    files_->Connect(a);

    FileCommands* files = files_.get();
    connect(files, &FileCommands::openVideoRequested, this, [this, files](const QString& path) {
        // Play works only while the list still has a selection.
        VideoPlayerDialog player(
            path, [files] { return !files->SelectedPath().isEmpty(); }, window_);
        player.exec();
    });
    connect(files, &FileCommands::openPictureRequested, this, [this, files](const QString& path) {
        RunPhotoMeasure(
            calibration_, prompts_, settings_, window_, path, [this] { emit calibrationStored(); },
            [this](const QString& saved) { emit measuredPictureSaved(saved); });
        // A measured picture saved into the Picture folder joins the list.
        files->model().ScanFolders();
    });
    client_->setListMode(listMode_);
    client_->installEventFilter(this);
}

FileListPanel::~FileListPanel() = default;

QWidget* FileListPanel::view() const {
    return files_->view();
}

void FileListPanel::SetListMode(int mode) {
    if (mode == listMode_) return;
    listMode_ = mode;
    client_->setListMode(mode);
    files_->SetListMode(mode);
}

void FileListPanel::AddStill(const QString& path) {
    files_->AddStill(path);
}

void FileListPanel::AddRecording(const QString& path) {
    files_->AddRecording(path);
}

bool FileListPanel::eventFilter(QObject* watched, QEvent* e) {
    // The two tabs are pictures of the skin, not widgets.
    if (watched == client_ && client_->isVisible() &&
        (e->type() == QEvent::MouseButtonPress || e->type() == QEvent::MouseButtonDblClick)) {
        auto* me = static_cast<QMouseEvent*>(e);
        const QPoint pos = me->position().toPoint();
        if (me->button() == Qt::LeftButton && view()->isVisible()) {
            if (client_->TabZone(1).contains(pos)) {
                SetListMode(1);
                return true;
            }
            if (client_->TabZone(0).contains(pos)) {
                SetListMode(0);
                return true;
            }
        }
    }
    return QObject::eventFilter(watched, e);
}

} // namespace tvx

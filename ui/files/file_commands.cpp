#include "ui/files/file_commands.h"

#include "imaging/cximage.h"
#include "platform/file_name.h"
#include "platform/language.h"
#include "platform/prompts.h"
#include "ui/files/file_list_view.h"
#include "ui/skin/error_sink.h"

#include <QAction>
#include <QFileInfo>
#include <QMenu>
#include <QWidget>

namespace tvx {

namespace {

// A file goes to the trash only once the user said so.
bool Sure(Prompts& prompts, const QString& question) {
    return prompts.Message(Text("MsgTitle", "Tavolux"), question, Prompts::Icon::Warning,
                           Prompts::Buttons::OkCancel) == Prompts::Answer::Ok;
}

// Pictures (BMP, JPEG, PNG in any letter case) open in the measuring
// dialog, everything else in the player.
bool OpensAsPicture(const QString& path) {
    return ImageTypeFromPath(path) != kImageTypeNone;
}

} // namespace

FileCommands::FileCommands(QWidget* listParent, Prompts& prompts, Options options, QObject* parent)
    : QObject(parent), prompts_(prompts), options_(std::move(options)), model_(options_.folders),
      mail_(mailer_, options_.tempDir) {
    view_ = new CFileListView(model_, listParent);
    view_->setObjectName(QStringLiteral("fileList"));
    view_->setGeometry(8, 87, 179, 480);
    connect(view_, &CFileListView::openRequested, this, &FileCommands::Open);
    connect(view_, &CFileListView::deleteRequested, this, &FileCommands::Delete);
    connect(view_, &CFileListView::menuRequested, this, &FileCommands::ShowMenu);
    connect(&mail_, &MailCommand::message, this,
            [this](const QString& title, const QString& text, Prompts::Icon icon) {
                ShowMessage(prompts_, title, text, icon);
            });
    model_.ScanFolders();
}

FileCommands::~FileCommands() {
    // The view draws from the model: it goes first.
    delete view_.data();
}

void FileCommands::Connect(const Actions& a) {
    const auto on = [this](QAction* action, void (FileCommands::*fn)()) {
        if (action) connect(action, &QAction::triggered, this, fn);
    };
    on(a.open, &FileCommands::Open);
    on(a.save, &FileCommands::SaveAs);
    on(a.saveAs, &FileCommands::SaveAs);
    on(a.remove, &FileCommands::Delete);
    on(a.removeAll, &FileCommands::DeleteAll);
    on(a.email, &FileCommands::EMail);
    on(a.menuEmail, &FileCommands::EMail);
}

QString FileCommands::SelectedPath() const {
    QString path;
    return model_.GetSelected(&path) ? path : QString();
}

void FileCommands::AddStill(const QString& path) {
    model_.AddPicture(path);
}

void FileCommands::AddRecording(const QString& path) {
    model_.AddVideo(path);
}

void FileCommands::SetListMode(int mode) {
    const ListMode m = mode == 0 ? ListMode::Videos : ListMode::Pictures;
    model_.SetMode(m);
}

bool FileCommands::warnWithoutSelection(const QString& title) {
    if (model_.GetSelected(nullptr)) return false;
    ShowMessage(prompts_, title, Text("SelectFile", "Please select an image or video"),
                Prompts::Icon::Warning);
    return true;
}

void FileCommands::Open() {
    if (warnWithoutSelection(options_.messageTitle())) return;
    // The dialogs open from the event loop, not from inside the click or
    // menu that asked for them.
    const bool picture = OpensAsPicture(SelectedPath());
    QMetaObject::invokeMethod(
        this,
        [this, picture] {
            // The selection may have gone meanwhile.
            const QString path = SelectedPath();
            if (path.isEmpty()) return;
            if (picture)
                emit openPictureRequested(path);
            else
                emit openVideoRequested(path);
        },
        Qt::QueuedConnection);
}

void FileCommands::SaveAs() {
    // The question warns by itself when nothing is selected.
    const QString target =
        options_.askSaveAsTarget
            ? options_.askSaveAsTarget(SelectedPath(), model_.mode() == ListMode::Pictures)
            : QString();
    if (target.isEmpty()) return;
    QString why;
    if (!model_.SaveSelectedAs(target, &why) && !why.isEmpty())
        ShowMessage(prompts_, QStringLiteral("Tavolux"), why, Prompts::Icon::Warning);
}

void FileCommands::Delete() {
    if (warnWithoutSelection(options_.messageTitle())) return;
    // The question names the file, so a wrong selection shows before it is
    // too late.
    const QString name = DisplayFileName(QFileInfo(SelectedPath()).fileName());
    if (!Sure(prompts_, Text("DeleteFile", "Delete %1?").arg(name))) return;
    QString why;
    if (!model_.DeleteSelected(&why) && !why.isEmpty())
        ShowMessage(prompts_, QStringLiteral("Capture"), why, Prompts::Icon::Error);
}

void FileCommands::DeleteAll() {
    if (warnWithoutSelection(options_.messageTitle())) return;
    if (Sure(prompts_, Text("SureDeleteAll", "Are you sure to delete all?"))) model_.DeleteAll();
}

void FileCommands::EMail() {
    if (warnWithoutSelection(options_.windowTitle())) return;
    mail_.Mail(SelectedPath());
}

void FileCommands::ShowMenu(const QPoint& globalPos) {
    if (options_.fileMenu && model_.GetSelected(nullptr)) options_.fileMenu->popup(globalPos);
}

} // namespace tvx

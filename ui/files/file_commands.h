#pragma once

#include "platform/mailer.h"
#include "session/file_list.h"
#include "session/mail_command.h"
#include "ui/files/file_list_view.h"

#include <QObject>
#include <QPointer>
#include <functional>

class QAction;
class QMenu;
class QWidget;

namespace tvx {

class Prompts;

// The file list as the main window uses it: the list of stored pictures and
// videos, its view, and the window's file commands on the selected entry
// (Open, Save as, Delete, Delete All, E-Mail, the right-click file menu).
// The window hands in its actions and its save-as question; dialogs of other
// windows (the video player, the measuring dialog) hang on the open signals.
// UI thread.
class FileCommands : public QObject {
    Q_OBJECT
public:
    struct Options {
        FileListModel::Folders folders;
        QString tempDir; // where mail copies are made; empty: the storage TempDir
        // The window's own title (Save, E-Mail) and its message-box title
        // (Open, Delete, Delete All).
        std::function<QString()> windowTitle;
        std::function<QString()> messageTitle;
        // Asks where the selected file goes; empty for none (the question
        // itself tells the user why).
        std::function<QString(const QString& selected, bool pictureMode)> askSaveAsTarget;
        QMenu* fileMenu = nullptr; // the right-click menu, not owned
    };
    // The actions of the window this list carries out; a null one is skipped.
    struct Actions {
        QAction* open = nullptr;
        QAction* save = nullptr; // the toolbar's Save button
        QAction* saveAs = nullptr;
        QAction* remove = nullptr;
        QAction* removeAll = nullptr;
        QAction* email = nullptr; // the toolbar's E-Mail button
        QAction* menuEmail = nullptr;
    };

    // The view is made as a child of `listParent`, at the list's first-run
    // place and size until a layout takes it.
    FileCommands(QWidget* listParent, Prompts& prompts, Options options, QObject* parent = nullptr);
    ~FileCommands() override;

    void Connect(const Actions& actions);

    FileListModel& model() { return model_; }
    CFileListView* view() const { return view_; }
    Mailer& mailer() { return mailer_; }
    MailCommand& mail() { return mail_; }
    // Path of the selected entry of the current list; empty when none.
    QString SelectedPath() const;

public slots:
    // A still was written / a recording ended: it joins its list, selected.
    void AddStill(const QString& path);
    void AddRecording(const QString& path);
    // 1 pictures, 0 videos (the window's tab).
    void SetListMode(int mode);

    void Open();
    void SaveAs();
    void Delete();
    void DeleteAll();
    void EMail();
    void ShowMenu(const QPoint& globalPos);

signals:
    // Open found a BMP picture / another file selected: the measuring
    // dialog / the video player takes it from here.
    void openPictureRequested(const QString& path);
    void openVideoRequested(const QString& path);

private:
    bool warnWithoutSelection(const QString& title);

    Prompts& prompts_;
    Options options_;
    FileListModel model_;
    QPointer<CFileListView> view_;
    // The mail command uses the mailer: it is declared after it so that it
    // goes first (and with it the JPEG copies the mail program has had).
    Mailer mailer_;
    MailCommand mail_;
};

} // namespace tvx

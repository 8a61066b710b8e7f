#pragma once

#include "platform/folders.h"

#include <QFont>
#include <QMainWindow>
#include <QMutex>
#include <QPixmap>
#include <QTimer>

class QLineEdit;
class QMenu;
class QShortcut;

namespace tvx {

class CClientArea;

// The main window: the live picture, the file list, the toolbar and the
// boxes, the menu, hot keys and timers.
class CMicroscopeDlg : public QMainWindow {
    Q_OBJECT
public:
    struct Options {
        bool simulate = false;
    };

    explicit CMicroscopeDlg(const Options& options, QWidget* parent = nullptr);
    ~CMicroscopeDlg() override;

    // The window's preparation, in the fixed start-up order. Called once,
    // before the window is shown.
    void InitDialog();

    // The window that posted messages go to; null before InitDialog and
    // after the window is gone.
    static CMicroscopeDlg* Instance();

    // Runs a command of the menus, buttons and hot keys.
    void OnCommand(int command);

    // What the start-up sequence found and made, for tests and later steps.
    const StorageFolders& storage() const { return storage_; }
    const QString& programFolder() const { return programFolder_; }
    const QString& calibrationFilePath() const { return calibrationFile_; }
    const QString& messageTitle() const { return msgTitle_; }
    const QString& connectionMessage() const { return connectMsg_; }
    bool deviceConnected() const { return deviceConnected_; }
    QString magnificationText() const;
    QString calibrationText() const;
    QLineEdit* magnificationBox() const { return magBox_; }
    QLineEdit* calibrationBox() const { return calBox_; }
    QMenu* fileMenu() const { return fileMenu_; }
    const QFont& fontA() const { return fontA_; }
    const QFont& fontB() const { return fontB_; }
    QTimer* startupTimer() { return &startupTimer_; }

    // Switches the language from the language menu: relabels the menus and
    // tool tips and stores the choice.
    void SwitchLanguage(int primary, int sub);

    // Capture size shown in the resolution text.
    QSize captureSize() const { return captureSize_; }

protected:
    bool event(QEvent* e) override;
    void closeEvent(QCloseEvent* e) override;
    void keyPressEvent(QKeyEvent* e) override;

private:
    void createFonts();
    void buildMenus(int menuGrey);
    void startCapture();
    void stopAndReleaseCapture();
    void setDeviceConnected(bool connected);
    void rebuildToolTips();
    void onStartupTimer();
    void showCalibrationPrompt();
    void showAbout();
    void openManual();
    void openSupportPage();
    void warn(const QString& title, const char* key, const char* defaultText);
    bool inPreviewState() const;

    Options options_;
    CClientArea* client_ = nullptr;
    QLineEdit* magBox_ = nullptr; // edit 1112
    QLineEdit* calBox_ = nullptr; // edit 1205, read-only
    QMenu* fileMenu_ = nullptr;   // right-click menu of the file list
    QList<QShortcut*> hotKeys_;
    QTimer startupTimer_; // 376
    QMutex deviceLock_;   // serialises the connection check

    QFont fontA_; // recording seconds
    QFont fontB_; // resolution text

    QString programFolder_;
    QString calibrationFile_;
    StorageFolders storage_;
    QString msgTitle_ = QStringLiteral("Tavolux");
    QString connectMsg_;
    QString escRestore_;
    QString savedTitle_;
    QSize captureSize_{640, 480};
    uint32_t lineColor_ = 255;
    uint32_t labelColor_ = 19;
    bool deviceConnected_ = false;
    bool fullScreen_ = false;
    double overlayScaleX_ = 1.0;
    double overlayScaleY_ = 1.0;
};

} // namespace tvx

#pragma once

#include "capture/frame_sink.h"
#include "measure/shape_list.h"
#include "platform/folders.h"
#include "session/effect_buttons.h"
#include "ui/main/live_view.h"

#include <QFont>
#include <QMainWindow>
#include <QMap>
#include <QMutex>
#include <QPixmap>
#include <QTimer>
#include <memory>

class QLineEdit;
class QMenu;
class QShortcut;

namespace tvx {

class SnapshotButton;
class CBitmapButton;
class CClientArea;
class CLiveView;
class CaptureEngine;
class RecorderControl;

// The main window: the live picture, the file list, the toolbar and the
// boxes, the menu, hot keys and timers.
class MainWindow : public QMainWindow {
    Q_OBJECT
public:
    struct Options {
        bool simulate = false;
        // Tests hand in an engine of their own (scripted devices); null
        // makes the real one.
        CaptureEngine* engine = nullptr;
    };

    explicit MainWindow(const Options& options, QWidget* parent = nullptr);
    ~MainWindow() override;

    // The window's preparation, in the fixed start-up order. Called once,
    // before the window is shown.
    void InitDialog();

    // The window that posted messages go to; null before InitDialog and
    // after the window is gone.
    static MainWindow* Instance();

    // Runs a command of the menus, buttons and hot keys.
    void OnCommand(int command);

    // The connection check: after device changes, power resume and by timer 367.
    void CheckConnection();
    // A device node changed: one check 1000 ms after the last of a burst.
    void OnDeviceNodesChanged();
    // A device arrived or left: check at once.
    void OnDeviceArrivedOrRemoved();

    void EnterFullScreen();
    void LeaveFullScreen();
    bool isFullScreenMode() const { return fullScreen_; }

    // Switches the language from the language menu: relabels the menus and
    // tool tips and stores the choice.
    void SwitchLanguage(int primary, int sub);

    // The recorder behind F3/F4 and the AVI button; not owned.
    void SetRecorder(RecorderControl* recorder) { recorder_ = recorder; }
    bool isRecording() const { return recording_; }
    void SetRecording(bool on);

    // What the start-up sequence found and made, for tests and later steps.
    const StorageFolders& storage() const { return storage_; }
    const QString& programFolder() const { return programFolder_; }
    const QString& calibrationFilePath() const { return calibrationFile_; }
    const QString& messageTitle() const { return msgTitle_; }
    const QString& connectionMessage() const { return connectMsg_; }
    bool deviceConnected() const { return deviceConnected_; }
    bool inPreviewState() const;
    int listMode() const { return listMode_; }
    QString magnificationText() const;
    QString calibrationText() const;
    QLineEdit* magnificationBox() const { return magBox_; }
    QLineEdit* calibrationBox() const { return calBox_; }
    QMenu* fileMenu() const { return fileMenu_; }
    CBitmapButton* button(int id) const { return buttons_.value(id); }
    CLiveView* liveView() const { return liveView_; }
    CaptureEngine* engine() const { return engine_; }
    FrameSink& frameSink() { return sink_; }
    const QFont& fontA() const { return fontA_; }
    const QFont& fontB() const { return fontB_; }
    QTimer* startupTimer() { return &startupTimer_; }
    QTimer* connectionTimer() { return &connectionTimer_; }
    QTimer* buttonPollTimer() { return &buttonPollTimer_; }
    int connectionChecks() const { return connectionChecks_; }
    double overlayScaleX() const { return overlayScaleX_; }
    double overlayScaleY() const { return overlayScaleY_; }
    // Tool tips currently registered, one per visible button.
    int toolTipCount() const;
    QString lastSavedStill() const { return lastSavedStill_; }
    // The measurements drawn on the live picture. Guarded by liveShapesLock()
    // because the streaming thread draws them.
    ShapeList& liveShapes() { return liveShapes_; }
    QMutex& liveShapesLock() { return liveShapesLock_; }

    // The still save of a posted still message.
    void SaveStill(bool fromHardware);

    // Guides and live measurements: drawn over every frame and into stills.
    // The overlay must outlive the window.
    void SetOverlay(LiveLayer layer, LiveOverlay* overlay);

protected:
    bool event(QEvent* e) override;
    bool eventFilter(QObject* watched, QEvent* e) override;
    void changeEvent(QEvent* e) override;
    void closeEvent(QCloseEvent* e) override;
    void keyPressEvent(QKeyEvent* e) override;
    void resizeEvent(QResizeEvent* e) override;

private slots:
    void onPrepareForSleep(bool sleeping);

private:
    void createFonts();
    void createButtons();
    void createHotKeys();
    void buildMenus(int menuGrey);
    bool startEngine();
    void stopAndReleaseEngine();
    void setDeviceConnected(bool connected);
    void enableCaptureButtons(bool on);
    void rebuildToolTips();
    void onStartupTimer();
    void onButtonPoll();
    void togglePreview();
    void setListMode(int mode);
    void setResolution(int width, int height);
    void updateResolutionText();
    void requestStill();
    void lookUpCalibration();
    void showNewMagnification();
    void showCalibrationPrompt();
    void showAbout();
    void openManual();
    void openSupportPage();
    void warn(const QString& title, const char* key, const char* defaultText);
    bool openButtonObject();
    void closeButtonObject();
    void watchResume();
    QRect pictureRect() const;

    Options options_;
    CClientArea* client_ = nullptr;
    CLiveView* liveView_ = nullptr;   // control 1000
    QWidget* fileListArea_ = nullptr; // control 1002
    QLineEdit* magBox_ = nullptr;     // edit 1112
    QLineEdit* calBox_ = nullptr;     // edit 1205, read-only
    QMenu* fileMenu_ = nullptr;       // right-click menu of the file list
    QMap<int, CBitmapButton*> buttons_;
    QList<QShortcut*> hotKeys_;
    QTimer startupTimer_;    // 376
    QTimer connectionTimer_; // 367
    QTimer buttonPollTimer_; // 366
    QMutex deviceLock_;      // serialises the connection check

    LiveOverlay* overlays_[int(LiveLayer::Count)] = {};
    QMutex liveShapesLock_;
    ShapeList liveShapes_; // guarded by liveShapesLock_, written on the UI thread
    std::unique_ptr<CaptureEngine> ownedEngine_;
    CaptureEngine* engine_ = nullptr;
    FrameSink sink_;
    EffectButtons effects_;
    std::unique_ptr<SnapshotButton> buttonObject_;
    RecorderControl* recorder_ = nullptr;

    QFont fontA_; // recording seconds
    QFont fontB_; // resolution text

    QString programFolder_;
    QString calibrationFile_;
    StorageFolders storage_;
    QString msgTitle_ = QStringLiteral("Tavolux");
    QString connectMsg_;
    QString savedTitle_;
    QRect savedGeometry_;
    QString lastSavedStill_;
    QString selectedFile_; // the file list's selection
    int listMode_ = 1;     // 1 pictures, 0 videos
    int connectionChecks_ = 0;
    bool deviceConnected_ = false;
    bool fullScreen_ = false;
    bool recording_ = false;
    bool saving_ = false;
    bool saveFailureShown_ = false;
    double overlayScaleX_ = 1.0;
    double overlayScaleY_ = 1.0;
};

} // namespace tvx

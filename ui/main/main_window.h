#pragma once

#include "measure/calibration.h"
#include "platform/folders.h"
#include "session/capture_session.h"
#include "session/effect_buttons.h"
#include "session/live_shapes.h"
#include "session/still_saver.h"
#include "ui/main/command_table.h"
#include "ui/main/live_view.h"
#include "ui/main/still_feedback.h"

#include <QFont>
#include <QMainWindow>
#include <QTimer>
#include <memory>
#include <optional>

class QLineEdit;
class QMenu;

namespace tvx {

class CClientArea;
class DeviceSettingsGlue;
class FileCommands;
class CLiveView;
class CMenuXP;
class LiveGuides;
class LiveMeasure;
class FocusFeatures;
class MeasureExportCommands;
class StillFormatChoice;
class RecorderControl;
class RecordingGlue;
class StackFeature;

// The main window: lays out the live picture, the file list, the toolbar and
// the boxes, and hands what the user asks for to the capture session and to
// the features behind the commands.
class MainWindow : public QMainWindow {
    Q_OBJECT
public:
    struct Options {
        bool simulate = false;
        // Tests hand in an engine of their own (scripted devices); null
        // makes the real one.
        CaptureEngine* engine = nullptr;
        // The calibration values the magnification message shows; null is
        // the program's own.
        CalibrationState* calibration = nullptr;
    };

    explicit MainWindow(const Options& options, QWidget* parent = nullptr);
    ~MainWindow() override;

    // The window's preparation, in the fixed start-up order. Called once,
    // before the window is shown.
    void InitDialog();

    // The window that posted messages go to; null before InitDialog and
    // after the window is gone.
    static MainWindow* Instance();

    // Runs a command as its button, menu item or hot key would.
    void OnCommand(int command);

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
    // The seconds counter under the picture; -1 hides it. Not in full screen.
    void ShowRecordingSeconds(int seconds);
    // The recorder and time-lapse glue the window makes; valid after InitDialog.
    RecordingGlue* recordingGlue() const { return recordingGlue_.get(); }

    // Guides and live measurements: drawn over every frame and into stills.
    // The overlay must outlive the window.
    void SetOverlay(LiveLayer layer, LiveOverlay* overlay);

    // The parts the window hands on to; valid after InitDialog.
    CaptureSession& session() { return *session_; }
    CommandActions& commands() { return *commands_; }
    LiveShapes& liveShapes() { return liveShapes_; }
    LiveGuides& guides() { return *guides_; }
    LiveMeasure& liveMeasure() { return *measure_; }
    // The live view's menu as the "other" button shows it.
    std::unique_ptr<CMenuXP> buildLiveMenu();
    FileCommands& fileCommands() { return *files_; }
    DeviceSettingsGlue& deviceSettings() { return *deviceSettings_; }

    // What the start-up sequence found and made.
    const StorageFolders& storage() const { return storage_; }
    const QString& programFolder() const { return programFolder_; }
    const QString& calibrationFilePath() const { return calibrationFile_; }
    const QString& messageTitle() const { return msgTitle_; }
    // The live picture runs: the session's word, never a button's.
    bool inPreviewState() const;
    int listMode() const { return listMode_; }
    QString magnificationText() const;
    QString calibrationText() const;
    QLineEdit* magnificationBox() const { return magBox_; }
    QLineEdit* calibrationBox() const { return calBox_; }
    QMenu* fileMenu() const { return fileMenu_; }
    CLiveView* liveView() const { return liveView_; }
    const QFont& fontA() const { return fontA_; }
    const QFont& fontB() const { return fontB_; }
    QTimer* startupTimer() { return &startupTimer_; }
    QString lastSavedStill() const { return lastSavedStill_; }
    StillFeedback& stillFeedback() { return *stillFeedback_; }
    ErrorReporter& errorReporter() { return errors_; }

    // The one way an error reaches the user: logged, and shown in a box
    // unless one was shown a moment ago.
    void reportError(const QString& title, const QString& reason);

signals:
    // A still picture was written; features that list files add it.
    void stillSaved(const QString& path);
    // A recording was closed and its file is complete; the file list adds it.
    void recordingFinished(const QString& path);

protected:
    bool eventFilter(QObject* watched, QEvent* e) override;
    void changeEvent(QEvent* e) override;
    void closeEvent(QCloseEvent* e) override;
    void keyPressEvent(QKeyEvent* e) override;
    void resizeEvent(QResizeEvent* e) override;

private:
    void createBoxes();
    void connectCommands();
    void buildFileList();
    void startSession();
    void buildMenus(int menuGrey);
    void showConnection(bool connected, const QString& message);
    void saveStill(StillSource source);
    void onCaptureError(const QString& reason);
    void rebuildToolTips();
    void onStartupTimer();
    void takeStill();
    void togglePreview();
    // The Preview button shows the session's preview, unless a recording
    // (the AVI button) stands for it.
    void syncPreviewButton();
    void pressEffect(int id);
    void startRecording();
    void stopRecording();
    void setListMode(int mode);
    void setResolution(int width, int height);
    void updateResolutionText();
    void lookUpCalibration();
    void showNewMagnification();
    void warn(const QString& title, const char* key, const char* defaultText);
    void plugLiveTools();
    std::optional<double> readLiveMagnification(bool useNominal);
    void showLiveMenu();
    void plugStacking();

    static MainWindow* instance_; // set and cleared on the UI thread

    Options options_;
    CClientArea* client_ = nullptr;
    CLiveView* liveView_ = nullptr;   // control 1000
    QWidget* fileListArea_ = nullptr; // control 1002, the file list's view
    QLineEdit* magBox_ = nullptr;     // edit 1112
    QLineEdit* calBox_ = nullptr;     // edit 1205, read-only
    QMenu* fileMenu_ = nullptr;       // right-click menu of the file list
    QTimer startupTimer_;             // 376

    // Destroyed before the widgets: frames stop before the live view goes.
    std::unique_ptr<CaptureSession> session_;
    std::unique_ptr<CommandActions> commands_;
    std::unique_ptr<EffectButtons> effects_;
    std::unique_ptr<FocusFeatures> focus_;           // the focus meter and the sharpest still
    std::unique_ptr<StackFeature> stack_;            // focus stacking; off the sink before it goes
    MeasureExportCommands* measureExport_ = nullptr; // owned by the window
    StillFormatChoice* stillFormat_ = nullptr;       // owned by the window
    OverlayCompositor stillOverlays_;
    StillSaver stillSaver_;
    LiveShapes liveShapes_;
    std::unique_ptr<LiveGuides> guides_;   // overlays of the live surface and stills
    std::unique_ptr<LiveMeasure> measure_; // draws from liveShapes_
    RecorderControl* recorder_ = nullptr;
    StillFeedback* stillFeedback_ = nullptr; // owned by the live view
    ErrorReporter errors_;
    std::unique_ptr<RecordingGlue> recordingGlue_;
    std::unique_ptr<FileCommands> files_;
    std::unique_ptr<DeviceSettingsGlue> deviceSettings_;

    QFont fontA_; // recording seconds
    QFont fontB_; // resolution text

    QString programFolder_;
    QString calibrationFile_;
    StorageFolders storage_;
    QString msgTitle_ = QStringLiteral("Tavolux");
    QString savedTitle_;
    QRect savedGeometry_;
    QString lastSavedStill_;
    int listMode_ = 1; // 1 pictures, 0 videos
    bool fullScreen_ = false;
    bool recording_ = false;
};

} // namespace tvx

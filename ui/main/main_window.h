#pragma once

#include <QMainWindow>

namespace tvx {

class Prompts;
class SettingsStore;

class CaptureEngine;
class CaptureSession;
class CClientArea;
class CLiveView;
class CommandActions;
class ErrorReporter;
class FullScreenMode;
class Language;
class LiveTools;
class MagnificationBoxes;
class RecordingCommands;
class ToolbarRow;
struct CalibrationState;

// The main window: lays out the live picture, the file list, the toolbar and
// the boxes, and composes the features behind the commands. Each feature is
// a child object of the window that talks back through signals; the window
// holds none of their state.
class MainWindow : public QMainWindow {
    Q_OBJECT
public:
    struct Options {
        bool simulate = false;
        // Tests hand in an engine of their own (scripted devices); null
        // makes the real one.
        CaptureEngine* engine = nullptr;
        // The calibration values of the run, where questions and messages
        // go, and the settings file; all required.
        CalibrationState* calibration = nullptr;
        Prompts* prompts = nullptr;
        SettingsStore* settings = nullptr;
        // The language the texts come from, installed on the application by
        // its owner; the window chooses it at start and from the language
        // menu. Null gives the window one of its own.
        Language* language = nullptr;
    };

    explicit MainWindow(const Options& options, QWidget* parent = nullptr);
    ~MainWindow() override;

    // The window's preparation, in the fixed start-up order. Called once,
    // before the window is shown.
    void InitDialog();

protected:
    void closeEvent(QCloseEvent* e) override;
    void resizeEvent(QResizeEvent* e) override;
    void keyPressEvent(QKeyEvent* e) override;

private:
    void connectWindowCommands();
    void buildMenus(int menuGrey);
    void relabel();
    void switchLanguage(int primary, int sub);
    void followLanguageDirection();
    void onCaptureError(const QString& reason);
    void remindToCalibrate();

    Options options_;
    CClientArea* client_ = nullptr;
    CLiveView* liveView_ = nullptr;
    // Children of the window, destroyed in reverse order of their making
    // before any widget, so frames stop before the live view goes.
    CaptureSession* session_ = nullptr;
    ToolbarRow* toolbar_ = nullptr;
    CommandActions* commands_ = nullptr;
    MagnificationBoxes* boxes_ = nullptr;
    LiveTools* liveTools_ = nullptr;
    RecordingCommands* recording_ = nullptr;
    FullScreenMode* fullScreen_ = nullptr;
    ErrorReporter* errors_ = nullptr;
    QString msgTitle_ = QStringLiteral("Tavolux");
    QTimer* startupTimer_ = nullptr; // 376
};

} // namespace tvx

#include "ui/main/main_window.h"

#include "capture/capture_engine.h"
#include "measure/calibration.h"
#include "platform/folders.h"
#include "platform/language.h"
#include "platform/settings.h"
#include "session/capture_session.h"
#include "ui/files/file_commands.h"
#include "ui/main/about_dlg.h"
#include "ui/main/client_area.h"
#include "ui/main/command_table.h"
#include "ui/main/device_menu.h"
#include "ui/main/device_settings_glue.h"
#include "ui/main/file_list_panel.h"
#include "ui/main/focus_glue.h"
#include "ui/main/full_screen.h"
#include "ui/main/live_measure.h"
#include "ui/main/live_tools.h"
#include "ui/main/live_view.h"
#include "ui/main/magnification_boxes.h"
#include "ui/main/measure_export_glue.h"
#include "ui/main/picture_commands.h"
#include "ui/main/prompt_dlg.h"
#include "ui/main/recording_commands.h"
#include "ui/main/recording_glue.h"
#include "ui/main/stack_glue.h"
#include "ui/main/status_feedback.h"
#include "ui/main/status_strip.h"
#include "ui/main/still_commands.h"
#include "ui/main/still_feedback.h"
#include "ui/main/toolbar_row.h"
#include "ui/skin/error_sink.h"
#include "ui/skin/skin.h"

#include <QAction>
#include <QCloseEvent>
#include <QDesktopServices>
#include <QFile>
#include <QGuiApplication>
#include <QIcon>
#include <QLineEdit>
#include <QMenuBar>
#include <QResizeEvent>
#include <QScreen>
#include <QTimer>
#include <QUrl>

namespace tvx {

namespace {

const char* const kSupportAddress = "https://tavolux.org/support/microscope/";
constexpr const char* kWindowGeometryKey = "WindowGeometry";

} // namespace

MainWindow::MainWindow(const Options& options, QWidget* parent)
    : QMainWindow(parent), options_(options) {
    if (!options_.language) {
        options_.language = new Language(this);
        QCoreApplication::installTranslator(options_.language);
    }
    client_ = new CClientArea(this);
    setCentralWidget(client_);
    setWindowIcon(QIcon(QStringLiteral(":/icons/app_128.svg")));
    options_.settings->ReadFontSize();
    errors_ = new ErrorReporter(*options_.prompts, this);
    startupTimer_ = new QTimer(this);
    startupTimer_->setObjectName(QStringLiteral("startupTimer"));
    startupTimer_->setInterval(100);
    startupTimer_->setSingleShot(true);
    connect(startupTimer_, &QTimer::timeout, this, &MainWindow::remindToCalibrate);
}

MainWindow::~MainWindow() {
    // Features go before what they were given, the newest first, and all of
    // them before the widgets: frames stop before the live view goes.
    const QObjectList children = this->children();
    for (auto it = children.rbegin(); it != children.rend(); ++it)
        if (!(*it)->isWidgetType()) delete *it;
}

void MainWindow::InitDialog() {
    // The buttons' pictures are drawn on another thread while the settings,
    // the language and the session are made ready.
    std::vector<int> pictures;
    for (const CommandRow& row : CommandRows())
        for (int n : {row.up, row.down, row.disabled})
            if (n != 0) pictures.push_back(n);
    PrepareSkinPixmaps(pictures);
    const StorageFolders storage = [] {
        StorageFolders s = MakeStorageFolders();
        const QString tempDir = ReadFilePathDat(ProgramFolder());
        if (!tempDir.isEmpty()) s.tempDir = tempDir;
        return s;
    }();
    // The language file is not chosen yet, so the title keeps its default.
    msgTitle_ = Text("MsgTitle", "Tavolux");

    SettingsStore& settings = *options_.settings;
    settings.CreateFirstRun();
    settings.ReadLanguage();
    const SettingsValues s = settings.values();
    options_.language->ChooseStartup(s.LanID, s.SubLanIDD);
    followLanguageDirection();
    settings.ReadLineType();
    settings.ReadLineWidth();
    settings.ReadUnitDecimal();
    settings.ReadMeasureTxtColor();
    settings.ReadLineColor(); // the colours are used masked to 24 bits where they are drawn
    QFile::remove(storage.video + QStringLiteral("/test.avi"));

    const QFont secondsFont = SecondsFont();
    const QFont resolutionFont = ResolutionFont();
    liveView_ = new CLiveView(client_);
    liveView_->setObjectName(QStringLiteral("liveView"));
    liveView_->setLayoutDirection(Qt::LeftToRight);
    liveView_->SetTextFont(secondsFont);
    liveView_->SetFullScreenHint(Text("EscRestore", "ESC Restore", 128));
    auto* feedback = new StillFeedback(*options_.prompts, liveView_);
    // Keys go to the window, not into the magnification box, until the user
    // clicks there.
    client_->setFocusPolicy(Qt::ClickFocus);
    setWindowTitle(QStringLiteral("Tavolux"));

    CaptureSession::Options o;
    o.simulate = options_.simulate;
    o.engine = options_.engine;
    o.settings = options_.settings;
    o.scope = &options_.calibration->scope;
    session_ = new CaptureSession(o, this);
    session_->setObjectName(QStringLiteral("session"));
    toolbar_ = new ToolbarRow(client_);
    commands_ = new CommandActions(this, toolbar_);
    boxes_ = new MagnificationBoxes(client_, *options_.calibration, *options_.prompts,
                                    CalibrationFilePath());
    toolbar_->addItem(boxes_->pair(), MagnificationBoxes::kPairAt);
    auto* files = new FileListPanel(client_, *commands_, *options_.calibration, *options_.prompts,
                                    settings, storage, msgTitle_, this);
    auto* picture =
        new PictureCommands(*session_, *commands_, client_, liveView_, resolutionFont, this);
    new DeviceMenu(*session_, this);
    connect(session_, &CaptureSession::calibrationScopeChanged, boxes_,
            &MagnificationBoxes::Refresh);
    recording_ = new RecordingCommands(*session_, *commands_, client_, secondsFont, this);
    liveTools_ = new LiveTools(*session_, *commands_, liveView_, *boxes_, settings, this);
    picture->SetReleaseMeasuringTools([this] { liveTools_->ReleaseMeasuringButtons(); });
    auto* recorder =
        new RecordingGlue(*session_, *commands_, *options_.prompts, storage.video, this);
    recording_->SetRecorder(recorder);
    auto* stills = new StillCommands(
        StillCommands::Context{*session_, *commands_, *boxes_, *feedback, *options_.prompts,
                               settings, storage.picture, msgTitle_,
                               [this] { return recording_->isRecording(); }},
        this);
    // The foot of the window, between the name and the model line of the skin.
    auto* strip = new StatusStrip(client_);
    new StatusFeedback(strip, {*stills, *recording_, *recorder, liveTools_->measure(), *files},
                       this);
    client_->Arrange(toolbar_, files->view(), liveView_, strip);
    fullScreen_ =
        new FullScreenMode(this, client_, liveView_,
                           QList<QWidget*>{toolbar_, boxes_->magnificationBox(),
                                           boxes_->calibrationBox(), files->view(), strip});
    new FocusFeatures(*commands_, liveView_, session_->frameSink(), settings, this);
    new MeasureExportCommands({*commands_, liveTools_->shapes(), *session_, *boxes_, *stills,
                               *options_.prompts, settings, storage.picture, msgTitle_},
                              this);
    new DeviceSettingsGlue(*session_, commands_->action(ids::kDeviceSetting), this);

    StackFeature::Hooks h;
    h.canStart = [this] {
        if (session_->isConnected() && session_->isPreviewRunning()) return true;
        ShowMessage(*options_.prompts, windowTitle(),
                    Text("BrowseToCamera", "Please return to the preview state"),
                    Prompts::Icon::Warning);
        return false;
    };
    h.saveStill = [stills](const StillPicture& still) { return stills->Write(still); };
    h.saved = [stills, files](const QString& path) {
        // The stack is shown among the pictures, whichever list was open.
        files->SetListMode(1);
        stills->Announce(path);
    };
    h.failed = [this](const QString& reason) {
        ShowMessage(*options_.prompts, msgTitle_, reason, Prompts::Icon::Warning);
    };
    new StackFeature(*commands_, liveView_, session_->frameSink(), settings, this, std::move(h));

    // Guides and live measurements over every frame and in every still.
    for (LiveLayer layer : {LiveLayer::Shapes, LiveLayer::CrossLine, LiveLayer::Ruler,
                            LiveLayer::CircleGrid, LiveLayer::ScaleBar}) {
        stills->overlays().SetOverlay(layer, liveTools_->overlay(layer));
        liveView_->surface().SetOverlay(layer, liveTools_->overlay(layer));
    }
    connect(files, &FileListPanel::calibrationStored, boxes_,
            &MagnificationBoxes::ShowNewCalibration);
    // Queued: the tool finishes the calibration line's click first.
    connect(&liveTools_->measure(), &LiveMeasure::calibrated, boxes_,
            &MagnificationBoxes::ShowNewCalibration, Qt::QueuedConnection);
    connect(stills, &StillCommands::saved, files, &FileListPanel::AddStill);
    connect(recorder, &RecordingGlue::finished, files, &FileListPanel::AddRecording);
    connect(recorder, &RecordingGlue::seconds, recording_, &RecordingCommands::ShowSeconds);
    connect(recorder, &RecordingGlue::limitReached, recording_,
            &RecordingCommands::CloseKeepingPreview);
    connect(recorder, &RecordingGlue::left, recording_,
            [this] { recording_->SetRecording(false); });
    connect(fullScreen_, &FullScreenMode::changed, this, [this](bool on) {
        commands_->showButtons(!on);
        recording_->SetFullScreen(on);
        relabel();
    });
    connect(session_, &CaptureSession::error, this,
            [this](const QString& reason) { errors_->Report(msgTitle_, reason); });
    connect(session_, &CaptureSession::pressesDropped, feedback, &StillFeedback::PressesDropped);
    connect(session_->engine(), &CaptureEngine::captureError, this, &MainWindow::onCaptureError);
    connectWindowCommands();
    buildMenus(220);
    commands_->action(LanguageMenuItemFor(s.LanID, s.SubLanIDD).command)->setChecked(true);
    relabel();
    session_->Start(&liveView_->surface(), liveView_);

    client_->setFocus();
    startupTimer_->start();
    // The client area is the skin; the window wraps it with the menu. It
    // opens where it was left, or at its smallest in the screen's middle.
    adjustSize();
    if (!restoreGeometry(settings.ReadOwnBytes(kWindowGeometryKey))) {
        resize(minimumSizeHint());
        if (const QScreen* screen = QGuiApplication::primaryScreen())
            move(screen->availableGeometry().center() - rect().center());
    }
}

void MainWindow::connectWindowCommands() {
    const auto on = [this](int id, auto&& fn) {
        connect(commands_->action(id), &QAction::triggered, this, fn);
    };
    for (const LanguageMenuItem& item : kLanguageMenu)
        on(item.command, [this, item] { switchLanguage(item.primary, item.sub); });
    on(ids::kQuit, [this] { close(); });
    on(ids::kFullScreen, [this] { fullScreen_->Enter(); });
    // The result is not checked: a missing manual shows nothing of ours.
    on(ids::kManual,
       [this] { QDesktopServices::openUrl(QUrl::fromLocalFile(options_.language->manualPath())); });
    on(ids::kUpdate, [] { QDesktopServices::openUrl(QUrl(QString::fromLatin1(kSupportAddress))); });
    on(ids::kAbout, [this] {
        AboutDialog dlg(this);
        dlg.exec();
    });
}

void MainWindow::buildMenus(int menuGrey) {
    commands_->buildMenus(menuBar(), findChild<FileListPanel*>()->menu());
    findChild<DeviceMenu*>()->AddTo(menuBar());
    // The drop-down menus take the bar's grey.
    menuBar()->setStyleSheet(
        QStringLiteral("QMenuBar { background: rgb(%1,%1,%1); color: black; }"
                       "QMenu { background: rgb(%1,%1,%1); color: black;"
                       " border: 1px solid rgb(128,128,128); }"
                       "QMenu::item { padding: 3px 20px 3px 20px; }"
                       "QMenu::item:selected { background: rgb(78,135,219); color: white; }"
                       "QMenu::item:disabled { color: rgb(128,128,128); }"
                       "QMenu::separator { height: 1px; background: rgb(160,160,160);"
                       " margin: 3px 4px; }")
            .arg(menuGrey));
}

void MainWindow::relabel() {
    commands_->relabel(!fullScreen_->isOn());
}

void MainWindow::switchLanguage(int primary, int sub) {
    // (0, 0) is "Follow the system": the system's language now and at
    // every start, as at the first run.
    options_.language->ChooseStartup(uint32_t(primary), uint32_t(sub));
    buildMenus(224);
    relabel();
    followLanguageDirection();
    options_.settings->WriteLanguage(uint32_t(primary), uint32_t(sub));
}

void MainWindow::followLanguageDirection() {
    // Layouts mirror for a language written right to left; pictures never do.
    QGuiApplication::setLayoutDirection(options_.language->isRightToLeft() ? Qt::RightToLeft
                                                                           : Qt::LeftToRight);
}

void MainWindow::remindToCalibrate() {
    options_.settings->ReadSysDate();
    // A reminder to calibrate is for a magnification that has no calibration.
    if (options_.settings->values().sys_date == 1 && boxes_->Uncalibrated())
        // Out of the timer's call: the prompt runs an event loop of its own.
        QMetaObject::invokeMethod(
            this,
            [this] {
                CalibrationReminderDialog dlg(*options_.settings, this);
                dlg.exec();
            },
            Qt::QueuedConnection);
}

void MainWindow::onCaptureError(const QString& reason) {
    // An error that comes with the microscope leaving is told by the
    // connection message: wait for the connection check before showing it.
    QTimer::singleShot(1500, this, [this, reason] {
        if (session_->isConnected())
            errors_->Report(msgTitle_, Text("CaptureError", "The microscope's picture failed:") +
                                           QLatin1Char('\n') + reason);
        else
            qWarning("capture error while disconnected: %s", qPrintable(reason));
    });
}

void MainWindow::keyPressEvent(QKeyEvent* e) {
    if (e->key() == Qt::Key_Escape) {
        // The shape under way goes first; the tool stays for the next one.
        if (liveTools_ && liveTools_->measure().underWay())
            liveTools_->measure().CancelShape();
        else if (fullScreen_)
            fullScreen_->Leave();
        e->accept();
        return;
    }
    // The camera keys are the microscope's button reaching us as keys; a
    // held key's repeats are not presses.
    if (e->key() == Qt::Key_Camera || e->key() == Qt::Key_WebCam) {
        if (!e->isAutoRepeat() && session_) session_->PressButton();
        e->accept();
        return;
    }
    // Enter must not act on the window either.
    if (e->key() == Qt::Key_Return || e->key() == Qt::Key_Enter) {
        e->accept();
        return;
    }
    QMainWindow::keyPressEvent(e);
}

void MainWindow::resizeEvent(QResizeEvent* e) {
    QMainWindow::resizeEvent(e);
    // A desktop smaller than the skin can make the window narrower than its
    // client area: the toolbar then keeps to what shows and offers the rest
    // in its overflow menu.
    if (toolbar_) toolbar_->setMaximumWidth(e->size().width());
}

void MainWindow::closeEvent(QCloseEvent* e) {
    if (fullScreen_ && !fullScreen_->isOn())
        options_.settings->WriteOwnBytes(kWindowGeometryKey, saveGeometry());
    if (session_) {
        recording_->Finish();
        session_->Shutdown();
        liveTools_->measure().Cancel();
        liveTools_->shapes().Clear();
    }
    e->accept();
}

} // namespace tvx

#include "ui/main/main_window.h"

#include "capture/capture_engine.h"
#include "measure/calibration.h"
#include "measure/calibration_file.h"
#include "media/recorder_control.h"
#include "platform/app_events.h"
#include "platform/button_input.h"
#include "platform/device_watch.h"
#include "platform/language.h"
#include "platform/prompts.h"
#include "platform/settings.h"
#include "ui/main/about_dlg.h"
#include "ui/main/client_area.h"
#include "ui/main/live_view.h"
#include "ui/main/main_window_ids.h"
#include "ui/main/menus.h"
#include "ui/main/prompt_dlg.h"
#include "ui/main/save_as.h"
#include "ui/skin/bitmap_button.h"
#include "ui/skin/skin.h"

#include <QCloseEvent>
#include <QDesktopServices>
#include <QDir>
#include <QFile>
#include <QFontDatabase>
#include <QGuiApplication>
#include <QIcon>
#include <QLineEdit>
#include <QMenuBar>
#include <QMouseEvent>
#include <QScreen>
#include <QShortcut>
#include <QUrl>
#include <QtDBus/QDBusConnection>
#include <mutex>

namespace tvx {

namespace {

MainWindow* g_mainWindow = nullptr; // set and cleared on the UI thread

const char* const kSupportAddress = "https://tavolux.org/support/microscope/";

struct ButtonRow {
    int id;
    int up;
    int down;
    int x;
    int y;
    const char* tipKey;
    const char* tipDefault;
};

// Every button of the window with its pictures, place and tool tip.
constexpr ButtonRow kButtons[] = {
    {ids::kPreview, 155, 355, 20, 2, "TipPreview", "Preview"},
    {ids::kCamera, 150, 350, 3, 2, "TipCamera", "Camera"},
    {ids::kVideo, 151, 351, 38, 2, "TipVideo", "Recording Video"},
    {ids::kClock, 152, 352, 73, 2, "TipTimer", "Timer"},
    {ids::kDeviceSetting, 156, 356, 20, 0, "TipSetting", "Setting"},
    {ids::kSave, 153, 353, 143, 2, "TipSave", "Save as"},
    {ids::kEMail, 154, 354, 108, 2, "TipEMail", "E-Mail"},
    {ids::kHorMirror, 287, 286, 210, 6, "TipHorMirror", "Horizontal Mirror"},
    {ids::kVerMirror, 289, 288, 240, 6, "TipVerMirror", "Vertical Mirror"},
    {ids::kNegative, 291, 290, 270, 6, "TipNegative", "Negative"},
    {ids::kBinary, 293, 292, 300, 6, "TipBinarysegmentation", "Binary Segmentation"},
    {ids::kRed, 295, 294, 330, 6, "TipRED", "Red Display"},
    {ids::kGreen, 283, 282, 360, 6, "TipGreen", "Green Display"},
    {ids::kBlue, 301, 300, 390, 6, "TipBlue", "Blue Display"},
    {ids::kLine, 285, 284, 423, 6, "straightline", "Line Measurement"},
    {ids::kContinuousLine, 305, 304, 453, 6, "Continuousline", "Continuous Line Measurement"},
    // The pen-style option owns the key this tip once shared.
    {ids::kPointToLine, 307, 306, 483, 6, "TipPointToLine", "Point to Line Measurement"},
    {ids::kPolygon, 309, 308, 513, 6, "Ploygon", "Polygon measrement"},
    {ids::kRadiusCircle, 311, 310, 543, 6, "RadialCircle", "Radius of Circle Measurement"},
    {ids::kDiameterCircle, 313, 312, 573, 6, "Diametercircle", "Diameter of Circle Measurement"},
    {ids::kThreePointCircle, 315, 314, 603, 6, "Threepointcircle",
     "Three Points Circle Measurement"},
    {ids::kThreePointArc, 317, 316, 633, 6, "TArc", "Three Points Arc Measurement"},
    {ids::kThreePointAngle, 319, 318, 663, 6, "Angle", "Three Points Angle Measurement"},
    {ids::kFourPointAngle, 321, 320, 693, 6, "Fourpointangle", "Four Points Angle Measurement"},
    {ids::kCalibrate, 323, 322, 798, 6, "TipCalibration", "Line Calibration"},
    {ids::kMeasureOther, 325, 324, 830, 6, nullptr, nullptr},
};

bool isHiddenButton(int id) {
    return id == ids::kPreview || id == ids::kDeviceSetting;
}

bool isEffectButton(int id) {
    return id >= ids::kHorMirror && id <= ids::kBlue;
}

QFont makeFont(QFont base, int height, int averageWidth) {
    base.setPixelSize(height);
    base.setWeight(QFont::Normal);
    // Stretch the face so its average Latin character is as wide as asked.
    // The metric's own average counts wide CJK glyphs in CJK locales and
    // would squeeze the digits these fonts draw.
    static const QString kLatin =
        QStringLiteral("abcdefghijklmnopqrstuvwxyzABCDEFGHIJKLMNOPQRSTUVWXYZ0123456789");
    const QFontMetricsF fm(base);
    const qreal natural = fm.horizontalAdvance(kLatin) / kLatin.size();
    if (natural > 0) base.setStretch(qBound(50, int(100.0 * averageWidth / natural + 0.5), 200));
    return base;
}

// The file-list area, waiting for its list: a panel on the skin.
class CFileListArea : public QWidget {
public:
    using QWidget::QWidget;
};

} // namespace

MainWindow* MainWindow::Instance() {
    return g_mainWindow;
}

MainWindow::MainWindow(const Options& options, QWidget* parent)
    : QMainWindow(parent), options_(options) {
    client_ = new CClientArea(this);
    setCentralWidget(client_);
    setWindowIcon(QIcon(QStringLiteral(":/icons/app_128.svg")));
    createFonts();
    deviceConnected_ = false;
    overlayScaleX_ = overlayScaleY_ = 1.0;
    ReadFontSize();

    startupTimer_.setInterval(100);
    connect(&startupTimer_, &QTimer::timeout, this, &MainWindow::onStartupTimer);
    connectionTimer_.setInterval(1000);
    connectionTimer_.setSingleShot(true);
    // A coarse timer may fire 5 % early: the check is due a full second after
    // the last device change.
    connectionTimer_.setTimerType(Qt::PreciseTimer);
    connect(&connectionTimer_, &QTimer::timeout, this, &MainWindow::CheckConnection);
    buttonPollTimer_.setInterval(1000);
    connect(&buttonPollTimer_, &QTimer::timeout, this, &MainWindow::onButtonPoll);
}

MainWindow::~MainWindow() {
    // Frames must stop reaching the sink and the live view before they go.
    if (engine_) {
        engine_->SetFrameReceiver(nullptr);
        engine_->Stop();
        engine_->ReleaseAll();
    }
    sink_.SetLiveSurface(nullptr);
    sink_.SetNotifyTarget(nullptr);
    closeButtonObject();
    if (g_mainWindow == this) g_mainWindow = nullptr;
}

void MainWindow::createFonts() {
    fontA_ = makeFont(QFontDatabase::systemFont(QFontDatabase::GeneralFont), 18, 14);
    fontB_ = makeFont(QFontDatabase::systemFont(QFontDatabase::GeneralFont), 12, 6);
}

void MainWindow::InitDialog() {
    g_mainWindow = this;

    programFolder_ = ProgramFolder();
    calibrationFile_ = CalibrationFilePath();
    storage_ = MakeStorageFolders();

    // The language file is not chosen yet, so the title keeps its default.
    msgTitle_ = Text("MsgTitle", "Tavolux");

    CreateFirstRunSettings();
    ReadLanguage();
    const SettingsValues s = Settings();
    ChooseStartupLanguage(s.LanID, s.SubLanIDD);

    ReadLineType();
    ReadLineWidth();
    ReadUnitDecimal();
    ReadMeasureTxtColor();
    ReadLineColor(); // the colours are used masked to 24 bits where they are drawn

    liveView_ = new CLiveView(client_);
    liveView_->setObjectName(QStringLiteral("liveView"));
    liveView_->setGeometry(pictureRect());
    liveView_->SetTextFont(fontA_);
    liveView_->installEventFilter(this);
    fileListArea_ = new CFileListArea(client_);
    fileListArea_->setObjectName(QStringLiteral("fileList"));
    fileListArea_->setGeometry(8, 87, 179, 480);
    fileListArea_->installEventFilter(this);
    client_->installEventFilter(this);
    client_->setListMode(listMode_);
    // Keys go to the window, not into the magnification box, until the user
    // clicks there.
    client_->setFocusPolicy(Qt::ClickFocus);

    createButtons();

    magBox_ = new QLineEdit(client_);
    magBox_->setObjectName(QStringLiteral("magnificationBox"));
    magBox_->setMaxLength(5);
    magBox_->setGeometry(759, 6, 34, 25);
    magBox_->setAlignment(Qt::AlignCenter);
    calBox_ = new QLineEdit(client_);
    calBox_->setObjectName(QStringLiteral("calibrationBox"));
    calBox_->setReadOnly(true);
    calBox_->setFocusPolicy(Qt::NoFocus);
    calBox_->setGeometry(723, 6, 34, 25);
    calBox_->setAlignment(Qt::AlignCenter);
    connect(magBox_, &QLineEdit::textChanged, this, &MainWindow::lookUpCalibration);
    magBox_->setText(QStringLiteral("60.0"));

    createHotKeys();
    buildMenus(220);
    QFile::remove(storage_.video + QStringLiteral("/test.avi"));
    liveView_->SetFullScreenHint(Text("EscRestore", "ESC Restore", 128));

    savedTitle_ = QStringLiteral("Tavolux");
    setWindowTitle(savedTitle_);

    if (options_.engine) {
        engine_ = options_.engine;
    } else {
        ownedEngine_ = std::make_unique<CaptureEngine>(options_.simulate);
        engine_ = ownedEngine_.get();
    }
    sink_.SetNotifyTarget(this);
    sink_.SetLiveSurface(&liveView_->surface());
    engine_->SetFrameReceiver(&sink_);
    engine_->SetButtonCallbacks([this] { return openButtonObject(); },
                                [this] { closeButtonObject(); });
    connect(engine_, &CaptureEngine::deviceArrived, this, &MainWindow::OnDeviceArrivedOrRemoved);
    connect(engine_, &CaptureEngine::deviceRemoved, this, &MainWindow::OnDeviceArrivedOrRemoved);
    connect(engine_, &CaptureEngine::liveViewRepaint, liveView_,
            [this](bool) { liveView_->update(); });

    auto* watch = new DeviceWatch(this);
    connect(watch, &DeviceWatch::nodesChanged, this, &MainWindow::OnDeviceNodesChanged);

    engine_->SetWindows(this, liveView_);
    engine_->CreateDeviceEnumerator();
    {
        QMutexLocker lock(&deviceLock_);
        setDeviceConnected(startEngine());
    }
    rebuildToolTips();

    const QString tempDir = ReadFilePathDat(programFolder_);
    if (!tempDir.isEmpty()) storage_.tempDir = tempDir;

    updateResolutionText();
    watchResume();
    client_->setFocus();
    startupTimer_.start();

    // The client area is the skin; the window wraps it with the menu. The
    // window is not resizable, but may be maximised: that means full screen.
    adjustSize();
    resize(sizeHint());
    if (const QScreen* screen = QGuiApplication::primaryScreen())
        move(screen->availableGeometry().center() - rect().center());
}

void MainWindow::createButtons() {
    for (const ButtonRow& row : kButtons) {
        auto* b = new CBitmapButton(client_, row.id, row.up, row.down);
        b->move(row.x, row.y);
        b->setFocusPolicy(Qt::NoFocus);
        b->installEventFilter(this);
        const int id = row.id;
        connect(b, &QAbstractButton::clicked, this, [this, id] { OnCommand(id); });
        if (isHiddenButton(id)) b->hide();
        buttons_.insert(id, b);
    }
    effects_.SetReleaseMeasuringTools([this] {
        for (int id :
             {ids::kLine, ids::kContinuousLine, ids::kPointToLine, ids::kPolygon,
              ids::kRadiusCircle, ids::kDiameterCircle, ids::kThreePointCircle, ids::kCalibrate,
              ids::kThreePointAngle, ids::kThreePointArc, ids::kFourPointAngle, ids::kMeasureOther})
            buttons_.value(id)->SetSelected(false);
    });
}

void MainWindow::createHotKeys() {
    struct HotKey {
        Qt::Key key;
        std::function<void()> action;
    };
    const HotKey keys[] = {
        {Qt::Key_F2, [this] { OnCommand(ids::kCamera); }},
        {Qt::Key_F3,
         [this] {
             if (recording_ || !recorder_) return;
             PlaySkinSound(kSoundRecordStart);
             if (recorder_->StartUnlimited()) SetRecording(true);
         }},
        {Qt::Key_F4,
         [this] {
             if (!recording_ || !recorder_) return;
             recorder_->Stop();
             SetRecording(false);
             PlaySkinSound(kSoundRecordStop);
         }},
        {Qt::Key_F11, [this] { OnCommand(ids::kRes640); }},
        {Qt::Key_F12, [this] { OnCommand(ids::kRes720); }},
    };
    for (const HotKey& hk : keys) {
        auto* sc = new QShortcut(QKeySequence(hk.key), this);
        sc->setContext(Qt::WindowShortcut);
        connect(sc, &QShortcut::activated, this, hk.action);
        hotKeys_.push_back(sc);
    }
}

void MainWindow::buildMenus(int menuGrey) {
    const auto trigger = [this](int command) { OnCommand(command); };
    BuildMainMenu(menuBar(), trigger);
    menuBar()->setStyleSheet(
        QStringLiteral("QMenuBar { background: rgb(%1,%1,%1); color: black; }").arg(menuGrey));
    if (!fileMenu_) fileMenu_ = new QMenu(this);
    BuildFileMenu(fileMenu_, trigger);
}

QRect MainWindow::pictureRect() const {
    return QRect(204, 52, 640, 480);
}

bool MainWindow::startEngine() {
    const bool started = engine_->EnumerateDevices() && engine_->BuildGraph() &&
                         engine_->BuildPreview() && engine_->Run();
    if (!started) stopAndReleaseEngine();
    return started;
}

void MainWindow::stopAndReleaseEngine() {
    engine_->Stop();
    if (engine_->ButtonLibraryMode() == 1) {
        closeButtonObject();
        engine_->SetButtonLibraryMode(0);
    }
    engine_->TearDownPreview();
    engine_->ReleaseAll();
}

void MainWindow::setDeviceConnected(bool connected) {
    deviceConnected_ = connected;
    enableCaptureButtons(connected);
    if (CBitmapButton* preview = buttons_.value(ids::kPreview)) preview->SetSelected(connected);
    connectMsg_ =
        connected ? QString() : Text("ConnectMsg", "Please connect Wireless Digital Microscope");
    if (!connected) liveView_->ClearSurface();
    liveView_->SetCentreMessage(connectMsg_);
    updateResolutionText();
    rebuildToolTips();
}

void MainWindow::enableCaptureButtons(bool on) {
    for (CBitmapButton* b : std::as_const(buttons_))
        b->setEnabled(on);
}

int MainWindow::toolTipCount() const {
    int n = 0;
    for (const CBitmapButton* b : buttons_)
        n += b->toolTip().isEmpty() ? 0 : 1;
    return n;
}

void MainWindow::rebuildToolTips() {
    for (const ButtonRow& row : kButtons) {
        CBitmapButton* b = buttons_.value(row.id);
        if (b && row.tipKey)
            b->setToolTip(fullScreen_ ? QString() : Text(row.tipKey, row.tipDefault));
    }
}

void MainWindow::onStartupTimer() {
    startupTimer_.stop();
    ReadSysDate();
    if (Settings().sys_date == 1) PostAppMessage(this, kMsgCalibrationPrompt);
}

bool MainWindow::openButtonObject() {
    closeButtonObject();
    auto object = std::make_unique<SnapshotButton>();
    if (!object->OpenInterface()) return false;
    buttonObject_ = std::move(object);
    buttonPollTimer_.start();
    return true;
}

void MainWindow::closeButtonObject() {
    if (!buttonObject_) return;
    buttonPollTimer_.stop();
    buttonObject_->CloseInterface();
    buttonObject_.reset();
}

void MainWindow::onButtonPoll() {
    if (!engine_ || engine_->ButtonLibraryMode() != 1 || !buttonObject_) return;
    StillFlags& flags = stillFlags();
    if (flags.request.load() != 0) return;
    const int pressed = buttonObject_->IsButtonPressed();
    flags.hardware.store(pressed);
    flags.request.store(pressed);
}

void MainWindow::OnDeviceNodesChanged() {
    connectionTimer_.start();
}

void MainWindow::OnDeviceArrivedOrRemoved() {
    CheckConnection();
}

void MainWindow::CheckConnection() {
    connectionTimer_.stop();
    // A notification that arrives while a check runs (the engine may signal
    // from inside it) is answered by one more check right after, never by
    // waiting on the lock this thread already holds.
    if (!deviceLock_.tryLock()) {
        QTimer::singleShot(0, this, &MainWindow::CheckConnection);
        return;
    }
    std::unique_lock<QMutex> lock(deviceLock_, std::adopt_lock);
    ++connectionChecks_;
    if (engine_->IsRunning() && engine_->IsDevicePresent()) {
        engine_->EnumerateDevices();
        return;
    }
    stopAndReleaseEngine();
    const bool started = startEngine();
    setDeviceConnected(started);
    liveView_->update();
}

void MainWindow::watchResume() {
    // After a suspend the camera's stream is gone even when the device
    // stays: rebuild it as a fresh connection.
    QDBusConnection::systemBus().connect(
        QStringLiteral("org.freedesktop.login1"), QStringLiteral("/org/freedesktop/login1"),
        QStringLiteral("org.freedesktop.login1.Manager"), QStringLiteral("PrepareForSleep"), this,
        SLOT(onPrepareForSleep(bool)));
}

void MainWindow::onPrepareForSleep(bool sleeping) {
    if (sleeping) return;
    {
        QMutexLocker lock(&deviceLock_);
        stopAndReleaseEngine();
    }
    CheckConnection();
}

bool MainWindow::inPreviewState() const {
    const CBitmapButton* preview = buttons_.value(ids::kPreview);
    return (preview && preview->IsSelected()) || recording_;
}

void MainWindow::SetRecording(bool on) {
    recording_ = on;
    if (CBitmapButton* b = buttons_.value(ids::kVideo)) b->SetSelected(on);
    client_->setRecordingSeconds(on && !fullScreen_ ? 0 : -1, fontA_);
    rebuildToolTips();
}

void MainWindow::togglePreview() {
    CBitmapButton* preview = buttons_.value(ids::kPreview);
    if (preview->IsSelected()) {
        preview->SetSelected(false);
        engine_->Stop();
        liveView_->update();
    } else {
        if (recording_) {
            if (recorder_) recorder_->Stop();
            SetRecording(false);
        }
        preview->SetSelected(true);
        engine_->Run();
    }
    rebuildToolTips();
}

void MainWindow::setListMode(int mode) {
    if (mode == listMode_) return;
    listMode_ = mode;
    client_->setListMode(mode);
    rebuildToolTips();
}

void MainWindow::setResolution(int width, int height) {
    engine_->SetResolution(width, height);
    updateResolutionText();
    client_->update();
}

void MainWindow::updateResolutionText() {
    client_->setResolutionText(QString::asprintf("%d%s%d", CaptureWidth(), "*", CaptureHeight()),
                               fontB_);
}

void MainWindow::lookUpCalibration() {
    const QString text = magBox_->text();
    if (!text.isEmpty()) calBox_->setText(LookupCalibration(calibrationFile_, text));
}

void MainWindow::showNewMagnification() {
    const CalibrationState& state = calibrationState();
    const QString nominal = QString::asprintf("%0.1f", state.nominal);
    StoreCalibration(calibrationFile_, nominal, state.calibratedCopy);
    // Setting the box looks the value up again; the shown value wins even
    // when there is no calibration file to keep it.
    magBox_->setText(nominal);
    calBox_->setText(QString::asprintf("%0.1f", state.calibratedCopy));
}

void MainWindow::requestStill() {
    StillFlags& flags = stillFlags();
    flags.hardware.store(0);
    flags.request.store(1);
}

void MainWindow::showCalibrationPrompt() {
    CPromptDlg dlg(this);
    dlg.exec();
}

void MainWindow::showAbout() {
    CAboutDlg dlg(this);
    dlg.exec();
}

void MainWindow::openManual() {
    // The result is not checked: a missing manual shows nothing of ours.
    QDesktopServices::openUrl(QUrl::fromLocalFile(ManualFilePath()));
}

void MainWindow::openSupportPage() {
    QDesktopServices::openUrl(QUrl(QString::fromLatin1(kSupportAddress)));
}

void MainWindow::warn(const QString& title, const char* key, const char* defaultText) {
    prompts().Message(title, Text(key, defaultText), Prompts::Icon::Warning);
}

QString MainWindow::magnificationText() const {
    return magBox_ ? magBox_->text() : QString();
}
QString MainWindow::calibrationText() const {
    return calBox_ ? calBox_->text() : QString();
}

void MainWindow::SwitchLanguage(int primary, int sub) {
    ClearLanguage();
    ChooseLanguage(primary, sub);
    buildMenus(224);
    rebuildToolTips();
    WriteLanguage(uint32_t(primary), uint32_t(sub));
}

void MainWindow::OnCommand(int command) {
    for (const LanguageMenuItem& item : kLanguageMenu) {
        if (item.command == command) {
            SwitchLanguage(item.primary, item.sub);
            return;
        }
    }
    if (isEffectButton(command)) {
        if (effects_.Press(command)) {
            for (int id = ids::kHorMirror; id <= ids::kBlue; ++id)
                buttons_.value(id)->SetSelected(effects_.IsPressed(id));
        }
        rebuildToolTips();
        return;
    }
    switch (command) {
    case ids::kCamera:
        if (inPreviewState())
            requestStill();
        else
            warn(windowTitle(), "BrowseToCamera", "Please return to the preview state");
        break;
    case ids::kClock:
        if (!inPreviewState())
            warn(windowTitle(), "BrowseToTimer", "Please return to the preview state");
        break;
    case ids::kVideo:
        PlaySkinSound(kSoundRecordStart);
        if (recorder_) SetRecording(recorder_->ToggleWithDialog());
        break;
    case ids::kPreview:
        togglePreview();
        break;
    case ids::kRes640:
        setResolution(640, 480);
        break;
    case ids::kRes720:
        setResolution(720, 480);
        break;
    case ids::kSave:
    case ids::kSaveAs:
        // The copy itself comes with the file list; until then nothing is selected.
        AskSaveAsTarget(selectedFile_, listMode_ == 1, storage_.picture, storage_.video,
                        windowTitle());
        break;
    case ids::kEMail:
    case ids::kMenuEMail:
    case ids::kOpen:
    case ids::kDelete:
    case ids::kDeleteAll:
        if (selectedFile_.isEmpty())
            warn(command == ids::kEMail || command == ids::kMenuEMail ? windowTitle() : msgTitle_,
                 "SelectFile", "Please select an image or video");
        break;
    case ids::kUndo:
    case ids::kRedo:
    case ids::kDeleteAllMeasures: {
        QMutexLocker lock(&liveShapesLock_);
        if (command == ids::kUndo)
            liveShapes_.Undo();
        else if (command == ids::kRedo)
            liveShapes_.Redo();
        else
            liveShapes_.Clear();
        break;
    }
    case ids::kManual:
        openManual();
        break;
    case ids::kUpdate:
        openSupportPage();
        break;
    case ids::kAbout:
        showAbout();
        break;
    default:
        break;
    }
}

void MainWindow::EnterFullScreen() {
    if (fullScreen_) return;
    fullScreen_ = true;
    savedGeometry_ = geometry();
    for (CBitmapButton* b : std::as_const(buttons_))
        b->hide();
    magBox_->hide();
    calBox_->hide();
    fileListArea_->hide();
    menuBar()->hide();
    client_->setFullScreen(true);
    client_->setRecordingSeconds(-1, fontA_);
    // A full-screen window already stands above the desktop's panels; changing
    // window flags would also re-create the native window.
    showFullScreen();
    // Without a window manager nobody resizes a full-screen window for us.
    if (const QScreen* screen = this->screen()) setGeometry(screen->geometry());
    liveView_->setGeometry(client_->rect());
    liveView_->EnterFullScreen();
    rebuildToolTips();
    const QSize screen = this->screen() ? this->screen()->size() : size();
    overlayScaleX_ =
        screen.width() / (CaptureWidth() == 720 && CaptureHeight() == 480 ? 720.0 : 640.0);
    overlayScaleY_ = screen.height() / 480.0;
}

void MainWindow::LeaveFullScreen() {
    if (!fullScreen_) return;
    fullScreen_ = false;
    client_->setFullScreen(false);
    showNormal();
    setWindowTitle(savedTitle_);
    for (auto it = buttons_.begin(); it != buttons_.end(); ++it) {
        if (!isHiddenButton(it.key())) it.value()->show();
    }
    magBox_->show();
    calBox_->show();
    fileListArea_->show();
    liveView_->setGeometry(pictureRect());
    activateWindow();
    liveView_->LeaveFullScreen();
    menuBar()->show();
    if (recording_)
        client_->setRecordingSeconds(recorder_ ? recorder_->ElapsedSeconds() : 0, fontA_);
    rebuildToolTips();
    overlayScaleX_ = overlayScaleY_ = 1.0;
    // Last, once the menu and the fixed client area are back.
    setGeometry(savedGeometry_);
}

void MainWindow::resizeEvent(QResizeEvent* e) {
    QMainWindow::resizeEvent(e);
    if (fullScreen_ && liveView_) liveView_->setGeometry(client_->rect());
}

void MainWindow::changeEvent(QEvent* e) {
    QMainWindow::changeEvent(e);
    if (e->type() != QEvent::WindowStateChange) return;
    // Maximising is how the desktop asks for full screen; some desktops ask
    // for full screen directly.
    if ((windowState() & (Qt::WindowMaximized | Qt::WindowFullScreen)) && !fullScreen_)
        QMetaObject::invokeMethod(this, &MainWindow::EnterFullScreen, Qt::QueuedConnection);
}

bool MainWindow::event(QEvent* e) {
    if (AppEvent::Is(e, kMsgStill)) {
        SaveStill(static_cast<AppEvent*>(e)->wParam() == 1);
        return true;
    }
    if (AppEvent::Is(e, kMsgGraphEvent)) {
        engine_->DrainGraphEvents();
        return true;
    }
    if (AppEvent::Is(e, kMsgMagnification)) {
        showNewMagnification();
        return true;
    }
    if (AppEvent::Is(e, kMsgOpenPicture) || AppEvent::Is(e, kMsgOpenVideo)) {
        // The Photo Measure dialog and the video player take these once they exist.
        return true;
    }
    if (AppEvent::Is(e, kMsgCalibrationPrompt)) {
        showCalibrationPrompt();
        return true;
    }
    return QMainWindow::event(e);
}

bool MainWindow::eventFilter(QObject* watched, QEvent* e) {
    if (e->type() == QEvent::MouseButtonPress || e->type() == QEvent::MouseButtonDblClick) {
        auto* me = static_cast<QMouseEvent*>(e);
        auto* w = qobject_cast<QWidget*>(watched);
        const QPoint pos = w ? w->mapTo(client_, me->position().toPoint()) : QPoint();
        if (watched == client_ && me->button() == Qt::LeftButton && !fullScreen_) {
            if (QRect(QPoint(10, 46), QPoint(60, 77)).contains(pos)) {
                setListMode(1);
                return true;
            }
            if (QRect(QPoint(70, 47), QPoint(121, 76)).contains(pos)) {
                setListMode(0);
                return true;
            }
        }
        if (watched == fileListArea_ && me->button() == Qt::RightButton) {
            fileMenu_->popup(me->globalPosition().toPoint());
            return true;
        }
    }
    return QMainWindow::eventFilter(watched, e);
}

void MainWindow::keyPressEvent(QKeyEvent* e) {
    if (e->key() == Qt::Key_Escape) {
        if (fullScreen_) LeaveFullScreen();
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

void MainWindow::closeEvent(QCloseEvent* e) {
    connectionTimer_.stop();
    if (recording_ && recorder_) {
        // Closing mid-recording finishes the file rather than leaving it unreadable.
        recorder_->Stop();
        SetRecording(false);
    }
    engine_->SetFrameReceiver(nullptr);
    stopAndReleaseEngine();
    {
        QMutexLocker lock(&liveShapesLock_);
        liveShapes_.Clear();
    }
    hotKeys_.clear();
    if (g_mainWindow == this) g_mainWindow = nullptr;
    e->accept();
}

} // namespace tvx

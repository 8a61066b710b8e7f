#include "ui/main/main_window.h"

#include "capture/capture_engine.h"
#include "measure/calibration_file.h"
#include "platform/language.h"
#include "platform/prompts.h"
#include "platform/settings.h"
#include "platform/sounds.h"
#include "ui/files/file_commands.h"
#include "ui/main/client_area.h"
#include "ui/main/device_settings_glue.h"
#include "ui/main/focus_glue.h"
#include "ui/main/live_guides_overlay.h"
#include "ui/main/live_measure.h"
#include "ui/main/measure_export_glue.h"
#include "ui/main/prompt_dlg.h"
#include "ui/main/recording_glue.h"
#include "ui/main/stack_glue.h"
#include "ui/main/still_format.h"
#include "ui/skin/menu_xp.h"
#include "ui/skin/skin.h"

#include <QFile>
#include <QFontDatabase>
#include <QGuiApplication>
#include <QIcon>
#include <QLineEdit>
#include <QMenuBar>
#include <QScreen>
#include <QStyle>
#include <QStyleOptionFrame>

namespace tvx {

namespace {

const QRect kPictureRect(204, 52, 640, 480);

constexpr int kMeasuringTools[] = {ids::kLine,
                                   ids::kContinuousLine,
                                   ids::kPointToLine,
                                   ids::kPolygon,
                                   ids::kRadiusCircle,
                                   ids::kDiameterCircle,
                                   ids::kThreePointCircle,
                                   ids::kCalibrate,
                                   ids::kThreePointAngle,
                                   ids::kThreePointArc,
                                   ids::kFourPointAngle,
                                   ids::kMeasureOther};

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

// Room a line edit leaves for its text: its contents less the frame, the
// text margins and the two pixels the line edit keeps free on each side.
int TextRoom(const QLineEdit* box) {
    QStyleOptionFrame opt;
    opt.initFrom(box);
    opt.rect = box->rect();
    opt.lineWidth =
        box->hasFrame() ? box->style()->pixelMetric(QStyle::PM_DefaultFrameWidth, &opt, box) : 0;
    opt.midLineWidth = 0;
    opt.state |= QStyle::State_Sunken;
    const QRect r = box->style()
                        ->subElementRect(QStyle::SE_LineEditContents, &opt, box)
                        .marginsRemoved(box->textMargins());
    return r.width() - 4;
}

// The magnification boxes sit in 34-pixel slots of the skin. A value wider
// than that ("100.0", and calibrations up to "100000.0") is narrowed, then
// made smaller, rather than scrolled so that only its tail shows. The tool
// tip carries the value at full size.
void FitBoxText(QLineEdit* box, const QFont& base) {
    const QString text = box->text();
    const int room = TextRoom(box);
    QFont f = base;
    const int basePixels = QFontInfo(base).pixelSize();
    const auto fits = [&] { return QFontMetrics(f).horizontalAdvance(text) <= room; };
    for (int stretch = 100; stretch >= 60 && !fits(); stretch -= 5)
        f.setStretch(stretch);
    for (int pixels = basePixels; pixels >= 6 && !fits(); --pixels)
        f.setPixelSize(pixels);
    box->setFont(f);
    box->setToolTip(text);
}

} // namespace

MainWindow* MainWindow::instance_ = nullptr;

MainWindow* MainWindow::Instance() {
    return instance_;
}

MainWindow::MainWindow(const Options& options, QWidget* parent)
    : QMainWindow(parent), options_(options) {
    if (!options_.calibration) options_.calibration = &calibrationState();
    client_ = new CClientArea(this);
    setCentralWidget(client_);
    setWindowIcon(QIcon(QStringLiteral(":/icons/app_128.svg")));
    fontA_ = makeFont(QFontDatabase::systemFont(QFontDatabase::GeneralFont), 18, 14);
    fontB_ = makeFont(QFontDatabase::systemFont(QFontDatabase::GeneralFont), 12, 6);
    ReadFontSize();
    startupTimer_.setInterval(100);
    connect(&startupTimer_, &QTimer::timeout, this, &MainWindow::onStartupTimer);
}

MainWindow::~MainWindow() {
    stack_.reset();   // its collector leaves the frame sink first
    session_.reset(); // frames stop before the live view goes
    if (instance_ == this) instance_ = nullptr;
}

void MainWindow::InitDialog() {
    instance_ = this;
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
    liveView_->setGeometry(kPictureRect);
    liveView_->SetTextFont(fontA_);
    stillFeedback_ = new StillFeedback(liveView_);
    client_->installEventFilter(this);
    client_->setListMode(listMode_);
    // Keys go to the window, not into the magnification box, until the user
    // clicks there.
    client_->setFocusPolicy(Qt::ClickFocus);

    commands_ = std::make_unique<CommandActions>(this, client_);
    createBoxes();
    connectCommands();
    buildMenus(220);
    QFile::remove(storage_.video + QStringLiteral("/test.avi"));
    liveView_->SetFullScreenHint(Text("EscRestore", "ESC Restore", 128));
    savedTitle_ = QStringLiteral("Tavolux");
    setWindowTitle(savedTitle_);

    startSession();
    plugLiveTools();
    recordingGlue_ = std::make_unique<RecordingGlue>(*this);
    SetRecorder(recordingGlue_.get());
    focus_ = std::make_unique<FocusFeatures>(*commands_, liveView_, session_->frameSink());
    measureExport_ = new MeasureExportCommands(*this);
    rebuildToolTips();
    const QString tempDir = ReadFilePathDat(programFolder_);
    if (!tempDir.isEmpty()) storage_.tempDir = tempDir;
    stillSaver_.SetFolder(storage_.picture);
    buildFileList();
    stillFormat_ = new StillFormatChoice(
        commands_->action(ids::kStillTiff),
        [this] {
            return StillFormatChoice::Magnification{calibrationText(), magnificationText()};
        },
        this);
    deviceSettings_ = std::make_unique<DeviceSettingsGlue>(
        *session_, commands_->action(ids::kDeviceSetting), this);
    plugStacking();

    updateResolutionText();
    client_->setFocus();
    startupTimer_.start();

    // The client area is the skin; the window wraps it with the menu. The
    // window is not resizable, but may be maximised: that means full screen.
    adjustSize();
    resize(sizeHint());
    if (const QScreen* screen = QGuiApplication::primaryScreen())
        move(screen->availableGeometry().center() - rect().center());
}

void MainWindow::createBoxes() {
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
    for (QLineEdit* box : {magBox_, calBox_})
        connect(box, &QLineEdit::textChanged, box,
                [box, base = box->font()] { FitBoxText(box, base); });
    magBox_->setText(QStringLiteral("60.0"));
}

void MainWindow::startSession() {
    CaptureSession::Options o;
    o.simulate = options_.simulate;
    o.engine = options_.engine;
    session_ = std::make_unique<CaptureSession>(o);
    effects_ = std::make_unique<EffectButtons>(session_->effects());
    effects_->SetReleaseMeasuringTools([this] {
        for (int id : kMeasuringTools)
            commands_->setSelected(id, false);
    });
    connect(session_.get(), &CaptureSession::connected, this, [this] { showConnection(true, {}); });
    connect(session_.get(), &CaptureSession::disconnected, this,
            [this](const QString& message) { showConnection(false, message); });
    connect(session_.get(), &CaptureSession::liveViewChanged, liveView_,
            [this] { liveView_->update(); });
    connect(session_.get(), &CaptureSession::previewChanged, this, [this] {
        syncPreviewButton();
        rebuildToolTips();
    });
    connect(session_.get(), &CaptureSession::captureSizeChanged, this, [this] {
        updateResolutionText();
        client_->update();
    });
    connect(session_.get(), &CaptureSession::stillRequested, this, &MainWindow::saveStill);
    connect(session_.get(), &CaptureSession::error, this,
            [this](const QString& reason) { reportError(msgTitle_, reason); });
    connect(session_.get(), &CaptureSession::pressesDropped, stillFeedback_,
            &StillFeedback::PressesDropped);
    connect(session_->engine(), &CaptureEngine::captureError, this, &MainWindow::onCaptureError);
    session_->Start(&liveView_->surface(), liveView_);
}

void MainWindow::buildMenus(int menuGrey) {
    if (!fileMenu_) fileMenu_ = new QMenu(this);
    commands_->buildMenus(menuBar(), fileMenu_);
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

void MainWindow::showConnection(bool connected, const QString& message) {
    commands_->enableButtons(connected);
    syncPreviewButton();
    if (!connected) liveView_->ClearSurface();
    liveView_->SetCentreMessage(message);
    updateResolutionText();
    rebuildToolTips();
}

void MainWindow::rebuildToolTips() {
    commands_->relabel(!fullScreen_);
}

void MainWindow::onStartupTimer() {
    startupTimer_.stop();
    ReadSysDate();
    // A reminder to calibrate is for a magnification that has no calibration.
    if (Settings().sys_date == 1 && LeadingNumber(calBox_->text()) == 0)
        // Out of the timer's call: the prompt runs an event loop of its own.
        QMetaObject::invokeMethod(
            this,
            [this] {
                CPromptDlg dlg(this);
                dlg.exec();
            },
            Qt::QueuedConnection);
}

bool MainWindow::inPreviewState() const {
    // A recording runs only while frames flow, so the AVI button's state
    // needs no separate look.
    return session_ && session_->isPreviewRunning();
}

void MainWindow::syncPreviewButton() {
    if (commands_)
        commands_->setSelected(ids::kPreview,
                               session_ && session_->isPreviewRunning() && !recording_);
}

void MainWindow::saveStill(StillSource source) {
    const StillPicture still = session_->frameSink().TakeStill();
    const StillSaveResult result =
        stillSaver_.Save(still, magnificationText(), QDateTime::currentDateTime(), &stillOverlays_,
                         stillFormat_->For(QSize(still.width, still.height)));
    if (!result.saved()) {
        // A picture the user asked for must not vanish silently, however
        // often it fails; and no shutter for a picture that was not taken.
        stillFeedback_->Failed(source, msgTitle_, result.reason);
        return;
    }
    PlaySkinSound(kSoundShutter);
    stillFeedback_->Saved(source);
    lastSavedStill_ = result.path;
    if (recording_ || source == StillSource::Microscope) session_->RestartPreview();
    emit stillSaved(result.path);
}

void MainWindow::reportError(const QString& title, const QString& reason) {
    errors_.Report(title, reason);
}

void MainWindow::onCaptureError(const QString& reason) {
    // An error that comes with the microscope leaving is told by the
    // connection message: wait for the connection check before showing it.
    QTimer::singleShot(1500, this, [this, reason] {
        if (instance_ == this && session_ && session_->isConnected())
            reportError(msgTitle_, Text("CaptureError", "The microscope's picture failed:") +
                                       QLatin1Char('\n') + reason);
        else
            qWarning("capture error while disconnected: %s", qPrintable(reason));
    });
}

void MainWindow::SetOverlay(LiveLayer layer, LiveOverlay* overlay) {
    stillOverlays_.SetOverlay(layer, overlay);
    liveView_->surface().SetOverlay(layer, overlay);
}

void MainWindow::SetRecording(bool on) {
    recording_ = on;
    // While recording the AVI button stands for the preview; a stop hands
    // the Preview button back while the picture runs.
    syncPreviewButton();
    commands_->setSelected(ids::kVideo, on);
    client_->setRecordingSeconds(on && !fullScreen_ ? 0 : -1, fontA_);
    rebuildToolTips();
}

void MainWindow::ShowRecordingSeconds(int seconds) {
    if (!fullScreen_) client_->setRecordingSeconds(seconds, fontA_);
}

void MainWindow::setListMode(int mode) {
    if (mode == listMode_) return;
    listMode_ = mode;
    client_->setListMode(mode);
    if (files_) files_->SetListMode(mode);
    rebuildToolTips();
}

void MainWindow::setResolution(int width, int height) {
    session_->SetResolution(width, height);
    updateResolutionText();
    client_->update();
}

void MainWindow::updateResolutionText() {
    const CaptureSize size = CurrentCaptureSize();
    client_->setResolutionText(QString::asprintf("%d%s%d", size.width, "*", size.height), fontB_);
    // Guides over a view without frames are drawn for this size meanwhile.
    liveView_->surface().SetPictureSize(QSize(size.width, size.height));
}

void MainWindow::lookUpCalibration() {
    const QString text = magBox_->text();
    if (!text.isEmpty()) calBox_->setText(LookupCalibration(calibrationFile_, text));
}

void MainWindow::showNewMagnification() {
    const CalibrationState& state = *options_.calibration;
    const QString nominal = QString::asprintf("%0.1f", state.nominal);
    StoreCalibration(calibrationFile_, nominal, state.calibratedCopy);
    // Setting the box looks the value up again; the shown value wins even
    // when there is no calibration file to keep it.
    magBox_->setText(nominal);
    calBox_->setText(QString::asprintf("%0.1f", state.calibratedCopy));
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

} // namespace tvx

#include "app/microscope_dlg.h"

#include "app/about_dlg.h"
#include "app/client_area.h"
#include "app/main_window_ids.h"
#include "app/menus.h"
#include "app/prompt_dlg.h"
#include "platform/app_events.h"
#include "platform/language.h"
#include "platform/prompts.h"
#include "platform/settings.h"

#include <QCloseEvent>
#include <QDesktopServices>
#include <QDir>
#include <QFile>
#include <QFontDatabase>
#include <QGuiApplication>
#include <QIcon>
#include <QLineEdit>
#include <QMenuBar>
#include <QScreen>
#include <QShortcut>
#include <QUrl>

namespace tvx {

namespace {

CMicroscopeDlg* g_mainWindow = nullptr; // set and cleared on the UI thread

const char* const kSupportAddress = "https://tavolux.org/support/microscope/";

QFont makeFont(QFont base, int height, int averageWidth) {
    base.setPixelSize(height);
    base.setWeight(QFont::Normal);
    // Stretch the face so its average character is as wide as asked.
    const QFontMetricsF fm(base);
    const qreal natural = fm.averageCharWidth();
    if (natural > 0) base.setStretch(qBound(50, int(100.0 * averageWidth / natural + 0.5), 200));
    return base;
}

} // namespace

CMicroscopeDlg* CMicroscopeDlg::Instance() {
    return g_mainWindow;
}

CMicroscopeDlg::CMicroscopeDlg(const Options& options, QWidget* parent)
    : QMainWindow(parent), options_(options) {
    client_ = new CClientArea(this);
    setCentralWidget(client_);
    setWindowIcon(QIcon(QStringLiteral(":/icons/app_128.svg")));
    createFonts();
    deviceConnected_ = false;
    overlayScaleX_ = overlayScaleY_ = 1.0;
    ReadFontSize();

    startupTimer_.setInterval(100);
    connect(&startupTimer_, &QTimer::timeout, this, &CMicroscopeDlg::onStartupTimer);
}

CMicroscopeDlg::~CMicroscopeDlg() {
    if (g_mainWindow == this) g_mainWindow = nullptr;
}

void CMicroscopeDlg::createFonts() {
    fontA_ = makeFont(QFontDatabase::systemFont(QFontDatabase::GeneralFont), 18, 14);
    fontB_ = makeFont(QFontDatabase::systemFont(QFontDatabase::GeneralFont), 12, 6);
}

void CMicroscopeDlg::InitDialog() {
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
    ReadLineColor();
    const SettingsValues pen = Settings();
    lineColor_ = pen.LineColor & 0xFFFFFF;
    labelColor_ = pen.MeasureTxtColor & 0xFFFFFF;

    magBox_ = new QLineEdit(client_);
    magBox_->setObjectName(QStringLiteral("magnificationBox"));
    magBox_->setMaxLength(5);
    magBox_->setGeometry(759, 6, 34, 25);
    magBox_->setAlignment(Qt::AlignCenter);
    calBox_ = new QLineEdit(client_);
    calBox_->setObjectName(QStringLiteral("calibrationBox"));
    calBox_->setReadOnly(true);
    calBox_->setGeometry(723, 6, 34, 25);
    calBox_->setAlignment(Qt::AlignCenter);
    magBox_->setText(QStringLiteral("60.0"));

    struct HotKey {
        Qt::Key key;
        int command;
    };
    for (const HotKey& hk : {HotKey{Qt::Key_F2, ids::kCamera}, HotKey{Qt::Key_F11, ids::kRes640},
                             HotKey{Qt::Key_F12, ids::kRes720}}) {
        auto* sc = new QShortcut(QKeySequence(hk.key), this);
        sc->setContext(Qt::WindowShortcut);
        const int command = hk.command;
        connect(sc, &QShortcut::activated, this, [this, command] { OnCommand(command); });
        hotKeys_.push_back(sc);
    }

    buildMenus(220);
    QFile::remove(storage_.video + QStringLiteral("/test.avi"));
    escRestore_ = Text("EscRestore", "ESC Restore", 128);

    savedTitle_ = QStringLiteral("Tavolux");
    setWindowTitle(savedTitle_);

    auto* picture = new CPictureArea(client_);
    picture->setObjectName(QStringLiteral("pictureArea"));
    picture->setGeometry(204, 52, 640, 480);

    startCapture();
    rebuildToolTips();

    const QString tempDir = ReadFilePathDat(programFolder_);
    if (!tempDir.isEmpty()) storage_.tempDir = tempDir;

    client_->setResolutionText(
        QString::asprintf("%d%s%d", captureSize_.width(), "*", captureSize_.height()), fontB_);

    startupTimer_.start();

    // The client area is the skin; the window wraps it with the menu.
    adjustSize();
    setFixedSize(sizeHint());
    if (const QScreen* screen = QGuiApplication::primaryScreen())
        move(screen->availableGeometry().center() - rect().center());
}

void CMicroscopeDlg::buildMenus(int menuGrey) {
    const auto trigger = [this](int command) { OnCommand(command); };
    BuildMainMenu(menuBar(), trigger);
    menuBar()->setStyleSheet(
        QStringLiteral("QMenuBar { background: rgb(%1,%1,%1); color: black; }").arg(menuGrey));
    if (!fileMenu_) fileMenu_ = new QMenu(this);
    BuildFileMenu(fileMenu_, trigger);
}

void CMicroscopeDlg::startCapture() {
    // No capture engine is part of this build yet: the start counts as failed.
    const bool started = false;
    if (!started) stopAndReleaseCapture();
    setDeviceConnected(started);
}

void CMicroscopeDlg::stopAndReleaseCapture() {}

void CMicroscopeDlg::setDeviceConnected(bool connected) {
    deviceConnected_ = connected;
    connectMsg_ =
        connected ? QString() : Text("ConnectMsg", "Please connect Wireless Digital Microscope");
    if (auto* picture = client_->findChild<CPictureArea*>(QStringLiteral("pictureArea")))
        picture->setMessage(connectMsg_);
}

void CMicroscopeDlg::rebuildToolTips() {}

void CMicroscopeDlg::onStartupTimer() {
    startupTimer_.stop();
    ReadSysDate();
    if (Settings().sys_date == 1) PostAppMessage(this, kMsgCalibrationPrompt);
}

void CMicroscopeDlg::showCalibrationPrompt() {
    CPromptDlg dlg(this);
    dlg.exec();
}

void CMicroscopeDlg::showAbout() {
    CAboutDlg dlg(this);
    dlg.exec();
}

void CMicroscopeDlg::openManual() {
    // The result is not checked: a missing manual shows nothing of ours.
    QDesktopServices::openUrl(QUrl::fromLocalFile(ManualFilePath()));
}

void CMicroscopeDlg::openSupportPage() {
    QDesktopServices::openUrl(QUrl(QString::fromLatin1(kSupportAddress)));
}

void CMicroscopeDlg::warn(const QString& title, const char* key, const char* defaultText) {
    prompts().Message(title, Text(key, defaultText), Prompts::Icon::Warning);
}

bool CMicroscopeDlg::inPreviewState() const {
    return false;
}

QString CMicroscopeDlg::magnificationText() const {
    return magBox_ ? magBox_->text() : QString();
}
QString CMicroscopeDlg::calibrationText() const {
    return calBox_ ? calBox_->text() : QString();
}

void CMicroscopeDlg::SwitchLanguage(int primary, int sub) {
    ClearLanguage();
    ChooseLanguage(primary, sub);
    buildMenus(224);
    rebuildToolTips();
    WriteLanguage(uint32_t(primary), uint32_t(sub));
}

void CMicroscopeDlg::OnCommand(int command) {
    for (const LanguageMenuItem& item : kLanguageMenu) {
        if (item.command == command) {
            SwitchLanguage(item.primary, item.sub);
            return;
        }
    }
    switch (command) {
    case ids::kCamera:
        if (!inPreviewState())
            warn(windowTitle(), "BrowseToCamera", "Please return to the preview state");
        break;
    case ids::kClock:
        if (!inPreviewState())
            warn(windowTitle(), "BrowseToTimer", "Please return to the preview state");
        break;
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

bool CMicroscopeDlg::event(QEvent* e) {
    if (AppEvent::Is(e, kMsgCalibrationPrompt)) {
        showCalibrationPrompt();
        return true;
    }
    return QMainWindow::event(e);
}

void CMicroscopeDlg::keyPressEvent(QKeyEvent* e) {
    // Neither Escape nor Enter may close or otherwise act on the window.
    if (e->key() == Qt::Key_Escape || e->key() == Qt::Key_Return || e->key() == Qt::Key_Enter) {
        e->accept();
        return;
    }
    QMainWindow::keyPressEvent(e);
}

void CMicroscopeDlg::closeEvent(QCloseEvent* e) {
    stopAndReleaseCapture();
    hotKeys_.clear();
    if (g_mainWindow == this) g_mainWindow = nullptr;
    e->accept();
}

} // namespace tvx

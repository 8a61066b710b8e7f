#include "session/capture_session.h"

#include "capture/capture_engine.h"
#include "measure/calibration_file.h"
#include "measure/geometry.h"
#include "platform/button_input.h"
#include "platform/device_watch.h"
#include "platform/folders.h"
#include "platform/language.h"
#include "platform/settings.h"

#include <QDBusConnection>
#include <QDBusError>

namespace tvx {

namespace {
// The identity of the camera chosen last from the Device menu.
constexpr const char* kChosenCameraKey = "Camera";
} // namespace

CaptureSession::CaptureSession(const Options& options, QObject* parent)
    : QObject(parent), options_(options) {
    flags_ = options.stillFlags ? options.stillFlags : &ownFlags_;
    effects_ = options.effects ? options.effects : &ownEffects_;
    scope_ = options.scope ? options.scope : &ownScope_;
    sink_ = std::make_unique<FrameSink>(*effects_, *flags_);
    if (options.engine) {
        engine_ = options.engine;
    } else {
        ownedEngine_ = std::make_unique<CaptureEngine>(options.simulate);
        // Without the microscope, any camera serves as one: the one chosen
        // last, else the first.
        ownedEngine_->AllowOtherCameras(
            true, options.settings ? options.settings->ReadOwnText(kChosenCameraKey) : QString());
        engine_ = ownedEngine_.get();
    }
    engine_->SetStillFlags(flags_);

    connectionTimer_.setInterval(1000);
    connectionTimer_.setSingleShot(true);
    // A coarse timer may fire 5 % early: the check is due a full second after
    // the last device change.
    connectionTimer_.setTimerType(Qt::PreciseTimer);
    connect(&connectionTimer_, &QTimer::timeout, this, &CaptureSession::CheckConnection);
    buttonPollTimer_.setInterval(1000);
    connect(&buttonPollTimer_, &QTimer::timeout, this, &CaptureSession::pollButton);
}

CaptureSession::~CaptureSession() {
    // Whoever listens may be going too: a dying session tells nothing, and
    // hears nothing more from an engine that outlives its body.
    blockSignals(true);
    disconnect(engine_, nullptr, this, nullptr);
    // Frames must stop reaching the sink and the live surface before they go.
    engine_->SetFrameReceiver(nullptr);
    engine_->Stop();
    engine_->ReleaseAll();
    engine_->SetStillFlags(nullptr);
    sink_->SetLiveSurface(nullptr);
    engine_->SetButtonCallbacks({}, {});
    closeButton();
}

bool CaptureSession::Start(LiveSurface* surface, QObject* videoOwner) {
    if (started_) return connected_;
    started_ = true;
    // Frames arrive on the streaming thread; the still is saved on ours.
    connect(sink_.get(), &FrameSink::stillDue, this, &CaptureSession::OnStillDue,
            Qt::QueuedConnection);
    sink_->SetLiveSurface(surface);
    engine_->SetFrameReceiver(sink_.get());
    engine_->SetButtonCallbacks([this] { return openButton(); }, [this] { closeButton(); });
    // A device that arrives or leaves is checked at once.
    connect(engine_, &CaptureEngine::deviceArrived, this, &CaptureSession::CheckConnection);
    connect(engine_, &CaptureEngine::deviceRemoved, this, &CaptureSession::CheckConnection);
    connect(engine_, &CaptureEngine::liveViewRepaint, this,
            [this](bool) { emit liveViewChanged(); });
    connect(engine_, &CaptureEngine::runningChanged, this, &CaptureSession::previewChanged);
    connect(engine_, &CaptureEngine::captureSizeChanged, this, [this](int width, int height) {
        if (connected_) applyCalibrationScope();
        emit captureSizeChanged(QSize(width, height));
    });

    watch_ = new DeviceWatch(this);
    connect(watch_, &DeviceWatch::nodesChanged, this, &CaptureSession::OnDeviceNodesChanged);

    engine_->SetWindows(videoOwner);
    const Status listed = engine_->CreateDeviceEnumerator();
    if (!listed) qWarning("capture session: %s", qPrintable(listed.reason()));
    checking_ = true;
    const Status started = startEngine();
    checking_ = false;
    connected_ = started.ok();
    tellConnection(started);
    if (options_.watchResume) watchResume();
    return connected_;
}

void CaptureSession::Shutdown() {
    connectionTimer_.stop();
    engine_->SetFrameReceiver(nullptr);
    stopAndReleaseEngine();
}

Status CaptureSession::startEngine() {
    deviceChosen_ = false;
    Status started = engine_->EnumerateDevices();
    deviceChosen_ = started.ok();
    if (started) started = engine_->BuildGraph();
    if (started) started = engine_->BuildPreview();
    if (started) started = engine_->Run();
    if (!started) stopAndReleaseEngine();
    return started;
}

QString CaptureSession::ConnectionText(const Status& started) const {
    if (started) return QString();
    const QString prompt = Text("ConnectMsg", "Please connect Wireless Digital Microscope");
    // Without a microscope the prompt says it all; one that is there but
    // gives no picture needs its reason.
    if (!deviceChosen_) return prompt;
    return prompt + QLatin1Char('\n') + started.reason();
}

void CaptureSession::stopAndReleaseEngine() {
    engine_->Stop();
    if (engine_->ButtonLibraryMode() == 1) {
        closeButton();
        engine_->SetButtonLibraryMode(0);
    }
    engine_->TearDownPreview();
    engine_->ReleaseAll();
}

void CaptureSession::OnDeviceNodesChanged() {
    connectionTimer_.start();
}

void CaptureSession::CheckConnection() {
    connectionTimer_.stop();
    if (checking_) {
        QTimer::singleShot(0, this, &CaptureSession::CheckConnection);
        return;
    }
    checking_ = true;
    ++connectionChecks_;
    if (engine_->IsRunning() && engine_->IsDevicePresent()) {
        const QString before = engine_->CurrentDeviceId();
        engine_->EnumerateDevices();
        if (engine_->CurrentDeviceId() == before) {
            checking_ = false;
            emit connectionChecked();
            return;
        }
        // The microscope arrived while another camera stood in for it: the
        // stream is rebuilt on the microscope.
    }
    stopAndReleaseEngine();
    const Status started = startEngine();
    checking_ = false;
    finishCheck(started);
    emit connectionChecked();
}

void CaptureSession::applyCalibrationScope() {
    CaptureDevice* device = engine_->CurrentDevice();
    const bool microscope = !device || KnownDeviceStatus(device->DisplayName()) >= 0;
    const CaptureSize size = engine_->captureSize();
    const QString file =
        microscope ? QString()
                   : CameraCalibrationFilePath(device->Identity(), QSize(size.width, size.height));
    if (file == scopeFile_ && microscope == scope_->pitchKnown.load()) return;
    scopeFile_ = file;
    scope_->pitchKnown.store(microscope);
    scope_->calibrationFile = file;
    emit calibrationScopeChanged();
}

QSize CaptureSession::captureSize() const {
    const CaptureSize size = engine_->captureSize();
    return QSize(size.width, size.height);
}

void CaptureSession::tellConnection(const Status& started) {
    if (started) applyCalibrationScope();
    connectionMessage_ = ConnectionText(started);
    if (started)
        emit connected();
    else
        emit disconnected(connectionMessage_);
}

void CaptureSession::finishCheck(const Status& started) {
    connected_ = started.ok();
    if (!started) {
        // Without a microscope a waiting press would turn into a picture of
        // whatever comes after the next plug.
        const int lost = heldPresses_;
        heldPresses_ = 0;
        dropPresses(lost);
    }
    tellConnection(started);
    emit liveViewChanged();
}

void CaptureSession::watchResume() {
    // After a suspend the camera's stream is gone even when the device
    // stays: rebuild it as a fresh connection.
    QDBusConnection bus = QDBusConnection::systemBus();
    const bool watching =
        bus.isConnected() &&
        bus.connect(QStringLiteral("org.freedesktop.login1"),
                    QStringLiteral("/org/freedesktop/login1"),
                    QStringLiteral("org.freedesktop.login1.Manager"),
                    QStringLiteral("PrepareForSleep"), this, SLOT(onPrepareForSleep(bool)));
    // Nothing the user asked for failed, so it is only logged: a machine
    // without logind (a container, a test display) would otherwise greet
    // every start with a message box.
    if (!watching)
        qWarning("capture session: resume is not watched: %s",
                 qPrintable(bus.lastError().message()));
}

void CaptureSession::onPrepareForSleep(bool sleeping) {
    if (!sleeping) OnResumed();
}

void CaptureSession::OnResumed() {
    if (!checking_) stopAndReleaseEngine();
    CheckConnection();
}

bool CaptureSession::openButton() {
    // A check that finds the microscope still there opens it again: keep the
    // open button and the presses it holds.
    if (button_ && button_->IsOpen()) {
        buttonPollTimer_.start();
        return true;
    }
    closeButton();
    auto button = std::make_unique<SnapshotButton>();
    // The microscope's button has its own road; another camera's comes
    // from the camera.
    CaptureDevice* device = engine_->CurrentDevice();
    const bool microscope = !device || KnownDeviceStatus(device->DisplayName()) >= 0;
    if (!(microscope ? button->OpenInterface() : button->OpenDescriptor(device->OpenButton())))
        return false;
    button_ = std::move(button);
    buttonPollTimer_.start();
    return true;
}

void CaptureSession::closeButton() {
    // Presses not yet taken go with the device: read what is there, then
    // count everything that will never be a picture.
    int lost = heldPresses_;
    heldPresses_ = 0;
    if (button_) {
        while (button_->IsButtonPressed())
            ++lost;
        button_->CloseInterface();
        lost += button_->TakeDroppedPresses();
        button_.reset();
    }
    buttonPollTimer_.stop();
    dropPresses(lost);
}

void CaptureSession::dropPresses(int dropped) {
    if (dropped <= 0) return;
    emit pressesDropped(dropped, queuedPresses());
}

int CaptureSession::queuedPresses() const {
    return heldPresses_ + (button_ ? button_->PendingPresses() : 0);
}

void CaptureSession::pollButton() {
    // One press per tick. A standing request is left alone: the press waits
    // for a later tick.
    if (!flags_->requested()) {
        if (heldPresses_ > 0) {
            if (flags_->RequestIfIdle(StillSource::Microscope)) --heldPresses_;
        } else if (engine_->ButtonLibraryMode() == 1 && button_ && button_->IsButtonPressed()) {
            // The still pin may have asked in between: the press waits then.
            if (!flags_->RequestIfIdle(StillSource::Microscope)) ++heldPresses_;
        }
    }
    if (button_) dropPresses(button_->TakeDroppedPresses());
    if (!button_ && heldPresses_ == 0) buttonPollTimer_.stop();
}

void CaptureSession::PressButton() {
    if (!connected_) {
        dropPresses(1);
        return;
    }
    if (heldPresses_ == 0 && !flags_->requested() && flags_->RequestIfIdle(StillSource::Microscope))
        return;
    // Kept like the button's own presses, and as many.
    if (heldPresses_ >= kMaxPendingPresses) {
        dropPresses(1);
        return;
    }
    ++heldPresses_;
    if (!buttonPollTimer_.isActive()) buttonPollTimer_.start();
}

void CaptureSession::RunPreview() {
    engine_->Run();
}

void CaptureSession::StopPreview() {
    engine_->Stop();
}

bool CaptureSession::isPreviewRunning() const {
    return engine_->IsRunning();
}

void CaptureSession::RestartPreview() {
    engine_->RestartPreview();
}

bool CaptureSession::ChooseCamera(const QString& identity, QString* reason) {
    const int row = engine_->RowOf(identity);
    Status started =
        row < 0 ? Status::Fail(QStringLiteral("the camera %1 is not attached").arg(identity))
                : Status::Ok();
    if (started) {
        engine_->AllowOtherCameras(true, identity);
        if (!options_.engine && options_.settings)
            options_.settings->WriteOwnText(kChosenCameraKey, identity);
        checking_ = true;
        started = engine_->SelectDevice(row);
        deviceChosen_ = true;
        checking_ = false;
        finishCheck(started);
        emit connectionChecked();
    }
    if (started) return true;
    if (reason) *reason = started.reason();
    emit error(started.reason());
    return false;
}

bool CaptureSession::SetResolution(int width, int height, QString* reason, int64_t frameTime) {
    const Status set = engine_->SetResolution(width, height, frameTime);
    if (set) return true;
    const QString why = QStringLiteral("the device cannot capture %1*%2: %3")
                            .arg(width)
                            .arg(height)
                            .arg(set.reason());
    if (reason) *reason = why;
    emit error(why);
    return false;
}

void CaptureSession::RequestStill() {
    flags_->Request(StillSource::Keyboard);
}

void CaptureSession::OnStillDue(bool /*hardware*/) {
    // Every frame posts again while a request stands. Only the first message
    // of a request is answered; the rest find it taken and are dropped, so
    // one request gives exactly one picture.
    if (stillBusy_) return;
    StillSource source = StillSource::Keyboard;
    if (!flags_->Take(&source)) return;
    stillBusy_ = true;
    emit stillRequested(source);
    stillBusy_ = false;
}

} // namespace tvx

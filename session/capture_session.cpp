#include "session/capture_session.h"

#include "capture/capture_engine.h"
#include "platform/app_events.h"
#include "platform/button_input.h"
#include "platform/device_watch.h"
#include "platform/language.h"

#include <QDBusConnection>
#include <QDBusError>

namespace tvx {

CaptureSession::CaptureSession(const Options& options, QObject* parent)
    : QObject(parent), options_(options) {
    flags_ = options.stillFlags ? options.stillFlags : &tvx::stillFlags();
    effects_ = options.effects ? options.effects : &effectState();
    sink_ = std::make_unique<FrameSink>(*effects_, *flags_);
    if (options.engine) {
        engine_ = options.engine;
    } else {
        ownedEngine_ = std::make_unique<CaptureEngine>(options.simulate);
        engine_ = ownedEngine_.get();
    }

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
    // Frames must stop reaching the sink and the live surface before they go.
    engine_->SetFrameReceiver(nullptr);
    engine_->Stop();
    engine_->ReleaseAll();
    sink_->SetLiveSurface(nullptr);
    sink_->SetNotifyTarget(nullptr);
    engine_->SetButtonCallbacks({}, {});
    closeButton();
}

bool CaptureSession::Start(LiveSurface* surface, QObject* videoOwner) {
    if (started_) return connected_;
    started_ = true;
    sink_->SetNotifyTarget(this);
    sink_->SetLiveSurface(surface);
    engine_->SetFrameReceiver(sink_.get());
    engine_->SetButtonCallbacks([this] { return openButton(); }, [this] { closeButton(); });
    // A device that arrives or leaves is checked at once.
    connect(engine_, &CaptureEngine::deviceArrived, this, &CaptureSession::CheckConnection);
    connect(engine_, &CaptureEngine::deviceRemoved, this, &CaptureSession::CheckConnection);
    connect(engine_, &CaptureEngine::liveViewRepaint, this,
            [this](bool) { emit liveViewChanged(); });

    watch_ = new DeviceWatch(this);
    connect(watch_, &DeviceWatch::nodesChanged, this, &CaptureSession::OnDeviceNodesChanged);

    engine_->SetWindows(this, videoOwner);
    engine_->CreateDeviceEnumerator();
    checking_ = true;
    const bool started = startEngine();
    checking_ = false;
    connected_ = started;
    connectionMessage_ =
        started ? QString() : Text("ConnectMsg", "Please connect Wireless Digital Microscope");
    if (started)
        emit connected();
    else
        emit disconnected(connectionMessage_);
    if (options_.watchResume) watchResume();
    return started;
}

void CaptureSession::Shutdown() {
    connectionTimer_.stop();
    engine_->SetFrameReceiver(nullptr);
    stopAndReleaseEngine();
}

bool CaptureSession::startEngine() {
    const bool started = engine_->EnumerateDevices() && engine_->BuildGraph() &&
                         engine_->BuildPreview() && engine_->Run();
    if (!started) stopAndReleaseEngine();
    return started;
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
        engine_->EnumerateDevices();
        checking_ = false;
        emit connectionChecked();
        return;
    }
    stopAndReleaseEngine();
    const bool started = startEngine();
    checking_ = false;
    finishCheck(started);
    emit connectionChecked();
}

void CaptureSession::finishCheck(bool started) {
    connected_ = started;
    connectionMessage_ =
        started ? QString() : Text("ConnectMsg", "Please connect Wireless Digital Microscope");
    if (started)
        emit connected();
    else
        emit disconnected(connectionMessage_);
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
    if (!watching)
        emit error(QStringLiteral("resume is not watched: %1").arg(bus.lastError().message()));
}

void CaptureSession::onPrepareForSleep(bool sleeping) {
    if (!sleeping) OnResumed();
}

void CaptureSession::OnResumed() {
    if (!checking_) stopAndReleaseEngine();
    CheckConnection();
}

bool CaptureSession::openButton() {
    closeButton();
    auto button = std::make_unique<SnapshotButton>();
    if (!button->OpenInterface()) return false;
    button_ = std::move(button);
    buttonPollTimer_.start();
    return true;
}

void CaptureSession::closeButton() {
    if (!button_) return;
    buttonPollTimer_.stop();
    button_->CloseInterface();
    button_.reset();
}

void CaptureSession::pollButton() {
    if (engine_->ButtonLibraryMode() != 1 || !button_) return;
    // A standing request is left alone: its press is read on a later tick.
    if (flags_->requested()) return;
    if (button_->IsButtonPressed()) flags_->RequestIfIdle(StillSource::Microscope);
}

void CaptureSession::RunPreview() {
    engine_->Run();
}

void CaptureSession::StopPreview() {
    engine_->Stop();
}

void CaptureSession::RestartPreview() {
    engine_->RestartPreview();
}

bool CaptureSession::SetResolution(int width, int height, QString* reason) {
    const int result = engine_->SetResolution(width, height);
    if (result >= 0) return true;
    const QString why = QStringLiteral("the device cannot capture %1*%2 (code %3)")
                            .arg(width)
                            .arg(height)
                            .arg(result);
    if (reason) *reason = why;
    emit error(why);
    return false;
}

void CaptureSession::RequestStill() {
    flags_->Request(StillSource::Keyboard);
}

void CaptureSession::OnStillMessage(bool /*hardware*/) {
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

bool CaptureSession::event(QEvent* e) {
    if (AppEvent::Is(e, kMsgStill)) {
        OnStillMessage(static_cast<AppEvent*>(e)->wParam() == 1);
        return true;
    }
    if (AppEvent::Is(e, kMsgGraphEvent)) {
        engine_->DrainGraphEvents();
        return true;
    }
    return QObject::event(e);
}

} // namespace tvx

#include "capture/capture_engine.h"
#include "capture/device_source.h"
#include "capture/sim_microscope.h"
#include "capture/test_cameras.h"
#include "measure/geometry.h"
#include "session/capture_session.h"
#include "tests/support/wait.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QThread>
#include <gtest/gtest.h>

namespace tvx {
namespace {

void Pump(int ms) {
    test::WaitFor([] { return false; }, ms);
}

// What a session told, in order.
struct Told {
    explicit Told(CaptureSession* s) {
        QObject::connect(s, &CaptureSession::connected, [this] { ++connected; });
        QObject::connect(s, &CaptureSession::disconnected, [this](const QString& m) {
            ++disconnected;
            message = m;
        });
        QObject::connect(s, &CaptureSession::stillRequested,
                         [this](StillSource src) { stills.push_back(src); });
    }
    int connected = 0;
    int disconnected = 0;
    QString message;
    std::vector<StillSource> stills;
};

// A machine without any camera.
class NoDevices : public DeviceProvider {
public:
    bool Start() override { return true; }
    std::vector<std::shared_ptr<CaptureDevice>> Devices() override { return {}; }
};

// A machine with a microscope that cannot be opened (another program holds it).
class HeldMicroscope : public DeviceProvider, public CaptureDevice {
public:
    bool Start() override { return true; }
    std::vector<std::shared_ptr<CaptureDevice>> Devices() override {
        return {std::shared_ptr<CaptureDevice>(std::shared_ptr<CaptureDevice>(), this)};
    }
    QString DisplayName() const override { return QStringLiteral("usb:Vid_14c3&Pid_2301"); }
    QString FriendlyName() const override { return QStringLiteral("Held microscope"); }
    GstElement* CreateSource() override { return nullptr; }
    std::unique_ptr<VideoProcAmp> CreateProcAmp(GstElement*) override { return nullptr; }
    int GetTvFormat(int*) override { return kResultNotSupported; }
    int SetTvFormat(int) override { return kResultNotSupported; }
    bool IsPresent() const override { return true; }
};

// A session on the simulated microscope with flags and effects of its own,
// or on the devices of `provider`.
struct SimSession {
    explicit SimSession(bool simulate = true, DeviceProvider* provider = nullptr) {
        CaptureSession::Options o;
        o.simulate = simulate;
        if (!simulate) {
            engine = std::make_unique<CaptureEngine>(
                std::vector<DeviceProvider*>{provider ? provider : new NoDevices});
            o.engine = engine.get();
        }
        o.stillFlags = &flags;
        o.effects = &effects;
        o.watchResume = false;
        session = std::make_unique<CaptureSession>(o);
    }
    ~SimSession() { session.reset(); }

    StillFlags flags;
    EffectState effects;
    std::unique_ptr<CaptureEngine> engine;
    std::unique_ptr<CaptureSession> session;
};

TEST(CaptureSession, WithoutAMicroscopeItSaysSoAndAsksToConnect) {
    SimSession s(false);
    Told told(s.session.get());
    EXPECT_FALSE(s.session->Start(nullptr));
    EXPECT_FALSE(s.session->isConnected());
    EXPECT_EQ(told.connected, 0);
    ASSERT_EQ(told.disconnected, 1);
    EXPECT_EQ(told.message, "Please connect Wireless Digital Microscope");
    EXPECT_EQ(s.session->connectionMessage(), "Please connect Wireless Digital Microscope");
    // A second Start changes nothing.
    EXPECT_FALSE(s.session->Start(nullptr));
    EXPECT_EQ(told.disconnected, 1);
}

TEST(CaptureSession, AMicroscopeThatWillNotStartIsToldWithItsReason) {
    SimSession s(false, new HeldMicroscope);
    Told told(s.session.get());
    EXPECT_FALSE(s.session->Start(nullptr));
    EXPECT_EQ(told.message, "Please connect Wireless Digital Microscope\n"
                            "no source for Held microscope");
    EXPECT_EQ(s.session->connectionMessage(), told.message);
}

TEST(CaptureSession, SimulatedMicroscopeStreamsIntoTheSink) {
    SimSession s;
    Told told(s.session.get());
    ASSERT_TRUE(s.session->Start(nullptr));
    EXPECT_EQ(told.connected, 1);
    EXPECT_TRUE(s.session->connectionMessage().isEmpty());
    ASSERT_TRUE(test::WaitFor([&] { return s.session->frameSink().frameWidth() > 0; }));
    EXPECT_EQ(s.session->frameSink().frameWidth(), 640);
    // The effects handed in are the ones frames go through.
    EXPECT_EQ(&s.session->effects(), &s.effects);
}

TEST(CaptureSession, UnplugAndPlugAreToldWithTheMessage) {
    SimSession s;
    ASSERT_TRUE(s.session->Start(nullptr));
    Told told(s.session.get());
    SimulatedMicroscope* sim = s.session->engine()->Simulator();
    ASSERT_NE(sim, nullptr);
    sim->Unplug();
    ASSERT_TRUE(test::WaitFor([&] { return told.disconnected > 0; }));
    EXPECT_FALSE(s.session->isConnected());
    EXPECT_EQ(told.message, "Please connect Wireless Digital Microscope");
    sim->Plug();
    ASSERT_TRUE(test::WaitFor([&] { return told.connected > 0; }));
    EXPECT_TRUE(s.session->isConnected());
    EXPECT_TRUE(s.session->connectionMessage().isEmpty());
}

// While another camera stands in, the microscope takes over as it arrives,
// and the remembered camera comes back as it leaves.
TEST(CaptureSession, TheMicroscopeTakesOverFromAStandInAndHandsBack) {
    const QString raw = QStringLiteral(
        "video/x-raw, format=(string)YUY2, width=(int)640, height=(int)480, framerate=30/1");
    auto* sim = new SimulatedMicroscope;
    sim->Unplug();
    auto* cameras = new TestCameraProvider({std::make_shared<TestCamera>("a", "Camera A", raw),
                                            std::make_shared<TestCamera>("b", "Camera B", raw)});
    StillFlags flags;
    EffectState effects;
    CaptureEngine engine(std::vector<DeviceProvider*>{sim, cameras});
    engine.AllowOtherCameras(true, QStringLiteral("test:b"));
    CaptureSession::Options o;
    o.engine = &engine;
    o.stillFlags = &flags;
    o.effects = &effects;
    o.watchResume = false;
    CaptureSession session(o);
    const auto on = [&](const char* id) {
        return test::WaitFor([&] {
            return engine.CurrentDeviceId() == QLatin1String(id) && session.isConnected() &&
                   engine.IsRunning();
        });
    };
    ASSERT_TRUE(session.Start(nullptr));
    ASSERT_TRUE(on("test:b"));
    EXPECT_FALSE(session.measuringScope().pitchKnown);
    sim->Plug();
    ASSERT_TRUE(on(kKnownDeviceIds[0]));
    EXPECT_TRUE(session.measuringScope().pitchKnown);
    sim->Unplug();
    ASSERT_TRUE(on("test:b"));
    EXPECT_FALSE(session.measuringScope().pitchKnown);
}

TEST(CaptureSession, ABurstOfNodeChangesGivesOneCheckASecondAfterTheLast) {
    SimSession s;
    ASSERT_TRUE(s.session->Start(nullptr));
    const int before = s.session->connectionChecks();
    QElapsedTimer sinceLast;
    for (int i = 0; i < 4; ++i) {
        s.session->OnDeviceNodesChanged();
        sinceLast.start();
        Pump(150);
    }
    EXPECT_EQ(s.session->connectionChecks(), before);
    ASSERT_TRUE(test::WaitFor([&] { return s.session->connectionChecks() != before; }));
    EXPECT_GE(sinceLast.elapsed(), 990);
    Pump(1200);
    EXPECT_EQ(s.session->connectionChecks(), before + 1);
    EXPECT_TRUE(s.session->isConnected());
}

TEST(CaptureSession, ResumeRebuildsTheStream) {
    SimSession s;
    ASSERT_TRUE(s.session->Start(nullptr));
    Told told(s.session.get());
    const int before = s.session->connectionChecks();
    s.session->OnResumed();
    EXPECT_EQ(s.session->connectionChecks(), before + 1);
    // The stream was torn down, so the check built it again and said so.
    EXPECT_EQ(told.connected, 1);
    EXPECT_TRUE(s.session->engine()->IsRunning());
}

TEST(CaptureSession, EachKeyboardRequestIsOneStillRequest) {
    SimSession s;
    ASSERT_TRUE(s.session->Start(nullptr));
    Told told(s.session.get());
    s.session->RequestStill();
    // Frames keep posting while the request stands; it is answered once.
    ASSERT_TRUE(test::WaitFor([&] { return int(told.stills.size()) > 0; }));
    Pump(300);
    ASSERT_EQ(int(told.stills.size()), 1);
    EXPECT_EQ(told.stills[0], StillSource::Keyboard);
    EXPECT_FALSE(s.flags.requested());

    // A message without a request is dropped.
    s.session->OnStillDue(false);
    EXPECT_EQ(int(told.stills.size()), 1);
}

TEST(CaptureSession, StillMessagesDuringAHandlerAreNotAnswered) {
    SimSession s(false);
    s.session->Start(nullptr);
    int calls = 0;
    QObject::connect(s.session.get(), &CaptureSession::stillRequested, [&] {
        ++calls;
        // A prompt inside the handler runs the event loop: another request
        // and its message arrive meanwhile.
        s.flags.Request(StillSource::Keyboard);
        s.session->OnStillDue(false);
    });
    s.flags.Request(StillSource::Keyboard);
    s.session->OnStillDue(false);
    EXPECT_EQ(calls, 1);
    // The request that came meanwhile still stands and is answered next.
    EXPECT_TRUE(s.flags.requested());
}

TEST(CaptureSession, TheMicroscopesButtonIsAStillFromTheMicroscope) {
    SimSession s;
    ASSERT_TRUE(s.session->Start(nullptr));
    ASSERT_TRUE(test::WaitFor([&] { return s.session->frameSink().frameWidth() > 0; }));
    ASSERT_TRUE(s.session->buttonOpen());
    EXPECT_TRUE(s.session->buttonPollTimer()->isActive());
    Told told(s.session.get());
    s.session->engine()->Simulator()->Press();
    // The poll reads the press within a second; the next frame asks for it.
    ASSERT_TRUE(test::WaitFor([&] { return int(told.stills.size()) > 0; }, 4000));
    EXPECT_EQ(told.stills[0], StillSource::Microscope);
    Pump(1200);
    EXPECT_EQ(int(told.stills.size()), 1) << "one press, one still";
}

TEST(CaptureSession, ShutdownStopsFramesAndTheCheck) {
    SimSession s;
    ASSERT_TRUE(s.session->Start(nullptr));
    s.session->OnDeviceNodesChanged();
    s.session->Shutdown();
    EXPECT_FALSE(s.session->connectionTimer()->isActive());
    EXPECT_FALSE(s.session->engine()->IsRunning());
    EXPECT_FALSE(s.session->buttonOpen());
}

} // namespace
} // namespace tvx

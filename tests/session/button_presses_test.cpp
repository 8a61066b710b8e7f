// Presses of the microscope's button are taken one a second; none is lost
// without the session saying so.
#include "capture/capture_engine.h"
#include "capture/sim_microscope.h"
#include "platform/button_input.h"
#include "session/capture_session.h"
#include "tests/support/wait.h"

#include <QCoreApplication>
#include <QThread>
#include <gtest/gtest.h>

namespace tvx {
namespace {

struct PressSession {
    PressSession() {
        CaptureSession::Options o;
        o.simulate = true;
        o.stillFlags = &flags;
        o.effects = &effects;
        o.watchResume = false;
        session = std::make_unique<CaptureSession>(o);
        QObject::connect(session.get(), &CaptureSession::stillRequested,
                         [this](StillSource s) { stills.push_back(s); });
        QObject::connect(session.get(), &CaptureSession::pressesDropped, [this](int n, int queued) {
            dropped += n;
            lastQueued = queued;
        });
    }
    bool start() {
        return session->Start(nullptr) &&
               test::WaitFor([&] { return session->frameSink().frameWidth() > 0; });
    }
    SimulatedMicroscope* sim() { return session->engine()->Simulator(); }

    StillFlags flags;
    EffectState effects;
    std::unique_ptr<CaptureSession> session;
    std::vector<StillSource> stills;
    int dropped = 0;
    int lastQueued = -1;
};

TEST(ButtonPresses, ABurstIsTakenOneASecondAndWhatIsDroppedIsCounted) {
    PressSession s;
    ASSERT_TRUE(s.start());
    ASSERT_TRUE(s.session->buttonOpen());
    for (int i = 0; i < 200; ++i)
        s.sim()->Press();
    // The next poll reads the burst: one picture now, the rest kept or told.
    ASSERT_TRUE(test::WaitFor([&] { return !s.stills.empty(); }, 4000));
    ASSERT_TRUE(test::WaitFor([&] { return s.dropped > 0; }, 2000));
    EXPECT_EQ(s.dropped, 200 - kMaxPendingPresses);
    EXPECT_EQ(s.lastQueued, kMaxPendingPresses - 1);
    EXPECT_EQ(int(s.stills.size()) + s.session->queuedPresses() + s.dropped, 200);
    EXPECT_EQ(s.stills[0], StillSource::Microscope);
    // One a second, not all at once.
    ASSERT_TRUE(test::WaitFor([&] { return s.stills.size() == 2; }, 2500));
    EXPECT_EQ(s.session->queuedPresses(), kMaxPendingPresses - 2);
}

TEST(ButtonPresses, APressCutOffByAnUnplugIsTold) {
    PressSession s;
    ASSERT_TRUE(s.start());
    // Past a poll, so the press lies unread when the microscope goes.
    test::WaitFor([] { return false; }, 50);
    s.sim()->Press();
    s.sim()->Unplug();
    ASSERT_TRUE(test::WaitFor([&] { return !s.session->isConnected(); }));
    test::WaitFor([] { return false; }, 300);
    EXPECT_EQ(int(s.stills.size()) + s.dropped, 1) << "the press was neither taken nor told";
}

TEST(ButtonPresses, CameraKeysCountAsPressesOfTheButton) {
    PressSession s;
    ASSERT_TRUE(s.start());
    s.session->PressButton();
    EXPECT_TRUE(s.flags.Load().hardware) << "the first press asks at once";
    // More presses while one stands wait for their turn, as many as the
    // button keeps; the rest are told.
    for (int i = 0; i < kMaxPendingPresses + 3; ++i)
        s.session->PressButton();
    EXPECT_EQ(s.session->queuedPresses(), kMaxPendingPresses);
    EXPECT_EQ(s.dropped, 3);
    ASSERT_TRUE(test::WaitFor([&] { return s.stills.size() >= 2; }, 4000));
    EXPECT_EQ(s.stills[0], StillSource::Microscope);
    EXPECT_EQ(s.stills[1], StillSource::Microscope);

    // Without the microscope the waiting presses cannot become pictures.
    const int queued = s.session->queuedPresses();
    const int before = s.dropped;
    s.sim()->Unplug();
    ASSERT_TRUE(test::WaitFor([&] { return !s.session->isConnected(); }));
    EXPECT_GE(s.dropped, before + queued);
    s.session->PressButton();
    EXPECT_GE(s.dropped, before + queued + 1);
    EXPECT_EQ(s.session->queuedPresses(), 0);
}

} // namespace
} // namespace tvx

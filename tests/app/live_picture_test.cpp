#include "app/microscope_dlg.h"
#include "capture/live_view.h"
#include "platform/settings.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QThread>
#include <gtest/gtest.h>

namespace tvx {
namespace {

// Runs the event loop until `done` holds or the time is up.
template <class F> bool waitFor(F done, int ms = 5000) {
    QElapsedTimer t;
    t.start();
    while (!done() && t.elapsed() < ms) {
        QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
        QThread::msleep(5);
    }
    return done();
}

TEST(LivePicture, SimulatedMicroscopeShowsInTheWindow) {
    // No calibration prompt in the way.
    CreateFirstRunSettings();
    WriteSysDate(0);
    CMicroscopeDlg dlg({/*simulate=*/true});
    dlg.InitDialog();
    dlg.show();
    ASSERT_TRUE(dlg.deviceConnected());
    ASSERT_TRUE(waitFor([&] { return dlg.frameSink().frameWidth() > 0; }))
        << "no frame reached the sink";
    EXPECT_EQ(dlg.frameSink().frameWidth(), 640);
    // Something other than black is on the live surface.
    ASSERT_TRUE(waitFor([&] {
        const QImage shot = dlg.liveView()->surface().Snapshot();
        for (int y = 0; y < shot.height(); y += 7)
            for (int x = 0; x < shot.width(); x += 7)
                if ((shot.pixel(x, y) & 0xFFFFFF) != 0) return true;
        return false;
    }));
}

} // namespace
} // namespace tvx

#include "measure/calibration.h"
#include "platform/prompts.h"
#include "platform/settings.h"
#include "tests/ui/main/app_test_util.h"
#include "tests/ui/main/window_parts.h"
#include "ui/main/live_view.h"
#include "ui/main/main_window.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QThread>
#include <gtest/gtest.h>

namespace tvx {
namespace {

TEST(LivePicture, SimulatedMicroscopeShowsInTheWindow) {
    SettingsStore settings;
    // No calibration prompt in the way.
    settings.CreateFirstRun();
    settings.WriteSysDate(0);
    CalibrationState calibration;
    ScriptedPrompts prompts;
    MainWindow dlg({/*simulate=*/true, nullptr, &calibration, &prompts, &settings});
    dlg.InitDialog();
    dlg.show();
    ASSERT_TRUE(Parts(dlg).session().isConnected());
    ASSERT_TRUE(test::WaitFor([&] { return Parts(dlg).session().frameSink().frameWidth() > 0; }))
        << "no frame reached the sink";
    EXPECT_EQ(Parts(dlg).session().frameSink().frameWidth(), 640);
    // Something other than black is on the live surface.
    ASSERT_TRUE(test::WaitFor([&] {
        const QImage shot = Parts(dlg).liveView()->surface().Snapshot();
        for (int y = 0; y < shot.height(); y += 7)
            for (int x = 0; x < shot.width(); x += 7)
                if ((shot.pixel(x, y) & 0xFFFFFF) != 0) return true;
        return false;
    }));
}

} // namespace
} // namespace tvx

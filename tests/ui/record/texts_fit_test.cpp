#include "platform/language.h"
#include "platform/prompts.h"
#include "tests/support/test_env.h"
#include "tests/support/texts_fit.h"
#include "ui/record/capture_timer_dlg.h"
#include "ui/record/recorder_setting_dlg.h"

#include <gtest/gtest.h>

namespace tvx {
namespace {

class StillClock : public TimeLapseClock {
public:
    LocalStamp Now() override { return {2024, 12, 28, 23, 59, 58}; }
    void SleepMs(int) override {}
};

TEST(RecordTextsFit, RecorderAndTimeLapseInEveryLanguage) {
    test::installLanguageFiles();
    test::InstalledLanguage language;
    for (const auto& [primary, sub] : test::ShippedLanguages()) {
        language.Choose(primary, sub);
        const QString file = language.filePath();
        RecorderDialogState state;
        ScriptedPrompts prompts;
        RecorderSettingsDialog recorder(640, 480, state, prompts);
        EXPECT_EQ(test::CutTexts(&recorder), "") << qPrintable(file);
        StillClock clock;
        CaptureTimerDialog timeLapse([] { return true; }, QSize(640, 480), prompts, clock);
        EXPECT_EQ(test::CutTexts(&timeLapse), "") << qPrintable(file);
    }
}

} // namespace
} // namespace tvx

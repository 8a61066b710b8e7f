#include "measure/canvas_render.h"
#include "platform/language.h"
#include "platform/prompts.h"
#include "platform/settings.h"
#include "tests/support/test_env.h"
#include "tests/support/texts_fit.h"
#include "ui/measure/calibration_dialog.h"
#include "ui/measure/pen_setting_dialog.h"

#include <gtest/gtest.h>

namespace tvx {
namespace {

TEST(MeasureTextsFit, PenTextAndCalibrationDialogsInEveryLanguage) {
    test::installLanguageFiles();
    test::InstalledLanguage language;
    for (const auto& [primary, sub] : test::ShippedLanguages()) {
        language.Choose(primary, sub);
        const QString file = language.filePath();
        ScriptedPrompts prompts;
        SettingsStore settings;
        PenSettingDialog pen(prompts, settings);
        EXPECT_EQ(test::CutTexts(&pen), "") << qPrintable(file);
        TextDialog text(DateStampFontRecord(), prompts, settings);
        EXPECT_EQ(test::CutTexts(&text), "") << qPrintable(file);
        CalibrationDialog calibration(QStringLiteral("mm"), prompts);
        EXPECT_EQ(test::CutTexts(&calibration), "") << qPrintable(file);
    }
}

} // namespace
} // namespace tvx

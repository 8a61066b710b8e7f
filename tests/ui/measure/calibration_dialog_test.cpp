// Calibration from a line of known length, and the file that remembers it.
#include "measure/calibration_file.h"
#include "ui/measure/calibration_dialog.h"

#include "platform/folders.h"
#include "platform/language.h"
#include "platform/prompts.h"
#include "tests/support/test_env.h"

#include "tests/measure/qt_printers.h"
#include <QApplication>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QTimer>
#include <QWidget>

#include <gtest/gtest.h>

namespace tvx {
namespace {
MeasureContext Context(const char* unit, double magnification, int decimals) {
    MeasureContext ctx;
    ctx.unit = QString::fromLatin1(unit);
    ctx.scale = ScaleFactor(QSize(640, 480), ctx.unit, true);
    ctx.magnification = magnification;
    ctx.decimals = decimals;
    return ctx;
}

class CalibrationTest : public ::testing::Test {
protected:
    // Answers the next Calibration dialog with `text`, or cancels it when empty.
    void AnswerDialogWith(const QString& text) {
        QTimer::singleShot(0, [text] {
            auto* dialog = qobject_cast<CalibrationDialog*>(QApplication::activeModalWidget());
            ASSERT_NE(dialog, nullptr);
            if (text.isEmpty()) {
                dialog->reject();
                return;
            }
            dialog->edit()->setText(text);
            dialog->accept();
        });
    }

    ScriptedPrompts prompts_;
    CalibrationState state_;
};

TEST_F(CalibrationTest, DistancesConvertFromMillimetres) {
    EXPECT_DOUBLE_EQ(*ActualDistanceFromText("10", "cm"), 1.0);
    EXPECT_DOUBLE_EQ(*ActualDistanceFromText("25.4", "inch"), 25.4 * 0.03937007874015748);
    EXPECT_DOUBLE_EQ(*ActualDistanceFromText("1", "mil"), 5000 * 0.007874015748031496);
    EXPECT_DOUBLE_EQ(*ActualDistanceFromText(" 2.5mm", "mm"), 2.5);
    EXPECT_DOUBLE_EQ(*ActualDistanceFromText("0.5", "um"), 500.0);
    EXPECT_DOUBLE_EQ(*ActualDistanceFromText("3", "furlong"), 3.0);
    for (const char* bad : {"", "0", "0.0", "abc", "-5", "1e999", "nan"})
        EXPECT_FALSE(ActualDistanceFromText(QString::fromLatin1(bad), "mm")) << bad;
}

TEST_F(CalibrationTest, OkSetsTheMagnificationThatMakesTheLineItsTrueLength) {
    // 154 px at 100× reads 0.100 cm; the user says it is 10 mm.
    const MeasureContext ctx = Context("cm", 100, 3);
    const CalibrationOutcome out =
        FinishCalibration(state_, 154, ctx, ActualDistanceFromText("10", "cm"));
    ASSERT_TRUE(out.calibrated);
    EXPECT_DOUBLE_EQ(out.magnification, ctx.Length(154) / 1.0 * 100);
    EXPECT_EQ(out.label, QStringLiteral("L:1.000cm"));
    EXPECT_DOUBLE_EQ(state_.calibrated, out.magnification);
    EXPECT_DOUBLE_EQ(state_.calibratedCopy, out.magnification);
    EXPECT_DOUBLE_EQ(state_.actualDistance, 1.0);

    // Cancel keeps the magnification in force and labels the line by it.
    const CalibrationOutcome cancelled = FinishCalibration(state_, 154, Context("mm", 100, 2), {});
    EXPECT_FALSE(cancelled.calibrated);
    EXPECT_EQ(cancelled.label, QStringLiteral("L:1.00mm"));
    EXPECT_DOUBLE_EQ(state_.calibrated, out.magnification);

    // A line of length 0 cannot calibrate: no magnification of 0 is stored.
    const CalibrationOutcome zero = FinishCalibration(state_, 0, Context("mm", 100, 2), 1.0);
    EXPECT_FALSE(zero.calibrated);
    EXPECT_EQ(zero.label, QStringLiteral("L:0.00mm"));
    EXPECT_DOUBLE_EQ(state_.calibrated, out.magnification);
}

TEST_F(CalibrationTest, DialogStaysOpenUntilADistanceIsEntered) {
    CalibrationDialog dialog(QStringLiteral("inch"), prompts_);
    EXPECT_EQ(dialog.windowTitle(), QStringLiteral("Calibration"));
    dialog.show();
    for (const char* bad : {"", "abc", "0"}) {
        dialog.edit()->setText(QString::fromLatin1(bad));
        dialog.accept();
        EXPECT_TRUE(dialog.isVisible()) << bad;
    }
    ASSERT_EQ(prompts_.shown().size(), 3u);
    EXPECT_EQ(prompts_.shown()[0].text, QStringLiteral("Please enter digital!"));
    EXPECT_EQ(prompts_.shown()[0].title, QStringLiteral("Calibration"));

    dialog.edit()->setText(QStringLiteral("25.4"));
    dialog.accept();
    EXPECT_FALSE(dialog.isVisible());
    EXPECT_EQ(dialog.result(), QDialog::Accepted);
    EXPECT_NEAR(dialog.actualDistance(), 1.0, 1e-12);
}

TEST_F(CalibrationTest, DistancesGivingNoSaneMagnificationAreRefused) {
    // 154 px at 100× read 1.0033 mm: a distance of a the line makes the
    // magnification 100.33 / a.
    const MeasureContext ctx = Context("mm", 100, 3);
    CalibrationDialog dialog(ctx.unit, prompts_);
    dialog.SetLine(154, ctx);
    dialog.show();
    for (const char* absurd : {"1e-300", "0.0005", "2000", "1e300"}) {
        dialog.edit()->setText(QString::fromLatin1(absurd));
        dialog.accept();
        EXPECT_TRUE(dialog.isVisible()) << absurd;
    }
    ASSERT_EQ(prompts_.shown().size(), 4u);
    EXPECT_EQ(prompts_.shown()[3].text, QStringLiteral("Please enter digital!"));
    for (const char* sane : {"0.002", "500"}) {
        dialog.setResult(0);
        dialog.show();
        dialog.edit()->setText(QString::fromLatin1(sane));
        dialog.accept();
        EXPECT_EQ(dialog.result(), QDialog::Accepted) << sane;
        EXPECT_FALSE(dialog.isVisible()) << sane;
    }
    // The same bounds hold for what is stored, whoever asks.
    EXPECT_FALSE(FinishCalibration(state_, 154, ctx, 1e-300).calibrated);
    EXPECT_DOUBLE_EQ(state_.calibrated, 0);
    EXPECT_TRUE(SaneMagnification(kMinMagnification));
    EXPECT_TRUE(SaneMagnification(kMaxMagnification));
    EXPECT_FALSE(SaneMagnification(0.099));
    EXPECT_FALSE(SaneMagnification(100000.1));
}

TEST_F(CalibrationTest, CalibrateRewritesTheLabelAndAnswersWhetherItCalibrated) {
    QWidget parent;
    const MeasureContext ctx = Context("cm", 100, 3);
    CMeasureShape line;
    line.labels = QStringList{QString()};

    AnswerDialogWith(QStringLiteral("10"));
    EXPECT_TRUE(Calibrate(state_, prompts_, &parent, 154, ctx, &line));
    EXPECT_EQ(line.labels, QStringList{"L:1.000cm"});
    const double calibrated = state_.calibrated;
    EXPECT_GT(calibrated, 0);

    // Cancel: the magnification stays, the label shows the length at ctx.
    line.labels = QStringList{QString()};
    AnswerDialogWith(QString());
    EXPECT_FALSE(Calibrate(state_, prompts_, &parent, 154, ctx, &line));
    EXPECT_EQ(line.labels, QStringList{"L:0.100cm"});
    EXPECT_DOUBLE_EQ(state_.calibrated, calibrated);
}

TEST_F(CalibrationTest, ThePromptFromTheLanguageFileIsPlainText) {
    const QString file = ProgramFolder() + "/English1252.ini";
    QFile f(file);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write("[Zandor]\nEnterActualDistance=<img src='/tmp/x.png'><b>mm</b>\n");
    f.close();
    test::InstalledLanguage language;
    language.Choose(9, 0);
    ASSERT_EQ(language.filePath(), file);
    CalibrationDialog dialog("mm", prompts_);
    QLabel* prompt = nullptr;
    for (QLabel* label : dialog.findChildren<QLabel*>())
        if (label->text().contains("<b>mm</b>")) prompt = label;
    ASSERT_NE(prompt, nullptr);
    EXPECT_EQ(prompt->textFormat(), Qt::PlainText);
}

} // namespace
} // namespace tvx

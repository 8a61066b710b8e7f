// Calibration from a line of known length, and the file that remembers it.
#include "measure/calibration.h"
#include "measure/calibration_file.h"

#include "platform/app_events.h"
#include "platform/folders.h"
#include "platform/prompts.h"
#include "tests/support/test_env.h"

#include "tests/measure/qt_printers.h"
#include <QApplication>
#include <QFile>
#include <QLineEdit>
#include <QTimer>
#include <QWidget>

#include <gtest/gtest.h>

namespace tvx {
namespace {

MeasureContext Context(const char* unit, double magnification, int decimals) {
    MeasureContext ctx;
    ctx.unit = QString::fromLatin1(unit);
    ctx.scale = ScaleFactor(QSize(640, 480), ctx.unit);
    ctx.magnification = magnification;
    ctx.decimals = decimals;
    return ctx;
}

QByteArray ReadAll(const QString& path) {
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray("<missing>");
}

void WriteAll(const QString& path, const QByteArray& bytes) {
    QFile f(path);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write(bytes);
}

// Records the application messages posted to it.
class MessageSink : public QWidget {
public:
    std::vector<int> messages;

protected:
    bool event(QEvent* e) override {
        if (e->type() >= QEvent::User) {
            messages.push_back(static_cast<AppEvent*>(e)->message());
            return true;
        }
        return QWidget::event(e);
    }
};

class CalibrationTest : public ::testing::Test {
protected:
    void SetUp() override {
        SetPrompts(&prompts_);
        calibrationState() = CalibrationState{};
    }
    void TearDown() override { SetPrompts(nullptr); }

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
};

TEST_F(CalibrationTest, DistancesConvertFromMillimetres) {
    EXPECT_DOUBLE_EQ(*ActualDistanceFromText("10", "cm"), 1.0);
    EXPECT_DOUBLE_EQ(*ActualDistanceFromText("25.4", "inch"), 25.4 * 0.03937007874015748);
    EXPECT_DOUBLE_EQ(*ActualDistanceFromText("1", "mil"), 5000 * 0.007874015748031496);
    EXPECT_DOUBLE_EQ(*ActualDistanceFromText(" 2.5mm", "mm"), 2.5);
    EXPECT_DOUBLE_EQ(*ActualDistanceFromText("3", "furlong"), 3.0);
    for (const char* bad : {"", "0", "0.0", "abc", "-5", "1e999", "nan"})
        EXPECT_FALSE(ActualDistanceFromText(QString::fromLatin1(bad), "mm")) << bad;
}

TEST_F(CalibrationTest, OkSetsTheMagnificationThatMakesTheLineItsTrueLength) {
    // 154 px at 100× reads 0.100 cm; the user says it is 10 mm.
    const MeasureContext ctx = Context("cm", 100, 3);
    const CalibrationOutcome out = FinishCalibration(154, ctx, ActualDistanceFromText("10", "cm"));
    ASSERT_TRUE(out.calibrated);
    EXPECT_DOUBLE_EQ(out.magnification, ctx.Length(154) / 1.0 * 100);
    EXPECT_EQ(out.label, QStringLiteral("L:1.000cm"));
    EXPECT_DOUBLE_EQ(calibrationState().calibrated, out.magnification);
    EXPECT_DOUBLE_EQ(calibrationState().calibratedCopy, out.magnification);
    EXPECT_DOUBLE_EQ(calibrationState().actualDistance, 1.0);

    // Cancel keeps the magnification in force and labels the line by it.
    const CalibrationOutcome cancelled = FinishCalibration(154, Context("mm", 100, 2), {});
    EXPECT_FALSE(cancelled.calibrated);
    EXPECT_EQ(cancelled.label, QStringLiteral("L:1.00mm"));
    EXPECT_DOUBLE_EQ(calibrationState().calibrated, out.magnification);

    // A line of length 0 cannot calibrate: no magnification of 0 is stored.
    const CalibrationOutcome zero = FinishCalibration(0, Context("mm", 100, 2), 1.0);
    EXPECT_FALSE(zero.calibrated);
    EXPECT_EQ(zero.label, QStringLiteral("L:0.00mm"));
    EXPECT_DOUBLE_EQ(calibrationState().calibrated, out.magnification);
}

TEST_F(CalibrationTest, DialogStaysOpenUntilADistanceIsEntered) {
    CalibrationDialog dialog(QStringLiteral("inch"));
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

TEST_F(CalibrationTest, CalibrateRewritesTheLabelAndTellsTheParent) {
    MessageSink parent;
    const MeasureContext ctx = Context("cm", 100, 3);
    CMeasureShape line;
    line.labels = QStringList{QString()};

    AnswerDialogWith(QStringLiteral("10"));
    EXPECT_TRUE(Calibrate(&parent, 154, ctx, &line));
    EXPECT_EQ(line.labels, QStringList{"L:1.000cm"});
    QCoreApplication::sendPostedEvents(&parent);
    EXPECT_EQ(parent.messages, std::vector<int>{kMsgCalibrated});
    const double calibrated = calibrationState().calibrated;
    EXPECT_GT(calibrated, 0);

    // Cancel: no message, the magnification stays, the label shows the length at ctx.
    line.labels = QStringList{QString()};
    AnswerDialogWith(QString());
    EXPECT_FALSE(Calibrate(&parent, 154, ctx, &line, kMsgMagnification));
    EXPECT_EQ(line.labels, QStringList{"L:0.100cm"});
    QCoreApplication::sendPostedEvents(&parent);
    EXPECT_EQ(parent.messages.size(), 1u);
    EXPECT_DOUBLE_EQ(calibrationState().calibrated, calibrated);
}

// --- CalibrationIni.ini ---------------------------------------------------

class CalibrationFileTest : public ::testing::Test {
protected:
    QString path_ = CalibrationFilePath();
};

TEST_F(CalibrationFileTest, LookupMatchesWholeHeadersAndSkipsComments) {
    WriteAll(path_, "// comment\r\n[200]\r\n// 200=999\r\n200=203.4\r\n[Abc]\r\nAbc=7.5\r\n");
    EXPECT_EQ(LookupCalibration(path_, "200"), QStringLiteral("203.4"));
    EXPECT_EQ(LookupCalibration(path_, "20"), QString());
    EXPECT_EQ(LookupCalibration(path_, "abc"), QString()); // the key is matched as written
    CalibrationFile file;
    ASSERT_TRUE(file.Open(path_));
    EXPECT_EQ(file.Lookup("ABC", "Abc"), QStringLiteral("7.5"));
    EXPECT_FALSE(file.Lookup("200", "Abc")); // the next section ends the search
    EXPECT_FALSE(file.Lookup("", ""));

    // Lookups leave the file as it was.
    EXPECT_EQ(ReadAll(path_),
              "// comment\r\n[200]\r\n// 200=999\r\n200=203.4\r\n[Abc]\r\nAbc=7.5\r\n");
}

TEST_F(CalibrationFileTest, WriteMatchesHeadersAsSubstrings) {
    WriteAll(path_, "[200]\n// 20=1\n200=203.4\n[300]\n300=301.0\n");
    ASSERT_TRUE(StoreCalibration(path_, "20", 21.04));
    // The write for 20 lands in [200]; the comment is never replaced.
    EXPECT_EQ(ReadAll(path_), "[200]\n// 20=1\n20=21.0\n[300]\n300=301.0\n");

    ASSERT_TRUE(StoreCalibration(path_, "400", 398.96));
    ASSERT_TRUE(StoreCalibration(path_, "300", 299.5));
    EXPECT_EQ(ReadAll(path_), "[200]\n// 20=1\n20=21.0\n[300]\n300=299.5\n[400]\n400=399.0\n");
}

TEST_F(CalibrationFileTest, WriteInsertsIntoSectionsWithoutTheEntry) {
    WriteAll(path_, "[50]\n[60]\n60=61.0\n[70]\n// only a note\n");
    CalibrationFile file;
    ASSERT_TRUE(file.Open(path_));
    EXPECT_TRUE(file.Write("50", "50", "49.5")); // before the next header
    EXPECT_TRUE(file.Write("70", "70", "71.0")); // only comments follow: last
    EXPECT_FALSE(file.Write("", "x", "1"));
    EXPECT_FALSE(file.Write("80", "80", "1\n[90]"));
    ASSERT_TRUE(file.Close());
    EXPECT_EQ(ReadAll(path_), "[50]\n50=49.5\n[60]\n60=61.0\n[70]\n// only a note\n70=71.0\n");
    EXPECT_EQ(LookupCalibration(path_, "70"), QStringLiteral("71.0"));
}

TEST_F(CalibrationFileTest, OneCalibrationStoredByBothWindows) {
    ASSERT_TRUE(QFile::copy(test::resourcePath("CalibrationIni.ini"), path_));
    QFile::setPermissions(path_, QFile::ReadOwner | QFile::WriteOwner);
    const QByteArray seed = ReadAll(path_);

    // Typed 200 in the Photo Measure dialog, shown as 200.0 in the main window.
    ASSERT_TRUE(StoreCalibration(path_, "200", 203.44));
    ASSERT_TRUE(StoreCalibration(path_, FormatMagnification(200), 203.44));
    EXPECT_EQ(ReadAll(path_), seed + "[200]\n200=203.4\n[200.0]\n200.0=203.4\n");
    EXPECT_EQ(LookupCalibration(path_, "200"), QStringLiteral("203.4"));
    EXPECT_EQ(LookupCalibration(path_, "200.0"), QStringLiteral("203.4"));
}

TEST_F(CalibrationFileTest, MissingOrOversizedFilesAreNeverWritten) {
    EXPECT_FALSE(StoreCalibration(path_, "200", 203.4));
    EXPECT_FALSE(QFile::exists(path_));
    EXPECT_EQ(LookupCalibration(path_, "200"), QString());
    CalibrationFile file;
    EXPECT_FALSE(file.Open(path_));
    EXPECT_FALSE(file.Lookup("200", "200"));
    EXPECT_FALSE(file.Write("200", "200", "1.0"));
    EXPECT_FALSE(file.Close());
    EXPECT_FALSE(QFile::exists(path_));

    QByteArray huge = "[200]\n200=203.4\n";
    huge += QByteArray(CalibrationFile::kMaxFileSize, '#');
    WriteAll(path_, huge);
    EXPECT_EQ(LookupCalibration(path_, "200"), QString());
    EXPECT_FALSE(StoreCalibration(path_, "300", 1));
    EXPECT_EQ(ReadAll(path_).size(), huge.size());
}

} // namespace
} // namespace tvx

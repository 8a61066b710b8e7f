#include "platform/prompts.h"
#include "ui/record/capture_timer_dlg.h"
#include "ui/record/record_ids.h"

#include <QApplication>
#include <QCheckBox>
#include <QDateTime>
#include <QElapsedTimer>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRegularExpression>
#include <atomic>
#include <gtest/gtest.h>
#include <thread>

namespace tvx {
namespace {

using namespace record_ids;

// The local time stands still unless `advance` is set; then each sleep moves
// it on by its length at once.
class TestClock : public TimeLapseClock {
public:
    LocalStamp Now() override {
        const QDateTime t = base_.addMSecs(ms_.load());
        return {t.date().year(), t.date().month(),  t.date().day(),
                t.time().hour(), t.time().minute(), t.time().second()};
    }
    void SleepMs(int ms) override {
        if (advance)
            ms_ += ms;
        else
            std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
    std::atomic<bool> advance{true};

private:
    const QDateTime base_{QDate(2024, 5, 17), QTime(10, 20, 30)};
    std::atomic<int64_t> ms_{0};
};

template <class W> W* Find(QWidget* dlg, int id) {
    return dlg->findChild<W*>(QString::number(id));
}

class TimeLapseDialog : public ::testing::Test {
protected:
    std::unique_ptr<CaptureTimerDialog> Make() {
        auto dlg = std::make_unique<CaptureTimerDialog>(
            [this] {
                ++stills;
                return true;
            },
            QSize(640, 480), scripted, clock);
        dlg->show();
        return dlg;
    }
    void Set(CaptureTimerDialog& dlg, int id, const QString& text) {
        Find<QLineEdit>(&dlg, id)->setText(text);
    }
    // Lets queued progress and close events arrive, up to a second.
    template <class Pred> bool Until(Pred done) {
        QElapsedTimer t;
        t.start();
        while (!done() && t.elapsed() < 1000) {
            QApplication::processEvents();
            std::this_thread::sleep_for(std::chrono::milliseconds(1));
        }
        return done();
    }

    ScriptedPrompts scripted;
    TestClock clock;
    std::atomic<int> stills{0};
};

TEST_F(TimeLapseDialog, StartsAFewSecondsAheadWithItsEstimate) {
    auto dlg = Make();
    EXPECT_EQ(Find<QLineEdit>(dlg.get(), kStartYear)->text(), "2024");
    EXPECT_EQ(Find<QLineEdit>(dlg.get(), kStartMinute)->text(), "20");
    EXPECT_EQ(Find<QLineEdit>(dlg.get(), kStartSecond)->text(), "35");
    EXPECT_EQ(Find<QLineEdit>(dlg.get(), kIntervalSeconds)->text(), "3");
    EXPECT_EQ(Find<QLineEdit>(dlg.get(), kPictureCount)->text(), "8");
    EXPECT_EQ(Find<QLineEdit>(dlg.get(), kSizeEstimate)->text(), "7.03");
    Set(*dlg, kPictureCount, "1");
    emit Find<QLineEdit>(dlg.get(), kPictureCount)->editingFinished();
    EXPECT_EQ(Find<QLineEdit>(dlg.get(), kSizeEstimate)->text(), "0.87");
}

TEST_F(TimeLapseDialog, OneSecondEarlierIsRefused) {
    auto dlg = Make();
    Set(*dlg, kStartSecond, "29");
    Find<QPushButton>(dlg.get(), kStartStop)->click();
    ASSERT_EQ(scripted.shown().size(), 1u);
    EXPECT_EQ(scripted.shown()[0].text, "The time of your setting must be a future time!");
    EXPECT_FALSE(dlg->seriesRunning());
    EXPECT_EQ(Find<QPushButton>(dlg.get(), kStartStop)->text(), "Start");
    EXPECT_EQ(stills.load(), 0);
}

TEST_F(TimeLapseDialog, AFieldOutOfRangeShowsItsRangeAndStartsNothing) {
    auto dlg = Make();
    Set(*dlg, kIntervalSeconds, "2");
    Find<QPushButton>(dlg.get(), kStartStop)->click();
    ASSERT_EQ(scripted.shown().size(), 1u);
    EXPECT_EQ(scripted.shown()[0].text, "Please enter an integer between 3 and 60.");
    EXPECT_FALSE(dlg->seriesRunning());
}

TEST_F(TimeLapseDialog, CountOneStartingNowTakesOnePictureAndCloses) {
    auto dlg = Make();
    Set(*dlg, kPictureCount, "1");
    Find<QPushButton>(dlg.get(), kStartStop)->click();
    EXPECT_TRUE(scripted.shown().empty());
    ASSERT_TRUE(Until([&] { return !dlg->isVisible(); }));
    EXPECT_EQ(dlg->result(), QDialog::Rejected);
    EXPECT_EQ(stills.load(), 1);
    EXPECT_EQ(dlg->completed(), 1);
    EXPECT_EQ(Find<QLabel>(dlg.get(), kCompleted)->text(), "1");
}

TEST_F(TimeLapseDialog, UntouchedStartTimeKeepsAheadOfTheClockAndStartNowStartsAtOnce) {
    clock.advance = false;
    auto dlg = Make();
    auto* second = Find<QLineEdit>(dlg.get(), kStartSecond);
    auto* minute = Find<QLineEdit>(dlg.get(), kStartMinute);
    clock.advance = true;
    clock.SleepMs(40000); // 10:21:10 now
    clock.advance = false;
    EXPECT_TRUE(Until([&] { return second->text() == "15"; })) << second->text().toStdString();
    EXPECT_EQ(minute->text(), "21");
    // A field the user set stays as set.
    Set(*dlg, kStartSecond, "50");
    clock.advance = true;
    clock.SleepMs(2000);
    clock.advance = false;
    QElapsedTimer ticks; // a tick or more passes
    ticks.start();
    Until([&] { return ticks.elapsed() > 300; });
    EXPECT_EQ(second->text(), "50");

    Find<QCheckBox>(dlg.get(), kStartNow)->setChecked(true);
    EXPECT_FALSE(second->isEnabled());
    Find<QPushButton>(dlg.get(), kStartStop)->click();
    EXPECT_TRUE(scripted.shown().empty());
    EXPECT_EQ(second->text(), "12"); // the moment it started
    EXPECT_TRUE(Until([&] { return stills.load() == 1; }));
    Find<QPushButton>(dlg.get(), kStartStop)->click();
}

TEST_F(TimeLapseDialog, ProgressCountsDownThenCountsPictures) {
    clock.advance = false;
    auto dlg = Make();
    QStringList said;
    QObject::connect(dlg.get(), &CaptureTimerDialog::progress,
                     [&](const QString& text) { said << text; });
    Set(*dlg, kPictureCount, "3");
    Find<QPushButton>(dlg.get(), kStartStop)->click();
    auto* line = Find<QLabel>(dlg.get(), kProgress);
    EXPECT_EQ(line->text(), "First picture in 5 s");
    clock.advance = true; // the series runs through at once
    ASSERT_TRUE(Until([&] { return !dlg->isVisible(); }));
    EXPECT_EQ(line->text(), "3 pictures taken");
    ASSERT_GE(said.size(), 4);
    EXPECT_EQ(said.front(), "First picture in 5 s");
    EXPECT_EQ(said.back(), "3 pictures taken");
    // Each picture is counted once it was asked for, with the wait to the next.
    const QRegularExpression counted(QStringLiteral("^[12] of 3 taken, next in [0-3] s$"));
    EXPECT_EQ(said.filter(counted).size(), 2) << said.join(" | ").toStdString();
}

TEST_F(TimeLapseDialog, StopWhileWaitingTakesNothingAndShowsZero) {
    clock.advance = false; // the start time never comes
    auto dlg = Make();
    Set(*dlg, kStartMinute, "59");
    auto* button = Find<QPushButton>(dlg.get(), kStartStop);
    button->click();
    EXPECT_TRUE(dlg->seriesRunning());
    EXPECT_EQ(button->text(), "Stop");
    button->click();
    EXPECT_EQ(button->text(), "Start");
    EXPECT_EQ(Find<QLabel>(dlg.get(), kCompleted)->text(), "0");
    // Cancel waits for the worker; nothing was asked for.
    Find<QPushButton>(dlg.get(), 2)->click();
    EXPECT_FALSE(dlg->isVisible());
    EXPECT_EQ(stills.load(), 0);
}

} // namespace
} // namespace tvx

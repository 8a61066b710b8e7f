#include "media/time_lapse.h"

#include <QDateTime>
#include <gtest/gtest.h>
#include <mutex>
#include <vector>

namespace tvx {
namespace {

// Time moves only when the worker sleeps, by exactly what it sleeps.
class FakeClock : public TimeLapseClock {
public:
    explicit FakeClock(QDateTime start) : base_(std::move(start)) {}
    LocalStamp Now() override {
        std::lock_guard<std::mutex> g(m_);
        return StampOf(base_.addMSecs(ms_));
    }
    void SleepMs(int ms) override {
        std::function<void(int64_t)> hook;
        {
            std::lock_guard<std::mutex> g(m_);
            ms_ += ms;
            hook = onSleep;
        }
        if (hook) hook(ms_);
    }
    int64_t elapsedMs() {
        std::lock_guard<std::mutex> g(m_);
        return ms_;
    }
    static LocalStamp StampOf(const QDateTime& t) {
        return {t.date().year(), t.date().month(),  t.date().day(),
                t.time().hour(), t.time().minute(), t.time().second()};
    }
    std::function<void(int64_t)> onSleep; // set before the worker starts

private:
    std::mutex m_;
    QDateTime base_;
    int64_t ms_ = 0;
};

const QDateTime kNow(QDate(2024, 5, 17), QTime(10, 20, 30));

struct Series {
    std::mutex m;
    std::vector<int64_t> stillsAt; // fake ms of each request
    std::vector<int> progress;
    int completed = 0;
};

TimeLapseWorker::Callbacks Record(Series& s, FakeClock& clock) {
    return {[&] {
                std::lock_guard<std::mutex> g(s.m);
                s.stillsAt.push_back(clock.elapsedMs());
                return true;
            },
            [&](int i) {
                std::lock_guard<std::mutex> g(s.m);
                s.progress.push_back(i);
            },
            [&] {
                std::lock_guard<std::mutex> g(s.m);
                ++s.completed;
            }};
}

TEST(TimeLapse, StartTimesCompareFromTheYearDown) {
    const LocalStamp now = FakeClock::StampOf(kNow);
    LocalStamp same = now;
    EXPECT_EQ(CompareStamps(same, now), 0);
    LocalStamp earlier = now;
    earlier.second -= 1;
    EXPECT_LT(CompareStamps(earlier, now), 0);
    // A later year wins over every smaller field.
    LocalStamp nextYear{2025, 1, 1, 0, 0, 0};
    EXPECT_GT(CompareStamps(nextYear, now), 0);
    // Hour 24 is accepted by the dialog and lies after 23:59:59 of that day.
    EXPECT_GT(CompareStamps({2024, 5, 17, 24, 0, 0}, {2024, 5, 17, 23, 59, 59}), 0);
}

TEST(TimeLapse, CountOneIntervalThreeTakesOnePictureAndEndsOneIntervalLater) {
    FakeClock clock(kNow);
    Series s;
    TimeLapseWorker worker(clock, Record(s, clock));
    TimeLapseFields f;
    f.intervalSeconds = 3;
    f.count = 1;
    ASSERT_TRUE(worker.Start(FakeClock::StampOf(kNow), f.intervalMs(), f.count));
    worker.Join();
    EXPECT_EQ(s.stillsAt, std::vector<int64_t>{0}); // at once: the start is this second
    EXPECT_EQ(s.progress, std::vector<int>{1});
    EXPECT_EQ(s.completed, 1);
    EXPECT_EQ(clock.elapsedMs(), 3000);
}

TEST(TimeLapse, PicturesComeOneIntervalApartFromTheStartTime) {
    FakeClock clock(kNow);
    Series s;
    TimeLapseWorker worker(clock, Record(s, clock));
    ASSERT_TRUE(worker.Start(FakeClock::StampOf(kNow.addSecs(2)), 3000, 4));
    worker.Join();
    ASSERT_EQ(s.stillsAt.size(), 4u);
    EXPECT_GE(s.stillsAt[0], 2000);
    EXPECT_LT(s.stillsAt[0], 2010); // polled every 5 ms
    for (size_t i = 1; i < s.stillsAt.size(); ++i)
        EXPECT_EQ(s.stillsAt[i] - s.stillsAt[i - 1], 3000);
    EXPECT_EQ(s.progress, (std::vector<int>{1, 2, 3, 4}));
    EXPECT_EQ(s.completed, 1);
}

TEST(TimeLapse, RequestsThatMergeIntoAStandingOneAreCountedAsNotTaken) {
    // While the microscope is away no frame answers a request; the next
    // ones find it still standing.
    FakeClock clock(kNow);
    int asked = 0;
    TimeLapseWorker worker(clock, {[&] { return ++asked < 2 || asked > 4; }, {}, {}});
    ASSERT_TRUE(worker.Start(FakeClock::StampOf(kNow), 3000, 6));
    worker.Join();
    EXPECT_EQ(worker.requested(), 6);
    EXPECT_EQ(worker.missed(), 3);
    // A new series counts afresh.
    asked = 10;
    ASSERT_TRUE(worker.Start(FakeClock::StampOf(kNow), 3000, 2));
    worker.Join();
    EXPECT_EQ(worker.requested(), 2);
    EXPECT_EQ(worker.missed(), 0);
}

TEST(TimeLapse, StopWhileWaitingForTheStartTakesNothing) {
    FakeClock clock(kNow);
    Series s;
    TimeLapseWorker* target = nullptr;
    clock.onSleep = [&](int64_t ms) {
        if (ms >= 60000 && target) target->Stop(); // a minute into an hour's wait
    };
    TimeLapseWorker worker(clock, Record(s, clock));
    target = &worker;
    ASSERT_TRUE(worker.Start(FakeClock::StampOf(kNow.addSecs(3600)), 3000, 5));
    worker.Join();
    EXPECT_TRUE(s.stillsAt.empty());
    EXPECT_TRUE(s.progress.empty());
    EXPECT_EQ(s.completed, 0);
    EXPECT_LT(clock.elapsedMs(), 61000);
}

TEST(TimeLapse, StopBetweenPicturesEndsTheSeriesWithinAStep) {
    FakeClock clock(kNow);
    Series s;
    TimeLapseWorker* target = nullptr;
    clock.onSleep = [&](int64_t ms) {
        if (ms >= 4500 && target) target->Stop();
    };
    TimeLapseWorker worker(clock, Record(s, clock));
    target = &worker;
    ASSERT_TRUE(worker.Start(FakeClock::StampOf(kNow), 3000, 10));
    worker.Join();
    EXPECT_EQ(s.stillsAt.size(), 2u);
    EXPECT_EQ(s.completed, 0);
    EXPECT_EQ(clock.elapsedMs(), 4500);
    // A new series may start once the old one ended.
    clock.onSleep = nullptr;
    EXPECT_TRUE(worker.Start(FakeClock::StampOf(kNow), 3000, 1));
    worker.Join();
    EXPECT_EQ(s.completed, 1);
}

TEST(TimeLapse, LongestIntervalDoesNotOverflow) {
    TimeLapseFields f;
    f.intervalMinutes = 999;
    f.intervalSeconds = 60;
    EXPECT_EQ(f.intervalMs(), 999LL * 60000 + 60000);
}

TEST(TimeLapse, SizeEstimateShowsHundredthsOfAMegabyte) {
    // 8 × 640 × 480 × 3 bytes = 7.03 MB; the hundredths keep their zero.
    EXPECT_EQ(SizeEstimateText(8, 640, 480), "7.03");
    EXPECT_EQ(SizeEstimateText(200, 720, 576), "237.30");
    EXPECT_EQ(SizeEstimateText(1, 0, 0), "0.00");
}

TEST(TimeLapse, CalendarSecondsCarryOverDaysMonthsAndTheTypedHour24) {
    EXPECT_EQ(SecondsBetween({2024, 5, 17, 10, 20, 30}, {2024, 5, 17, 10, 21, 5}), 35);
    EXPECT_EQ(SecondsBetween({2024, 5, 17, 10, 21, 5}, {2024, 5, 17, 10, 20, 30}), -35);
    EXPECT_EQ(SecondsBetween({2024, 2, 28, 23, 59, 58}, {2024, 3, 1, 0, 0, 1}), 86400 + 3);
    // Hour 24 of one day is midnight of the next.
    EXPECT_EQ(SecondsBetween({2024, 5, 17, 24, 0, 0}, {2024, 5, 18, 0, 0, 0}), 0);
    const LocalStamp after = StampAfter({2024, 12, 31, 23, 59, 58}, 5);
    EXPECT_EQ(CompareStamps(after, {2025, 1, 1, 0, 0, 3}), 0);
}

TEST(TimeLapse, ProgressTextCountsDownThenCountsPictures) {
    EXPECT_EQ(TimeLapseProgressText(0, 5, 4), "First picture in 4 s");
    EXPECT_EQ(TimeLapseProgressText(3, 5, 2), "3 of 5 taken, next in 2 s");
    EXPECT_EQ(TimeLapseProgressText(3, 5, -1), "3 of 5 taken, next in 0 s");
    EXPECT_EQ(TimeLapseProgressText(5, 5, 3), "5 pictures taken");
    EXPECT_EQ(TimeLapseProgressText(1, 1, 3), "1 picture taken");
}

} // namespace
} // namespace tvx

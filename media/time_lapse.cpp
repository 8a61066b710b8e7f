#include "media/time_lapse.h"

#include "platform/language.h"

#include <QDateTime>
#include <algorithm>
#include <chrono>

namespace tvx {

int CompareStamps(const LocalStamp& a, const LocalStamp& b) {
    const int av[] = {a.year, a.month, a.day, a.hour, a.minute, a.second};
    const int bv[] = {b.year, b.month, b.day, b.hour, b.minute, b.second};
    for (int i = 0; i < 6; ++i)
        if (av[i] != bv[i]) return av[i] < bv[i] ? -1 : 1;
    return 0;
}

namespace {

int64_t StampSeconds(const LocalStamp& t) {
    const QDate first(t.year, t.month, 1);
    if (!first.isValid()) return 0;
    return (first.toJulianDay() + t.day - 1) * 86400 + int64_t(t.hour) * 3600 +
           int64_t(t.minute) * 60 + t.second;
}

} // namespace

int64_t SecondsBetween(const LocalStamp& from, const LocalStamp& to) {
    return StampSeconds(to) - StampSeconds(from);
}

LocalStamp StampAfter(const LocalStamp& stamp, int seconds) {
    // Counted in UTC: a clock change of the local zone moves no field.
    const QDateTime at =
        QDateTime(QDate(stamp.year, stamp.month, stamp.day), QTime(0, 0), Qt::UTC)
            .addSecs(int64_t(stamp.hour) * 3600 + stamp.minute * 60 + stamp.second + seconds);
    if (!at.isValid()) return stamp;
    return {at.date().year(), at.date().month(),  at.date().day(),
            at.time().hour(), at.time().minute(), at.time().second()};
}

QString TimeLapseProgressText(int done, int count, int64_t secondsToNext) {
    const QString next = QString::number(std::max<int64_t>(secondsToNext, 0));
    if (done <= 0) return Text("TimeLapseFirstIn", "First picture in %1 s").arg(next);
    if (done < count)
        return Text("TimeLapseProgress", "%1 of %2 taken, next in %3 s")
            .arg(done)
            .arg(count)
            .arg(next);
    if (count == 1) return Text("TimeLapseDoneOne", "1 picture taken");
    return Text("TimeLapseDone", "%1 pictures taken").arg(count);
}

const FieldRange kTimeLapseRanges[kTimeLapseFieldCount] = {
    {&TimeLapseFields::year, 2008, 2032},
    {&TimeLapseFields::month, 1, 12},
    {&TimeLapseFields::day, 1, 31},
    {&TimeLapseFields::hour, 0, 24},
    {&TimeLapseFields::minute, 0, 60},
    {&TimeLapseFields::second, 0, 60},
    {&TimeLapseFields::intervalMinutes, 0, 999},
    {&TimeLapseFields::intervalSeconds, 3, 60},
    {&TimeLapseFields::count, 1, 200},
};

QString SizeEstimateText(int count, int width, int height) {
    const int64_t frameBytes = int64_t(width) * height * 3;
    const int64_t hundredths = int64_t(count) * frameBytes * 100 / 1048576;
    return QString::asprintf("%d.%02d", int(hundredths / 100), int(hundredths % 100));
}

namespace {

class SystemClock : public TimeLapseClock {
public:
    LocalStamp Now() override {
        const QDateTime t = QDateTime::currentDateTime();
        const QDate d = t.date();
        const QTime c = t.time();
        return {d.year(), d.month(), d.day(), c.hour(), c.minute(), c.second()};
    }
    void SleepMs(int ms) override { std::this_thread::sleep_for(std::chrono::milliseconds(ms)); }
};

} // namespace

TimeLapseClock& systemTimeLapseClock() {
    static SystemClock clock;
    return clock;
}

TimeLapseWorker::TimeLapseWorker(TimeLapseClock& clock, Callbacks callbacks)
    : clock_(clock), callbacks_(std::move(callbacks)) {}

TimeLapseWorker::~TimeLapseWorker() {
    Stop();
    Join();
}

bool TimeLapseWorker::Start(const LocalStamp& start, int64_t intervalMs, int count) {
    std::lock_guard<std::mutex> guard(threadLock_);
    if (thread_.joinable()) {
        if (running_.load()) return false;
        thread_.join(); // the previous series has ended or is leaving its wait
    }
    running_.store(true);
    requested_.store(0);
    missed_.store(0);
    thread_ = std::thread([this, start, intervalMs, count] { Run(start, intervalMs, count); });
    return true;
}

void TimeLapseWorker::Join() {
    std::lock_guard<std::mutex> guard(threadLock_);
    if (thread_.joinable()) thread_.join();
}

void TimeLapseWorker::Run(const LocalStamp& start, int64_t intervalMs, int count) {
    while (running_.load() && CompareStamps(clock_.Now(), start) < 0)
        clock_.SleepMs(5);
    for (int i = 1; i <= count; ++i) {
        if (!running_.load()) break;
        if (callbacks_.requestStill && !callbacks_.requestStill()) missed_.fetch_add(1);
        requested_.fetch_add(1);
        if (callbacks_.progress) callbacks_.progress(i);
        for (int64_t step = 0; step < intervalMs / 10 && running_.load(); ++step)
            clock_.SleepMs(10);
    }
    if (running_.exchange(false) && callbacks_.completed) callbacks_.completed();
}

} // namespace tvx

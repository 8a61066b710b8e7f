#pragma once

#include <QString>
#include <atomic>
#include <cstdint>
#include <functional>
#include <mutex>
#include <thread>

namespace tvx {

// A local time to the second, compared field by field from the year down,
// as the user types it (an hour of 24 or a minute of 60 is allowed and
// simply compares later than 23 or 59).
struct LocalStamp {
    int year = 0, month = 0, day = 0, hour = 0, minute = 0, second = 0;
};
// <0, 0, >0 as a is earlier, equal, later than b.
int CompareStamps(const LocalStamp& a, const LocalStamp& b);

// Seconds from `from` to `to` (negative when `to` is earlier), counting the
// fields as a calendar time, so an hour of 24 or a minute of 60 carries over
// into the next day or hour. A date that is no date counts as 0.
int64_t SecondsBetween(const LocalStamp& from, const LocalStamp& to);
// The calendar time `seconds` after `stamp`.
LocalStamp StampAfter(const LocalStamp& stamp, int seconds);

// What a series has come to, for the dialog and the status strip, from the
// language file: "First picture in 4 s" before the first picture, "3 of 5
// taken, next in 2 s" during the series and "5 pictures taken" once every
// picture was asked for. `secondsToNext` below 0 reads as 0.
QString TimeLapseProgressText(int done, int count, int64_t secondsToNext);

// The fields of the time-lapse dialog.
struct TimeLapseFields {
    int year = 0, month = 0, day = 0, hour = 0, minute = 0, second = 0;
    int intervalMinutes = 0;
    int intervalSeconds = 3;
    int count = 8;

    LocalStamp start() const { return {year, month, day, hour, minute, second}; }
    int64_t intervalMs() const {
        return int64_t(intervalSeconds) * 1000 + int64_t(intervalMinutes) * 60000;
    }
};

// The ranges the fields are validated against, in the dialog's order.
struct FieldRange {
    int TimeLapseFields::*field;
    int low;
    int high;
};
inline constexpr int kTimeLapseFieldCount = 9;
extern const FieldRange kTimeLapseRanges[kTimeLapseFieldCount];

// Megabytes of count pictures of width x height at 3 bytes a pixel, with
// two decimals: "7.03", truncated rather than rounded.
QString SizeEstimateText(int count, int width, int height);

// Where the worker gets the local time and how it waits. Tests use a clock
// whose time moves only when the worker sleeps, so no test waits.
class TimeLapseClock {
public:
    virtual ~TimeLapseClock() = default;
    virtual LocalStamp Now() = 0;
    virtual void SleepMs(int ms) = 0;
};
// The real local time and real sleeps.
TimeLapseClock& systemTimeLapseClock();

// One series of pictures: waits for the start time, then requests one still
// per interval. Requests go through `requestStill` (the window's still
// flags); progress and the end are reported on the worker thread.
class TimeLapseWorker {
public:
    struct Callbacks {
        // Asks for one picture; false when an earlier request still stood
        // unanswered (no frame came since), so the two give one picture.
        std::function<bool()> requestStill;
        std::function<void(int done)> progress; // after each request, 1..count
        std::function<void()> completed;        // every picture requested, not stopped
    };

    TimeLapseWorker(TimeLapseClock& clock, Callbacks callbacks);
    ~TimeLapseWorker(); // stops and waits

    // Starts a series on its own thread. Answers false when one still runs.
    bool Start(const LocalStamp& start, int64_t intervalMs, int count);
    // Clears the running flag; the worker leaves its wait within one step.
    void Stop() { running_.store(false); }
    // Waits until the worker has ended.
    void Join();
    bool running() const { return running_.load(); }
    // Of the last series: pictures asked for, and of those the ones that
    // merged into an earlier request and so were never taken.
    int requested() const { return requested_.load(); }
    int missed() const { return missed_.load(); }
    // The worker body, for a caller that runs it on its own thread.
    void Run(const LocalStamp& start, int64_t intervalMs, int count);

private:
    TimeLapseClock& clock_;
    Callbacks callbacks_;
    std::atomic<bool> running_{false}; // written by the dialog's thread, read by the worker
    std::atomic<int> requested_{0};    // written by the worker
    std::atomic<int> missed_{0};       // written by the worker
    std::mutex threadLock_;            // guards thread_ (dialog's thread only in practice)
    std::thread thread_;
};

} // namespace tvx

#pragma once

#include "media/avi_writer.h"

#include <QString>
#include <atomic>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>

namespace tvx {

// What one recording is started with.
struct RecordingOptions {
    int frameRate = 10; // as typed; see EffectiveFrameRate for what is written
    CompressorChoice compressor;
};

// No time limit: the value the seconds counter never reaches.
inline constexpr int kNoTimeLimit = 0x7FFFFFFF;

// The seconds counter of a recording, advanced by the window's one-second
// timer. What a tick asks of the window:
enum class SecondTick {
    ShowSeconds, // draw the counter
    StopAtLimit, // the limit is reached: stop the recording (the Preview
                 // command), tick once more after 500 ms, draw the counter
    LimitPassed, // the tick after the stop: stop the timer, play the stop sound
};

class RecordingSeconds {
public:
    // limit in seconds, kNoTimeLimit for none.
    void Reset(int limit) {
        limit_ = limit;
        elapsed_ = 0;
    }
    SecondTick Tick() {
        if (elapsed_ < kNoTimeLimit) ++elapsed_;
        if (elapsed_ > limit_) return SecondTick::LimitPassed;
        if (elapsed_ == limit_) return SecondTick::StopAtLimit;
        return SecondTick::ShowSeconds;
    }
    int elapsed() const { return elapsed_; }
    int limit() const { return limit_; }

private:
    int limit_ = kNoTimeLimit;
    int elapsed_ = 0;
};

// The recording itself, without any window: opens the file, takes the
// frames of the streaming thread, closes and hands the file on.
class VideoRecorder {
public:
    // Makes the empty file of the next recording under a name nobody else
    // has (the window reserves it exclusively) and answers its path; empty
    // when none could be made. Called once per start.
    using PathSource = std::function<QString()>;
    // Gets every finished file (the file list adds it). UI thread.
    using FinishedHandler = std::function<void(const QString& path)>;
    // Called once, on the streaming thread, when the file refused a frame
    // (disk full, device gone): the owner should Stop() on its own thread
    // and show the error. Writing has already ceased.
    using FailureHandler = std::function<void(const AviError& error)>;

    VideoRecorder() = default;
    ~VideoRecorder(); // closes an open recording
    VideoRecorder(const VideoRecorder&) = delete;
    VideoRecorder& operator=(const VideoRecorder&) = delete;

    void SetFinishedHandler(FinishedHandler h) { finished_ = std::move(h); }
    void SetFailureHandler(FailureHandler h) { failure_ = std::move(h); }

    // UI thread. Closes any open recording, then opens a new file of
    // width x height. On failure nothing records and `error` says why.
    bool Start(const PathSource& nextPath, int width, int height, const RecordingOptions& options,
               AviError* error);

    // Streaming thread: one frame, one sample, under the recording lock.
    // Frames of another size than the recording's are skipped.
    void WriteFrame(const uint8_t* bottomUpBgr, int width, int height, int stride);

    // UI thread. Writes the index and closes the file, then hands it to the
    // finished handler. Nothing when no recording is open. False when the
    // tail could not be written, with the reason in `error`.
    bool Stop(AviError* error = nullptr);

    bool IsRecording() const { return recording_.load(); }
    // Path of the current (or last) recording. UI thread.
    QString path() const { return path_; }
    // Samples written into the current recording so far.
    int64_t framesWritten() const { return frames_.load(); }
    int frameRate() const { return rate_; }

private:
    std::mutex lock_;                   // the recording lock: guards writer_
    std::unique_ptr<AviWriter> writer_; // guarded by lock_
    std::atomic<bool> recording_{
        false}; // written by the UI thread (and cleared on failure by the streaming thread)
    std::atomic<int64_t> frames_{0}; // written by the streaming thread
    QString path_;                   // UI thread only
    int rate_ = 0;                   // UI thread only
    FinishedHandler finished_;
    FailureHandler failure_;
};

} // namespace tvx

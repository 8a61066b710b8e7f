#pragma once

#include "media/avi_writer.h"

#include <QString>
#include <atomic>
#include <condition_variable>
#include <cstddef>
#include <deque>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <thread>
#include <vector>

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

// Where a recording's file goes: an empty file made for it under a free
// name, or why none could be made.
struct RecordingTarget {
    QString path;   // set when the file was made
    QString reason; // the system's words when it was not
    int error = 0;  // errno of that failure, 0 when none is known
};

// What became of the frames of the current (or last) recording.
struct RecordingCounts {
    int64_t delivered = 0; // frames handed in while recording
    int64_t pictures = 0;  // frames coded into the files
    // Frames that came while the queue was full: not coded, but their time
    // is kept (the picture before them stays on screen for them).
    int64_t held = 0;
    int files = 0; // files the recording went into
};

// The recording itself, without any window: opens the file, takes the
// frames of the streaming thread into a bounded queue, and codes them on a
// writer thread of its own, so the streaming thread never waits for the
// encoder. Every frame handed in becomes one sample of the file, coded or
// held. A frame of another size than the file's closes it and goes on in a
// new file of that size.
class VideoRecorder {
public:
    // Makes the empty file of the next recording under a name nobody else
    // has and answers its path, or why it could not. Called on the UI
    // thread at the start, and on the writer thread when the picture's size
    // changes.
    using PathSource = std::function<RecordingTarget()>;
    // Gets every finished file that holds a picture (the file list adds
    // it): on the UI thread from Stop, on the writer thread when a change of
    // size closed it. A file without any picture is removed instead.
    using FinishedHandler = std::function<void(const QString& path)>;
    // The picture's size changed: `closed` is finished and the recording
    // goes on in `next`, at width x height. Writer thread.
    using ContinuedHandler =
        std::function<void(const QString& closed, const QString& next, int width, int height)>;
    // Called once, on the writer thread, when the file refused a frame
    // (disk full, device gone) or the next file could not be made: the
    // owner should Stop() on its own thread and show the error. Frames are
    // no longer taken.
    using FailureHandler = std::function<void(const AviError& error)>;

    VideoRecorder() = default;
    ~VideoRecorder(); // closes an open recording
    VideoRecorder(const VideoRecorder&) = delete;
    VideoRecorder& operator=(const VideoRecorder&) = delete;

    void SetFinishedHandler(FinishedHandler h) { finished_ = std::move(h); }
    void SetContinuedHandler(ContinuedHandler h) { continued_ = std::move(h); }
    void SetFailureHandler(FailureHandler h) { failure_ = std::move(h); }
    // Frames the queue holds before further ones are held instead; 0 (the
    // default) sizes it for a few seconds of frames. Takes effect at Start.
    void SetQueueFrames(int frames) { queueFrames_ = frames; }

    // UI thread. Closes any open recording, then opens a new file of
    // width x height. On failure nothing records and `error` says why.
    bool Start(PathSource nextPath, int width, int height, const RecordingOptions& options,
               AviError* error);

    // Streaming thread: queues a copy of the frame for the writer, or,
    // when the queue is full, keeps its time for the picture before it.
    // Never waits for the encoder.
    void WriteFrame(const uint8_t* bottomUpBgr, int width, int height, int stride);

    // UI thread. Codes what is queued, keeps the time of the last held
    // frames, writes the index and closes the file, then hands it to the
    // finished handler. Nothing when no recording is open. False when the
    // tail could not be written, with the reason in `error`.
    bool Stop(AviError* error = nullptr);

    // Tests: while paused the writer leaves the queue alone, as an encoder
    // that has fallen behind would. Stop ends a pause.
    void PauseWriting(bool paused);

    bool IsRecording() const { return recording_.load(); }
    // Path of the current (or last) file. Any thread.
    QString path() const;
    int frameRate() const;
    // Pictures coded into the current recording so far.
    int64_t framesWritten() const { return pictures_.load(); }
    RecordingCounts counts() const;
    // How many frames of `frameBytes` the queue holds by default.
    static int DefaultQueueFrames(std::size_t frameBytes);

private:
    struct Queued {
        int64_t sample = 0; // index among the frames handed in
        int width = 0, height = 0;
        std::vector<uint8_t> pixels; // bottom-up, width * 3 bytes a row
    };

    void WriterLoop();
    void Code(const Queued& frame);
    bool NextFile(const Queued& frame);
    void Fail(const AviError& error);
    // Closes the writer's file, keeping the time up to sample `end` (the
    // file's own count), and hands it on; false with the reason when the
    // tail could not be written.
    bool Finish(std::unique_ptr<AviWriter> writer, int64_t end, AviError* error);
    void SetPath(const QString& path, int rate);

    // The queue between the streaming thread and the writer. queueLock_
    // guards everything down to paused_.
    mutable std::mutex queueLock_;
    std::condition_variable queueReady_;
    std::deque<Queued> queue_;
    std::vector<std::vector<uint8_t>> spare_; // pixel buffers to reuse
    int capacity_ = 0;
    int64_t delivered_ = 0;
    int64_t held_ = 0;
    bool stopping_ = false;
    bool paused_ = false;

    // Set and read by the UI thread while no writer thread runs, and by the
    // writer thread while it does (the thread's start and join order them).
    std::unique_ptr<AviWriter> writer_;
    PathSource nextPath_;
    RecordingOptions options_;
    int64_t base_ = 0; // the sample at which the current file began
    bool failed_ = false;
    std::thread thread_; // UI thread only

    std::atomic<bool> recording_{false}; // written by the UI and writer threads
    std::atomic<int64_t> pictures_{0};   // written by the writer thread
    std::atomic<int> files_{0};          // written by the UI and writer threads

    mutable std::mutex pathLock_; // guards path_ and rate_
    QString path_;
    int rate_ = 0;

    int queueFrames_ = 0; // UI thread
    FinishedHandler finished_;
    ContinuedHandler continued_;
    FailureHandler failure_;
};

} // namespace tvx

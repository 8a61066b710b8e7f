#include "media/video_recorder.h"

#include <QFile>
#include <QFileInfo>
#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <cstring>

namespace tvx {

namespace {

// A few seconds of frames at the receiver's rates, whatever their size.
constexpr std::size_t kQueueBytes = std::size_t(64) << 20;
constexpr int kMinQueueFrames = 8;
constexpr int kMaxQueueFrames = 120;
// swscale's vector code reads a little past the end of a row; the first row
// it reads of a bottom-up frame is the last in memory.
constexpr std::size_t kTailPadding = 64;

// A refused start or a file without a picture leaves nothing behind: the
// reservation goes while it is still the file made for us.
void RemoveIfEmptyReservation(const QString& path) {
    const QFileInfo reserved(path);
    if (reserved.isFile() && !reserved.isSymLink() && reserved.size() == 0) QFile::remove(path);
}

AviError NoFile(const RecordingTarget& target) {
    const int code = ErrnoCode(target.error ? target.error : ENOENT);
    const std::string reason = target.reason.isEmpty() ? std::string("no free recording name")
                                                       : target.reason.toStdString();
    return AviError{AviStep::OpenFile, code, reason};
}

} // namespace

int VideoRecorder::DefaultQueueFrames(std::size_t frameBytes) {
    if (frameBytes == 0) return kMaxQueueFrames;
    return int(std::clamp<std::size_t>(kQueueBytes / frameBytes, kMinQueueFrames, kMaxQueueFrames));
}

VideoRecorder::~VideoRecorder() {
    Stop();
}

bool VideoRecorder::Start(PathSource nextPath, int width, int height,
                          const RecordingOptions& options, AviError* error) {
    Stop();
    const int rate = EffectiveFrameRate(options.frameRate, width);
    // The path source hands over a file it made under a free name; the name
    // is taken there and only there.
    const RecordingTarget target = nextPath ? nextPath() : RecordingTarget{};
    if (target.path.isEmpty()) {
        if (error) *error = NoFile(target);
        return false;
    }
    AviError err;
    std::unique_ptr<AviWriter> writer =
        AviWriter::Open(target.path, width, height, rate, options.compressor, &err);
    if (!writer) {
        RemoveIfEmptyReservation(target.path);
        if (error) *error = err;
        return false;
    }
    SetPath(writer->path(), rate);
    writer_ = std::move(writer);
    nextPath_ = std::move(nextPath);
    options_ = options;
    base_ = 0;
    failed_ = false;
    pictures_.store(0);
    files_.store(1);
    {
        std::lock_guard<std::mutex> guard(queueLock_);
        capacity_ =
            queueFrames_ > 0 ? queueFrames_ : DefaultQueueFrames(std::size_t(width) * height * 3);
        delivered_ = 0;
        held_ = 0;
        stopping_ = false;
        recording_.store(true);
    }
    thread_ = std::thread([this] { WriterLoop(); });
    return true;
}

void VideoRecorder::WriteFrame(const uint8_t* bottomUpBgr, int width, int height, int stride) {
    if (!recording_.load()) return;
    if (!bottomUpBgr || width <= 0 || height <= 0 || std::abs(stride) < width * 3) return;
    const std::size_t rowBytes = std::size_t(width) * 3;
    std::lock_guard<std::mutex> guard(queueLock_);
    if (!recording_.load()) return;
    const int64_t sample = delivered_++;
    if (int(queue_.size()) >= capacity_) {
        // The encoder is behind: this frame's time is kept rather than
        // waited for, so the stream and the live view go on at their pace.
        ++held_;
        return;
    }
    Queued q;
    q.sample = sample;
    q.width = width;
    q.height = height;
    if (!spare_.empty()) {
        q.pixels = std::move(spare_.back());
        spare_.pop_back();
    }
    q.pixels.resize(rowBytes * std::size_t(height) + kTailPadding);
    // A plain copy of the rows, the only work the streaming thread does here.
    for (int r = 0; r < height; ++r)
        std::memcpy(q.pixels.data() + rowBytes * std::size_t(r),
                    bottomUpBgr + std::ptrdiff_t(stride) * r, rowBytes);
    queue_.push_back(std::move(q));
    queueReady_.notify_one();
}

void VideoRecorder::PauseWriting(bool paused) {
    {
        std::lock_guard<std::mutex> guard(queueLock_);
        paused_ = paused;
    }
    queueReady_.notify_all();
}

void VideoRecorder::WriterLoop() {
    for (;;) {
        Queued frame;
        {
            std::unique_lock<std::mutex> lock(queueLock_);
            queueReady_.wait(lock, [this] { return stopping_ || (!paused_ && !queue_.empty()); });
            if (queue_.empty()) return; // stopping, and everything is coded
            frame = std::move(queue_.front());
            queue_.pop_front();
        }
        Code(frame);
        std::lock_guard<std::mutex> guard(queueLock_);
        spare_.push_back(std::move(frame.pixels));
    }
}

void VideoRecorder::Code(const Queued& frame) {
    if (failed_) return;
    if ((frame.width != writer_->width() || frame.height != writer_->height()) && !NextFile(frame))
        return;
    AviError err;
    if (!writer_->WriteFrameAt(frame.sample - base_, frame.pixels.data(), frame.width * 3, &err)) {
        Fail(err);
        return;
    }
    pictures_.fetch_add(1);
}

bool VideoRecorder::NextFile(const Queued& frame) {
    const QString closed = writer_->path();
    const bool hadPictures = writer_->framesWritten() > 0;
    AviError err;
    // The frames held before this one belong to the file that closes.
    if (!Finish(std::move(writer_), frame.sample - base_ - 1, &err)) {
        Fail(err);
        return false;
    }
    const RecordingTarget target = nextPath_ ? nextPath_() : RecordingTarget{};
    if (target.path.isEmpty()) {
        Fail(NoFile(target));
        return false;
    }
    const int rate = EffectiveFrameRate(options_.frameRate, frame.width);
    writer_ =
        AviWriter::Open(target.path, frame.width, frame.height, rate, options_.compressor, &err);
    if (!writer_) {
        RemoveIfEmptyReservation(target.path);
        Fail(err);
        return false;
    }
    base_ = frame.sample;
    SetPath(writer_->path(), rate);
    // A file that never got a picture was only a name: nothing to tell.
    if (!hadPictures) return true;
    files_.fetch_add(1);
    if (continued_) continued_(closed, writer_->path(), frame.width, frame.height);
    return true;
}

void VideoRecorder::Fail(const AviError& error) {
    failed_ = true;
    // Failed only once: whoever stops first stops the frames.
    if (recording_.exchange(false) && failure_) failure_(error);
}

bool VideoRecorder::Finish(std::unique_ptr<AviWriter> writer, int64_t end, AviError* error) {
    if (!writer) return true;
    AviError err;
    bool ok = failed_ || writer->HoldUntil(end, &err);
    // The index goes in whatever happened before: what was written plays.
    if (!writer->Close(ok ? &err : nullptr)) ok = false;
    if (!ok && error) *error = err;
    const QString path = writer->path();
    const bool empty = writer->framesWritten() == 0;
    writer.reset();
    if (empty) {
        QFile::remove(path);
    } else if (finished_ && QFileInfo::exists(path)) {
        finished_(path);
    }
    return ok;
}

bool VideoRecorder::Stop(AviError* error) {
    int64_t end = 0;
    {
        std::lock_guard<std::mutex> guard(queueLock_);
        recording_.store(false);
        if (!thread_.joinable()) return true;
        stopping_ = true;
        paused_ = false;
        end = delivered_;
    }
    queueReady_.notify_all();
    // What was queued is coded before the file closes: a stop loses nothing
    // that was delivered before it.
    thread_.join();
    AviError err;
    const bool ok = Finish(std::move(writer_), end - base_ - 1, &err);
    if (!ok && error) *error = err;
    std::lock_guard<std::mutex> guard(queueLock_);
    stopping_ = false;
    return ok;
}

RecordingCounts VideoRecorder::counts() const {
    RecordingCounts c;
    {
        std::lock_guard<std::mutex> guard(queueLock_);
        c.delivered = delivered_;
        c.held = held_;
    }
    c.pictures = pictures_.load();
    c.files = files_.load();
    return c;
}

void VideoRecorder::SetPath(const QString& path, int rate) {
    std::lock_guard<std::mutex> guard(pathLock_);
    path_ = path;
    rate_ = rate;
}

QString VideoRecorder::path() const {
    std::lock_guard<std::mutex> guard(pathLock_);
    return path_;
}

int VideoRecorder::frameRate() const {
    std::lock_guard<std::mutex> guard(pathLock_);
    return rate_;
}

} // namespace tvx

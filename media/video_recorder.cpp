#include "media/video_recorder.h"

#include <QFileInfo>
#include <cerrno>

extern "C" {
#include <libavutil/error.h>
}

namespace tvx {

VideoRecorder::~VideoRecorder() {
    Stop();
}

bool VideoRecorder::Start(const PathSource& nextPath, int width, int height,
                          const RecordingOptions& options, AviError* error) {
    Stop();
    AviError err;
    const int rate = EffectiveFrameRate(options.frameRate, width);
    std::unique_ptr<AviWriter> writer;
    // Another program may create the chosen name between the counter scan
    // and the open; the exclusive open then fails and the next scan moves on.
    for (int attempt = 0; attempt < 5 && !writer; ++attempt) {
        const QString path = nextPath ? nextPath() : QString();
        if (path.isEmpty()) {
            err = AviError{AviStep::OpenFile, AVERROR(ENOENT), "no folder for the recording"};
            break;
        }
        writer = AviWriter::Open(path, width, height, rate, options.compressor, &err);
        if (!writer && !(err.step == AviStep::OpenFile && err.code == AVERROR(EEXIST))) break;
    }
    if (!writer) {
        if (error) *error = err;
        return false;
    }
    path_ = writer->path();
    rate_ = rate;
    frames_.store(0);
    {
        std::lock_guard<std::mutex> guard(lock_);
        writer_ = std::move(writer);
    }
    recording_.store(true);
    return true;
}

void VideoRecorder::WriteFrame(const uint8_t* bottomUpBgr, int width, int height, int stride) {
    if (!recording_.load()) return;
    AviError err;
    bool failed = false;
    {
        std::lock_guard<std::mutex> guard(lock_);
        if (!writer_ || width != writer_->width() || height != writer_->height()) return;
        failed = !writer_->WriteFrame(bottomUpBgr, stride, &err);
        frames_.store(writer_->framesWritten());
    }
    if (failed && recording_.exchange(false) && failure_) failure_(err);
}

bool VideoRecorder::Stop(AviError* error) {
    std::unique_ptr<AviWriter> writer;
    {
        std::lock_guard<std::mutex> guard(lock_);
        recording_.store(false);
        writer = std::move(writer_);
    }
    if (!writer) return true;
    // The tail is written after the lock is left: the streaming thread
    // never waits for the disk on a closing file.
    AviError err;
    const bool ok = writer->Close(&err);
    if (!ok && error) *error = err;
    const QString path = writer->path();
    writer.reset();
    if (finished_ && QFileInfo::exists(path)) finished_(path);
    return ok;
}

} // namespace tvx

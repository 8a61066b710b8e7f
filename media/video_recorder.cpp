#include "media/video_recorder.h"

#include <QFile>
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
    // The path source hands over a file it made under a free name; the name
    // is taken there and only there.
    const QString path = nextPath ? nextPath() : QString();
    if (path.isEmpty()) {
        if (error) *error = AviError{AviStep::OpenFile, AVERROR(ENOENT), "no free recording name"};
        return false;
    }
    std::unique_ptr<AviWriter> writer =
        AviWriter::Open(path, width, height, rate, options.compressor, &err);
    if (!writer) {
        // A refused start leaves nothing behind: the reservation goes back
        // while it is still the empty file made for us.
        const QFileInfo reserved(path);
        if (reserved.isFile() && !reserved.isSymLink() && reserved.size() == 0) QFile::remove(path);
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

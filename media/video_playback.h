#pragma once

#include "platform/gst_handle.h"
#include "platform/result.h"

#include <gst/app/gstappsink.h>

#include <QImage>
#include <QObject>
#include <QString>
#include <atomic>
#include <memory>
#include <mutex>

class QSocketNotifier;

namespace tvx {

// "0:03 / 1:12": the position and the duration, whole seconds truncated,
// with hours ("1:02:03") once the duration reaches an hour. Negative or
// unknown times read as 0.
QString PlaybackTimeText(double position, double duration);

// Plays one video file through playbin into an appsink (BGRx): the newest
// frame is kept as an RGB32 picture for the player's video area to paint.
// Positions are seconds. Every operation runs on the UI thread and does
// nothing while no file is open; the bus is read on the UI thread through a
// socket notifier on its poll descriptor, and the end of the file and errors
// it brings are told through signals.
class VideoPlayback : public QObject {
    Q_OBJECT
public:
    explicit VideoPlayback(QObject* parent = nullptr);
    ~VideoPlayback() override;

    // Opens the file paused on its first frame. A file that does not exist,
    // that GStreamer cannot read, that has no video stream or that does not
    // preroll within `prerollTimeoutMs` fails with its reason and leaves
    // nothing open.
    Status Open(const QString& path, int prerollTimeoutMs = 5000);
    void Release();
    bool IsOpen() const { return bool(pipeline_); }
    QString Path() const { return path_; }

    void Play();
    void RunIfNotRunning();
    void PauseIfNotPaused();
    bool IsRunning() const;
    bool IsPaused() const;

    void ToFirst();
    void ToLast();
    // Two seconds on or back, within the file.
    void StepForward();
    void StepBackward();

    double Duration() const;
    double Position() const;
    // A flushing, accurate seek; the new frame follows shortly.
    void Seek(double seconds);
    // Waits up to `timeoutMs` for a state change or seek to finish; false
    // when it is still under way or failed.
    bool WaitSettled(int timeoutMs) const;

    // Why playback stopped on an error, empty when it did not.
    QString LastError() const { return lastError_; }

    // The newest frame (null before the first one) and a number that changes
    // with every new frame.
    QImage CurrentFrame() const;
    uint64_t FrameSerial() const { return frameSerial_.load(); }

signals:
    // A new frame arrived; emitted on the UI thread, at most one pending.
    void frameReady();
    // The end of the file was played (UI thread).
    void finished();
    // Playback stopped on an error, with its reason (UI thread).
    void failed(const QString& reason);

private:
    static GstFlowReturn OnPreroll(GstAppSink* sink, gpointer self);
    static GstFlowReturn OnSample(GstAppSink* sink, gpointer self);
    void TakeSample(GstUnique<GstSample> sample); // streaming thread
    void ReadBus();
    void HandleMessage(GstMessage* msg);
    GstState TargetState() const;

    QString path_;
    GstUnique<GstElement> pipeline_;
    GstUnique<GstBus> bus_;
    std::unique_ptr<QSocketNotifier> busNotifier_;
    QString lastError_;

    // Written on the streaming thread, read on the UI thread.
    mutable std::mutex frameMutex_;
    QImage frame_;
    std::atomic<uint64_t> frameSerial_{0};
    std::atomic<bool> framePending_{false};
};

} // namespace tvx

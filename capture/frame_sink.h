#pragma once

#include "capture/effects.h"
#include "capture/frame_types.h"

#include <QObject>
#include <atomic>
#include <cstdint>
#include <memory>
#include <mutex>
#include <thread>
#include <vector>

namespace tvx {

class LiveSurface;

// The 40-byte picture header of a frame: the one BMP files carry. Rows are
// padded to 4 bytes, so header and pixels always make a valid picture.
using PictureHeader = BitmapInfoHeader;

// Where frames go while a recording runs. Called on the streaming thread.
class FrameRecorder {
public:
    virtual ~FrameRecorder() = default;
    virtual void WriteFrame(const FrameView& frame) = 0;
};

// A copy of the still buffer, taken by the UI thread.
struct StillPicture {
    PictureHeader header;
    std::vector<uint8_t> pixels; // bottom-up rows of `stride` bytes
    int width = 0;
    int height = 0;
    int stride = 0;
    double sampleTime = 0;

    bool empty() const { return pixels.empty(); }
    // A view on the copied pixels (valid while this object lives).
    FrameView view() {
        return FrameView{pixels.empty() ? nullptr : pixels.data(), width, height, stride};
    }
};

// Holds a pointer that the UI thread may change while the streaming thread
// uses it. Set() returns only when no call through the old pointer is still
// running, so the caller may destroy the old object right afterwards.
template <class T> class AttachedPtr {
public:
    void Set(T* p) {
        ptr_.store(p);
        while (busy_.load() != 0)
            std::this_thread::yield();
    }
    T* get() const { return ptr_.load(); }

    // Streaming thread: calls fn(T&) when a target is attached.
    template <class Fn> void Use(Fn&& fn) {
        busy_.fetch_add(1);
        if (T* p = ptr_.load()) fn(*p);
        busy_.fetch_sub(1);
    }

private:
    std::atomic<T*> ptr_{nullptr};
    std::atomic<int> busy_{0}; // calls in flight; written by the streaming thread
};

// What every frame from the capture engine passes through: the effects, the
// picture header, the still buffer, the recorder and the live view, in that
// order.
class FrameSink : public FrameReceiver {
public:
    explicit FrameSink(EffectState& effects = effectState(), StillFlags& flags = stillFlags());
    ~FrameSink() override;

    // UI thread. Each may be changed while frames flow; after the call the
    // old target is no longer used.
    void SetNotifyTarget(QObject* target) { notify_.Set(target); }
    void SetRecorder(FrameRecorder* recorder) { recorder_.Set(recorder); }
    void SetLiveSurface(LiveSurface* surface) { surface_.Set(surface); }

    // Streaming thread.
    void OnFrame(double sampleTime, const FrameView& frame) override;

    // Any thread. The header and size of the last frame.
    PictureHeader header() const;
    int frameWidth() const;
    int frameHeight() const;

    // UI thread. A copy of the still buffer taken under its lock, so a frame
    // arriving meanwhile never tears it; empty when no frame was kept yet.
    StillPicture TakeStill() const;
    // Bytes held by the still buffer (it only grows).
    std::size_t stillCapacity() const;

private:
    void KeepStill(double sampleTime, const FrameView& frame);

    EffectState& effects_;
    StillFlags& flags_;

    EffectScratch scratch_;              // streaming thread only
    std::atomic<uint64_t> frameSize_{0}; // written by the streaming thread: width << 32 | height

    mutable std::mutex stillMutex_;
    std::unique_ptr<uint8_t[]> still_; // guarded by stillMutex_, written by the streaming thread
    std::size_t stillCapacity_ = 0;    // guarded by stillMutex_
    int stillWidth_ = 0, stillHeight_ = 0; // guarded by stillMutex_
    double stillTime_ = 0;                 // guarded by stillMutex_

    AttachedPtr<QObject> notify_;
    AttachedPtr<FrameRecorder> recorder_;
    AttachedPtr<LiveSurface> surface_;
};

} // namespace tvx

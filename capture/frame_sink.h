#pragma once

#include "capture/effects.h"
#include "capture/focus.h"
#include "capture/frame_types.h"
#include "capture/still_ring.h"

#include <QObject>
#include <atomic>
#include <cstdint>
#include <memory>
#include <mutex>
#include <thread>
#include <vector>

namespace tvx {

class LiveSurface;

// Where frames go while a recording runs. Called on the streaming thread.
class FrameRecorder {
public:
    virtual ~FrameRecorder() = default;
    virtual void WriteFrame(const FrameView& frame) = 0;
    // Whether WriteFrame would keep a frame now: a 32-bit frame is turned
    // into 24-bit rows for the recorder only then. Any thread.
    virtual bool TakesFrames() const { return true; }
};

// Sees every frame as it leaves the effects, as a still would show it.
// Called on the streaming thread; it must never wait.
class FrameTap {
public:
    virtual ~FrameTap() = default;
    virtual void TakeFrame(double sampleTime, const FrameView& frame) = 0;
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
// picture header, the focus figure (while the meter or the sharpest still
// wants it), the still buffer, a tap (a focus sweep), the recorder and the
// live view, in that order.
class FrameSink : public QObject, public FrameReceiver {
    Q_OBJECT
public:
    FrameSink(EffectState& effects, StillFlags& flags);
    ~FrameSink() override;

    // UI thread. Each may be changed while frames flow; after the call the
    // old target is no longer used.
    void SetRecorder(FrameRecorder* recorder) { recorder_.Set(recorder); }
    void SetLiveSurface(LiveSurface* surface) { surface_.Set(surface); }
    void SetTap(FrameTap* tap) { tap_.Set(tap); }

    // Streaming thread.
    void OnFrame(double sampleTime, const FrameView& frame) override;
    bool ChangesPixels() const override { return effects_.Load().any(); }

    // Any thread. The header and size of the last frame.
    PictureHeader header() const;
    int frameWidth() const;
    int frameHeight() const;

    // UI thread. A copy of the still buffer taken under its lock, so a frame
    // arriving meanwhile never tears it; empty when no frame was kept yet.
    // With the sharpest still on, the sharpest frame of the second before
    // the request.
    StillPicture TakeStill() const;
    // Bytes held by the still buffer (it only grows while the switch stays).
    std::size_t stillCapacity() const;

    // UI thread. The focus meter: each frame's focus figure and its place
    // on the meter's scale. Off by default; no figure is computed while
    // neither the meter nor the sharpest still asks for it.
    void SetFocusMeter(bool on) { focusMeter_.store(on); }
    bool focusMeter() const { return focusMeter_.load(); }
    // UI thread. A still request takes the sharpest frame of the last second
    // instead of the frame at hand.
    void SetSharpestStill(bool on);
    bool sharpestStill() const { return sharpestStill_.load(); }
    // Any thread. The meter's reading for the last metered frame, and how
    // many frames were metered so far.
    FocusLevel focusLevel() const;
    uint64_t focusReadings() const { return focusReadings_.load(); }

signals:
    // Emitted on the streaming thread by every frame that meets a standing
    // still request (`hardware` when the microscope asked): the still buffer
    // holds the picture now. Connect it queued; the receiver takes the
    // request from the still flags, so the repeats find nothing to do.
    void stillDue(bool hardware);

private:
    void KeepStill(double sampleTime, const FrameView& frame, double focus);
    // A bottom-up copy of a frame the effects may not change in place, in a
    // buffer nobody else holds any more, mirrored or turned on the way as
    // `switches` ask; those two are then switched off in `switches`.
    FrameView WritableCopy(const FrameView& frame, EffectSwitches& switches);
    // A 24-bit copy of a 32-bit frame, in a buffer nobody else holds any more.
    FrameView BgrCopy(const FrameView& frame);
    // One of copies_ sized for a 24-bit frame; its pixels are left as they are.
    FrameView CopyBuffer(int width, int height);
    void Meter(double sampleTime, double figure);

    EffectState& effects_;
    StillFlags& flags_;

    EffectScratch scratch_; // streaming thread only
    // Streaming thread only. The copies a read-only frame is changed in; one
    // may be held by the still buffer while the next frame takes another.
    std::shared_ptr<std::vector<uint8_t>> copies_[3];
    std::atomic<uint64_t> frameSize_{0}; // written by the streaming thread: width << 32 | height

    StillRing still_; // filled by the streaming thread, read by the UI thread; locks itself

    std::atomic<bool> focusMeter_{false};    // written by the UI thread
    std::atomic<bool> sharpestStill_{false}; // written by the UI thread
    // Written by the streaming thread: the last reading, its level and peak
    // packed as two floats so a reader never mixes two frames.
    std::atomic<double> focusFigure_{0};
    std::atomic<uint64_t> focusMarks_{0};
    std::atomic<uint64_t> focusReadings_{0};
    // Streaming thread only.
    FocusScratch focusScratch_;
    FocusMeterScale meterScale_;
    bool requestSeen_ = false; // the standing still request was met by a frame already

    AttachedPtr<FrameRecorder> recorder_;
    AttachedPtr<LiveSurface> surface_;
    AttachedPtr<FrameTap> tap_;
};

} // namespace tvx

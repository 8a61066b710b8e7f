#pragma once

#include "imaging/dib.h"

#include <atomic>
#include <cstddef>
#include <cstdint>
#include <memory>

namespace tvx {

// A frame as the program keeps it: 24-bit pixels in blue, green, red order,
// bottom-up rows (row 0 is the bottom of the picture). `data` is row 0 and
// row r starts at data + r × stride. The stride is negative when the rows
// lie top-down in memory, as a frame straight from GStreamer does: the
// program then reads it in place instead of turning it over first.
//
// A decoded camera frame may come as 32-bit pixels instead (blue, green,
// red and a padding byte: pixelBytes 4), which the live view draws without
// converting. Only the frame sink, the still buffer and the live surface
// take such frames; the sink hands everyone else (effects, focus figure,
// recorder, tap) 24-bit rows.
struct FrameView {
    FrameView() = default;
    FrameView(uint8_t* pixels, int w, int h, int rowStride)
        : data(pixels), width(w), height(h), stride(rowStride) {}

    uint8_t* data = nullptr;
    int width = 0;
    int height = 0;
    int stride = 0;
    int pixelBytes = 3; // 3 or 4, as above
    // The pixels are shared with someone else (another frame, a kept still):
    // whoever wants to change them works on a copy.
    bool readOnly = false;
    // Keeps the pixels alive for whoever holds a copy of it; empty when they
    // live only for the call that hands the frame over.
    std::shared_ptr<const void> owner;

    uint8_t* row(int r) const { return data + std::ptrdiff_t(r) * stride; }
    // Enough bytes in a row for the width, whichever way the rows run.
    bool usable() const {
        return data && width > 0 && height > 0 && (pixelBytes == 3 || pixelBytes == 4) &&
               (stride < 0 ? -int64_t(stride) : stride) >= int64_t(width) * pixelBytes;
    }
};

// Row r of the frame as 24-bit BGR, written to dst (width × 3 bytes).
void CopyRowAsBgr(const FrameView& frame, int r, uint8_t* dst);

// What the capture engine hands each frame to. Called on the streaming
// thread, one frame at a time; it must never touch a widget.
class FrameReceiver {
public:
    virtual ~FrameReceiver() = default;
    // sampleTime in seconds since the stream started.
    virtual void OnFrame(double sampleTime, const FrameView& frame) = 0;
    // Whether the next frames will be changed in place (an effect is on), so
    // the engine asks GStreamer for a writable frame, which costs a copy when
    // the buffer is shared. A frame may still arrive read-only.
    virtual bool ChangesPixels() const { return false; }
};

// Who asked for a still: the keyboard or toolbar (F2, the camera button), or
// the microscope (its snapshot button, its still pin).
enum class StillSource : int { Keyboard = 0, Microscope = 1 };

// The still request shared by the UI thread, the streaming thread, the still
// pin's thread and the time-lapse worker. The request and where it came from
// live in one word, so a reader never sees the request of one writer with the
// source of another, and taking a request clears it in the same step.
class StillFlags {
public:
    struct State {
        bool request = false;  // a still is wanted with the next frame
        bool hardware = false; // the microscope asked for it
    };

    // Any thread. Replaces what was asked before.
    void Request(StillSource source) {
        word_.store(kRequest | (source == StillSource::Microscope ? kHardware : 0u));
    }
    // Any thread. Asks only when no request stands; false when one did.
    bool RequestIfIdle(StillSource source) {
        uint32_t idle = word_.load();
        if (idle & kRequest) return false;
        const uint32_t want = kRequest | (source == StillSource::Microscope ? kHardware : 0u);
        return word_.compare_exchange_strong(idle, want);
    }
    // Any thread. Takes the standing request, if any, and clears it at once:
    // of several takers only one gets it.
    bool Take(StillSource* source = nullptr) {
        const uint32_t was = word_.exchange(0);
        if (!(was & kRequest)) return false;
        if (source) *source = (was & kHardware) ? StillSource::Microscope : StillSource::Keyboard;
        return true;
    }
    void Clear() { word_.store(0); }
    State Load() const {
        const uint32_t w = word_.load();
        return State{(w & kRequest) != 0, (w & kHardware) != 0};
    }
    bool requested() const { return (word_.load() & kRequest) != 0; }

private:
    static constexpr uint32_t kRequest = 0x1;
    static constexpr uint32_t kHardware = 0x2;
    std::atomic<uint32_t> word_{0}; // written by every thread named above
};

} // namespace tvx

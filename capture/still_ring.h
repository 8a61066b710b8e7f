#pragma once

#include "capture/frame_types.h"

#include <cstdint>
#include <memory>
#include <mutex>
#include <vector>

namespace tvx {

// The 40-byte picture header of a frame: the one BMP files carry. Rows are
// padded to 4 bytes, so header and pixels always make a valid picture.
using PictureHeader = BitmapInfoHeader;

// A copy of the still buffer, taken by the UI thread.
struct StillPicture {
    PictureHeader header;
    std::vector<uint8_t> pixels; // bottom-up rows of `stride` bytes
    int width = 0;
    int height = 0;
    int stride = 0;
    double sampleTime = 0;
    double focus = 0; // the focus figure the frame was kept with; 0 when none was computed

    bool empty() const { return pixels.empty(); }
    // A view on the copied pixels (valid while this object lives).
    FrameView view() {
        return FrameView{pixels.empty() ? nullptr : pixels.data(), width, height, stride};
    }
};

// Where the frame sink keeps the frames a still may come from. Normally one
// buffer, overwritten by every frame. With the sharpest-still switch on, a
// ring of the frames of the last moments, each with its focus figure, from
// which a still takes the sharpest of the second before it was asked for.
// Normally the buffer holds the frame itself, not a copy, when the frame
// comes with an owner: the pixels are copied out only when a still is taken.
// In the ring each frame is copied once, into its slot, since holding a
// second of frames would starve whoever hands them out.
class StillRing {
public:
    // A sharpest still looks this far back from the frame that asked for it.
    static constexpr double kWindowSeconds = 1.0;
    // Slots younger than this are not overwritten while older ones or room
    // remain, so the window survives the frames that arrive while the UI
    // thread is on its way to the still.
    static constexpr double kKeepSeconds = 1.6;
    // Whatever the frame rate, the ring stops growing here.
    static constexpr int kMaxSlots = 48;
    static constexpr std::size_t kMaxBytes = std::size_t(64) << 20;

    // UI thread. Switching off frees every slot but the newest.
    void SetSharpest(bool on);
    bool sharpest() const;

    // Streaming thread. Holds the frame when it has an owner and the switch
    // is off; copies it (rows padded to 4 bytes) into a slot otherwise.
    void Keep(double sampleTime, const FrameView& frame, double focus);
    // Streaming thread. A still was asked for with the frame of `sampleTime`.
    void MarkRequest(double sampleTime);

    // UI thread. The newest frame; with the switch on, the sharpest frame
    // of the window that ends at the last request (or at the newest frame
    // when none was marked). Empty when no frame was kept.
    StillPicture Take() const;
    // Bytes held by all slots.
    std::size_t capacity() const;
    int slotCount() const;

private:
    struct Slot {
        std::unique_ptr<uint8_t[]> data;
        std::size_t capacity = 0;
        FrameView held; // a frame held instead of copied; data is unused then
        int width = 0, height = 0;
        double time = 0;
        double focus = 0;
        bool valid = false;
    };
    int ChooseSlot(double sampleTime, std::size_t length);

    mutable std::mutex mutex_;
    // Everything below is guarded by mutex_; slots are filled by the
    // streaming thread, the switch is set by the UI thread.
    std::vector<Slot> slots_;
    int newest_ = -1;
    bool sharpest_ = false;
    bool marked_ = false;
    double markTime_ = 0;
};

} // namespace tvx

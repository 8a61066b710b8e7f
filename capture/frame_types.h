#pragma once

#include "imaging/dib.h"

#include <atomic>
#include <cstdint>

namespace tvx {

// A frame as the program keeps it: 24-bit pixels in blue, green, red order,
// bottom-up rows (row 0 is the bottom of the picture), `stride` bytes a row.
struct FrameView {
    uint8_t* data = nullptr;
    int width = 0;
    int height = 0;
    int stride = 0;
};

// What the capture engine hands each frame to. Called on the streaming
// thread, one frame at a time; it must never touch a widget.
class FrameReceiver {
public:
    virtual ~FrameReceiver() = default;
    // sampleTime in seconds since the stream started.
    virtual void OnFrame(double sampleTime, const FrameView& frame) = 0;
};

// The two still flags shared by the UI thread, the streaming thread and the
// time-lapse worker. request: a still is wanted with the next frame;
// hardware: the microscope's button asked for it.
struct StillFlags {
    std::atomic<int> request{0};
    std::atomic<int> hardware{0};
};
StillFlags& stillFlags();

} // namespace tvx

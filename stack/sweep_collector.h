#pragma once

#include "capture/frame_sink.h"
#include "stack/image.h"
#include "stack/sweep_selector.h"

#include <atomic>
#include <vector>

namespace tvx {

// Keeps the frames of a focus sweep while it runs: hung on the frame sink,
// it sees every frame on the streaming thread, chooses (see SweepSelector)
// and copies only the frames it keeps, and never waits for anyone. The UI
// thread reads how many it holds and whether the sweep is over, and takes
// the frames once the collector is off the sink.
class SweepCollector : public FrameTap {
public:
    // Streaming thread.
    void TakeFrame(double sampleTime, const FrameView& frame) override;

    // Any thread.
    int count() const { return count_.load(); }
    std::size_t bytes() const { return bytes_.load(); }
    bool finished() const { return finished_.load(); }

    // UI thread, once no frame can arrive any more: the kept frames in the
    // order taken, top-down BGR.
    std::vector<Image8> TakeFrames();

private:
    // Streaming thread only until TakeFrames.
    SweepSelector selector_;
    FocusScratch scratch_;
    std::vector<Image8> frames_;
    std::atomic<int> count_{0};         // written by the streaming thread
    std::atomic<std::size_t> bytes_{0}; // written by the streaming thread
    std::atomic<bool> finished_{false}; // written by the streaming thread
};

} // namespace tvx

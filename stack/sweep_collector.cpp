#include "stack/sweep_collector.h"

#include <cstring>

namespace tvx {

namespace {

void CopyTopDown(const FrameView& frame, Image8& out) {
    out.width = frame.width;
    out.height = frame.height;
    out.channels = 3;
    out.pixels.resize(out.rowBytes() * frame.height);
    // Frames are bottom-up: picture row y is frame row h − 1 − y.
    for (int y = 0; y < frame.height; ++y)
        std::memcpy(out.row(y), frame.row(frame.height - 1 - y), out.rowBytes());
}

} // namespace

void SweepCollector::TakeFrame(double sampleTime, const FrameView& frame) {
    if (finished_.load() || !frame.usable()) return;
    // A change of capture size in the middle makes the sweep's frames
    // unalignable: the frames of the new size are left out.
    if (!frames_.empty() && (frame.width != frames_[0].width || frame.height != frames_[0].height))
        return;
    const FocusProfile profile = ProfileOf(ReduceToGrey(frame, scratch_));
    const std::size_t size = std::size_t(frame.width) * frame.height * 3;
    const SweepSelector::Verdict v = selector_.Offer(sampleTime, profile, size);
    switch (v.action) {
    case SweepSelector::Action::Keep:
        if (v.drop >= 0) frames_.erase(frames_.begin() + v.drop);
        frames_.emplace_back();
        CopyTopDown(frame, frames_.back());
        break;
    case SweepSelector::Action::Replace:
        CopyTopDown(frame, frames_.back());
        break;
    case SweepSelector::Action::Skip:
        break;
    }
    count_.store(int(frames_.size()));
    bytes_.store(frames_.size() * size);
    if (selector_.finished()) finished_.store(true);
}

std::vector<Image8> SweepCollector::TakeFrames() {
    std::vector<Image8> out = std::move(frames_);
    frames_.clear();
    count_.store(0);
    bytes_.store(0);
    return out;
}

} // namespace tvx

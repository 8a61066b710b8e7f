#pragma once

#include "capture/frame_types.h"

#include <cstdint>
#include <deque>
#include <utility>
#include <vector>

namespace tvx {

// Buffers the focus figure reuses from frame to frame.
struct FocusScratch {
    std::vector<uint8_t> grey;
};

// The reduced grey copy the focus figure works on: one grey value for every
// 4 × 4 block of the frame, the mean of the block's inner 2 × 2 pixels
// (reading two rows of four keeps the cost far below one pass over the
// frame, while a full block mean would smooth away the very detail that
// tells sharp from soft). Rows are top-down; `width` values a row.
struct ReducedGrey {
    const uint8_t* data = nullptr;
    int width = 0;
    int height = 0;
};
ReducedGrey ReduceToGrey(const FrameView& frame, FocusScratch& scratch);

// How sharp a frame is: the variance of the 4-neighbour Laplacian over the
// reduced grey copy. A sharper picture has stronger fine contrast and a larger
// figure. The figure is a mean per pixel, so frames of one size compare;
// frames of different sizes do not. 0 for frames too small to tell (below
// 12 × 12) or unusable views.
double FocusFigure(const FrameView& frame, FocusScratch& scratch);
// The same on a reduced grey copy made already.
double FocusFigureOfGrey(const ReducedGrey& grey);

// What the focus meter shows: where the bar ends and where its peak-hold
// mark sits, each 0 … 1 on a scale that follows the figures of the last few
// seconds, so the bar swings over its length while the user turns the focus
// whatever the slide's contrast is.
struct FocusLevel {
    double figure = 0; // the frame's own figure
    float level = 0;   // the bar
    float peak = 0;    // the peak-hold mark
};

class FocusMeterScale {
public:
    // The scale spans the figures of this many seconds.
    static constexpr double kRangeSeconds = 4.0;
    // The peak-hold mark keeps the best figure of this many seconds.
    static constexpr double kHoldSeconds = 1.5;

    // One frame's figure at stream time `seconds`. A time before the last
    // one (the stream started again) begins a fresh history.
    FocusLevel Add(double seconds, double figure);
    void Reset() { history_.clear(); }

private:
    std::deque<std::pair<double, double>> history_; // (time, figure), oldest first
};

} // namespace tvx

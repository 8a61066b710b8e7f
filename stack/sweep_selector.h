#pragma once

#include "capture/focus.h"

#include <cstddef>
#include <vector>

namespace tvx {

// The focus figure of each tile of a grid over a frame (see FocusFigure):
// where the frame is sharp, not only how sharp it is overall.
struct FocusProfile {
    static constexpr int kColumns = 8;
    static constexpr int kRows = 6;
    std::vector<double> tiles; // kColumns × kRows, row by row; empty when unknown
    double overall = 0;        // the figure of the whole frame
};
FocusProfile ProfileOf(const ReducedGrey& grey);

// How far two frames lie apart in focus: the largest change of a tile's
// figure, as a ratio (0.2: some tile became 20 % sharper or softer). Tiles
// without detail in either frame are left out: their figures are noise.
double ProfileChange(const FocusProfile& a, const FocusProfile& b);

// Chooses the frames of a focus sweep as they come, and sees when the
// sweep is over. A frame whose local figures differ from the newest kept
// frame's by less than kStepChange is the same focus step: within the
// step's first kStepSeconds it takes the kept frame's place when it is
// sharper (a frame without motion blur), later it is left out, so a pause
// of the hand adds nothing. The kept frames are bounded by kMaxFrames and
// kMaxBytes; when full, the frame that adds least (whose neighbours are
// nearest each other in focus) makes room. The sweep is over when the
// overall figure has risen well above where it was and fallen back, and so
// has every tile's that rose at all.
class SweepSelector {
public:
    static constexpr double kStepChange = 0.15;
    static constexpr double kStepSeconds = 1.0;
    static constexpr int kMaxFrames = 60;
    static constexpr std::size_t kMaxBytes = std::size_t(256) << 20;

    enum class Action { Keep, Replace, Skip };
    struct Verdict {
        Action action = Action::Skip;
        int drop = -1; // Keep: the index of a kept frame to remove first, or -1
    };

    // One frame at stream time `seconds` with its profile, of `bytes`.
    Verdict Offer(double seconds, const FocusProfile& profile, std::size_t bytes);
    int count() const { return int(kept_.size()); }
    // The overall figure has risen and fallen back.
    bool finished() const { return finished_; }

private:
    struct Kept {
        double stepStart; // when its focus step began
        FocusProfile profile;
    };
    // A figure rising well above where it was and falling back.
    struct Passed {
        double lowest = -1, low = -1, peak = -1;
        bool rose = false;
        // One more figure; true when it has risen and is back down.
        bool Add(double figure);
    };
    void Watch(const FocusProfile& profile);

    std::vector<Kept> kept_;
    std::size_t frameBytes_ = 0;
    // The end of the sweep: the last few overall figures, the overall figure
    // and each tile's, and how many frames in a row all were down again.
    std::vector<double> recent_;
    Passed overall_;
    std::vector<Passed> tiles_;
    int lowAgain_ = 0;
    bool finished_ = false;
};

} // namespace tvx

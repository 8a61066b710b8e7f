#include "stack/cv/focus_stack.h"

#include "stack/cv/align.h"
#include "stack/cv/fuse.h"

#include <algorithm>

namespace tvx {

StackOutcome FocusStack(std::vector<Image8> frames, StackProgress* progress) {
    StackOutcome out;
    const int n = int(frames.size());
    if (n < kMinStackFrames) {
        out.status = StackOutcome::Status::TooFewFrames;
        return out;
    }
    // Alignment, warping and the two passes of the fusion, one unit a frame each.
    const int units = 4 * n;
    int done = 0;
    const auto step = [&] {
        ++done;
        if (progress) progress->permille.store(std::min(1000, done * 1000 / units));
        return !(progress && progress->cancel.load());
    };
    const auto cancelled = [&] {
        out.status = StackOutcome::Status::Cancelled;
        return out;
    };

    const int reference = n / 2;
    const std::vector<std::optional<Warp>> warps = AlignSweep(frames, reference, step);
    if (warps.empty()) return cancelled();
    if (!step()) return cancelled(); // the reference frame's share

    std::vector<Image8> aligned;
    aligned.reserve(frames.size());
    for (int i = 0; i < n; ++i) {
        if (const std::optional<Warp>& w = warps[std::size_t(i)]) {
            const bool identity =
                w->a == 1 && w->b == 0 && w->c == 0 && w->d == 1 && w->tx == 0 && w->ty == 0;
            aligned.push_back(identity ? std::move(frames[std::size_t(i)])
                                       : WarpFrame(frames[std::size_t(i)], *w));
        }
        frames[std::size_t(i)] = Image8{};
        if (!step()) return cancelled();
    }
    if (int(aligned.size()) < kMinStackFrames) {
        out.status = StackOutcome::Status::TooFewFrames;
        return out;
    }
    // Frames left out give their share of the fusion at once.
    for (int skipped = n - int(aligned.size()); skipped > 0; --skipped) {
        step();
        step();
    }
    std::optional<Fused> fused = FuseFocus(aligned, step);
    if (!fused) {
        if (progress && progress->cancel.load()) return cancelled();
        return out;
    }
    out.status = StackOutcome::Status::Done;
    out.picture = std::move(fused->picture);
    out.depth = std::move(fused->depth);
    out.framesUsed = int(aligned.size());
    out.warps = warps;
    if (progress) progress->permille.store(1000);
    return out;
}

} // namespace tvx

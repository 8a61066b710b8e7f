#include "stack/sweep_selector.h"

#include <algorithm>
#include <cmath>

namespace tvx {

namespace {

// A tile whose figure stays below this share of the frame's best tile has
// no detail to tell focus by.
constexpr double kDetailShare = 0.05;
// The sweep is over when the figure has risen this much over its low and
// has come back down to within this share of the rise, for a few frames.
constexpr double kRise = 1.5;
constexpr double kFallBack = 0.3;
constexpr int kLowFrames = 3;

} // namespace

FocusProfile ProfileOf(const ReducedGrey& grey) {
    FocusProfile p;
    if (!grey.data || grey.width < 3 * FocusProfile::kColumns ||
        grey.height < 3 * FocusProfile::kRows)
        return p;
    p.overall = FocusFigureOfGrey(grey);
    p.tiles.reserve(FocusProfile::kColumns * FocusProfile::kRows);
    std::vector<uint8_t> tile;
    for (int r = 0; r < FocusProfile::kRows; ++r)
        for (int c = 0; c < FocusProfile::kColumns; ++c) {
            const int x0 = grey.width * c / FocusProfile::kColumns;
            const int x1 = grey.width * (c + 1) / FocusProfile::kColumns;
            const int y0 = grey.height * r / FocusProfile::kRows;
            const int y1 = grey.height * (r + 1) / FocusProfile::kRows;
            // The tile as a grey picture of its own.
            tile.resize(std::size_t(x1 - x0) * (y1 - y0));
            for (int y = y0; y < y1; ++y)
                std::copy_n(grey.data + std::size_t(y) * grey.width + x0, x1 - x0,
                            tile.begin() + std::ptrdiff_t(y - y0) * (x1 - x0));
            p.tiles.push_back(FocusFigureOfGrey(ReducedGrey{tile.data(), x1 - x0, y1 - y0}));
        }
    return p;
}

double ProfileChange(const FocusProfile& a, const FocusProfile& b) {
    if (a.tiles.size() != b.tiles.size() || a.tiles.empty()) return 1.0;
    const double best = std::max(*std::max_element(a.tiles.begin(), a.tiles.end()),
                                 *std::max_element(b.tiles.begin(), b.tiles.end()));
    if (best <= 0) return 0.0;
    double change = 0;
    for (std::size_t i = 0; i < a.tiles.size(); ++i) {
        const double x = a.tiles[i], y = b.tiles[i];
        if (std::max(x, y) < kDetailShare * best) continue;
        change = std::max(change, std::abs(x - y) / std::max(std::min(x, y), 1e-9));
    }
    return change;
}

SweepSelector::Verdict SweepSelector::Offer(double seconds, const FocusProfile& profile,
                                            std::size_t bytes) {
    Verdict v;
    if (finished_ || profile.tiles.empty()) return v;
    Watch(profile);
    if (!kept_.empty()) {
        Kept& newest = kept_.back();
        if (ProfileChange(newest.profile, profile) < kStepChange) {
            if (seconds - newest.stepStart <= kStepSeconds &&
                profile.overall > newest.profile.overall) {
                newest.profile = profile;
                v.action = Action::Replace;
            }
            return v;
        }
    }
    frameBytes_ = bytes;
    const bool full =
        int(kept_.size()) >= kMaxFrames || (kept_.size() + 1) * frameBytes_ > kMaxBytes;
    if (full) {
        if (kept_.size() < 3) return v; // frames too large to keep a sweep of
        // The frame whose neighbours lie nearest each other adds least; the
        // newest kept frame's later neighbour is this one.
        int drop = -1;
        double nearest = 0;
        for (int i = 1; i < int(kept_.size()); ++i) {
            const FocusProfile& next =
                i + 1 < int(kept_.size()) ? kept_[std::size_t(i + 1)].profile : profile;
            const double d = ProfileChange(kept_[std::size_t(i - 1)].profile, next);
            if (drop < 0 || d < nearest) nearest = d, drop = i;
        }
        kept_.erase(kept_.begin() + drop);
        v.drop = drop;
    }
    kept_.push_back(Kept{seconds, profile});
    v.action = Action::Keep;
    return v;
}

bool SweepSelector::Passed::Add(double f) {
    if (peak < 0) lowest = low = peak = f;
    lowest = std::min(lowest, f);
    if (f > peak) {
        peak = f;
        low = lowest; // the lowest before the highest
    }
    rose = peak > low && peak >= kRise * low;
    return rose && f <= low + kFallBack * (peak - low);
}

void SweepSelector::Watch(const FocusProfile& profile) {
    // The median of the last three frames: one frame shaken soft by the
    // hand does not end the sweep.
    recent_.push_back(profile.overall);
    if (recent_.size() > 3) recent_.erase(recent_.begin());
    std::vector<double> sorted = recent_;
    std::sort(sorted.begin(), sorted.end());
    bool over = overall_.Add(sorted[sorted.size() / 2]);
    // Every part of the picture that came into focus has left it again: a
    // feature above the rest is not cut off by the sweep's end below it.
    if (tiles_.size() != profile.tiles.size()) tiles_.assign(profile.tiles.size(), Passed{});
    double best = 0;
    for (const Passed& t : tiles_)
        best = std::max(best, t.peak);
    for (std::size_t i = 0; i < tiles_.size(); ++i) {
        const bool passed = tiles_[i].Add(profile.tiles[i]);
        if (tiles_[i].rose && tiles_[i].peak >= kDetailShare * best && !passed) over = false;
    }
    lowAgain_ = over ? lowAgain_ + 1 : 0;
    if (lowAgain_ >= kLowFrames) finished_ = true;
}

} // namespace tvx

// Choosing the frames of a focus sweep: near-duplicates skipped, a pause
// adding nothing, the ring bounded, and the end of the sweep seen.
#include "stack/sweep_collector.h"
#include "stack/sweep_selector.h"

#include <algorithm>
#include <cmath>
#include <gtest/gtest.h>

namespace tvx {
namespace {

// A profile whose tiles are sharp around column `at` (0 … 7) and soft
// elsewhere: a sweep across a tilted slide.
FocusProfile Band(double at, double peak = 100.0) {
    FocusProfile p;
    for (int r = 0; r < FocusProfile::kRows; ++r)
        for (int c = 0; c < FocusProfile::kColumns; ++c) {
            const double d = (c - at) / 1.5;
            p.tiles.push_back(2.0 + peak / (1.0 + d * d));
        }
    for (double t : p.tiles)
        p.overall += t / p.tiles.size();
    return p;
}

TEST(SweepSelector, KeepsFocusStepsAndSkipsNearDuplicates) {
    SweepSelector s;
    const std::size_t bytes = 1000;
    EXPECT_EQ(s.Offer(0.0, Band(0), bytes).action, SweepSelector::Action::Keep);
    // The same focus again, not sharper: nothing new.
    EXPECT_EQ(s.Offer(0.1, Band(0), bytes).action, SweepSelector::Action::Skip);
    // The same step a little sharper (a frame without motion blur): it takes the place.
    EXPECT_EQ(s.Offer(0.2, Band(0, 104), bytes).action, SweepSelector::Action::Replace);
    // Later in a long pause, even a sharper frame adds nothing.
    EXPECT_EQ(s.Offer(1.5, Band(0, 108), bytes).action, SweepSelector::Action::Skip);
    EXPECT_EQ(s.count(), 1);
    // The focus moves on: a new step.
    EXPECT_EQ(s.Offer(1.6, Band(1), bytes).action, SweepSelector::Action::Keep);
    EXPECT_EQ(s.count(), 2);
}

TEST(SweepSelector, FullRingDropsTheFrameThatAddsLeast) {
    SweepSelector s;
    // Frames too large for more than three in the memory limit.
    const std::size_t bytes = SweepSelector::kMaxBytes / 3;
    s.Offer(0.0, Band(0), bytes);
    s.Offer(0.1, Band(2), bytes);
    s.Offer(0.2, Band(2.3), bytes);
    const SweepSelector::Verdict v = s.Offer(0.3, Band(4), bytes);
    EXPECT_EQ(v.action, SweepSelector::Action::Keep);
    // The frame at 2 lies between 0 and 2.3, the one at 2.3 between 2 and
    // the new 4: these are nearer each other, so 2.3 adds least and goes.
    EXPECT_EQ(v.drop, 2);
    EXPECT_EQ(s.count(), 3);
    // By count as well: never more than kMaxFrames.
    SweepSelector many;
    for (int i = 0; i < SweepSelector::kMaxFrames + 20; ++i)
        many.Offer(i * 0.1, Band(i % 2 ? 0 : 7, 100 + i), 1);
    EXPECT_EQ(many.count(), SweepSelector::kMaxFrames);
}

TEST(SweepSelector, EndsWhenEveryPartHasPassedThroughFocus) {
    SweepSelector s;
    double t = 0;
    // From below the slide (all soft), across it, to above it.
    for (double at = -6; at <= 13; at += 0.5) {
        const double peak = at < 0 ? 100 * std::exp(at) : at > 7 ? 100 * std::exp(7 - at) : 100;
        s.Offer(t += 0.1, Band(std::clamp(at, 0.0, 7.0), peak), 1);
        if (at < 7.5) {
            EXPECT_FALSE(s.finished()) << at; // the right edge is still to come
        }
    }
    EXPECT_TRUE(s.finished());
    // A sweep that only falls (started in focus) never ends by itself.
    SweepSelector falling;
    for (int i = 0; i < 40; ++i)
        falling.Offer(i * 0.1, Band(3, 100 * std::exp(-0.2 * i)), 1);
    EXPECT_FALSE(falling.finished());
}

TEST(SweepCollector, CopiesKeptFramesTopDownAndIgnoresOtherSizes) {
    SweepCollector c;
    // A bottom-up frame whose picture has a bright top row.
    std::vector<uint8_t> pixels(std::size_t(96) * 3 * 72, 10);
    for (int x = 0; x < 96 * 3; ++x)
        pixels[std::size_t(71) * 96 * 3 + x] = 250;
    // Some detail so the frame has a focus figure.
    for (std::size_t i = 0; i < pixels.size(); i += 7)
        pixels[i] = uint8_t(i % 200);
    c.TakeFrame(0.0, FrameView{pixels.data(), 96, 72, 96 * 3});
    std::vector<uint8_t> other(std::size_t(48) * 3 * 36, 0);
    c.TakeFrame(0.1, FrameView{other.data(), 48, 36, 48 * 3});
    EXPECT_EQ(c.count(), 1);
    const std::vector<Image8> frames = c.TakeFrames();
    ASSERT_EQ(frames.size(), 1u);
    EXPECT_EQ(frames[0].width, 96);
    EXPECT_EQ(frames[0].row(0)[4], 250); // the picture's top row comes first
    EXPECT_EQ(c.count(), 0);
}

} // namespace
} // namespace tvx

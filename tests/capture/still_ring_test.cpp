#include "capture/focus.h"
#include "capture/frame_sink.h"
#include "capture/sim_microscope.h"
#include "capture/sim_render.h"

#include <gtest/gtest.h>

#include <vector>

namespace tvx {
namespace {

// A frame filled with one byte, so the frame a still came from can be told.
struct Frame {
    int w, h;
    std::vector<uint8_t> bytes;
    Frame(int width, int height, uint8_t fill)
        : w(width), h(height), bytes(std::size_t(width) * 3 * height, fill) {}
    FrameView view() { return FrameView{bytes.data(), w, h, w * 3}; }
};

TEST(StillRing, SharpestFrameOfTheWindowBeforeTheMark) {
    StillRing ring;
    ring.SetSharpest(true);
    // Ten frames a second with made-up scores; the best of all (frame 3)
    // lies outside the second before the mark at 2.0 s.
    const double score[] = {5, 1, 2, 90, 4, 3, 8, 2, 6, 1, 7, 2, 4, 9, 3, 2, 1, 5, 3, 6, 2};
    std::vector<Frame> frames;
    for (int i = 0; i <= 20; ++i)
        frames.emplace_back(6, 3, uint8_t(i));
    for (int i = 0; i <= 20; ++i)
        ring.Keep(0.1 * i, frames[std::size_t(i)].view(), score[i]);
    ring.MarkRequest(2.0);
    StillPicture s = ring.Take();
    EXPECT_EQ(s.focus, 9.0);
    EXPECT_EQ(s.pixels[0], 13);
    EXPECT_DOUBLE_EQ(s.sampleTime, 1.3);
    EXPECT_EQ(s.stride, 20) << "rows padded as the single buffer pads them";
    EXPECT_EQ(s.pixels[17], 13);
    EXPECT_EQ(s.pixels[18], 0);

    // Later frames do not push a marked window out while room remains.
    for (int i = 21; i < 25; ++i)
        ring.Keep(0.1 * i, frames[0].view(), 1);
    EXPECT_EQ(ring.Take().pixels[0], 13);

    // Without a mark the window ends at the newest frame.
    StillRing unmarked;
    unmarked.SetSharpest(true);
    for (int i = 0; i <= 20; ++i)
        unmarked.Keep(0.1 * i, frames[std::size_t(i)].view(), score[i]);
    EXPECT_EQ(unmarked.Take().focus, 9.0);
}

TEST(StillRing, OffIsOneBufferAndSwitchingOffKeepsTheNewestFrame) {
    StillRing ring;
    Frame a(8, 4, 1), b(8, 4, 2);
    ring.Keep(0.0, a.view(), 50);
    ring.Keep(0.1, b.view(), 1);
    EXPECT_EQ(ring.slotCount(), 1);
    EXPECT_EQ(ring.Take().pixels[0], 2) << "off: the frame at hand, however soft";
    EXPECT_EQ(ring.capacity(), std::size_t(24 * 4));

    ring.SetSharpest(true);
    for (int i = 0; i < 12; ++i)
        ring.Keep(0.2 + 0.1 * i, (i == 4 ? a : b).view(), i == 4 ? 9 : 1);
    EXPECT_GT(ring.slotCount(), 10);
    EXPECT_EQ(ring.Take().pixels[0], 1);
    ring.SetSharpest(false);
    EXPECT_EQ(ring.slotCount(), 1);
    EXPECT_EQ(ring.capacity(), std::size_t(24 * 4));
    EXPECT_EQ(ring.Take().pixels[0], 2);
    EXPECT_DOUBLE_EQ(ring.Take().sampleTime, 1.3);
}

TEST(StillRing, GrowsNoFurtherThanItsBoundsAndForgetsARestartedStream) {
    StillRing ring;
    ring.SetSharpest(true);
    Frame f(16, 16, 3);
    for (int i = 0; i < 400; ++i)
        ring.Keep(0.001 * i, f.view(), i); // a thousand frames a second
    EXPECT_EQ(ring.slotCount(), StillRing::kMaxSlots);
    EXPECT_EQ(ring.Take().focus, 399.0) << "the newest of a full ring is kept";

    // The stream started again: its clock begins at 0, and the frames of
    // the old run are no candidates even with better scores.
    Frame g(16, 16, 4);
    ring.Keep(0.05, g.view(), 1);
    const StillPicture s = ring.Take();
    EXPECT_EQ(s.pixels[0], 4);
    EXPECT_EQ(s.focus, 1.0);
}

TEST(FrameSink, SharpestStillIsTheBestOfTheSecondBeforeTheRequest) {
    EffectState effects;
    StillFlags flags;
    FrameSink sink(effects, flags);
    sink.SetSharpestStill(true);
    const MicrometerPicture pic(320, 240);
    std::vector<uint32_t> scratch;
    FocusScratch focusScratch;
    // 25 frames a second while the focus drifts; the request arrives with
    // the frame at 3.0 s.
    std::vector<double> figures;
    auto frameAt = [&](int i) {
        const double t = i / 25.0;
        std::vector<uint8_t> topDown(320 * 3 * 240);
        pic.CopyView(QPoint(), topDown.data(), 320 * 3);
        SimBlur(topDown.data(), 320, 240, 320 * 3, SimFocusDrift(t + 4.0), scratch);
        sink.OnFrame(t, FrameView{topDown.data(), 320, 240, 320 * 3});
        figures.push_back(FocusFigure(FrameView{topDown.data(), 320, 240, 320 * 3}, focusScratch));
    };
    for (int i = 0; i < 75; ++i)
        frameAt(i);
    flags.Request(StillSource::Keyboard);
    frameAt(75);
    for (int i = 76; i < 80; ++i)
        frameAt(i); // frames while the request waits for the UI thread
    ASSERT_TRUE(flags.Take());
    const StillPicture still = sink.TakeStill();
    ASSERT_FALSE(still.empty());
    double best = 0, bestOutside = 0;
    for (int i = 0; i < int(figures.size()); ++i) {
        const double t = i / 25.0;
        if (t >= 2.0 && t <= 3.0)
            best = std::max(best, figures[std::size_t(i)]);
        else
            bestOutside = std::max(bestOutside, figures[std::size_t(i)]);
    }
    ASSERT_GT(bestOutside, best) << "the test needs a sharper frame outside the window";
    FocusScratch check;
    StillPicture copy = still;
    EXPECT_DOUBLE_EQ(FocusFigure(copy.view(), check), best);
    EXPECT_DOUBLE_EQ(still.focus, best);
    EXPECT_GE(still.sampleTime, 2.0);
    EXPECT_LE(still.sampleTime, 3.0);
}

TEST(SimFocus, ControlLinesSetAFixedBlurOrADrift) {
    SimulatedMicroscope sim;
    EXPECT_TRUE(sim.HandleControlLine("focus 4"));
    EXPECT_TRUE(sim.HandleControlLine(" FOCUS drift \r"));
    EXPECT_TRUE(sim.HandleControlLine("focus 0"));
    EXPECT_FALSE(sim.HandleControlLine("focus"));
    EXPECT_FALSE(sim.HandleControlLine("focus -1"));
    EXPECT_FALSE(sim.HandleControlLine("focus 33"));
    EXPECT_FALSE(sim.HandleControlLine("focus soft"));

    // The drift runs from sharp to the widest blur and back.
    EXPECT_EQ(SimFocusDrift(0.0), 0);
    EXPECT_EQ(SimFocusDrift(kSimFocusPeriod / 2), kSimMaxBlur);
    EXPECT_EQ(SimFocusDrift(kSimFocusPeriod), 0);
    int previous = 0;
    for (double t = 0; t <= kSimFocusPeriod / 2; t += 0.05) {
        EXPECT_GE(SimFocusDrift(t), previous) << t;
        EXPECT_LE(SimFocusDrift(t) - previous, 1) << "slow enough to pass every radius";
        previous = SimFocusDrift(t);
    }
}

} // namespace
} // namespace tvx

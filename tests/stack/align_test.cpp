// Alignment of frames that a hand and a breathing lens moved: known shifts
// and scales, recovered to a fraction of a pixel.
#include "capture/sim_depth.h"
#include "stack/cv/align.h"
#include "stack/stacker.h"

#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <future>
#include <gtest/gtest.h>
#include <thread>

namespace tvx {
namespace {

constexpr int kW = 640, kH = 480;

struct Slide {
    MicrometerPicture picture{kW, kH};
    SimDepthScene scene{picture};

    Image8 Sharp(const SimView& v) {
        Image8 out(kW, kH, 3);
        scene.RenderSharp(v, out.pixels.data(), int(out.rowBytes()));
        return out;
    }
    Image8 At(double focus, const SimView& v) {
        Image8 out(kW, kH, 3);
        scene.Render(focus, v, out.pixels.data(), int(out.rowBytes()));
        return out;
    }
};

// Where a point of the view `ref` lies in the view `v` (see SimView).
Warp Between(const SimView& ref, const SimView& v) {
    return Warp::ScaleAbout(v.scale / ref.scale, (kW - 1) / 2.0, (kH - 1) / 2.0,
                            v.scale * (ref.dx - v.dx), v.scale * (ref.dy - v.dy));
}

TEST(Align, RecoversKnownShiftsAndScales) {
    Slide slide;
    const SimView rest;
    const Image8 reference = slide.Sharp(rest);
    // Whole and fractional shifts, with the lens breathing either way.
    const SimView views[] = {{3.0, -2.0, 1.0},   {-4.37, 1.62, 1.0}, {0.25, 0.5, 1.004},
                             {2.6, -5.1, 0.995}, {-7.8, 6.3, 1.008}, {0.0, 0.0, 0.992}};
    for (const SimView& v : views) {
        const PairAlignment a = AlignPair(reference, slide.Sharp(v));
        ASSERT_TRUE(a.ok) << v.dx << " " << v.dy << " " << v.scale;
        EXPECT_LT(WarpGap(a.warp, Between(rest, v), kW, kH), 0.2)
            << v.dx << " " << v.dy << " " << v.scale;
    }
}

TEST(Align, PicturesThatDoNotMatchAreRefused) {
    Slide slide;
    Image8 flat(kW, kH, 3);
    std::fill(flat.pixels.begin(), flat.pixels.end(), uint8_t(128));
    EXPECT_FALSE(AlignPair(slide.Sharp({}), flat).ok);
    EXPECT_FALSE(AlignPair(slide.Sharp({}), Image8(320, 240, 3)).ok); // another size
}

TEST(Align, SweepChainsNeighboursToTheMiddleFrame) {
    Slide slide;
    // A hand-held sweep's views; each frame is placed through the ones
    // between it and the middle, so the maps must chain the right way round.
    std::vector<Image8> frames;
    std::vector<SimView> views;
    for (int i = 0; i < 7; ++i) {
        views.push_back(SimHandHeld(4.0 + 0.3 * i, -10.0 + 30.0 * i));
        frames.push_back(slide.Sharp(views.back()));
    }
    const std::vector<std::optional<Warp>> warps = AlignSweep(frames, 3);
    ASSERT_EQ(warps.size(), frames.size());
    for (int i = 0; i < 7; ++i) {
        ASSERT_TRUE(warps[std::size_t(i)].has_value()) << i;
        // Three links at most, each within 0.2 px.
        EXPECT_LT(WarpGap(*warps[std::size_t(i)], Between(views[3], views[std::size_t(i)]), kW, kH),
                  i == 3 ? 1e-9 : 0.2 * std::abs(i - 3))
            << i;
    }
}

TEST(Stack, CancelStopsTheWorkAndTooFewFramesAreTold) {
    Slide slide;
    std::vector<Image8> frames{slide.At(20, {}), slide.At(80, {}), slide.At(140, {})};
    StackProgress progress;
    progress.cancel.store(true);
    EXPECT_EQ(StackFrames(frames, &progress).status, StackOutcome::Status::Cancelled);
    EXPECT_EQ(StackFrames({frames[0]}).status, StackOutcome::Status::TooFewFrames);
    {
        // A cancel that comes once the fusion is under way (past alignment
        // and warping, half of the work) stops it too, and leaves no picture.
        std::vector<Image8> sweep;
        for (int i = 0; i < 16; ++i)
            sweep.push_back(slide.At(-10.0 + 12.0 * i, SimHandHeld(2.0 + 0.2 * i, 0)));
        StackProgress late;
        std::future<StackOutcome> work =
            std::async(std::launch::async, [&] { return StackFrames(sweep, &late); });
        const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(60);
        while (late.permille.load() < 550 &&
               work.wait_for(std::chrono::milliseconds(0)) != std::future_status::ready &&
               std::chrono::steady_clock::now() < deadline)
            std::this_thread::yield();
        const int cancelledAt = late.permille.load();
        late.cancel.store(true);
        const StackOutcome out = work.get();
        EXPECT_GE(cancelledAt, 550);
        EXPECT_EQ(out.status, StackOutcome::Status::Cancelled) << "cancelled at " << cancelledAt;
        EXPECT_TRUE(out.picture.empty());
        EXPECT_TRUE(out.depth.empty());
    }
    const StackOutcome done = StackFrames(frames);
    ASSERT_EQ(done.status, StackOutcome::Status::Done);
    EXPECT_EQ(done.framesUsed, 3);
    EXPECT_EQ(done.picture.width, kW);
    EXPECT_EQ(done.depth.channels, 1);
}

// OpenCV comes in a module loaded on the first stack. Without it a stack
// fails with the loader's own words. The outcome of loading is kept for the
// run, so this runs in a process of its own.
TEST(Stack, WithoutTheModuleAStackFailsWithTheLoadersReason) {
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    EXPECT_EXIT(
        {
            ::setenv("TAVOLUX_STACK_MODULE", "/nonexistent/tavolux-opencv.so", 1);
            const StackOutcome out = StackFrames(std::vector<Image8>(3, Image8(8, 8, 3)));
            std::fprintf(stderr, "%s\n", out.reason.c_str());
            std::exit(out.status == StackOutcome::Status::Failed ? 0 : 1);
        },
        ::testing::ExitedWithCode(0),
        "/nonexistent/tavolux-opencv.so: cannot open shared object file: No such file");
}

} // namespace
} // namespace tvx

#include "capture/focus.h"
#include "capture/frame_sink.h"
#include "capture/sim_render.h"

#include <gtest/gtest.h>

#include <vector>

namespace tvx {
namespace {

// A frame of the simulated micrometer, blurred by `radius`, in the sink's
// bottom-up layout.
struct SimFrame {
    int w, h, stride;
    std::vector<uint8_t> bytes;
    SimFrame(const MicrometerPicture& pic, int radius, QPoint drift = QPoint())
        : w(pic.width()), h(pic.height()), stride(w * 3), bytes(std::size_t(stride) * h) {
        std::vector<uint8_t> topDown(bytes.size());
        pic.CopyView(drift, topDown.data(), stride);
        std::vector<uint32_t> scratch;
        SimBlur(topDown.data(), w, h, stride, radius, scratch);
        for (int y = 0; y < h; ++y)
            std::copy_n(topDown.data() + std::size_t(y) * stride, stride,
                        bytes.data() + std::size_t(h - 1 - y) * stride);
    }
    FrameView view() { return FrameView{bytes.data(), w, h, stride}; }
};

TEST(FocusFigure, RisesAsTheSimulatedMicrometerIsBlurredLess) {
    for (const QSize size : {QSize(720, 576), QSize(640, 480), QSize(320, 240)}) {
        const MicrometerPicture pic(size.width(), size.height());
        FocusScratch scratch;
        double previous = -1;
        for (int radius = kSimMaxBlur; radius >= 0; --radius) {
            SimFrame frame(pic, radius);
            const double figure = FocusFigure(frame.view(), scratch);
            EXPECT_GT(figure, previous)
                << size.width() << "x" << size.height() << " radius " << radius;
            previous = figure;
        }
    }
}

TEST(FocusFigure, TellsFocusRatherThanPlaceOrPadding) {
    const MicrometerPicture pic(720, 576);
    FocusScratch scratch;
    SimFrame here(pic, 2), there(pic, 2, QPoint(7, -5));
    const double a = FocusFigure(here.view(), scratch);
    const double b = FocusFigure(there.view(), scratch);
    // The slide drifting under the lens changes the figure far less than a
    // step of focus does.
    SimFrame sharper(pic, 1);
    const double step = FocusFigure(sharper.view(), scratch) - a;
    EXPECT_LT(std::abs(a - b), 0.25 * step);

    // Rows padded to 4 bytes read the same as packed ones.
    const int stride = 720 * 3 + 4;
    std::vector<uint8_t> padded(std::size_t(stride) * 576, 0xEE);
    for (int r = 0; r < 576; ++r)
        std::copy_n(here.bytes.data() + std::size_t(r) * 720 * 3, 720 * 3,
                    padded.data() + std::size_t(r) * stride);
    EXPECT_DOUBLE_EQ(FocusFigure(FrameView{padded.data(), 720, 576, stride}, scratch), a);
}

TEST(FocusFigure, FlatOrTinyOrBrokenFramesGiveZero) {
    FocusScratch scratch;
    std::vector<uint8_t> grey(64 * 48 * 3, 128);
    EXPECT_EQ(FocusFigure(FrameView{grey.data(), 64, 48, 64 * 3}, scratch), 0.0);
    std::vector<uint8_t> tiny(8 * 8 * 3, 7);
    for (std::size_t i = 0; i < tiny.size(); i += 6)
        tiny[i] = 255;
    EXPECT_EQ(FocusFigure(FrameView{tiny.data(), 8, 8, 24}, scratch), 0.0);
    EXPECT_EQ(FocusFigure(FrameView{nullptr, 720, 576, 2160}, scratch), 0.0);
    EXPECT_EQ(FocusFigure(FrameView{grey.data(), 64, 48, 10}, scratch), 0.0) << "stride too short";
}

TEST(FocusMeterScale, FollowsTheRangeOfTheLastSecondsAndHoldsThePeak) {
    FocusMeterScale scale;
    // A turn through focus: figures rise to 100 and fall again.
    const double figures[] = {20, 40, 60, 80, 100, 80, 60, 40};
    FocusLevel last;
    for (int i = 0; i < 8; ++i)
        last = scale.Add(0.1 * i, figures[i]);
    EXPECT_FLOAT_EQ(last.level, 0.25f) << "40 on a scale from 20 to 100";
    EXPECT_FLOAT_EQ(last.peak, 1.0f) << "the best of the last 1.5 s stays marked";

    // Two seconds later the peak has gone, the scale still spans it.
    last = scale.Add(2.3, 40);
    EXPECT_FLOAT_EQ(last.level, 0.25f);
    EXPECT_FLOAT_EQ(last.peak, 0.25f);

    // Five seconds on only the recent figures count: a low-contrast slide
    // fills the bar as well as a bright one did.
    for (int i = 0; i < 10; ++i)
        last = scale.Add(6.0 + 0.1 * i, i % 2 ? 4.0 : 3.0);
    EXPECT_FLOAT_EQ(last.level, 1.0f);

    // A steady picture: the bar stays near full instead of showing noise.
    FocusMeterScale steady;
    for (int i = 0; i < 20; ++i)
        last = steady.Add(0.1 * i, i % 2 ? 50.0 : 49.0);
    EXPECT_GT(last.level, 0.9f);

    // The stream started again: its clock went back; old figures go.
    last = scale.Add(0.0, 1.0);
    EXPECT_FLOAT_EQ(last.level, 1.0f);
    EXPECT_FLOAT_EQ(last.peak, 1.0f);
}

TEST(FocusMeter, OffUntilSwitchedOnThenReadsEveryFrame) {
    EffectState effects;
    StillFlags flags;
    FrameSink sink(effects, flags);
    const MicrometerPicture pic(320, 240);
    SimFrame soft(pic, 6), sharp(pic, 0);
    sink.OnFrame(0.0, sharp.view());
    EXPECT_EQ(sink.focusReadings(), 0u);
    EXPECT_EQ(sink.TakeStill().focus, 0.0) << "no figure is computed while nothing asks";

    sink.SetFocusMeter(true);
    sink.OnFrame(0.1, soft.view());
    sink.OnFrame(0.2, sharp.view());
    EXPECT_EQ(sink.focusReadings(), 2u);
    FocusScratch scratch;
    EXPECT_DOUBLE_EQ(sink.focusLevel().figure, FocusFigure(sharp.view(), scratch));
    EXPECT_FLOAT_EQ(sink.focusLevel().level, 1.0f);
    sink.OnFrame(0.3, soft.view());
    EXPECT_LT(sink.focusLevel().level, 0.5f);
    EXPECT_FLOAT_EQ(sink.focusLevel().peak, 1.0f);
}

} // namespace
} // namespace tvx

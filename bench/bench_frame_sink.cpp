// links: capture
// The whole per-frame path of the live picture at 720 x 576: the flipping
// copy out of the capture buffer, one effect, the still copy, the one
// conversion to the RGB32 surface and the drawing into the view, painted
// into the window.
#include "capture/frame_sink.h"
#include "capture/live_surface.h"

#include "bench/offscreen_main.h"
#include <QGuiApplication>
#include <QImage>
#include <QPainter>

#include <benchmark/benchmark.h>

#include <cstring>
#include <random>
#include <vector>

namespace {

struct Source {
    int w, h;
    std::vector<uint8_t> capture; // top-down rows as the capture element hands them
    std::vector<uint8_t> frame;   // the program's bottom-up frame
    Source(int width, int height)
        : w(width), h(height), capture(std::size_t(tvx::DibStride(width)) * height),
          frame(std::size_t(width) * 3 * height) {
        std::mt19937 rng(5);
        for (auto& b : capture)
            b = uint8_t(rng());
    }
    tvx::FrameView FlipIn() {
        const int srcStride = tvx::DibStride(w);
        for (int r = 0; r < h; ++r)
            std::memcpy(frame.data() + std::size_t(h - 1 - r) * w * 3,
                        capture.data() + std::size_t(r) * srcStride, std::size_t(w) * 3);
        return tvx::FrameView{frame.data(), w, h, w * 3};
    }
};

void RunPath(benchmark::State& state, int viewW, int viewH, bool fullScreen) {
    Source src(720, 576);
    tvx::EffectState effects;
    tvx::StillFlags flags;
    tvx::FrameSink sink(effects, flags);
    tvx::EffectSwitches s;
    s.negative = true;
    effects.Store(s);
    tvx::LiveSurface surface;
    if (fullScreen)
        surface.EnterFullScreen(QSize(viewW, viewH));
    else
        surface.Recreate(QSize(viewW, viewH));
    sink.SetLiveSurface(&surface);
    // The window's picture, painted from the surface after every frame as
    // the view is: what a frame costs until it is on screen.
    QImage window(viewW, viewH, QImage::Format_RGB32);
    double t = 0;
    for (auto _ : state) {
        sink.OnFrame(t, src.FlipIn());
        QPainter p(&window);
        surface.Paint(p, window.rect());
        t += 0.04;
    }
    sink.SetLiveSurface(nullptr);
}

void BM_FlipCopyOnly(benchmark::State& state) {
    Source src(720, 576);
    for (auto _ : state) {
        benchmark::DoNotOptimize(src.FlipIn().data);
        benchmark::ClobberMemory();
    }
}
BENCHMARK(BM_FlipCopyOnly)->Unit(benchmark::kMicrosecond);

void BM_Path720x576IntoWindow640(benchmark::State& state) {
    RunPath(state, 640, 480, false);
}
BENCHMARK(BM_Path720x576IntoWindow640)->Unit(benchmark::kMicrosecond)->MeasureProcessCPUTime();

void BM_Path720x576FullScreen1920(benchmark::State& state) {
    RunPath(state, 1920, 1080, true);
}
BENCHMARK(BM_Path720x576FullScreen1920)->Unit(benchmark::kMicrosecond)->MeasureProcessCPUTime();

} // namespace

int main(int argc, char** argv) {
    return tvx::bench::RunOffscreen(argc, argv);
}

// links: capture
// The focus figure per frame, beside a hot memcpy of the same frame, and the
// frame sink with the sharpest-still ring on and off: the ring keeps each
// frame with the one copy the sink makes anyway.
#include "capture/focus.h"
#include "capture/frame_sink.h"
#include "capture/sim_render.h"

#include "bench/offscreen_main.h"
#include <QGuiApplication>

#include <benchmark/benchmark.h>

#include <cstring>
#include <vector>

namespace {

// The simulated micrometer, slightly soft, bottom-up as the sink gets it.
struct SlideFrame {
    int w, h;
    std::vector<uint8_t> a, b;
    SlideFrame(int width, int height)
        : w(width), h(height), a(std::size_t(width) * 3 * height), b(a.size()) {
        std::vector<uint8_t> topDown(a.size());
        tvx::MicrometerPicture(w, h).CopyView(QPoint(), topDown.data(), w * 3);
        std::vector<uint32_t> scratch;
        tvx::SimBlur(topDown.data(), w, h, w * 3, 1, scratch);
        for (int y = 0; y < h; ++y)
            std::memcpy(a.data() + std::size_t(h - 1 - y) * w * 3,
                        topDown.data() + std::size_t(y) * w * 3, std::size_t(w) * 3);
    }
    tvx::FrameView view() { return tvx::FrameView{a.data(), w, h, w * 3}; }
};

void Sizes(benchmark::internal::Benchmark* b) {
    b->Args({640, 480})->Args({720, 576});
}

void BM_Memcpy(benchmark::State& state) {
    SlideFrame f(int(state.range(0)), int(state.range(1)));
    for (auto _ : state) {
        std::memcpy(f.b.data(), f.a.data(), f.a.size());
        benchmark::ClobberMemory();
    }
}
BENCHMARK(BM_Memcpy)->Apply(Sizes);

void BM_FocusFigure(benchmark::State& state) {
    SlideFrame f(int(state.range(0)), int(state.range(1)));
    tvx::FocusScratch scratch;
    for (auto _ : state)
        benchmark::DoNotOptimize(tvx::FocusFigure(f.view(), scratch));
}
BENCHMARK(BM_FocusFigure)->Apply(Sizes);

// The sink without a live view or recorder: effects off, the still copy,
// and with the switches the figure and the ring.
void SinkRun(benchmark::State& state, bool meter, bool sharpest) {
    SlideFrame f(720, 576);
    tvx::EffectState effects;
    tvx::StillFlags flags;
    tvx::FrameSink sink(effects, flags);
    sink.SetFocusMeter(meter);
    sink.SetSharpestStill(sharpest);
    double t = 0;
    for (auto _ : state) {
        sink.OnFrame(t, f.view());
        t += 0.04; // 25 frames a second: the ring fills to its second and a half
    }
}
void BM_SinkPlain(benchmark::State& state) {
    SinkRun(state, false, false);
}
void BM_SinkMeter(benchmark::State& state) {
    SinkRun(state, true, false);
}
void BM_SinkSharpestRing(benchmark::State& state) {
    SinkRun(state, false, true);
}
BENCHMARK(BM_SinkPlain);
BENCHMARK(BM_SinkMeter);
BENCHMARK(BM_SinkSharpestRing);

} // namespace

int main(int argc, char** argv) {
    return tvx::bench::RunOffscreen(argc, argv);
}

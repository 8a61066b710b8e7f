// links: capture
// The display effects against a hot memcpy of the same frame, side by side.
#include "capture/effects.h"

#include <benchmark/benchmark.h>

#include <cstring>
#include <random>
#include <vector>

namespace {

struct Frames {
    int w, h;
    std::vector<uint8_t> a, b;
    Frames(int width, int height)
        : w(width), h(height), a(std::size_t(width) * 3 * height), b(a.size()) {
        std::mt19937 rng(1);
        // A picture with smooth areas and noise, like a microscope's.
        for (int y = 0; y < h; ++y)
            for (int x = 0; x < w * 3; ++x)
                a[std::size_t(y) * w * 3 + x] = uint8_t((x / 3 + y) / 4 + (rng() & 31));
        b = a;
    }
    tvx::FrameView src() { return tvx::FrameView{a.data(), w, h, w * 3}; }
    tvx::FrameView dst() { return tvx::FrameView{b.data(), w, h, w * 3}; }
};

void Sizes(benchmark::internal::Benchmark* b) {
    b->Args({640, 480})->Args({720, 576});
}

void SetBytes(benchmark::State& state, const Frames& f) {
    state.SetBytesProcessed(int64_t(state.iterations()) * f.w * f.h * 3);
}

void BM_Memcpy(benchmark::State& state) {
    Frames f(int(state.range(0)), int(state.range(1)));
    for (auto _ : state) {
        std::memcpy(f.b.data(), f.a.data(), f.a.size());
        benchmark::ClobberMemory();
    }
    SetBytes(state, f);
}
BENCHMARK(BM_Memcpy)->Apply(Sizes);

void BM_Negative(benchmark::State& state) {
    Frames f(int(state.range(0)), int(state.range(1)));
    for (auto _ : state) {
        tvx::Negative(f.src());
        benchmark::ClobberMemory();
    }
    SetBytes(state, f);
}
BENCHMARK(BM_Negative)->Apply(Sizes);

void BM_ChannelRed(benchmark::State& state) {
    Frames f(int(state.range(0)), int(state.range(1)));
    for (auto _ : state) {
        tvx::SelectChannels(f.src(), tvx::kChannelR);
        benchmark::ClobberMemory();
    }
    SetBytes(state, f);
}
BENCHMARK(BM_ChannelRed)->Apply(Sizes);

void BM_ChannelRedGreen(benchmark::State& state) {
    Frames f(int(state.range(0)), int(state.range(1)));
    for (auto _ : state) {
        tvx::SelectChannels(f.src(), tvx::kChannelR | tvx::kChannelG);
        benchmark::ClobberMemory();
    }
    SetBytes(state, f);
}
BENCHMARK(BM_ChannelRedGreen)->Apply(Sizes);

void BM_MirrorInPlace(benchmark::State& state) {
    Frames f(int(state.range(0)), int(state.range(1)));
    std::vector<uint8_t> scratch;
    for (auto _ : state) {
        tvx::MirrorHorizontal(f.src(), scratch);
        benchmark::ClobberMemory();
    }
    SetBytes(state, f);
}
BENCHMARK(BM_MirrorInPlace)->Apply(Sizes);

void BM_MirrorInto(benchmark::State& state) {
    Frames f(int(state.range(0)), int(state.range(1)));
    for (auto _ : state) {
        tvx::MirrorHorizontalInto(f.src(), f.dst());
        benchmark::ClobberMemory();
    }
    SetBytes(state, f);
}
BENCHMARK(BM_MirrorInto)->Apply(Sizes);

void BM_TurnInPlace(benchmark::State& state) {
    Frames f(int(state.range(0)), int(state.range(1)));
    std::vector<uint8_t> scratch;
    for (auto _ : state) {
        tvx::Turn180(f.src(), scratch);
        benchmark::ClobberMemory();
    }
    SetBytes(state, f);
}
BENCHMARK(BM_TurnInPlace)->Apply(Sizes);

void BM_TurnInto(benchmark::State& state) {
    Frames f(int(state.range(0)), int(state.range(1)));
    for (auto _ : state) {
        tvx::Turn180Into(f.src(), f.dst());
        benchmark::ClobberMemory();
    }
    SetBytes(state, f);
}
BENCHMARK(BM_TurnInto)->Apply(Sizes);

// Segmentation overwrites its input, so each round starts from a fresh copy;
// the copy is timed separately by BM_Memcpy and left out here.
void BM_BinarySegment(benchmark::State& state) {
    Frames f(int(state.range(0)), int(state.range(1)));
    std::vector<uint8_t> grey;
    for (auto _ : state) {
        state.PauseTiming();
        std::memcpy(f.b.data(), f.a.data(), f.a.size());
        state.ResumeTiming();
        benchmark::DoNotOptimize(tvx::BinarySegment(f.dst(), grey));
        benchmark::ClobberMemory();
    }
    SetBytes(state, f);
}
BENCHMARK(BM_BinarySegment)->Apply(Sizes);

} // namespace

BENCHMARK_MAIN();

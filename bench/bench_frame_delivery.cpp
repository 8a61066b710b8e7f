// links: capture
// Cost of handing a captured frame to the program: the row-flipping copy
// from GStreamer's top-down rows into the bottom-up frame, beside a plain
// memcpy of the same bytes.
#include "capture/capture_engine.h"

#include <benchmark/benchmark.h>
#include <cstring>
#include <vector>

namespace {

void Fill(std::vector<uint8_t>& v) {
    for (size_t i = 0; i < v.size(); ++i)
        v[i] = uint8_t(i * 31 + 7);
}

void BM_CopyFlip(benchmark::State& state) {
    const int w = int(state.range(0)), h = int(state.range(1));
    const int srcStride = (w * 3 + 3) & ~3;
    const int dstStride = tvx::DibStride(w);
    std::vector<uint8_t> src(size_t(srcStride) * h), dst(size_t(dstStride) * h);
    Fill(src);
    for (auto _ : state) {
        tvx::CopyFlipRows(src.data(), srcStride, dst.data(), dstStride, w * 3, h);
        benchmark::DoNotOptimize(dst.data());
        benchmark::ClobberMemory();
    }
    state.SetBytesProcessed(int64_t(state.iterations()) * int64_t(src.size()));
}

void BM_Memcpy(benchmark::State& state) {
    const int w = int(state.range(0)), h = int(state.range(1));
    const size_t bytes = size_t(tvx::DibStride(w)) * h;
    std::vector<uint8_t> src(bytes), dst(bytes);
    Fill(src);
    for (auto _ : state) {
        std::memcpy(dst.data(), src.data(), bytes);
        benchmark::DoNotOptimize(dst.data());
        benchmark::ClobberMemory();
    }
    state.SetBytesProcessed(int64_t(state.iterations()) * int64_t(bytes));
}

} // namespace

BENCHMARK(BM_CopyFlip)->Args({640, 480})->Args({720, 576});
BENCHMARK(BM_Memcpy)->Args({640, 480})->Args({720, 576});
BENCHMARK_MAIN();

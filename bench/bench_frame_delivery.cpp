// links: capture
// Cost of handing a captured frame to the program: the row-flipping copy
// from GStreamer's top-down rows into the bottom-up frame, beside a plain
// memcpy of the same bytes. And where a frame's buffer comes from: a fresh
// allocation per frame against a pool whose buffers come back, each written
// whole as the simulated microscope draws into it, with three frames held
// downstream at a time as the pipeline's queues hold them.
#include "capture/capture_engine.h"

#include <benchmark/benchmark.h>
#include <cstring>
#include <gst/gst.h>
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

void Draw(GstBuffer* buf) {
    GstMapInfo map;
    if (!gst_buffer_map(buf, &map, GST_MAP_WRITE)) return;
    std::memset(map.data, 0x5A, map.size);
    gst_buffer_unmap(buf, &map);
}

void BM_FrameFreshBuffer(benchmark::State& state) {
    gst_init(nullptr, nullptr);
    const gsize bytes = gsize(tvx::DibStride(int(state.range(0)))) * gsize(state.range(1));
    GstBuffer* held[3] = {};
    size_t n = 0;
    for (auto _ : state) {
        GstBuffer* buf = gst_buffer_new_allocate(nullptr, bytes, nullptr);
        Draw(buf);
        if (held[n % 3]) gst_buffer_unref(held[n % 3]);
        held[n++ % 3] = buf;
    }
    for (GstBuffer* b : held)
        if (b) gst_buffer_unref(b);
    state.SetBytesProcessed(int64_t(state.iterations()) * int64_t(bytes));
}

void BM_FramePooledBuffer(benchmark::State& state) {
    gst_init(nullptr, nullptr);
    const gsize bytes = gsize(tvx::DibStride(int(state.range(0)))) * gsize(state.range(1));
    GstBufferPool* pool = gst_buffer_pool_new();
    GstStructure* config = gst_buffer_pool_get_config(pool);
    gst_buffer_pool_config_set_params(config, nullptr, guint(bytes), 2, 0);
    gst_buffer_pool_set_config(pool, config);
    gst_buffer_pool_set_active(pool, TRUE);
    GstBuffer* held[3] = {};
    size_t n = 0;
    for (auto _ : state) {
        GstBuffer* buf = nullptr;
        if (gst_buffer_pool_acquire_buffer(pool, &buf, nullptr) != GST_FLOW_OK) break;
        Draw(buf);
        if (held[n % 3]) gst_buffer_unref(held[n % 3]);
        held[n++ % 3] = buf;
    }
    for (GstBuffer* b : held)
        if (b) gst_buffer_unref(b);
    gst_buffer_pool_set_active(pool, FALSE);
    gst_object_unref(pool);
    state.SetBytesProcessed(int64_t(state.iterations()) * int64_t(bytes));
}

} // namespace

BENCHMARK(BM_FrameFreshBuffer)->Args({640, 480})->Args({720, 576});
BENCHMARK(BM_FramePooledBuffer)->Args({640, 480})->Args({720, 576});
BENCHMARK(BM_CopyFlip)->Args({640, 480})->Args({720, 576});
BENCHMARK(BM_Memcpy)->Args({640, 480})->Args({720, 576});
BENCHMARK_MAIN();

// links: capture
// Where a captured frame's buffer comes from: a fresh
// allocation per frame against a pool whose buffers come back, each written
// whole as the simulated microscope draws into it, with three frames held
// downstream at a time as the pipeline's queues hold them.
#include "capture/capture_engine.h"

#include <benchmark/benchmark.h>
#include <cstring>
#include <gst/gst.h>
#include <vector>

namespace {

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
BENCHMARK_MAIN();

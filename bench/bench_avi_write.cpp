// links: media tavolux_modules_build_tree
// The whole write path of one recorded frame: BGR -> the encoder's input
// (swscale) -> the encoder -> the AVI muxer -> the file, at the two capture
// sizes a recording usually has, for the default compressor and MJPEG. The
// baseline is a memcpy of the frame. A recording must keep up with the
// capture rate on one core: at most ~33 ms a frame at 30 fps.
#include "media/avi_writer.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <benchmark/benchmark.h>

#include <cmath>
#include <cstring>
#include <vector>

namespace {

// A picture like the microscope's: smooth shading with some texture, moving
// a little from frame to frame (pure noise would be the encoders' worst case,
// a flat frame their best).
std::vector<uint8_t> Frame(int w, int h, int shift) {
    const int stride = (w * 3 + 3) & ~3;
    std::vector<uint8_t> px(size_t(stride) * h);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) {
            uint8_t* p = &px[size_t(y) * stride + x * 3];
            const double v = 128 + 60 * std::sin((x + shift) * 0.05) * std::cos(y * 0.07);
            p[0] = uint8_t(v);
            p[1] = uint8_t(v * 0.8 + ((x * 7 + y * 13) & 15));
            p[2] = uint8_t(255 - v);
        }
    return px;
}

void WritePath(benchmark::State& state, const char* encoder, int quality) {
    const int w = int(state.range(0)), h = int(state.range(1));
    const int stride = (w * 3 + 3) & ~3;
    std::vector<std::vector<uint8_t>> frames;
    for (int i = 0; i < 8; ++i)
        frames.push_back(Frame(w, h, i * 3));
    QTemporaryDir dir;
    int file = 0;
    // The writer fills a file reserved for it, as a recording's is.
    const auto reserve = [&] {
        QFile f(dir.path() + QString("/b%1.avi").arg(file++));
        f.open(QIODevice::NewOnly);
        return f.fileName();
    };
    tvx::AviError err;
    auto writer =
        tvx::AviWriter::Open(reserve(), w, h, 12, tvx::CompressorChoice{encoder, quality}, &err);
    if (!writer) {
        state.SkipWithError(tvx::AviErrorText(err).toUtf8().constData());
        return;
    }
    size_t i = 0;
    for (auto _ : state) {
        if (!writer->WriteFrame(frames[i++ % frames.size()].data(), stride, &err)) {
            state.SkipWithError(tvx::AviErrorText(err).toUtf8().constData());
            break;
        }
        // Keep the files small: a new one every 300 frames (its close is
        // part of the cost, as the index is in a real recording).
        if (i % 300 == 0) {
            writer->Close();
            QFile::remove(writer->path());
            writer = tvx::AviWriter::Open(reserve(), w, h, 12,
                                          tvx::CompressorChoice{encoder, quality}, &err);
        }
    }
    state.SetItemsProcessed(state.iterations());
}

void BM_WriteMsVideo1(benchmark::State& state) {
    WritePath(state, "msvideo1", -1);
}
void BM_WriteMjpeg(benchmark::State& state) {
    WritePath(state, "mjpeg", -1);
}

void BM_MemcpyBaseline(benchmark::State& state) {
    const int w = int(state.range(0)), h = int(state.range(1));
    const std::vector<uint8_t> src = Frame(w, h, 0);
    std::vector<uint8_t> dst(src.size());
    for (auto _ : state) {
        std::memcpy(dst.data(), src.data(), src.size());
        benchmark::DoNotOptimize(dst.data());
        benchmark::ClobberMemory();
    }
}

} // namespace

BENCHMARK(BM_MemcpyBaseline)->Args({640, 480})->Args({720, 480})->Unit(benchmark::kMillisecond);
BENCHMARK(BM_WriteMsVideo1)->Args({640, 480})->Args({720, 480})->Unit(benchmark::kMillisecond);
BENCHMARK(BM_WriteMjpeg)->Args({640, 480})->Args({720, 480})->Unit(benchmark::kMillisecond);

BENCHMARK_MAIN();

// links: imaging JPEG::JPEG
// Writing a kept frame (bottom-up BGR rows) as a still: straight from the
// frame's bytes against the way through a 32-bit picture, next to a memcpy of
// the frame and libjpeg-turbo fed the same buffer by hand.
#include "imaging/cximage.h"
#include "imaging/dib.h"
#include "imaging/jpeg_codec.h"

#include <benchmark/benchmark.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <random>
#include <vector>

// clang-format off
#include <jpeglib.h>
// clang-format on

namespace {

struct Still {
    int w, h, stride;
    std::vector<uint8_t> pixels, copy;
    Still(int width, int height)
        : w(width), h(height), stride(tvx::DibStride(width)), pixels(size_t(stride) * height),
          copy(pixels.size()) {
        std::mt19937 rng(3);
        // Smooth areas with some noise, as a microscope gives.
        for (int y = 0; y < h; ++y)
            for (int x = 0; x < w * 3; ++x)
                pixels[size_t(y) * stride + x] = uint8_t((x / 3 + y) / 5 + (rng() & 15));
    }
};

void Sizes(benchmark::internal::Benchmark* b) {
    // 2592 × 1944: the largest size of the common 5-megapixel USB microscopes.
    b->Args({640, 480})->Args({1280, 1024})->Args({2592, 1944});
}

void BM_Memcpy(benchmark::State& state) {
    Still s(int(state.range(0)), int(state.range(1)));
    for (auto _ : state) {
        std::memcpy(s.copy.data(), s.pixels.data(), s.pixels.size());
        benchmark::ClobberMemory();
    }
}
BENCHMARK(BM_Memcpy)->Apply(Sizes);

void BM_BmpStraight(benchmark::State& state) {
    Still s(int(state.range(0)), int(state.range(1)));
    for (auto _ : state)
        benchmark::DoNotOptimize(
            tvx::EncodeBmpFromBottomUpBgr(s.pixels.data(), s.w, s.h, s.stride));
}
BENCHMARK(BM_BmpStraight)->Apply(Sizes);

// What a still with overlays still goes through.
void BM_BmpThroughPicture(benchmark::State& state) {
    Still s(int(state.range(0)), int(state.range(1)));
    for (auto _ : state) {
        const QImage picture = tvx::ImageFromBottomUpBgr(s.pixels.data(), s.w, s.h, s.stride);
        tvx::CxImage image(tvx::kImageTypeNone);
        image.CreateFromHBITMAP(picture);
        benchmark::DoNotOptimize(image.Encode(tvx::kImageTypeBmp));
    }
}
BENCHMARK(BM_BmpThroughPicture)->Apply(Sizes);

void BM_JpegStraight(benchmark::State& state) {
    Still s(int(state.range(0)), int(state.range(1)));
    for (auto _ : state)
        benchmark::DoNotOptimize(
            tvx::EncodeJpegFromBottomUpBgr(s.pixels.data(), s.w, s.h, s.stride));
}
BENCHMARK(BM_JpegStraight)->Apply(Sizes);

void BM_JpegThroughPicture(benchmark::State& state) {
    Still s(int(state.range(0)), int(state.range(1)));
    for (auto _ : state) {
        const QImage picture = tvx::ImageFromBottomUpBgr(s.pixels.data(), s.w, s.h, s.stride);
        benchmark::DoNotOptimize(tvx::EncodeJpeg(picture));
    }
}
BENCHMARK(BM_JpegThroughPicture)->Apply(Sizes);

// libjpeg-turbo alone, called by hand on the same rows at the same quality:
// the floor for any JPEG writer of these frames.
void BM_JpegLibjpegTurbo(benchmark::State& state) {
    Still s(int(state.range(0)), int(state.range(1)));
    for (auto _ : state) {
        jpeg_compress_struct cinfo{};
        jpeg_error_mgr err{};
        cinfo.err = jpeg_std_error(&err);
        jpeg_create_compress(&cinfo);
        unsigned char* out = nullptr;
        unsigned long size = 0;
        jpeg_mem_dest(&cinfo, &out, &size);
        cinfo.image_width = JDIMENSION(s.w);
        cinfo.image_height = JDIMENSION(s.h);
        cinfo.input_components = 3;
        cinfo.in_color_space = JCS_EXT_BGR;
        jpeg_set_defaults(&cinfo);
        jpeg_set_quality(&cinfo, tvx::kJpegQuality, TRUE);
        jpeg_start_compress(&cinfo, TRUE);
        while (cinfo.next_scanline < cinfo.image_height) {
            JSAMPROW row = s.pixels.data() + size_t(s.h - 1 - int(cinfo.next_scanline)) * s.stride;
            jpeg_write_scanlines(&cinfo, &row, 1);
        }
        jpeg_finish_compress(&cinfo);
        jpeg_destroy_compress(&cinfo);
        benchmark::DoNotOptimize(out);
        std::free(out);
    }
}
BENCHMARK(BM_JpegLibjpegTurbo)->Apply(Sizes);

} // namespace

BENCHMARK_MAIN();

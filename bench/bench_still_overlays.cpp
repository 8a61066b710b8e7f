// links: session
// A still with guides and a measurement drawn over it, as the still saver
// encodes it (BMP), beside a memcpy of the frame and the way through a
// 32-bit picture that stills with overlays used to take. CPU is the whole
// process's: Qt's painter may hand pieces of its work to other threads.
#include "imaging/cximage.h"
#include "imaging/dib.h"
#include "measure/live_guides.h"
#include "session/still_saver.h"

#include "bench/offscreen_main.h"
#include <QGuiApplication>
#include <QPainter>

#include <benchmark/benchmark.h>

#include <cstring>
#include <random>

namespace {

using namespace tvx;

StillPicture Frame(int w, int h) {
    StillPicture s;
    s.width = w;
    s.height = h;
    s.stride = DibStride(w);
    s.pixels.resize(std::size_t(s.stride) * h);
    std::mt19937 rng(3);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w * 3; ++x)
            s.pixels[std::size_t(y) * s.stride + x] = uint8_t((x / 3 + y) / 5 + (rng() & 15));
    return s;
}

// The cross line, the ruler and one measured line with its label.
class Guides : public StillCompositor {
public:
    void Compose(QPainter& p, const QSize& picture) override {
        GuideSnapshot g;
        g.crossLine = g.ruler = true;
        g.scale = GuideScale{60, QStringLiteral("mm")};
        DrawLiveGuides(p, ViewMapping::Identity(picture), g, font_);
        p.setPen(QPen(Qt::red, 1));
        p.drawLine(QPoint(100, 300), QPoint(400, 300));
        p.drawText(QPoint(120, 320), QStringLiteral("L:3.000mm"));
    }

private:
    QFont font_;
};

void Sizes(benchmark::internal::Benchmark* b) {
    b->Args({640, 480})->Args({1280, 1024})->MeasureProcessCPUTime();
}

void BM_Memcpy(benchmark::State& state) {
    const StillPicture s = Frame(int(state.range(0)), int(state.range(1)));
    std::vector<uint8_t> copy(s.pixels.size());
    for (auto _ : state) {
        std::memcpy(copy.data(), s.pixels.data(), s.pixels.size());
        benchmark::ClobberMemory();
    }
}
BENCHMARK(BM_Memcpy)->Apply(Sizes);

void BM_StillWithOverlays(benchmark::State& state) {
    const StillPicture s = Frame(int(state.range(0)), int(state.range(1)));
    Guides guides;
    QImage scratch; // kept between stills, as the saver keeps it
    for (auto _ : state)
        benchmark::DoNotOptimize(EncodeStill(s, &guides, {}, &scratch));
}
BENCHMARK(BM_StillWithOverlays)->Apply(Sizes);

void BM_StillWithOverlaysThrough32Bit(benchmark::State& state) {
    const StillPicture s = Frame(int(state.range(0)), int(state.range(1)));
    Guides guides;
    for (auto _ : state) {
        QImage picture = ImageFromBottomUpBgr(s.pixels.data(), s.width, s.height, s.stride);
        {
            QPainter p(&picture);
            guides.Compose(p, picture.size());
        }
        CxImage image(kImageTypeNone);
        image.CreateFromHBITMAP(picture);
        benchmark::DoNotOptimize(image.Encode(kImageTypeBmp));
    }
}
BENCHMARK(BM_StillWithOverlaysThrough32Bit)->Apply(Sizes);

} // namespace

int main(int argc, char** argv) {
    return tvx::bench::RunOffscreen(argc, argv);
}

// links: session tavolux_modules_build_tree PkgConfig::FFMPEG
// The file list's two costs a user feels: composing a page of twelve
// thumbnails from 640 x 480 pictures and recordings, the first time (no
// cached thumbnails; the files themselves in the system's cache) and again
// (the thumbnails cached), and scanning a Picture folder of 5,000 stills.
// Baseline: copying the twelve 640 x 480 frames once, which any loader must
// at least match.
#include "imaging/dib.h"
#include "imaging/jpeg_codec.h"
#include "session/file_list.h"
#include "tests/media/avi_writer.h"

#include <QDir>
#include <QFile>
#include <QPainter>
#include <QTemporaryDir>
#include <benchmark/benchmark.h>

#include <cstring>
#include <vector>

namespace {

constexpr int kW = 640;
constexpr int kH = 480;

// A microscope-like picture: smooth shading with a few sharp features.
QImage Specimen(int seed) {
    QImage img(kW, kH, QImage::Format_RGB32);
    for (int y = 0; y < kH; ++y) {
        auto* row = reinterpret_cast<QRgb*>(img.scanLine(y));
        for (int x = 0; x < kW; ++x)
            row[x] = qRgb((x + seed * 13) % 256, (y * 2 + seed) % 256, ((x ^ y) + seed) % 256);
    }
    return img;
}

struct Fixture {
    QTemporaryDir dir;
    QString picture, video;
    QStringList bmps, jpegs, avis;
    Fixture() {
        picture = dir.filePath("Picture");
        video = dir.filePath("Video");
        QDir().mkpath(picture);
        QDir().mkpath(video);
        for (int i = 0; i < tvx::kCellsPerPage; ++i) {
            const QImage img = Specimen(i);
            const QString bmp = QStringLiteral("%1/Still_%2.bmp").arg(picture).arg(i);
            const QString jpg = QStringLiteral("%1/Annotated_%2.jpg").arg(picture).arg(i);
            Write(bmp, tvx::EncodeBmp(img));
            Write(jpg, tvx::EncodeJpeg(img));
            const QString avi = QStringLiteral("%1/Video_%2.avi").arg(video).arg(i);
            tvx::test::WriteAvi(avi, kW, kH, 2);
            bmps << bmp;
            jpegs << jpg;
            avis << avi;
        }
    }
    static void Write(const QString& path, const QByteArray& bytes) {
        QFile f(path);
        if (f.open(QIODevice::WriteOnly)) f.write(bytes);
    }
};

Fixture& Files() {
    static Fixture f;
    return f;
}

const tvx::PageGeometry& Strip() {
    static const tvx::PageGeometry g = tvx::PageGeometry::For(QSize(179, 480));
    return g;
}

// Everything a view does with the page: the thumbnails into their cells.
void Compose(tvx::FileListModel& model, QImage& surface) {
    const auto page = model.VisiblePage(Strip());
    QPainter p(&surface);
    p.setCompositionMode(QPainter::CompositionMode_Source);
    for (const auto& c : page)
        if (!c.thumb.isNull()) p.drawImage(Strip().cells[size_t(c.cell)].topLeft(), c.thumb);
    benchmark::DoNotOptimize(page.size());
}

std::unique_ptr<tvx::FileListModel> ModelWith(const QStringList& files, tvx::ListMode mode) {
    auto model = std::make_unique<tvx::FileListModel>(
        tvx::FileListModel::Folders{Files().picture, Files().video});
    model->SetMode(mode);
    for (const QString& f : files) {
        if (mode == tvx::ListMode::Pictures)
            model->AddPicture(f);
        else
            model->AddVideo(f);
    }
    return model;
}

enum Kind { kBmp, kJpeg, kAvi };

void PageCold(benchmark::State& state) {
    const Kind kind = Kind(state.range(0));
    const QStringList& files = kind == kBmp    ? Files().bmps
                               : kind == kJpeg ? Files().jpegs
                                               : Files().avis;
    const auto mode = kind == kAvi ? tvx::ListMode::Videos : tvx::ListMode::Pictures;
    QImage surface(179, 520, QImage::Format_RGB32);
    for (auto _ : state) {
        state.PauseTiming();
        auto model = ModelWith(files, mode);
        state.ResumeTiming();
        Compose(*model, surface);
    }
}

void PageWarm(benchmark::State& state) {
    const Kind kind = Kind(state.range(0));
    const QStringList& files = kind == kBmp    ? Files().bmps
                               : kind == kJpeg ? Files().jpegs
                                               : Files().avis;
    const auto mode = kind == kAvi ? tvx::ListMode::Videos : tvx::ListMode::Pictures;
    QImage surface(179, 520, QImage::Format_RGB32);
    auto model = ModelWith(files, mode);
    Compose(*model, surface);
    for (auto _ : state)
        Compose(*model, surface);
}

void BaselineCopyTwelveFrames(benchmark::State& state) {
    const size_t bytes = size_t(tvx::DibStride(kW)) * kH;
    std::vector<uint8_t> src(bytes * tvx::kCellsPerPage, 7), dst(bytes);
    for (auto _ : state) {
        for (int i = 0; i < tvx::kCellsPerPage; ++i)
            std::memcpy(dst.data(), src.data() + i * bytes, bytes);
        benchmark::DoNotOptimize(dst.data());
        benchmark::ClobberMemory();
    }
}

void ScanFiveThousand(benchmark::State& state) {
    static QTemporaryDir dir;
    static const bool made = [] {
        QDir().mkpath(dir.filePath("Picture"));
        const QByteArray small = tvx::EncodeBmp(QImage(4, 4, QImage::Format_RGB32));
        for (int i = 0; i < 5000; ++i) {
            QFile f(QStringLiteral("%1/Picture/Still_%2.bmp").arg(dir.path()).arg(i));
            if (f.open(QIODevice::WriteOnly)) f.write(small);
        }
        return true;
    }();
    (void)made;
    tvx::FileListModel model({dir.filePath("Picture"), dir.filePath("Video")});
    for (auto _ : state) {
        model.ScanFolders();
        benchmark::DoNotOptimize(model.Count(tvx::ListMode::Pictures));
    }
    state.counters["pictures"] = model.Count(tvx::ListMode::Pictures);
}

} // namespace

BENCHMARK(BaselineCopyTwelveFrames)->Unit(benchmark::kMillisecond);
BENCHMARK(PageCold)
    ->Arg(kBmp)
    ->Arg(kJpeg)
    ->Arg(kAvi)
    ->ArgName("bmp0_jpeg1_avi2")
    ->Unit(benchmark::kMillisecond);
BENCHMARK(PageWarm)
    ->Arg(kBmp)
    ->Arg(kJpeg)
    ->Arg(kAvi)
    ->ArgName("bmp0_jpeg1_avi2")
    ->Unit(benchmark::kMillisecond);
BENCHMARK(ScanFiveThousand)->Unit(benchmark::kMillisecond);
BENCHMARK_MAIN();

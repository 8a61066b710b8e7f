// links: session tavolux_modules_build_tree PkgConfig::FFMPEG
// The file list's costs a user feels: a page of twelve thumbnails from
// 640 x 480 pictures and recordings made the first time (no thumbnails
// kept; the files themselves in the system's cache) and drawn again (the
// thumbnails kept), the same page in the middle of a Picture folder of
// 5,000 stills, and scanning such a folder. The thumbnails are made on the
// model's worker: a cold page is timed from the first request until its
// twelve cells are drawn. Baseline: copying the twelve 640 x 480 frames
// once, which any loader must at least match.
#include "imaging/dib.h"
#include "imaging/jpeg_codec.h"
#include "session/file_list.h"
#include "tests/media/avi_writer.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QPainter>
#include <QTemporaryDir>
#include <benchmark/benchmark.h>

#include <cstring>
#include <unistd.h>
#include <vector>

namespace {

constexpr int kW = 640;
constexpr int kH = 480;
constexpr int kCells = 12;      // a page of the strip at its first-run size
constexpr int kPictures = 5000; // a well-used Picture folder
const QSize kCell(72, 73);      // the strip's cell
constexpr int kGridWidth = 79;  // cell and gap
constexpr int kGridHeight = 80;

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

void Write(const QString& path, const QByteArray& bytes) {
    QFile f(path);
    if (f.open(QIODevice::WriteOnly)) f.write(bytes);
}

// Twelve files of each kind, a page's worth.
struct Fixture {
    QTemporaryDir dir;
    QString picture, video;
    QStringList bmps, jpegs, avis;
    Fixture() {
        picture = dir.filePath("Picture");
        video = dir.filePath("Video");
        QDir().mkpath(picture);
        QDir().mkpath(video);
        for (int i = 0; i < kCells; ++i) {
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
};

Fixture& Files() {
    static Fixture f;
    return f;
}

// 5,000 stills of one kind: twelve pictures, each under many names (hard
// links, so the folder costs twelve pictures of disk).
struct Folder {
    QTemporaryDir dir;
    QString picture;
    explicit Folder(bool jpeg) {
        picture = dir.filePath("Picture");
        QDir().mkpath(picture);
        QStringList originals;
        for (int i = 0; i < kCells; ++i) {
            const QString path = QStringLiteral("%1/src_%2").arg(dir.path()).arg(i);
            Write(path, jpeg ? tvx::EncodeJpeg(Specimen(i)) : tvx::EncodeBmp(Specimen(i)));
            originals << path;
        }
        for (int i = 0; i < kPictures; ++i) {
            const QString name = QStringLiteral("%1/Still_2024-05-01_120000_60X_N%2.%3")
                                     .arg(picture)
                                     .arg(i, 4, 10, QLatin1Char('0'))
                                     .arg(jpeg ? "jpg" : "bmp");
            if (::link(QFile::encodeName(originals[i % kCells]).constData(),
                       QFile::encodeName(name).constData()) != 0)
                qFatal("cannot link %s", qPrintable(name));
        }
    }
};

Folder& Pictures(bool jpeg) {
    static Folder bmp(false), jpg(true);
    return jpeg ? jpg : bmp;
}

// Asks for the thumbnails of the page from row `first`, as a view painting
// it does: true when every one is made.
bool PageReady(tvx::FileListModel& model, int first) {
    bool ready = true;
    for (int r = first; r < first + kCells && r < model.rowCount(); ++r)
        if (model.index(r).data(tvx::FileListModel::ThumbStateRole).toInt() ==
            tvx::FileListModel::ThumbPending)
            ready = false;
    return ready;
}

// Asks for the page and lets the worker make it, as a view waiting for its
// cells does.
void MakePage(tvx::FileListModel& model, int first) {
    while (!PageReady(model, first)) {
        model.thumbnails().WaitForWorkers();
        QCoreApplication::processEvents();
    }
}

// Everything a view does with the page: the thumbnails into their cells.
void Compose(tvx::FileListModel& model, int first, QImage& surface) {
    QPainter p(&surface);
    p.setCompositionMode(QPainter::CompositionMode_Source);
    for (int k = 0; k < kCells && first + k < model.rowCount(); ++k) {
        const QImage thumb = model.index(first + k).data(Qt::DecorationRole).value<QImage>();
        if (!thumb.isNull())
            p.drawImage(QPoint(5 + kGridWidth * (k % 2), 4 + kGridHeight * (k / 2)), thumb);
    }
    benchmark::DoNotOptimize(surface.constBits());
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

const QStringList& FilesOf(Kind kind) {
    return kind == kBmp ? Files().bmps : kind == kJpeg ? Files().jpegs : Files().avis;
}

void PageCold(benchmark::State& state) {
    const Kind kind = Kind(state.range(0));
    const auto mode = kind == kAvi ? tvx::ListMode::Videos : tvx::ListMode::Pictures;
    QImage surface(160, 478, QImage::Format_RGB32);
    for (auto _ : state) {
        state.PauseTiming();
        auto model = ModelWith(FilesOf(kind), mode);
        state.ResumeTiming();
        MakePage(*model, 0);
        Compose(*model, 0, surface);
    }
}

void PageWarm(benchmark::State& state) {
    const Kind kind = Kind(state.range(0));
    const auto mode = kind == kAvi ? tvx::ListMode::Videos : tvx::ListMode::Pictures;
    QImage surface(160, 478, QImage::Format_RGB32);
    auto model = ModelWith(FilesOf(kind), mode);
    MakePage(*model, 0);
    for (auto _ : state)
        Compose(*model, 0, surface);
}

// The page a quarter of the way down 5,000 pictures, reached after the
// first page was shown: it is cold, the decoder is not.
std::unique_ptr<tvx::FileListModel> Middle(bool jpeg) {
    auto model = std::make_unique<tvx::FileListModel>(
        tvx::FileListModel::Folders{Pictures(jpeg).picture, QString()});
    model->ScanFolders();
    return model;
}
constexpr int kMiddleRow = 2 * (kPictures / 4);

void FiveThousandPageCold(benchmark::State& state) {
    const bool jpeg = state.range(0) != 0;
    QImage surface(160, 478, QImage::Format_RGB32);
    for (auto _ : state) {
        state.PauseTiming();
        auto model = Middle(jpeg);
        // The first page was shown: the decoder is at work already.
        MakePage(*model, 0);
        state.ResumeTiming();
        MakePage(*model, kMiddleRow);
        Compose(*model, kMiddleRow, surface);
    }
}

void FiveThousandPageWarm(benchmark::State& state) {
    const bool jpeg = state.range(0) != 0;
    QImage surface(160, 478, QImage::Format_RGB32);
    auto model = Middle(jpeg);
    MakePage(*model, kMiddleRow);
    for (auto _ : state)
        Compose(*model, kMiddleRow, surface);
}

void BaselineCopyTwelveFrames(benchmark::State& state) {
    const size_t bytes = size_t(tvx::DibStride(kW)) * kH;
    std::vector<uint8_t> src(bytes * kCells, 7), dst(bytes);
    for (auto _ : state) {
        for (int i = 0; i < kCells; ++i)
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
        for (int i = 0; i < kPictures; ++i)
            Write(QStringLiteral("%1/Picture/Still_%2.bmp").arg(dir.path()).arg(i), small);
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
BENCHMARK(FiveThousandPageCold)
    ->Arg(0)
    ->Arg(1)
    ->ArgName("jpeg")
    ->Iterations(20)
    ->Unit(benchmark::kMillisecond);
BENCHMARK(FiveThousandPageWarm)->Arg(0)->Arg(1)->ArgName("jpeg")->Unit(benchmark::kMillisecond);
BENCHMARK(ScanFiveThousand)->Unit(benchmark::kMillisecond);

// Queued results of the thumbnail workers need an event loop.
int main(int argc, char** argv) {
    benchmark::Initialize(&argc, argv);
    QCoreApplication app(argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}

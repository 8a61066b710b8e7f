// links: stack_cv capture tavolux_modules_build_tree
// Focus stacking of a simulated hand-held sweep: how good the stacked
// picture is against the truth, and how long aligning and fusing take.
//
// Before timing, the program writes each sweep it stacks into a folder
// (TAVOLUX_STACK_BENCH_DIR, or stack-bench/ in the working folder):
// frame_NN.png in the order taken, truth.png (the slide all sharp, in the
// place of frame n/2, where this stacker puts its result) and
// truth_NN.png (the truth in each frame's own place, to score single
// frames), and prints the scores of the stacked picture and of the best
// single frame. Another stacker can be run on the same frames and scored:
//
//   bench_stack --score <folder> <its result.png>
//
// scores the result against the slide drawn sharp in the result's own
// place, since another stacker may keep another frame's place (resampling
// the result onto truth.png would smooth it and cost it decibels). And this
// stacker can be run on other frames:
//
//   bench_stack --stack <folder of frame*.png> <result.png>
#include "capture/sim_depth.h"
#include "capture/sim_render.h"
#include "stack/cv/score.h"
#include "stack/image_qt.h"
#include "stack/stacker.h"

#include <QDir>
#include <QGuiApplication>
#include <QImage>
#include <benchmark/benchmark.h>

#include <cstdio>
#include <cstring>
#include <sys/resource.h>

namespace {

struct Sweep {
    std::vector<tvx::Image8> frames;
    std::vector<tvx::Image8> truths; // each frame's truth in its own place
    std::vector<tvx::Warp> warps;    // where each frame truly lies relative to the middle one
    int reference = 0;
};

// A sweep of `count` frames from below the lowest cell to above the
// highest, a quarter of a second apart, by a hand that drifts a few pixels
// and a lens that breathes.
Sweep MakeSweep(int width, int height, int count) {
    const tvx::MicrometerPicture picture(width, height);
    tvx::SimDepthScene scene(picture);
    Sweep s;
    s.reference = count / 2;
    constexpr double kFrom = -10.0, kTo = 170.0;
    const auto focusOf = [&](int i) { return kFrom + (kTo - kFrom) * i / (count - 1); };
    const auto viewOf = [&](int i) { return tvx::SimHandHeld(3.0 + 0.25 * i, focusOf(i)); };
    const tvx::SimView ref = viewOf(s.reference);
    const double cx = (width - 1) / 2.0, cy = (height - 1) / 2.0;
    for (int i = 0; i < count; ++i) {
        const double focus = focusOf(i);
        const tvx::SimView view = viewOf(i);
        // A point of the middle frame, through the slide, to this frame.
        s.warps.push_back(tvx::Warp::ScaleAbout(view.scale / ref.scale, cx, cy,
                                                view.scale * (ref.dx - view.dx),
                                                view.scale * (ref.dy - view.dy)));
        tvx::Image8 frame(width, height, 3), truth(width, height, 3);
        scene.Render(focus, view, frame.pixels.data(), int(frame.rowBytes()));
        scene.RenderSharp(view, truth.pixels.data(), int(truth.rowBytes()));
        s.frames.push_back(std::move(frame));
        s.truths.push_back(std::move(truth));
    }
    return s;
}

// Leaves out the edges, where aligned frames repeat their border.
int ScoreBorder(const tvx::Image8& image) {
    return std::max(8, image.width / 40);
}

struct Scores {
    double psnr = 0, ssim = 0;
};

Scores ScoreOf(const tvx::Image8& picture, const tvx::Image8& truth) {
    const int border = ScoreBorder(truth);
    return {tvx::Psnr(picture, truth, border).value_or(0),
            tvx::Ssim(picture, truth, border).value_or(0)};
}

// The process's peak resident size is a high-water mark over its whole life:
// the larger sweep written before would stand for the smaller one's peak.
// Linux lets the mark be reset, and reports it as VmHWM.
void ResetPeak() {
    if (FILE* f = std::fopen("/proc/self/clear_refs", "w")) {
        std::fputs("5", f);
        std::fclose(f);
    }
}

long PeakKilobytes() {
    long kb = -1;
    if (FILE* f = std::fopen("/proc/self/status", "r")) {
        char line[256];
        while (std::fgets(line, sizeof line, f))
            if (std::sscanf(line, "VmHWM: %ld kB", &kb) == 1) break;
        std::fclose(f);
    }
    if (kb >= 0) return kb;
    rusage u{};
    getrusage(RUSAGE_SELF, &u);
    return u.ru_maxrss;
}

QString BenchFolder() {
    const QString dir = qEnvironmentVariable("TAVOLUX_STACK_BENCH_DIR");
    return dir.isEmpty() ? QDir::current().filePath(QStringLiteral("stack-bench")) : dir;
}

// Writes the sweep and scores this stacker's result against it.
void WriteAndScore(int width, int height, int count) {
    const Sweep sweep = MakeSweep(width, height, count);
    const QString dir =
        BenchFolder() + QStringLiteral("/%1x%2_%3").arg(width).arg(height).arg(count);
    QDir().mkpath(dir);
    for (int i = 0; i < count; ++i) {
        tvx::ToQImage(sweep.frames[std::size_t(i)])
            .save(dir + QStringLiteral("/frame_%1.png").arg(i, 2, 10, QLatin1Char('0')));
        tvx::ToQImage(sweep.truths[std::size_t(i)])
            .save(dir + QStringLiteral("/truth_%1.png").arg(i, 2, 10, QLatin1Char('0')));
    }
    const tvx::Image8& truth = sweep.truths[std::size_t(sweep.reference)];
    tvx::ToQImage(truth).save(dir + QStringLiteral("/truth.png"));

    Scores best;
    int bestFrame = -1;
    for (int i = 0; i < count; ++i) {
        const Scores s = ScoreOf(sweep.frames[std::size_t(i)], sweep.truths[std::size_t(i)]);
        if (bestFrame < 0 || s.psnr > best.psnr) best = s, bestFrame = i;
    }
    const tvx::StackOutcome out = tvx::StackFrames(sweep.frames);
    if (out.status != tvx::StackOutcome::Status::Done) {
        std::printf("stack %dx%d, %d frames: no result\n", width, height, count);
        return;
    }
    tvx::ToQImage(out.picture).save(dir + QStringLiteral("/stacked.png"));
    double worst = 0;
    for (int i = 0; i < count; ++i)
        if (const std::optional<tvx::Warp>& w = out.warps[std::size_t(i)])
            worst = std::max(worst, tvx::WarpGap(*w, sweep.warps[std::size_t(i)], width, height));
    tvx::ToQImage(out.depth).save(dir + QStringLiteral("/depth.png"));
    const Scores fused = ScoreOf(out.picture, truth);
    std::printf(
        "stack %dx%d, %d frames (%d used): stacked PSNR %.2f dB SSIM %.4f; best single "
        "frame (%d) PSNR %.2f dB SSIM %.4f; gain %.2f dB; alignment off by %.2f px at most; "
        "written to %s\n",
        width, height, count, out.framesUsed, fused.psnr, fused.ssim, bestFrame, best.psnr,
        best.ssim, fused.psnr - best.psnr, worst, qPrintable(dir));
}

int StackFolder(const QString& dir, const QString& result) {
    std::vector<tvx::Image8> frames;
    const QStringList names =
        QDir(dir).entryList({QStringLiteral("frame*.png")}, QDir::Files, QDir::Name);
    for (const QString& name : names)
        frames.push_back(tvx::BgrFromQImage(QImage(QDir(dir).filePath(name))));
    const tvx::StackOutcome out = tvx::StackFrames(std::move(frames));
    if (out.status != tvx::StackOutcome::Status::Done) {
        std::fprintf(stderr, "%d frames of %s could not be stacked\n", int(names.size()),
                     qPrintable(dir));
        return 1;
    }
    return tvx::ToQImage(out.picture).save(result) ? 0 : 1;
}

int ScoreOther(const QString& dir, const QString& result) {
    const QImage truth = QImage(dir + QStringLiteral("/truth.png"));
    const QImage picture = QImage(result);
    if (truth.isNull() || picture.isNull() || truth.size() != picture.size()) {
        std::fprintf(stderr, "cannot read %s or %s/truth.png, or their sizes differ\n",
                     qPrintable(result), qPrintable(dir));
        return 2;
    }
    // Another stacker may keep another frame's place: its result is scored
    // against the slide drawn sharp in the result's own place.
    const tvx::SimDepthScene scene(tvx::MicrometerPicture(picture.width(), picture.height()));
    const tvx::Image8 p = tvx::BgrFromQImage(picture);
    const std::optional<tvx::Image8> inPlace = tvx::SimTruthInPlace(scene, p);
    if (!inPlace) {
        std::fprintf(stderr, "%s does not match the truth\n", qPrintable(result));
        return 1;
    }
    const Scores s = ScoreOf(p, *inPlace);
    std::printf("PSNR %.2f dB SSIM %.4f\n", s.psnr, s.ssim);
    return 0;
}

// The whole stack: alignment, warping and fusion of one sweep.
void BM_Stack(benchmark::State& state) {
    const Sweep sweep = MakeSweep(int(state.range(0)), int(state.range(1)), int(state.range(2)));
    ResetPeak();
    for (auto _ : state) {
        state.PauseTiming();
        std::vector<tvx::Image8> frames = sweep.frames;
        state.ResumeTiming();
        const tvx::StackOutcome out = tvx::StackFrames(std::move(frames));
        benchmark::DoNotOptimize(out.picture.pixels.data());
    }
    // The peak while stacking, the sweep and its truths held throughout.
    state.counters["peak_MiB"] = double(PeakKilobytes()) / 1024.0;
    std::size_t held = 0;
    for (const tvx::Image8& f : sweep.frames)
        held += 2 * f.pixels.size();
    state.counters["sweep_MiB"] = double(held) / (1024.0 * 1024.0);
}
BENCHMARK(BM_Stack)
    ->Args({640, 480, 20})
    ->Args({1920, 1080, 30})
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime()
    ->Iterations(3);

// The baseline: copying the same frames once, as the ring does.
void BM_CopyFrames(benchmark::State& state) {
    const Sweep sweep = MakeSweep(int(state.range(0)), int(state.range(1)), int(state.range(2)));
    for (auto _ : state) {
        std::vector<tvx::Image8> frames = sweep.frames;
        benchmark::DoNotOptimize(frames.data());
    }
}
BENCHMARK(BM_CopyFrames)
    ->Args({640, 480, 20})
    ->Args({1920, 1080, 30})
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime();

} // namespace

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv);
    if (argc == 4 && std::strcmp(argv[1], "--score") == 0)
        return ScoreOther(QString::fromLocal8Bit(argv[2]), QString::fromLocal8Bit(argv[3]));
    if (argc == 4 && std::strcmp(argv[1], "--stack") == 0)
        return StackFolder(QString::fromLocal8Bit(argv[2]), QString::fromLocal8Bit(argv[3]));
    benchmark::Initialize(&argc, argv);
    if (qEnvironmentVariableIsEmpty("TAVOLUX_STACK_BENCH_NO_FILES")) {
        WriteAndScore(640, 480, 20);
        WriteAndScore(1920, 1080, 30);
    }
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}

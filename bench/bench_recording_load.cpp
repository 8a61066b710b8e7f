// links: ui_record capture media tavolux_modules_build_tree PkgConfig::FFMPEG
// Does a recording keep every frame the camera delivers? 30 s of frames at
// a camera's steady pace go through the frame sink with the recording
// controller attached (the default compressor, Microsoft Video 1), as on the
// streaming thread, at 640 x 480 and 720 x 576; once on a quiet machine and
// once with one core kept busy by a spinning thread. The pace is the
// receiver's own at that size (12 and 10 frames a second), and 30 a second,
// the most a recording takes. The file is read back afterwards.
//
// Counters, per run:
//   delivered  frames handed to the sink
//   in_file    samples in the file's index (coded and held ones)
//   coded      samples with a picture of their own
//   held       frames that came while the encoder's queue was full: their
//              time is kept, the picture before them shows
//   sink_ms    the sink's time per frame on the streaming thread (mean),
//              sink_max_ms its worst, beside the same without a recording
//   late_ms    the worst lateness of a delivery against its schedule: what
//              the live view's frame interval lost
//
// Run:  build/bench/bench_recording_load   (about six minutes)
#include "capture/frame_sink.h"
#include "capture/sim_render.h"
#include "media/ffmpeg/ffmpeg_util.h"
#include "platform/prompts.h"
#include "ui/record/recording_controller.h"

extern "C" {
#include <libavformat/avformat.h>
}

#include "bench/offscreen_main.h"
#include <QFile>
#include <QGuiApplication>
#include <QTemporaryDir>

#include <benchmark/benchmark.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstring>
#include <thread>
#include <tuple>
#include <vector>

namespace {

using Clock = std::chrono::steady_clock;

constexpr int kSeconds = 30;

struct FileFacts {
    int64_t samples = 0;
    int64_t coded = 0;
};

FileFacts ReadBack(const QString& path) {
    FileFacts f;
    AVFormatContext* opened = nullptr;
    if (avformat_open_input(&opened, path.toLocal8Bit().constData(), nullptr, nullptr) < 0)
        return f;
    const tvx::ffmpeg::InputContextPtr fmt(opened);
    if (avformat_find_stream_info(fmt.get(), nullptr) < 0 || fmt->nb_streams != 1) return f;
    f.samples = fmt->streams[0]->nb_frames;
    const tvx::ffmpeg::PacketPtr pkt(av_packet_alloc());
    while (pkt && av_read_frame(fmt.get(), pkt.get()) >= 0) {
        if (pkt->size > 0) ++f.coded;
        av_packet_unref(pkt.get());
    }
    return f;
}

// One core kept busy for as long as it lives.
class BusyCore {
public:
    explicit BusyCore(bool on) {
        if (!on) return;
        thread_ = std::thread([this] {
            volatile uint64_t x = 1;
            while (!stop_.load(std::memory_order_relaxed))
                x = x * 6364136223846793005ull + 1442695040888963407ull;
        });
    }
    ~BusyCore() {
        stop_.store(true);
        if (thread_.joinable()) thread_.join();
    }

private:
    std::atomic<bool> stop_{false};
    std::thread thread_;
};

void Run(benchmark::State& state) {
    const int w = int(state.range(0)), h = int(state.range(1));
    const int fps = int(state.range(2));
    const bool busy = state.range(3) != 0;
    const bool recording = state.range(4) != 0;

    // The stage micrometer, drifting, so the encoder sees a real picture.
    const tvx::MicrometerPicture picture(w, h);
    std::vector<std::vector<uint8_t>> frames;
    for (int i = 0; i < 24; ++i) {
        std::vector<uint8_t> f(std::size_t(w) * 3 * h);
        picture.CopyView(tvx::SimDrift(i / 12.0), f.data(), w * 3);
        frames.push_back(std::move(f));
    }
    std::vector<uint8_t> work(frames[0].size());

    QTemporaryDir dir;
    std::vector<QString> files;
    tvx::ScriptedPrompts prompts;
    tvx::RecordingController rec(
        tvx::RecordingController::Hooks{
            [&] { return QSize(w, h); },
            [&] {
                QFile f(dir.path() + QString("/r%1.avi").arg(files.size()));
                return tvx::RecordingTarget{
                    f.open(QIODevice::NewOnly) ? f.fileName() : QString(), {}, 0};
            },
            [&](const QString& path) { files.push_back(path); },
            {}},
        prompts);
    tvx::EffectState effects;
    tvx::StillFlags flags;
    tvx::FrameSink sink(effects, flags);
    sink.SetRecorder(&rec);

    for (auto _ : state) {
        files.clear();
        if (recording && !rec.StartUnlimited()) {
            state.SkipWithError("the recording did not start");
            return;
        }
        BusyCore core(busy);
        const auto period = std::chrono::nanoseconds(1000000000 / fps);
        const auto start = Clock::now();
        double sinkTotal = 0, sinkMax = 0, lateMax = 0;
        int delivered = 0;
        for (int i = 0; i < kSeconds * fps; ++i) {
            const auto due = start + period * i;
            std::this_thread::sleep_until(due);
            const auto begin = Clock::now();
            lateMax =
                std::max(lateMax, std::chrono::duration<double, std::milli>(begin - due).count());
            // The sink works in place on the frame, as on the capture buffer.
            std::memcpy(work.data(), frames[size_t(i) % frames.size()].data(), work.size());
            sink.OnFrame(i / double(fps), tvx::FrameView{work.data(), w, h, w * 3});
            const double ms =
                std::chrono::duration<double, std::milli>(Clock::now() - begin).count();
            sinkTotal += ms;
            sinkMax = std::max(sinkMax, ms);
            ++delivered;
        }
        const auto delivering = Clock::now() - start;
        rec.Stop();
        state.SetIterationTime(std::chrono::duration<double>(delivering).count());

        FileFacts facts;
        for (const QString& path : files) {
            const FileFacts f = ReadBack(path);
            facts.samples += f.samples;
            facts.coded += f.coded;
        }
        const tvx::RecordingCounts counts = rec.counts();
        state.counters["delivered"] = delivered;
        state.counters["in_file"] = double(facts.samples);
        state.counters["coded"] = double(facts.coded);
        state.counters["held"] = double(counts.held);
        state.counters["sink_ms"] = sinkTotal / delivered;
        state.counters["sink_max_ms"] = sinkMax;
        state.counters["late_ms"] = lateMax;
        if (recording && facts.samples != delivered)
            state.SkipWithError("the file does not hold every delivered frame");
    }
    sink.SetRecorder(nullptr);
}

void Sizes(benchmark::internal::Benchmark* b) {
    b->ArgNames({"w", "h", "fps", "busy", "rec"});
    for (const auto& [w, h, fps] : {std::tuple{640, 480, 12}, std::tuple{720, 576, 10}}) {
        for (int busy : {0, 1})
            for (int rec : {0, 1})
                b->Args({w, h, fps, busy, rec});
        for (int busy : {0, 1})
            b->Args({w, h, 30, busy, 1});
    }
    b->UseManualTime()->Iterations(1)->Unit(benchmark::kSecond);
}
BENCHMARK(Run)->Apply(Sizes);

} // namespace

int main(int argc, char** argv) {
    return tvx::bench::RunOffscreen(argc, argv);
}

// links: ui_record capture tavolux_modules_build_tree
// How long a frame holds the streaming thread while a recording runs: the
// frame sink's whole per-frame path at 640 x 480 with the recording
// controller attached and recording with the default compressor (Microsoft
// Video 1), beside the same path with no recording open and a plain copy of
// the frame. The encoder works on a thread of its own; each frame is timed
// with an encoder that has caught up, so what is timed is the queued copy a
// camera's frame costs (bench_recording_load paces frames as a camera does). The frames are the
// simulated microscope's stage micrometer, drifting, so the encoder sees a picture like the real
// one.
#include "capture/frame_sink.h"
#include "capture/sim_render.h"
#include "platform/prompts.h"
#include "ui/record/recording_controller.h"

#include "bench/offscreen_main.h"
#include <QFile>
#include <QGuiApplication>
#include <QTemporaryDir>

#include <benchmark/benchmark.h>

#include <cstring>
#include <thread>
#include <vector>

namespace {

constexpr int kW = 640, kH = 480;

struct Frames {
    std::vector<std::vector<uint8_t>> frames;
    Frames() {
        const tvx::MicrometerPicture picture(kW, kH);
        for (int i = 0; i < 24; ++i) {
            std::vector<uint8_t> f(std::size_t(kW) * 3 * kH);
            picture.CopyView(tvx::SimDrift(i / 12.0), f.data(), kW * 3);
            frames.push_back(std::move(f));
        }
    }
};

void RunSink(benchmark::State& state, bool recording) {
    const Frames src;
    std::vector<uint8_t> work(std::size_t(kW) * 3 * kH);
    QTemporaryDir dir;
    int file = 0;
    tvx::ScriptedPrompts prompts;
    tvx::RecordingController rec(
        tvx::RecordingController::Hooks{
            [] { return QSize(kW, kH); },
            [&] {
                QFile f(dir.path() + QString("/r%1.avi").arg(file++));
                return tvx::RecordingTarget{
                    f.open(QIODevice::NewOnly) ? f.fileName() : QString(), {}, 0};
            },
            [](const QString& path) { QFile::remove(path); },
            {}},
        prompts);
    tvx::EffectState effects;
    tvx::StillFlags flags;
    tvx::FrameSink sink(effects, flags);
    sink.SetRecorder(&rec);
    if (recording && !rec.StartUnlimited()) {
        state.SkipWithError("the recording did not start");
        return;
    }
    std::size_t i = 0;
    double t = 0;
    for (auto _ : state) {
        // The sink works in place on the frame, as on the capture buffer.
        std::memcpy(work.data(), src.frames[i++ % src.frames.size()].data(), work.size());
        sink.OnFrame(t, tvx::FrameView{work.data(), kW, kH, kW * 3});
        t += 1.0 / 12;
        if (recording) {
            // A camera gives the encoder its time between two frames.
            state.PauseTiming();
            while (rec.counts().pictures < rec.counts().delivered)
                std::this_thread::yield();
            state.ResumeTiming();
        }
        // A ten-minute file at most: a new one keeps the disk use small
        // (the restart is outside the timing).
        if (recording && i % 600 == 0) {
            state.PauseTiming();
            rec.Stop();
            rec.StartUnlimited();
            state.ResumeTiming();
        }
    }
    sink.SetRecorder(nullptr);
    rec.Stop();
    state.SetItemsProcessed(state.iterations());
}

void BM_Copy640x480(benchmark::State& state) {
    const Frames src;
    std::vector<uint8_t> work(std::size_t(kW) * 3 * kH);
    std::size_t i = 0;
    for (auto _ : state) {
        std::memcpy(work.data(), src.frames[i++ % src.frames.size()].data(), work.size());
        benchmark::DoNotOptimize(work.data());
        benchmark::ClobberMemory();
    }
}
BENCHMARK(BM_Copy640x480)->Unit(benchmark::kMillisecond);

void BM_Sink640x480NotRecording(benchmark::State& state) {
    RunSink(state, false);
}
BENCHMARK(BM_Sink640x480NotRecording)->Unit(benchmark::kMillisecond);

void BM_Sink640x480RecordingMsVideo1(benchmark::State& state) {
    RunSink(state, true);
}
// Each timed frame waits (untimed) for the encoder: a fixed count keeps the run short.
BENCHMARK(BM_Sink640x480RecordingMsVideo1)->Unit(benchmark::kMillisecond)->Iterations(300);

} // namespace

int main(int argc, char** argv) {
    return tvx::bench::RunOffscreen(argc, argv);
}

// The capture pipeline is rebuilt on every unplug/plug and every size change:
// each rebuild must give back the old pipeline, its descriptors and its memory.
#include "capture/capture_engine.h"
#include "capture/sim_microscope.h"
#include "tests/capture/frame_collector.h"
#include "tests/support/status.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <chrono>
#include <cstdio>
#include <gtest/gtest.h>
#include <thread>
#include <vector>

namespace tvx {
namespace {

using namespace std::chrono_literals;

template <typename F> bool SpinUntil(F done) {
    const auto until = std::chrono::steady_clock::now() + 10s;
    while (!done()) {
        if (std::chrono::steady_clock::now() > until) return false;
        QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
        std::this_thread::sleep_for(2ms);
    }
    return true;
}

int OpenDescriptors() {
    return int(QDir(QStringLiteral("/proc/self/fd")).entryList(QDir::Files | QDir::System).size());
}

long ResidentKiB() {
    QFile f(QStringLiteral("/proc/self/status"));
    if (!f.open(QIODevice::ReadOnly)) return -1;
    for (const QByteArray& line : f.readAll().split('\n'))
        if (line.startsWith("VmRSS:")) return line.mid(6).trimmed().split(' ').value(0).toLong();
    return -1;
}

// Weak references to every pipeline (or element) the engine made, to see
// which still live.
class ObjectWatch {
public:
    ~ObjectWatch() {
        for (GWeakRef* w : refs_) {
            g_weak_ref_clear(w);
            delete w;
        }
    }
    void Note(GstElement* pipeline) {
        if (!pipeline) return;
        // A freed pipeline's address may come back for the next one.
        if (!refs_.empty()) {
            GObject* last = static_cast<GObject*>(g_weak_ref_get(refs_.back()));
            if (last) g_object_unref(last);
            if (last == G_OBJECT(pipeline)) return;
        }
        auto* w = new GWeakRef;
        g_weak_ref_init(w, pipeline);
        refs_.push_back(w);
    }
    int Alive() {
        int n = 0;
        for (GWeakRef* w : refs_)
            if (GObject* o = static_cast<GObject*>(g_weak_ref_get(w))) {
                ++n;
                g_object_unref(o);
            }
        return n;
    }
    int Made() const { return int(refs_.size()); }

private:
    std::vector<GWeakRef*> refs_;
};

struct LeakRig {
    SimulatedMicroscope* sim = new SimulatedMicroscope;
    CaptureEngine engine{std::vector<DeviceProvider*>{sim}};
    test::FrameCollector frames;
    int errors = 0; // told through captureError
    ObjectWatch pipelines;
    ObjectWatch sinks; // the preview branch's appsink, made anew with each branch

    LeakRig() {
        sim->SetDrift(false);
        engine.SetFrameReceiver(&frames);
        engine.SetWindows(nullptr);
        QObject::connect(&engine, &CaptureEngine::captureError, [this] { ++errors; });
    }
    ~LeakRig() {
        engine.Stop();
        engine.ReleaseAll();
    }
    bool Start() {
        const bool ok = engine.CreateDeviceEnumerator() && engine.EnumerateDevices() &&
                        engine.BuildGraph() && engine.BuildPreview() && engine.Run();
        NoteAll();
        return ok;
    }
    void NoteAll() {
        pipelines.Note(engine.Pipeline());
        if (!engine.Pipeline()) return;
        GstElement* sink = gst_bin_get_by_name(GST_BIN(engine.Pipeline()), "SampleGrabber");
        sinks.Note(sink);
        if (sink) gst_object_unref(sink);
    }
    // What the window's connection check does when the microscope goes and
    // comes back.
    bool UnplugAndPlug() {
        const int before = errors;
        sim->Unplug();
        if (!SpinUntil([&] { return errors > before; })) return false;
        engine.Stop();
        engine.TearDownPreview();
        engine.ReleaseAll();
        sim->Plug();
        return engine.EnumerateDevices().ok() && Start() && frames.WaitFrames(1, 640, 480);
    }
    // The current pipeline is held by the engine alone once the bus is read.
    int PipelineRefs() {
        SpinUntil([] { return true; });
        QCoreApplication::processEvents();
        GstElement* p = engine.Pipeline();
        return p ? int(GST_OBJECT_REFCOUNT_VALUE(p)) : -1;
    }
};

void Report(const char* what, int fdsBefore, int fdsAfter, long rssBefore, long rssAfter) {
    std::printf("[ figures  ] %s: descriptors %d -> %d, RSS %.1f -> %.1f MB\n", what, fdsBefore,
                fdsAfter, double(rssBefore) / 1024.0, double(rssAfter) / 1024.0);
    std::fflush(stdout);
}

TEST(EngineLeaks, UnplugPlugCyclesGiveBackEveryPipeline) {
    LeakRig rig;
    ASSERT_TRUE(rig.Start());
    ASSERT_TRUE(rig.frames.WaitFrames(1, 640, 480));
    // One cycle first, so that lazily made things (thread pools, plugin
    // state) are counted in the baseline.
    ASSERT_TRUE(rig.UnplugAndPlug());
    const int fds = OpenDescriptors();
    const long rss = ResidentKiB();
    const int refs = rig.PipelineRefs();
    EXPECT_EQ(refs, 1);

    constexpr int kCycles = 50;
    for (int i = 0; i < kCycles; ++i)
        ASSERT_TRUE(rig.UnplugAndPlug()) << "cycle " << i;
    Report("50 unplug/plug cycles", fds, OpenDescriptors(), rss, ResidentKiB());

    EXPECT_EQ(rig.pipelines.Made(), kCycles + 2);
    EXPECT_EQ(rig.pipelines.Alive(), 1); // only the current one
    EXPECT_EQ(rig.sinks.Alive(), 1);
    EXPECT_EQ(rig.PipelineRefs(), refs);
    EXPECT_EQ(OpenDescriptors(), fds);
}

TEST(EngineLeaks, SizeChangesKeepOnePipelineAndItsDescriptors) {
    LeakRig rig;
    ASSERT_TRUE(rig.Start());
    ASSERT_TRUE(rig.frames.WaitFrames(1, 640, 480));
    const QSize sizes[] = {{320, 240}, {720, 480}, {720, 576}, {640, 480}};
    ASSERT_TRUE(test::Succeeded(rig.engine.SetResolution(320, 240)));
    ASSERT_TRUE(rig.frames.WaitFrames(1, 320, 240));
    const int fds = OpenDescriptors();
    const long rss = ResidentKiB();
    const int refs = rig.PipelineRefs();
    EXPECT_EQ(refs, 1);

    constexpr int kChanges = 60;
    for (int i = 0; i < kChanges; ++i) {
        const QSize s = sizes[size_t(i + 1) % 4];
        ASSERT_TRUE(test::Succeeded(rig.engine.SetResolution(s.width(), s.height())));
        ASSERT_TRUE(rig.frames.WaitFrames(1, s.width(), s.height())) << "change " << i;
        rig.NoteAll();
    }
    Report("60 size changes", fds, OpenDescriptors(), rss, ResidentKiB());

    EXPECT_EQ(rig.pipelines.Alive(), 1);
    // Every branch but the current one is gone, with the frames it held,
    // even though no event loop ran between the changes.
    EXPECT_EQ(rig.sinks.Made(), kChanges + 1);
    EXPECT_EQ(rig.sinks.Alive(), 1);
    EXPECT_EQ(rig.PipelineRefs(), refs);
    EXPECT_EQ(OpenDescriptors(), fds);
}

} // namespace
} // namespace tvx

// The engine running the simulated microscope: frames, formats, CapConfig.dat,
// still pin, controls, unplugging.
#include "capture/capture_engine.h"
#include "capture/focus.h"
#include "capture/frame_sink.h"
#include "capture/sim_microscope.h"
#include "capture/sim_render.h"
#include "platform/button_input.h"
#include "tests/capture/frame_collector.h"
#include "tests/support/status.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QImage>
#include <QThread>
#include <chrono>
#include <condition_variable>
#include <gtest/gtest.h>
#include <mutex>
#include <thread>

namespace tvx {
namespace {

using namespace std::chrono_literals;
using test::FrameCollector;

template <typename F> bool SpinUntil(F done) {
    const auto until = std::chrono::steady_clock::now() + 10s;
    while (!done()) {
        if (std::chrono::steady_clock::now() > until) return false;
        QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
        std::this_thread::sleep_for(5ms);
    }
    return true;
}

struct SimRig {
    StillFlags still;
    SimulatedMicroscope* sim = new SimulatedMicroscope;
    CaptureEngine engine{std::vector<DeviceProvider*>{sim}};
    FrameCollector frames;

    SimRig() {
        sim->SetDrift(false);
        engine.SetStillFlags(&still);
        engine.SetFrameReceiver(&frames);
        engine.SetWindows(nullptr);
    }
    ~SimRig() {
        engine.Stop();
        engine.ReleaseAll();
    }
    bool Start() {
        return engine.CreateDeviceEnumerator() && engine.EnumerateDevices() &&
               engine.BuildGraph() && engine.BuildPreview() && engine.Run();
    }
};

// The undrifted slide as the program keeps it: bottom-up rows, DIB stride.
std::vector<uint8_t> ExpectedFrame(int w, int h) {
    const int gstStride = w * 3;
    std::vector<uint8_t> topDown(size_t(gstStride) * h);
    MicrometerPicture(w, h).CopyView(QPoint(), topDown.data(), gstStride);
    const int stride = DibStride(w);
    std::vector<uint8_t> out(size_t(stride) * h);
    for (int y = 0; y < h; ++y)
        std::copy_n(topDown.data() + size_t(y) * gstStride, w * 3,
                    out.data() + size_t(h - 1 - y) * stride);
    return out;
}

TEST(SimFrames, EachSizeArrivesBottomUpWithDibRows) {
    SimRig rig;
    ASSERT_TRUE(rig.Start());
    EXPECT_TRUE(rig.engine.HasStillPin());
    ASSERT_TRUE(rig.frames.WaitFrames(2, 640, 480)); // no CapConfig.dat: the default
    EXPECT_EQ(rig.engine.captureSize().width, 640);

    const QSize sizes[] = {{320, 240}, {720, 480}, {720, 576}, {640, 480}};
    for (const QSize& s : sizes) {
        SCOPED_TRACE(s.width());
        EXPECT_TRUE(test::Succeeded(rig.engine.SetResolution(s.width(), s.height())));
        EXPECT_TRUE(rig.engine.IsRunning());
        ASSERT_TRUE(rig.frames.WaitFrames(2, s.width(), s.height()));
        int stride = 0;
        const std::vector<uint8_t> got = rig.frames.Last(&stride);
        // Straight from GStreamer's buffer: its top-down rows read upward.
        EXPECT_LE(rig.frames.DeliveredStride(), -s.width() * 3);
        EXPECT_EQ(rig.frames.PixelBytes(), 3) << "BGR frames pass through unconverted";
        EXPECT_TRUE(rig.frames.Owned());
        const std::vector<uint8_t> want = ExpectedFrame(s.width(), s.height());
        ASSERT_EQ(got.size(), want.size());
        // Row 0 of the program's frame is the bottom of the picture.
        const size_t row = size_t(stride);
        EXPECT_TRUE(std::equal(want.begin(), want.begin() + row, got.begin()));
        EXPECT_TRUE(std::equal(want.end() - row, want.end(), got.end() - row));
        EXPECT_TRUE(got == want);
        EXPECT_EQ(rig.engine.captureSize().width, s.width());
        EXPECT_EQ(rig.engine.captureSize().height, s.height());
    }
}

// A running stream draws every frame into a buffer that comes back, at each
// size (a new size brings a new set of buffers).
TEST(SimFrames, FramesAreDrawnIntoRecycledBuffers) {
    SimRig rig;
    ASSERT_TRUE(rig.Start());
    ASSERT_TRUE(rig.frames.WaitFrames(3, 640, 480));
    EXPECT_TRUE(test::Succeeded(rig.engine.SetResolution(320, 240)));
    ASSERT_TRUE(rig.frames.WaitFrames(3, 320, 240));
    rig.engine.Stop();
    EXPECT_GE(rig.sim->FramesDelivered(), 6u);
    EXPECT_EQ(rig.sim->FramesFromPool(), rig.sim->FramesDelivered());
}

// A still slide hands out the same drawn pixels again; an effect on them
// must work on a copy, or every other frame would be turned back.
TEST(SimFrames, EffectsOnAStillSlideNeverWriteTheSharedPixels) {
    SimRig rig;
    EffectState effects;
    StillFlags flags;
    FrameSink sink(effects, flags);
    EffectSwitches neg;
    neg.negative = true;
    effects.Store(neg);
    // Drawn before the stream starts: the slide's text drawing is not for
    // two threads at once.
    std::vector<uint8_t> want = ExpectedFrame(640, 480);
    for (int i = 0; i < 640 * 3; ++i)
        want[std::size_t(i)] = uint8_t(255 - want[std::size_t(i)]);
    rig.engine.SetFrameReceiver(&sink);
    ASSERT_TRUE(rig.Start());
    const uint64_t start = rig.sim->FramesDelivered();
    for (int round = 0; round < 3; ++round) {
        const uint64_t seen = rig.sim->FramesDelivered();
        ASSERT_TRUE(SpinUntil([&] { return rig.sim->FramesDelivered() >= seen + 2; }));
        const StillPicture still = sink.TakeStill();
        ASSERT_EQ(still.width, 640);
        SCOPED_TRACE(round);
        // The bottom row, inverted once whichever frame the still is.
        EXPECT_TRUE(std::equal(want.begin(), want.begin() + 640 * 3, still.pixels.begin()));
    }
    EXPECT_GE(rig.sim->FramesDelivered(), start + 6);
    rig.engine.Stop();
    rig.engine.SetFrameReceiver(nullptr);
}

// A still request met on the streaming thread is told to the UI thread
// through the queued stillDue: once taken, later frames tell nothing more.
TEST(SimFrames, StillDueReachesTheUiThread) {
    SimRig rig;
    EffectState effects;
    StillFlags flags;
    FrameSink sink(effects, flags);
    QObject receiver;
    int notices = 0, taken = 0, elsewhere = 0;
    QObject::connect(
        &sink, &FrameSink::stillDue, &receiver,
        [&](bool hardware) {
            ++notices;
            if (QThread::currentThread() != receiver.thread() || hardware) ++elsewhere;
            StillSource source = StillSource::Microscope;
            if (flags.Take(&source)) ++taken;
        },
        Qt::QueuedConnection);
    rig.engine.SetFrameReceiver(&sink);
    ASSERT_TRUE(rig.Start());
    flags.Request(StillSource::Keyboard);
    ASSERT_TRUE(SpinUntil([&] { return taken == 1; }));
    // Frames already under way may still tell; after two more, nobody does.
    const uint64_t seen = rig.sim->FramesDelivered();
    ASSERT_TRUE(SpinUntil([&] { return rig.sim->FramesDelivered() >= seen + 2; }));
    QCoreApplication::processEvents();
    const int settled = notices;
    const uint64_t later = rig.sim->FramesDelivered();
    ASSERT_TRUE(SpinUntil([&] { return rig.sim->FramesDelivered() >= later + 3; }));
    QCoreApplication::processEvents();
    EXPECT_EQ(notices, settled);
    EXPECT_EQ(taken, 1);
    EXPECT_EQ(elsewhere, 0) << "on the UI thread, for a keyboard still";
    rig.engine.Stop();
    rig.engine.SetFrameReceiver(nullptr);
}

TEST(SimFrames, DriftMovesThePicture) {
    SimRig rig;
    rig.sim->SetDrift(true);
    ASSERT_TRUE(rig.Start());
    ASSERT_TRUE(rig.frames.WaitFrames(1, 640, 480));
    int stride = 0;
    double t0 = 0, t1 = 0;
    const std::vector<uint8_t> first = rig.frames.Last(&stride, &t0);
    // Wait until the slide has visibly moved; it drifts a few pixels a second.
    bool moved = false;
    for (int i = 0; i < 200 && !moved; ++i) {
        ASSERT_TRUE(rig.frames.WaitFrames(1, 640, 480));
        moved = rig.frames.Last(&stride, &t1) != first;
    }
    EXPECT_TRUE(moved);
    EXPECT_GT(t1, t0);
}

TEST(SimFrames, FocusControlBlursTheDeliveredPicture) {
    SimRig rig;
    ASSERT_TRUE(rig.Start());
    ASSERT_TRUE(rig.frames.WaitFrames(1, 640, 480));
    int stride = 0;
    const std::vector<uint8_t> sharp = rig.frames.Last(&stride);
    EXPECT_EQ(sharp, ExpectedFrame(640, 480)) << "sharp until told otherwise";
    ASSERT_TRUE(rig.sim->HandleControlLine("focus 5"));
    // A frame under way may still be sharp; the next but one is not.
    ASSERT_TRUE(rig.frames.WaitFrames(2, 640, 480));
    std::vector<uint8_t> soft = rig.frames.Last(&stride);
    FocusScratch scratch;
    const double sharpFigure =
        FocusFigure(FrameView{const_cast<uint8_t*>(sharp.data()), 640, 480, stride}, scratch);
    const double softFigure = FocusFigure(FrameView{soft.data(), 640, 480, stride}, scratch);
    EXPECT_LT(softFigure, 0.5 * sharpFigure);
}

TEST(SimFrames, StoredFormatIsUsedAtTheNextStart) {
    {
        SimRig rig;
        ASSERT_TRUE(rig.Start());
        ASSERT_TRUE(rig.frames.WaitFrames(1, 640, 480));
        ASSERT_TRUE(test::Succeeded(rig.engine.SetResolution(720, 480)));
    }
    VideoInfoHeader stored;
    ASSERT_TRUE(ReadCapConfigFile(CapConfigPath(), &stored));
    EXPECT_EQ(stored.biWidth, 720);
    EXPECT_EQ(stored.biHeight, 480);
    EXPECT_EQ(stored.biBitCount, 24);
    EXPECT_EQ(stored.biSizeImage, 720u * 480u * 3u);

    SimRig next;
    ASSERT_TRUE(next.Start());
    EXPECT_EQ(next.engine.CurrentFormat().biWidth, 720);
    EXPECT_TRUE(next.frames.WaitFrames(1, 720, 480));
}

TEST(SimFrames, ShortOrUnofferedStoredFormatsFallBackToTheDefault) {
    VideoInfoHeader h = ResizedFormat(VideoInfoHeader(), 720, 480);
    QFile f(CapConfigPath());
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write(SerializeCapConfig(h).left(80));
    f.close();
    {
        SimRig rig;
        ASSERT_TRUE(rig.Start());
        EXPECT_EQ(rig.engine.CurrentFormat().biWidth, 640);
        EXPECT_TRUE(rig.frames.WaitFrames(1, 640, 480));
    }
    // A whole file with a size the device does not offer.
    ASSERT_TRUE(WriteCapConfigFile(CapConfigPath(), ResizedFormat(h, 1024, 768)));
    SimRig rig;
    ASSERT_TRUE(rig.Start());
    EXPECT_EQ(rig.engine.CurrentFormat().biWidth, 640);
    EXPECT_TRUE(rig.frames.WaitFrames(1, 640, 480));
    EXPECT_FALSE(rig.engine.SetResolution(800, 600));
    EXPECT_TRUE(rig.frames.WaitFrames(1, 640, 480));
}

TEST(SimFrames, ResolutionWhileStoppedStaysStopped) {
    SimRig rig;
    ASSERT_TRUE(rig.Start());
    ASSERT_TRUE(rig.frames.WaitFrames(1, 640, 480));
    ASSERT_TRUE(test::Succeeded(rig.engine.Stop()));
    EXPECT_TRUE(test::Succeeded(rig.engine.SetResolution(320, 240)));
    EXPECT_FALSE(rig.engine.IsRunning());
    EXPECT_TRUE(rig.engine.IsBuilt());
    const int before = rig.frames.Count();
    ASSERT_TRUE(test::Succeeded(rig.engine.Run()));
    EXPECT_TRUE(rig.frames.WaitFrames(1, 320, 240));
    EXPECT_GT(rig.frames.Count(), before);
    EXPECT_TRUE(test::Succeeded(rig.engine.RestartPreview()));
    EXPECT_TRUE(rig.frames.WaitFrames(1, 320, 240));
}

TEST(SimFrames, StatesRefuseOutOfOrderCalls) {
    SimRig rig;
    ASSERT_TRUE(rig.engine.CreateDeviceEnumerator());
    ASSERT_TRUE(rig.engine.EnumerateDevices());
    EXPECT_FALSE(rig.engine.BuildPreview()); // no graph
    EXPECT_FALSE(rig.engine.Run());
    ASSERT_TRUE(test::Succeeded(rig.engine.BuildGraph()));
    EXPECT_FALSE(rig.engine.Run()); // no preview
    ASSERT_TRUE(test::Succeeded(rig.engine.BuildPreview()));
    ASSERT_TRUE(test::Succeeded(rig.engine.Run()));
    EXPECT_TRUE(test::Succeeded(rig.engine.BuildPreview())); // built already
    rig.engine.TearDownPreview();
    EXPECT_FALSE(rig.engine.IsBuilt());
    EXPECT_FALSE(rig.engine.IsRunning());
    EXPECT_TRUE(rig.engine.HasGraph());
    rig.engine.ReleaseAll();
    EXPECT_FALSE(rig.engine.HasGraph());
    EXPECT_EQ(rig.engine.GetVideoProcAmp(), nullptr);
}

TEST(SimFrames, PressGoesToTheStillPinOrToTheOpenButton) {
    SimRig rig;
    ASSERT_TRUE(rig.sim->Start());
    ASSERT_TRUE(rig.Start());
    ASSERT_TRUE(rig.frames.WaitFrames(1, 640, 480));
    rig.still.Clear();
    rig.sim->Press();
    EXPECT_TRUE(SpinUntil([&] { return rig.still.Load().hardware; }));
    EXPECT_TRUE(rig.still.Load().request);

    rig.still.Clear();
    SnapshotButton button;
    ASSERT_EQ(button.OpenInterface(), 1);
    rig.sim->Press();
    EXPECT_EQ(button.IsButtonPressed(), 1);
    EXPECT_EQ(button.IsButtonPressed(), 0);
    ASSERT_TRUE(rig.frames.WaitFrames(3, 640, 480));
    EXPECT_FALSE(rig.still.Load().hardware); // one press, one still
    // The still pin alone, as the control FIFO's "still" does.
    EXPECT_TRUE(rig.sim->HandleControlLine("  still \r"));
    EXPECT_TRUE(SpinUntil([&] { return rig.still.Load().hardware; }));
    EXPECT_FALSE(rig.sim->HandleControlLine("jump"));
    // The slide with relief: positions and sweeps in micrometres, the truth to a file.
    EXPECT_TRUE(rig.sim->HandleControlLine("focus at 80"));
    EXPECT_TRUE(rig.sim->HandleControlLine("FOCUS SWEEP -40 220 5"));
    EXPECT_FALSE(rig.sim->HandleControlLine("focus at"));
    EXPECT_FALSE(rig.sim->HandleControlLine("focus sweep 0 100"));
    EXPECT_FALSE(rig.sim->HandleControlLine("focus sweep 0 100 -1"));
    EXPECT_FALSE(rig.sim->HandleControlLine("focus at 1e9"));
    const QString truth = QDir::temp().filePath(QStringLiteral("tavolux-sim-truth.png"));
    ASSERT_TRUE(rig.sim->HandleControlLine(QStringLiteral("truth ") + truth));
    EXPECT_EQ(QImage(truth).size(), QSize(640, 480));
    QFile::remove(truth);
}

TEST(SimFrames, UnplugAndPlug) {
    SimRig rig;
    QStringList arrived, removed;
    QObject::connect(&rig.engine, &CaptureEngine::deviceArrived,
                     [&](const QString& n) { arrived << n; });
    QObject::connect(&rig.engine, &CaptureEngine::deviceRemoved,
                     [&](const QString& n) { removed << n; });
    QStringList errors;
    QObject::connect(&rig.engine, &CaptureEngine::captureError,
                     [&](const QString& reason) { errors << reason; });
    ASSERT_TRUE(rig.Start());
    EXPECT_TRUE(rig.engine.LastError().isEmpty());
    ASSERT_TRUE(rig.frames.WaitFrames(1, 640, 480));
    EXPECT_TRUE(rig.engine.IsDevicePresent());

    ASSERT_TRUE(rig.sim->HandleControlLine("unplug"));
    EXPECT_EQ(removed, QStringList{SimulatedMicroscope::kDisplayName});
    EXPECT_FALSE(rig.engine.IsDevicePresent());
    EXPECT_TRUE(rig.engine.CurrentDeviceId().isEmpty());
    // The stream ends with an error, told once with its reason.
    EXPECT_TRUE(SpinUntil([&] { return !errors.isEmpty(); }));
    QCoreApplication::processEvents();
    ASSERT_EQ(errors.size(), 1);
    EXPECT_TRUE(errors[0].contains(QLatin1String("unplugged"))) << errors[0].toStdString();
    EXPECT_EQ(rig.engine.LastError(), errors[0]);

    // What the connection check does next: release and try again; each
    // refusal says why.
    rig.engine.Stop();
    rig.engine.TearDownPreview();
    rig.engine.ReleaseAll();
    const Status listed = rig.engine.EnumerateDevices();
    EXPECT_FALSE(listed);
    EXPECT_EQ(listed.reason(), "no capture device is attached");
    const Status graph = rig.engine.BuildGraph();
    EXPECT_FALSE(graph);
    EXPECT_EQ(graph.reason(), "no capture device is chosen");

    ASSERT_TRUE(rig.sim->HandleControlLine("plug"));
    EXPECT_EQ(arrived, QStringList{SimulatedMicroscope::kDisplayName});
    ASSERT_TRUE(test::Succeeded(rig.engine.EnumerateDevices()));
    EXPECT_TRUE(rig.engine.IsDevicePresent());
    ASSERT_TRUE(rig.engine.BuildGraph() && rig.engine.BuildPreview() && rig.engine.Run());
    EXPECT_TRUE(rig.frames.WaitFrames(1, 640, 480));
}

TEST(SimFrames, PictureControlsAndNorm) {
    SimRig rig;
    ASSERT_TRUE(rig.Start());
    VideoProcAmp* amp = rig.engine.GetVideoProcAmp();
    ASSERT_NE(amp, nullptr);
    ProcAmpRange range;
    ASSERT_EQ(amp->GetRange(kProcAmpBrightness, &range), kResultOk);
    EXPECT_EQ(range.min, -64);
    EXPECT_EQ(range.max, 64);
    int value = 99, flags = 0;
    ASSERT_EQ(amp->Get(kProcAmpBrightness, &value, &flags), kResultOk);
    EXPECT_EQ(value, range.defaultValue);
    ProcAmpRange untouched{1, 2, 3, 4, 5};
    EXPECT_EQ(amp->GetRange(kProcAmpSharpness, &untouched), kResultNotSupported);
    EXPECT_EQ(untouched.max, 2);
    EXPECT_EQ(amp->Set(kProcAmpGamma, 1, kProcAmpFlagsManual), kResultNotSupported);
    EXPECT_LT(amp->Set(kProcAmpBrightness, 65, kProcAmpFlagsManual), 0);
    EXPECT_LT(amp->Get(6, &value, &flags), 0);

    ASSERT_TRUE(rig.frames.WaitFrames(1, 640, 480));
    int stride = 0;
    auto mean = [](const std::vector<uint8_t>& v) {
        double s = 0;
        for (uint8_t b : v)
            s += b;
        return s / double(v.size());
    };
    const double before = mean(rig.frames.Last(&stride));
    ASSERT_EQ(amp->Set(kProcAmpBrightness, 40, kProcAmpFlagsManual), kResultOk);
    ASSERT_TRUE(rig.frames.WaitFrames(3, 640, 480));
    EXPECT_GT(mean(rig.frames.Last(&stride)), before + 10);
    ASSERT_EQ(amp->Get(kProcAmpBrightness, &value, &flags), kResultOk);
    EXPECT_EQ(value, 40);

    // The device keeps its values across a rebuild.
    rig.engine.Stop();
    rig.engine.TearDownPreview();
    rig.engine.ReleaseAll();
    ASSERT_TRUE(rig.engine.BuildGraph() && rig.engine.BuildPreview() && rig.engine.Run());
    amp = rig.engine.GetVideoProcAmp();
    ASSERT_NE(amp, nullptr);
    ASSERT_EQ(amp->Get(kProcAmpBrightness, &value, &flags), kResultOk);
    EXPECT_EQ(value, 40);

    int norm = 0;
    ASSERT_TRUE(test::Succeeded(rig.engine.GetTvFormat(&norm)));
    EXPECT_EQ(norm, kTvFormatNtscM);
    ASSERT_TRUE(test::Succeeded(rig.engine.SetTvFormat(kTvFormatPalB)));
    ASSERT_TRUE(test::Succeeded(rig.engine.GetTvFormat(&norm)));
    EXPECT_EQ(norm, kTvFormatPalB);
    EXPECT_FALSE(rig.engine.SetTvFormat(3));
}

TEST(SimFrames, MicrometerIsDrawnToThePixelPitch) {
    // 0.5 mm at magnification 60: pitch × 10 / 60 µm a pixel.
    EXPECT_NEAR(SimPixelsPerMillimetre(640, 480) * 0.5, 500.0 / (65.1465798045602 / 6.0), 1e-9);
    EXPECT_NEAR(SimPixelsPerMillimetre(720, 480), 1000.0 / (57.471264367 / 6.0), 1e-9);
    EXPECT_DOUBLE_EQ(SimPixelPitch(320, 240), SimPixelPitch(720, 576));
    for (double t : {0.0, 3.3, 11.0, 100.0, 1e6}) {
        const QPoint d = SimDrift(t);
        EXPECT_LE(std::abs(d.x()), kSimDriftMargin);
        EXPECT_LE(std::abs(d.y()), kSimDriftMargin);
    }
}

} // namespace
} // namespace tvx

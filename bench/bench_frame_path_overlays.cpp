// links: ui_main
// The per-frame path of the live picture at 720 x 576 with what the window
// draws over it: the cross line, the ruler and the circle grid switched on
// and ten finished measurements with their labels, through the frame sink
// into the window's 640 x 480 view and into a 1920 x 1080 full screen. The
// same path without overlays runs beside it as the baseline. Each frame is
// painted into the window's picture, as the view paints it.
#include "capture/frame_sink.h"
#include "capture/live_surface.h"
#include "measure/calibration.h"
#include "measure/live_guides.h"
#include "measure/tool_registry.h"
#include "platform/prompts.h"
#include "platform/settings.h"
#include "ui/main/live_guides_overlay.h"
#include "ui/main/live_measure.h"
#include "ui/main/main_window_ids.h"

#include "bench/offscreen_main.h"
#include <QGuiApplication>
#include <QImage>
#include <QPainter>

#include <benchmark/benchmark.h>

#include <cstring>
#include <random>
#include <vector>

namespace {

using namespace tvx;

const QSize kCapture(720, 576);

struct Source {
    int w, h;
    std::vector<uint8_t> frame; // bottom-up, as the sink is handed it
    Source(int width, int height) : w(width), h(height), frame(std::size_t(width) * 3 * height) {
        std::mt19937 rng(5);
        for (auto& b : frame)
            b = uint8_t(rng());
    }
    FrameView View() { return FrameView{frame.data(), w, h, w * 3}; }
};

// Ten measurements in live coordinates, one of each live kind.
void AddShapes(LiveShapes& shapes) {
    ToolSettings s;
    s.ctx = CurrentMeasureContext(kCapture, 60, SettingsValues{}, MeasuringScope{});
    const int w = 640, h = 480;
    auto at = [&](double fx, double fy) { return QPoint(int(fx * w), int(fy * h)); };
    const std::pair<ToolId, std::vector<QPoint>> clicks[] = {
        {ToolId::Line, {at(.1, .1), at(.3, .15), at(.2, .2)}},
        {ToolId::ContinuousLine,
         {at(.6, .1), at(.7, .12), at(.7, .16), at(.8, .2), at(.8, .24), at(.9, .1)}},
        {ToolId::PointToLine, {at(.1, .3), at(.3, .3), at(.2, .4), at(.25, .45)}},
        {ToolId::Polygon, {at(.6, .3), at(.75, .3), at(.7, .4)}},
        {ToolId::RadiusCircle, {at(.2, .6), at(.25, .6), at(.3, .65)}},
        {ToolId::DiameterCircle, {at(.45, .6), at(.55, .6), at(.55, .7)}},
        {ToolId::ThreePointCircle, {at(.7, .55), at(.8, .6), at(.7, .65), at(.85, .7)}},
        {ToolId::ThreePointArc, {at(.1, .8), at(.15, .75), at(.2, .8), at(.2, .85)}},
        {ToolId::ThreePointAngle, {at(.4, .8), at(.45, .9), at(.5, .8), at(.5, .85)}},
        {ToolId::FourPointAngle, {at(.65, .8), at(.8, .85), at(.65, .9), at(.8, .8), at(.85, .9)}},
    };
    ShapeList made;
    for (const auto& [id, points] : clicks) {
        auto tool = MakeLiveTool(id);
        tool->Bind(&made);
        tool->SetSettings(s);
        for (const QPoint& c : points) {
            tool->Move(c);
            tool->Press(c);
        }
        if (id == ToolId::ContinuousLine) tool->DoubleClick(points.back());
        if (id == ToolId::Polygon) {
            tool->DoubleClick(points.back());
            tool->Press(at(.68, .35));
        }
    }
    shapes.Edit([&](ShapeList& l) {
        for (const CMeasureShape& shape : made.shapes())
            l.Append(shape);
    });
}

void RunPath(benchmark::State& state, QSize view, bool fullScreen, bool overlays) {
    Source src(kCapture.width(), kCapture.height());
    EffectState effects;
    StillFlags flags;
    FrameSink sink(effects, flags);
    LiveSurface surface;
    if (fullScreen)
        surface.EnterFullScreen(view);
    else
        surface.Recreate(view);

    LiveShapes shapes;
    const auto m60 = [] { return std::optional<double>(60.0); };
    LiveGuides guides({[] { return true; }, m60, m60, [] { return QStringLiteral("mm"); }});
    const auto sixty = [](bool) { return std::optional<double>(60.0); };
    CalibrationState calibration;
    ScriptedPrompts prompts;
    SettingsStore settings;
    LiveMeasure measure(shapes, calibration, prompts, settings, nullptr, nullptr,
                        {sixty, sixty, [](int, bool) {}, [](int) { return false; },
                         [&surface] { return surface.mapping(); }});
    if (overlays) {
        for (int id : {ids::kCrossLine, ids::kScale, ids::kCircle})
            guides.Toggle(id);
        AddShapes(shapes);
        surface.SetOverlay(LiveLayer::Shapes, &measure);
        for (LiveLayer layer : {LiveLayer::CrossLine, LiveLayer::Ruler, LiveLayer::CircleGrid})
            surface.SetOverlay(layer, guides.overlay(layer));
    }
    sink.SetLiveSurface(&surface);
    // Painted into the window's picture after every frame, as the view is.
    QImage window(view, QImage::Format_RGB32);
    double t = 0;
    for (auto _ : state) {
        sink.OnFrame(t, src.View());
        QPainter p(&window);
        surface.Paint(p, window.rect());
        t += 0.04;
    }
    sink.SetLiveSurface(nullptr);
    int count = 0;
    shapes.Draw([&](const ShapeList& l) { count = int(l.shapes().size()); });
    state.counters["shapes"] = count;
}

const QSize kWindow(640, 480);
const QSize kFull(1920, 1080);

BENCHMARK_CAPTURE(RunPath, window_plain, kWindow, false, false)
    ->Unit(benchmark::kMicrosecond)
    ->MeasureProcessCPUTime();
BENCHMARK_CAPTURE(RunPath, window_guides_and_shapes, kWindow, false, true)
    ->Unit(benchmark::kMicrosecond)
    ->MeasureProcessCPUTime();
BENCHMARK_CAPTURE(RunPath, full_plain, kFull, true, false)
    ->Unit(benchmark::kMicrosecond)
    ->MeasureProcessCPUTime();
BENCHMARK_CAPTURE(RunPath, full_guides_and_shapes, kFull, true, true)
    ->Unit(benchmark::kMicrosecond)
    ->MeasureProcessCPUTime();

} // namespace

int main(int argc, char** argv) {
    return tvx::bench::RunOffscreen(argc, argv);
}

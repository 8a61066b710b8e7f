// links: measure
// The overlays of one live frame: cross line, ruler and circle grid, plus
// ten finished measurements with their labels and one shape under way, drawn
// onto an RGB32 surface of the window's size and of a full-screen size. A
// plain copy of the surface is the baseline.
#include "measure/live_guides.h"
#include "measure/shape_drawing.h"
#include "measure/tool_registry.h"

#include "bench/offscreen_main.h"
#include <QGuiApplication>
#include <QImage>
#include <QPainter>

#include <benchmark/benchmark.h>

#include <cstring>
#include <memory>

namespace {

using namespace tvx;

struct Scene {
    ShapeList list;
    std::unique_ptr<CMeasureTool> underWay;
    GuideSnapshot guides;
    MeasureContext ctx;

    explicit Scene(QSize view) {
        ToolSettings s;
        s.ctx.unit = QStringLiteral("mm");
        s.ctx.scale = UnitPerPixel(QSize(720, 576), s.ctx.unit, true);
        s.ctx.magnification = 60;
        s.ctx.decimals = 3;
        ctx = s.ctx;
        guides.crossLine = guides.ruler = guides.circleGrid = true;
        guides.scale = GuideScale{60, s.ctx.unit};

        // Ten shapes spread over the view, one of each live kind.
        const int w = view.width(), h = view.height();
        auto at = [&](double fx, double fy) { return QPoint(int(fx * w), int(fy * h)); };
        const std::pair<ToolId, std::vector<QPoint>> shapes[] = {
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
            {ToolId::FourPointAngle,
             {at(.65, .8), at(.8, .85), at(.65, .9), at(.8, .8), at(.85, .9)}},
        };
        for (const auto& [id, clicks] : shapes) {
            auto tool = MakeLiveTool(id);
            tool->Bind(&list);
            tool->SetSettings(s);
            for (const QPoint& c : clicks) {
                tool->Move(c);
                tool->Press(c);
            }
            if (id == ToolId::ContinuousLine) tool->DoubleClick(clicks.back());
            if (id == ToolId::Polygon) {
                tool->DoubleClick(clicks.back());
                tool->Press(at(.68, .35));
            }
        }
        underWay = MakeLiveTool(ToolId::RadiusCircle);
        underWay->Bind(&list);
        underWay->SetSettings(s);
        underWay->Press(at(.5, .5));
        underWay->Move(at(.55, .52));
    }
};

void Overlays(benchmark::State& state, QSize view, bool guides, bool shapes) {
    Scene scene(view);
    state.counters["shapes"] = double(scene.list.shapes().size());
    QImage surface(view, QImage::Format_RGB32);
    surface.fill(Qt::darkGray);
    const QFont font;
    for (auto _ : state) {
        QPainter p(&surface);
        if (shapes)
            DrawLiveShapes(p, scene.list, scene.underWay.get(), PenSnapshot{}, scene.ctx, 1.0, 1.0);
        if (guides) DrawLiveGuides(p, ViewMapping::Identity(view), scene.guides, font);
        p.end();
        benchmark::DoNotOptimize(surface.constBits());
    }
}

void CopyBaseline(benchmark::State& state, QSize view) {
    QImage a(view, QImage::Format_RGB32), b(view, QImage::Format_RGB32);
    a.fill(Qt::darkGray);
    for (auto _ : state) {
        std::memcpy(b.bits(), a.constBits(), size_t(a.sizeInBytes()));
        benchmark::DoNotOptimize(b.constBits());
    }
}

const QSize kWindow(720, 576);
const QSize kFull(1920, 1080);

BENCHMARK_CAPTURE(CopyBaseline, window_720x576, kWindow)->Unit(benchmark::kMicrosecond);
BENCHMARK_CAPTURE(Overlays, guides_720x576, kWindow, true, false)->Unit(benchmark::kMicrosecond);
BENCHMARK_CAPTURE(Overlays, shapes_720x576, kWindow, false, true)->Unit(benchmark::kMicrosecond);
BENCHMARK_CAPTURE(Overlays, all_720x576, kWindow, true, true)->Unit(benchmark::kMicrosecond);
BENCHMARK_CAPTURE(CopyBaseline, full_1920x1080, kFull)->Unit(benchmark::kMicrosecond);
BENCHMARK_CAPTURE(Overlays, guides_1920x1080, kFull, true, false)->Unit(benchmark::kMicrosecond);
BENCHMARK_CAPTURE(Overlays, shapes_1920x1080, kFull, false, true)->Unit(benchmark::kMicrosecond);
BENCHMARK_CAPTURE(Overlays, all_1920x1080, kFull, true, true)->Unit(benchmark::kMicrosecond);

} // namespace

int main(int argc, char** argv) {
    return tvx::bench::RunOffscreen(argc, argv);
}

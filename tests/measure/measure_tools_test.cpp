// The measuring tools driven with clicks, and the live shapes they draw.
#include "measure/live_guides.h"
#include "measure/shape_drawing.h"
#include "measure/tool_registry.h"

#include "tests/measure/qt_printers.h"
#include <QImage>
#include <QPainter>
#include <QSet>

#include <gtest/gtest.h>

namespace tvx {
namespace {

const QSize k640(640, 480);

ToolSettings Settings640(double magnification, int decimals = 2) {
    ToolSettings s;
    s.ctx.unit = QStringLiteral("mm");
    s.ctx.scale = UnitPerPixel(k640, s.ctx.unit, true);
    s.ctx.magnification = magnification;
    s.ctx.decimals = decimals;
    s.style.penColor = 0x00FF00; // green lines, easy to find in pictures
    return s;
}

struct Bench {
    explicit Bench(ToolId id, ToolSettings s = Settings640(100)) : tool(MakeLiveTool(id)) {
        tool->Bind(&list);
        tool->SetSettings(std::move(s));
    }
    void Clicks(std::initializer_list<QPoint> points) {
        for (const QPoint& p : points) {
            tool->Move(p);
            tool->Press(p);
        }
    }
    ShapeList list;
    std::unique_ptr<CMeasureTool> tool;
};

TEST(LiveToolTest, LineReadsTheLengthAndWaitsForItsLabelPosition) {
    Bench b(ToolId::Line);
    b.Clicks({{10, 10}, {164, 10}});
    // 154 × 0.0651465798 × 10 / 100 = 1.0033 mm.
    EXPECT_EQ(b.tool->phase(), CMeasureTool::Phase::Label);
    EXPECT_EQ(b.tool->pendingLabels(), QStringList{"L:1.00mm"});
    EXPECT_FALSE(b.list.HasShapes()); // the live view holds it until the label is placed
    b.tool->Move({200, 50});
    b.tool->Press({200, 50});
    ASSERT_EQ(b.list.shapes().size(), 1u);
    const CMeasureShape& s = b.list.shapes()[0];
    EXPECT_EQ(s.kind, LiveKindOf(ToolId::Line));
    EXPECT_EQ(s.points[LinePoint::Start], QPoint(10, 10));
    EXPECT_EQ(s.points[LinePoint::End], QPoint(164, 10));
    EXPECT_EQ(s.points[LinePoint::Anchor], QPoint(200, 50));
    EXPECT_EQ(s.penColor, 0x00FF00u);
    EXPECT_FALSE(b.tool->underWay());
}

TEST(LiveToolTest, CircleAndDistanceLabels) {
    Bench dia(ToolId::DiameterCircle);
    dia.Clicks({{100, 100}, {254, 100}, {300, 300}});
    ASSERT_EQ(dia.list.shapes().size(), 1u);
    EXPECT_EQ(dia.list.shapes()[0].labels[Label::Area], "A:0.79mm2");
    EXPECT_EQ(dia.list.shapes()[0].points[DiameterCirclePoint::Centre], QPoint(177, 100));
    EXPECT_EQ(dia.list.shapes()[0].kind, LiveKindOf(ToolId::DiameterCircle));

    Bench ptl(ToolId::PointToLine);
    ptl.Clicks({{0, 0}, {100, 0}, {50, 154}, {60, 60}});
    ASSERT_EQ(ptl.list.shapes().size(), 1u);
    const CMeasureShape& s = ptl.list.shapes()[0];
    EXPECT_EQ(s.labels, QStringList{"L:1.00mm"});
    EXPECT_EQ(s.points[PointToLinePoint::Foot], QPoint(50, 0));
    EXPECT_EQ(s.kind, LiveKindOf(ToolId::PointToLine));

    Bench angle(ToolId::ThreePointAngle);
    angle.Clicks({{100, 0}, {0, 0}, {0, 100}, {5, 5}});
    ASSERT_EQ(angle.list.shapes().size(), 1u);
    EXPECT_EQ(angle.list.shapes()[0].labels[0], QString("90.00") + QChar(0x00B0));
}

TEST(LiveToolTest, PointsOnOneLineMakeNoCircleOrArc) {
    for (ToolId id : {ToolId::ThreePointCircle, ToolId::ThreePointArc}) {
        Bench b(id);
        b.Clicks({{0, 0}, {50, 50}, {100, 100}});
        EXPECT_FALSE(b.tool->underWay());
        b.Clicks({{10, 10}, {10, 10}, {80, 30}});
        EXPECT_FALSE(b.tool->underWay());
        EXPECT_FALSE(b.list.HasShapes());
        // The tool is ready for a proper circle straight away.
        b.Clicks({{0, 0}, {100, 0}, {50, 50}, {200, 200}});
        ASSERT_EQ(b.list.shapes().size(), 1u);
        EXPECT_EQ(b.list.shapes()[0].labels.size(), 3);
    }
}

TEST(LiveToolTest, UndoTwiceRedoOnceBringsBackTheOlderShape) {
    Bench b(ToolId::Line);
    b.Clicks({{0, 0}, {100, 0}, {1, 1}});
    b.Clicks({{0, 50}, {200, 50}, {2, 2}});
    b.list.Undo();
    b.list.Undo();
    b.list.Redo();
    ASSERT_EQ(b.list.shapes().size(), 1u);
    EXPECT_EQ(b.list.shapes()[0].points[LinePoint::End], QPoint(100, 0));
    // A shape drawn now leaves the redo list as it is.
    b.Clicks({{0, 90}, {50, 90}, {3, 3}});
    ASSERT_EQ(b.list.redoStack().size(), 1u);
    EXPECT_EQ(b.list.redoStack()[0].points[LinePoint::End], QPoint(200, 50));
}

TEST(LiveToolTest, RightClickCancelsOnlyTheShapeUnderWay) {
    Bench b(ToolId::RadiusCircle);
    b.Clicks({{100, 100}, {150, 100}, {0, 0}});
    ASSERT_EQ(b.list.shapes().size(), 1u);
    b.Clicks({{300, 300}, {320, 300}}); // measured, label not placed
    ASSERT_EQ(b.tool->phase(), CMeasureTool::Phase::Label);
    b.tool->RightClick();
    EXPECT_FALSE(b.tool->underWay());
    EXPECT_EQ(b.list.shapes().size(), 1u);
    EXPECT_TRUE(b.tool->Pending().empty());

    // The canvas appends at once: its right click takes that shape off, and
    // only that one.
    ShapeList canvasList;
    auto canvas = MakeCanvasTool(MeasureTool::Line);
    canvas->Bind(&canvasList);
    canvas->SetSettings(Settings640(100));
    canvas->Press({0, 0});
    canvas->Press({100, 0});
    canvas->Press({5, 5});
    canvas->Press({0, 20});
    canvas->RightClick(); // before the second line is measured
    EXPECT_EQ(canvasList.shapes().size(), 1u);
    canvas->Press({0, 40});
    canvas->Press({100, 40});
    EXPECT_EQ(canvasList.shapes().size(), 2u);
    canvas->RightClick(); // during its label placement
    ASSERT_EQ(canvasList.shapes().size(), 1u);
    EXPECT_EQ(canvasList.shapes()[0].points[LinePoint::End], QPoint(100, 0));
}

TEST(LiveToolTest, DoubleClickEndsAContinuousLineWithoutAnExtraSegment) {
    Bench b(ToolId::ContinuousLine);
    b.Clicks({{0, 0}, {154, 0}, {150, 10}}); // segment 1 and its label
    b.Clicks({{154, 154}});                  // press of the double click
    b.tool->DoubleClick({154, 154});
    ASSERT_EQ(b.list.shapes().size(), 1u);
    const CMeasureShape& s = b.list.shapes()[0];
    EXPECT_EQ(s.points, (QVector<QPoint>{{0, 0}, {154, 0}, {150, 10}}));
    EXPECT_EQ(s.labels, QStringList{"1.00mm"});
    EXPECT_FALSE(b.tool->underWay());

    // Before any label is placed a double click does not end the line.
    Bench early(ToolId::ContinuousLine);
    early.Clicks({{0, 0}, {50, 0}});
    early.tool->DoubleClick({50, 0});
    EXPECT_TRUE(early.tool->underWay());
    EXPECT_FALSE(early.list.HasShapes());

    // The canvas ends it with that first segment.
    ShapeList canvasList;
    auto canvas = MakeCanvasTool(MeasureTool::ContinuousLine);
    canvas->Bind(&canvasList);
    canvas->SetSettings(Settings640(100));
    canvas->Press({0, 0});
    canvas->Press({154, 0});
    canvas->DoubleClick({154, 0});
    ASSERT_EQ(canvasList.shapes().size(), 1u);
    EXPECT_EQ(canvasList.shapes()[0].kind, int32_t(ShapeKind::ContinuousLine));
    EXPECT_EQ(canvasList.shapes()[0].labels.size(), 1);
}

TEST(LiveToolTest, DoubleClickClosesAPolygon) {
    Bench b(ToolId::Polygon);
    b.Clicks({{0, 0}});
    b.tool->DoubleClick({0, 0}); // only the first vertex
    EXPECT_EQ(b.tool->phase(), CMeasureTool::Phase::Points);
    b.Clicks({{100, 0}, {100, 100}});
    b.tool->DoubleClick({100, 100});
    ASSERT_EQ(b.tool->phase(), CMeasureTool::Phase::Label);
    b.Clicks({{40, 60}});
    ASSERT_EQ(b.list.shapes().size(), 1u);
    const CMeasureShape& s = b.list.shapes()[0];
    EXPECT_EQ(s.points, (QVector<QPoint>{{0, 0}, {100, 0}, {100, 100}, {0, 0}, {40, 60}}));
    ASSERT_EQ(s.labels.size(), 1);
    EXPECT_TRUE(s.labels[0].startsWith("A:")) << s.labels[0].toStdString();
    // Three closing edges, the anchor is no vertex.
    EXPECT_EQ(LiveShapeFigure(s, Settings640(100).ctx).lines.size(), 3);
}

TEST(LiveToolTest, CalibrationLineReadsAtTheNewMagnification) {
    ToolSettings s = Settings640(50);
    double seen = 0;
    s.calibrate = [&](double pixels) -> std::optional<double> {
        seen = pixels;
        return 100.0;
    };
    Bench b(ToolId::CalibrationLine, s);
    b.Clicks({{0, 0}, {154, 0}});
    EXPECT_DOUBLE_EQ(seen, 154);
    EXPECT_EQ(b.tool->pendingLabels(), QStringList{"L:1.00mm"});
    b.Clicks({{1, 1}});
    // Calibration mode ends with that line.
    seen = 0;
    b.Clicks({{0, 0}, {154, 0}});
    EXPECT_EQ(seen, 0);
}

TEST(ToolRegistryTest, StoredNumbersStay) {
    // Live kinds and stored-picture kinds are in files and notes.
    const struct {
        ToolId id;
        int32_t live, canvas;
    } kStored[] = {{ToolId::Line, 1, 2},
                   {ToolId::ContinuousLine, 2, 3},
                   {ToolId::PointToLine, 3, 0},
                   {ToolId::Polygon, 4, 4},
                   {ToolId::RadiusCircle, 5, 6},
                   {ToolId::DiameterCircle, 6, 7},
                   {ToolId::ThreePointCircle, 7, 9},
                   {ToolId::ThreePointArc, 8, 0},
                   {ToolId::ThreePointAngle, 9, 5},
                   {ToolId::FourPointAngle, 10, 10},
                   {ToolId::Rectangle, 0, 8},
                   {ToolId::CalibrationLine, 1, 2}};
    ASSERT_EQ(std::size(kStored), std::size(kToolRegistry));
    for (const auto& k : kStored) {
        const ToolRow* r = FindTool(k.id);
        ASSERT_TRUE(r) << int(k.id);
        EXPECT_EQ(r->liveKind, k.live) << r->name;
        EXPECT_EQ(r->canvasKind, k.canvas) << r->name;
        if (r->canvasTool >= 0) {
            EXPECT_EQ(KindForTool(r->canvasTool), ShapeKind(k.canvas));
        }
    }
}

TEST(ToolRegistryTest, RowsAreUniqueAndEveryNumberReachesItsTool) {
    QSet<int> commands, liveKinds, canvasKinds;
    QSet<QString> names;
    for (const ToolRow& r : kToolRegistry) {
        SCOPED_TRACE(r.name);
        EXPECT_FALSE(names.contains(r.name));
        names << r.name;
        ASSERT_TRUE(r.does && r.does->make && r.does->values);
        EXPECT_EQ(r.liveKind != 0, r.does->liveFigure != nullptr);
        EXPECT_EQ(r.canvasKind != 0, r.does->canvasFigure != nullptr);
        EXPECT_EQ(r.canvasKind != 0, r.canvasTool >= 0);
        for (int c : {r.button.command, r.drawMenu.command, r.measureMenu.command}) {
            if (c == 0) continue;
            EXPECT_FALSE(commands.contains(c)) << c;
            commands << c;
        }
        if (r.button.command != 0) {
            EXPECT_EQ(ToolOfCommand(r.button.command), &r);
            const auto tool = MakeLiveTool(r.id);
            ASSERT_TRUE(tool);
            EXPECT_EQ(tool->kind(), r.liveKind);
        }
        for (bool measuring : {false, true}) {
            const ToolMenuItem& item = measuring ? r.measureMenu : r.drawMenu;
            if (item.command == 0) continue;
            bool found = !measuring;
            EXPECT_EQ(ToolOfMenuCommand(item.command, &found), &r);
            EXPECT_EQ(found, measuring);
            EXPECT_TRUE(MakeCanvasTool(r.canvasTool, false));
        }
        if (r.kindOf != r.id) {
            // A variant makes its tool's shapes: same numbers, never found by them.
            const ToolRow* of = FindTool(r.kindOf);
            ASSERT_TRUE(of);
            EXPECT_EQ(r.liveKind, of->liveKind);
            EXPECT_EQ(r.canvasKind, of->canvasKind);
            EXPECT_EQ(ToolOfLiveKind(r.liveKind), of);
            continue;
        }
        if (r.liveKind != 0) {
            EXPECT_FALSE(liveKinds.contains(r.liveKind));
            liveKinds << r.liveKind;
            EXPECT_EQ(ToolOfLiveKind(r.liveKind), &r);
        }
        if (r.canvasKind != 0) {
            EXPECT_FALSE(canvasKinds.contains(r.canvasKind));
            canvasKinds << r.canvasKind;
            EXPECT_EQ(ToolOfCanvasKind(r.canvasKind), &r);
            EXPECT_EQ(MakeCanvasTool(r.canvasTool, false)->kind(), r.canvasKind);
        }
    }
}

TEST(ToolRegistryTest, LiveKindsAreToolNumbersCanvasKindsAreShapeKinds) {
    for (int n = 1; n <= 10; ++n) {
        auto t = MakeLiveToolByNumber(n);
        ASSERT_TRUE(t) << n;
        EXPECT_EQ(t->kind(), n);
        EXPECT_EQ(t->surface(), ToolSurface::Live);
    }
    EXPECT_FALSE(MakeLiveToolByNumber(11));
    EXPECT_FALSE(MakeCanvasTool(MeasureTool::Text));
    EXPECT_FALSE(MakeCanvasTool(MeasureTool::None));
    EXPECT_EQ(MakeCanvasTool(MeasureTool::Polygon)->kind(), int32_t(ShapeKind::Polygon));
    EXPECT_EQ(MakeCanvasTool(MeasureTool::Line)->kind(), int32_t(ShapeKind::Line));

    // A canvas line drawn without measuring needs two clicks only.
    ShapeList list;
    auto line = MakeCanvasTool(MeasureTool::Line);
    line->Bind(&list);
    ToolSettings s = Settings640(100);
    s.measuring = false;
    line->SetSettings(s);
    line->Press({0, 0});
    line->Move({50, 50});
    line->Press({100, 100});
    ASSERT_EQ(list.shapes().size(), 1u);
    EXPECT_EQ(list.shapes()[0].labels, QStringList{QString()});
    // Start tick perpendicular to the diagonal: k = 1, t = 7.07.
    EXPECT_EQ(list.shapes()[0].points[LinePoint::StartTickA], QPoint(7, -7));
    EXPECT_EQ(list.shapes()[0].points[LinePoint::StartTickB], QPoint(-7, 7));
}

TEST(LiveDrawTest, PendingShapeFollowsThePointer) {
    Bench b(ToolId::Line);
    b.tool->Press({10, 10});
    b.tool->Move({60, 10});
    EXPECT_TRUE(b.tool->Pending().lines.contains(QLine(10, 10, 60, 10)));
    b.tool->Press({60, 10});
    b.tool->Move({70, 30});
    const Figure f = b.tool->Pending();
    ASSERT_EQ(f.texts.size(), 1);
    EXPECT_EQ(f.texts[0].at, QPoint(70, 30));
}

int CountColour(const QImage& img, QRgb c) {
    int n = 0;
    for (int y = 0; y < img.height(); ++y)
        for (int x = 0; x < img.width(); ++x)
            n += img.pixel(x, y) == c;
    return n;
}

TEST(LiveDrawTest, PictureWithRulerAndLineShowsBoth) {
    Bench b(ToolId::Line);
    b.Clicks({{50, 100}, {204, 100}, {60, 400}});
    QImage img(k640, QImage::Format_RGB32);
    img.fill(Qt::black);
    QPainter p(&img);
    GuideSnapshot g;
    g.ruler = true;
    g.scale = GuideScale{100, "mm"};
    DrawLiveGuides(p, ViewMapping::Identity(k640), g, QFont());
    DrawLiveShapes(p, b.list, b.tool.get(), PenSnapshot{}, Settings640(100).ctx, 1.0, 1.0);
    p.end();
    EXPECT_EQ(img.pixel(120, 100), qRgb(0, 255, 0)); // the line
    EXPECT_EQ(img.pixel(320, 30), qRgb(255, 0, 0));  // the ruler's axis
    // The label was drawn in the label colour (red) near its anchor.
    int labelPixels = 0;
    for (int y = 400; y < 420; ++y)
        for (int x = 60; x < 140; ++x)
            labelPixels += qRed(img.pixel(x, y)) > 128;
    EXPECT_GT(labelPixels, 0);

    // Over a view twice the picture's size, moved by its bars, everything
    // lands on the same picture pixels.
    QImage big(1300, 960, QImage::Format_RGB32);
    big.fill(Qt::black);
    QPainter q(&big);
    DrawLiveShapes(q, b.list, nullptr, PenSnapshot{}, Settings640(100).ctx, 2.0, 2.0,
                   QPoint(10, 0));
    q.end();
    EXPECT_EQ(big.pixel(10 + 240, 200), qRgb(0, 255, 0));
    // x 110 … 417: like the platform's line drawing, the end pixel is left out.
    EXPECT_EQ(CountColour(big, qRgb(0, 255, 0)), 308);
}

TEST(LiveDrawTest, EveryLiveKindDrawsSomething) {
    const std::vector<std::pair<ToolId, std::vector<QPoint>>> cases = {
        {ToolId::ThreePointArc, {{0, 100}, {100, 0}, {200, 100}, {300, 300}}},
        {ToolId::ThreePointCircle, {{0, 100}, {100, 0}, {200, 100}, {300, 300}}},
        {ToolId::FourPointAngle, {{0, 0}, {100, 0}, {0, 0}, {0, 100}, {300, 300}}},
        {ToolId::ThreePointAngle, {{100, 0}, {0, 0}, {0, 100}, {300, 300}}},
        {ToolId::RadiusCircle, {{100, 100}, {150, 100}, {300, 300}}},
    };
    for (const auto& [id, clicks] : cases) {
        Bench b(id);
        for (const QPoint& c : clicks)
            b.Clicks({c});
        ASSERT_EQ(b.list.shapes().size(), 1u) << int(id);
        const Figure f = LiveShapeFigure(b.list.shapes()[0], Settings640(100).ctx);
        EXPECT_FALSE(f.lines.isEmpty() && f.ellipses.isEmpty() && f.arcs.isEmpty()) << int(id);
        EXPECT_FALSE(f.texts.isEmpty()) << int(id);
    }
    // The arc over the top of the circle through the three points: from the
    // right end counter-clockwise to the left one, half a circle.
    Bench arc(ToolId::ThreePointArc);
    arc.Clicks({{0, 100}, {100, 0}, {200, 100}, {300, 300}});
    const Figure f = LiveShapeFigure(arc.list.shapes()[0], Settings640(100).ctx);
    ASSERT_EQ(f.arcs.size(), 1);
    EXPECT_EQ(f.arcs[0].box, QRect(0, 0, 200, 200));
    EXPECT_EQ(f.arcs[0].startAngle16, 0);
    EXPECT_EQ(f.arcs[0].spanAngle16, 180 * 16);
}

} // namespace
} // namespace tvx

namespace tvx {
namespace {

TEST(LiveDrawTest, FastCirclesMatchThePaintersOwn) {
    // On a picture with an alpha channel the painter draws the ellipses
    // itself; on RGB32 circles are set pixel by pixel. Both must trace the
    // same ring.
    Figure f;
    f.ellipses << QRect(320 - 77, 240 - 77, 154, 154) << QRect(320 - 200, 240 - 200, 400, 400);
    auto render = [&](QImage::Format format) {
        QImage img(k640, format);
        img.fill(Qt::black);
        QPainter p(&img);
        PaintFigure(p, f, MeasurePen(0, 1, 0x0000FF), QFont(), Qt::red);
        p.end();
        return img.convertToFormat(QImage::Format_RGB32);
    };
    const QImage fast = render(QImage::Format_RGB32), general = render(QImage::Format_ARGB32);
    const int nFast = CountColour(fast, qRgb(255, 0, 0));
    const int nGeneral = CountColour(general, qRgb(255, 0, 0));
    EXPECT_NEAR(nFast, nGeneral, nGeneral / 10);
    // Every pixel of the fast ring lies within a pixel of the general one.
    int far = 0;
    for (int y = 1; y < 479; ++y)
        for (int x = 1; x < 639; ++x) {
            if (fast.pixel(x, y) != qRgb(255, 0, 0)) continue;
            bool near = false;
            for (int dy = -1; dy <= 1 && !near; ++dy)
                for (int dx = -1; dx <= 1 && !near; ++dx)
                    near = general.pixel(x + dx, y + dy) == qRgb(255, 0, 0);
            far += !near;
        }
    EXPECT_EQ(far, 0);
    EXPECT_EQ(fast.pixel(320 + 77, 240), qRgb(255, 0, 0));
    EXPECT_EQ(fast.pixel(320, 240), qRgb(0, 0, 0));
}

} // namespace
} // namespace tvx

namespace tvx {
namespace {

TEST(LiveDrawTest, FastAxisLinesMatchThePaintersOwnExactly) {
    Figure f;
    f.lines << QLine(10, 10, 100, 10) << QLine(100, 20, 10, 20) << QLine(50, 30, 50, 130)
            << QLine(60, 130, 60, 30) << QLine(-20, 200, 700, 200) << QLine(5, 5, 5, 5)
            << QLine(300, -10, 300, 600) << QLine(10, 300, 200, 400);
    // Pictures with an alpha channel are left to the painter's own drawing.
    auto render = [&](QImage::Format format) {
        QImage img(k640, format);
        img.fill(Qt::black);
        QPainter p(&img);
        PaintFigure(p, f, MeasurePen(0, 1, 0x00FF00), QFont(), Qt::red);
        p.end();
        return img.convertToFormat(QImage::Format_RGB32);
    };
    EXPECT_TRUE(render(QImage::Format_RGB32) == render(QImage::Format_ARGB32));
}

} // namespace
} // namespace tvx

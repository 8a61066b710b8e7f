// The three-point circle: the circle through three clicks; labels area,
// radius and circumference.
#include "measure/tool_kit.h"

namespace tvx {

namespace {

using namespace toolkit;

class ThreePointCircleTool : public ClickTool {
public:
    ThreePointCircleTool(ToolSurface s, int32_t kind) : ClickTool(s, kind, 3) {}

protected:
    void Build() override {
        const QPoint a = clicks_[0], b = clicks_[1], c = clicks_[2];
        // On one line or on one spot: no circle, so no shape.
        const auto centre = CircleThroughPoints(a, b, c);
        if (!centre) return BackToIdle();
        CMeasureShape shape = NewShape(ShapeKind::ThreePointCircle);
        shape.points = {*centre, b, a, c, c};
        std::optional<QStringList> labels;
        if (auto m = ThreePointCircleLabels(settings().ctx, a, b, c)) labels = m->labels;
        Finish(shape, labels, ThreePointCirclePoint::Anchor);
    }
    Figure PendingPoints() const override {
        Figure f;
        for (const QPoint& p : clicks_)
            Cross(f, p, 4);
        return f;
    }
};

Figure LiveFigure(const CMeasureShape& s, const MeasureContext&) {
    return LiveCircle(s, ThreePointCirclePoint::Count, -1, -1, ThreePointCirclePoint::Anchor);
}

// The canvas marks the three clicks and draws the radius to the third.
Figure CanvasFigure(const CMeasureShape& s, const MeasureContext&, const CanvasScale& scale) {
    const Scaled sc(scale);
    Figure f = sc.Circle(s, ThreePointCirclePoint::Count, ThreePointCirclePoint::Centre,
                         ThreePointCirclePoint::ThirdClick, ThreePointCirclePoint::Anchor);
    if (s.points.size() < ThreePointCirclePoint::Count) return f;
    for (int i : {ThreePointCirclePoint::FirstClick, ThreePointCirclePoint::SecondClick,
                  ThreePointCirclePoint::ThirdClick})
        sc.Cross(f, s.points[i]);
    return f;
}

// The label's radius runs from the centre to the third click.
void Values(const CMeasureShape& s, ShapeNumbering, const MeasureContext& mc, MeasuredValues& v) {
    const QVector<QPoint>& p = s.points;
    if (mc.valid() && p.size() >= ThreePointCirclePoint::Count)
        PutCircle(v, CircleOfRadius(mc, PixelDistance(p[ThreePointCirclePoint::Centre],
                                                      p[ThreePointCirclePoint::ThirdClick])));
}

} // namespace

const ToolBehaviour kThreePointCircleTool = {&Make<ThreePointCircleTool>, &LiveFigure,
                                             &CanvasFigure, &Values};

} // namespace tvx

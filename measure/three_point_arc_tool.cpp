// The three-point arc (live only): start, a point on the arc, end; labels
// radius, angle and arc length.
#include "measure/tool_kit.h"

namespace tvx {

namespace {

using namespace toolkit;

class ThreePointArcTool : public ClickTool {
public:
    ThreePointArcTool(ToolSurface s, int32_t kind) : ClickTool(s, kind, 3) {}

protected:
    void Build() override {
        const auto arc = ArcThroughPoints(clicks_[0], clicks_[1], clicks_[2]);
        if (!arc) return BackToIdle();
        CMeasureShape shape = NewShape(ShapeKind::ThreePointCircle);
        shape.points = {clicks_[0], clicks_[1], clicks_[2], clicks_[2]};
        Finish(shape, ThreePointArcLabels(settings().ctx, *arc), ArcPoint::Anchor);
    }
    Figure PendingPoints() const override {
        Figure f;
        for (const QPoint& p : clicks_)
            Cross(f, p, 4);
        if (!clicks_.isEmpty()) f.lines << QLine(clicks_.last(), pointer_);
        return f;
    }
};

// The arc from `from` counter-clockwise to `to` on the circle around c.
Figure::Arc CcwArc(QPoint c, int r, QPoint from, QPoint to) {
    const double a0 = QtAngle(c, from);
    double span = QtAngle(c, to) - a0;
    while (span <= 0)
        span += 360;
    while (span > 360)
        span -= 360;
    return Figure::Arc{CircleBox(c, r), Round(a0 * 16), Round(span * 16)};
}

Figure LiveFigure(const CMeasureShape& s, const MeasureContext&) {
    Figure f;
    const QVector<QPoint>& p = s.points;
    if (p.size() < ArcPoint::Count) return f;
    const QPoint a = p[ArcPoint::Start], m = p[ArcPoint::Middle], e = p[ArcPoint::End];
    if (const auto arc = ArcThroughPoints(a, m, e)) {
        f.arcs << (arc->startToEnd ? CcwArc(arc->centre, arc->radius, a, e)
                                   : CcwArc(arc->centre, arc->radius, e, a));
        f.lines << QLine(arc->centre, a) << QLine(arc->centre, e);
    }
    LiveLabels(f, s, ArcPoint::Anchor);
    return f;
}

void Values(const CMeasureShape& s, ShapeNumbering, const MeasureContext& mc, MeasuredValues& v) {
    const QVector<QPoint>& p = s.points;
    if (!mc.valid() || p.size() < ArcPoint::Count) return;
    if (const auto arc =
            ArcThroughPoints(p[ArcPoint::Start], p[ArcPoint::Middle], p[ArcPoint::End])) {
        const ArcValues a = ArcValuesOf(mc, *arc);
        v.Put(MeasureColumn::Radius, a.radius);
        v.Put(MeasureColumn::Angle, a.degrees);
        v.Put(MeasureColumn::Length, a.length);
    }
}

} // namespace

const ToolBehaviour kThreePointArcTool = {&Make<ThreePointArcTool>, &LiveFigure, nullptr, &Values};

} // namespace tvx

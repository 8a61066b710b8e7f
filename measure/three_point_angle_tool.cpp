// The three-point angle: first arm, vertex, second arm; the label is the
// angle between the arms.
#include "measure/tool_kit.h"

namespace tvx {

namespace {

using namespace toolkit;

class ThreePointAngleTool : public ClickTool {
public:
    ThreePointAngleTool(ToolSurface s, int32_t kind) : ClickTool(s, kind, 3) {}

protected:
    void Build() override {
        const QPoint first = clicks_[0], vertex = clicks_[1], second = clicks_[2];
        CMeasureShape shape = NewShape(ShapeKind::ThreePointAngle);
        shape.points = {first, second, vertex, second};
        std::optional<QStringList> labels;
        if (auto l = ThreePointAngleLabel(first, second, vertex, live() ? 2 : 1)) labels = {*l};
        Finish(shape, labels, AnglePoint::Anchor);
    }
    Figure PendingPoints() const override {
        Figure f;
        for (int i = 1; i < clicks_.size(); ++i)
            f.lines << QLine(clicks_[i - 1], clicks_[i]);
        if (!clicks_.isEmpty()) f.lines << QLine(clicks_.last(), pointer_);
        return f;
    }
};

Figure LiveFigure(const CMeasureShape& s, const MeasureContext&) {
    Figure f;
    const QVector<QPoint>& p = s.points;
    if (p.size() < AnglePoint::Count) return f;
    const QPoint a = p[AnglePoint::FirstArm], v = p[AnglePoint::Vertex],
                 b = p[AnglePoint::SecondArm];
    f.lines << QLine(a, v) << QLine(v, b);
    const int r = Trunc(0.3 * PixelDistance(v, a));
    if (r > 0 && v != b) {
        // Across the measured angle, from the first arm toward the second.
        double span = QtAngle(v, b) - QtAngle(v, a);
        while (span > 180)
            span -= 360;
        while (span < -180)
            span += 360;
        f.arcs << Figure::Arc{CircleBox(v, r), Round(QtAngle(v, a) * 16), Round(span * 16)};
    }
    LiveLabels(f, s, AnglePoint::Anchor);
    return f;
}

Figure CanvasFigure(const CMeasureShape& s, const MeasureContext&, const CanvasScale& scale) {
    Figure f;
    const Scaled sc(scale);
    const QVector<QPoint>& p = s.points;
    if (p.size() < AnglePoint::Count) return f;
    f.lines << sc.TLine(p[AnglePoint::FirstArm], p[AnglePoint::Vertex])
            << sc.TLine(p[AnglePoint::Vertex], p[AnglePoint::SecondArm]);
    sc.Label0(f, s, AnglePoint::Anchor);
    return f;
}

// An angle needs no scale.
void Values(const CMeasureShape& s, ShapeNumbering, const MeasureContext&, MeasuredValues& v) {
    const QVector<QPoint>& p = s.points;
    if (p.size() < AnglePoint::Count) return;
    if (const auto a = ThreePointAngle(p[AnglePoint::FirstArm], p[AnglePoint::SecondArm],
                                       p[AnglePoint::Vertex]))
        v.Put(MeasureColumn::Angle, *a);
}

} // namespace

const ToolBehaviour kThreePointAngleTool = {&Make<ThreePointAngleTool>, &LiveFigure, &CanvasFigure,
                                            &Values};

} // namespace tvx

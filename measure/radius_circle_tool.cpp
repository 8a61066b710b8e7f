// The radius circle: the centre, then a point on the circle; labels area,
// radius and circumference.
#include "measure/tool_kit.h"

namespace tvx {

namespace {

using namespace toolkit;

class RadiusCircleTool : public ClickTool {
public:
    RadiusCircleTool(ToolSurface s, int32_t kind) : ClickTool(s, kind, 2) {}

protected:
    void Build() override {
        CMeasureShape shape = NewShape(ShapeKind::RadiusCircle);
        shape.points = {clicks_[0], clicks_[1], clicks_[1]};
        Finish(shape, RadiusCircleLabels(settings().ctx, clicks_[0], clicks_[1]),
               RadiusCirclePoint::Anchor);
    }
    Figure PendingPoints() const override {
        Figure f;
        const QPoint c = clicks_.value(0);
        f.ellipses << CircleBox(c, TruncDistance(c, pointer_));
        f.lines << QLine(c, pointer_);
        return f;
    }
};

Figure LiveFigure(const CMeasureShape& s, const MeasureContext&) {
    return LiveCircle(s, RadiusCirclePoint::Count, RadiusCirclePoint::Centre,
                      RadiusCirclePoint::OnCircle, RadiusCirclePoint::Anchor);
}

Figure CanvasFigure(const CMeasureShape& s, const MeasureContext&, const CanvasScale& scale) {
    return Scaled(scale).Circle(s, RadiusCirclePoint::Count, RadiusCirclePoint::Centre,
                                RadiusCirclePoint::OnCircle, RadiusCirclePoint::Anchor);
}

void Values(const CMeasureShape& s, ShapeNumbering, const MeasureContext& mc, MeasuredValues& v) {
    const QVector<QPoint>& p = s.points;
    if (mc.valid() && p.size() >= RadiusCirclePoint::Count)
        PutCircle(v, CircleOfRadius(mc, PixelDistance(p[RadiusCirclePoint::Centre],
                                                      p[RadiusCirclePoint::OnCircle])));
}

} // namespace

const ToolBehaviour kRadiusCircleTool = {&Make<RadiusCircleTool>, &LiveFigure, &CanvasFigure,
                                         &Values};

} // namespace tvx

// The rectangle (stored pictures only): two opposite corners; labels area,
// width and height.
#include "measure/tool_kit.h"

namespace tvx {

namespace {

using namespace toolkit;

void Outline(Figure& f, QPoint a, QPoint b) {
    f.lines << QLine(a.x(), a.y(), b.x(), a.y()) << QLine(b.x(), a.y(), b.x(), b.y())
            << QLine(b.x(), b.y(), a.x(), b.y()) << QLine(a.x(), b.y(), a.x(), a.y());
}

class RectangleTool : public ClickTool {
public:
    RectangleTool(ToolSurface s, int32_t kind) : ClickTool(s, kind, 2) {}

protected:
    void Build() override {
        CMeasureShape shape = NewShape(ShapeKind::Rectangle);
        shape.points = {clicks_[0], clicks_[1], clicks_[1]};
        Finish(shape, RectangleLabels(settings().ctx, clicks_[0], clicks_[1]),
               RectanglePoint::Anchor);
    }
    Figure PendingPoints() const override {
        Figure f;
        Outline(f, clicks_.value(0), pointer_);
        return f;
    }
};

Figure CanvasFigure(const CMeasureShape& s, const MeasureContext&, const CanvasScale& scale) {
    Figure f;
    const Scaled sc(scale);
    const QVector<QPoint>& p = s.points;
    if (p.size() < RectanglePoint::Count) return f;
    Outline(f, sc.T(p[0]), sc.T(p[1]));
    sc.Labels(f, s, RectanglePoint::Anchor);
    return f;
}

void Values(const CMeasureShape& s, ShapeNumbering, const MeasureContext& mc, MeasuredValues& v) {
    const QVector<QPoint>& p = s.points;
    if (!mc.valid() || p.size() < RectanglePoint::Count) return;
    const RectangleValues r =
        RectangleValuesOf(mc, p[RectanglePoint::First], p[RectanglePoint::Opposite]);
    v.Put(MeasureColumn::Area, r.area);
    v.Put(MeasureColumn::Width, r.width);
    v.Put(MeasureColumn::Height, r.height);
}

} // namespace

const ToolBehaviour kRectangleTool = {&Make<RectangleTool>, nullptr, &CanvasFigure, &Values};

} // namespace tvx

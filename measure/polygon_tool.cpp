// The polygon: vertices click by click, closed and measured by a double
// click; its label is the area.
#include "measure/tool_kit.h"

namespace tvx {

namespace {

using namespace toolkit;

// The live polygon keeps its vertices, the first vertex again as closing
// point, then the anchor; the canvas polygon its vertices and the anchor.
class PolygonTool : public CMeasureTool {
public:
    using CMeasureTool::CMeasureTool;

    bool EndsOnDoubleClick() const override { return true; }

    void DoubleClick(QPoint p) override {
        // A double click that made the first vertex does not close anything.
        if (phase() != Phase::Points || verts_.size() < 2) return;
        const auto labels = PolygonLabels(settings().ctx, verts_);
        if (!labels) return BackToIdle();
        CMeasureShape shape = NewShape(ShapeKind::Polygon);
        shape.points = verts_;
        if (live()) {
            shape.points << verts_[0] << verts_[0];
        } else {
            shape.points << p;
        }
        shape.labels = *labels;
        Measured(shape, shape.points.size() - 1);
    }

protected:
    void OnPress(QPoint p) override {
        if (phase() == Phase::Idle) {
            verts_ = {p};
            StartPoints();
            return;
        }
        verts_ << p;
    }
    Figure PendingPoints() const override {
        Figure f;
        for (int i = 1; i < verts_.size(); ++i)
            f.lines << QLine(verts_[i - 1], verts_[i]);
        if (!verts_.isEmpty()) f.lines << QLine(verts_.last(), pointer_);
        return f;
    }
    void ResetPoints() override { verts_.clear(); }

private:
    QVector<QPoint> verts_;
};

Figure LiveFigure(const CMeasureShape& s, const MeasureContext&) {
    Figure f;
    const QVector<QPoint>& p = s.points;
    const int n = p.size();
    // Vertices, the first vertex again, the anchor.
    for (int i = 0; i + 1 < n - 1; ++i)
        f.lines << QLine(p[i], p[i + 1]);
    LiveLabels(f, s, n - 1);
    return f;
}

Figure CanvasFigure(const CMeasureShape& s, const MeasureContext&, const CanvasScale& scale) {
    Figure f;
    const Scaled sc(scale);
    const QVector<QPoint>& p = s.points;
    const int n = p.size();
    // A vertex on the canvas's left or top edge reads as "no point" and
    // loses its incoming edge; the closing edge is always drawn.
    for (int i = 1; i <= n - 2; ++i)
        if (p[i].x() != 0 && p[i].y() != 0) f.lines << sc.TLine(p[i - 1], p[i]);
    if (n >= 2) f.lines << sc.TLine(p[n - 2], p[0]);
    sc.Label0(f, s, n - 1);
    return f;
}

void Values(const CMeasureShape& s, ShapeNumbering numbering, const MeasureContext& mc,
            MeasuredValues& v) {
    // The live polygon repeats its first vertex before the anchor.
    const int vertices = int(s.points.size()) - (numbering == ShapeNumbering::Live ? 2 : 1);
    if (!mc.valid() || vertices < 2) return;
    if (const auto area = PolygonArea(mc, s.points.mid(0, vertices)))
        v.Put(MeasureColumn::Area, *area);
}

} // namespace

const ToolBehaviour kPolygonTool = {&Make<PolygonTool>, &LiveFigure, &CanvasFigure, &Values};

} // namespace tvx

// The diameter circle: the two ends of a diameter; labels area, radius and
// circumference.
#include "measure/tool_kit.h"

namespace tvx {

namespace {

using namespace toolkit;

QPoint Mid(QPoint a, QPoint b) {
    return QPoint((a.x() + b.x()) / 2, (a.y() + b.y()) / 2);
}

class DiameterCircleTool : public ClickTool {
public:
    DiameterCircleTool(ToolSurface s, int32_t kind) : ClickTool(s, kind, 2) {}

protected:
    void Build() override {
        const QPoint a = clicks_[0], b = clicks_[1];
        CMeasureShape shape = NewShape(ShapeKind::DiameterCircle);
        shape.points = {Mid(a, b), a, b, b};
        const MeasureContext& ctx = settings().ctx;
        Finish(shape,
               live() ? LiveDiameterCircleLabels(ctx, a, b) : DiameterCircleLabels(ctx, a, b),
               DiameterCirclePoint::Anchor);
    }
    Figure PendingPoints() const override {
        Figure f;
        const QPoint a = clicks_.value(0);
        f.ellipses << CircleBox(Mid(a, pointer_), TruncDistance(a, pointer_) / 2);
        f.lines << QLine(a, pointer_);
        return f;
    }
};

Figure LiveFigure(const CMeasureShape& s, const MeasureContext&) {
    return LiveCircle(s, DiameterCirclePoint::Count, DiameterCirclePoint::EndA,
                      DiameterCirclePoint::EndB, DiameterCirclePoint::Anchor);
}

Figure CanvasFigure(const CMeasureShape& s, const MeasureContext&, const CanvasScale& scale) {
    return Scaled(scale).Circle(s, DiameterCirclePoint::Count, DiameterCirclePoint::EndA,
                                DiameterCirclePoint::EndB, DiameterCirclePoint::Anchor);
}

void Values(const CMeasureShape& s, ShapeNumbering numbering, const MeasureContext& mc,
            MeasuredValues& v) {
    const QVector<QPoint>& p = s.points;
    if (!mc.valid() || p.size() < DiameterCirclePoint::Count) return;
    const QPoint a = p[DiameterCirclePoint::EndA], b = p[DiameterCirclePoint::EndB];
    PutCircle(v, numbering == ShapeNumbering::Live ? LiveDiameterCircleValues(mc, a, b)
                                                   : DiameterCircleValues(mc, a, b));
}

} // namespace

const ToolBehaviour kDiameterCircleTool = {&Make<DiameterCircleTool>, &LiveFigure, &CanvasFigure,
                                           &Values};

} // namespace tvx

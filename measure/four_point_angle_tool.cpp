// The four-point angle: two lines of two clicks each; the label is the angle
// between them.
#include "measure/tool_kit.h"

namespace tvx {

namespace {

using namespace toolkit;

class FourPointAngleTool : public ClickTool {
public:
    FourPointAngleTool(ToolSurface s, int32_t kind) : ClickTool(s, kind, 4) {}

protected:
    void Build() override {
        CMeasureShape shape = NewShape(ShapeKind::FourPointAngle);
        shape.points = clicks_;
        shape.points << clicks_[3];
        std::optional<QStringList> labels;
        if (auto l = FourPointAngleLabel(clicks_[0], clicks_[1], clicks_[2], clicks_[3]))
            labels = {*l};
        // Always measured, also on the canvas in plain drawing mode.
        if (!labels) return BackToIdle();
        shape.labels = *labels;
        Measured(shape, FourPointAnglePoint::Anchor);
    }
    Figure PendingPoints() const override {
        Figure f;
        if (clicks_.size() >= 2) f.lines << QLine(clicks_[0], clicks_[1]);
        // A rubber line while a line has its first point only.
        if (clicks_.size() % 2 == 1) f.lines << QLine(clicks_.last(), pointer_);
        return f;
    }
};

Figure LiveFigure(const CMeasureShape& s, const MeasureContext&) {
    Figure f;
    const QVector<QPoint>& p = s.points;
    if (p.size() < FourPointAnglePoint::Count) return f;
    f.lines << QLine(p[0], p[1]) << QLine(p[2], p[3]);
    LiveLabels(f, s, FourPointAnglePoint::Anchor);
    return f;
}

Figure CanvasFigure(const CMeasureShape& s, const MeasureContext&, const CanvasScale& scale) {
    Figure f;
    const Scaled sc(scale);
    const QVector<QPoint>& p = s.points;
    if (p.size() < FourPointAnglePoint::Count) return f;
    f.lines << sc.TLine(p[0], p[1]) << sc.TLine(p[2], p[3]);
    sc.Label0(f, s, FourPointAnglePoint::Anchor);
    return f;
}

// An angle needs no scale.
void Values(const CMeasureShape& s, ShapeNumbering, const MeasureContext&, MeasuredValues& v) {
    const QVector<QPoint>& p = s.points;
    if (p.size() < FourPointAnglePoint::Count) return;
    if (const auto a = AngleBetweenLines(p[0].x(), p[0].y(), p[1].x(), p[1].y(), p[2].x(), p[2].y(),
                                         p[3].x(), p[3].y()))
        v.Put(MeasureColumn::Angle, *a);
}

} // namespace

const ToolBehaviour kFourPointAngleTool = {&Make<FourPointAngleTool>, &LiveFigure, &CanvasFigure,
                                           &Values};

} // namespace tvx

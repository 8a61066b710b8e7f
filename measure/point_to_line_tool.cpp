// Point to line: two clicks for the line, a third for the point; the label
// is the point's distance from the line.
#include "measure/tool_kit.h"

namespace tvx {

namespace {

using namespace toolkit;

class PointToLineTool : public ClickTool {
public:
    PointToLineTool(ToolSurface s, int32_t kind) : ClickTool(s, kind, 3) {}

protected:
    void Build() override {
        const QPoint a = clicks_[0], b = clicks_[1], p = clicks_[2];
        CMeasureShape shape = NewShape(ShapeKind::Line);
        shape.points = {a, b, p, PointToLineFoot(p, a, b), p};
        std::optional<QStringList> labels;
        if (auto l = PointToLineLabel(settings().ctx, a, b, p)) labels = {*l};
        Finish(shape, labels, PointToLinePoint::Anchor);
    }
    Figure PendingPoints() const override {
        Figure f;
        if (clicks_.size() == 1) f.lines << QLine(clicks_[0], pointer_);
        if (clicks_.size() == 2) {
            f.lines << QLine(clicks_[0], clicks_[1]);
            f.lines << QLine(pointer_, PointToLineFoot(pointer_, clicks_[0], clicks_[1]));
        }
        return f;
    }
};

Figure LiveFigure(const CMeasureShape& s, const MeasureContext&) {
    Figure f;
    const QVector<QPoint>& p = s.points;
    if (p.size() < PointToLinePoint::Count) return f;
    f.lines << QLine(p[PointToLinePoint::LineA], p[PointToLinePoint::LineB])
            << QLine(p[PointToLinePoint::Point], p[PointToLinePoint::Foot]);
    LiveLabels(f, s, PointToLinePoint::Anchor);
    return f;
}

void Values(const CMeasureShape& s, ShapeNumbering, const MeasureContext& mc, MeasuredValues& v) {
    const QVector<QPoint>& p = s.points;
    if (mc.valid() && p.size() >= PointToLinePoint::Count)
        v.Put(MeasureColumn::Length,
              PointToLineDistance(mc, p[PointToLinePoint::LineA], p[PointToLinePoint::LineB],
                                  p[PointToLinePoint::Point]));
}

} // namespace

const ToolBehaviour kPointToLineTool = {&Make<PointToLineTool>, &LiveFigure, nullptr, &Values};

} // namespace tvx

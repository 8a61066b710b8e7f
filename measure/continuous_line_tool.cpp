// The continuous line: segment after segment, each with its length, and the
// total under the last label; a double click ends it. Drawn without
// measuring it is a freehand line that the second click ends.
#include "measure/tool_kit.h"

namespace tvx {

namespace {

using namespace toolkit;

// Points: the first vertex, then per segment its end and its label anchor.
class ContinuousLineTool : public CMeasureTool {
public:
    using CMeasureTool::CMeasureTool;

    bool EndsOnDoubleClick() const override { return true; }

    void DoubleClick(QPoint) override {
        if (phase() != Phase::Points || !measuring()) return;
        QVector<QPoint> pts = pts_;
        QStringList labels = labels_;
        if (live()) {
            // The press of this double click began a segment whose label is
            // not placed; the double click only ends the line.
            if (labelPhase_) {
                pts.resize(pts.size() - 2);
                labels.removeLast();
            }
        }
        if (labels.isEmpty()) return;
        CMeasureShape shape = NewShape(ShapeKind::ContinuousLine);
        shape.points = pts;
        shape.labels = labels;
        shape.measuredWith = settings().ctx;
        AppendNow(shape);
    }

protected:
    void OnPress(QPoint p) override {
        if (phase() == Phase::Idle) {
            ResetPoints();
            pts_ << p;
            previous_ = p;
            StartPoints();
            return;
        }
        if (!measuring()) {
            // Freehand: the second click ends the line.
            CMeasureShape shape = NewShape(ShapeKind::ContinuousLine);
            pts_ << p;
            shape.points = pts_;
            for (int i = 1; i < pts_.size(); ++i)
                shape.labels << QString();
            AppendNow(shape);
            return;
        }
        if (labelPhase_) {
            pts_.last() = p;
            labelPhase_ = false;
            return;
        }
        const auto label = SegmentLabel(settings().ctx, LastVertex(), p);
        if (!label) return;
        pts_ << p << p;
        labels_ << *label;
        labelPhase_ = true;
    }
    void OnMove(QPoint p) override {
        if (!measuring()) {
            pts_ << previous_;
            previous_ = p;
        } else if (labelPhase_) {
            pts_.last() = p;
        }
    }
    Figure PendingPoints() const override {
        Figure f;
        if (!measuring()) {
            for (int i = 1; i < pts_.size(); ++i)
                f.lines << QLine(pts_[i - 1], pts_[i]);
            if (!pts_.isEmpty()) f.lines << QLine(pts_.last(), pointer_);
            return f;
        }
        if (pts_.size() > 1) f.lines << QLine(pts_[0], pts_[1]);
        for (int j = 1; j < pts_.size() - 2; j += 2)
            f.lines << QLine(pts_[j], pts_[j + 2]);
        for (int j = 2; j < pts_.size(); j += 2)
            if (j / 2 - 1 < labels_.size()) f.texts << Figure::Text{pts_[j], 0, labels_[j / 2 - 1]};
        if (!labelPhase_) f.lines << QLine(LastVertex(), pointer_);
        return f;
    }
    void ResetPoints() override {
        pts_.clear();
        labels_.clear();
        labelPhase_ = false;
    }

private:
    QPoint LastVertex() const { return pts_.size() == 1 ? pts_[0] : pts_[pts_.size() - 2]; }

    QVector<QPoint> pts_;
    QStringList labels_;
    bool labelPhase_ = false;
    QPoint previous_;
};

// Both surfaces draw it alike; `at` brings a point to where it is drawn.
template <class Map>
Figure SegmentsFigure(const CMeasureShape& s, const MeasureContext& ctx, const Map& at) {
    Figure f;
    const QVector<QPoint>& p = s.points;
    const int n = p.size();
    if (n > 1) f.lines << QLine(at(p[0]), at(p[1]));
    for (int j = 1; j < n - 2; j += 2)
        f.lines << QLine(at(p[j]), at(p[j + 2]));
    QStringList drawn;
    for (int j = 2; j < n; j += 2) {
        const int k = j / 2 - 1;
        if (k >= s.labels.size()) break;
        f.texts << Figure::Text{at(p[j]), 0, s.labels[k]};
        drawn << s.labels[k];
    }
    // The total goes under the last label when the line ends on a label
    // point, in the unit its segments were measured in, whatever the
    // setting says now; a freehand line's labels are empty and sum to
    // nothing.
    if (n % 2 == 1 && n > 1) {
        if (const auto total = ContinuousLineTotalLabel(s.context(ctx), drawn))
            f.texts << Figure::Text{at(p[n - 1]), s.labelLineSpacing, *total};
    }
    return f;
}

Figure LiveFigure(const CMeasureShape& s, const MeasureContext& ctx) {
    return SegmentsFigure(s, ctx, [](QPoint p) { return p; });
}

Figure CanvasFigure(const CMeasureShape& s, const MeasureContext& ctx, const CanvasScale& scale) {
    const Scaled sc(scale);
    return SegmentsFigure(s, ctx, [&sc](QPoint p) { return sc.T(p); });
}

// The sum of its measured segments, each from its start vertex to its end
// vertex; nothing unless every segment has a label.
void Values(const CMeasureShape& s, ShapeNumbering, const MeasureContext& mc, MeasuredValues& v) {
    const QVector<QPoint>& p = s.points;
    const int segments = int(s.labels.size());
    if (!mc.valid() || segments == 0 || p.size() < 2 * segments + 1) return;
    double sum = 0;
    for (int k = 1; k <= segments; ++k) {
        if (s.labels[k - 1].isEmpty()) return;
        const QPoint from = k == 1 ? p[0] : p[ContinuousLinePoint::EndOfSegment(k - 1)];
        sum += mc.Length(PixelDistance(from, p[ContinuousLinePoint::EndOfSegment(k)]));
    }
    v.Put(MeasureColumn::Length, sum);
}

} // namespace

const ToolBehaviour kContinuousLineTool = {&Make<ContinuousLineTool>, &LiveFigure, &CanvasFigure,
                                           &Values};

} // namespace tvx

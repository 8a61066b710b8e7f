// The line: two clicks, a tick across each end, its length as the label.
// The calibration line is the same tool, calibrating with its first line.
#include "measure/tool_kit.h"

namespace tvx {

namespace {

using namespace toolkit;

// The tick through `at`, perpendicular to a line of slope k: 10 pixels to
// each side.
QLine SlopeTick(QPoint at, double k) {
    const double t = std::sqrt(k * k / (k * k + 1)) * 10;
    return QLine(Trunc(at.x() + t), Trunc(at.y() - t / k), Trunc(at.x() - t),
                 Trunc(at.y() + t / k));
}

class LineTool : public CMeasureTool {
public:
    LineTool(ToolSurface s, int32_t kind, bool calibrating)
        : CMeasureTool(s, kind), calibrating_(calibrating) {}

protected:
    void OnPress(QPoint p) override {
        if (phase() == Phase::Idle) {
            start_ = p;
            startTick_ = QLine(p, p); // a click without a move gives a tick of length 0
            slope_.reset();
            StartPoints();
            return;
        }
        Finish(p);
    }
    void OnMove(QPoint p) override {
        const QPoint s = start_;
        if (p.x() == s.x()) {
            startTick_ = QLine(s.x() - 10, s.y(), s.x() + 10, s.y());
        } else if (p.y() == s.y()) {
            startTick_ = QLine(s.x(), s.y() - 10, s.x(), s.y() + 10);
        } else {
            slope_ = (double(s.y()) - p.y()) / (double(s.x()) - p.x());
            startTick_ = SlopeTick(s, *slope_);
        }
    }
    Figure PendingPoints() const override {
        Figure f;
        f.lines << QLine(start_, pointer_);
        if (!live()) f.lines << startTick_;
        return f;
    }
    void ResetPoints() override { slope_.reset(); }

private:
    void Finish(QPoint end) {
        QLine endTick;
        if (end.x() == start_.x()) {
            endTick = QLine(end.x() + 10, end.y(), end.x() - 10, end.y());
        } else if (end.y() == start_.y()) {
            endTick = QLine(end.x(), end.y() - 10, end.x(), end.y() + 10);
        } else {
            const double k =
                slope_ ? *slope_ : (double(start_.y()) - end.y()) / (double(start_.x()) - end.x());
            endTick = SlopeTick(end, k);
        }
        CMeasureShape shape = NewShape(ShapeKind::Line);
        shape.points = {start_,       end, startTick_.p1(), startTick_.p2(), endTick.p1(),
                        endTick.p2(), end};
        if (!measuring()) {
            shape.labels = BlankLabels(ShapeKind::Line);
            AppendNow(shape);
            return;
        }
        ToolSettings s = settings();
        if (calibrating_) {
            // One calibration per choice of the tool; the line then reads at
            // whatever magnification the dialog left.
            calibrating_ = false;
            if (s.calibrate) {
                if (const auto m = s.calibrate(PixelDistance(start_, end))) {
                    s.ctx.magnification = *m;
                    SetSettings(s);
                }
            }
        }
        const auto labels = LineLabels(s.ctx, start_, end);
        if (!labels) return BackToIdle();
        shape.labels = *labels;
        Measured(shape, LinePoint::Anchor);
    }

    bool calibrating_;
    QPoint start_;
    QLine startTick_;
    std::optional<double> slope_;
};

Figure LiveFigure(const CMeasureShape& s, const MeasureContext&) {
    Figure f;
    const QVector<QPoint>& p = s.points;
    if (p.size() < LinePoint::Count) return f;
    f.lines << QLine(p[LinePoint::Start], p[LinePoint::End]);
    LiveLabels(f, s, LinePoint::Anchor);
    return f;
}

Figure CanvasFigure(const CMeasureShape& s, const MeasureContext&, const CanvasScale& scale) {
    Figure f;
    const Scaled sc(scale);
    const QVector<QPoint>& p = s.points;
    if (p.size() < LinePoint::Count) return f;
    f.lines << sc.TLine(p[0], p[1]) << sc.TLine(p[2], p[3]) << sc.TLine(p[4], p[5]);
    sc.Label0(f, s, LinePoint::Anchor);
    return f;
}

void Values(const CMeasureShape& s, ShapeNumbering, const MeasureContext& mc, MeasuredValues& v) {
    const QVector<QPoint>& p = s.points;
    if (mc.valid() && p.size() >= LinePoint::Count)
        v.Put(MeasureColumn::Length,
              mc.Length(PixelDistance(p[LinePoint::Start], p[LinePoint::End])));
}

std::unique_ptr<CMeasureTool> MakeLine(ToolSurface s, int32_t kind) {
    return std::make_unique<LineTool>(s, kind, false);
}
std::unique_ptr<CMeasureTool> MakeCalibrationLine(ToolSurface s, int32_t kind) {
    return std::make_unique<LineTool>(s, kind, true);
}

} // namespace

const ToolBehaviour kLineTool = {&MakeLine, &LiveFigure, &CanvasFigure, &Values};
const ToolBehaviour kCalibrationLineTool = {&MakeCalibrationLine, &LiveFigure, &CanvasFigure,
                                            &Values};

} // namespace tvx

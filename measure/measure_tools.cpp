#include "measure/measure_tools.h"

#include <cmath>

namespace tvx {

namespace {

constexpr int kPendingLabelSpacing = 12;

int Trunc(double v) {
    if (!std::isfinite(v)) return 0;
    return int(std::trunc(std::clamp(v, -1e9, 1e9)));
}
int Round(double v) {
    return Trunc(v + 0.5);
}

QRect CircleBox(QPoint c, int r) {
    return QRect(c.x() - r, c.y() - r, 2 * r, 2 * r);
}

int TruncDistance(QPoint a, QPoint b) {
    return Trunc(PixelDistance(a, b));
}

// Qt angle (degrees, counter-clockwise, y up) of the direction from c to p.
double QtAngle(QPoint c, QPoint p) {
    return std::atan2(double(c.y()) - p.y(), double(p.x()) - c.x()) * 57.29577951308232;
}

void Cross(Figure& f, QPoint p, int half) {
    f.lines << QLine(p.x() - half, p.y(), p.x() + half, p.y())
            << QLine(p.x(), p.y() - half, p.x(), p.y() + half);
}

void StackLabels(Figure& f, const QStringList& labels, QPoint anchor, int spacing) {
    for (int k = 0; k < labels.size(); ++k)
        f.texts << Figure::Text{anchor, k * spacing, labels[k]};
}

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

// --- line and calibration line ---------------------------------------------

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

// --- continuous line --------------------------------------------------------

// Points: the first vertex, then per segment its end and its label anchor.
class ContinuousLineTool : public CMeasureTool {
public:
    using CMeasureTool::CMeasureTool;

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

// --- polygon ----------------------------------------------------------------

class PolygonTool : public CMeasureTool {
public:
    using CMeasureTool::CMeasureTool;

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

// --- tools made of a fixed number of clicks ---------------------------------

class ClickTool : public CMeasureTool {
public:
    ClickTool(ToolSurface s, int32_t kind, int clicks) : CMeasureTool(s, kind), needed_(clicks) {}

protected:
    void OnPress(QPoint p) override {
        if (phase() == Phase::Idle) {
            clicks_.clear();
            StartPoints();
        }
        clicks_ << p;
        if (clicks_.size() == needed_) Build();
    }
    void ResetPoints() override { clicks_.clear(); }
    // All clicks are in: make the shape, or go back to idle when the clicks
    // give no figure.
    virtual void Build() = 0;
    // Labels for the shape, blank when drawing without measuring.
    void Finish(CMeasureShape shape, const std::optional<QStringList>& labels, ShapeKind figure,
                int anchor) {
        if (!measuring()) {
            shape.labels = BlankLabels(figure);
            return AppendNow(shape);
        }
        if (!labels) return BackToIdle();
        shape.labels = *labels;
        Measured(shape, anchor);
    }

    QVector<QPoint> clicks_;

private:
    int needed_;
};

class RadiusCircleTool : public ClickTool {
public:
    RadiusCircleTool(ToolSurface s, int32_t kind) : ClickTool(s, kind, 2) {}

protected:
    void Build() override {
        CMeasureShape shape = NewShape(ShapeKind::RadiusCircle);
        shape.points = {clicks_[0], clicks_[1], clicks_[1]};
        Finish(shape, RadiusCircleLabels(settings().ctx, clicks_[0], clicks_[1]),
               ShapeKind::RadiusCircle, RadiusCirclePoint::Anchor);
    }
    Figure PendingPoints() const override {
        Figure f;
        const QPoint c = clicks_.value(0);
        f.ellipses << CircleBox(c, TruncDistance(c, pointer_));
        f.lines << QLine(c, pointer_);
        return f;
    }
};

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
               ShapeKind::DiameterCircle, DiameterCirclePoint::Anchor);
    }
    Figure PendingPoints() const override {
        Figure f;
        const QPoint a = clicks_.value(0);
        f.ellipses << CircleBox(Mid(a, pointer_), TruncDistance(a, pointer_) / 2);
        f.lines << QLine(a, pointer_);
        return f;
    }

private:
    static QPoint Mid(QPoint a, QPoint b) {
        return QPoint((a.x() + b.x()) / 2, (a.y() + b.y()) / 2);
    }
};

class RectangleTool : public ClickTool {
public:
    RectangleTool(ToolSurface s, int32_t kind) : ClickTool(s, kind, 2) {}

protected:
    void Build() override {
        CMeasureShape shape = NewShape(ShapeKind::Rectangle);
        shape.points = {clicks_[0], clicks_[1], clicks_[1]};
        Finish(shape, RectangleLabels(settings().ctx, clicks_[0], clicks_[1]), ShapeKind::Rectangle,
               RectanglePoint::Anchor);
    }
    Figure PendingPoints() const override {
        Figure f;
        const QPoint a = clicks_.value(0), b = pointer_;
        f.lines << QLine(a.x(), a.y(), b.x(), a.y()) << QLine(b.x(), a.y(), b.x(), b.y())
                << QLine(b.x(), b.y(), a.x(), b.y()) << QLine(a.x(), b.y(), a.x(), a.y());
        return f;
    }
};

class ThreePointCircleTool : public ClickTool {
public:
    ThreePointCircleTool(ToolSurface s, int32_t kind) : ClickTool(s, kind, 3) {}

protected:
    void Build() override {
        const QPoint a = clicks_[0], b = clicks_[1], c = clicks_[2];
        // On one line or on one spot: no circle, so no shape.
        const auto centre = CircleThroughPoints(a, b, c);
        if (!centre) return BackToIdle();
        CMeasureShape shape = NewShape(ShapeKind::ThreePointCircle);
        shape.points = {*centre, b, a, c, c};
        std::optional<QStringList> labels;
        if (auto m = ThreePointCircleLabels(settings().ctx, a, b, c)) labels = m->labels;
        Finish(shape, labels, ShapeKind::ThreePointCircle, ThreePointCirclePoint::Anchor);
    }
    Figure PendingPoints() const override {
        Figure f;
        for (const QPoint& p : clicks_)
            Cross(f, p, 4);
        return f;
    }
};

class ThreePointArcTool : public ClickTool {
public:
    ThreePointArcTool(ToolSurface s, int32_t kind) : ClickTool(s, kind, 3) {}

protected:
    void Build() override {
        const auto arc = ArcThroughPoints(clicks_[0], clicks_[1], clicks_[2]);
        if (!arc) return BackToIdle();
        CMeasureShape shape = NewShape(ShapeKind::ThreePointCircle);
        shape.points = {clicks_[0], clicks_[1], clicks_[2], clicks_[2]};
        Finish(shape, ThreePointArcLabels(settings().ctx, *arc), ShapeKind::ThreePointCircle,
               ArcPoint::Anchor);
    }
    Figure PendingPoints() const override {
        Figure f;
        for (const QPoint& p : clicks_)
            Cross(f, p, 4);
        if (!clicks_.isEmpty()) f.lines << QLine(clicks_.last(), pointer_);
        return f;
    }
};

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
        Finish(shape, labels, ShapeKind::ThreePointAngle, AnglePoint::Anchor);
    }
    Figure PendingPoints() const override {
        Figure f;
        for (int i = 1; i < clicks_.size(); ++i)
            f.lines << QLine(clicks_[i - 1], clicks_[i]);
        if (!clicks_.isEmpty()) f.lines << QLine(clicks_.last(), pointer_);
        return f;
    }
};

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
        Finish(shape, labels, ShapeKind::Line, PointToLinePoint::Anchor);
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

template <class T> std::unique_ptr<CMeasureTool> Make(ToolSurface s, int32_t kind) {
    return std::make_unique<T>(s, kind);
}
std::unique_ptr<CMeasureTool> MakeLine(ToolSurface s, int32_t kind) {
    return std::make_unique<LineTool>(s, kind, false);
}
std::unique_ptr<CMeasureTool> MakeCalibrationLine(ToolSurface s, int32_t kind) {
    return std::make_unique<LineTool>(s, kind, true);
}

} // namespace

// --- base -------------------------------------------------------------------

void CMeasureTool::Press(QPoint p) {
    pointer_ = p;
    if (phase_ == Phase::Label) {
        if (held_) {
            held_->points[anchor_] = p;
            if (list_) list_->Append(std::move(*held_));
        } else if (appended_ && list_ && list_->Newest()) {
            list_->Newest()->points[anchor_] = p;
        }
        BackToIdle();
        return;
    }
    OnPress(p);
}

void CMeasureTool::Move(QPoint p) {
    pointer_ = p;
    if (phase_ == Phase::Label) {
        if (held_) {
            held_->points[anchor_] = p;
        } else if (appended_ && list_ && list_->Newest()) {
            list_->Newest()->points[anchor_] = p;
        }
    } else if (phase_ == Phase::Points) {
        OnMove(p);
    }
}

void CMeasureTool::RightClick() {
    // Only the shape this tool has under way goes; what was finished before
    // stays.
    if (phase_ == Phase::Label && appended_ && list_) list_->RemoveNewest();
    BackToIdle();
}

void CMeasureTool::EndAsItStands() {
    if (phase_ == Phase::Label && held_ && list_) list_->Append(std::move(*held_));
    BackToIdle();
}

QStringList CMeasureTool::pendingLabels() const {
    return held_ ? held_->labels : QStringList();
}

Figure CMeasureTool::Pending() const {
    if (phase_ == Phase::Points) return PendingPoints();
    if (phase_ == Phase::Label && held_) {
        CMeasureShape shape = *held_;
        shape.labelLineSpacing = kPendingLabelSpacing;
        return LiveShapeFigure(shape, settings_.ctx);
    }
    return Figure();
}

void CMeasureTool::Measured(CMeasureShape shape, int anchor) {
    if (!list_) return BackToIdle();
    shape.measuredWith = settings_.ctx;
    ResetPoints();
    anchor_ = anchor;
    phase_ = Phase::Label;
    if (live()) {
        held_ = std::move(shape);
    } else {
        list_->Append(std::move(shape));
        appended_ = true;
    }
}

void CMeasureTool::AppendNow(CMeasureShape shape) {
    if (list_) list_->Append(std::move(shape));
    BackToIdle();
}

void CMeasureTool::BackToIdle() {
    phase_ = Phase::Idle;
    held_.reset();
    appended_ = false;
    ResetPoints();
}

CMeasureShape CMeasureTool::NewShape(ShapeKind figure) const {
    CMeasureShape shape = NewMeasurementShape(figure, settings_.style);
    shape.kind = kind_;
    shape.labelLineSpacing = settings_.labelLineSpacing;
    return shape;
}

// --- registry ---------------------------------------------------------------

const ToolEntry kToolRegistry[12] = {
    {ToolId::Line, "line", LiveKind::Line, MeasureTool::Line, &MakeLine},
    {ToolId::ContinuousLine, "continuous line", LiveKind::ContinuousLine,
     MeasureTool::ContinuousLine, &Make<ContinuousLineTool>},
    {ToolId::PointToLine, "point to line", LiveKind::PointToLine, std::nullopt,
     &Make<PointToLineTool>},
    {ToolId::Polygon, "polygon", LiveKind::Polygon, MeasureTool::Polygon, &Make<PolygonTool>},
    {ToolId::RadiusCircle, "radius circle", LiveKind::RadiusCircle, MeasureTool::RadiusCircle,
     &Make<RadiusCircleTool>},
    {ToolId::DiameterCircle, "diameter circle", LiveKind::DiameterCircle,
     MeasureTool::DiameterCircle, &Make<DiameterCircleTool>},
    {ToolId::ThreePointCircle, "three-point circle", LiveKind::ThreePointCircle,
     MeasureTool::ThreePointCircle, &Make<ThreePointCircleTool>},
    {ToolId::ThreePointArc, "three-point arc", LiveKind::ThreePointArc, std::nullopt,
     &Make<ThreePointArcTool>},
    {ToolId::ThreePointAngle, "three-point angle", LiveKind::ThreePointAngle,
     MeasureTool::ThreePointAngle, &Make<ThreePointAngleTool>},
    {ToolId::FourPointAngle, "four-point angle", LiveKind::FourPointAngle,
     MeasureTool::FourPointAngle, &Make<FourPointAngleTool>},
    {ToolId::Rectangle, "rectangle", 0, MeasureTool::Rectangle, &Make<RectangleTool>},
    // Calibrates with the line tool's number and kind on both surfaces.
    {ToolId::CalibrationLine, "calibration line", LiveKind::Line, MeasureTool::Line,
     &MakeCalibrationLine},
};

std::unique_ptr<CMeasureTool> MakeLiveTool(ToolId id) {
    for (const ToolEntry& e : kToolRegistry)
        if (e.id == id && e.liveTool != 0) return e.make(ToolSurface::Live, e.liveTool);
    return nullptr;
}

std::unique_ptr<CMeasureTool> MakeLiveToolByNumber(int liveTool) {
    for (const ToolEntry& e : kToolRegistry)
        if (e.liveTool == liveTool && e.id != ToolId::CalibrationLine)
            return e.make(ToolSurface::Live, e.liveTool);
    return nullptr;
}

std::unique_ptr<CMeasureTool> MakeCanvasTool(MeasureTool tool) {
    const auto kind = KindForTool(tool);
    if (!kind) return nullptr;
    for (const ToolEntry& e : kToolRegistry)
        if (e.canvas == tool && e.id != ToolId::CalibrationLine)
            return e.make(ToolSurface::Canvas, int32_t(*kind));
    return nullptr;
}

// --- figures ----------------------------------------------------------------

Figure ScaledFigure(const Figure& f, double sx, double sy, QPoint offset) {
    if (sx == 1.0 && sy == 1.0 && offset.isNull()) return f;
    const int ox = offset.x(), oy = offset.y();
    // A hair away from zero: a ratio such as 600 / 720 must bring whole
    // products (360 × 5/6 = 300) to the whole number, not just below it.
    constexpr double kNudge = 1 + 1e-12;
    auto pt = [&](QPoint p) {
        return QPoint(Trunc(p.x() * sx * kNudge) + ox, Trunc(p.y() * sy * kNudge) + oy);
    };
    auto box = [&](QRect r) {
        const int l = Round(r.x() * sx), t = Round(r.y() * sy);
        return QRect(l + ox, t + oy, Round((r.x() + r.width()) * sx) - l,
                     Round((r.y() + r.height()) * sy) - t);
    };
    Figure out;
    for (const QLine& l : f.lines)
        out.lines << QLine(pt(l.p1()), pt(l.p2()));
    for (const QRect& r : f.ellipses)
        out.ellipses << box(r);
    for (const Figure::Arc& a : f.arcs)
        out.arcs << Figure::Arc{box(a.box), a.startAngle16, a.spanAngle16};
    for (const Figure::Text& t : f.texts)
        out.texts << Figure::Text{pt(t.at), t.dy, t.text, t.dx};
    return out;
}

Figure LiveShapeFigure(const CMeasureShape& s, const MeasureContext& ctx) {
    Figure f;
    const QVector<QPoint>& p = s.points;
    const int n = p.size();
    auto label = [&](int anchor) {
        if (anchor < n) StackLabels(f, s.labels, p[anchor], s.labelLineSpacing);
    };
    switch (s.kind) {
    case LiveKind::Line:
        if (n < LinePoint::Count) break;
        f.lines << QLine(p[LinePoint::Start], p[LinePoint::End]);
        label(LinePoint::Anchor);
        break;
    case LiveKind::ContinuousLine: {
        if (n > 1) f.lines << QLine(p[0], p[1]);
        for (int j = 1; j < n - 2; j += 2)
            f.lines << QLine(p[j], p[j + 2]);
        QStringList drawn;
        for (int j = 2; j < n; j += 2) {
            const int k = j / 2 - 1;
            if (k >= s.labels.size()) break;
            f.texts << Figure::Text{p[j], 0, s.labels[k]};
            drawn << s.labels[k];
        }
        if (n % 2 == 1 && n > 1) {
            // In the unit its segments were measured in, whatever the
            // setting says now.
            if (const auto total = ContinuousLineTotalLabel(s.context(ctx), drawn))
                f.texts << Figure::Text{p[n - 1], s.labelLineSpacing, *total};
        }
        break;
    }
    case LiveKind::PointToLine:
        if (n < PointToLinePoint::Count) break;
        f.lines << QLine(p[PointToLinePoint::LineA], p[PointToLinePoint::LineB])
                << QLine(p[PointToLinePoint::Point], p[PointToLinePoint::Foot]);
        label(PointToLinePoint::Anchor);
        break;
    case LiveKind::Polygon:
        // Vertices, the first vertex again, the anchor.
        for (int i = 0; i + 1 < n - 1; ++i)
            f.lines << QLine(p[i], p[i + 1]);
        if (n > 0) label(n - 1);
        break;
    case LiveKind::RadiusCircle:
        if (n < RadiusCirclePoint::Count) break;
        f.ellipses << CircleBox(p[0], TruncDistance(p[0], p[1]));
        f.lines << QLine(p[0], p[1]);
        label(RadiusCirclePoint::Anchor);
        break;
    case LiveKind::DiameterCircle:
        if (n < DiameterCirclePoint::Count) break;
        f.ellipses << CircleBox(p[0], TruncDistance(p[0], p[1]));
        f.lines << QLine(p[1], p[2]);
        label(DiameterCirclePoint::Anchor);
        break;
    case LiveKind::ThreePointCircle:
        if (n < ThreePointCirclePoint::Count) break;
        f.ellipses << CircleBox(p[0], TruncDistance(p[0], p[1]));
        label(ThreePointCirclePoint::Anchor);
        break;
    case LiveKind::ThreePointArc: {
        if (n < ArcPoint::Count) break;
        const QPoint a = p[ArcPoint::Start], m = p[ArcPoint::Middle], e = p[ArcPoint::End];
        if (const auto arc = ArcThroughPoints(a, m, e)) {
            f.arcs << (arc->startToEnd ? CcwArc(arc->centre, arc->radius, a, e)
                                       : CcwArc(arc->centre, arc->radius, e, a));
            f.lines << QLine(arc->centre, a) << QLine(arc->centre, e);
        }
        label(ArcPoint::Anchor);
        break;
    }
    case LiveKind::ThreePointAngle: {
        if (n < AnglePoint::Count) break;
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
        label(AnglePoint::Anchor);
        break;
    }
    case LiveKind::FourPointAngle:
        if (n < FourPointAnglePoint::Count) break;
        f.lines << QLine(p[0], p[1]) << QLine(p[2], p[3]);
        label(FourPointAnglePoint::Anchor);
        break;
    default:
        break;
    }
    return f;
}

} // namespace tvx

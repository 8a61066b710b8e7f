#include "measure/measure_tools.h"

#include "measure/tool_kit.h"

namespace tvx {

namespace {

constexpr int kPendingLabelSpacing = 12;

using toolkit::Round;
using toolkit::Trunc;

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

} // namespace tvx

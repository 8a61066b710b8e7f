#pragma once

// What the measuring tools' own files share: whole-pixel rounding, the small
// figures several tools draw, the base of tools made of a fixed number of
// clicks, and label placement for live and canvas figures.

#include "measure/tool_registry.h"

#include <algorithm>
#include <cmath>

namespace tvx::toolkit {

inline int Trunc(double v) {
    if (!std::isfinite(v)) return 0;
    return int(std::trunc(std::clamp(v, -1e9, 1e9)));
}
inline int Round(double v) {
    return Trunc(v + 0.5);
}

inline QRect CircleBox(QPoint c, int r) {
    return QRect(c.x() - r, c.y() - r, 2 * r, 2 * r);
}

inline int TruncDistance(QPoint a, QPoint b) {
    return Trunc(PixelDistance(a, b));
}

// Qt angle (degrees, counter-clockwise, y up) of the direction from c to p.
inline double QtAngle(QPoint c, QPoint p) {
    return std::atan2(double(c.y()) - p.y(), double(p.x()) - c.x()) * 57.29577951308232;
}

inline void Cross(Figure& f, QPoint p, int half) {
    f.lines << QLine(p.x() - half, p.y(), p.x() + half, p.y())
            << QLine(p.x(), p.y() - half, p.x(), p.y() + half);
}

// The shape's labels stacked at its point `anchor`, when it has that point.
inline void LiveLabels(Figure& f, const CMeasureShape& s, int anchor) {
    if (anchor < 0 || anchor >= s.points.size()) return;
    for (int k = 0; k < s.labels.size(); ++k)
        f.texts << Figure::Text{s.points[anchor], k * s.labelLineSpacing, s.labels[k]};
}

// A circle around point 0 through point 1 with the segment from point `a`
// to point `b` (none for a < 0) and the labels at `anchor`; nothing until
// the shape has `count` points.
inline Figure LiveCircle(const CMeasureShape& s, int count, int a, int b, int anchor) {
    Figure f;
    const QVector<QPoint>& p = s.points;
    if (p.size() < count) return f;
    f.ellipses << CircleBox(p[0], TruncDistance(p[0], p[1]));
    if (a >= 0) f.lines << QLine(p[a], p[b]);
    LiveLabels(f, s, anchor);
    return f;
}

// Canvas figures: line ends and label corners truncated (T), the circles'
// boxes and segments rounded (R).
class Scaled {
public:
    explicit Scaled(const CanvasScale& s) : sx_(s.sx), sy_(s.sy), crossHalf_(s.crossHalf) {}
    QPoint T(QPoint p) const { return QPoint(Trunc(p.x() * sx_), Trunc(p.y() * sy_)); }
    QPoint R(QPoint p) const { return QPoint(Round(p.x() * sx_), Round(p.y() * sy_)); }
    QLine TLine(QPoint a, QPoint b) const { return QLine(T(a), T(b)); }
    QLine RLine(QPoint a, QPoint b) const { return QLine(R(a), R(b)); }
    // The box (x − r, y − r, x + r, y + r) of a canvas circle, scaled and
    // rounded corner by corner.
    QRect CircleBox(QPoint c, int r) const {
        const int l = Round((c.x() - r) * sx_), t = Round((c.y() - r) * sy_);
        const int rr = Round((c.x() + r) * sx_), b = Round((c.y() + r) * sy_);
        return QRect(l, t, rr - l, b - t);
    }
    // A cross of the scale's size around the rounded point.
    void Cross(Figure& f, QPoint c) const { toolkit::Cross(f, R(c), crossHalf_); }
    // Every label stacked at the anchor, or only the first.
    void Labels(Figure& f, const CMeasureShape& s, int anchor) const {
        if (anchor < 0 || anchor >= s.points.size()) return;
        for (int k = 0; k < s.labels.size(); ++k)
            f.texts << Figure::Text{T(s.points[anchor]), k * s.labelLineSpacing, s.labels[k]};
    }
    // As LiveCircle, the segment rounded.
    Figure Circle(const CMeasureShape& s, int count, int a, int b, int anchor) const {
        Figure f;
        const QVector<QPoint>& p = s.points;
        if (p.size() < count) return f;
        f.ellipses << CircleBox(p[0], TruncDistance(p[0], p[1]));
        if (a >= 0) f.lines << RLine(p[a], p[b]);
        Labels(f, s, anchor);
        return f;
    }
    void Label0(Figure& f, const CMeasureShape& s, int anchor) const {
        if (anchor >= 0 && anchor < s.points.size() && !s.labels.isEmpty())
            f.texts << Figure::Text{T(s.points[anchor]), 0, s.labels[0]};
    }

private:
    double sx_, sy_;
    int crossHalf_;
};

// A circle's area, radius and circumference in their columns.
inline void PutCircle(MeasuredValues& v, const CircleValues& c) {
    v.Put(MeasureColumn::Area, c.area);
    v.Put(MeasureColumn::Radius, c.radius);
    v.Put(MeasureColumn::Circumference, c.circumference);
}

// A tool made of a fixed number of clicks.
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
    void Finish(CMeasureShape shape, const std::optional<QStringList>& labels, int anchor) {
        if (!measuring()) {
            shape.labels = BlankLabels(ShapeKind(shape.kind));
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

template <class T> std::unique_ptr<CMeasureTool> Make(ToolSurface s, int32_t kind) {
    return std::make_unique<T>(s, kind);
}

} // namespace tvx::toolkit

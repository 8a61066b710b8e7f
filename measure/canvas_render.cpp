#include "measure/canvas_render.h"

#include "measure/shape_drawing.h"

#include <QPainter>
#include <cmath>

namespace tvx {

namespace {

int Trunc(double v) {
    if (!std::isfinite(v)) return 0;
    return int(std::trunc(std::clamp(v, -1e9, 1e9)));
}
int Round(double v) {
    return Trunc(v + 0.5);
}

class Scaler {
public:
    Scaler(double sx, double sy) : sx_(sx), sy_(sy) {}
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

private:
    double sx_, sy_;
};

int TruncDistance(QPoint a, QPoint b) {
    return Trunc(PixelDistance(a, b));
}

} // namespace

Figure CanvasShapeFigure(const CMeasureShape& s, const MeasureContext& ctx, double sx, double sy,
                         int crossHalf) {
    Figure f;
    const Scaler sc(sx, sy);
    const QVector<QPoint>& p = s.points;
    const int n = p.size();
    auto labels = [&](int anchor) {
        if (anchor < 0 || anchor >= n) return;
        for (int k = 0; k < s.labels.size(); ++k)
            f.texts << Figure::Text{sc.T(p[anchor]), k * s.labelLineSpacing, s.labels[k]};
    };
    auto label0 = [&](int anchor) {
        if (anchor >= 0 && anchor < n && !s.labels.isEmpty())
            f.texts << Figure::Text{sc.T(p[anchor]), 0, s.labels[0]};
    };
    auto cross = [&](QPoint c) {
        const QPoint m = sc.R(c);
        f.lines << QLine(m.x() - crossHalf, m.y(), m.x() + crossHalf, m.y())
                << QLine(m.x(), m.y() - crossHalf, m.x(), m.y() + crossHalf);
    };
    switch (ShapeKind(s.kind)) {
    case ShapeKind::Line:
        if (n < LinePoint::Count) break;
        f.lines << sc.TLine(p[0], p[1]) << sc.TLine(p[2], p[3]) << sc.TLine(p[4], p[5]);
        label0(LinePoint::Anchor);
        break;
    case ShapeKind::ContinuousLine: {
        if (n > 1) f.lines << sc.TLine(p[0], p[1]);
        for (int j = 1; j < n - 2; j += 2)
            f.lines << sc.TLine(p[j], p[j + 2]);
        QStringList drawn;
        for (int j = 2; j < n; j += 2) {
            const int k = j / 2 - 1;
            if (k >= s.labels.size()) break;
            f.texts << Figure::Text{sc.T(p[j]), 0, s.labels[k]};
            drawn << s.labels[k];
        }
        // The total goes under the last label when the line ends on a label
        // point; a freehand line's labels are empty and sum to nothing.
        if (n % 2 == 1 && n > 1) {
            if (const auto total = ContinuousLineTotalLabel(s.context(ctx), drawn))
                f.texts << Figure::Text{sc.T(p[n - 1]), s.labelLineSpacing, *total};
        }
        break;
    }
    case ShapeKind::Polygon:
        // A vertex on the canvas's left or top edge reads as "no point" and
        // loses its incoming edge; the closing edge is always drawn.
        for (int i = 1; i <= n - 2; ++i)
            if (p[i].x() != 0 && p[i].y() != 0) f.lines << sc.TLine(p[i - 1], p[i]);
        if (n >= 2) f.lines << sc.TLine(p[n - 2], p[0]);
        if (n > 0) label0(n - 1);
        break;
    case ShapeKind::ThreePointAngle:
        if (n < AnglePoint::Count) break;
        f.lines << sc.TLine(p[AnglePoint::FirstArm], p[AnglePoint::Vertex])
                << sc.TLine(p[AnglePoint::Vertex], p[AnglePoint::SecondArm]);
        label0(AnglePoint::Anchor);
        break;
    case ShapeKind::RadiusCircle:
        if (n < RadiusCirclePoint::Count) break;
        f.ellipses << sc.CircleBox(p[0], TruncDistance(p[0], p[1]));
        f.lines << sc.RLine(p[0], p[1]);
        labels(RadiusCirclePoint::Anchor);
        break;
    case ShapeKind::DiameterCircle:
        if (n < DiameterCirclePoint::Count) break;
        f.ellipses << sc.CircleBox(p[0], TruncDistance(p[0], p[1]));
        f.lines << sc.RLine(p[1], p[2]);
        labels(DiameterCirclePoint::Anchor);
        break;
    case ShapeKind::Rectangle: {
        if (n < RectanglePoint::Count) break;
        const QPoint a = sc.T(p[0]), b = sc.T(p[1]);
        f.lines << QLine(a.x(), a.y(), b.x(), a.y()) << QLine(b.x(), a.y(), b.x(), b.y())
                << QLine(b.x(), b.y(), a.x(), b.y()) << QLine(a.x(), b.y(), a.x(), a.y());
        labels(RectanglePoint::Anchor);
        break;
    }
    case ShapeKind::ThreePointCircle:
        if (n < ThreePointCirclePoint::Count) break;
        f.ellipses << sc.CircleBox(p[0], TruncDistance(p[0], p[1]));
        f.lines << sc.RLine(p[0], p[3]);
        cross(p[2]);
        cross(p[1]);
        cross(p[3]);
        labels(ThreePointCirclePoint::Anchor);
        break;
    case ShapeKind::FourPointAngle:
        if (n < FourPointAnglePoint::Count) break;
        f.lines << sc.TLine(p[0], p[1]) << sc.TLine(p[2], p[3]);
        label0(FourPointAnglePoint::Anchor);
        break;
    default:
        break;
    }
    return f;
}

void PaintCanvasShape(QPainter& p, const CMeasureShape& s, const MeasureContext& ctx, double sx,
                      double sy, int crossHalf) {
    if (s.is(ShapeKind::Text)) {
        if (s.points.isEmpty() || s.labels.isEmpty()) return;
        const QPoint at(Trunc(s.points[0].x() * sx), Trunc(s.points[0].y() * sy));
        Figure f;
        f.texts << Figure::Text{at, 0, s.labels[0]};
        PaintFigure(p, f, QPen(), ToQFont(s.textFont), ColourFromBgr(s.textColor));
        return;
    }
    PaintFigure(p, CanvasShapeFigure(s, ctx, sx, sy, crossHalf),
                MeasurePen(s.penStyle, s.penWidth, s.penColor), ToQFont(s.labelFont),
                ColourFromBgr(s.labelColor));
}

FontRecord DateStampFontRecord() {
    // The default record in the fixed-pitch face and the default character set.
    FontRecord r = DefaultFontRecord();
    r.lfCharSet = 1;
    r.setFaceName(QStringLiteral("Lucida Console"));
    return r;
}

void XorFigure(QImage& image, const Figure& figure, const QPen& pen) {
    if (image.isNull() || image.format() != QImage::Format_RGB32) return;
    QPainter p(&image);
    p.setRenderHint(QPainter::Antialiasing, false);
    p.setCompositionMode(QPainter::RasterOp_NotSourceXorDestination);
    p.setPen(pen);
    p.setBrush(Qt::NoBrush);
    // One line at a time: a batch would join its lines into one path and
    // pixels shared by two lines would be set once instead of twice.
    for (const QLine& l : figure.lines)
        p.drawLine(l);
    for (const QRect& r : figure.ellipses)
        p.drawEllipse(r);
    for (const Figure::Arc& a : figure.arcs)
        p.drawArc(a.box, a.startAngle16, a.spanAngle16);
}

} // namespace tvx

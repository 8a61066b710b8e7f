#include "measure/canvas_render.h"

#include "measure/shape_drawing.h"
#include "measure/tool_kit.h"

#include <QPainter>

namespace tvx {

using toolkit::Trunc;

Figure CanvasShapeFigure(const CMeasureShape& s, const MeasureContext& ctx, double sx, double sy,
                         int crossHalf) {
    const ToolRow* r = ToolOfCanvasKind(s.kind);
    if (!r || !r->does->canvasFigure) return Figure();
    return r->does->canvasFigure(s, ctx, CanvasScale{sx, sy, crossHalf});
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

#include "measure/live_shapes.h"

#include <QFontMetrics>
#include <QPainter>

namespace tvx {

QColor ColourFromBgr(uint32_t bgr) {
    return QColor(int(bgr & 0xFF), int((bgr >> 8) & 0xFF), int((bgr >> 16) & 0xFF));
}

QPen MeasurePen(int32_t style, int32_t width, uint32_t bgr) {
    static const Qt::PenStyle kStyles[] = {Qt::SolidLine, Qt::DashLine, Qt::DotLine,
                                           Qt::DashDotLine, Qt::DashDotDotLine};
    const Qt::PenStyle s = style >= 0 && style < 5 ? kStyles[style] : Qt::SolidLine;
    // Width 0 would be Qt's cosmetic pen; it draws as one pixel either way.
    return QPen(ColourFromBgr(bgr), std::clamp(width, 1, 64), s, Qt::FlatCap, Qt::MiterJoin);
}

void PaintFigure(QPainter& p, const Figure& figure, const QPen& pen, const QFont& labelFont,
                 const QColor& labelColour) {
    if (figure.empty()) return;
    p.save();
    p.setRenderHint(QPainter::Antialiasing, false);
    p.setPen(pen);
    p.setBrush(Qt::NoBrush);
    if (!figure.lines.isEmpty()) p.drawLines(figure.lines);
    for (const QRect& r : figure.ellipses)
        p.drawEllipse(r);
    for (const Figure::Arc& a : figure.arcs)
        p.drawArc(a.box, a.startAngle16, a.spanAngle16);
    if (!figure.texts.isEmpty()) {
        p.setFont(labelFont);
        p.setPen(labelColour);
        const int ascent = QFontMetrics(labelFont).ascent();
        for (const Figure::Text& t : figure.texts)
            if (!t.text.isEmpty()) p.drawText(QPoint(t.at.x(), t.at.y() + t.dy + ascent), t.text);
    }
    p.restore();
}

void DrawLiveShapes(QPainter& p, const ShapeList& shapes, const CMeasureTool* tool,
                    const PenSnapshot& pen, const MeasureContext& ctx, double sx, double sy) {
    if (tool && tool->underWay()) {
        const ShapeStyle& style = tool->settings().style;
        PaintFigure(p, ScaledFigure(tool->Pending(), sx, sy),
                    MeasurePen(pen.style, pen.width, pen.colour), ToQFont(style.labelFont),
                    ColourFromBgr(style.labelColor));
    }
    // Shapes share fonts more often than not; convert each record once.
    const FontRecord* lastRecord = nullptr;
    QFont font;
    for (const CMeasureShape& s : shapes.shapes()) {
        if (!lastRecord || *lastRecord != s.labelFont) {
            font = ToQFont(s.labelFont);
            lastRecord = &s.labelFont;
        }
        PaintFigure(p, ScaledFigure(LiveShapeFigure(s, ctx), sx, sy),
                    MeasurePen(s.penStyle, s.penWidth, s.penColor), font,
                    ColourFromBgr(s.labelColor));
    }
}

} // namespace tvx

#include "measure/shape_drawing.h"

#include <QFontMetrics>
#include <QHash>
#include <QPainter>
#include <QStaticText>
#include <algorithm>
#include <utility>

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

namespace {

// Labels repeat from frame to frame; laying out their text once saves most
// of the time text drawing takes. One cache per drawing thread.
const QStaticText& CachedText(const QString& text, const QFont& font, const QString& fontKey) {
    // Keyed by font and text: the guides and the shapes use different fonts
    // in the same frame.
    thread_local QHash<QString, QStaticText> cache;
    if (cache.size() > 2048) cache.clear();
    const QString key = fontKey + QChar(0x1F) + text;
    auto it = cache.find(key);
    if (it == cache.end()) {
        QStaticText st(text);
        st.setTextFormat(Qt::PlainText);
        st.setPerformanceHint(QStaticText::AggressiveCaching);
        st.prepare(QTransform(), font);
        it = cache.insert(key, st);
    }
    return *it;
}

// The painter draws straight into an RGB32 picture with nothing in the way
// (no transform, clip, blending or antialiasing) and a solid opaque pen of
// one pixel: then circles can be set pixel by pixel, which is many times
// faster than the general ellipse path.
QImage* DirectTarget(QPainter& p, const QPen& pen) {
    if (p.device() == nullptr || p.device()->devType() != QInternal::Image) return nullptr;
    auto* img = static_cast<QImage*>(p.device());
    const QImage::Format f = img->format();
    if (f != QImage::Format_RGB32 && f != QImage::Format_ARGB32_Premultiplied) return nullptr;
    if (!img->isDetached() || !p.deviceTransform().isIdentity() || p.hasClipping() ||
        p.opacity() != 1.0 || p.compositionMode() != QPainter::CompositionMode_SourceOver ||
        p.testRenderHint(QPainter::Antialiasing))
        return nullptr;
    if (pen.style() != Qt::SolidLine || pen.widthF() > 1 || pen.color().alpha() != 255 ||
        pen.brush().style() != Qt::SolidPattern)
        return nullptr;
    return img;
}

// Midpoint circle of radius r around c, clipped to the picture.
void SetCircle(QImage& img, QPoint c, int r, QRgb colour) {
    const int w = img.width(), h = img.height();
    uchar* bits = img.bits();
    const qsizetype bpl = img.bytesPerLine();
    auto put = [&](int x, int y) {
        if (unsigned(x) < unsigned(w) && unsigned(y) < unsigned(h))
            reinterpret_cast<QRgb*>(bits + y * bpl)[x] = colour;
    };
    int x = r, y = 0, err = 1 - r;
    while (x >= y) {
        put(c.x() + x, c.y() + y);
        put(c.x() - x, c.y() + y);
        put(c.x() + x, c.y() - y);
        put(c.x() - x, c.y() - y);
        put(c.x() + y, c.y() + x);
        put(c.x() - y, c.y() + x);
        put(c.x() + y, c.y() - x);
        put(c.x() - y, c.y() - x);
        ++y;
        if (err < 0) {
            err += 2 * y + 1;
        } else {
            --x;
            err += 2 * (y - x) + 1;
        }
    }
}

// The pixels along one axis that SetAxisLine sets, clipped to 0 .. size - 1.
std::pair<int, int> AxisSpan(int from, int to, int size) {
    if (from < to) to -= 1;
    if (from > to) std::swap(from, to);
    return {std::max(from, 0), std::min(to, size - 1)};
}

// A horizontal or vertical line with the pixels the painter gives a batch of
// flat-capped lines: drawn from left to right (top to bottom) the last pixel
// is left out; drawn the other way both ends are set; ends that meet give
// one pixel.
void SetAxisLine(QImage& img, const QLine& l, QRgb colour) {
    const int w = img.width(), h = img.height();
    uchar* bits = img.bits();
    const qsizetype bpl = img.bytesPerLine();
    if (l.y1() == l.y2()) {
        if (unsigned(l.y1()) >= unsigned(h)) return;
        const auto [a, b] = AxisSpan(l.x1(), l.x2(), w);
        auto* row = reinterpret_cast<QRgb*>(bits + l.y1() * bpl);
        for (int x = a; x <= b; ++x)
            row[x] = colour;
    } else {
        if (unsigned(l.x1()) >= unsigned(w)) return;
        const auto [a, b] = AxisSpan(l.y1(), l.y2(), h);
        for (int y = a; y <= b; ++y)
            reinterpret_cast<QRgb*>(bits + y * bpl)[l.x1()] = colour;
    }
}

} // namespace

void PaintFigure(QPainter& p, const Figure& figure, const QPen& pen, const QFont& labelFont,
                 const QColor& labelColour) {
    if (figure.empty()) return;
    p.save();
    p.setRenderHint(QPainter::Antialiasing, false);
    p.setPen(pen);
    p.setBrush(Qt::NoBrush);
    QImage* direct = DirectTarget(p, pen);
    const QRgb penRgb = pen.color().rgba();
    if (direct) {
        // Guides are mostly axis-parallel lines; only the slanted ones need
        // the painter.
        QVector<QLine> slanted;
        for (const QLine& l : figure.lines) {
            if (l.x1() == l.x2() || l.y1() == l.y2())
                SetAxisLine(*direct, l, penRgb);
            else
                slanted << l;
        }
        if (!slanted.isEmpty()) p.drawLines(slanted);
    } else if (!figure.lines.isEmpty()) {
        p.drawLines(figure.lines);
    }
    for (const QRect& r : figure.ellipses) {
        // A box of even, equal sides is a circle with a whole-pixel centre.
        if (direct && r.width() == r.height() && r.width() % 2 == 0 && r.width() < (1 << 16))
            SetCircle(*direct, r.topLeft() + QPoint(r.width() / 2, r.height() / 2), r.width() / 2,
                      penRgb);
        else
            p.drawEllipse(r);
    }
    for (const Figure::Arc& a : figure.arcs)
        p.drawArc(a.box, a.startAngle16, a.spanAngle16);
    if (!figure.texts.isEmpty()) {
        p.setFont(labelFont);
        p.setPen(labelColour);
        const QString fontKey = labelFont.key();
        for (const Figure::Text& t : figure.texts)
            if (!t.text.isEmpty())
                p.drawStaticText(QPoint(t.at.x() + t.dx, t.at.y() + t.dy),
                                 CachedText(t.text, labelFont, fontKey));
    }
    p.restore();
}

void DrawLiveShapes(QPainter& p, const ShapeList& shapes, const CMeasureTool* tool,
                    const PenSnapshot& pen, const MeasureContext& ctx, double sx, double sy,
                    QPoint offset) {
    if (tool && tool->underWay()) {
        const ShapeStyle& style = tool->settings().style;
        PaintFigure(p, ScaledFigure(tool->Pending(), sx, sy, offset),
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
        PaintFigure(p, ScaledFigure(LiveShapeFigure(s, ctx), sx, sy, offset),
                    MeasurePen(s.penStyle, s.penWidth, s.penColor), font,
                    ColourFromBgr(s.labelColor));
    }
}

} // namespace tvx

#include "ui/measure/measure_pictures.h"

#include "ui/skin/skin.h"

#include <QFont>
#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>
#include <QPolygonF>

namespace tvx {

namespace {

constexpr QSize kButton(44, 36);
constexpr QSize kIcon(16, 16);

enum class Glyph {
    Open,
    Save,
    Draw,
    Measure,
    Pen,
    Text,
    Undo,
    Redo,
    Calibrate,
    Line,
    Continuous,
    Angle,
    Rectangle,
    Radius,
    Diameter,
    ThreeCircle,
    Polygon,
    FourAngle,
    Units,
};

// Glyphs are drawn in a 24 × 24 box scaled to the target.
void DrawGlyph(QPainter& p, Glyph g, const QRectF& box, const QColor& ink) {
    p.save();
    p.translate(box.topLeft());
    p.scale(box.width() / 24.0, box.height() / 24.0);
    QPen pen(ink, 2.0, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin);
    p.setPen(pen);
    p.setBrush(Qt::NoBrush);
    auto dot = [&](QPointF c) {
        p.save();
        p.setPen(Qt::NoPen);
        p.setBrush(ink);
        p.drawEllipse(c, 2.0, 2.0);
        p.restore();
    };
    switch (g) {
    case Glyph::Open:
        p.drawPolyline(QPolygonF({{3, 19}, {3, 6}, {9, 6}, {11, 8}, {19, 8}, {19, 11}}));
        p.drawPolygon(QPolygonF({{3, 19}, {7, 11}, {22, 11}, {18, 19}}));
        break;
    case Glyph::Save:
        p.drawRoundedRect(QRectF(4, 4, 16, 16), 2, 2);
        p.drawRect(QRectF(8, 4, 8, 5));
        p.drawRect(QRectF(7, 13, 10, 7));
        break;
    case Glyph::Draw:
        p.drawPolygon(QPolygonF({{5, 19}, {6, 15}, {16, 5}, {19, 8}, {9, 18}}));
        p.drawLine(QPointF(14, 7), QPointF(17, 10));
        break;
    case Glyph::Measure:
        p.drawRect(QRectF(3, 8, 18, 8));
        for (int x = 6; x <= 18; x += 3)
            p.drawLine(QPointF(x, 8), QPointF(x, x % 2 ? 12 : 11));
        break;
    case Glyph::Pen:
        p.drawLine(QPointF(4, 6), QPointF(20, 6));
        p.setPen(QPen(ink, 3.0, Qt::SolidLine, Qt::FlatCap));
        p.drawLine(QPointF(4, 12), QPointF(20, 12));
        p.setPen(QPen(ink, 2.0, Qt::DashLine, Qt::FlatCap));
        p.drawLine(QPointF(4, 18), QPointF(20, 18));
        break;
    case Glyph::Text: {
        QFont f(QStringLiteral("Liberation Serif"));
        f.setPixelSize(20);
        f.setBold(true);
        p.setFont(f);
        p.drawText(QRectF(0, 0, 24, 24), Qt::AlignCenter, QStringLiteral("T"));
        break;
    }
    case Glyph::Undo:
    case Glyph::Redo: {
        const bool undo = g == Glyph::Undo;
        QPainterPath path;
        path.moveTo(undo ? 6 : 18, 9);
        path.cubicTo(undo ? 16 : 8, 5, undo ? 22 : 2, 14, undo ? 14 : 10, 19);
        p.drawPath(path);
        const double x = undo ? 6 : 18, d = undo ? 1 : -1;
        p.drawPolyline(QPolygonF({{x + 4 * d, 4}, {x, 9}, {x + 5 * d, 12}}));
        break;
    }
    case Glyph::Calibrate:
        p.drawEllipse(QPointF(12, 12), 7, 7);
        p.drawLine(QPointF(12, 2), QPointF(12, 8));
        p.drawLine(QPointF(12, 16), QPointF(12, 22));
        p.drawLine(QPointF(2, 12), QPointF(8, 12));
        p.drawLine(QPointF(16, 12), QPointF(22, 12));
        break;
    case Glyph::Line:
        p.drawLine(QPointF(4, 19), QPointF(20, 5));
        dot({4, 19});
        dot({20, 5});
        break;
    case Glyph::Continuous:
        p.drawPolyline(QPolygonF({{3, 19}, {9, 8}, {15, 16}, {21, 5}}));
        break;
    case Glyph::Angle:
        p.drawPolyline(QPolygonF({{20, 5}, {4, 19}, {21, 19}}));
        p.drawArc(QRectF(-4, 11, 16, 16), 0, 40 * 16);
        break;
    case Glyph::Rectangle:
        p.drawRect(QRectF(4, 6, 16, 12));
        break;
    case Glyph::Radius:
        p.drawEllipse(QPointF(12, 12), 9, 9);
        p.drawLine(QPointF(12, 12), QPointF(19, 7));
        dot({12, 12});
        break;
    case Glyph::Diameter:
        p.drawEllipse(QPointF(12, 12), 9, 9);
        p.drawLine(QPointF(5, 17), QPointF(19, 7));
        break;
    case Glyph::ThreeCircle:
        p.drawEllipse(QPointF(12, 12), 9, 9);
        dot({3, 12});
        dot({18, 5});
        dot({16, 20});
        break;
    case Glyph::Polygon:
        p.drawPolygon(QPolygonF({{4, 9}, {12, 3}, {21, 8}, {18, 20}, {7, 19}}));
        break;
    case Glyph::FourAngle:
        p.drawLine(QPointF(3, 20), QPointF(21, 14));
        p.drawLine(QPointF(5, 4), QPointF(19, 18));
        break;
    case Glyph::Units: {
        QFont f(QStringLiteral("Liberation Sans"));
        f.setPixelSize(11);
        f.setBold(true);
        p.setFont(f);
        p.drawText(QRectF(0, 0, 24, 24), Qt::AlignCenter, QStringLiteral("mm"));
        break;
    }
    }
    p.restore();
}

QPixmap ButtonFace(Glyph g, bool latched) {
    QPixmap pm(kButton);
    pm.fill(Qt::transparent);
    QPainter p(&pm);
    p.setRenderHint(QPainter::Antialiasing);
    QLinearGradient face(0, 0, 0, kButton.height());
    if (latched) {
        face.setColorAt(0, QColor(255, 196, 92));
        face.setColorAt(1, QColor(222, 128, 24));
    } else {
        face.setColorAt(0, QColor(86, 160, 236));
        face.setColorAt(1, QColor(36, 96, 186));
    }
    p.setPen(QPen(latched ? QColor(255, 226, 160) : QColor(150, 200, 255), 1));
    p.setBrush(face);
    p.drawRoundedRect(QRectF(0.5, 0.5, kButton.width() - 1, kButton.height() - 1), 6, 6);
    DrawGlyph(p, g, QRectF(10, 6, 24, 24), Qt::white);
    return pm;
}

QPixmap Background(int width) {
    return MeasureBackground(QSize(width, 525), QRect(5, 41, width - 9, 480));
}

QPixmap RatePlate() {
    QPixmap pm(55, 20);
    QPainter p(&pm);
    QLinearGradient g(0, 0, 0, 20);
    g.setColorAt(0, QColor(238, 240, 244));
    g.setColorAt(1, QColor(206, 212, 222));
    p.fillRect(pm.rect(), g);
    return pm;
}

struct IconEntry {
    int number;
    Glyph glyph;
};
constexpr IconEntry kIcons[] = {
    {MeasurePicture::IconThreePointCircle, Glyph::ThreeCircle},
    {MeasurePicture::IconAngle, Glyph::Angle},
    {MeasurePicture::IconContinuousDraw, Glyph::Continuous},
    {MeasurePicture::IconContinuousMeasure, Glyph::Continuous},
    {MeasurePicture::IconDiameterCircle, Glyph::Diameter},
    {MeasurePicture::IconFourPointAngle, Glyph::FourAngle},
    {MeasurePicture::IconLine, Glyph::Line},
    {MeasurePicture::IconPolygon, Glyph::Polygon},
    {MeasurePicture::IconRadiusCircle, Glyph::Radius},
    {MeasurePicture::IconRectangle, Glyph::Rectangle},
    {MeasurePicture::IconUnits, Glyph::Units},
};

struct ButtonEntry {
    int normal, latched;
    Glyph glyph;
};
constexpr ButtonEntry kButtons[] = {
    {MeasurePicture::OpenNormal, MeasurePicture::OpenLatched, Glyph::Open},
    {MeasurePicture::SaveNormal, MeasurePicture::SaveLatched, Glyph::Save},
    {MeasurePicture::DrawNormal, MeasurePicture::DrawLatched, Glyph::Draw},
    {MeasurePicture::MeasureNormal, MeasurePicture::MeasureLatched, Glyph::Measure},
    {MeasurePicture::PenNormal, MeasurePicture::PenLatched, Glyph::Pen},
    {MeasurePicture::TextNormal, MeasurePicture::TextLatched, Glyph::Text},
    {MeasurePicture::DeleteNormal, MeasurePicture::DeleteLatched, Glyph::Undo},
    {MeasurePicture::ResumeNormal, MeasurePicture::ResumeLatched, Glyph::Redo},
    {MeasurePicture::CalibrationNormal, MeasurePicture::CalibrationLatched, Glyph::Calibrate},
};

} // namespace

QPixmap MeasureBackground(QSize size, const QRect& well) {
    QPixmap pm(size.expandedTo(QSize(1, 1)));
    QPainter p(&pm);
    QLinearGradient back(0, 0, 0, pm.height());
    back.setColorAt(0, QColor(58, 66, 80));
    back.setColorAt(1, QColor(30, 34, 42));
    p.fillRect(pm.rect(), back);
    QLinearGradient bar(0, 0, 0, 40);
    bar.setColorAt(0, QColor(92, 104, 124));
    bar.setColorAt(1, QColor(48, 56, 70));
    p.fillRect(QRect(0, 0, pm.width(), 39), bar);
    p.setPen(QColor(20, 22, 28));
    p.drawLine(0, 39, pm.width(), 39);
    p.setPen(QColor(16, 18, 22));
    p.drawRect(well.adjusted(-2, -2, 0, 1));
    return pm;
}

QSize MeasurePictureSize(int number) {
    if (number == MeasurePicture::Background640) return QSize(649, 525);
    if (number == MeasurePicture::Background720) return QSize(729, 525);
    if (number == MeasurePicture::RatePlate) return QSize(55, 20);
    for (const ButtonEntry& b : kButtons)
        if (number == b.normal || number == b.latched) return kButton;
    for (const IconEntry& i : kIcons)
        if (number == i.number) return kIcon;
    return QSize();
}

QPixmap MeasurePixmap(int number) {
    if (number == MeasurePicture::Background640) return Background(649);
    if (number == MeasurePicture::Background720) return Background(729);
    if (number == MeasurePicture::RatePlate) return RatePlate();
    for (const ButtonEntry& b : kButtons) {
        if (number == b.normal) return ButtonFace(b.glyph, false);
        if (number == b.latched) return ButtonFace(b.glyph, true);
    }
    for (const IconEntry& i : kIcons) {
        if (number != i.number) continue;
        QPixmap pm(kIcon * 2);
        pm.fill(Qt::transparent);
        QPainter p(&pm);
        p.setRenderHint(QPainter::Antialiasing);
        DrawGlyph(p, i.glyph, QRectF(0, 0, 32, 32), QColor(32, 84, 170));
        p.end();
        pm.setDevicePixelRatio(2.0);
        return pm;
    }
    return QPixmap();
}

QIcon MeasureMenuIcon(int number) {
    QPixmap pm = MeasurePixmap(number);
    // A tool whose icon is not drawn here brings it as a skin picture.
    if (pm.isNull() && number != 0) pm = SkinPixmap(number, 2.0);
    return pm.isNull() ? QIcon() : QIcon(pm);
}

QCursor MeasuringCursor() {
    QPixmap pm(32, 32);
    pm.fill(Qt::transparent);
    QPainter p(&pm);
    for (const QColor& c : {QColor(0, 0, 0), QColor(255, 255, 255)}) {
        // A dark outline under a light cross reads on any picture.
        const int w = c == Qt::black ? 3 : 1;
        p.setPen(QPen(c, w, Qt::SolidLine, Qt::FlatCap));
        p.drawLine(QPointF(16, 2), QPointF(16, 12));
        p.drawLine(QPointF(16, 20), QPointF(16, 30));
        p.drawLine(QPointF(2, 16), QPointF(12, 16));
        p.drawLine(QPointF(20, 16), QPointF(30, 16));
    }
    p.end();
    return QCursor(pm, 16, 16);
}

} // namespace tvx

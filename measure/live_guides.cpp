#include "measure/live_guides.h"

#include "measure/geometry.h"
#include "measure/live_shapes.h"

#include <QFontMetrics>
#include <QPainter>
#include <cmath>

namespace tvx {

namespace {

// x + 0.5 truncated toward zero; steps beyond any picture count as 0.
int Rnd(double x) {
    const double v = std::trunc(x + 0.5);
    if (!std::isfinite(v) || v < 0 || v > 1 << 20) return 0;
    return int(v);
}

// Text whose top-left corner is at (x, y), as the labels are placed.
void TextAt(QPainter& p, int x, int y, const QString& text) {
    p.drawText(QPoint(x, y + p.fontMetrics().ascent()), text);
}

QPen Pen(const QColor& colour) {
    return QPen(colour, 1, Qt::SolidLine, Qt::FlatCap);
}

void Begin(QPainter& p, const QColor& colour) {
    p.save();
    p.setRenderHint(QPainter::Antialiasing, false);
    p.setRenderHint(QPainter::TextAntialiasing, false);
    p.setPen(QPen(colour, 1, Qt::SolidLine, Qt::FlatCap));
    p.setBrush(Qt::NoBrush);
}

void Axes(Figure& f, QSize client, int cx, int cy) {
    f.lines << QLine(0, cy, client.width(), cy) << QLine(cx, 0, cx, client.height());
}

// Labels alternate below and above their axis, each half with its own
// counter: odd goes below (or right) and counts up, even goes above (or
// left) and counts down.
struct Alternation {
    int positive = 1;
    int negative = 1;
    static bool Next(int& counter) {
        const bool below = counter % 2 != 0;
        counter += below ? 1 : -1;
        return below;
    }
};

QString Value(double v) {
    return FormatFixed(v, 2);
}

// Labels far outside the view are counted (they alternate) but not kept.
void AddLabel(Figure& f, QSize client, QPoint at, const QString& text) {
    // Generous: a label starting left of or above the view may still reach in.
    if (at.x() < client.width() && at.y() < client.height() && at.x() > -200 && at.y() > -100)
        f.texts << Figure::Text{at, 0, text};
}

} // namespace

MagnificationReading ReadMagnification(const MagnificationInput& input) {
    MagnificationReading r;
    const double calibrated = LeadingNumber(input.calibrated);
    r.entered = LeadingNumber(input.nominal);
    const double m = calibrated != 0 && !input.useNominal ? calibrated : r.entered;
    // A negative magnification would mirror every length; it counts as none.
    if (m > 0 && std::isfinite(m)) r.magnification = m;
    return r;
}

GuideScale ComputeGuideScale(double magnification, double unitPerPixel) {
    GuideScale s;
    s.magnification = magnification;
    s.step = magnification / (unitPerPixel * 10);
    return s;
}

GuideState::Toggle GuideState::ToggleCrossLine(bool connected) {
    if (!connected) return Toggle::Ignored;
    std::lock_guard<std::mutex> lock(mutex_);
    state_.crossLine = !state_.crossLine;
    return Toggle::Changed;
}

GuideState::Toggle GuideState::ToggleScaled(bool& on, bool connected,
                                            std::optional<double> magnification,
                                            double unitPerPixel) {
    if (!connected) return Toggle::Ignored;
    if (on) {
        on = false;
        return Toggle::Changed;
    }
    if (!magnification || !(unitPerPixel > 0)) return Toggle::NeedsMagnification;
    state_.scale = ComputeGuideScale(*magnification, unitPerPixel);
    on = true;
    return Toggle::Changed;
}

GuideState::Toggle GuideState::ToggleRuler(bool connected, std::optional<double> magnification,
                                           double unitPerPixel) {
    std::lock_guard<std::mutex> lock(mutex_);
    return ToggleScaled(state_.ruler, connected, magnification, unitPerPixel);
}

GuideState::Toggle GuideState::ToggleCircleGrid(bool connected, std::optional<double> magnification,
                                                double unitPerPixel) {
    std::lock_guard<std::mutex> lock(mutex_);
    return ToggleScaled(state_.circleGrid, connected, magnification, unitPerPixel);
}

void GuideState::SetFullScreen(bool on) {
    std::lock_guard<std::mutex> lock(mutex_);
    state_.fullScreen = on;
}

void GuideState::ResetScale() {
    std::lock_guard<std::mutex> lock(mutex_);
    state_.scale.magnification = 1.0;
    state_.scale.step = 1.0;
}

GuideSnapshot GuideState::Snapshot() const {
    std::lock_guard<std::mutex> lock(mutex_);
    return state_;
}

RulerSpacing LiveRulerSpacing(const GuideScale& scale) {
    RulerSpacing s;
    if (scale.magnification > 30) {
        s.tick = Rnd(0.1 * scale.step);
        s.labelStep = Rnd(0.05 * scale.step);
        s.labelDistance = 20 * s.labelStep;
    } else {
        s.tick = Rnd(0.2 * scale.step);
        s.labelStep = Rnd(0.4 * scale.step);
        s.labelDistance = 4 * s.labelStep;
    }
    return s;
}

double RulerValueStep(const QString& unit) {
    if (unit == QLatin1String("inch")) return 0.01;
    if (unit == QLatin1String("mil")) return 10;
    if (unit == QLatin1String("cm")) return 0.1;
    return 1;
}

Figure CrossLineFigure(QSize client) {
    Figure f;
    const int w = client.width(), h = client.height();
    f.lines << QLine(0, h / 2, w, h / 2) << QLine(w / 2, 0, w / 2, h);
    return f;
}

Figure RulerFigure(QSize client, const GuideScale& scale, const QString& unit) {
    Figure f;
    const int w = client.width(), h = client.height();
    const int cx = w / 2 + 1, cy = h / 2 + 1;
    Axes(f, client, cx, cy);
    const RulerSpacing sp = LiveRulerSpacing(scale);
    // A step of 0 pixels (tiny magnification) would never leave the loops.
    if (sp.tick <= 0 || sp.labelStep <= 0) return f;
    const double valueStep = RulerValueStep(unit);
    const int perLabel = sp.labelDistance / sp.labelStep;

    for (int d = 0; d < cx; d += sp.tick)
        f.lines << QLine(cx + d, h / 2 - 5, cx + d, h / 2 + 7)
                << QLine(cx - d, h / 2 - 5, cx - d, h / 2 + 7);
    Alternation alt;
    int k = 0;
    for (int e = 0; e < cx; e += sp.labelStep, ++k) {
        if (k == 0) continue; // the centre is not labelled and does not alternate
        const QString v = Value(k * valueStep);
        const int dist = perLabel * e;
        const int yr = Alternation::Next(alt.positive) ? h / 2 + 18 : h / 2 - 33;
        const int yl = Alternation::Next(alt.negative) ? h / 2 + 18 : h / 2 - 33;
        AddLabel(f, client, QPoint(cx + dist - 6, yr), v);
        AddLabel(f, client, QPoint(cx - dist - 6, yl), QStringLiteral("-") + v);
    }

    for (int d = 0; d < cy; d += sp.tick)
        f.lines << QLine(w / 2 - 5, cy + d, w / 2 + 7, cy + d)
                << QLine(w / 2 - 5, cy - d, w / 2 + 7, cy - d);
    k = 0;
    for (int e = 0; e < cy; e += sp.labelStep, ++k) {
        if (k == 0) continue;
        const QString v = Value(k * valueStep);
        const int dist = perLabel * e;
        const int xd = Alternation::Next(alt.positive) ? w / 2 + 18 : w / 2 - 33;
        const int xu = Alternation::Next(alt.negative) ? w / 2 + 18 : w / 2 - 33;
        AddLabel(f, client, QPoint(xd, cy + dist - 6), v);
        AddLabel(f, client, QPoint(xu, cy - dist - 6), QStringLiteral("-") + v);
    }
    return f;
}

Figure CircleGridFigure(QSize client, const GuideScale& scale) {
    Figure f;
    const int cx = client.width() / 2 + 1, cy = client.height() / 2 + 1;
    Axes(f, client, cx, cy);
    const int step = Rnd(scale.step);
    if (step > 0) {
        for (int r = 0; r < cy; r += step)
            f.ellipses << QRect(cx - r, cy - r, 2 * r, 2 * r);
    }
    return f;
}

Figure PictureGuidesFigure(QSize capture, const GuideSnapshot& guides, const QString& unit,
                           Figure* crossLine) {
    const int w = capture.width(), h = capture.height();
    const int hx = w / 2, hy = h / 2;
    const double a = capture == QSize(320, 240) ? guides.scale.step / 2 : guides.scale.step;
    if (crossLine) *crossLine = guides.crossLine ? CrossLineFigure(capture) : Figure();
    Figure f;
    if (guides.ruler) {
        Axes(f, capture, hx, hy);
        const bool fine = guides.scale.magnification > 30;
        const int step = fine ? Rnd(0.05 * a) : Rnd(0.25 * a);
        const int perLabel = fine ? 20 : 4;
        const double valueStep = RulerValueStep(unit);
        if (step > 0) {
            Alternation alt;
            for (int k = 0; k * step < hx || k == 0; ++k) {
                const int d = k * step, dist = perLabel * d;
                f.lines << QLine(hx + d, hy - 6, hx + d, hy + 6)
                        << QLine(hx - d, hy - 6, hx - d, hy + 6);
                if (k == 0) continue;
                const QString v = Value(k * valueStep);
                const int yr = Alternation::Next(alt.positive) ? hy + 17 : hy - 34;
                const int yl = Alternation::Next(alt.negative) ? hy + 17 : hy - 34;
                AddLabel(f, capture, QPoint(hx - 6 + dist, yr), v);
                AddLabel(f, capture, QPoint(hx - 6 - dist, yl), QStringLiteral("-") + v);
            }
            for (int k = 0; k * step < hy || k == 0; ++k) {
                const int d = k * step, dist = perLabel * d;
                f.lines << QLine(hx - 6, hy + d, hx + 6, hy + d)
                        << QLine(hx - 6, hy - d, hx + 6, hy - d);
                if (k == 0) continue;
                const QString v = Value(k * valueStep);
                const int xd = Alternation::Next(alt.positive) ? hx + 17 : hx - 34;
                const int xu = Alternation::Next(alt.negative) ? hx + 17 : hx - 34;
                AddLabel(f, capture, QPoint(xd, hy - 6 + dist), v);
                AddLabel(f, capture, QPoint(xu, hy - 6 - dist), QStringLiteral("-") + v);
            }
        }
    }
    if (guides.circleGrid) {
        Axes(f, capture, hx, hy);
        const int step = Rnd(a);
        if (step > 0) {
            for (int r = 0; r < hy; r += step)
                f.ellipses << QRect(hx - r, hy - r, 2 * r, 2 * r);
        }
    }
    return f;
}

void DrawCrossLine(QPainter& p, QSize client) {
    PaintFigure(p, CrossLineFigure(client), Pen(Qt::white), QFont(), Qt::white);
}

void DrawRuler(QPainter& p, QSize client, const GuideScale& scale, const QString& unit,
               const QFont& font) {
    PaintFigure(p, RulerFigure(client, scale, unit), Pen(Qt::red), font, Qt::red);
}

void DrawCircleGrid(QPainter& p, QSize client, const GuideScale& scale) {
    PaintFigure(p, CircleGridFigure(client, scale), Pen(Qt::red), QFont(), Qt::red);
}

void DrawCentreMessage(QPainter& p, QSize client, const QString& text, const QFont& font) {
    if (text.isEmpty()) return;
    Begin(p, QColor(0, 255, 0));
    p.setFont(font);
    const QFontMetrics fm(font);
    const int tw = fm.horizontalAdvance(text), th = fm.height();
    const int x = tw < client.width() ? (client.width() - tw) / 2 : 0;
    TextAt(p, x, (client.height() - th) / 2, text);
    p.restore();
}

void DrawFullScreenHint(QPainter& p, QSize client, const QString& text, const QFont& font) {
    if (text.isEmpty()) return;
    Begin(p, Qt::red);
    p.setFont(font);
    const int tw = QFontMetrics(font).horizontalAdvance(text);
    TextAt(p, tw + 4 < client.width() ? client.width() - tw - 4 : 0, 2, text);
    p.restore();
}

void DrawLiveGuides(QPainter& p, QSize client, const GuideSnapshot& guides, const QString& unit,
                    const QFont& font) {
    if (guides.crossLine) DrawCrossLine(p, client);
    if (guides.ruler) DrawRuler(p, client, guides.scale, unit, font);
    if (guides.circleGrid) DrawCircleGrid(p, client, guides.scale);
}

void DrawGuidesOnPicture(QPainter& p, QSize capture, const GuideSnapshot& guides,
                         const QString& unit, const QFont& font) {
    Figure cross;
    const Figure red = PictureGuidesFigure(capture, guides, unit, &cross);
    PaintFigure(p, cross, Pen(Qt::white), font, Qt::white);
    PaintFigure(p, red, Pen(Qt::red), font, Qt::red);
}

} // namespace tvx

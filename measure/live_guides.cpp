#include "measure/live_guides.h"

#include "measure/geometry.h"
#include "measure/shape_drawing.h"
#include "measure/units.h"

#include <QFontMetrics>
#include <QFontMetricsF>
#include <QPainter>
#include <QPainterPath>
#include <cmath>
#include <optional>

namespace tvx {

namespace {

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

QPoint Centre(QSize picture) {
    return QPoint(picture.width() / 2, picture.height() / 2);
}

void Axes(Figure& f, QSize picture) {
    const QPoint c = Centre(picture);
    f.lines << QLine(0, c.y(), picture.width(), c.y()) << QLine(c.x(), 0, c.x(), picture.height());
}

bool Usable(double pixelsPerUnit) {
    return std::isfinite(pixelsPerUnit) && pixelsPerUnit > 0;
}

// Gap between the axis and a label, and half a minor and a major tick. A
// label starts just past its tick, below and right of it, so a ring of the
// circle grid through the tick passes beside the text, not through it.
constexpr int kLabelGap = 9;
constexpr int kLabelNudge = 3;
constexpr int kMinorTick = 4;
constexpr int kMajorTick = 7;

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

double GuideScale::PixelsPerUnit(QSize picture) const {
    // An uncalibrated camera's guides count its pixels: any other unit would
    // rest on a pitch nobody measured.
    if (IsPixelUnit(unit)) return picture.isEmpty() ? 0 : 1;
    const double v = magnification / (PixelPitch(picture, pitchKnown) * UnitFactor(unit) * 10);
    return Usable(v) ? v : 0;
}

GuideState::Toggle GuideState::ToggleCrossLine(bool connected) {
    if (!connected) return Toggle::Ignored;
    std::lock_guard<std::mutex> lock(mutex_);
    state_.crossLine = !state_.crossLine;
    return Toggle::Changed;
}

GuideState::Toggle GuideState::ToggleScaled(bool& on, bool connected,
                                            std::optional<double> magnification,
                                            const QString& unit) {
    if (!connected) return Toggle::Ignored;
    if (on) {
        on = false;
        return Toggle::Changed;
    }
    if (!magnification) return Toggle::NeedsMagnification;
    state_.scale = GuideScale{*magnification, unit};
    on = true;
    return Toggle::Changed;
}

GuideState::Toggle GuideState::ToggleRuler(bool connected, std::optional<double> magnification,
                                           const QString& unit) {
    std::lock_guard<std::mutex> lock(mutex_);
    return ToggleScaled(state_.ruler, connected, magnification, unit);
}

GuideState::Toggle GuideState::ToggleCircleGrid(bool connected, std::optional<double> magnification,
                                                const QString& unit) {
    std::lock_guard<std::mutex> lock(mutex_);
    return ToggleScaled(state_.circleGrid, connected, magnification, unit);
}

GuideState::Toggle GuideState::SetScaleBar(bool on, std::optional<double> magnification,
                                           const QString& unit) {
    std::lock_guard<std::mutex> lock(mutex_);
    if (!on) {
        state_.scaleBar = false;
        return Toggle::Changed;
    }
    if (magnification) state_.scale = GuideScale{*magnification, unit};
    state_.scaleBar = true;
    return Toggle::Changed;
}

void GuideState::SetFullScreen(bool on) {
    std::lock_guard<std::mutex> lock(mutex_);
    state_.fullScreen = on;
}

void GuideState::Rescale(std::optional<double> magnification, const QString& unit) {
    if (!magnification) return;
    std::lock_guard<std::mutex> lock(mutex_);
    state_.scale = GuideScale{*magnification, unit};
}

GuideSnapshot GuideState::Snapshot() const {
    std::lock_guard<std::mutex> lock(mutex_);
    GuideSnapshot s = state_;
    if (scope_) s.scale.pitchKnown = scope_->pitchKnown.load();
    return s;
}

RulerSpacing ChooseRulerSpacing(double pixelsPerUnit, double minLabelPixels) {
    RulerSpacing s;
    if (!Usable(pixelsPerUnit) || !(minLabelPixels > 0)) return s;
    // The smallest 1, 2 or 5 times a power of ten that is far enough apart.
    const double least = minLabelPixels / pixelsPerUnit;
    int exponent = int(std::floor(std::log10(least)));
    if (exponent < -12 || exponent > 12) return s; // no picture has such a scale
    double value = 0;
    for (;; ++exponent) {
        const double power = std::pow(10.0, exponent);
        for (double m : {1.0, 2.0, 5.0}) {
            if (m * power >= least * (1 - 1e-9)) {
                value = m * power;
                break;
            }
        }
        if (value > 0) break;
    }
    s.labelValue = value;
    s.labelPixels = value * pixelsPerUnit;
    // 1, 2 and 5 times 10^e need max(0, −e) digits.
    s.decimals = std::max(0, -exponent);
    return s;
}

namespace {

// The axes a scaled guide stands on, and the spacing of its marks; nothing
// more when the picture or the scale leaves nothing to mark.
std::optional<RulerSpacing> ScaledAxes(Figure& f, QSize picture, const GuideScale& scale) {
    if (picture.isEmpty()) return std::nullopt;
    Axes(f, picture);
    const RulerSpacing sp = ChooseRulerSpacing(scale.PixelsPerUnit(picture));
    if (sp.labelValue <= 0) return std::nullopt;
    return sp;
}

} // namespace

Figure CrossLineFigure(QSize picture) {
    Figure f;
    Axes(f, picture);
    return f;
}

Figure RulerFigure(QSize picture, const GuideScale& scale) {
    Figure f;
    const std::optional<RulerSpacing> spacing = ScaledAxes(f, picture, scale);
    if (!spacing) return f;
    const RulerSpacing sp = *spacing;
    const QPoint c = Centre(picture);
    const double tickPixels = sp.labelPixels / sp.ticksPerLabel;
    // Each label stands at the pixel nearest its value, so the line tool
    // drawn from the centre to it reads the label's value.
    auto place = [&](int i) { return int(std::lround(i * tickPixels)); };
    auto label = [&](int i, int sign) {
        const double v = double(i / sp.ticksPerLabel) * sp.labelValue;
        return (sign < 0 ? QStringLiteral("-") : QString()) + FormatFixed(v, sp.decimals);
    };
    // Along x and then along y; positive values run to the right and down.
    for (const bool across : {true, false}) {
        const int centre = across ? c.x() : c.y();
        const int extent = across ? picture.width() : picture.height();
        for (int i = 1; place(i) <= std::max(centre, extent - centre); ++i) {
            const bool major = i % sp.ticksPerLabel == 0;
            const int half = major ? kMajorTick : kMinorTick;
            for (int sign : {1, -1}) {
                const int at = centre + sign * place(i);
                if (at < 0 || at > extent) continue;
                if (across)
                    f.lines << QLine(at, c.y() - half, at, c.y() + half);
                else
                    f.lines << QLine(c.x() - half, at, c.x() + half, at);
                if (!major) continue;
                f.texts << (across ? Figure::Text{QPoint(at, c.y()), kLabelGap, label(i, sign),
                                                  kLabelNudge}
                                   : Figure::Text{QPoint(c.x(), at), kLabelNudge, label(i, sign),
                                                  kLabelGap});
            }
        }
    }
    return f;
}

Figure CircleGridFigure(QSize picture, const GuideScale& scale) {
    Figure f;
    const std::optional<RulerSpacing> sp = ScaledAxes(f, picture, scale);
    if (!sp) return f;
    const QPoint c = Centre(picture);
    // Every ring a ruler label apart: its radius is a round value.
    const double reach = std::hypot(double(c.x()), double(c.y()));
    for (int i = 1; i * sp->labelPixels <= reach; ++i) {
        const int r = int(std::lround(i * sp->labelPixels));
        f.ellipses << QRect(c.x() - r, c.y() - r, 2 * r, 2 * r);
    }
    return f;
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

std::optional<ScaleBar> ChooseScaleBar(QSize picture, const GuideScale& scale) {
    if (picture.isEmpty()) return std::nullopt;
    // The round value nearest a fifth of the width, never wider than two
    // fifths of it.
    const double fifth = picture.width() / 5.0;
    const RulerSpacing s = ChooseRulerSpacing(scale.PixelsPerUnit(picture), 0.6 * fifth);
    if (s.labelValue <= 0 || s.labelPixels > 2 * fifth) return std::nullopt;
    ScaleBar b;
    b.value = s.labelValue;
    b.label = FormatFixed(s.labelValue, s.decimals) + QLatin1Char(' ') +
              (IsPixelUnit(scale.unit) ? scale.unit : UnitFor(scale.unit).shownName());
    const int length = int(std::lround(s.labelPixels));
    const int thick = std::max(4, picture.height() / 80);
    const int margin = std::max(8, picture.width() / 40);
    b.bar =
        QRect(picture.width() - margin - length, picture.height() - margin - thick, length, thick);
    return b;
}

void DrawScaleBar(QPainter& p, const ViewMapping& map, const ScaleBar& bar, const QFont& font) {
    if (!map.valid()) return;
    const QPointF a = map.ToView(bar.bar.topLeft());
    const QPointF b = map.ToView(bar.bar.topLeft() + QPoint(bar.bar.width(), bar.bar.height()));
    const QRectF box(a, b);
    const QColor dark(20, 20, 20, 220);
    p.save();
    p.setRenderHint(QPainter::Antialiasing, true);
    p.setPen(QPen(dark, 1));
    p.setBrush(Qt::white);
    p.drawRect(box.adjusted(-0.5, -0.5, 0.5, 0.5));
    // The label, centred over the bar: a dark edge under white letters.
    QPainterPath text;
    const QFontMetricsF fm(font);
    text.addText(box.center().x() - fm.horizontalAdvance(bar.label) / 2,
                 box.top() - fm.descent() - 4, font, bar.label);
    p.setPen(QPen(dark, 3, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
    p.setBrush(Qt::NoBrush);
    p.drawPath(text);
    p.setPen(Qt::NoPen);
    p.setBrush(Qt::white);
    p.drawPath(text);
    p.restore();
}

void DrawLiveGuides(QPainter& p, const ViewMapping& map, const GuideSnapshot& guides,
                    const QFont& font) {
    if (!map.valid()) return;
    const QSize picture = map.picture();
    const double sx = map.scaleX(), sy = map.scaleY();
    const QPoint at = map.shown().topLeft();
    // Rings reach past the picture into the bars beside it; a still has none.
    p.save();
    if (!map.identity()) p.setClipRect(map.shown());
    if (guides.crossLine)
        PaintFigure(p, ScaledFigure(CrossLineFigure(picture), sx, sy, at), Pen(Qt::white), font,
                    Qt::white);
    if (guides.ruler)
        PaintFigure(p, ScaledFigure(RulerFigure(picture, guides.scale), sx, sy, at), Pen(Qt::red),
                    font, Qt::red);
    if (guides.circleGrid)
        PaintFigure(p, ScaledFigure(CircleGridFigure(picture, guides.scale), sx, sy, at),
                    Pen(Qt::red), font, Qt::red);
    if (guides.scaleBar)
        if (const std::optional<ScaleBar> bar = ChooseScaleBar(picture, guides.scale))
            DrawScaleBar(p, map, *bar, font);
    p.restore();
}

} // namespace tvx

#include "measure/geometry.h"

#include "platform/settings.h"

#include <QPolygon>
#include <QRegion>
#include <algorithm>
#include <atomic>
#include <charconv>
#include <cmath>
#include <cstdint>
#include <limits>

namespace tvx {

namespace {

constexpr double kRadiansToDegrees = 57.295780490442965;
constexpr double kArcRadiansToDegrees = 57.29577791868204;
constexpr double kCircleArea = 314.15926;    // π × 100
constexpr double kCircumference = 62.831852; // 2π × 10
constexpr double kPi = 3.1415926;
constexpr double kLiveHalfCircumference = 31.415926;
constexpr double kArcCircumference = 62.83;
// No canvas or live view comes near this; a centre beyond it is the sign of
// three nearly collinear clicks, not of a circle anyone meant.
constexpr double kMaxCoordinate = 1 << 24;

const QChar kDegree(0x00B0);

bool Finite(double v) {
    return std::isfinite(v);
}

// Truncation toward zero that cannot overflow an int.
std::optional<int> TruncToInt(double v) {
    if (!Finite(v) || std::fabs(v) > kMaxCoordinate) return std::nullopt;
    return int(std::trunc(v));
}

int ClampedTrunc(double v) {
    if (!Finite(v)) return 0;
    return int(std::trunc(std::clamp(v, double(std::numeric_limits<int>::min()),
                                     double(std::numeric_limits<int>::max()))));
}

double Squared(int64_t v) {
    return double(v) * double(v);
}

QStringList CircleLabels(const MeasureContext& ctx, const CircleValues& v) {
    return {FormatArea(ctx, "A:", v.area), FormatLength(ctx, "R:", v.radius),
            FormatLength(ctx, "G:", v.circumference)};
}

} // namespace

CircleValues CircleOfRadius(const MeasureContext& ctx, double r) {
    const double s = ctx.scale;
    const double m = ctx.magnification;
    return {s * (r * r * s) * kCircleArea / (m * m), r * s * 10 / m, (r * s) * kCircumference / m};
}

CircleValues DiameterCircleValues(const MeasureContext& ctx, QPoint endA, QPoint endB) {
    const double s = ctx.scale, m = ctx.magnification;
    const double diameter = PixelDistance(endA, endB);
    const double r = diameter * 0.5;
    return {s * (r * r * s) * kCircleArea / (m * m), diameter * s * 5 / m,
            (diameter * kPi) * s * 10 / m};
}

CircleValues LiveDiameterCircleValues(const MeasureContext& ctx, QPoint endA, QPoint endB) {
    const double s = ctx.scale, m = ctx.magnification;
    const double diameter = PixelDistance(endA, endB);
    const double r = diameter / 2;
    return {s * (r * r * s) * kCircleArea / (m * m), diameter * s * 10 / (2 * m),
            diameter * s * kLiveHalfCircumference / m};
}

RectangleValues RectangleValuesOf(const MeasureContext& ctx, QPoint corner, QPoint opposite) {
    const double s = ctx.scale, m = ctx.magnification;
    const double w = double(int64_t(opposite.x()) - corner.x());
    const double h = double(int64_t(opposite.y()) - corner.y());
    return {std::fabs(s * (h * w * s)) * 100 / (m * m), std::fabs(w * s) * 10 / m,
            std::fabs(h * s) * 10 / m};
}

std::optional<double> PolygonArea(const MeasureContext& ctx, const QVector<QPoint>& vertices) {
    const auto n = PolygonPixelArea(vertices);
    if (!n) return std::nullopt;
    const double s = ctx.scale, m = ctx.magnification;
    return s * (*n * s) * 100 / (m * m);
}

std::optional<double> ThreePointAngle(QPoint firstArm, QPoint secondArm, QPoint vertex) {
    auto angle = AngleBetweenLines(vertex.x(), vertex.y(), firstArm.x(), firstArm.y(), vertex.x(),
                                   vertex.y(), secondArm.x(), secondArm.y());
    if (!angle) return std::nullopt;
    // Arms on one line: the line rule above reads parallel lines as 0° unless
    // they are horizontal and clicked left to right, but at a vertex arms
    // pointing opposite ways always make a straight angle.
    const int64_t ax = int64_t(firstArm.x()) - vertex.x(), ay = int64_t(firstArm.y()) - vertex.y();
    const int64_t bx = int64_t(secondArm.x()) - vertex.x(),
                  by = int64_t(secondArm.y()) - vertex.y();
    if (double(ax) * double(by) == double(ay) * double(bx))
        angle = double(ax) * double(bx) + double(ay) * double(by) < 0 ? 180.0 : 0.0;
    return angle;
}

double PointToLineDistance(const MeasureContext& ctx, QPoint l1, QPoint l2, QPoint p) {
    return ctx.Length(PixelDistance(p, PointToLineFoot(p, l1, l2)));
}

ArcValues ArcValuesOf(const MeasureContext& ctx, const ThreePointArc& arc) {
    const double s = ctx.scale, m = ctx.magnification;
    return {arc.radius * s * 10 / m, arc.degrees,
            arc.degrees * arc.radius * s * kArcCircumference / (m * 360)};
}

bool IsPixelUnit(const QString& unit) {
    return unit == QLatin1String(kPixelUnit);
}
QString MeasuringUnit(const QString& unit, const MeasuringScope& scope) {
    return scope.MeasuresInPixels() ? QString::fromLatin1(kPixelUnit) : unit;
}

double PixelPitch(QSize capture, bool pitchKnown) {
    if (!pitchKnown) return kCameraPixelPitch;
    if (capture == QSize(720, 480)) return kPixelPitch720x480;
    if (capture == QSize(640, 480)) return kPixelPitch640x480;
    return kPixelPitchOther;
}

double UnitFactor(const QString& unit) {
    return UnitFor(unit).perMicrometre;
}

double UnitPerPixel(QSize capture, const QString& unit, bool pitchKnown) {
    return PixelPitch(capture, pitchKnown) * UnitFactor(unit);
}

bool MeasureContext::valid() const {
    return Finite(scale) && scale > 0 && Finite(magnification) && magnification > 0 &&
           Finite(scale * 10 / magnification);
}

double MeasureContext::Length(double pixels) const {
    return pixels * scale * 10 / magnification;
}

MeasureContext CurrentMeasureContext(QSize capture, double magnification,
                                     const SettingsValues& settings, const MeasuringScope& scope) {
    return MeasureContextFor(capture, magnification, settings, scope.MeasuresInPixels(),
                             scope.pitchKnown.load());
}

MeasureContext MeasureContextFor(QSize capture, double magnification,
                                 const SettingsValues& settings, bool inPixels, bool pitchKnown) {
    MeasureContext ctx;
    ctx.unit = UnitFor(settings.unit).storedName();
    ctx.decimals = int(std::min<uint32_t>(settings.decimal, 15));
    ctx.scale = ScaleFactor(capture, settings.unit, pitchKnown);
    ctx.magnification = magnification;
    if (inPixels && magnification > 0) {
        // Lengths in pixels: one pixel is one unit, whatever the boxes say.
        // A calibration line measured so gives the camera's pixels per mm.
        ctx.unit = QLatin1String(kPixelUnit);
        ctx.scale = kCameraPixelPitch * kMillimetre.perMicrometre;
        ctx.magnification = 1;
    }
    return ctx;
}

double PixelDistance(QPoint a, QPoint b) {
    const int64_t dx = int64_t(b.x()) - a.x();
    const int64_t dy = int64_t(b.y()) - a.y();
    return std::sqrt(Squared(dx) + Squared(dy));
}

QString FormatFixed(double value, int decimals) {
    // to_chars prints as printf does in the C locale. printf itself would
    // follow LC_NUMERIC, which Qt sets from the user's locale: a German
    // desktop would print "1,250", and the continuous-line total, which reads
    // the printed labels back, would lose the decimals.
    char buffer[400]; // the widest double, 309 digits, plus 15 decimals
    const auto [end, ec] = std::to_chars(buffer, buffer + sizeof buffer, value,
                                         std::chars_format::fixed, std::clamp(decimals, 0, 15));
    if (ec != std::errc()) return QString();
    return QString::fromLatin1(buffer, int(end - buffer));
}

QString FormatLength(const MeasureContext& ctx, const char* prefix, double value) {
    const QString unit =
        ctx.unit == QLatin1String(kPixelUnit) ? ctx.unit : UnitFor(ctx.unit).shownName();
    return QLatin1String(prefix) + FormatFixed(value, ctx.decimals) + unit;
}

QString FormatArea(const MeasureContext& ctx, const char* prefix, double value) {
    return FormatLength(ctx, prefix, value) + QLatin1Char('2');
}

QString FormatAngle(double degrees, int decimals) {
    return FormatFixed(degrees, decimals) + kDegree;
}

double LeadingNumber(const QString& text) {
    int i = 0;
    const int n = int(text.size());
    while (i < n && text.at(i).isSpace())
        ++i;
    const int start = i;
    if (i < n && (text.at(i) == QLatin1Char('+') || text.at(i) == QLatin1Char('-'))) ++i;
    const auto digit = [&](int k) {
        return k < n && text.at(k) >= QLatin1Char('0') && text.at(k) <= QLatin1Char('9');
    };
    int digits = 0;
    while (digit(i)) {
        ++i;
        ++digits;
    }
    if (i < n && text.at(i) == QLatin1Char('.')) {
        ++i;
        while (digit(i)) {
            ++i;
            ++digits;
        }
    }
    if (digits == 0) return 0;
    if (i < n && (text.at(i) == QLatin1Char('e') || text.at(i) == QLatin1Char('E'))) {
        int k = i + 1;
        if (k < n && (text.at(k) == QLatin1Char('+') || text.at(k) == QLatin1Char('-'))) ++k;
        if (digit(k)) {
            while (digit(k))
                ++k;
            i = k;
        }
    }
    bool ok = false;
    // QString::toDouble reads the C locale, so a German desktop still reads "1.250".
    const double v = text.mid(start, i - start).toDouble(&ok);
    return ok && Finite(v) ? v : 0.0;
}

std::optional<double> AngleBetweenLines(int a, int b, int c, int d, int e, int f, int g, int h) {
    if ((a == c && b == d) || (e == g && f == h)) return std::nullopt;
    const double dx1 = double(c) - a, dy1 = double(d) - b;
    const double dx2 = double(g) - e, dy2 = double(h) - f;
    double x, y;
    if (dx1 == 0 && dx2 == 0) {
        return (d < b && b < h) ? 180.0 : 0.0;
    } else if (dx1 == 0) {
        x = a;
        y = h + (double(a) - g) * dy2 / dx2;
    } else if (dx2 == 0) {
        x = e;
        y = d + (double(e) - c) * dy1 / dx1;
    } else {
        const double k1 = dy1 / dx1, k2 = dy2 / dx2;
        if (k1 == k2) return (dy1 == 0 && dy2 == 0 && c < a && a < g) ? 180.0 : 0.0;
        x = (k2 * g - h - k1 * c + d) / (k2 - k1);
        y = d + (x - c) * k1;
    }
    const auto dist2 = [&](double px, double py) {
        return (px - x) * (px - x) + (py - y) * (py - y);
    };
    const bool firstFar = dist2(c, d) >= dist2(a, b);
    const double ax = (firstFar ? c : a) - x, ay = (firstFar ? d : b) - y;
    const bool secondFar = dist2(g, h) >= dist2(e, f);
    const double bx = (secondFar ? g : e) - x, by = (secondFar ? h : f) - y;
    const double lengths = std::sqrt(ax * ax + ay * ay) * std::sqrt(bx * bx + by * by);
    if (!Finite(lengths) || lengths == 0) return std::nullopt;
    // Rounding can push the cosine of a straight or zero angle just past ±1,
    // where arccos has no value.
    const double cosine = std::clamp((ax * bx + ay * by) / lengths, -1.0, 1.0);
    const double angle = std::acos(cosine) * kRadiansToDegrees;
    if (!Finite(angle)) return std::nullopt;
    return angle;
}

std::optional<QPoint> CircleThroughPoints(QPoint p1, QPoint p2, QPoint p3) {
    const int64_t x1 = p1.x(), y1 = p1.y(), x2 = p2.x(), y2 = p2.y(), x3 = p3.x(), y3 = p3.y();
    // Twice the signed area of the triangle: 0 for clicks on one line or on
    // one spot, where no circle passes through them.
    const double cross = double(x2 - x1) * double(y3 - y1) - double(x3 - x1) * double(y2 - y1);
    if (cross == 0) return std::nullopt;
    if (x3 != x1 && x2 != x1 && y3 != y1) {
        const double k13 = double(y3 - y1) / double(x3 - x1);
        const double k12 = double(y2 - y1) / double(x2 - x1);
        if (k13 != k12) {
            const auto cx = TruncToInt(
                (k13 * (k12 * double(y2 - y3) + double(x1 + x2)) - k12 * double(x1 + x3)) /
                (2 * (k13 - k12)));
            if (cx) {
                const int64_t mx = (x1 + x3) / 2, my = (y1 + y3) / 2;
                const auto cy = TruncToInt(double(my) - double(*cx - mx) / k13);
                if (cy) return QPoint(*cx, *cy);
            }
            return std::nullopt;
        }
    }
    // The slope form above divides by x3 − x1, x2 − x1 and y3 − y1; for
    // clicks that share a coordinate with the first the circle still exists
    // and the circumcentre comes from the general form.
    const double b2 = Squared(x2 - x1) + Squared(y2 - y1);
    const double b3 = Squared(x3 - x1) + Squared(y3 - y1);
    const double ux = (double(y3 - y1) * b2 - double(y2 - y1) * b3) / (2 * cross);
    const double uy = (double(x2 - x1) * b3 - double(x3 - x1) * b2) / (2 * cross);
    const auto cx = TruncToInt(double(x1) + ux);
    const auto cy = TruncToInt(double(y1) + uy);
    if (!cx || !cy) return std::nullopt;
    return QPoint(*cx, *cy);
}

std::optional<double> PolygonPixelArea(const QVector<QPoint>& points) {
    if (points.isEmpty()) return 0.0;
    int64_t minX = points[0].x(), maxX = minX, minY = points[0].y(), maxY = minY;
    for (const QPoint& p : points) {
        minX = std::min<int64_t>(minX, p.x());
        maxX = std::max<int64_t>(maxX, p.x());
        minY = std::min<int64_t>(minY, p.y());
        maxY = std::max<int64_t>(maxY, p.y());
    }
    if (maxX - minX > kMaxPolygonSpan || maxY - minY > kMaxPolygonSpan) return std::nullopt;
    const QRegion region(QPolygon(points), Qt::OddEvenFill);
    // The region's rectangles are disjoint and lie inside its bounding box,
    // so the pixels whose sample point the region contains are exactly the
    // pixels of its rectangles.
    double count = 0;
    for (const QRect& r : region)
        count += double(r.width()) * double(r.height());
    return count;
}

std::optional<QStringList> LineLabels(const MeasureContext& ctx, QPoint start, QPoint end) {
    if (!ctx.valid()) return std::nullopt;
    return QStringList{FormatLength(ctx, "L:", ctx.Length(PixelDistance(start, end)))};
}

std::optional<QString> SegmentLabel(const MeasureContext& ctx, QPoint from, QPoint to) {
    if (!ctx.valid()) return std::nullopt;
    return FormatLength(ctx, "", ctx.Length(PixelDistance(from, to)));
}

std::optional<QStringList> RadiusCircleLabels(const MeasureContext& ctx, QPoint centre,
                                              QPoint onCircle) {
    if (!ctx.valid()) return std::nullopt;
    return CircleLabels(ctx, CircleOfRadius(ctx, PixelDistance(centre, onCircle)));
}

std::optional<QStringList> DiameterCircleLabels(const MeasureContext& ctx, QPoint endA,
                                                QPoint endB) {
    if (!ctx.valid()) return std::nullopt;
    return CircleLabels(ctx, DiameterCircleValues(ctx, endA, endB));
}

std::optional<QStringList> LiveDiameterCircleLabels(const MeasureContext& ctx, QPoint endA,
                                                    QPoint endB) {
    if (!ctx.valid()) return std::nullopt;
    return CircleLabels(ctx, LiveDiameterCircleValues(ctx, endA, endB));
}

std::optional<CircleMeasurement> ThreePointCircleLabels(const MeasureContext& ctx, QPoint first,
                                                        QPoint second, QPoint third) {
    if (!ctx.valid()) return std::nullopt;
    const auto centre = CircleThroughPoints(first, second, third);
    if (!centre) return std::nullopt;
    return CircleMeasurement{*centre,
                             CircleLabels(ctx, CircleOfRadius(ctx, PixelDistance(*centre, third)))};
}

std::optional<QStringList> RectangleLabels(const MeasureContext& ctx, QPoint corner,
                                           QPoint opposite) {
    if (!ctx.valid()) return std::nullopt;
    const RectangleValues v = RectangleValuesOf(ctx, corner, opposite);
    return QStringList{FormatArea(ctx, "A:", v.area), FormatLength(ctx, "W:", v.width),
                       FormatLength(ctx, "H:", v.height)};
}

std::optional<QStringList> PolygonLabels(const MeasureContext& ctx,
                                         const QVector<QPoint>& vertices) {
    if (!ctx.valid()) return std::nullopt;
    const auto area = PolygonArea(ctx, vertices);
    if (!area) return std::nullopt;
    return QStringList{FormatArea(ctx, "A:", *area)};
}

std::optional<QString> ThreePointAngleLabel(QPoint firstArm, QPoint secondArm, QPoint vertex,
                                            int decimals) {
    const auto angle = ThreePointAngle(firstArm, secondArm, vertex);
    if (!angle) return std::nullopt;
    return FormatAngle(*angle, decimals);
}

std::optional<QString> FourPointAngleLabel(QPoint a0, QPoint a1, QPoint b0, QPoint b1) {
    const auto angle =
        AngleBetweenLines(a0.x(), a0.y(), a1.x(), a1.y(), b0.x(), b0.y(), b1.x(), b1.y());
    if (!angle) return std::nullopt;
    return FormatAngle(*angle, 2);
}

double ContinuousLineTotal(const QStringList& labels) {
    double sum = 0;
    for (const QString& label : labels)
        sum += LeadingNumber(label);
    return sum;
}

std::optional<QString> ContinuousLineTotalLabel(const MeasureContext& ctx,
                                                const QStringList& labels) {
    const double sum = ContinuousLineTotal(labels);
    if (sum == 0 || !Finite(sum)) return std::nullopt;
    return FormatLength(ctx, "T:", sum);
}

QPoint PointToLineFoot(QPoint p, QPoint l1, QPoint l2) {
    if (l1 == l2) return l1;
    if (l1.x() == l2.x()) return QPoint(l1.x(), p.y());
    if (l1.y() == l2.y()) return QPoint(p.x(), l1.y());
    const double k = (double(l2.y()) - l1.y()) / (double(l2.x()) - l1.x());
    const double fx = (p.x() + k * (p.y() + k * l1.x()) - k * l1.y()) / (k * k + 1);
    const double fy = p.y() + (p.x() - fx) / k;
    return QPoint(ClampedTrunc(fx), ClampedTrunc(fy));
}

std::optional<QString> PointToLineLabel(const MeasureContext& ctx, QPoint l1, QPoint l2, QPoint p) {
    if (!ctx.valid()) return std::nullopt;
    return FormatLength(ctx, "L:", PointToLineDistance(ctx, l1, l2, p));
}

std::optional<ThreePointArc> ArcThroughPoints(QPoint start, QPoint middle, QPoint end) {
    const double x1 = start.x(), y1 = start.y(), x2 = middle.x(), y2 = middle.y();
    const double x3 = end.x(), y3 = end.y();
    const double cross = (x2 - x1) * (y3 - y1) - (x3 - x1) * (y2 - y1);
    // On one line, or two points on one spot: the bisectors never meet.
    if (cross == 0) return std::nullopt;
    // A horizontal chord has a vertical bisector, kept as a flag rather than
    // as a stand-in slope.
    const bool vertical1 = y1 == y2, vertical2 = y3 == y2;
    const double k1 = vertical1 ? 0 : -(x1 - x2) / (y1 - y2);
    const double k2 = vertical2 ? 0 : -(x3 - x2) / (y3 - y2);
    const double m1x = (x1 + x2) / 2, m1y = (y1 + y2) / 2;
    const double m2x = (x2 + x3) / 2, m2y = (y2 + y3) / 2;
    double cx, cy;
    if (vertical2) {
        cx = m2x;
        cy = m1y + (m2x - m1x) * k1;
    } else if (vertical1) {
        cx = m1x;
        cy = m2y + k2 * (m1x - m2x);
    } else {
        cx = (k2 * m2x - k1 * m1x - (m2y - m1y)) / (k2 - k1);
        cy = m2y + k2 * (cx - m2x);
    }
    const auto icx = TruncToInt(cx), icy = TruncToInt(cy);
    if (!icx || !icy) return std::nullopt;
    ThreePointArc arc;
    arc.centre = QPoint(*icx, *icy);
    const auto r = TruncToInt(PixelDistance(arc.centre, start));
    if (!r) return std::nullopt;
    arc.radius = *r;
    arc.startToEnd = cross < 0;
    double angle = (std::atan2(*icy - y3, x3 - *icx) - std::atan2(*icy - y1, x1 - *icx)) *
                   kArcRadiansToDegrees;
    if (angle <= 0) angle += 360;
    if (!arc.startToEnd) angle = 360 - angle;
    arc.degrees = angle;
    return arc;
}

std::optional<QStringList> ThreePointArcLabels(const MeasureContext& ctx,
                                               const ThreePointArc& arc) {
    if (!ctx.valid()) return std::nullopt;
    const ArcValues v = ArcValuesOf(ctx, arc);
    return QStringList{FormatLength(ctx, "R:", v.radius),
                       QStringLiteral("Angle:") + FormatAngle(v.degrees, 2),
                       FormatLength(ctx, "Arc:", v.length)};
}

} // namespace tvx

#pragma once

#include "measure/units.h"
#include "platform/settings.h"

#include <QPoint>
#include <QSize>
#include <QString>
#include <QStringList>
#include <QVector>
#include <atomic>
#include <optional>

namespace tvx {

// Micrometres a canvas pixel covers at magnification 1, by capture size.
constexpr double kPixelPitch720x480 = 57.471264367;
constexpr double kPixelPitch640x480 = 65.1465798045602;
constexpr double kPixelPitchOther = 63.49206349;

// A camera other than the microscope has no pitch of its own: it is taken
// as 100 µm, 0.1 mm a pixel at magnification 1, so that the magnification
// a calibration gives it is its pixels per millimetre.
constexpr double kCameraPixelPitch = 100.0;

// Whose pixels are measured: the microscope's (its pitch by capture size)
// unless another camera is current. Such a camera measures in pixels ("px")
// until its magnification is calibrated. One per run, kept with the
// calibration; written on the UI thread. The flags are read from any thread
// (the streaming thread's guides), the file on the UI thread only.
struct MeasuringScope {
    std::atomic<bool> pitchKnown{true};
    std::atomic<bool> calibrationKnown{false};
    QString calibrationFile; // the camera's own; empty: the microscope's

    bool MeasuresInPixels() const { return !pitchKnown.load() && !calibrationKnown.load(); }
};

// The unit text of a measurement in pixels.
inline constexpr const char* kPixelUnit = "px";
bool IsPixelUnit(const QString& unit);
// The unit lengths read in now: kPixelUnit while the scope measures in
// pixels, else `unit` (the settings' text). Guides and stills that follow it
// never claim a unit the measuring tools do not.
QString MeasuringUnit(const QString& unit, const MeasuringScope& scope);

// The microscope's pitch by capture size, or kCameraPixelPitch for a camera
// without a pitch of its own.
double PixelPitch(QSize capture, bool pitchKnown);
// One micrometre in the unit of that stored text (kLengthUnits); any other
// text counts as "mm".
double UnitFactor(const QString& unit);
// Unit length per pixel at magnification 1: pitch × unit factor. The live
// view's ruler and the canvas share it.
double UnitPerPixel(QSize capture, const QString& unit, bool pitchKnown);
inline double ScaleFactor(QSize capture, const QString& unit, bool pitchKnown) {
    return UnitPerPixel(capture, unit, pitchKnown);
}

// What every length, area and label of one measurement depends on.
struct MeasureContext {
    double scale = 0;                    // unit length per pixel at magnification 1
    double magnification = 0;            // divisor of every length
    int decimals = 3;                    // digits after the point in lengths and areas
    QString unit = QStringLiteral("mm"); // the stored text, see kLengthUnits

    // False for a magnification or scale that would give no finite, positive
    // length (a caller must not make a shape from it).
    bool valid() const;
    // d pixels as a length in the unit: d × s × 10 / M.
    double Length(double pixels) const;
};
// The context for the unit and decimals settings given; a unit the table
// does not know becomes "mm".
MeasureContext CurrentMeasureContext(QSize capture, double magnification,
                                     const SettingsValues& settings, const MeasuringScope& scope);
// The same, in pixels when `inPixels` (a picture of an uncalibrated camera)
// rather than as the live camera is measured now, at the pitch PixelPitch
// gives for `pitchKnown`.
MeasureContext MeasureContextFor(QSize capture, double magnification,
                                 const SettingsValues& settings, bool inPixels, bool pitchKnown);

// Distance between two canvas points, the root of the integer dx² + dy².
double PixelDistance(QPoint a, QPoint b);

// "%.*f" with the C locale, whatever the user's locale says; decimals are
// kept within 0..15.
QString FormatFixed(double value, int decimals);
// prefix + value + the unit's shown name, e.g. "L:" 1.25 → "L:1.250mm",
// "L:1250.000µm".
QString FormatLength(const MeasureContext& ctx, const char* prefix, double value);
// As FormatLength with the digit 2 after the unit: "A:0.125mm2".
QString FormatArea(const MeasureContext& ctx, const char* prefix, double value);
// "%.*f°": no letter and no unit.
QString FormatAngle(double degrees, int decimals);

// The number a text starts with, read as wcstod would (leading blanks, sign,
// digits, point, exponent); 0 when there is none or it is not finite.
double LeadingNumber(const QString& text);

// Angle in degrees (0 to 180) between the line (a, b)–(c, d) and the line
// (e, f)–(g, h), measured at their intersection towards each line's far end.
// Nothing when either line has length 0: such an arm has no direction.
std::optional<double> AngleBetweenLines(int a, int b, int c, int d, int e, int f, int g, int h);

// Centre of the circle through three clicks (first, second, third), in
// integer canvas pixels. Nothing when the clicks lie on one line or two of
// them coincide, or the centre falls outside any canvas.
std::optional<QPoint> CircleThroughPoints(QPoint p1, QPoint p2, QPoint p3);

// Pixels inside the polygon (even-odd rule), counting a pixel when its
// top-left sample point is inside, left and top edges inclusive. Nothing for
// vertices spread wider than any canvas could hold.
std::optional<double> PolygonPixelArea(const QVector<QPoint>& points);
constexpr int kMaxPolygonSpan = 1 << 15;

// Label texts of the stored-picture shapes. Each answers nothing when the
// context is not valid or the points give no such figure; the caller then
// makes no shape.
std::optional<QStringList> LineLabels(const MeasureContext& ctx, QPoint start, QPoint end);
// One continuous-line segment: "%.*f%s" without a letter.
std::optional<QString> SegmentLabel(const MeasureContext& ctx, QPoint from, QPoint to);
std::optional<QStringList> RadiusCircleLabels(const MeasureContext& ctx, QPoint centre,
                                              QPoint onCircle);
std::optional<QStringList> DiameterCircleLabels(const MeasureContext& ctx, QPoint endA,
                                                QPoint endB);
struct CircleMeasurement {
    QPoint centre;
    QStringList labels; // area, radius, circumference
};
std::optional<CircleMeasurement> ThreePointCircleLabels(const MeasureContext& ctx, QPoint first,
                                                        QPoint second, QPoint third);
std::optional<QStringList> RectangleLabels(const MeasureContext& ctx, QPoint corner,
                                           QPoint opposite);
std::optional<QStringList> PolygonLabels(const MeasureContext& ctx,
                                         const QVector<QPoint>& vertices);
// The angle at `vertex` between its arms: one decimal on the stored-picture
// canvas, two on the live view. Arms pointing opposite ways read 180 in
// either click order.
std::optional<QString> ThreePointAngleLabel(QPoint firstArm, QPoint secondArm, QPoint vertex,
                                            int decimals = 1);
std::optional<QString> FourPointAngleLabel(QPoint a0, QPoint a1, QPoint b0, QPoint b1);

// The continuous line's total: the sum of the numbers its labels start with,
// so each segment's printed rounding carries into it.
double ContinuousLineTotal(const QStringList& labels);
// "T:%.*f%s" of that sum; nothing when the sum is 0 (a freehand line).
std::optional<QString> ContinuousLineTotalLabel(const MeasureContext& ctx,
                                                const QStringList& labels);

// --- shared with the live view --------------------------------------------

// The live diameter circle prints its radius and circumference with its own
// arithmetic (D × s × 10 / (2 × M) and D × s × 31.415926 / M).
std::optional<QStringList> LiveDiameterCircleLabels(const MeasureContext& ctx, QPoint endA,
                                                    QPoint endB);

// Foot of the perpendicular from `p` on the line through l1 and l2, truncated
// to integers. A line of length 0 has no direction: the foot is l1.
QPoint PointToLineFoot(QPoint p, QPoint l1, QPoint l2);
// "L:%.*f%s" of the distance from `p` to that foot.
std::optional<QString> PointToLineLabel(const MeasureContext& ctx, QPoint l1, QPoint l2, QPoint p);

// The arc from `start` through `middle` to `end`.
struct ThreePointArc {
    QPoint centre;
    int radius = 0; // distance centre–start, truncated
    // Set when (middle − start) × (end − start) < 0 in canvas coordinates: the
    // arc then runs from start to end, else counter-clockwise from end to start.
    bool startToEnd = false;
    double degrees = 0; // the arc's angle, 0 to 360
};
// Nothing when the three points give no circle (on one line, or two equal).
std::optional<ThreePointArc> ArcThroughPoints(QPoint start, QPoint middle, QPoint end);
// "R:%.*f%s", "Angle:%.2f°", "Arc:%.*f%s".
std::optional<QStringList> ThreePointArcLabels(const MeasureContext& ctx, const ThreePointArc& arc);

// --- the numbers behind the labels -------------------------------------------
// Full precision, in the context's unit (areas in the unit squared, angles in
// degrees). The label operations above print these; the measurement export
// writes them as they are. Each expects a valid context.

struct CircleValues {
    double area = 0;
    double radius = 0;
    double circumference = 0;
};
// A circle of radius r pixels (the radius and three-point circles).
CircleValues CircleOfRadius(const MeasureContext& ctx, double radiusPixels);
// The stored-picture diameter circle's arithmetic, and the live view's.
CircleValues DiameterCircleValues(const MeasureContext& ctx, QPoint endA, QPoint endB);
CircleValues LiveDiameterCircleValues(const MeasureContext& ctx, QPoint endA, QPoint endB);

struct RectangleValues {
    double area = 0;
    double width = 0;
    double height = 0;
};
RectangleValues RectangleValuesOf(const MeasureContext& ctx, QPoint corner, QPoint opposite);

std::optional<double> PolygonArea(const MeasureContext& ctx, const QVector<QPoint>& vertices);
// The angle at `vertex` between its arms; nothing for an arm of length 0.
std::optional<double> ThreePointAngle(QPoint firstArm, QPoint secondArm, QPoint vertex);
// From `p` to the truncated foot of its perpendicular on the line l1–l2.
double PointToLineDistance(const MeasureContext& ctx, QPoint l1, QPoint l2, QPoint p);

struct ArcValues {
    double radius = 0;
    double degrees = 0;
    double length = 0;
};
ArcValues ArcValuesOf(const MeasureContext& ctx, const ThreePointArc& arc);

} // namespace tvx

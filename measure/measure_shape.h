#pragma once

#include "measure/font_record.h"
#include "measure/geometry.h"

#include <QPoint>
#include <QStringList>
#include <QVector>
#include <cstdint>
#include <optional>

namespace tvx {

// Kinds of stored-picture shapes. The live view numbers its kinds by its own
// tools, which is why CMeasureShape keeps the kind as a plain int32.
enum class ShapeKind : int32_t {
    Text = 1,
    Line = 2,
    ContinuousLine = 3,
    Polygon = 4,
    ThreePointAngle = 5,
    RadiusCircle = 6,
    DiameterCircle = 7,
    Rectangle = 8,
    ThreePointCircle = 9,
    FourPointAngle = 10,
};

// One finished measurement or text note. Immutable once appended, except for
// the label anchor, which the user places right after measuring.
struct CMeasureShape {
    int32_t penWidth = 0;
    int32_t penStyle = 0;   // 0 solid, 1 dash, 2 dot, 3 dash-dot, 4 dash-dot-dot
    uint32_t penColor = 0;  // 0x00BBGGRR
    QVector<QPoint> points; // canvas pixels; layout by kind, see the enums below
    int32_t kind = 0;
    QStringList labels;
    uint32_t textColor = 0; // text notes only
    FontRecord textFont;    // text notes only
    FontRecord labelFont;
    uint32_t labelColor = 255;
    int32_t labelLineSpacing = 12; // pixels between the lines of a three-line label
    // Unit, decimals, scale and magnification its labels were made with;
    // nothing for a text note or a shape drawn without measuring. Settings
    // and magnification may change while the shape stays on the picture.
    std::optional<MeasureContext> measuredWith;

    bool is(ShapeKind k) const { return kind == int32_t(k); }
    // What its values are worked out with: its own context, or `current`
    // for a shape that has none.
    const MeasureContext& context(const MeasureContext& current) const {
        return measuredWith ? *measuredWith : current;
    }
};

// Where each kind keeps its points. The anchor is where the first label line
// is drawn; a shape drawn without measuring still has one, equal to its last
// placed point.
namespace LinePoint {
enum : int {
    Start = 0,
    End = 1,
    StartTickA = 2,
    StartTickB = 3,
    EndTickA = 4,
    EndTickB = 5,
    Anchor = 6,
    Count = 7
};
}
namespace AnglePoint { // three-point angle
enum : int { FirstArm = 0, SecondArm = 1, Vertex = 2, Anchor = 3, Count = 4 };
}
namespace RadiusCirclePoint {
enum : int { Centre = 0, OnCircle = 1, Anchor = 2, Count = 3 };
}
namespace DiameterCirclePoint {
enum : int { Centre = 0, EndA = 1, EndB = 2, Anchor = 3, Count = 4 };
}
namespace RectanglePoint {
enum : int { First = 0, Opposite = 1, Anchor = 2, Count = 3 };
}
namespace ThreePointCirclePoint {
// The clicks are stored second, first, third: the canvas draws its circle
// from the centre through point 1.
enum : int { Centre = 0, SecondClick = 1, FirstClick = 2, ThirdClick = 3, Anchor = 4, Count = 5 };
} // namespace ThreePointCirclePoint
namespace FourPointAnglePoint {
enum : int { FirstA = 0, FirstB = 1, SecondA = 2, SecondB = 3, Anchor = 4, Count = 5 };
}
// A text note keeps the top-left corner of its text in point 0. A measured
// continuous line keeps its first vertex in point 0 and, for segment k = 1, 2,
// ..., its end vertex in 2k − 1 and its label anchor in 2k; a polygon keeps
// its vertices in click order and the anchor last.
namespace ContinuousLinePoint {
constexpr int EndOfSegment(int k) {
    return 2 * k - 1;
}
constexpr int AnchorOfSegment(int k) {
    return 2 * k;
}
} // namespace ContinuousLinePoint

// Label order of the three-line shapes (both circles, the three-point circle
// and the rectangle): area first, then radius or width, then circumference or
// height.
namespace Label {
enum : int { Area = 0, Second = 1, Third = 2 };
}

// Label line spacing for a label font height (the `fontsize` setting). Large
// fonts stack their three label lines further apart.
int32_t LabelLineSpacing(int64_t fontsize);

// How a measurement shape looks, taken from the current settings when it is
// made.
struct ShapeStyle {
    int32_t penWidth = 1;
    int32_t penStyle = 0;
    uint32_t penColor = 255;
    FontRecord labelFont = DefaultFontRecord();
    uint32_t labelColor = 255;
};
// A fresh measurement record of `kind` with pen, label font and colour set
// (colours cut to their low 24 bits).
CMeasureShape NewMeasurementShape(ShapeKind kind, const ShapeStyle& style);
// A fresh text note: only kind, points, labels, text colour and font are set.
CMeasureShape NewTextShape(QPoint topLeft, const QString& text, uint32_t textColor,
                           const FontRecord& textFont);

// The canvas's tools. None is the Photo Measure dialog's initial tool: clicks
// do nothing until the user picks another.
enum class MeasureTool : int {
    Line = 0,
    RadiusCircle = 1,
    Rectangle = 2,
    Text = 3,
    None = 4,
    ThreePointAngle = 5,
    DiameterCircle = 6,
    ContinuousLine = 7,
    ThreePointCircle = 8,
    Polygon = 9,
    FourPointAngle = 10,
};

} // namespace tvx

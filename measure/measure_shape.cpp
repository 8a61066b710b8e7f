#include "measure/measure_shape.h"

namespace tvx {

const MeasureToolEntry kMeasureTools[10] = {
    {MeasureTool::Line, ShapeKind::Line, "straightline", "Line"},
    {MeasureTool::RadiusCircle, ShapeKind::RadiusCircle, "RadialCircle", "Radius Circle"},
    {MeasureTool::Rectangle, ShapeKind::Rectangle, "Rectangle", "Rectangle"},
    {MeasureTool::Text, ShapeKind::Text, nullptr, nullptr},
    {MeasureTool::ThreePointAngle, ShapeKind::ThreePointAngle, "Angle", "Angle"},
    {MeasureTool::DiameterCircle, ShapeKind::DiameterCircle, "Diametercircle", "Diameter Circle"},
    {MeasureTool::ContinuousLine, ShapeKind::ContinuousLine, "Continuousline", "Continuous line"},
    {MeasureTool::ThreePointCircle, ShapeKind::ThreePointCircle, "Threepointcircle",
     "Three Point Circle"},
    {MeasureTool::Polygon, ShapeKind::Polygon, "Ploygon", "Ploygon"},
    {MeasureTool::FourPointAngle, ShapeKind::FourPointAngle, "Fourpointangle", "Four Point Angle"},
};

std::optional<ShapeKind> KindForTool(int tool) {
    for (const MeasureToolEntry& e : kMeasureTools)
        if (int(e.tool) == tool) return e.kind;
    return std::nullopt;
}

int LabelCountFor(ShapeKind kind) {
    switch (kind) {
    case ShapeKind::RadiusCircle:
    case ShapeKind::DiameterCircle:
    case ShapeKind::Rectangle:
    case ShapeKind::ThreePointCircle:
        return 3;
    case ShapeKind::ContinuousLine:
        return 0;
    default:
        return 1;
    }
}

QStringList BlankLabels(ShapeKind kind) {
    QStringList labels;
    for (int i = 0; i < LabelCountFor(kind); ++i)
        labels.append(QString());
    return labels;
}

std::optional<int> AnchorIndex(const CMeasureShape& shape) {
    int index = -1;
    switch (ShapeKind(shape.kind)) {
    case ShapeKind::Text:
        index = 0; // the text's own position
        break;
    case ShapeKind::Line:
        index = LinePoint::Anchor;
        break;
    case ShapeKind::Polygon:
        index = int(shape.points.size()) - 1;
        break;
    case ShapeKind::ThreePointAngle:
        index = AnglePoint::Anchor;
        break;
    case ShapeKind::RadiusCircle:
        index = RadiusCirclePoint::Anchor;
        break;
    case ShapeKind::DiameterCircle:
        index = DiameterCirclePoint::Anchor;
        break;
    case ShapeKind::Rectangle:
        index = RectanglePoint::Anchor;
        break;
    case ShapeKind::ThreePointCircle:
        index = ThreePointCirclePoint::Anchor;
        break;
    case ShapeKind::FourPointAngle:
        index = FourPointAnglePoint::Anchor;
        break;
    default:
        return std::nullopt;
    }
    if (index < 0 || index >= shape.points.size()) return std::nullopt;
    return index;
}

int32_t LabelLineSpacing(int64_t fontsize) {
    struct Step {
        int64_t upTo;
        int32_t spacing;
    };
    static constexpr Step kSteps[] = {{13, 12}, {15, 13}, {16, 14}, {19, 16}, {21, 18},
                                      {24, 20}, {27, 22}, {29, 24}, {32, 26}, {35, 28},
                                      {37, 30}, {48, 36}, {64, 48}, {96, 72}};
    for (const Step& s : kSteps)
        if (fontsize <= s.upTo) return s.spacing;
    return 12; // past the table the label lines fall back to the normal gap
}

CMeasureShape NewMeasurementShape(ShapeKind kind, const ShapeStyle& style) {
    CMeasureShape shape;
    shape.kind = int32_t(kind);
    shape.penWidth = style.penWidth;
    shape.penStyle = style.penStyle;
    shape.penColor = style.penColor & 0xFFFFFFu;
    shape.labelFont = style.labelFont;
    shape.labelColor = style.labelColor & 0xFFFFFFu;
    return shape;
}

CMeasureShape NewTextShape(QPoint topLeft, const QString& text, uint32_t textColor,
                           const FontRecord& textFont) {
    CMeasureShape shape;
    shape.kind = int32_t(ShapeKind::Text);
    shape.points.append(topLeft);
    shape.labels.append(text);
    shape.textColor = textColor;
    shape.textFont = textFont;
    return shape;
}

} // namespace tvx

#include "measure/measure_shape.h"

namespace tvx {

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

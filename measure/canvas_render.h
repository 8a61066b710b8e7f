#pragma once

#include "measure/geometry.h"
#include "measure/measure_tools.h"
#include "measure/shape_list.h"

#include <QFont>
#include <QImage>
#include <QPen>

class QPainter;

namespace tvx {

// The crosses of a three-point circle: ±4 pixels on the canvas, ±6 in a
// saved picture, where they would otherwise vanish in a large photo.
constexpr int kCanvasCrossHalf = 4;
constexpr int kSavedCrossHalf = 6;

// The figure of a finished stored-picture shape (kinds 2 to 10), in canvas
// coordinates multiplied by (sx, sy): line ends and label corners truncated,
// circle boxes, the radius and diameter segments and the three-point
// circle's segment and crosses rounded. Label line spacing is added after
// scaling, unscaled. `ctx` gives the continuous line's total its unit and
// decimals. A text note has no figure: see PaintCanvasShape.
Figure CanvasShapeFigure(const CMeasureShape& shape, const MeasureContext& ctx, double sx = 1.0,
                         double sy = 1.0, int crossHalf = kCanvasCrossHalf);

// Draws one shape with its own pen, label font and colour (a text note in
// its text font and colour).
void PaintCanvasShape(QPainter& p, const CMeasureShape& shape, const MeasureContext& ctx,
                      double sx = 1.0, double sy = 1.0, int crossHalf = kCanvasCrossHalf);

// The font of the date stamp in the canvas's bottom-left corner: Lucida
// Console, 14 pixels, drawn white.
FontRecord DateStampFontRecord();
constexpr uint32_t kDateStampColour = 0xFFFFFF;

// Rubber bands: the figure drawn so that a pixel becomes NOT(pen XOR pixel),
// without antialiasing, on an RGB32 picture. Drawing the same figure twice
// gives back the picture as it was. Label texts of the figure are left out.
void XorFigure(QImage& image, const Figure& figure, const QPen& pen);

} // namespace tvx

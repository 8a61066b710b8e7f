#pragma once

#include "measure/measure_tools.h"

#include <QColor>
#include <QFont>
#include <QPen>

class QPainter;

namespace tvx {

// The pen a tool draws its shape under way with, taken when the tool is
// chosen, so changing the settings mid-shape does not change its look.
struct PenSnapshot {
    int32_t style = 0; // 0 solid … 4 dash-dot-dot
    int32_t width = 1;
    uint32_t colour = 255; // 0x00BBGGRR
};

QColor ColourFromBgr(uint32_t bgr);
// Pen styles 0–4 with flat caps; anything else draws solid.
QPen MeasurePen(int32_t style, int32_t width, uint32_t bgr);

// Draws a figure without antialiasing: outlines only, labels on a clear
// background with their top-left corner at the text's point.
void PaintFigure(QPainter& p, const Figure& figure, const QPen& pen, const QFont& labelFont,
                 const QColor& labelColour);

// The live measurements over a frame or into a still: first the shape under
// way (`tool` may be null) with the pen snapshot, then every finished shape
// with its own pen, label font and colour. Coordinates are multiplied by
// (sx, sy) and moved by `offset`. The caller keeps `shapes` and `tool` from
// changing meanwhile.
void DrawLiveShapes(QPainter& p, const ShapeList& shapes, const CMeasureTool* tool,
                    const PenSnapshot& pen, const MeasureContext& ctx, double sx, double sy,
                    QPoint offset = QPoint());

} // namespace tvx

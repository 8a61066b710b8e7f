#pragma once

#include "measure/geometry.h"
#include "measure/measure_shape.h"
#include "measure/shape_list.h"

#include <QLine>
#include <QRect>
#include <functional>
#include <memory>
#include <optional>

namespace tvx {

// A figure reduced to what a painter draws: lines, ellipses, arcs and label
// texts. Shapes and shapes under way both become one, so the drawing code is
// the same for both, and tests can look at it without painting.
struct Figure {
    struct Arc {
        QRect box;
        int startAngle16 = 0; // Qt's sixteenths of a degree, counter-clockwise
        int spanAngle16 = 0;
    };
    struct Text {
        QPoint at;  // top-left corner of the first line, in shape coordinates
        int dy = 0; // added after scaling: label lines keep their spacing
        QString text;
        int dx = 0; // added after scaling, like dy
    };
    QVector<QLine> lines;
    QVector<QRect> ellipses;
    QVector<Arc> arcs;
    QVector<Text> texts;

    bool empty() const {
        return lines.isEmpty() && ellipses.isEmpty() && arcs.isEmpty() && texts.isEmpty();
    }
};
// Points multiplied by (sx, sy), then moved by `offset`: line ends and label
// corners truncated, ellipse and arc boxes rounded; label spacing stays as
// it is.
Figure ScaledFigure(const Figure& f, double sx, double sy, QPoint offset = QPoint());

// Which surface a tool works for. The live view holds the shape under way
// until its label is placed and numbers kinds by tool; the stored-picture
// canvas appends a measured shape at once and lets the label placement move
// the newest shape's anchor.
enum class ToolSurface { Live, Canvas };

// Everything a tool takes from outside when a shape is made.
struct ToolSettings {
    MeasureContext ctx; // scale source: the live or the canvas magnification
    ShapeStyle style;
    int32_t labelLineSpacing = 12;
    bool measuring = true; // canvas only: false draws shapes without labels
    // Runs the calibration dialog for a calibration line of `pixels` length;
    // answers the new magnification, or nothing when cancelled.
    std::function<std::optional<double>(double pixels)> calibrate;
};

// One measuring tool as a state machine over pointer events in surface
// coordinates. A shape is under way from its first press until the press
// that places its label (or, without measuring, its last point).
class CMeasureTool {
public:
    enum class Phase { Idle, Points, Label };

    CMeasureTool(ToolSurface surface, int32_t kind) : surface_(surface), kind_(kind) {}
    virtual ~CMeasureTool() = default;
    CMeasureTool(const CMeasureTool&) = delete;
    CMeasureTool& operator=(const CMeasureTool&) = delete;

    // The list finished shapes go to (not owned) and the current settings.
    void Bind(ShapeList* list) { list_ = list; }
    void SetSettings(ToolSettings settings) { settings_ = std::move(settings); }
    const ToolSettings& settings() const { return settings_; }

    void Press(QPoint p);
    void Move(QPoint p);
    void Release(QPoint) {}
    // Arrives after the press of the same click has been handled.
    virtual void DoubleClick(QPoint) {}
    // Only a double click ends this tool's shape; for the others it is a
    // click that came quickly.
    virtual bool EndsOnDoubleClick() const { return false; }
    // Cancels the shape under way; finished shapes stay.
    void RightClick();
    // Ends the shape under way as it stands: a measured shape keeps its
    // label where the pointer left it, points that make no shape yet go.
    void EndAsItStands();

    bool underWay() const { return phase_ != Phase::Idle; }
    Phase phase() const { return phase_; }
    int32_t kind() const { return kind_; }
    ToolSurface surface() const { return surface_; }
    // Live only: the labels of the shape waiting for its label position.
    QStringList pendingLabels() const;
    // What is under way, in surface coordinates, labels 12 pixels apart.
    Figure Pending() const;

protected:
    // Press and move while placing points (Phase::Points or a first press).
    virtual void OnPress(QPoint p) = 0;
    virtual void OnMove(QPoint) {}
    // The figure of the points placed so far; `pointer` is the last move.
    virtual Figure PendingPoints() const = 0;
    // Forget the points of the shape under way.
    virtual void ResetPoints() = 0;

    // The shape's points are known: labels are set already (or blank when
    // not measuring). `anchor` indexes the label anchor among its points.
    void Measured(CMeasureShape shape, int anchor);
    // A shape without a label placement step (plain drawing).
    void AppendNow(CMeasureShape shape);
    void StartPoints() { phase_ = Phase::Points; }
    void BackToIdle();
    CMeasureShape NewShape(ShapeKind figure) const;
    bool measuring() const { return surface_ == ToolSurface::Live || settings_.measuring; }
    bool live() const { return surface_ == ToolSurface::Live; }
    ShapeList* list() const { return list_; }

    QPoint pointer_;

private:
    ToolSurface surface_;
    int32_t kind_;
    ShapeList* list_ = nullptr;
    ToolSettings settings_;
    Phase phase_ = Phase::Idle;
    // Label placement: the live shape waiting for its label position, or
    // the canvas shape this tool appended (the list's newest).
    std::optional<CMeasureShape> held_;
    bool appended_ = false;
    int anchor_ = 0;
};

// Live-only layouts. The live polygon keeps its vertices, the first vertex
// again as closing point, then the anchor.
namespace PointToLinePoint {
enum : int { LineA = 0, LineB = 1, Point = 2, Foot = 3, Anchor = 4, Count = 5 };
}
namespace ArcPoint {
enum : int { Start = 0, Middle = 1, End = 2, Anchor = 3, Count = 4 };
}

// The figure of a finished live shape, in live coordinates, as its tool
// draws it (see tool_registry.h); empty for an unknown kind. `ctx` gives the
// continuous line's total its unit and decimals.
Figure LiveShapeFigure(const CMeasureShape& shape, const MeasureContext& ctx);

} // namespace tvx

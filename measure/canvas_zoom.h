#pragma once

#include "measure/view_mapping.h"

#include <QPoint>
#include <QPointF>
#include <QSize>

namespace tvx {

// How the stored picture is shown in a view of any size: fitted whole (the
// default) or at a factor of its own pixels (1: one view pixel per picture
// pixel), moved by panning. Shapes stay in picture pixels whatever the zoom;
// mapping() is the one way between them and the view.
class CanvasZoom {
public:
    static constexpr double kMinFactor = 0.1;
    static constexpr double kMaxFactor = 8.0;

    CanvasZoom() = default;
    explicit CanvasZoom(QSize picture) : picture_(picture) {}

    ViewMapping mapping(QSize view) const;
    bool fitted() const { return fit_; }
    // The factor shown now (at fit: the one that fits the view).
    double factor(QSize view) const;

    void Fit() { fit_ = true; }
    // Zooms so that the picture point under `anchor` (a view point) stays
    // under it, as far as the picture's edges allow.
    void ZoomTo(double factor, QSize view, QPointF anchor);
    // To the next of 25, 50, 100, 200, 400, 800 % up or down from now.
    void Step(bool in, QSize view);
    // Moves the picture by `delta` view pixels; a fitted picture stays.
    void PanBy(QPoint delta, QSize view);

private:
    // Keeps the centre where the edges let it be after a change.
    void Settle(QSize view);

    QSize picture_;
    bool fit_ = true;
    double factor_ = 1.0;
    QPointF centre_; // the picture point at the view's centre
};

// Where a zoomed view draws the shapes' origin: the middle of the picture
// pixel, so that an enlarged pixel is crossed through its middle.
QPoint ShapeOrigin(const ViewMapping& map);

} // namespace tvx

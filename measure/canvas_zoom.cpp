#include "measure/canvas_zoom.h"

#include <algorithm>
#include <cmath>

namespace tvx {

namespace {

constexpr double kSteps[] = {0.25, 0.5, 1.0, 2.0, 4.0, 8.0};

// Where the zoomed picture starts along one axis of the view: centred when
// it is narrower than the view, else never leaving a gap at either end.
int Origin(int view, int shown, double centre, double scale) {
    if (shown <= view) return (view - shown) / 2;
    const double want = view / 2.0 - centre * scale;
    return int(std::lround(std::clamp(want, double(view - shown), 0.0)));
}

} // namespace

ViewMapping CanvasZoom::mapping(QSize view) const {
    if (picture_.isEmpty() || view.isEmpty()) return ViewMapping();
    if (fit_) return ViewMapping::Fit(picture_, view);
    const QSize shown(std::max(1, int(std::lround(picture_.width() * factor_))),
                      std::max(1, int(std::lround(picture_.height() * factor_))));
    const double sx = double(shown.width()) / picture_.width();
    const double sy = double(shown.height()) / picture_.height();
    return ViewMapping::Placed(picture_,
                               QRect(QPoint(Origin(view.width(), shown.width(), centre_.x(), sx),
                                            Origin(view.height(), shown.height(), centre_.y(), sy)),
                                     shown));
}

double CanvasZoom::factor(QSize view) const {
    if (!fit_ || picture_.isEmpty()) return factor_;
    const ViewMapping m = mapping(view);
    return m.valid() ? double(m.shown().width()) / picture_.width() : 1.0;
}

void CanvasZoom::ZoomTo(double factor, QSize view, QPointF anchor) {
    const ViewMapping before = mapping(view);
    if (!before.valid() || !std::isfinite(factor)) return;
    const QPointF under = before.ToPictureF(anchor);
    // A picture far larger than the view may fit below the smallest factor.
    const double least = std::min(kMinFactor, this->factor(view));
    factor_ = std::clamp(factor, least, kMaxFactor);
    fit_ = false;
    const double sx = factor_;
    const double sy = factor_;
    // The anchor keeps its picture point: its view position minus that
    // point's distance from the picture's corner, then back to a centre.
    centre_ = QPointF(under.x() + (view.width() / 2.0 - anchor.x()) / sx,
                      under.y() + (view.height() / 2.0 - anchor.y()) / sy);
    Settle(view);
}

void CanvasZoom::Step(bool in, QSize view) {
    const double now = factor(view);
    double next = in ? kMaxFactor : std::min(kMinFactor, now);
    if (in) {
        for (double s : kSteps)
            if (s > now * 1.001) {
                next = s;
                break;
            }
    } else {
        for (double s : kSteps)
            if (s < now * 0.999) next = s;
    }
    ZoomTo(next, view, QPointF(view.width() / 2.0, view.height() / 2.0));
}

void CanvasZoom::PanBy(QPoint delta, QSize view) {
    if (fit_) return;
    const ViewMapping m = mapping(view);
    if (!m.valid()) return;
    centre_ -= QPointF(delta.x() / m.scaleX(), delta.y() / m.scaleY());
    Settle(view);
}

void CanvasZoom::Settle(QSize view) {
    const ViewMapping m = mapping(view);
    if (m.valid()) centre_ = m.ToPictureF(QPointF(view.width() / 2.0, view.height() / 2.0));
}

QPoint ShapeOrigin(const ViewMapping& map) {
    return map.shown().topLeft() + QPoint(int(map.scaleX() / 2), int(map.scaleY() / 2));
}

} // namespace tvx

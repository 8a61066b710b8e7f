#include "measure/view_mapping.h"

#include <algorithm>
#include <cmath>

namespace tvx {

ViewMapping ViewMapping::Fit(QSize picture, QSize view) {
    ViewMapping m;
    if (picture.isEmpty() || view.isEmpty()) return m;
    m.picture_ = picture;
    // Integer arithmetic: the side that fits exactly stays exact, so a
    // picture of the view's own size maps 1:1.
    int w = view.width();
    int h = int(int64_t(picture.height()) * w / picture.width());
    if (h > view.height()) {
        h = view.height();
        w = int(int64_t(picture.width()) * h / picture.height());
    }
    w = std::max(w, 1);
    h = std::max(h, 1);
    m.shown_ = QRect((view.width() - w) / 2, (view.height() - h) / 2, w, h);
    return m;
}

ViewMapping ViewMapping::Placed(QSize picture, QRect shown) {
    ViewMapping m;
    if (picture.isEmpty() || shown.isEmpty()) return m;
    m.picture_ = picture;
    m.shown_ = shown;
    return m;
}

double ViewMapping::scaleX() const {
    return picture_.isEmpty() ? 1.0 : double(shown_.width()) / picture_.width();
}

double ViewMapping::scaleY() const {
    return picture_.isEmpty() ? 1.0 : double(shown_.height()) / picture_.height();
}

QPoint ViewMapping::ToPicture(QPointF view) const {
    if (!valid()) return view.toPoint();
    // The picture pixel whose square holds the point.
    const double x = std::floor((view.x() - shown_.x()) / scaleX());
    const double y = std::floor((view.y() - shown_.y()) / scaleY());
    return QPoint(int(std::clamp(x, 0.0, double(picture_.width() - 1))),
                  int(std::clamp(y, 0.0, double(picture_.height() - 1))));
}

QPointF ViewMapping::ToPictureF(QPointF view) const {
    if (!valid()) return view;
    return QPointF((view.x() - shown_.x()) / scaleX(), (view.y() - shown_.y()) / scaleY());
}

QPointF ViewMapping::ToView(QPointF picture) const {
    if (!valid()) return picture;
    return QPointF(shown_.x() + picture.x() * scaleX(), shown_.y() + picture.y() * scaleY());
}

} // namespace tvx

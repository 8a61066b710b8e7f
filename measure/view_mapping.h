#pragma once

#include <QPoint>
#include <QPointF>
#include <QRect>
#include <QSize>

namespace tvx {

// Where a picture lands in a view that shows it whole: scaled to fit with its
// aspect kept and centred, the rest of the view left as bars. Every shape and
// guide is kept in picture pixels and goes through this one mapping, so what
// is drawn over the view lands on the same picture pixels in a still.
class ViewMapping {
public:
    ViewMapping() = default;
    // The picture fitted into a view of `view` size.
    static ViewMapping Fit(QSize picture, QSize view);
    // The picture drawn onto itself (a still).
    static ViewMapping Identity(QSize picture) { return Fit(picture, picture); }
    // The picture drawn over `shown`, which may reach beyond the view (a
    // zoomed picture, moved by panning).
    static ViewMapping Placed(QSize picture, QRect shown);

    QSize picture() const { return picture_; }
    // The view pixels the picture covers; empty when either size is.
    QRect shown() const { return shown_; }
    bool valid() const { return !shown_.isEmpty() && !picture_.isEmpty(); }
    bool identity() const { return shown_ == QRect(QPoint(0, 0), picture_); }
    double scaleX() const;
    double scaleY() const;

    // A view point as the picture pixel under it, kept inside the picture.
    QPoint ToPicture(QPointF view) const;
    QPointF ToView(QPointF picture) const;
    // The same without rounding to a pixel or keeping inside the picture.
    QPointF ToPictureF(QPointF view) const;

private:
    QSize picture_;
    QRect shown_;
};

} // namespace tvx

#include "ui/main/toolbar_row.h"

#include "ui/skin/bitmap_button.h"
#include "ui/skin/skin.h"

#include <QEvent>
#include <QHBoxLayout>
#include <QHash>
#include <QImage>
#include <QMenu>
#include <QPaintEvent>
#include <QPainter>
#include <QPainterPath>

#include <algorithm>

namespace tvx {

namespace {

constexpr int kPlainColumn = 5;    // a column of the band without separators or slots
constexpr int kOverflowWidth = 30; // the overflow button's slice
constexpr int kButtonSide = 28;

// One column of the skin's band, without separators or slots, drawn once
// per pixel ratio: the band under the stretch and the overflow button.
QPixmap PlainBand(qreal dpr) {
    static QHash<int, QPixmap> cache;
    const int key = qRound(dpr * 100);
    if (auto it = cache.constFind(key); it != cache.constEnd()) return *it;
    QImage image(QSize(1, ToolbarRow::kHeight) * dpr, QImage::Format_RGB32);
    image.setDevicePixelRatio(dpr);
    image.fill(Qt::black);
    {
        QPainter p(&image);
        p.setClipRect(QRect(0, 0, 1, ToolbarRow::kHeight));
        PaintSkin(p, kPicBackground, QPoint(-kPlainColumn, 0));
    }
    return *cache.insert(key, QPixmap::fromImage(image));
}

// The overflow button's faces, in the style of the measuring row's buttons:
// a chevron pointing along the row.
QPixmap OverflowFace(bool down, qreal dpr, bool rightToLeft) {
    QPixmap pm(QSize(kButtonSide, kButtonSide) * dpr);
    pm.setDevicePixelRatio(dpr);
    pm.fill(Qt::transparent);
    QPainter p(&pm);
    p.setRenderHint(QPainter::Antialiasing);
    QLinearGradient face(0, 0, 0, kButtonSide);
    face.setColorAt(0, down ? QColor(0x4e, 0xa5, 0xff) : QColor(0x3a, 0x45, 0x54));
    face.setColorAt(1, down ? QColor(0x2a, 0x74, 0xd4) : QColor(0x2d, 0x36, 0x42));
    p.setBrush(face);
    p.setPen(down ? QColor(0x86, 0xc3, 0xff) : QColor(0x4b, 0x59, 0x6b));
    p.drawRoundedRect(QRectF(0.5, 0.5, 27, 27), 5.5, 5.5);
    p.setBrush(Qt::NoBrush);
    p.setPen(QPen(down ? QColor(Qt::white) : QColor(0xd7, 0xe1, 0xec), 1.9, Qt::SolidLine,
                  Qt::RoundCap, Qt::RoundJoin));
    const qreal s = rightToLeft ? -1 : 1;
    for (const qreal at : {10.0, 16.0}) {
        const qreal x = rightToLeft ? kButtonSide - at : at;
        p.drawPolyline(
            QPolygonF{QPointF(x - 3 * s, 9), QPointF(x + 2 * s, 14), QPointF(x - 3 * s, 19)});
    }
    return pm;
}

} // namespace

// One control on its slice of the band: from its own x to the next
// control's, so that side by side the slices make up the skin's band.
class ToolbarRow::Cell : public QWidget {
public:
    Cell(QWidget* parent, QWidget* item, QPoint skinAt)
        : QWidget(parent), item_(item), skinAt_(skinAt) {
        item->setParent(this);
    }
    QWidget* item() const { return item_; }
    int skinX() const { return skinAt_.x(); }
    void setSlice(int from, int to) {
        from_ = from;
        setFixedSize(to - from, kHeight);
        place();
    }

protected:
    void changeEvent(QEvent* e) override {
        QWidget::changeEvent(e);
        if (e->type() == QEvent::LayoutDirectionChange) place();
    }

    void paintEvent(QPaintEvent* e) override {
        // Straight from the skin rather than from a picture of it: its small
        // texts then come out as they always did on the window.
        QPainter p(this);
        p.setClipRect(e->rect());
        if (!isRightToLeft()) {
            PaintSkin(p, kPicBackground, QPoint(-from_, 0));
            return;
        }
        // Mirrored, the slice's separator goes to the side the row ends on;
        // what lies under the control itself (the boxes' slots and their
        // names) is drawn the right way round.
        p.save();
        p.translate(width(), 0);
        p.scale(-1, 1);
        PaintSkin(p, kPicBackground, QPoint(-from_, 0));
        p.restore();
        const QRect under(item_->x(), 0, item_->width(), kHeight);
        p.setClipRect(under.intersected(e->rect()));
        PaintSkin(p, kPicBackground, QPoint(under.x() - skinAt_.x(), 0));
    }

private:
    void place() {
        const int x = skinAt_.x() - from_;
        item_->move(isRightToLeft() ? width() - x - item_->width() : x, skinAt_.y());
    }

private:
    QWidget* item_;
    QPoint skinAt_;
    int from_ = 0;
};

ToolbarRow::ToolbarRow(QWidget* parent) : QWidget(parent) {
    setObjectName(QStringLiteral("toolbar"));
    setAttribute(Qt::WA_OpaquePaintEvent);
    setFixedHeight(kHeight);
    // However narrow: what does not fit goes to the menu.
    setMinimumWidth(kOverflowWidth);
    setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
    row_ = new QHBoxLayout(this);
    row_->setContentsMargins(0, 0, 0, 0);
    row_->setSpacing(0);
    row_->addStretch(1);

    overflowCell_ = new QWidget(this);
    overflowCell_->setFixedSize(kOverflowWidth, kHeight);
    overflowButton_ = new CBitmapButton(overflowCell_);
    overflowButton_->setObjectName(QStringLiteral("overflowButton"));
    overflowButton_->setFocusPolicy(Qt::NoFocus);
    overflowButton_->move(1, 6);
    connect(overflowButton_, &QAbstractButton::clicked, this, &ToolbarRow::openMenu);
    row_->addWidget(overflowCell_);
    overflowCell_->hide();
    menu_ = new QMenu(this);
    menu_->setObjectName(QStringLiteral("overflowMenu"));
    paintOverflowButton();
}

void ToolbarRow::addItem(QWidget* item, QPoint skinAt) {
    auto* cell = new Cell(this, item, skinAt);
    const auto at = std::upper_bound(cells_.begin(), cells_.end(), skinAt.x(),
                                     [](int x, const Cell* c) { return x < c->skinX(); });
    row_->insertWidget(int(at - cells_.begin()), cell);
    cells_.insert(at, cell);
    // The first slice starts at the band's edge, the last ends at the skin's.
    for (size_t i = 0; i < cells_.size(); ++i)
        cells_[i]->setSlice(i == 0 ? 0 : cells_[i]->skinX(),
                            i + 1 < cells_.size() ? cells_[i + 1]->skinX() : kSkinWidth);
    cell->show();
    fit();
}

QList<QWidget*> ToolbarRow::overflowed() const {
    QList<QWidget*> out;
    for (const Cell* c : cells_)
        if (c->isHidden()) out.append(c->item());
    return out;
}

void ToolbarRow::setMenuFiller(std::function<void(QMenu&, const QList<QWidget*>&)> fill) {
    fill_ = std::move(fill);
}

QSize ToolbarRow::sizeHint() const {
    return QSize(kSkinWidth, kHeight);
}

void ToolbarRow::resizeEvent(QResizeEvent* e) {
    QWidget::resizeEvent(e);
    fit();
}

void ToolbarRow::fit() {
    int needed = 0;
    for (const Cell* c : cells_)
        needed += c->width();
    const bool overflow = needed > width();
    int room = width() - (overflow ? kOverflowWidth : 0);
    for (Cell* c : cells_) {
        const bool fits = c->width() <= room;
        room = fits ? room - c->width() : -1; // the rest go to the menu, in order
        c->setVisible(fits);
    }
    if (overflow && overflowCell_->isHidden()) paintOverflowButton();
    overflowCell_->setVisible(overflow);
}

void ToolbarRow::paintOverflowButton() {
    const qreal dpr = devicePixelRatioF();
    const bool rtl = isRightToLeft();
    overflowButton_->SetPictures(OverflowFace(false, dpr, rtl), OverflowFace(true, dpr, rtl));
}

void ToolbarRow::changeEvent(QEvent* e) {
    QWidget::changeEvent(e);
    // The chevron points along the row, whichever way it runs.
    if (e->type() == QEvent::LayoutDirectionChange) paintOverflowButton();
}

void ToolbarRow::openMenu() {
    menu_->clear();
    if (fill_) fill_(*menu_, overflowed());
    const QRect r = overflowButton_->rect();
    menu_->popup(overflowButton_->mapToGlobal(isRightToLeft() ? r.bottomRight() : r.bottomLeft()));
}

void ToolbarRow::paintEvent(QPaintEvent* e) {
    // Under the stretch and the overflow button: the band without its marks.
    QPainter p(this);
    const QRect r = e->rect();
    p.drawPixmap(QRect(r.left(), 0, r.width(), kHeight), PlainBand(devicePixelRatioF()));
}

} // namespace tvx

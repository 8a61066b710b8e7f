#include "ui/skin/bitmap_button.h"

#include "ui/skin/skin.h"

#include <QPaintEvent>
#include <QPainter>

namespace tvx {
namespace {

// Feedback for hover and press on top of the pictures: a faint veil keeps the
// artwork recognisable while still answering the mouse.
QPixmap tinted(const QPixmap& picture, const QColor& veil) {
    if (picture.isNull()) return picture;
    QImage image = picture.toImage().convertToFormat(QImage::Format_ARGB32_Premultiplied);
    {
        QPainter p(&image);
        p.setCompositionMode(QPainter::CompositionMode_SourceAtop);
        p.fillRect(QRect(QPoint(0, 0), image.size()), veil);
    }
    return QPixmap::fromImage(image);
}

QPixmap disabledPixmap(const QPixmap& picture) {
    if (picture.isNull()) return picture;
    return QPixmap::fromImage(DisabledLook(picture.toImage()));
}

const QColor kHoverVeil(255, 255, 255, 26);
const QColor kPressVeil(0, 0, 0, 48);

} // namespace

QImage DisabledLook(const QImage& picture) {
    if (picture.isNull()) return picture;
    QImage image = picture.convertToFormat(QImage::Format_ARGB32);
    for (int y = 0; y < image.height(); ++y) {
        auto* row = reinterpret_cast<QRgb*>(image.scanLine(y));
        for (int x = 0; x < image.width(); ++x) {
            const QRgb px = row[x];
            // Compress the tones into a narrow mid-grey band and halve the
            // opacity: strong contrast would still look clickable.
            const int grey = 72 + qGray(px) * 9 / 20;
            row[x] = qRgba(grey, grey, grey, qAlpha(px) / 2);
        }
    }
    image = image.convertToFormat(QImage::Format_ARGB32_Premultiplied);
    image.setDevicePixelRatio(picture.devicePixelRatio());
    return image;
}

bool ButtonPicture::setNumber(int number) {
    if (number == 0) {
        clear();
        return true;
    }
    if (SkinPixmap(number, 1.0).isNull()) return false;
    number_ = number;
    pixmap_ = QPixmap();
    return true;
}

void ButtonPicture::setPixmap(const QPixmap& pixmap) {
    number_ = 0;
    pixmap_ = pixmap;
}

void ButtonPicture::clear() {
    number_ = 0;
    pixmap_ = QPixmap();
}

QPixmap ButtonPicture::at(qreal devicePixelRatio) const {
    return number_ != 0 ? SkinPixmap(number_, devicePixelRatio) : pixmap_;
}

QSize ButtonPicture::size() const {
    return at(1.0).deviceIndependentSize().toSize();
}

// ---------------------------------------------------------------------------

CBitmapButton::CBitmapButton(QWidget* parent) : QAbstractButton(parent) {
    setAttribute(Qt::WA_Hover);
    // Clicking a tool must not pull the keyboard away from the magnification box.
    setFocusPolicy(Qt::TabFocus);
}

CBitmapButton::CBitmapButton(QWidget* parent, int id, int up, int down) : CBitmapButton(parent) {
    setControlId(id);
    LoadBitmaps(up, down);
}

bool CBitmapButton::LoadBitmaps(int up, int down, int disabled) {
    ButtonPicture u, d, x;
    if (up == 0 || !u.setNumber(up) || !d.setNumber(down) || !x.setNumber(disabled)) return false;
    up_ = u;
    down_ = d;
    disabled_ = x;
    fitToPicture();
    return true;
}

void CBitmapButton::SetPictures(const QPixmap& up, const QPixmap& down, const QPixmap& disabled) {
    up_.setPixmap(up);
    down_.setPixmap(down);
    disabled_.setPixmap(disabled);
    fitToPicture();
}

void CBitmapButton::SetSelected(bool selected) {
    if (selected_ == selected) return;
    selected_ = selected;
    update();
}

void CBitmapButton::setControlId(int id) {
    id_ = id;
    setObjectName(QStringLiteral("button%1").arg(id));
}

QSize CBitmapButton::sizeHint() const {
    const QSize s = up_.size();
    return s.isValid() ? s : QSize(16, 16);
}

void CBitmapButton::fitToPicture() {
    resize(sizeHint());
    update();
}

void CBitmapButton::paintEvent(QPaintEvent*) {
    const qreal ratio = devicePixelRatioF();
    const bool showDown = (isDown() || selected_) && !down_.isNull();
    QPixmap picture = (showDown ? down_ : up_).at(ratio);
    if (!isEnabled()) {
        picture = disabled_.isNull() ? disabledPixmap(picture) : disabled_.at(ratio);
    } else if (!showDown && underMouse()) {
        picture = tinted(picture, kHoverVeil);
    }
    if (picture.isNull()) return;
    QPainter p(this);
    p.drawPixmap(0, 0, picture);
}

// ---------------------------------------------------------------------------

CLatchButton::CLatchButton(QWidget* parent) : QAbstractButton(parent) {
    setAttribute(Qt::WA_Hover);
}

bool CLatchButton::Attach(QWidget* parent, int id, int normal, int latched, int focus) {
    if (!parent) return false;
    ButtonPicture n, l, f;
    if (!n.setNumber(normal) || !l.setNumber(latched) || !f.setNumber(focus)) return false;
    normal_ = n;
    latchedPicture_ = l;
    focus_ = f;
    if (parentWidget() != parent) setParent(parent);
    id_ = id;
    setObjectName(QStringLiteral("button%1").arg(id));
    fitToPicture();
    show();
    return true;
}

bool CLatchButton::SetDisabledBitmap(int number) {
    ButtonPicture d;
    if (!d.setNumber(number)) return false;
    disabled_ = d;
    update();
    return true;
}

void CLatchButton::SetPictures(const QPixmap& normal, const QPixmap& latched, const QPixmap& focus,
                               const QPixmap& disabled) {
    normal_.setPixmap(normal);
    latchedPicture_.setPixmap(latched);
    focus_.setPixmap(focus);
    disabled_.setPixmap(disabled);
    fitToPicture();
}

void CLatchButton::Latch() {
    latched_ = true;
    update();
}

void CLatchButton::Release() {
    latched_ = false;
    update();
}

QSize CLatchButton::sizeHint() const {
    for (const ButtonPicture* p : {&normal_, &latchedPicture_, &focus_, &disabled_}) {
        const QSize s = p->size();
        if (s.isValid() && !s.isEmpty()) return s;
    }
    return QSize(16, 16);
}

void CLatchButton::fitToPicture() {
    resize(sizeHint());
    update();
}

void CLatchButton::paintEvent(QPaintEvent*) {
    const qreal ratio = devicePixelRatioF();
    const ButtonPicture* chosen = &normal_;
    if (!isEnabled() && !disabled_.isNull())
        chosen = &disabled_;
    else if (hasFocus() && !focus_.isNull())
        chosen = &focus_;
    else if (latched_)
        chosen = &latchedPicture_;

    QPixmap picture = chosen->at(ratio);
    if (!isEnabled() && chosen != &disabled_)
        picture = disabledPixmap(picture);
    else if (isEnabled() && isDown())
        picture = tinted(picture, kPressVeil);
    else if (isEnabled() && underMouse())
        picture = tinted(picture, kHoverVeil);
    if (picture.isNull()) return;
    // Unscaled at the top left; the painter clips to the button.
    QPainter p(this);
    p.drawPixmap(0, 0, picture);
}

} // namespace tvx

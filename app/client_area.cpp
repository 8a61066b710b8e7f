#include "app/client_area.h"

#include <QPaintEvent>
#include <QPainter>
#include <QSvgRenderer>

namespace tvx {

namespace {

QPixmap renderSvg(const QString& path, QSize size, qreal dpr) {
    QSvgRenderer renderer(path);
    QPixmap pm(size * dpr);
    pm.setDevicePixelRatio(dpr);
    pm.fill(Qt::transparent);
    if (renderer.isValid()) {
        QPainter p(&pm);
        renderer.render(&p, QRectF(QPointF(0, 0), QSizeF(size)));
    }
    return pm;
}

} // namespace

CClientArea::CClientArea(QWidget* parent) : QWidget(parent) {
    setFixedSize(kWidth, kHeight);
    setAttribute(Qt::WA_OpaquePaintEvent);
}

void CClientArea::setResolutionText(const QString& text, const QFont& font) {
    resolution_ = text;
    resolutionFont_ = font;
    update(QRect(219, 537, 120, 24));
}

void CClientArea::setFullScreen(bool on) {
    fullScreen_ = on;
    if (on) {
        setMinimumSize(0, 0);
        setMaximumSize(QWIDGETSIZE_MAX, QWIDGETSIZE_MAX);
    } else {
        setFixedSize(kWidth, kHeight);
    }
    update();
}

void CClientArea::paintEvent(QPaintEvent* e) {
    QPainter p(this);
    if (fullScreen_) {
        p.fillRect(rect(), Qt::black);
        return;
    }
    const qreal dpr = devicePixelRatioF();
    if (background_.isNull() || background_.devicePixelRatio() != dpr)
        background_ = renderSvg(QStringLiteral(":/skin/background.svg"), size(), dpr);
    p.drawPixmap(e->rect(), background_,
                 QRectF(QPointF(e->rect().topLeft()) * dpr, QSizeF(e->rect().size()) * dpr));
    p.setFont(resolutionFont_);
    p.setPen(QColor(0, 125, 255));
    p.drawText(QRect(219, 537 + 3, 200, 20), Qt::AlignLeft | Qt::AlignTop, resolution_);
}

CPictureArea::CPictureArea(QWidget* parent) : QWidget(parent) {
    setAttribute(Qt::WA_OpaquePaintEvent);
}

void CPictureArea::setMessage(const QString& text) {
    message_ = text;
    update();
}

void CPictureArea::paintEvent(QPaintEvent*) {
    QPainter p(this);
    p.fillRect(rect(), Qt::black);
    if (message_.isEmpty()) return;
    QFont f = font();
    f.setPixelSize(20);
    p.setFont(f);
    p.setPen(QColor(230, 236, 242));
    p.drawText(rect(), Qt::AlignCenter | Qt::TextWordWrap, message_);
}

} // namespace tvx

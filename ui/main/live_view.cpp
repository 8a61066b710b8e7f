#include "ui/main/live_view.h"

#include <QFontMetrics>
#include <QMetaObject>
#include <QPaintEvent>
#include <QPainter>
#include <QResizeEvent>

namespace tvx {

CLiveView::CLiveView(QWidget* parent) : QWidget(parent) {
    setAttribute(Qt::WA_OpaquePaintEvent);
    textFont_.setPixelSize(18);
    surface_.SetComposedCallback([this] { RequestUpdate(); });
}

CLiveView::~CLiveView() {
    surface_.Release();
}

void CLiveView::RequestUpdate() {
    if (updatePending_.exchange(true)) return;
    updateRequests_.fetch_add(1);
    // Queued to this object: dropped by Qt if the view is gone by then.
    QMetaObject::invokeMethod(
        this,
        [this] {
            updatePending_.store(false);
            update();
        },
        Qt::QueuedConnection);
}

void CLiveView::SetCentreMessage(const QString& text) {
    centreMessage_ = text;
    update();
}

void CLiveView::SetFullScreenHint(const QString& text) {
    fullScreenHint_ = text;
    update();
}

void CLiveView::SetTextFont(const QFont& font) {
    textFont_ = font;
    update();
}

void CLiveView::ClearSurface() {
    surface_.ClearSurface();
    update();
}

void CLiveView::EnterFullScreen() {
    surface_.EnterFullScreen(size());
    update();
}

void CLiveView::LeaveFullScreen() {
    surface_.LeaveFullScreen(size());
    update();
}

void CLiveView::resizeEvent(QResizeEvent* event) {
    // Hidden widgets get their resize late, sometimes for the size they
    // already have; the picture on the surface is kept then.
    if (surface_.size() != event->size()) surface_.Recreate(event->size());
    QWidget::resizeEvent(event);
}

void CLiveView::paintEvent(QPaintEvent* event) {
    if (!surface_.hasSurface()) surface_.Recreate(size());
    QPainter p(this);
    surface_.Paint(p, event->rect());

    p.setFont(textFont_);
    const QFontMetrics fm(textFont_);
    const int w = width(), h = height();
    if (!centreMessage_.isEmpty()) {
        const int tw = fm.horizontalAdvance(centreMessage_);
        const int x = tw < w ? (w - tw) / 2 : 0;
        const int y = (h - fm.height()) / 2;
        p.setPen(QColor(0, 255, 0));
        p.drawText(QRect(x, y, std::max(tw, w - x), fm.height()), Qt::AlignLeft | Qt::AlignTop,
                   centreMessage_);
    }
    if (surface_.fullScreen() && !fullScreenHint_.isEmpty()) {
        const int tw = fm.horizontalAdvance(fullScreenHint_);
        const int x = tw + 4 < w ? w - tw - 4 : 0;
        p.setPen(QColor(255, 0, 0));
        p.drawText(QRect(x, 2, tw + 4, fm.height()), Qt::AlignLeft | Qt::AlignTop, fullScreenHint_);
    }
}

} // namespace tvx

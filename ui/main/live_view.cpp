#include "ui/main/live_view.h"

#include "ui/main/client_area.h"
#include "ui/main/live_gl_canvas.h"

#include <QFontMetrics>
#include <QLoggingCategory>
#include <QMetaObject>
#include <QPaintEvent>
#include <QPainter>
#include <QResizeEvent>
#include <QTimer>

namespace tvx {

namespace {
// QT_LOGGING_RULES="tavolux.startup.info=true" tells when the first frame is
// on screen (bench/startup.sh times the start with it).
Q_LOGGING_CATEGORY(lcStartup, "tavolux.startup", QtWarningMsg)
} // namespace

CLiveView::CLiveView(QWidget* parent) : QWidget(parent) {
    setAttribute(Qt::WA_OpaquePaintEvent);
    textFont_.setPixelSize(18);
    surface_.SetComposedCallback([this] { RequestUpdate(); });
    surface_.SetBarColour(CClientArea::kPanelColour);
    UseGraphicsHardware();
}

CLiveView::~CLiveView() {
    // The canvas paints from the surface, which goes before the children do.
    delete canvas_;
    canvas_ = nullptr;
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
            Repaint();
        },
        Qt::QueuedConnection);
}

void CLiveView::Repaint() {
    if (canvas_)
        canvas_->update();
    else
        update();
}

void CLiveView::SetCentreMessage(const QString& text) {
    centreMessage_ = text;
    Repaint();
}

void CLiveView::SetFullScreenHint(const QString& text) {
    fullScreenHint_ = text;
    Repaint();
}

void CLiveView::SetTextFont(const QFont& font) {
    textFont_ = font;
    Repaint();
}

void CLiveView::ClearSurface() {
    surface_.ClearSurface();
    Repaint();
}

void CLiveView::EnterFullScreen() {
    surface_.EnterFullScreen(size());
    Repaint();
}

void CLiveView::LeaveFullScreen() {
    surface_.LeaveFullScreen(size());
    Repaint();
}

void CLiveView::resizeEvent(QResizeEvent* event) {
    // Hidden widgets get their resize late, sometimes for the size they
    // already have; the picture on the surface is kept then.
    if (surface_.size() != event->size()) surface_.Recreate(event->size());
    if (canvas_) canvas_->setGeometry(rect());
    QWidget::resizeEvent(event);
}

void CLiveView::UseGraphicsHardware() {
    if (canvas_ || !LiveGlCanvas::Wanted()) return;
    surface_.SetFramesForUpload(true);
    canvas_ = new LiveGlCanvas(
        surface_,
        [this](QPainter& p) {
            PaintTexts(p);
            if (!firstFrameShown_ && canvas_->drewFrame()) NoteFirstFrame();
        },
        this);
    canvas_->setGeometry(rect());
    // Under whatever else lies on the view (the focus meter).
    canvas_->lower();
    canvas_->show();
}

void CLiveView::paintEvent(QPaintEvent* event) {
    if (!surface_.hasSurface()) surface_.Recreate(size());
    if (canvas_) return; // the canvas covers the view
    // Asked before painting: a frame swapped in meanwhile is not the one painted.
    const bool framed = !firstFrameShown_ && surface_.holdsFrame();
    QPainter p(this);
    surface_.Paint(p, event->rect());
    PaintTexts(p);
    if (framed) NoteFirstFrame();
}

void CLiveView::NoteFirstFrame() {
    firstFrameShown_ = true;
    if (!lcStartup().isInfoEnabled()) return;
    // Once this paint has gone to the window system.
    QTimer::singleShot(0, this, [] { qCInfo(lcStartup, "first live frame shown"); });
}

void CLiveView::PaintTexts(QPainter& p) {
    p.setFont(textFont_);
    const QFontMetrics fm(textFont_);
    const int w = width(), h = height();
    if (!centreMessage_.isEmpty()) {
        // The first line in the middle, a reason that may follow below it.
        p.setPen(QColor(0, 255, 0));
        int y = (h - fm.height()) / 2;
        for (const QString& line : centreMessage_.split(QLatin1Char('\n'))) {
            const int tw = fm.horizontalAdvance(line);
            const int x = tw < w ? (w - tw) / 2 : 0;
            p.drawText(QRect(x, y, std::max(tw, w - x), fm.height()), Qt::AlignLeft | Qt::AlignTop,
                       line);
            y += fm.height();
        }
    }
    if (surface_.fullScreen() && !fullScreenHint_.isEmpty()) {
        const int tw = fm.horizontalAdvance(fullScreenHint_);
        const int x = tw + 4 < w ? w - tw - 4 : 0;
        p.setPen(QColor(255, 0, 0));
        p.drawText(QRect(x, 2, tw + 4, fm.height()), Qt::AlignLeft | Qt::AlignTop, fullScreenHint_);
    }
}

} // namespace tvx

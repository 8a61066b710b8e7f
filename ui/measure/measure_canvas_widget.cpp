#include "ui/measure/measure_canvas_widget.h"

#include "measure/shape_drawing.h"
#include "platform/language.h"
#include "ui/measure/calibration_dialog.h"
#include "ui/measure/measure_pictures.h"
#include "ui/skin/error_sink.h"

#include <QCursor>
#include <QMouseEvent>
#include <QPainter>

namespace tvx {

namespace {
QRect Bounds(const Figure& f) {
    QRect r;
    for (const QLine& l : f.lines)
        r |= QRect(l.p1(), l.p2()).normalized();
    for (const QRect& e : f.ellipses)
        r |= e.normalized();
    for (const Figure::Arc& a : f.arcs)
        r |= a.box.normalized();
    return r;
}
} // namespace

CMeasureCanvas::CMeasureCanvas(QWidget* parent, const QString& picturePath, int initialTool,
                               double magnification)
    : QWidget(parent), model_(this) {
    setAttribute(Qt::WA_OpaquePaintEvent);
    setMouseTracking(true);
    // Clicked, the canvas takes the keyboard from the magnification box, so
    // that Ctrl+Z then undoes a shape rather than the box's typing.
    setFocusPolicy(Qt::ClickFocus);
    setCursor(MeasuringCursor());
    QString why;
    if (!model_.Load(picturePath, initialTool, magnification, &why))
        ShowMessage(Text("MsgTitle", "Tavolux"),
                    Text("enFileFail", "Can not Open file") + QLatin1Char('\n') + why,
                    Prompts::Icon::Warning);
    setFixedSize(model_.canvasSize());
}

CMeasureCanvas::~CMeasureCanvas() {
    ReleasePointer();
}

void CMeasureCanvas::Repaint(const QRect& area) {
    dirty_ = true;
    if (area.isEmpty())
        update();
    else
        update(area);
}

void CMeasureCanvas::HoldPointer(const QRect& area) {
    held_ = true;
    holdArea_ = area;
    grabMouse();
}

void CMeasureCanvas::ReleasePointer() {
    if (!held_) return;
    held_ = false;
    releaseMouse();
}

QSize CMeasureCanvas::TextExtent(const QString& text, const QFont& font) {
    return QFontMetrics(font).size(0, text);
}

void CMeasureCanvas::HistoryChanged() {
    emit historyChanged(model_.HasShapes(), model_.HasRedo());
}

std::optional<double> CMeasureCanvas::Calibrate(double pixels, const MeasureContext& ctx) {
    ReleasePointer();
    setEnabled(false);
    const bool done = tvx::Calibrate(parentWidget(), pixels, ctx, nullptr);
    setEnabled(true);
    if (!done) return std::nullopt;
    emit calibrated();
    return calibrationState().calibrated;
}

void CMeasureCanvas::RedrawIfDirty() {
    if (!dirty_ && screen_.size() == model_.canvasSize()) return;
    model_.Paint(screen_);
    dirty_ = false;
    shown_ = Figure();
    // A shape under way keeps its rubber band through the repaint.
    const Figure rubber = model_.RubberFigure();
    if (model_.rubberIsSolid()) {
        QPainter p(&screen_);
        p.setPen(model_.CurrentPen());
        p.drawLines(rubber.lines);
    } else {
        XorFigure(screen_, rubber, model_.CurrentPen());
        shown_ = rubber;
    }
}

void CMeasureCanvas::UpdateRubber() {
    if (dirty_) {
        // The model asked for a repaint: redraw now, band included, so the
        // screen copy is always what the next XOR expects.
        RedrawIfDirty();
        return;
    }
    const Figure next = model_.RubberFigure();
    QRect changed;
    if (model_.rubberIsSolid()) {
        // A freehand line only grows: its newest piece is drawn solid.
        if (!next.lines.isEmpty()) {
            QPainter p(&screen_);
            p.setRenderHint(QPainter::Antialiasing, false);
            p.setPen(model_.CurrentPen());
            p.drawLine(next.lines.last());
            changed = QRect(next.lines.last().p1(), next.lines.last().p2()).normalized();
        }
    } else {
        XorFigure(screen_, shown_, model_.CurrentPen());
        XorFigure(screen_, next, model_.CurrentPen());
        changed = Bounds(shown_) | Bounds(next);
        shown_ = next;
    }
    if (!changed.isNull()) {
        const int pad = 4 + int(Settings().Linewidth);
        update(changed.adjusted(-pad, -pad, pad, pad));
    }
}

void CMeasureCanvas::paintEvent(QPaintEvent* e) {
    RedrawIfDirty();
    QPainter p(this);
    p.drawImage(e->rect(), screen_, e->rect());
}

QPoint CMeasureCanvas::Held(QPoint p) {
    if (!held_ || holdArea_.contains(p)) return p;
    const QPoint c(std::clamp(p.x(), holdArea_.left(), holdArea_.right()),
                   std::clamp(p.y(), holdArea_.top(), holdArea_.bottom()));
    // Where the system lets a program place the pointer (X11), it stays in
    // the area; elsewhere the clamped point still keeps shapes inside.
    QCursor::setPos(mapToGlobal(c));
    return c;
}

void CMeasureCanvas::mousePressEvent(QMouseEvent* e) {
    const QPoint p = Held(e->position().toPoint());
    if (e->button() == Qt::LeftButton) {
        model_.LeftDown(p);
        UpdateRubber();
    } else if (e->button() == Qt::RightButton) {
        model_.RightDown();
    }
}

void CMeasureCanvas::mouseDoubleClickEvent(QMouseEvent* e) {
    if (e->button() != Qt::LeftButton) return;
    model_.LeftDoubleClick(Held(e->position().toPoint()));
    UpdateRubber();
}

void CMeasureCanvas::mouseMoveEvent(QMouseEvent* e) {
    model_.Move(Held(e->position().toPoint()));
    UpdateRubber();
}

} // namespace tvx

#include "ui/measure/measure_canvas_widget.h"

#include "measure/shape_drawing.h"
#include "platform/language.h"
#include "ui/measure/calibration_dialog.h"
#include "ui/measure/measure_pictures.h"
#include "ui/skin/error_sink.h"

#include <QCursor>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QWheelEvent>
#include <cmath>

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

CMeasureCanvas::CMeasureCanvas(QWidget* parent, CalibrationState& calibration, Prompts& prompts,
                               const SettingsStore& settings, const QString& picturePath,
                               int initialTool, double magnification)
    : QWidget(parent), calibration_(calibration), prompts_(prompts), settings_(settings),
      model_(settings, calibration.scope, this) {
    // A picture is never mirrored, whatever the language.
    setLayoutDirection(Qt::LeftToRight);
    setAttribute(Qt::WA_OpaquePaintEvent);
    setMouseTracking(true);
    // Clicked, the canvas takes the keyboard from the magnification box, so
    // that Ctrl+Z then undoes a shape rather than the box's typing.
    setFocusPolicy(Qt::ClickFocus);
    setCursor(MeasuringCursor());
    setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Expanding);
    QString why;
    if (!model_.Load(picturePath, initialTool, magnification, &why))
        ShowMessage(prompts_, Text("MsgTitle", "Tavolux"),
                    Text("enFileFail", "Can not Open file") + QLatin1Char('\n') + why,
                    Prompts::Icon::Warning);
    zoom_ = CanvasZoom(model_.pictureSize());
    resize(sizeHint());
}

CMeasureCanvas::~CMeasureCanvas() {
    ReleasePointer();
}

QSize CMeasureCanvas::sizeHint() const {
    // Room for the picture at 100 %; a small picture opens enlarged in the
    // well the skin was drawn for.
    return model_.canvasSize().expandedTo(QSize(640, 480));
}

int CMeasureCanvas::zoomPercent() const {
    return int(std::lround(zoom_.factor(size()) * 100));
}

void CMeasureCanvas::ZoomToFit() {
    zoom_.Fit();
    ViewChanged();
}

void CMeasureCanvas::ZoomTo(double factor) {
    zoom_.ZoomTo(factor, size(), QPointF(width() / 2.0, height() / 2.0));
    ViewChanged();
}

void CMeasureCanvas::ZoomStep(bool in) {
    zoom_.Step(in, size());
    ViewChanged();
}

void CMeasureCanvas::ViewChanged() {
    dirty_ = true;
    update();
    emit zoomChanged();
}

void CMeasureCanvas::Repaint(const QRect& area) {
    dirty_ = true;
    const ViewMapping map = mapping();
    // Labels keep their size at any zoom: below 100 % they reach beyond
    // their area's image, so everything is shown again.
    if (area.isEmpty() || !map.valid() || map.scaleX() < 1 || map.scaleY() < 1) {
        update();
        return;
    }
    const QPoint o = ShapeOrigin(map) - map.shown().topLeft();
    const QRect view(map.ToView(area.topLeft()).toPoint() + o,
                     map.ToView(area.bottomRight() + QPoint(1, 1)).toPoint() + o);
    update(view.adjusted(-2, -2, 2, 2));
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
    const bool done = tvx::Calibrate(calibration_, prompts_, window(), pixels, ctx, nullptr);
    setEnabled(true);
    if (!done) return std::nullopt;
    emit calibrated();
    return calibration_.calibrated;
}

void CMeasureCanvas::RedrawIfDirty() {
    const ViewMapping map = mapping();
    const bool sameView = screen_.size() == size() && screenMapping_.shown() == map.shown() &&
                          screenMapping_.picture() == map.picture();
    if (!dirty_ && sameView) return;
    if (screen_.size() != size()) screen_ = QImage(size(), QImage::Format_RGB32);
    model_.Paint(screen_, map);
    screenMapping_ = map;
    dirty_ = false;
    shown_ = Figure();
    // A shape under way keeps its rubber band through the repaint.
    const Figure rubber = ViewFigure(model_.RubberFigure());
    if (model_.rubberIsSolid()) {
        QPainter p(&screen_);
        p.setPen(model_.CurrentPen());
        p.drawLines(rubber.lines);
    } else {
        XorFigure(screen_, rubber, model_.CurrentPen());
        shown_ = rubber;
    }
}

Figure CMeasureCanvas::ViewFigure(const Figure& f) const {
    const ViewMapping map = mapping();
    if (!map.valid()) return f;
    return ScaledFigure(f, map.scaleX(), map.scaleY(), ShapeOrigin(map));
}

void CMeasureCanvas::UpdateRubber() {
    if (dirty_ || screen_.size() != size()) {
        // The model asked for a repaint: redraw now, band included, so the
        // screen copy is always what the next XOR expects.
        RedrawIfDirty();
        update();
        return;
    }
    const Figure next = ViewFigure(model_.RubberFigure());
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
        const int pad = 4 + int(settings_.values().Linewidth);
        update(changed.adjusted(-pad, -pad, pad, pad));
    }
}

void CMeasureCanvas::paintEvent(QPaintEvent* e) {
    RedrawIfDirty();
    QPainter p(this);
    p.drawImage(e->rect(), screen_, e->rect());
}

void CMeasureCanvas::resizeEvent(QResizeEvent*) {
    dirty_ = true;
    emit zoomChanged();
}

QPoint CMeasureCanvas::Held(QPoint p) {
    const ViewMapping map = mapping();
    const QPoint c = map.ToPicture(p);
    if (!held_ || holdArea_.contains(c)) return c;
    const QPoint kept(std::clamp(c.x(), holdArea_.left(), holdArea_.right()),
                      std::clamp(c.y(), holdArea_.top(), holdArea_.bottom()));
    // Where the system lets a program place the pointer (X11), it stays in
    // the area; elsewhere the kept point still keeps shapes inside.
    QCursor::setPos(mapToGlobal(map.ToView(QPointF(kept) + QPointF(0.5, 0.5)).toPoint()));
    return kept;
}

bool CMeasureCanvas::StartPan(QMouseEvent* e) {
    const bool pan =
        e->button() == Qt::MiddleButton || (e->button() == Qt::LeftButton && spaceHeld_);
    if (!pan) return false;
    panning_ = true;
    panFrom_ = e->position().toPoint();
    SetPanCursor();
    return true;
}

void CMeasureCanvas::SetPanCursor() {
    if (panning_)
        setCursor(Qt::ClosedHandCursor);
    else if (spaceHeld_)
        setCursor(Qt::OpenHandCursor);
    else
        setCursor(MeasuringCursor());
}

void CMeasureCanvas::mousePressEvent(QMouseEvent* e) {
    if (panning_ || StartPan(e)) return;
    const QPoint at = e->position().toPoint();
    if (e->button() == Qt::LeftButton) {
        // The bars beside a picture smaller than the view start nothing.
        if (!model_.shapeUnderWay() && !mapping().shown().contains(at)) return;
        model_.LeftDown(Held(at));
        UpdateRubber();
    } else if (e->button() == Qt::RightButton) {
        model_.RightDown();
    }
}

void CMeasureCanvas::mouseDoubleClickEvent(QMouseEvent* e) {
    if (e->button() != Qt::LeftButton || panning_ || spaceHeld_) return;
    model_.LeftDoubleClick(Held(e->position().toPoint()));
    UpdateRubber();
}

void CMeasureCanvas::mouseMoveEvent(QMouseEvent* e) {
    const QPoint at = e->position().toPoint();
    if (panning_) {
        zoom_.PanBy(at - panFrom_, size());
        panFrom_ = at;
        ViewChanged();
        return;
    }
    model_.Move(Held(at));
    UpdateRubber();
}

void CMeasureCanvas::mouseReleaseEvent(QMouseEvent* e) {
    if (panning_ && !(e->buttons() & (Qt::MiddleButton | Qt::LeftButton))) {
        panning_ = false;
        SetPanCursor();
    }
}

void CMeasureCanvas::wheelEvent(QWheelEvent* e) {
    const QPoint d = e->angleDelta();
    if (e->modifiers() & Qt::ControlModifier) {
        if (d.y() == 0) return;
        // A notch is a quarter more or less; finer wheels zoom in finer steps.
        zoom_.ZoomTo(zoom_.factor(size()) * std::pow(1.25, d.y() / 120.0), size(), e->position());
    } else {
        // A notch moves a zoomed picture by 60 pixels; Shift turns it sideways.
        QPoint step = e->pixelDelta().isNull() ? d / 2 : e->pixelDelta();
        if (e->modifiers() & Qt::ShiftModifier && step.x() == 0) step = QPoint(step.y(), 0);
        zoom_.PanBy(step, size());
    }
    ViewChanged();
}

bool CMeasureCanvas::SpaceKey(QKeyEvent* e, bool down) {
    if (e->key() != Qt::Key_Space) return false;
    if (!e->isAutoRepeat()) {
        spaceHeld_ = down;
        SetPanCursor();
    }
    return true;
}

void CMeasureCanvas::keyPressEvent(QKeyEvent* e) {
    if (!SpaceKey(e, true)) QWidget::keyPressEvent(e);
}

void CMeasureCanvas::keyReleaseEvent(QKeyEvent* e) {
    if (!SpaceKey(e, false)) QWidget::keyReleaseEvent(e);
}

void CMeasureCanvas::focusOutEvent(QFocusEvent* e) {
    spaceHeld_ = false;
    SetPanCursor();
    QWidget::focusOutEvent(e);
}

} // namespace tvx

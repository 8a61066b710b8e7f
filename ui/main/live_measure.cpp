#include "ui/main/live_measure.h"

#include "measure/calibration.h"
#include "platform/language.h"
#include "platform/settings.h"
#include "ui/main/tool_hints.h"
#include "ui/measure/calibration_dialog.h"

#include <QCursor>
#include <QGuiApplication>
#include <QLoggingCategory>
#include <QMouseEvent>
#include <QPainter>
#include <QWidget>

namespace tvx {

// Every finished live measurement is logged here (off unless asked for):
// a record of what was measured that scripts can read.
Q_LOGGING_CATEGORY(lcLiveMeasure, "tavolux.measure", QtWarningMsg)

LiveMeasure::LiveMeasure(LiveShapes& shapes, CalibrationState& calibration, Prompts& prompts,
                         const SettingsStore& settings, QWidget* view, QWidget* window, Hooks hooks)
    : shapes_(shapes), calibration_(calibration), prompts_(prompts), settings_(settings),
      view_(view), window_(window), hooks_(std::move(hooks)), labelFont_(DefaultFontRecord()) {
    if (view_) {
        // Moves without a button pressed drive the rubber band.
        view_->setMouseTracking(true);
        view_->installEventFilter(this);
    }
}

LiveMeasure::~LiveMeasure() {
    HoldPointer(false);
}

void LiveMeasure::ReleaseButtons() {
    for (const ToolRow& tool : kToolRegistry)
        if (tool.button.command != 0) hooks_.setPressed(tool.button.command, false);
}

void LiveMeasure::ChooseTool(int buttonId) {
    const ToolRow* row = ToolOfCommand(buttonId);
    if (!row || row->liveKind == 0 || inDialog_) return;
    // Letting go of a tool needs no magnification.
    if (hooks_.isPressed(buttonId)) return Cancel();
    const bool calibration = row->id == ToolId::CalibrationLine;
    // A calibration line is measured at the nominal magnification the user
    // typed; nothing else ever is, so the tools and guides always use what
    // the boxes show.
    const std::optional<double> m = hooks_.readMagnification(calibration);
    if (!m) return;
    HoldPointer(false);
    ReleaseButtons();
    hooks_.setPressed(buttonId, true);
    calibrating_ = calibration;
    tool_ = MakeLiveTool(row->id);
    tool_->Bind(&finished_);
    ToolSettings settings = CurrentToolSettings(*m);
    settings.calibrate = [this](double pixels) { return RunCalibration(pixels); };
    tool_->SetSettings(std::move(settings));
    button_ = buttonId;
    Publish();
}

void LiveMeasure::CancelShape() {
    if (!tool_ || !tool_->underWay() || inDialog_) return;
    const ToolRow* row = ToolOfCommand(button_);
    if (!row) return Cancel();
    ToolSettings settings = tool_->settings();
    HoldPointer(false);
    tool_ = MakeLiveTool(row->id);
    tool_->Bind(&finished_);
    tool_->SetSettings(std::move(settings));
    Publish();
}

void LiveMeasure::Cancel() {
    if (inDialog_) return;
    HoldPointer(false);
    ReleaseButtons();
    tool_.reset();
    button_ = 0;
    calibrating_ = false;
    Publish();
}

ToolSettings LiveMeasure::CurrentToolSettings(double magnification) const {
    const SettingsValues s = settings_.values();
    ToolSettings t;
    t.ctx = CurrentMeasureContext(hooks_.mapping().picture(), magnification, s, calibration_.scope);
    t.style.penWidth = int32_t(s.Linewidth);
    t.style.penStyle = int32_t(s.Linetype);
    t.style.penColor = s.LineColor;
    t.style.labelFont = labelFont_;
    t.style.labelColor = s.MeasureTxtColor;
    t.labelLineSpacing = LabelLineSpacing(s.fontsize);
    return t;
}

void LiveMeasure::RefreshSettings() {
    if (!tool_ || tool_->underWay()) return;
    const std::optional<double> m = hooks_.currentMagnification(calibrating_);
    if (!m) return;
    ToolSettings settings = CurrentToolSettings(*m);
    settings.calibrate = tool_->settings().calibrate;
    tool_->SetSettings(std::move(settings));
}

std::optional<double> LiveMeasure::RunCalibration(double pixels) {
    // The dialog needs the pointer; the line stays on the picture meanwhile.
    HoldPointer(false);
    Publish();
    const MeasureContext ctx = tool_ ? tool_->settings().ctx : MeasureContext();
    // The tool waits inside its press for the answer: it must not be
    // replaced while the dialog runs.
    inDialog_ = true;
    const bool done = Calibrate(calibration_, prompts_, window_, pixels, ctx, nullptr);
    inDialog_ = false;
    calibrating_ = false;
    if (!done) return std::nullopt;
    emit calibrated();
    return calibration_.calibrated;
}

template <class Fn> void LiveMeasure::Drive(Fn&& fn) {
    if (!tool_) return;
    fn(*tool_);
    if (!finished_.shapes().empty()) {
        for (const CMeasureShape& s : finished_.shapes())
            qCInfo(lcLiveMeasure, "kind %d: %s", int(s.kind), qPrintable(s.labels.join(' ')));
        shapes_.Edit([this](ShapeList& list) {
            for (const CMeasureShape& s : finished_.shapes())
                list.Append(s);
        });
        finished_.Clear();
    }
    HoldPointer(tool_ && tool_->underWay());
    Publish();
}

void LiveMeasure::Publish() {
    Pending p;
    MeasureContext ctx;
    if (tool_) {
        const ToolSettings& s = tool_->settings();
        ctx = s.ctx;
        if (tool_->underWay()) {
            p.figure = tool_->Pending();
            p.pen = MeasurePen(s.style.penStyle, s.style.penWidth, s.style.penColor);
            p.font = ToQFont(s.style.labelFont);
            p.labelColour = ColourFromBgr(s.style.labelColor);
        }
    } else {
        const SettingsValues v = settings_.values();
        ctx.unit = v.unit;
        ctx.decimals = int(std::min<uint32_t>(v.decimal, 15));
    }
    {
        std::lock_guard<std::mutex> lock(pendingMutex_);
        std::swap(pending_, p);
        ctx_ = ctx;
    }
    // The old figure is freed outside the lock.
    if (!tool_ || !tool_->underWay()) presses_ = 0;
    emit stepChanged();
}

QString LiveMeasure::StepHint() const {
    if (!tool_) return {};
    if (tool_->phase() == CMeasureTool::Phase::Label)
        return Text("HintLabel", "Click where the label goes; Esc cancels");
    const ToolRow* row = ToolOfCommand(button_);
    return row ? ToolStepHint(row->hint, presses_) : QString();
}

void LiveMeasure::HoldPointer(bool hold) {
    if (hold == holding_ || !view_) return;
    holding_ = hold;
    // Clicks elsewhere would leave a shape half made: the view keeps the
    // mouse until the shape is finished or cancelled.
    if (hold && view_->isVisible())
        view_->grabMouse(Qt::CrossCursor);
    else if (!hold && QWidget::mouseGrabber() == view_)
        view_->releaseMouse();
}

bool LiveMeasure::eventFilter(QObject* watched, QEvent* e) {
    if (watched != view_) return QObject::eventFilter(watched, e);
    const QEvent::Type type = e->type();
    if (type != QEvent::MouseButtonPress && type != QEvent::MouseMove &&
        type != QEvent::MouseButtonDblClick)
        return QObject::eventFilter(watched, e);
    auto* me = static_cast<QMouseEvent*>(e);
    // Shapes live in picture pixels, wherever the view shows the picture.
    const QPoint p = hooks_.mapping().ToPicture(me->position());
    if (type == QEvent::MouseButtonPress && me->button() == Qt::RightButton) {
        Cancel();
        return true;
    }
    if (!tool_) return false;
    if (type == QEvent::MouseMove) {
        if (!tool_->underWay()) return false;
        // The pointer is kept on the picture where the platform lets us.
        const QPoint inView = me->position().toPoint();
        if (!view_->rect().contains(inView)) {
            const QPoint back(std::clamp(inView.x(), 0, view_->width() - 1),
                              std::clamp(inView.y(), 0, view_->height() - 1));
            if (QGuiApplication::platformName() == QLatin1String("xcb"))
                QCursor::setPos(view_->mapToGlobal(back));
        }
        Drive([p](CMeasureTool& t) { t.Move(p); });
        return true;
    }
    if (me->button() != Qt::LeftButton) return false;
    if (type == QEvent::MouseButtonDblClick) {
        if (tool_->EndsOnDoubleClick()) {
            Drive([p](CMeasureTool& t) { t.DoubleClick(p); });
        } else {
            ++presses_;
            Drive([p](CMeasureTool& t) { t.Press(p); });
        }
        return true;
    }
    RefreshSettings();
    ++presses_;
    Drive([p](CMeasureTool& t) {
        t.Move(p);
        t.Press(p);
    });
    return true;
}

void LiveMeasure::Draw(QPainter& painter, const ViewMapping& map) {
    if (!map.valid()) return;
    const double sx = map.scaleX(), sy = map.scaleY();
    const QPoint at = map.shown().topLeft();
    MeasureContext ctx;
    {
        std::lock_guard<std::mutex> lock(pendingMutex_);
        if (!pending_.figure.empty())
            PaintFigure(painter, ScaledFigure(pending_.figure, sx, sy, at), pending_.pen,
                        pending_.font, pending_.labelColour);
        ctx = ctx_;
    }
    shapes_.Draw([&](const ShapeList& list) {
        DrawLiveShapes(painter, list, nullptr, PenSnapshot{}, ctx, sx, sy, at);
    });
}

} // namespace tvx

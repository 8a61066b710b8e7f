#include "ui/main/focus_glue.h"

#include "capture/frame_sink.h"
#include "platform/settings.h"
#include "ui/main/command_table.h"
#include "ui/main/live_view.h"

#include <QAction>
#include <QEvent>
#include <QPainter>
#include <algorithm>

namespace tvx {

FocusMeterBar::FocusMeterBar(CLiveView* view, const FrameSink& sink) : QWidget(view), sink_(sink) {
    setObjectName(QStringLiteral("focusMeter"));
    // Clicks go through to the live measurements below.
    setAttribute(Qt::WA_TransparentForMouseEvents);
    setFocusPolicy(Qt::NoFocus);
    view->installEventFilter(this);
    place();
}

void FocusMeterBar::place() {
    const QWidget* view = parentWidget();
    setGeometry(kMargin, view->height() - kHeight - kMargin, kWidth, kHeight);
}

bool FocusMeterBar::eventFilter(QObject* watched, QEvent* event) {
    if (watched == parentWidget() && event->type() == QEvent::Resize) place();
    return QWidget::eventFilter(watched, event);
}

void FocusMeterBar::paintEvent(QPaintEvent*) {
    const FocusLevel reading = sink_.focusLevel();
    QPainter p(this);
    p.setRenderHint(QPainter::Antialiasing, false);
    const QRect box = rect().adjusted(0, 0, -1, -1);
    p.setPen(QColor(255, 255, 255, 180));
    p.setBrush(QColor(0, 0, 0, 150));
    p.drawRect(box);
    const QRect track = box.adjusted(3, 3, -2, -2);
    // Red while soft, through yellow, to green when sharp.
    const float level = std::clamp(reading.level, 0.0f, 1.0f);
    const QColor fill = QColor::fromHsvF(0.33f * level, 0.85f, 0.95f);
    p.setPen(Qt::NoPen);
    p.setBrush(fill);
    p.drawRect(QRect(track.left(), track.top(), int(track.width() * level + 0.5f), track.height()));
    // The peak-hold mark: the best focus of the last moments.
    const int peakX =
        track.left() + int((track.width() - 2) * std::clamp(reading.peak, 0.0f, 1.0f));
    p.setBrush(Qt::white);
    p.drawRect(QRect(peakX, box.top() + 1, 2, box.height() - 1));
}

FocusFeatures::FocusFeatures(CommandActions& commands, CLiveView* view, FrameSink& sink,
                             SettingsStore& settings, QObject* parent)
    : QObject(parent), sink_(sink), settings_(settings), bar_(new FocusMeterBar(view, sink)) {
    bar_->hide();
    flowCheck_.setInterval(500);
    connect(&flowCheck_, &QTimer::timeout, this, &FocusFeatures::showWhileFramesFlow);

    QAction* meter = commands.action(ids::kFocusMeter);
    QAction* sharpest = commands.action(ids::kSharpestStill);
    meter->setChecked(settings_.ReadOwnSwitch(kMeterKey));
    sharpest->setChecked(settings_.ReadOwnSwitch(kSharpestKey));
    setMeter(meter->isChecked());
    setSharpest(sharpest->isChecked());
    connect(meter, &QAction::toggled, this, [this](bool on) {
        settings_.WriteOwnSwitch(kMeterKey, on);
        setMeter(on);
    });
    connect(sharpest, &QAction::toggled, this, [this](bool on) {
        settings_.WriteOwnSwitch(kSharpestKey, on);
        setSharpest(on);
    });
}

// The bar is a child of the live view and goes with it; the frame sink may
// be gone already, so nothing here touches it.
FocusFeatures::~FocusFeatures() = default;

void FocusFeatures::setMeter(bool on) {
    sink_.SetFocusMeter(on);
    if (on) {
        seenReadings_ = sink_.focusReadings();
        flowCheck_.start();
    } else {
        flowCheck_.stop();
        bar_->hide();
    }
}

void FocusFeatures::setSharpest(bool on) {
    sink_.SetSharpestStill(on);
}

void FocusFeatures::showWhileFramesFlow() {
    const quint64 now = sink_.focusReadings();
    const bool flowing = now != seenReadings_;
    seenReadings_ = now;
    if (flowing == bar_->isHidden()) bar_->setVisible(flowing);
}

} // namespace tvx

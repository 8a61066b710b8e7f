#include "ui/player/video_player_dlg.h"

#include "platform/language.h"
#include "ui/player/player_ids.h"
#include "ui/skin/bitmap_button.h"
#include "ui/skin/dialog_parts.h"
#include "ui/skin/skin.h"

#include <QCloseEvent>
#include <QDebug>
#include <QGuiApplication>
#include <QKeyEvent>
#include <QLabel>
#include <QPainter>
#include <QPainterPath>
#include <QScreen>
#include <QSlider>
#include <cmath>

namespace tvx {

using namespace player_ids;

namespace {

constexpr QSize kDialogSize(594, 478);
constexpr QRect kVideoRect(6, 7, 580, 406);

enum class Glyph { First, Backward, Play, Forward, Last, Stop, Pause };

// The button pictures the player draws itself when the skin has none: a
// rounded plate with the usual transport symbol, lighter while pressed.
QPixmap DrawGlyph(Glyph glyph, QSize size, bool down) {
    QPixmap pm(size);
    pm.fill(Qt::transparent);
    QPainter p(&pm);
    p.setRenderHint(QPainter::Antialiasing);
    const QRectF plate = QRectF(QPointF(0, 0), QSizeF(size)).adjusted(1, 1, -1, -1);
    p.setPen(QPen(QColor(20, 24, 30), 1));
    p.setBrush(down ? QColor(96, 140, 190) : QColor(58, 66, 78));
    p.drawRoundedRect(plate, 5, 5);
    p.setPen(Qt::NoPen);
    p.setBrush(down ? QColor(255, 255, 255) : QColor(220, 226, 234));
    const QPointF c = plate.center();
    const qreal s = std::min(size.width(), size.height()) * 0.28;
    auto triangle = [&](qreal x, bool right) {
        QPainterPath path;
        const qreal dx = right ? s : -s;
        path.moveTo(x - dx * 0.6, c.y() - s);
        path.lineTo(x + dx * 0.6, c.y());
        path.lineTo(x - dx * 0.6, c.y() + s);
        path.closeSubpath();
        p.drawPath(path);
    };
    switch (glyph) {
    case Glyph::Play:
        triangle(c.x() + s * 0.1, true);
        break;
    case Glyph::Forward:
        triangle(c.x() - s * 0.55, true);
        triangle(c.x() + s * 0.55, true);
        break;
    case Glyph::Backward:
        triangle(c.x() - s * 0.55, false);
        triangle(c.x() + s * 0.55, false);
        break;
    case Glyph::Last:
        triangle(c.x() - s * 0.3, true);
        p.drawRect(QRectF(c.x() + s * 0.45, c.y() - s, s * 0.3, 2 * s));
        break;
    case Glyph::First:
        triangle(c.x() + s * 0.3, false);
        p.drawRect(QRectF(c.x() - s * 0.75, c.y() - s, s * 0.3, 2 * s));
        break;
    case Glyph::Stop:
        p.drawRect(QRectF(c.x() - s * 0.8, c.y() - s * 0.8, s * 1.6, s * 1.6));
        break;
    case Glyph::Pause:
        p.drawRect(QRectF(c.x() - s * 0.7, c.y() - s, s * 0.5, 2 * s));
        p.drawRect(QRectF(c.x() + s * 0.2, c.y() - s, s * 0.5, 2 * s));
        break;
    }
    return pm;
}

struct ButtonLayout {
    int id;
    const char* tipKey;
    const char* tipDefault;
    int up, down; // skin pictures: up (or normal) and down (or latched)
    QPoint at;
    Glyph glyph;
};

constexpr QSize kGlyphSize(34, 30);
constexpr QSize kPlayGlyphSize(38, 38);

CBitmapButton* MakeButton(QWidget* parent, const ButtonLayout& b) {
    auto* button = new CBitmapButton(parent);
    button->setControlId(b.id);
    button->setObjectName(QString::number(b.id));
    if (SkinPath(b.up).isEmpty() || !button->LoadBitmaps(b.up, b.down))
        button->SetPictures(DrawGlyph(b.glyph, kGlyphSize, false),
                            DrawGlyph(b.glyph, kGlyphSize, true));
    button->move(b.at);
    button->setToolTip(Text(b.tipKey, b.tipDefault));
    return button;
}

// `latchedGlyph` is what the latched button shows when the skin has no
// picture for it: Play latched means playing, so it offers the pause symbol.
CLatchButton* MakeLatch(QWidget* parent, const ButtonLayout& b, QSize glyphSize,
                        Glyph latchedGlyph) {
    auto* button = new CLatchButton(parent);
    const bool skinned = !SkinPath(b.up).isEmpty() && button->Attach(parent, b.id, b.up, b.down, 0);
    if (!skinned) {
        button->Attach(parent, b.id, 0, 0, 0);
        button->SetPictures(DrawGlyph(b.glyph, glyphSize, false),
                            DrawGlyph(latchedGlyph, glyphSize, true));
    }
    button->setObjectName(QString::number(b.id));
    button->move(b.at);
    button->setToolTip(Text(b.tipKey, b.tipDefault));
    return button;
}

} // namespace

CVideoArea::CVideoArea(const VideoPlayback& playback, QWidget* parent)
    : QWidget(parent), playback_(playback) {
    setAttribute(Qt::WA_OpaquePaintEvent);
}

void CVideoArea::ShowNewFrame() {
    if (playback_.FrameSerial() != shown_) update();
}

void CVideoArea::paintEvent(QPaintEvent*) {
    QPainter p(this);
    p.fillRect(rect(), Qt::black);
    shown_ = playback_.FrameSerial();
    const QImage frame = playback_.CurrentFrame();
    if (frame.isNull()) return;
    QSize fitted = frame.size().scaled(size(), Qt::KeepAspectRatio);
    QRect target(QPoint(0, 0), fitted);
    target.moveCenter(rect().center());
    p.setRenderHint(QPainter::SmoothPixmapTransform);
    p.drawImage(target, frame);
}

VideoPlayerDialog::VideoPlayerDialog(const QString& path, std::function<bool()> stillSelected,
                                     QWidget* parent)
    : QDialog(parent), stillSelected_(std::move(stillSelected)) {
    setWindowTitle(Text("VideoPlayer", "Video Player"));
    setFixedSize(kDialogSize);
    background_ = SkinPixmap(kPicPlayerBackground, devicePixelRatioF());
    // The end of the file, or an error that ended playback early: either way
    // the player goes back to its start, paused. Queued, so that the player
    // is not changed while the playback reads its bus.
    connect(&playback_, &VideoPlayback::finished, this, &VideoPlayerDialog::OnStop,
            Qt::QueuedConnection);
    connect(
        &playback_, &VideoPlayback::failed, this,
        [this](const QString& reason) {
            qWarning().noquote() << "video player:" << reason;
            OnStop();
        },
        Qt::QueuedConnection);

    video_ = new CVideoArea(playback_, this);
    video_->setObjectName(QString::number(kVideoArea));
    video_->setGeometry(kVideoRect);
    connect(&playback_, &VideoPlayback::frameReady, video_, &CVideoArea::ShowNewFrame);

    slider_ = new QSlider(Qt::Horizontal, this);
    slider_->setObjectName(QString::number(kSlider));
    slider_->setGeometry(74, 415, kDialogSize.width() - 2 * 74, 20);
    slider_->setPageStep(10);
    slider_->setSingleStep(1);
    // Dragging the slider only moves the slider: it does not seek.

    first_ = MakeButton(this, {kFirst, "TipFirst", "First", 204, 203, {173, 436}, Glyph::First});
    backward_ = MakeButton(
        this, {kBackward, "TipReward", "Backward", 206, 205, {228, 440}, Glyph::Backward});
    forward_ =
        MakeButton(this, {kForward, "TipForward", "Forward", 208, 207, {313, 440}, Glyph::Forward});
    last_ = MakeButton(this, {kLast, "TipLast", "Last", 210, 209, {382, 436}, Glyph::Last});
    stop_ = MakeButton(this, {kStop, "TipStop", "Stop", 200, 199, {431, 436}, Glyph::Stop});
    play_ = MakeLatch(this, {kPlay, "TipPlay", "Play", 198, 197, {274, 431}, Glyph::Play},
                      kPlayGlyphSize, Glyph::Pause);
    pause_ = MakeLatch(this, {kPause, "TipPause", "Pause", 202, 201, {437, 436}, Glyph::Pause},
                       kGlyphSize, Glyph::Pause);
    pause_->setVisible(false);

    // Below the slider's left end, clear of the buttons.
    time_ = new QLabel(this);
    time_->setObjectName(QString::number(kTimeReadout));
    time_->setGeometry(10, 444, 150, 22);
    QPalette light = time_->palette();
    light.setColor(QPalette::WindowText, QColor(220, 226, 234));
    time_->setPalette(light);

    connect(first_, &QAbstractButton::clicked, this, &VideoPlayerDialog::OnFirst);
    connect(backward_, &QAbstractButton::clicked, this, &VideoPlayerDialog::OnBackward);
    connect(play_, &QAbstractButton::clicked, this, &VideoPlayerDialog::OnPlay);
    connect(forward_, &QAbstractButton::clicked, this, &VideoPlayerDialog::OnForward);
    connect(last_, &QAbstractButton::clicked, this, &VideoPlayerDialog::OnLast);
    connect(stop_, &QAbstractButton::clicked, this, &VideoPlayerDialog::OnStop);
    connect(pause_, &QAbstractButton::clicked, this, &VideoPlayerDialog::OnPause);

    if (QScreen* screen = QGuiApplication::primaryScreen()) {
        QRect r(QPoint(0, 0), kDialogSize);
        r.moveCenter(screen->availableGeometry().center());
        move(r.topLeft());
    }

    const Status opened = playback_.Open(path);
    if (!opened) {
        // Nothing to play: the buttons find an empty player and do nothing.
        openError_ = opened.reason();
        qWarning().noquote() << "video player:" << opened.reason();
    }
    slider_->setRange(0, int(playback_.Duration() * 10));
    slider_->setValue(0);
    playback_.PauseIfNotPaused();

    positionTimer_.setInterval(kTimerPeriodMs);
    positionTimer_.setTimerType(Qt::PreciseTimer);
    connect(&positionTimer_, &QTimer::timeout, this, &VideoPlayerDialog::OnPositionTimer);
    keepFrameTimer_.setInterval(kTimerPeriodMs);
    connect(&keepFrameTimer_, &QTimer::timeout, video_, &CVideoArea::ShowNewFrame);
    // Seeks settle after the button that asked for them: the readout follows
    // on this timer rather than at each click.
    connect(&keepFrameTimer_, &QTimer::timeout, this, &VideoPlayerDialog::UpdateTimeReadout);
    keepFrameTimer_.start();
    UpdateTimeReadout();
}

VideoPlayerDialog::~VideoPlayerDialog() {
    positionTimer_.stop();
    keepFrameTimer_.stop();
    playback_.Release();
}

void VideoPlayerDialog::UpdateButtons() {
    pause_->setEnabled(true);
    // Stepping stays possible after the end and while paused: a user looks
    // back over the last seconds far more often than while it plays.
    const bool open = playback_.IsOpen();
    for (QWidget* w : {static_cast<QWidget*>(first_), static_cast<QWidget*>(backward_),
                       static_cast<QWidget*>(forward_), static_cast<QWidget*>(last_)})
        w->setEnabled(open);
    play_->setToolTip(play_->IsLatched() ? Text("TipPause", "Pause") : Text("TipPlay", "Play"));
}

void VideoPlayerDialog::UpdateTimeReadout() {
    const QString text = PlaybackTimeText(playback_.Position(), playback_.Duration());
    if (time_->text() != text) time_->setText(text);
}

void VideoPlayerDialog::OnFirst() {
    playback_.ToFirst();
}

void VideoPlayerDialog::OnBackward() {
    pause_->Latch();
    playback_.PauseIfNotPaused();
    playback_.StepBackward();
}

void VideoPlayerDialog::OnForward() {
    pause_->Latch();
    playback_.PauseIfNotPaused();
    playback_.StepForward();
}

void VideoPlayerDialog::OnLast() {
    playback_.ToLast();
}

void VideoPlayerDialog::OnPlay() {
    if (play_->IsLatched()) {
        play_->Release();
        playback_.PauseIfNotPaused();
        positionTimer_.stop();
    } else if (!stillSelected_ || stillSelected_()) {
        play_->Latch();
        playback_.Play();
        positionTimer_.start();
    }
    UpdateButtons();
}

void VideoPlayerDialog::OnStop() {
    play_->Release();
    pause_->Release();
    UpdateButtons();
    playback_.PauseIfNotPaused();
    positionTimer_.stop();
    slider_->setValue(0);
    playback_.Seek(0);
}

void VideoPlayerDialog::OnPause() {
    if (pause_->IsLatched()) {
        pause_->Release();
        playback_.RunIfNotRunning();
        positionTimer_.start();
    } else {
        positionTimer_.stop();
        pause_->Latch();
        playback_.PauseIfNotPaused();
    }
}

void VideoPlayerDialog::OnPositionTimer() {
    slider_->setValue(int(playback_.Position() * 10));
    if (slider_->value() >= slider_->maximum()) OnStop();
}

void VideoPlayerDialog::paintEvent(QPaintEvent*) {
    QPainter p(this);
    if (!background_.isNull())
        p.drawPixmap(0, 0, background_);
    else
        p.fillRect(rect(), QColor(40, 44, 52));
}

void VideoPlayerDialog::keyPressEvent(QKeyEvent* event) {
    // Enter and Escape do not close the player; only its close box does.
    if (!SwallowEnterAndEscape(event)) QDialog::keyPressEvent(event);
}

void VideoPlayerDialog::closeEvent(QCloseEvent* event) {
    keepFrameTimer_.stop();
    positionTimer_.stop();
    playback_.Release();
    QDialog::closeEvent(event);
}

} // namespace tvx

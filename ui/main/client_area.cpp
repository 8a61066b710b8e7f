#include "ui/main/client_area.h"

#include "platform/language.h"
#include "ui/skin/skin.h"

#include <QFontDatabase>
#include <QFontMetrics>
#include <QFontMetricsF>
#include <QHBoxLayout>
#include <QLinearGradient>
#include <QPaintEvent>
#include <QPainter>
#include <QVBoxLayout>

#include <array>

namespace tvx {

namespace {

QFont makeFont(QFont base, int height, int averageWidth) {
    base.setPixelSize(height);
    base.setWeight(QFont::Normal);
    // Stretch the face so its average Latin character is as wide as asked.
    // The metric's own average counts wide CJK glyphs in CJK locales and
    // would squeeze the digits these fonts draw.
    static const QString kLatin =
        QStringLiteral("abcdefghijklmnopqrstuvwxyzABCDEFGHIJKLMNOPQRSTUVWXYZ0123456789");
    const QFontMetricsF fm(base);
    const qreal natural = fm.horizontalAdvance(kLatin) / kLatin.size();
    if (natural > 0) base.setStretch(qBound(50, int(100.0 * averageWidth / natural + 0.5), 200));
    return base;
}

} // namespace

QFont SecondsFont() {
    return makeFont(QFontDatabase::systemFont(QFontDatabase::GeneralFont), 18, 14);
}

QFont ResolutionFont() {
    return makeFont(QFontDatabase::systemFont(QFontDatabase::GeneralFont), 12, 6);
}

namespace {
constexpr int kSecondsPad = 4;
constexpr int kToolbarHeight = 52;  // the band and the gap under it
constexpr int kFootHeight = 43;     // under the file list: the name and the model line
constexpr int kFootLineHeight = 20; // the status line in the foot
constexpr int kFootLineBelow = 4;   // from its bottom to the window's
constexpr int kFootLineInset = 130; // clear of the name and the model line
constexpr int kTabsHeight = 35;     // the list's tabs over it, the plates under the picture
const QColor kCornerMark(78, 165, 255, 140);
} // namespace

CClientArea::CClientArea(QWidget* parent) : QWidget(parent) {
    setMinimumSize(kWidth, kHeight);
    resize(kWidth, kHeight);
    setAttribute(Qt::WA_OpaquePaintEvent);
}

void CClientArea::Arrange(QWidget* toolbar, QWidget* list, QWidget* live, QWidget* footer) {
    list_ = list;
    live_ = live;
    list_->setFixedWidth(179);
    list_->setMinimumHeight(kPictureRect.height());
    list_->setMaximumHeight(QWIDGETSIZE_MAX);
    live_->setMinimumSize(kPictureRect.size());
    live_->setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Expanding);
    // The band across the top; under it the list hangs below its tabs, the
    // picture above its plates, both growing with the area.
    auto* column = new QVBoxLayout(this);
    column->setContentsMargins(0, 0, 0, 0);
    column->setSpacing(0);
    // Unaligned: a band narrower than the area (see MainWindow) keeps to the
    // left, the part a window narrower than the area shows, in either
    // direction.
    column->addWidget(toolbar);
    column->addSpacing(kToolbarHeight - toolbar->sizeHint().height());
    auto* row = new QHBoxLayout;
    column->addLayout(row, 1);
    row->setContentsMargins(8, 0, kWidth - kPictureRect.right() - 1, 0);
    row->setSpacing(kPictureRect.left() - 8 - 179);
    auto* left = new QVBoxLayout;
    left->setSpacing(0);
    left->addSpacing(kTabsHeight);
    left->addWidget(list_);
    auto* right = new QVBoxLayout;
    right->setSpacing(0);
    right->addWidget(live_, 1);
    right->addSpacing(kTabsHeight);
    row->addLayout(left);
    row->addLayout(right, 1);
    // The status line sits in the foot, between the skin's name and model
    // line, as wide as the window lets it be.
    column->addSpacing(kFootHeight - kFootLineHeight - kFootLineBelow);
    auto* foot = new QHBoxLayout;
    foot->setContentsMargins(kFootLineInset, 0, kFootLineInset, kFootLineBelow);
    footer->setFixedHeight(kFootLineHeight);
    foot->addWidget(footer);
    column->addLayout(foot);
}

QRect CClientArea::TabZone(int mode) const {
    // The zones of the two tab pictures, where they are drawn.
    const QPoint at = tabAt() - QPoint(7, 43);
    return mode == 1 ? QRect(QPoint(10, 46), QPoint(60, 77)).translated(at)
                     : QRect(QPoint(70, 47), QPoint(121, 76)).translated(at);
}

QPoint CClientArea::tabAt() const {
    return QPoint(list_ ? list_->x() - 1 : 7, 43);
}

QPoint CClientArea::resolutionAt() const {
    const QRect live = live_ ? live_->geometry() : kPictureRect;
    return QPoint(live.left() + 15, live.bottom() + 6);
}

QPoint CClientArea::secondsAt() const {
    const QRect live = live_ ? live_->geometry() : kPictureRect;
    return QPoint(live.right() + 1 - 181, live.bottom() + 6);
}

void CClientArea::setResolutionText(const QString& text, const QFont& font) {
    resolution_ = text;
    resolutionFont_ = font;
    update(QRect(resolutionAt(), SkinSize(kPicResolutionPlate).expandedTo(QSize(120, 24))));
}

void CClientArea::setRecordingSeconds(int seconds, const QFont& font) {
    seconds_ = seconds;
    secondsFont_ = font;
    update(
        QRect(secondsAt(), QSize(width() - secondsAt().x(), SkinSize(kPicSecondsPlate).height())));
}

void CClientArea::setListMode(int mode) {
    listMode_ = mode;
    update(QRect(tabAt(), SkinSize(kPicTabPictures).expandedTo(QSize(120, 40))));
}

void CClientArea::setFullScreen(bool on) {
    fullScreen_ = on;
    // In full screen the picture alone fills the area; the layout takes it
    // back on the way out.
    setMinimumSize(on ? QSize(0, 0) : QSize(kWidth, kHeight));
    if (QLayout* l = layout()) {
        l->setEnabled(!on);
        if (!on) l->activate();
    }
    update();
}

void CClientArea::paintEvent(QPaintEvent*) {
    QPainter p(this);
    if (fullScreen_) {
        p.fillRect(rect(), Qt::black);
        return;
    }
    const qreal dpr = devicePixelRatioF();
    paintPanels(p);
    // "640*480" and the counter read left to right in every language.
    p.setLayoutDirection(Qt::LeftToRight);
    p.drawPixmap(tabAt(), SkinPixmap(listMode_ == 1 ? kPicTabPictures : kPicTabVideos, dpr));

    const QPoint resolution = resolutionAt();
    p.drawPixmap(resolution, SkinPixmap(kPicResolutionPlate, dpr));
    p.setFont(resolutionFont_);
    p.setPen(QColor(0, 125, 255));
    const QSize plate = SkinSize(kPicResolutionPlate);
    p.drawText(QRect(resolution + QPoint(0, 3), plate - QSize(0, 3)), Qt::AlignLeft | Qt::AlignTop,
               resolution_);

    if (seconds_ >= 0) {
        const QRect plateRect = SecondsPlate();
        p.drawPixmap(plateRect, SkinPixmap(kPicSecondsPlate, dpr));
        p.setFont(secondsFont_);
        p.setPen(QColor(0, 255, 0));
        p.drawText(plateRect.adjusted(kSecondsPad, 1, 0, 0), Qt::AlignLeft | Qt::AlignVCenter,
                   SecondsText());
    }
}

void CClientArea::paintPanels(QPainter& p) const {
    const int dx = width() - kWidth, dy = height() - kHeight;
    QLinearGradient base(0, 0, 0, height());
    base.setColorAt(0, QColor(0x1a, 0x20, 0x29));
    base.setColorAt(1, QColor(0x12, 0x16, 0x1c));
    p.fillRect(rect(), base);
    // The band under the toolbar (which draws the skin's band itself) runs on
    // to the right edge; the foot stays as drawn, the model line keeping to
    // the right corner.
    QLinearGradient band(0, 0, 0, 42);
    band.setColorAt(0, QColor(0x2b, 0x34, 0x41));
    band.setColorAt(1, QColor(0x22, 0x2a, 0x35));
    p.fillRect(QRect(0, 0, width(), 42), band);
    p.setPen(QColor(0x0d, 0x11, 0x16));
    p.drawLine(0, 41, width(), 41);
    const auto skinPart = [&](const QRect& part, QPoint to) {
        p.save();
        p.setClipRect(part.translated(to));
        PaintSkin(p, kPicBackground, to);
        p.restore();
    };
    skinPart(QRect(0, 576, 400, 34), QPoint(0, dy));
    skinPart(QRect(400, 576, 460, 34), QPoint(dx, dy));

    const QRect list = list_ ? list_->geometry() : QRect(8, 87, 179, 480);
    const QRect live = live_ ? live_->geometry() : kPictureRect;
    p.setRenderHint(QPainter::Antialiasing);
    const auto panel = [&](const QRectF& r, qreal radius, const QColor& top, const QColor& bottom,
                           const QColor& edge) {
        QLinearGradient g(r.topLeft(), r.bottomLeft());
        g.setColorAt(0, top);
        g.setColorAt(1, bottom);
        p.setBrush(g);
        p.setPen(edge);
        p.drawRoundedRect(r, radius, radius);
    };
    const qreal foot = qMax(list.bottom(), live.bottom() + kTabsHeight) + 6.5;
    panel(QRectF(list.left() - 4.5, 43.5, list.width() + 10, foot - 43.5), 10,
          QColor(0x1f, 0x27, 0x31), QColor(0x1a, 0x20, 0x29), QColor(0x2c, 0x36, 0x44));
    panel(QRectF(list).adjusted(-1.5, -1.5, 1.5, 1.5), 5, QColor(0x11, 0x16, 0x1c),
          QColor(0x11, 0x16, 0x1c), QColor(0x0b, 0x0f, 0x13));
    panel(QRectF(live.left() - 7.5, 43.5, live.width() + 15, foot - 43.5), 10,
          QColor(0x2a, 0x33, 0x40), QColor::fromRgb(kPanelColour), QColor(0x2f, 0x3a, 0x48));
    panel(QRectF(live).adjusted(-2.5, -2.5, 2.5, 2.5), 3, QColor(0x0a, 0x0d, 0x11),
          QColor(0x0a, 0x0d, 0x11), QColor(0x0a, 0x0d, 0x11));
    p.setBrush(QColor(0x07, 0x09, 0x0c));
    p.setPen(QColor(0x3a, 0x46, 0x56, 140));
    p.drawRect(QRectF(live).adjusted(-0.5, -0.5, 0.5, 0.5));
    // The corner marks of the picture's frame.
    p.setBrush(Qt::NoBrush);
    p.setPen(QPen(kCornerMark, 1.5, Qt::SolidLine, Qt::RoundCap));
    const qreal l = live.left() - 5, r = live.right() + 6, t = live.top() - 5,
                b = live.bottom() + 6;
    for (const auto& [x, y, sx, sy] :
         {std::array<qreal, 4>{l, t, 1, 1}, {r, t, -1, 1}, {l, b, 1, -1}, {r, b, -1, -1}})
        p.drawPolyline(QPolygonF{QPointF(x, y + 9 * sy), QPointF(x, y), QPointF(x + 9 * sx, y)});
    p.setRenderHint(QPainter::Antialiasing, false);
}

QString CClientArea::SecondsText() const {
    return QString::asprintf("%2d %s", std::max(seconds_, 0),
                             qUtf8Printable(Text("Second", "Seconds")));
}

QRect CClientArea::SecondsPlate() const {
    // The plate grows with the text: no language's word is cut, and the
    // counter never runs off the window's edge.
    const QSize plate = SkinSize(kPicSecondsPlate);
    const int text = QFontMetrics(secondsFont_).horizontalAdvance(SecondsText()) + 2 * kSecondsPad;
    const QPoint at = secondsAt();
    const int room = width() - at.x() - 4;
    return QRect(at, QSize(std::min(std::max(plate.width(), text), room), plate.height()));
}

} // namespace tvx

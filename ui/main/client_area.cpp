#include "ui/main/client_area.h"

#include "platform/language.h"
#include "ui/skin/skin.h"

#include <QFontDatabase>
#include <QFontMetrics>
#include <QFontMetricsF>
#include <QPaintEvent>
#include <QPainter>

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
const QPoint kTabAt(7, 43);
const QPoint kResolutionAt(219, 537);
const QPoint kSecondsAt(663, 537);
constexpr int kSecondsPad = 4;
} // namespace

CClientArea::CClientArea(QWidget* parent) : QWidget(parent) {
    setFixedSize(kWidth, kHeight);
    setAttribute(Qt::WA_OpaquePaintEvent);
}

void CClientArea::setResolutionText(const QString& text, const QFont& font) {
    resolution_ = text;
    resolutionFont_ = font;
    update(QRect(kResolutionAt, SkinSize(kPicResolutionPlate).expandedTo(QSize(120, 24))));
}

void CClientArea::setRecordingSeconds(int seconds, const QFont& font) {
    seconds_ = seconds;
    secondsFont_ = font;
    update(QRect(kSecondsAt, QSize(kWidth - kSecondsAt.x(), SkinSize(kPicSecondsPlate).height())));
}

void CClientArea::setListMode(int mode) {
    listMode_ = mode;
    update(QRect(kTabAt, SkinSize(kPicTabPictures).expandedTo(QSize(120, 40))));
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

void CClientArea::paintEvent(QPaintEvent*) {
    QPainter p(this);
    if (fullScreen_) {
        p.fillRect(rect(), Qt::black);
        return;
    }
    const qreal dpr = devicePixelRatioF();
    PaintSkin(p, kPicBackground, QPoint(0, 0));
    p.drawPixmap(kTabAt, SkinPixmap(listMode_ == 1 ? kPicTabPictures : kPicTabVideos, dpr));

    p.drawPixmap(kResolutionAt, SkinPixmap(kPicResolutionPlate, dpr));
    p.setFont(resolutionFont_);
    p.setPen(QColor(0, 125, 255));
    const QSize plate = SkinSize(kPicResolutionPlate);
    p.drawText(QRect(kResolutionAt + QPoint(0, 3), plate - QSize(0, 3)),
               Qt::AlignLeft | Qt::AlignTop, resolution_);

    if (seconds_ >= 0) {
        const QRect plateRect = SecondsPlate();
        p.drawPixmap(plateRect, SkinPixmap(kPicSecondsPlate, dpr));
        p.setFont(secondsFont_);
        p.setPen(QColor(0, 255, 0));
        p.drawText(plateRect.adjusted(kSecondsPad, 1, 0, 0), Qt::AlignLeft | Qt::AlignVCenter,
                   SecondsText());
    }
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
    const int room = kWidth - kSecondsAt.x() - 4;
    return QRect(kSecondsAt, QSize(std::min(std::max(plate.width(), text), room), plate.height()));
}

} // namespace tvx

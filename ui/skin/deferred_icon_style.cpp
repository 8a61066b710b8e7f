#include "ui/skin/deferred_icon_style.h"

#include <QIconEngine>
#include <QPainter>
#include <QPointer>
#include <QWidget>
#include <functional>
#include <memory>

namespace tvx {

namespace {

// An icon that asks for its real one the first time it is drawn or
// measured; copies share what was found.
class DeferredIconEngine : public QIconEngine {
public:
    explicit DeferredIconEngine(std::function<QIcon()> make) : state_(std::make_shared<State>()) {
        state_->make = std::move(make);
    }

    void paint(QPainter* painter, const QRect& rect, QIcon::Mode mode,
               QIcon::State state) override {
        icon().paint(painter, rect, Qt::AlignCenter, mode, state);
    }
    QPixmap pixmap(const QSize& size, QIcon::Mode mode, QIcon::State state) override {
        return icon().pixmap(size, mode, state);
    }
    QPixmap scaledPixmap(const QSize& size, QIcon::Mode mode, QIcon::State state,
                         qreal scale) override {
        return icon().pixmap(size, scale, mode, state);
    }
    QSize actualSize(const QSize& size, QIcon::Mode mode, QIcon::State state) override {
        return icon().actualSize(size, mode, state);
    }
    QList<QSize> availableSizes(QIcon::Mode mode, QIcon::State state) override {
        return icon().availableSizes(mode, state);
    }
    QString iconName() override { return icon().name(); }
    bool isNull() override { return icon().isNull(); }
    QString key() const override { return QStringLiteral("tavolux-deferred"); }
    QIconEngine* clone() const override { return new DeferredIconEngine(*this); }

private:
    struct State {
        std::function<QIcon()> make;
        QIcon icon;
    };

    const QIcon& icon() {
        if (state_->make) {
            state_->icon = state_->make();
            state_->make = nullptr;
        }
        return state_->icon;
    }

    std::shared_ptr<State> state_;
};

} // namespace

DeferredIconStyle::DeferredIconStyle(QStyle* base) : QProxyStyle(base) {}

QIcon DeferredIconStyle::standardIcon(StandardPixmap icon, const QStyleOption* option,
                                      const QWidget* widget) const {
    // An option lives only for this call, so an icon asked for with one is
    // made at once.
    if (option) return QProxyStyle::standardIcon(icon, option, widget);
    // Either may be gone by the time the icon is drawn.
    QPointer<QWidget> asker(const_cast<QWidget*>(widget));
    QPointer<QStyle> base(baseStyle());
    return QIcon(new DeferredIconEngine([icon, asker, base] {
        return base ? base->standardIcon(icon, nullptr, asker.data()) : QIcon();
    }));
}

} // namespace tvx

#include "ui/skin/deferred_icon_style.h"

#include <QCommonStyle>
#include <QImage>
#include <QPixmap>
#include <QStyleOption>
#include <QWidget>

#include <gtest/gtest.h>

#include <memory>

namespace tvx {
namespace {

class CountingStyle : public QCommonStyle {
public:
    mutable int asked = 0;
    QIcon standardIcon(StandardPixmap icon, const QStyleOption* option,
                       const QWidget* widget) const override {
        ++asked;
        return QCommonStyle::standardIcon(icon, option, widget);
    }
};

// A standard icon costs nothing until it is drawn, then draws as the
// platform's own, asked for once; its widget may be gone by then.
TEST(DeferredIconStyle, StandardIconsAreMadeWhenFirstDrawn) {
    auto* base = new CountingStyle;
    DeferredIconStyle style(base);
    const QImage expected =
        base->QCommonStyle::standardIcon(QStyle::SP_ArrowRight).pixmap(QSize(16, 16)).toImage();
    ASSERT_FALSE(expected.isNull());

    auto asker = std::make_unique<QWidget>();
    const QIcon icon = style.standardIcon(QStyle::SP_ArrowRight, nullptr, asker.get());
    const QIcon copy = icon;
    asker.reset();
    EXPECT_EQ(base->asked, 0);
    EXPECT_EQ(icon.pixmap(QSize(16, 16)).toImage(), expected);
    EXPECT_EQ(base->asked, 1);
    EXPECT_FALSE(copy.isNull());
    EXPECT_EQ(copy.pixmap(QSize(16, 16)).toImage(), expected);
    EXPECT_EQ(base->asked, 1) << "the copy shares the icon found";

    // An option lives only for the call: such an icon is made at once.
    QStyleOption option;
    style.standardIcon(QStyle::SP_ArrowLeft, &option);
    EXPECT_EQ(base->asked, 2);
}

} // namespace
} // namespace tvx

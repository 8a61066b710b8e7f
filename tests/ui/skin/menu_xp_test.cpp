// The owner-drawn popup menu, rendered off screen.
#include "ui/skin/menu_xp.h"

#include <QImage>
#include <QPixmap>

#include <gtest/gtest.h>

namespace tvx {
namespace {

const QColor kBackground(226, 227, 229);
const QColor kHighlight(78, 135, 219);

QIcon RedIcon() {
    QPixmap pix(16, 16);
    pix.fill(Qt::red);
    return QIcon(pix);
}

bool AnyPixel(const QImage& img, const QRect& area, const std::function<bool(QColor)>& test) {
    for (int y = area.top(); y <= area.bottom(); ++y)
        for (int x = area.left(); x <= area.right(); ++x)
            if (test(img.pixelColor(x, y))) return true;
    return false;
}

bool IsInk(QColor c) {
    return c != kBackground && c != kHighlight;
}

struct Built {
    Built() {
        menu.SetBackgroundColour(kBackground);
        menu.SetHighlightColour(kHighlight);
        title = menu.AppendTitle("Tools");
        undo = menu.AppendItem("Undo", 1201, RedIcon(), QKeySequence("Ctrl+Z"));
        plain = menu.AppendItem("Delete All", 1203);
        separator = menu.AppendSeparator();
        checked = menu.AppendItem("Crosshair", 32798);
        checked->setCheckable(true);
        checked->setChecked(true);
        greyed = menu.AppendItem("Settings", 32791, RedIcon());
        greyed->setEnabled(false);
        menu.resize(menu.sizeHint());
    }
    QImage Render() { return menu.grab().toImage().convertToFormat(QImage::Format_RGB32); }

    CMenuXP menu;
    QAction *title, *undo, *plain, *separator, *checked, *greyed;
};

TEST(MenuXPTest, ItemsHaveTheirColumnTextAndAccelerator) {
    Built b;
    EXPECT_EQ(b.undo->text(), "Undo\tCtrl+Z");
    EXPECT_EQ(b.undo->data().toInt(), 1201);
    const QRect undo = b.menu.actionGeometry(b.undo);
    const QRect plain = b.menu.actionGeometry(b.plain);
    EXPECT_GE(undo.height(), MenuXPStyle::kIconSize + 4);
    const QImage img = b.Render();

    // The icon in its column, shrunk by 2 pixels.
    EXPECT_EQ(img.pixelColor(undo.left() + 4, undo.center().y()), QColor(Qt::red));
    // Text left of the accelerator and the accelerator at the right edge − 16.
    const int textLeft = undo.left() + undo.height() + 2;
    EXPECT_TRUE(AnyPixel(img, QRect(textLeft, undo.top(), 30, undo.height()), IsInk));
    EXPECT_TRUE(AnyPixel(img, QRect(undo.right() - 16 - 12, undo.top(), 12, undo.height()), IsInk));
    EXPECT_FALSE(AnyPixel(img, QRect(undo.right() - 14, undo.top(), 12, undo.height()), IsInk));
    // Without an icon the column stays empty: the text starts after it.
    EXPECT_FALSE(AnyPixel(
        img, QRect(plain.left() + 1, plain.top() + 1, plain.height() - 2, plain.height() - 2),
        IsInk));
    EXPECT_EQ(img.pixelColor(plain.right() - 4, plain.top() + 2), kBackground);
}

TEST(MenuXPTest, TitleSeparatorCheckedAndGreyedLooks) {
    Built b;
    const QImage img = b.Render();
    const QRect title = b.menu.actionGeometry(b.title);
    const QColor top = img.pixelColor(title.right() - 4, title.top() + 1);
    const QColor bottom = img.pixelColor(title.right() - 4, title.bottom() - 1);
    EXPECT_GT(top.blue(), 150);
    EXPECT_LT(bottom.blue(), top.blue());
    EXPECT_EQ(top.red(), 0);
    // White title text.
    EXPECT_TRUE(AnyPixel(img, title.adjusted(4, 0, 0, 0),
                         [](QColor c) { return c.red() > 200 && c.green() > 200; }));

    // An etched line along the middle of the separator.
    const QRect sep = b.menu.actionGeometry(b.separator);
    ASSERT_GT(sep.height(), 2);
    const int mid = sep.top() + sep.height() / 2;
    EXPECT_NE(img.pixelColor(sep.center().x(), mid - 1), kBackground);
    EXPECT_EQ(img.pixelColor(sep.center().x(), sep.top()), kBackground);

    const QRect checked = b.menu.actionGeometry(b.checked);
    const QRect column(checked.left(), checked.top(), checked.height(), checked.height());
    EXPECT_TRUE(AnyPixel(img, column.adjusted(3, 3, -3, -3),
                         [](QColor c) { return c == QColor(Qt::black); }));

    // A greyed icon is embossed: no red left in it.
    const QRect greyed = b.menu.actionGeometry(b.greyed);
    EXPECT_FALSE(AnyPixel(img, QRect(greyed.left(), greyed.top(), greyed.height(), greyed.height()),
                          [](QColor c) { return c == QColor(Qt::red); }));
    EXPECT_TRUE(AnyPixel(img, QRect(greyed.left() + 2, greyed.top() + 2, 16, 16), IsInk));
}

TEST(MenuXPTest, SelectedItemUsesTheHighlightColour) {
    Built b;
    b.menu.setActiveAction(b.plain);
    const QImage img = b.Render();
    const QRect plain = b.menu.actionGeometry(b.plain);
    EXPECT_EQ(img.pixelColor(plain.right() - 4, plain.top() + 2), kHighlight);
    const QRect undo = b.menu.actionGeometry(b.undo);
    EXPECT_EQ(img.pixelColor(undo.right() - 4, undo.top() + 2), kBackground);
}

} // namespace
} // namespace tvx

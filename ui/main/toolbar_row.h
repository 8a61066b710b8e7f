#pragma once

#include <QList>
#include <QPoint>
#include <QWidget>
#include <functional>
#include <vector>

class QHBoxLayout;
class QMenu;

namespace tvx {

class CBitmapButton;

// The toolbar band at the top of the main window. Each control sits on its
// own slice of the skin's band (the separators and box slots drawn there go
// with it), the slices in a row layout: on a row as wide as the skin they
// land where the skin placed them, a wider row leaves the rest of the band
// plain, a right-to-left row takes them in mirrored order, and a row too
// narrow for them all hands the ones at its end to the overflow button's
// menu. UI thread.
class ToolbarRow : public QWidget {
    Q_OBJECT
public:
    static constexpr int kSkinWidth = 860; // the band as the skin draws it
    static constexpr int kHeight = 41;     // the line under the band is the window's

    explicit ToolbarRow(QWidget* parent = nullptr);

    // Puts `item` (a child of the row from now on) where the skin places it
    // on a row of kSkinWidth: the row keeps items in the order of their x.
    void addItem(QWidget* item, QPoint skinAt);

    // The items that did not fit, in row order.
    QList<QWidget*> overflowed() const;
    CBitmapButton* overflowButton() const { return overflowButton_; }
    // The menu the overflow button opens, filled as it opens.
    QMenu* overflowMenu() const { return menu_; }
    // Called as the overflow menu opens, to offer the items that did not fit.
    void setMenuFiller(std::function<void(QMenu&, const QList<QWidget*>&)> fill);

    QSize sizeHint() const override;

protected:
    void paintEvent(QPaintEvent* e) override;
    void resizeEvent(QResizeEvent* e) override;
    void changeEvent(QEvent* e) override;

private:
    class Cell;
    void fit();
    void openMenu();
    void paintOverflowButton();

    QHBoxLayout* row_ = nullptr;
    std::vector<Cell*> cells_; // in skin order
    QWidget* overflowCell_ = nullptr;
    CBitmapButton* overflowButton_ = nullptr;
    QMenu* menu_ = nullptr;
    std::function<void(QMenu&, const QList<QWidget*>&)> fill_;
};

} // namespace tvx

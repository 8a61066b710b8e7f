#pragma once

#include <QColor>
#include <QIcon>
#include <QKeySequence>
#include <QMenu>
#include <QProxyStyle>

namespace tvx {

// Draws the items of a CMenuXP: a square icon column at the left, the text
// with its accelerator right-aligned after a tab, titles on a vertical
// gradient, etched separators, and embossed icons for greyed items.
class MenuXPStyle : public QProxyStyle {
public:
    MenuXPStyle();

    static constexpr int kIconSize = 16;

    int pixelMetric(PixelMetric metric, const QStyleOption* option = nullptr,
                    const QWidget* widget = nullptr) const override;
    QSize sizeFromContents(ContentsType type, const QStyleOption* option, const QSize& size,
                           const QWidget* widget) const override;
    void drawControl(ControlElement element, const QStyleOption* option, QPainter* painter,
                     const QWidget* widget = nullptr) const override;
    void drawPrimitive(PrimitiveElement element, const QStyleOption* option, QPainter* painter,
                       const QWidget* widget = nullptr) const override;
};

// The popup menu with icons of the measuring tools and the live view. The
// caller builds it, may change its colours, shows it at a point and gets the
// chosen command id back.
class CMenuXP : public QMenu {
    Q_OBJECT
public:
    explicit CMenuXP(QWidget* parent = nullptr);
    ~CMenuXP() override;

    // The command id travels in the action's data. An accelerator is shown
    // after a tab as "Ctrl+", "Shift+", "Alt+" and the key's name.
    QAction* AppendItem(const QString& text, int commandId, const QIcon& icon = QIcon(),
                        const QKeySequence& accelerator = QKeySequence());
    QAction* AppendSeparator();
    // A title row drawn white on the title gradient.
    QAction* AppendTitle(const QString& text);

    void SetBackgroundColour(const QColor& c) { background_ = c; }
    void SetHighlightColour(const QColor& c) { highlight_ = c; }
    void SetTitleGradient(const QColor& start, const QColor& end) {
        titleStart_ = start;
        titleEnd_ = end;
    }
    QColor backgroundColour() const { return background_; }
    QColor highlightColour() const { return highlight_; }
    QColor titleStart() const { return titleStart_; }
    QColor titleEnd() const { return titleEnd_; }

    // Shows the menu at a screen point and answers the chosen command id, or
    // 0 when the menu was closed without a choice.
    int Track(const QPoint& globalPos);

private:
    MenuXPStyle* style_; // owned
    QColor background_;
    QColor highlight_;
    QColor titleStart_{0, 0, 192};
    QColor titleEnd_{0, 0, 0};
};

} // namespace tvx

#include "ui/skin/menu_xp.h"

#include <QBitmap>
#include <QLinearGradient>
#include <QPainter>
#include <QStyleFactory>
#include <QStyleOptionMenuItem>
#include <qdrawutil.h>

namespace tvx {

namespace {

struct MenuColours {
    QColor background, highlight, highlightText, text, grey, buttonHighlight, shadow;
    QColor titleStart, titleEnd;
};

MenuColours ColoursFor(const QStyleOption* option, const QWidget* widget) {
    const QPalette& pal = option ? option->palette : widget->palette();
    MenuColours c;
    c.background = pal.color(QPalette::Window);
    c.highlight = pal.color(QPalette::Highlight);
    c.highlightText = pal.color(QPalette::HighlightedText);
    c.text = pal.color(QPalette::Active, QPalette::WindowText);
    c.grey = pal.color(QPalette::Disabled, QPalette::WindowText);
    c.buttonHighlight = pal.color(QPalette::Light);
    c.shadow = pal.color(QPalette::Dark);
    c.titleStart = QColor(0, 0, 192);
    c.titleEnd = QColor(0, 0, 0);
    if (const auto* menu = qobject_cast<const CMenuXP*>(widget)) {
        c.background = menu->backgroundColour();
        c.highlight = menu->highlightColour();
        c.titleStart = menu->titleStart();
        c.titleEnd = menu->titleEnd();
    }
    return c;
}

QFont TitleFont() {
    QFont f(QStringLiteral("Arial"));
    f.setPixelSize(16);
    f.setBold(true);
    return f;
}

// A section (a separator with a text) is a title row.
bool IsTitle(const QStyleOptionMenuItem* mi) {
    return mi->menuItemType == QStyleOptionMenuItem::Separator && !mi->text.isEmpty();
}

void DrawTick(QPainter* p, const QRect& column) {
    const int x = column.center().x() - 3, y = column.center().y() - 3;
    p->setPen(QPen(Qt::black, 1));
    for (int dy = 0; dy < 3; ++dy) {
        const QPoint pts[] = {{x, y + 3 + dy}, {x + 2, y + 5 + dy}, {x + 7, y + dy}};
        p->drawPolyline(pts, 3);
    }
}

} // namespace

MenuXPStyle::MenuXPStyle() : QProxyStyle(QStyleFactory::create(QStringLiteral("Fusion"))) {}

int MenuXPStyle::pixelMetric(PixelMetric metric, const QStyleOption* option,
                             const QWidget* widget) const {
    switch (metric) {
    case PM_MenuHMargin:
    case PM_MenuVMargin:
        return 0;
    case PM_MenuPanelWidth:
        return 1;
    case PM_SmallIconSize:
        return kIconSize;
    default:
        return QProxyStyle::pixelMetric(metric, option, widget);
    }
}

QSize MenuXPStyle::sizeFromContents(ContentsType type, const QStyleOption* option,
                                    const QSize& size, const QWidget* widget) const {
    const auto* mi = qstyleoption_cast<const QStyleOptionMenuItem*>(option);
    if (type != CT_MenuItem || !mi)
        return QProxyStyle::sizeFromContents(type, option, size, widget);
    if (IsTitle(mi)) {
        const QFontMetrics fm(TitleFont());
        return QSize(fm.horizontalAdvance(mi->text) + 8, std::max(20, fm.height() + 4));
    }
    // Any width: the menu stretches it. An empty size would hide it.
    if (mi->menuItemType == QStyleOptionMenuItem::Separator)
        return QSize(2, std::max(4, QProxyStyle::pixelMetric(PM_IndicatorHeight) / 2));
    // Measured bold, so a default item (drawn bold) fits as well as the rest.
    QFont bold = mi->font;
    bold.setBold(true);
    const QFontMetrics fm(bold);
    const QString left = mi->text.section(QLatin1Char('\t'), 0, 0);
    const int textWidth = fm.horizontalAdvance(QString(left).remove(QLatin1Char('&')));
    const int height = std::max(kIconSize + 4, fm.height());
    // The menu adds the accelerator column (tabWidth) itself.
    // A font taller than the icon widens the square column with it.
    return QSize(2 * kIconSize + textWidth + 12 + std::max(0, height - (kIconSize + 4)), height);
}

void MenuXPStyle::drawPrimitive(PrimitiveElement element, const QStyleOption* option,
                                QPainter* painter, const QWidget* widget) const {
    if (element == PE_PanelMenu) {
        painter->fillRect(option->rect, ColoursFor(option, widget).background);
        return;
    }
    if (element == PE_FrameMenu) {
        painter->save();
        painter->setPen(ColoursFor(option, widget).shadow);
        painter->drawRect(option->rect.adjusted(0, 0, -1, -1));
        painter->restore();
        return;
    }
    QProxyStyle::drawPrimitive(element, option, painter, widget);
}

void MenuXPStyle::drawControl(ControlElement element, const QStyleOption* option, QPainter* painter,
                              const QWidget* widget) const {
    if (element == CE_MenuEmptyArea) {
        painter->fillRect(option->rect, ColoursFor(option, widget).background);
        return;
    }
    const auto* mi = qstyleoption_cast<const QStyleOptionMenuItem*>(option);
    if (element != CE_MenuItem || !mi) {
        QProxyStyle::drawControl(element, option, painter, widget);
        return;
    }
    const MenuColours c = ColoursFor(option, widget);
    const QRect r = mi->rect;
    painter->save();
    painter->setRenderHint(QPainter::Antialiasing, false);

    if (IsTitle(mi)) {
        QLinearGradient g(r.topLeft(), r.bottomLeft());
        g.setColorAt(0, c.titleStart);
        g.setColorAt(1, c.titleEnd);
        painter->fillRect(r.adjusted(0, 0, 3, 0), g);
        painter->setFont(TitleFont());
        painter->setPen(Qt::white);
        painter->drawText(r.adjusted(4, 0, 0, 0), Qt::AlignLeft | Qt::AlignVCenter, mi->text);
        painter->restore();
        return;
    }
    if (mi->menuItemType == QStyleOptionMenuItem::Separator) {
        painter->fillRect(r, c.background);
        const int y = r.top() + r.height() / 2;
        painter->setPen(c.shadow);
        painter->drawLine(r.left() + 1, y - 1, r.right() - 1, y - 1);
        painter->setPen(c.buttonHighlight);
        painter->drawLine(r.left() + 1, y, r.right() - 1, y);
        painter->restore();
        return;
    }

    const bool selected = mi->state & State_Selected;
    const bool enabled = mi->state & State_Enabled;
    const bool checked = mi->checkType != QStyleOptionMenuItem::NotCheckable && mi->checked;
    painter->fillRect(r, selected ? c.highlight : c.background);

    // The icon column is reserved whether or not the item has an icon.
    const QRect column(r.left(), r.top(), r.height(), r.height());
    if (!mi->icon.isNull() || checked) {
        painter->fillRect(column, checked && !selected ? c.buttonHighlight : c.background);
        if (enabled && (selected || checked))
            qDrawShadePanel(painter, column, mi->palette, checked, 1);
    }
    const QRect iconRect = column.adjusted(2, 2, -2, -2);
    if (!mi->icon.isNull()) {
        const QPixmap pix = mi->icon.pixmap(iconRect.size());
        if (!enabled) {
            // Embossed: the icon's shape in light, one pixel down and right,
            // then in shadow in place.
            // Opaque icons give a full mask: their square is embossed.
            const QBitmap mask = QBitmap::fromImage(
                pix.toImage().convertToFormat(QImage::Format_ARGB32).createAlphaMask());
            painter->setBackgroundMode(Qt::TransparentMode);
            painter->setPen(c.buttonHighlight);
            painter->drawPixmap(iconRect.translated(1, 1), mask);
            painter->setPen(c.shadow);
            painter->drawPixmap(iconRect, mask);
        } else {
            painter->drawPixmap(iconRect, pix);
        }
    } else if (checked) {
        DrawTick(painter, column);
    }

    QFont font = mi->font;
    if (mi->menuItemType == QStyleOptionMenuItem::DefaultItem) font.setBold(true);
    painter->setFont(font);
    const QRect textRect(column.right() + 2, r.top(), r.right() - 16 - (column.right() + 2),
                         r.height());
    const QString left = mi->text.section(QLatin1Char('\t'), 0, 0);
    const QString right = mi->text.section(QLatin1Char('\t'), 1);
    const int flags = Qt::AlignVCenter | Qt::TextSingleLine | Qt::TextShowMnemonic;
    auto drawTexts = [&](const QRect& box, const QColor& colour) {
        painter->setPen(colour);
        painter->drawText(box, flags | Qt::AlignLeft, left);
        if (!right.isEmpty()) painter->drawText(box, flags | Qt::AlignRight, right);
    };
    if (!enabled && !selected) {
        drawTexts(textRect.translated(1, 1), c.highlightText);
        drawTexts(textRect, c.grey);
    } else {
        drawTexts(textRect, selected ? c.highlightText : c.text);
    }
    painter->restore();
}

CMenuXP::CMenuXP(QWidget* parent) : QMenu(parent), style_(new MenuXPStyle) {
    setStyle(style_);
    background_ = palette().color(QPalette::Window);
    highlight_ = palette().color(QPalette::Highlight);
}

CMenuXP::~CMenuXP() {
    // The style must outlive every use the menu makes of it.
    setStyle(nullptr);
    delete style_;
}

QAction* CMenuXP::AppendItem(const QString& text, int commandId, const QIcon& icon,
                             const QKeySequence& accelerator) {
    QString label = text;
    if (!accelerator.isEmpty())
        label += QLatin1Char('\t') + accelerator.toString(QKeySequence::PortableText);
    QAction* a = addAction(icon, label);
    a->setData(commandId);
    return a;
}

QAction* CMenuXP::AppendSeparator() {
    return addSeparator();
}

QAction* CMenuXP::AppendTitle(const QString& text) {
    return addSection(text);
}

int CMenuXP::Track(const QPoint& globalPos) {
    QAction* chosen = exec(globalPos);
    return chosen ? chosen->data().toInt() : 0;
}

} // namespace tvx

#include "ui/main/command_table.h"

#include "platform/language.h"
#include "ui/main/toolbar_row.h"
#include "ui/skin/bitmap_button.h"
#include "ui/skin/plain_text.h"

#include <QAction>
#include <QActionGroup>
#include <QKeySequence>
#include <QMenu>
#include <QMenuBar>
#include <QShortcut>

namespace tvx {

namespace {

// One item of a menu: a command (0 = separator), with its own default text
// where that menu labels the command differently.
struct MenuEntry {
    int id;
    const char* defaultText = nullptr;
};

constexpr MenuEntry kFileMenu[] = {
    {ids::kOpen},      {0}, {ids::kSaveAs}, {ids::kDelete}, {ids::kDeleteAll}, {0},
    {ids::kMenuEMail}, {0}, {ids::kQuit},
};
constexpr MenuEntry kSettingMenu[] = {
    {ids::kRes640},
    {ids::kRes720},
    {0},
    {ids::kDeviceSetting},
    {ids::kPenSettings},
    {0},
    {ids::kCrossLine},
    {ids::kScale},
    {ids::kCircle},
    {ids::kScaleBar},
    {ids::kFullScreen},
    {0},
    {ids::kFocusMeter},
    {ids::kSharpestStill},
    {ids::kStillTiff},
    {0},
    {ids::kStackDepthMap},
    {ids::kStackKeepFrames},
    {0},
};
constexpr MenuEntry kCaptureMenu[] = {{ids::kCamera}, {ids::kVideo}, {0},
                                      {ids::kClock},  {0},           {ids::kStack}};
constexpr MenuEntry kHelpMenu[] = {{ids::kManual}, {ids::kUpdate}, {ids::kAbout}};
// The popup file menu labels Save differently from the main menu.
constexpr MenuEntry kPopupMenu[] = {
    {ids::kOpen}, {ids::kSaveAs, "Save as"}, {ids::kDelete}, {ids::kDeleteAll},
    {0},          {ids::kMenuEMail},
};

const CommandRow* rowOf(int id) {
    for (const CommandRow& row : CommandRows())
        if (row.id == id) return &row;
    return nullptr;
}

template <size_t N>
void addEntries(QMenu* menu, const MenuEntry (&entries)[N], const QMap<int, QAction*>& actions) {
    for (const MenuEntry& e : entries) {
        QAction* a = actions.value(e.id);
        if (!a) {
            menu->addSeparator();
        } else if (!e.defaultText) {
            menu->addAction(a);
        } else {
            // Its own label, the same command.
            const CommandRow* row = rowOf(e.id);
            QAction* proxy = menu->addAction(Text(row->menuKey, e.defaultText));
            proxy->setData(e.id);
            QObject::connect(proxy, &QAction::triggered, a, &QAction::trigger);
        }
    }
}

} // namespace

const std::vector<CommandRow>& CommandRows() {
    static const std::vector<CommandRow> rows = [] {
        std::vector<CommandRow> all(std::begin(kCommands), std::end(kCommands));
        for (const ToolRow& tool : kToolRegistry) {
            const ToolButton& b = tool.button;
            if (b.command == 0) continue;
            all.push_back({b.command, b.up, b.down, 0, b.x, b.y, b.tipKey, b.tipDefault, nullptr,
                           nullptr, 0, false, false});
        }
        return all;
    }();
    return rows;
}

int CommandOf(const QAction* action) {
    return action ? action->data().toInt() : 0;
}

CommandActions::CommandActions(QWidget* window, ToolbarRow* toolbar)
    : QObject(window), toolbar_(toolbar) {
    setObjectName(QStringLiteral("commands"));
    for (const CommandRow& row : CommandRows()) {
        auto* a = new QAction(window);
        a->setData(row.id);
        a->setCheckable(row.checkable);
        actions_.insert(row.id, a);
        if (row.up != 0) {
            auto* b = new CBitmapButton(toolbar, row.id, row.up, row.down);
            if (row.disabled != 0) b->LoadBitmaps(row.up, row.down, row.disabled);
            if (!row.hidden) toolbar->addItem(b, QPoint(row.x, row.y));
            b->setFocusPolicy(Qt::NoFocus);
            // The button only asks; the action's owner decides what it shows.
            QObject::connect(b, &QAbstractButton::clicked, a, &QAction::trigger);
            if (row.checkable)
                QObject::connect(a, &QAction::toggled, b, &CBitmapButton::SetSelected);
            if (row.hidden) b->hide();
            buttons_.insert(row.id, b);
        }
        if (row.hotKey != 0) {
            // A shortcut of its own rather than the action's: the menus spell
            // the keys in their labels, and the key must work while the
            // command's button is disabled.
            auto* key = new QShortcut(QKeySequence(row.hotKey), window);
            key->setContext(Qt::WindowShortcut);
            QObject::connect(key, &QShortcut::activated, a, &QAction::trigger);
        }
    }
    // One language is chosen at a time, and the menu shows which.
    auto* languages = new QActionGroup(window);
    languages->setExclusive(true);
    for (const LanguageMenuItem& item : kLanguageMenu) {
        auto* a = new QAction(window);
        a->setData(item.command);
        a->setCheckable(true);
        a->setActionGroup(languages);
        actions_.insert(item.command, a);
    }
    toolbar->setMenuFiller(
        [this](QMenu& menu, const QList<QWidget*>& items) { offer(menu, items); });
    relabel(true);
}

void CommandActions::offer(QMenu& menu, const QList<QWidget*>& items) const {
    for (QWidget* item : items) {
        const auto* b = qobject_cast<const CBitmapButton*>(item);
        const CommandRow* row = b ? rowOf(b->controlId()) : nullptr;
        if (!row) continue; // the magnification boxes have no command to offer
        QAction* a = actions_.value(row->id);
        // An entry of its own that stands for the button: its state is the
        // button's, triggering it is the command's.
        QString label = row->tipKey ? Text(row->tipKey, row->tipDefault) : a->text();
        if (label.isEmpty()) label = Text("MeasureOtherMenu", "Guides and Measuring...");
        QAction* entry = menu.addAction(label);
        entry->setData(row->id);
        entry->setEnabled(b->isEnabled());
        entry->setCheckable(row->checkable || b->IsSelected());
        entry->setChecked(b->IsSelected());
        QObject::connect(entry, &QAction::triggered, a, &QAction::trigger);
    }
}

bool CommandActions::trigger(int id) const {
    QAction* a = actions_.value(id);
    if (!a) return false;
    a->trigger();
    return true;
}

void CommandActions::setSelected(int id, bool selected) {
    QAction* a = actions_.value(id);
    if (a && a->isCheckable()) a->setChecked(selected);
    if (CBitmapButton* b = buttons_.value(id)) b->SetSelected(selected);
}

bool CommandActions::isSelected(int id) const {
    const CBitmapButton* b = buttons_.value(id);
    return b && b->IsSelected();
}

void CommandActions::enableButtons(bool on) {
    for (CBitmapButton* b : std::as_const(buttons_))
        b->setEnabled(on);
}

void CommandActions::showButtons(bool on) {
    for (const CommandRow& row : CommandRows())
        if (CBitmapButton* b = buttons_.value(row.id)) b->setVisible(on && !row.hidden);
}

namespace {

// The key that does what a button does, after its tip: "Camera (F2)".
QString KeyHint(const CommandRow& row) {
    if (row.id == ids::kVideo) return QStringLiteral(" (F3 / F4)");
    if (row.hotKey == 0) return {};
    return QStringLiteral(" (%1)").arg(QKeySequence(row.hotKey).toString(QKeySequence::NativeText));
}

} // namespace

void CommandActions::relabel(bool toolTips) {
    for (const CommandRow& row : CommandRows()) {
        QAction* a = actions_.value(row.id);
        if (row.menuKey) a->setText(Text(row.menuKey, row.menuDefault));
        if (CBitmapButton* b = buttons_.value(row.id); b && row.tipKey)
            b->setToolTip(toolTips ? PlainToolTip(Text(row.tipKey, row.tipDefault) + KeyHint(row))
                                   : QString());
    }
    for (const LanguageMenuItem& item : kLanguageMenu)
        actions_.value(item.command)->setText(Text(item.key, item.defaultText));
    toolbar_->overflowButton()->setToolTip(
        toolTips ? PlainToolTip(Text("TipMoreButtons", "More buttons")) : QString());
}

int CommandActions::toolTipCount() const {
    int n = 0;
    for (const CBitmapButton* b : buttons_)
        n += b->toolTip().isEmpty() ? 0 : 1;
    return n;
}

void CommandActions::buildMenus(QMenuBar* bar, QMenu* popup) {
    bar->clear();
    addEntries(bar->addMenu(Text("File", "File")), kFileMenu, actions_);
    QMenu* setting = bar->addMenu(Text("Setting", "Setting"));
    addEntries(setting, kSettingMenu, actions_);
    QMenu* language = setting->addMenu(Text("Changelanguage", "Change language"));
    for (const LanguageMenuItem& item : kLanguageMenu) {
        language->addAction(actions_.value(item.command));
        if (item.primary == 0) language->addSeparator(); // after "Follow the system"
    }
    addEntries(bar->addMenu(Text("Capture", "Capture")), kCaptureMenu, actions_);
    addEntries(bar->addMenu(Text("Help", "Help")), kHelpMenu, actions_);
    popup->clear();
    addEntries(popup, kPopupMenu, actions_);
}

} // namespace tvx

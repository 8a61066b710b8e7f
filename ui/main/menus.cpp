#include "ui/main/menus.h"

#include "platform/language.h"
#include "ui/main/main_window_ids.h"

#include <functional>

namespace tvx {

namespace {

struct Item {
    int command; // 0 = separator
    const char* key;
    const char* defaultText;
};

constexpr Item kFileItems[] = {
    {ids::kOpen, "Open", "Open..."},
    {0, nullptr, nullptr},
    {ids::kSaveAs, "Save", "Save As"},
    {ids::kDelete, "Delete", "Delete..."},
    {ids::kDeleteAll, "DeleteAll", "Delete All"},
    {0, nullptr, nullptr},
    {ids::kMenuEMail, "EMail", "E-Mail..."},
};

constexpr Item kSettingItems[] = {
    {ids::kRes640, "640*480", "640*480    F11"},
    {ids::kRes720, "720*480", "720*480    F12"},
    {0, nullptr, nullptr},
    {ids::kDeviceSetting, "Device...", "Device Settings"},
    {ids::kPenSettings, "Setting", "Settings"},
    {0, nullptr, nullptr},
    {ids::kCrossLine, "Cross", "Cross Line"},
    {ids::kScale, "Scale", "Scale"},
    {ids::kCircle, "Circle", "Circle"},
    {0, nullptr, nullptr},
};

constexpr Item kCaptureItems[] = {
    {ids::kCamera, "Take Picture", "Take Picture...      F2"},
    {ids::kVideo, "Take Video", "Take Video/Stop...   F3/F4"},
    {0, nullptr, nullptr},
    {ids::kClock, "Take time lapsed Pictures", "Take time lapsed Pictures"},
};

constexpr Item kHelpItems[] = {
    {ids::kManual, "ViewZandorManual", "Help"},
    {ids::kUpdate, "ViewZandorUpdate", "Update"},
    {ids::kAbout, "ViewZandorAbout", "About"},
};

// The popup file menu labels Save differently from the main menu.
constexpr Item kPopupItems[] = {
    {ids::kOpen, "Open", "Open..."},
    {ids::kSaveAs, "Save", "Save as"},
    {ids::kDelete, "Delete", "Delete..."},
    {ids::kDeleteAll, "DeleteAll", "Delete All"},
    {0, nullptr, nullptr},
    {ids::kMenuEMail, "EMail", "E-Mail..."},
};

// Items are anything with a command (0 = separator), a key and a default text.
template <class T, size_t N>
void addItems(QMenu* menu, const T (&items)[N], const std::function<void(int)>& trigger) {
    for (const T& item : items) {
        if (item.command == 0) {
            menu->addSeparator();
            continue;
        }
        QAction* a = menu->addAction(Text(item.key, item.defaultText));
        a->setData(item.command);
        const int command = item.command;
        QObject::connect(a, &QAction::triggered, menu, [trigger, command] { trigger(command); });
    }
}

} // namespace

int CommandOf(const QAction* action) {
    return action ? action->data().toInt() : 0;
}

void BuildMainMenu(QMenuBar* bar, const std::function<void(int)>& trigger) {
    bar->clear();
    addItems(bar->addMenu(Text("File", "File")), kFileItems, trigger);

    QMenu* setting = bar->addMenu(Text("Setting", "Setting"));
    addItems(setting, kSettingItems, trigger);
    addItems(setting->addMenu(Text("Changelanguage", "Change language")), kLanguageMenu, trigger);

    addItems(bar->addMenu(Text("Capture", "Capture")), kCaptureItems, trigger);
    addItems(bar->addMenu(Text("Help", "Help")), kHelpItems, trigger);
}

void BuildFileMenu(QMenu* menu, const std::function<void(int)>& trigger) {
    menu->clear();
    addItems(menu, kPopupItems, trigger);
}

} // namespace tvx

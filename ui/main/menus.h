#pragma once

#include <QMenu>
#include <QMenuBar>

namespace tvx {

// Builds the main menu (with every item labelled from the current language
// file) into `bar`, replacing what it held. Each action carries its command
// number as data; `trigger` receives it.
void BuildMainMenu(QMenuBar* bar, const std::function<void(int)>& trigger);

// Builds the right-click file menu into `menu`, replacing what it held.
void BuildFileMenu(QMenu* menu, const std::function<void(int)>& trigger);

// The command number an action of these menus stands for; 0 for others.
int CommandOf(const QAction* action);

} // namespace tvx

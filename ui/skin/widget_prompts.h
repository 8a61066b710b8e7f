#pragma once

#include "platform/prompts.h"

namespace tvx {

// The font the desktop's font chooser opens on for `font`: its face, or the
// face it is drawn with when the desktop lacks it; its pixel size as points
// at 96 pixels an inch.
QFont FontForChooser(const QFont& font);

// The prompts a user sees: message boxes and the desktop's file, colour and
// font choosers, parented to the active window. The font chooser opens on
// the given font (FontForChooser); what the user leaves unchanged comes back
// as it was given, so OK without a change returns the same font.
class WidgetPrompts : public Prompts {
public:
    Answer Message(const QString& title, const QString& text, Icon icon, Buttons buttons) override;
    QString SaveFileName(const QString& title, const QString& proposedPath, const QString& filters,
                         QString* selectedFilter) override;
    QString OpenFileName(const QString& title, const QString& folder,
                         const QString& filters) override;
    QString ExistingFolder(const QString& title, const QString& folder) override;
    std::optional<uint32_t> ChooseColor(uint32_t initial) override;
    std::optional<QFont> ChooseFont(const QFont& initial, uint32_t* colour) override;
};

} // namespace tvx

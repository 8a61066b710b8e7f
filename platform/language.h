#pragma once

#include <QString>

namespace tvx {

// The section every text of a language file lives in.
inline constexpr const char* kTextSection = "Zandor";

// A user-visible text: the value of `key` in the current language file, cut
// to `capacity` characters less the terminator, or `defaultText` when the
// file, section or key is missing. Never fails.
QString Text(const char* key, const char* defaultText, int capacity = 256);

struct LanguageFiles {
    QString languageFile; // full path of the language file
    QString manualFile;   // full path of the manual
};

// The files for a (primary, sub-language) pair; any number outside the
// table gives English. Chinese with sub-language 1 is traditional, every
// other sub-language simplified.
LanguageFiles LanguageFilesFor(int primary, int sub, const QString& folder);

// Chooses the language for the process: sets the language-file and manual
// paths from the table, in the folder the language files ship in.
void ChooseLanguage(int primary, int sub);
// Clears both paths: every text falls back to its default.
void ClearLanguage();
QString LanguageFilePath();
QString ManualFilePath();

// The start-up choice: the stored pair when LanID is non-zero, else the
// system's primary language with sub-language 0.
void ChooseStartupLanguage(uint32_t lanId, uint32_t subLanId);

// Primary language number (the Windows numbering) of the user's locale,
// taken from LC_ALL, LC_MESSAGES or LANG in that order, else the process
// locale. 9 (English) when nothing says otherwise.
int SystemPrimaryLanguage();
// The number for an ISO 639-1 code ("de" → 7); 0 when unknown.
int PrimaryLanguageForIsoCode(const QString& code);

// The language menu: command id → the pair it chooses, with its item text.
// The first item, "Follow the system", chooses the pair (0, 0): stored as
// such it takes the system's language at every start. Every language the
// program ships a file for follows, in the order of their English names.
struct LanguageMenuItem {
    int command;
    const char* key;
    const char* defaultText;
    int primary;
    int sub;
};
inline constexpr int kLanguageMenuSize = 24;
extern const LanguageMenuItem kLanguageMenu[kLanguageMenuSize];

// The menu item that shows as chosen for a stored pair: "Follow the system"
// for LanID 0, else the item whose language file the pair chooses (Chinese
// with sub-language 0 is the simplified item; a language without a file of
// its own is English).
const LanguageMenuItem& LanguageMenuItemFor(uint32_t lanId, uint32_t subLanId);

} // namespace tvx

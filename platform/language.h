#pragma once

#include <QMutex>
#include <QString>
#include <QTranslator>

#include <cstdint>

namespace tvx {

// The section every text of a language file lives in.
inline constexpr const char* kTextSection = "Zandor";

// The translation context every text of ours is asked for in.
inline constexpr const char* kTextContext = "tavolux";

// A user-visible text: the value of `key` in the language installed on the
// application, cut to `capacity` characters less the terminator, or
// `defaultText` when no language is installed or its file, section or key
// is missing. Never fails; safe from any thread.
QString Text(const char* key, const char* defaultText, int capacity = 256);

struct LanguageFiles {
    QString languageFile; // full path of the language file
    QString manualFile;   // full path of the manual
};

// The files for a (primary, sub-language) pair; any number outside the
// table gives English. Chinese with sub-language 1 is traditional, every
// other sub-language simplified.
LanguageFiles LanguageFilesFor(int primary, int sub, const QString& folder);

// One language file, loaded and answering the program's texts once its
// owner installs it on the application (QCoreApplication::installTranslator;
// the translator leaves the application when it is destroyed). Until a
// language is chosen every text is its default.
class Language : public QTranslator {
public:
    explicit Language(QObject* parent = nullptr);

    // Loads the language file of a (primary, sub-language) pair from the
    // folder the language files ship in; a missing or unreadable file
    // leaves every text at its default but is still the language's file.
    void Choose(int primary, int sub);
    // The start-up choice: the stored pair when LanID is non-zero, else the
    // system's primary language with sub-language 0.
    void ChooseStartup(uint32_t lanId, uint32_t subLanId);

    QString filePath() const;
    QString manualPath() const;
    // The language is written right to left (Arabic, Hebrew).
    bool isRightToLeft() const;

    bool isEmpty() const override;
    // Answers the texts of kTextContext: the source text is the default, the
    // disambiguation the key (see Text()).
    QString translate(const char* context, const char* sourceText,
                      const char* disambiguation = nullptr, int n = -1) const override;

private:
    mutable QMutex mutex_; // the texts are read from any thread
    LanguageFiles files_;
    QString text_; // the decoded file
};

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

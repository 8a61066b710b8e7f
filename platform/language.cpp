#include "platform/language.h"

#include "platform/folders.h"
#include "platform/profile.h"

#include <QCoreApplication>
#include <QFileInfo>
#include <QLocale>

namespace tvx {

namespace {

struct LanguageRow {
    int primary;
    const char* file;
    const char* manual;
};

constexpr LanguageRow kRows[] = {
    {1, "Arabic1256.ini", "Tavolux-EN.html"},      {2, "Bulgarian442.ini", "Tavolux-EN.html"},
    {6, "Danish1252.ini", "Tavolux-EN.html"},      {7, "German1252.ini", "Tavolux-EN.html"},
    {10, "Spanish1252.ini", "Tavolux-EN.html"},    {11, "Finnish1252.ini", "Tavolux-EN.html"},
    {12, "French1252.ini", "Tavolux-EN.html"},     {13, "Hebrew1255.ini", "Tavolux-EN.html"},
    {16, "Italian1252.ini", "Tavolux-EN.html"},    {17, "Japanese932.ini", "Tavolux-EN.html"},
    {18, "Korean949.ini", "Tavolux-EN.html"},      {19, "Dutch1252.ini", "Tavolux-EN.html"},
    {20, "Norwegian1252.ini", "Tavolux-EN.html"},  {21, "Polish1250.ini", "Tavolux-EN.html"},
    {22, "Portuguese1252.ini", "Tavolux-EN.html"}, {25, "Russian1251.ini", "Tavolux-EN.html"},
    {29, "Swedish1252.ini", "Tavolux-EN.html"},    {30, "Thai874.ini", "Tavolux-EN.html"},
    {31, "Turkish1254.ini", "Tavolux-TUR.html"},   {42, "Vietnamese1258.ini", "Tavolux-EN.html"},
};

} // namespace

const LanguageMenuItem kLanguageMenu[kLanguageMenuSize] = {
    {33100, "FollowSystem", "Follow the system", 0, 0},
    {33101, "Arabic", "Arabic", 1, 0},
    {32830, "Bulgarian", "Bulgarian(Bulgarian)", 2, 0},
    {1174, "Simplified", "Chinese(Simplified)", 4, 2},
    {1179, "Traditional", "Chinese(Traditional)", 4, 1},
    {33102, "Danish", "Danish", 6, 0},
    {33103, "Dutch", "Dutch", 19, 0},
    {1173, "English", "English(English)", 9, 0},
    {33104, "Finnish", "Finnish", 11, 0},
    {33105, "French", "French", 12, 0},
    {1178, "German", "German(German)", 7, 0},
    {33106, "Hebrew", "Hebrew", 13, 0},
    {33107, "Italian", "Italian", 16, 0},
    {1176, "Japanese", "Japanese(Japanese)", 17, 0},
    {1177, "Korean", "Korean(Korean)", 18, 0},
    {33108, "Norwegian", "Norwegian", 20, 0},
    {33109, "Polish", "Polish", 21, 0},
    {33110, "Portuguese", "Portuguese", 22, 0},
    {32829, "Russian", "Russian(Russian)", 25, 0},
    {33111, "Spanish", "Spanish", 10, 0},
    {33112, "Swedish", "Swedish", 29, 0},
    {33113, "Thai", "Thai", 30, 0},
    {1175, "Turkish", "Turkish(Turkish)", 31, 0},
    {33114, "Vietnamese", "Vietnamese", 42, 0},
};

const LanguageMenuItem& LanguageMenuItemFor(uint32_t lanId, uint32_t subLanId) {
    if (lanId == 0) return kLanguageMenu[0];
    const QString file =
        LanguageFilesFor(int(lanId & 0x3FF), int(subLanId), QString()).languageFile;
    for (const LanguageMenuItem& item : kLanguageMenu)
        if (item.primary != 0 &&
            LanguageFilesFor(item.primary, item.sub, QString()).languageFile == file)
            return item;
    return kLanguageMenu[0]; // not reached: English has an item
}

LanguageFiles LanguageFilesFor(int primary, int sub, const QString& folder) {
    const QString prefix = folder + QLatin1Char('/');
    if (primary == 4) {
        const char* file = sub == 1 ? "Chinese950.ini" : "Chinese936.ini";
        return {prefix + QLatin1String(file), prefix + QStringLiteral("Tavolux-CH.html")};
    }
    for (const LanguageRow& row : kRows) {
        if (row.primary == primary)
            return {prefix + QLatin1String(row.file), prefix + QLatin1String(row.manual)};
    }
    return {prefix + QStringLiteral("English1252.ini"), prefix + QStringLiteral("Tavolux-EN.html")};
}

Language::Language(QObject* parent) : QTranslator(parent) {}

void Language::Choose(int primary, int sub) {
    LanguageFiles files = LanguageFilesFor(primary, sub, ShippedFileFolder());
    QString text; // stays empty for a missing or unreadable file
    ReadProfileText(files.languageFile, &text);
    QMutexLocker lock(&mutex_);
    files_ = std::move(files);
    text_ = std::move(text);
}

void Language::ChooseStartup(uint32_t lanId, uint32_t subLanId) {
    if (lanId != 0)
        Choose(static_cast<int>(lanId), static_cast<int>(subLanId));
    else
        Choose(SystemPrimaryLanguage() & 0x3FF, 0);
}

QString Language::filePath() const {
    QMutexLocker lock(&mutex_);
    return files_.languageFile;
}

QString Language::manualPath() const {
    QMutexLocker lock(&mutex_);
    return files_.manualFile;
}

bool Language::isRightToLeft() const {
    const QString name = QFileInfo(filePath()).fileName();
    return name.startsWith(QLatin1String("Arabic")) || name.startsWith(QLatin1String("Hebrew"));
}

bool Language::isEmpty() const {
    QMutexLocker lock(&mutex_);
    return text_.isEmpty();
}

QString Language::translate(const char* context, const char* /*sourceText*/,
                            const char* disambiguation, int) const {
    if (!disambiguation || qstrcmp(context, kTextContext) != 0) return QString();
    QString text;
    {
        QMutexLocker lock(&mutex_);
        text = text_;
    }
    const std::optional<QString> value =
        FindProfileValue(text, QLatin1String(kTextSection), QString::fromUtf8(disambiguation));
    if (!value) return QString();
    // A null answer means "not mine" and lets the default through; a key
    // the file leaves empty is meant to show nothing.
    return value->isNull() ? QString(QLatin1String("")) : *value;
}

QString Text(const char* key, const char* defaultText, int capacity) {
    // The default is the source text, so that a key no installed language
    // knows comes back as its default; the key tells apart texts that share
    // a default.
    const QString text = QCoreApplication::translate(kTextContext, defaultText, key);
    if (capacity <= 0) return QString();
    return text.left(capacity - 1);
}

int PrimaryLanguageForIsoCode(const QString& code) {
    static const struct {
        const char* iso;
        int primary;
    } kIso[] = {{"ar", 1},  {"bg", 2},  {"ca", 3},  {"zh", 4},  {"cs", 5},  {"da", 6},  {"de", 7},
                {"el", 8},  {"en", 9},  {"es", 10}, {"fi", 11}, {"fr", 12}, {"he", 13}, {"iw", 13},
                {"hu", 14}, {"is", 15}, {"it", 16}, {"ja", 17}, {"ko", 18}, {"nl", 19}, {"nb", 20},
                {"nn", 20}, {"no", 20}, {"pl", 21}, {"pt", 22}, {"rm", 23}, {"ro", 24}, {"ru", 25},
                {"hr", 26}, {"sr", 26}, {"sk", 27}, {"sq", 28}, {"sv", 29}, {"th", 30}, {"tr", 31},
                {"ur", 32}, {"id", 33}, {"uk", 34}, {"be", 35}, {"sl", 36}, {"et", 37}, {"lv", 38},
                {"lt", 39}, {"fa", 41}, {"vi", 42}, {"hy", 43}, {"az", 44}, {"eu", 45}, {"mk", 47},
                {"af", 54}, {"ka", 55}, {"hi", 57}, {"ms", 62}, {"kk", 63}};
    const QString lower = code.toLower();
    for (const auto& e : kIso) {
        if (lower == QLatin1String(e.iso)) return e.primary;
    }
    return 0;
}

int SystemPrimaryLanguage() {
    for (const char* var : {"LC_ALL", "LC_MESSAGES", "LANG"}) {
        const QString value = qEnvironmentVariable(var);
        if (value.isEmpty()) continue;
        // "C" and "POSIX" say nothing about a language: English.
        if (value == QLatin1String("C") || value == QLatin1String("POSIX") ||
            value.startsWith(QLatin1String("C.")))
            return 9;
        const QString iso = value.section(QLatin1Char('_'), 0, 0)
                                .section(QLatin1Char('.'), 0, 0)
                                .section(QLatin1Char('@'), 0, 0);
        const int primary = PrimaryLanguageForIsoCode(iso);
        return primary != 0 ? primary : 9;
    }
    const int primary =
        PrimaryLanguageForIsoCode(QLocale::system().name().section(QLatin1Char('_'), 0, 0));
    return primary != 0 ? primary : 9;
}

} // namespace tvx

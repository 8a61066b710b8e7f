#include "platform/profile.h"

#include "platform/regular_file.h"

#include <QFileInfo>
#include <QHash>
#include <QMutex>
#include <QRegularExpression>
#include <QStringDecoder>

namespace tvx {

QByteArray CodecForFileName(const QString& fileName) {
    static const QRegularExpression digits(QStringLiteral("(\\d+)$"));
    const QString base = QFileInfo(fileName).completeBaseName();
    const QRegularExpressionMatch m = digits.match(base);
    const int page = m.hasMatch() ? m.captured(1).toInt() : 1252;
    switch (page) {
    case 932:
        return "Shift_JIS";
    case 936:
        return "GBK";
    case 949:
        return "windows-949";
    case 950:
        return "Big5";
    case 874:
        return "windows-874";
    case 442: // no code page: the Bulgarian file is UTF-16 with a byte-order mark; without
              // one, its text can only be Cyrillic
        return "windows-1251";
    case 1250:
    case 1251:
    case 1252:
    case 1253:
    case 1254:
    case 1255:
    case 1256:
    case 1257:
    case 1258:
        return "windows-" + QByteArray::number(page);
    default:
        return "windows-1252";
    }
}

QString DecodeProfileText(const QByteArray& bytes, const QString& fileName) {
    if (bytes.startsWith("\xEF\xBB\xBF"))
        return QString::fromUtf8(bytes.constData() + 3, bytes.size() - 3);
    if (bytes.startsWith("\xFF\xFE") || bytes.startsWith("\xFE\xFF")) {
        QStringDecoder dec(QStringDecoder::Utf16);
        return dec(bytes);
    }
    const QByteArray codec = CodecForFileName(fileName);
    QStringDecoder dec(codec.constData());
    if (!dec.isValid()) return QString::fromLatin1(bytes);
    QString text = dec(bytes);
    // Windows-1258 keeps Vietnamese tone marks as combining characters after
    // the letter; composed letters measure, cut and draw as one character.
    if (codec == "windows-1258") text = text.normalized(QString::NormalizationForm_C);
    return text;
}

namespace {

QString fitted(const QString& value, int capacity) {
    if (capacity <= 0) return QString();
    return value.left(capacity - 1);
}

struct CachedFile {
    QDateTime modified;
    qint64 size = -1;
    QString text;
};

QMutex g_cacheMutex;
QHash<QString, CachedFile> g_cache; // guarded by g_cacheMutex

} // namespace

bool ReadProfileText(const QString& file, QString* text) {
    const QFileInfo info(file);
    if (!info.isFile() || info.size() > kMaxProfileFileSize) return false;
    QMutexLocker lock(&g_cacheMutex);
    auto it = g_cache.find(file);
    if (it != g_cache.end() && it->modified == info.lastModified() && it->size == info.size()) {
        *text = it->text;
        return true;
    }
    QByteArray bytes;
    if (!ReadRegularFile(file, kMaxProfileFileSize, &bytes)) return false;
    CachedFile entry{info.lastModified(), info.size(), DecodeProfileText(bytes, file)};
    *text = entry.text;
    g_cache.insert(file, std::move(entry));
    return true;
}

std::optional<QString> FindProfileValue(const QString& text, const QString& section,
                                        const QString& key) {
    bool inSection = false;
    const QStringView all(text);
    qsizetype pos = 0;
    while (pos <= all.size()) {
        qsizetype end = all.indexOf(QLatin1Char('\n'), pos);
        if (end < 0) end = all.size();
        const QStringView line = all.mid(pos, end - pos).trimmed();
        pos = end + 1;
        if (line.isEmpty() || line.startsWith(QLatin1Char(';'))) continue;
        if (line.startsWith(QLatin1Char('['))) {
            const qsizetype close = line.indexOf(QLatin1Char(']'));
            const QStringView name = line.mid(1, close < 0 ? -1 : close - 1).trimmed();
            // Only the first section of a name counts.
            if (inSection) break;
            inSection = name.compare(section, Qt::CaseInsensitive) == 0;
            continue;
        }
        if (!inSection) continue;
        const qsizetype eq = line.indexOf(QLatin1Char('='));
        if (eq < 0) continue;
        if (line.left(eq).trimmed().compare(key, Qt::CaseInsensitive) != 0) continue;
        QStringView value = line.mid(eq + 1).trimmed();
        // A value wrapped in matching quotes loses them, as the Windows reader does.
        if (value.size() >= 2 &&
            ((value.front() == QLatin1Char('"') && value.back() == QLatin1Char('"')) ||
             (value.front() == QLatin1Char('\'') && value.back() == QLatin1Char('\''))))
            value = value.mid(1, value.size() - 2);
        return value.toString();
    }
    return std::nullopt;
}

QString ProfileValue(const QString& text, const QString& section, const QString& key,
                     const QString& defaultValue, int capacity) {
    const std::optional<QString> value = FindProfileValue(text, section, key);
    return fitted(value ? *value : defaultValue, capacity);
}

QString GetProfileString(const QString& file, const QString& section, const QString& key,
                         const QString& defaultValue, int capacity) {
    QString text;
    if (file.isEmpty() || !ReadProfileText(file, &text)) return fitted(defaultValue, capacity);
    return ProfileValue(text, section, key, defaultValue, capacity);
}

} // namespace tvx

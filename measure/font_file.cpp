#include "measure/font_file.h"

#include "platform/folders.h"
#include "platform/regular_file.h"

#include <QFont>
#include <QSaveFile>
#include <QStringList>

namespace tvx {

namespace {

// A font file holds one section of one short line; anything far larger is
// not one of ours.
constexpr qint64 kMaxFontFileSize = 64 * 1024;

const QString kSection = QStringLiteral("FONT");
const QString kKey = QStringLiteral("LOGFONT");

int HexDigit(QChar c) {
    const ushort u = c.unicode();
    if (u >= '0' && u <= '9') return u - '0';
    if (u >= 'A' && u <= 'F') return u - 'A' + 10;
    if (u >= 'a' && u <= 'f') return u - 'a' + 10;
    return -1;
}

bool IsSectionLine(const QString& trimmed) {
    return trimmed.startsWith(QLatin1Char('['));
}

bool IsSection(const QString& trimmed, const QString& name) {
    const int close = trimmed.indexOf(QLatin1Char(']'));
    if (!IsSectionLine(trimmed) || close < 0) return false;
    return trimmed.mid(1, close - 1).trimmed().compare(name, Qt::CaseInsensitive) == 0;
}

// The key of a "key=value" line, or an empty text when it has none.
QString KeyOf(const QString& line) {
    const int eq = line.indexOf(QLatin1Char('='));
    return eq < 0 ? QString() : line.left(eq).trimmed();
}

QStringList SplitLines(const QByteArray& bytes) {
    QString text = QString::fromLatin1(bytes);
    if (text.endsWith(QLatin1Char('\n'))) text.chop(1);
    if (text.endsWith(QLatin1Char('\r'))) text.chop(1);
    QStringList lines = text.isEmpty() ? QStringList() : text.split(QLatin1Char('\n'));
    for (QString& l : lines)
        if (l.endsWith(QLatin1Char('\r'))) l.chop(1);
    return lines;
}

} // namespace

QString EncodeProfileStruct(const QByteArray& bytes) {
    QString out;
    out.reserve(bytes.size() * 2 + 2);
    unsigned sum = 0;
    auto put = [&out](unsigned b) {
        static const char kDigits[] = "0123456789ABCDEF";
        out.append(QLatin1Char(kDigits[(b >> 4) & 0xF]));
        out.append(QLatin1Char(kDigits[b & 0xF]));
    };
    for (char c : bytes) {
        const unsigned b = static_cast<unsigned char>(c);
        sum += b;
        put(b);
    }
    put(sum & 0xFF);
    return out;
}

std::optional<QByteArray> DecodeProfileStruct(const QString& value, int size) {
    if (size < 0 || value.size() != 2 * size + 2) return std::nullopt;
    QByteArray out(size, '\0');
    unsigned sum = 0;
    for (int i = 0; i <= size; ++i) {
        const int hi = HexDigit(value.at(2 * i)), lo = HexDigit(value.at(2 * i + 1));
        if (hi < 0 || lo < 0) return std::nullopt;
        const unsigned b = unsigned(hi * 16 + lo);
        if (i == size) {
            if (b != (sum & 0xFF)) return std::nullopt;
            break;
        }
        sum += b;
        out[i] = static_cast<char>(b);
    }
    return out;
}

std::optional<FontRecord> ParseFontFile(const QByteArray& fileBytes) {
    bool inSection = false;
    for (const QString& line : SplitLines(fileBytes)) {
        const QString trimmed = line.trimmed();
        if (IsSectionLine(trimmed)) {
            // The first matching section only, as the profile functions read.
            if (inSection) return std::nullopt;
            inSection = IsSection(trimmed, kSection);
            continue;
        }
        if (!inSection || KeyOf(line).compare(kKey, Qt::CaseInsensitive) != 0) continue;
        const QString value = line.mid(line.indexOf(QLatin1Char('=')) + 1).trimmed();
        const auto bytes = DecodeProfileStruct(value, FontRecord::kSize);
        if (!bytes) return std::nullopt;
        return FontRecord::FromBytes(*bytes);
    }
    return std::nullopt;
}

QByteArray StoreFontInFile(const QByteArray& existing, const FontRecord& record) {
    const QString entry = kKey + QLatin1Char('=') + EncodeProfileStruct(record.ToBytes());
    QStringList lines = SplitLines(existing);
    int section = -1;
    for (int i = 0; i < lines.size(); ++i) {
        if (IsSection(lines[i].trimmed(), kSection)) {
            section = i;
            break;
        }
    }
    if (section < 0) {
        lines << QLatin1Char('[') + kSection + QLatin1Char(']') << entry;
    } else {
        int end = section + 1;
        bool replaced = false;
        for (; end < lines.size() && !IsSectionLine(lines[end].trimmed()); ++end) {
            if (KeyOf(lines[end]).compare(kKey, Qt::CaseInsensitive) == 0) {
                lines[end] = entry;
                replaced = true;
                break;
            }
        }
        if (!replaced) {
            // After the section's last entry, before any blank lines that
            // separate it from the next one.
            int at = end;
            while (at > section + 1 && lines[at - 1].trimmed().isEmpty())
                --at;
            lines.insert(at, entry);
        }
    }
    QByteArray out;
    for (const QString& l : lines)
        out += l.toLatin1() + "\r\n";
    return out;
}

std::optional<FontRecord> ReadFontFile(const QString& path) {
    QByteArray bytes;
    if (!ReadRegularFile(path, kMaxFontFileSize + 1, &bytes)) return std::nullopt;
    if (bytes.size() > kMaxFontFileSize) return std::nullopt;
    return ParseFontFile(bytes);
}

bool WriteFontFile(const QString& path, const FontRecord& record) {
    QByteArray existing;
    // Something that is not a regular file in its place is replaced whole.
    if (IsRegularFile(path)) {
        ReadRegularFile(path, kMaxFontFileSize + 1, &existing);
        if (existing.size() > kMaxFontFileSize) existing.clear();
    }
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly)) return false;
    file.write(StoreFontInFile(existing, record));
    return file.commit();
}

QString MeasureFontPath() {
    return ProgramFolder() + QStringLiteral("/Measurefont.ini");
}

QString TextFontPath() {
    return ProgramFolder() + QStringLiteral("/logfont.ini");
}

void InstallFontSubstitutes() {
    // fontconfig already maps Arial, Times New Roman and Courier New to the
    // metric-compatible Liberation faces; these have no such alias.
    QFont::insertSubstitutions(
        QStringLiteral("Lucida Console"),
        {QStringLiteral("Liberation Mono"), QStringLiteral("DejaVu Sans Mono")});
    QFont::insertSubstitutions(QStringLiteral("Arial"),
                               {QStringLiteral("Liberation Sans"), QStringLiteral("DejaVu Sans")});
}

} // namespace tvx

#include "measure/font_file.h"

#include "platform/profile.h"

#include <QFile>
#include <QSaveFile>

namespace tvx {

namespace {

constexpr int kValueBytes = FontRecord::kSize + 1; // the record and its checksum

int HexDigit(QChar c) {
    const char16_t u = c.unicode();
    if (u >= '0' && u <= '9') return u - '0';
    if (u >= 'A' && u <= 'F') return u - 'A' + 10;
    if (u >= 'a' && u <= 'f') return u - 'a' + 10;
    return -1;
}

} // namespace

QByteArray EncodeFontValue(const FontRecord& record) {
    QByteArray bytes = record.ToBytes();
    uint8_t sum = 0;
    for (char b : bytes)
        sum = uint8_t(sum + uint8_t(b));
    bytes.append(char(sum));
    return bytes.toHex().toUpper();
}

std::optional<FontRecord> DecodeFontValue(const QString& value) {
    if (value.size() != 2 * kValueBytes) return std::nullopt;
    QByteArray bytes(kValueBytes, '\0');
    for (int i = 0; i < kValueBytes; ++i) {
        const int hi = HexDigit(value[2 * i]), lo = HexDigit(value[2 * i + 1]);
        if (hi < 0 || lo < 0) return std::nullopt;
        bytes[i] = char(hi * 16 + lo);
    }
    uint8_t sum = 0;
    for (int i = 0; i < FontRecord::kSize; ++i)
        sum = uint8_t(sum + uint8_t(bytes[i]));
    if (sum != uint8_t(bytes[FontRecord::kSize])) return std::nullopt;
    return FontRecord::FromBytes(bytes.left(FontRecord::kSize));
}

std::optional<FontRecord> ReadFontFile(const QString& path) {
    // One digit more than a good value: a longer one is told apart from it.
    const QString value = GetProfileString(path, QStringLiteral("FONT"), QStringLiteral("LOGFONT"),
                                           QString(), 2 * kValueBytes + 2);
    if (value.isEmpty()) return std::nullopt;
    return DecodeFontValue(value);
}

bool WriteFontFile(const QString& path, const FontRecord& record, QString* reason) {
    QSaveFile f(path);
    bool ok = f.open(QIODevice::WriteOnly);
    if (ok) {
        f.write("[FONT]\r\nLOGFONT=");
        f.write(EncodeFontValue(record));
        f.write("\r\n");
        ok = f.commit();
    }
    if (!ok && reason) *reason = f.errorString();
    return ok;
}

FontRecord ReadMeasureFont(const QString& programFolder) {
    return ReadFontFile(programFolder + QLatin1Char('/') + QLatin1String(kMeasureFontFile))
        .value_or(DefaultFontRecord());
}

} // namespace tvx

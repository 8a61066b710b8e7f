#pragma once

#include <QByteArray>
#include <QString>

#include <optional>

namespace tvx {

// Reads INI-style profile files with the rules programs written for the
// Windows profile functions expect: section and key names match without
// regard to case, the first match wins, values are trimmed, and a missing
// file, section or key yields the default. Values are cut to `capacity`
// characters less the terminator (a capacity of 0 gives an empty text).
QString GetProfileString(const QString& file, const QString& section, const QString& key,
                         const QString& defaultValue, int capacity);

// Decodes the text of a profile file: a UTF-8 or UTF-16 byte-order mark wins,
// otherwise the code page named by the digits that end the file's base name
// ("Russian1251.ini" → windows-1251, "Chinese936.ini" → GBK). Unknown pages
// fall back to windows-1252. Undecodable bytes become U+FFFD.
QString DecodeProfileText(const QByteArray& bytes, const QString& fileName);

// The codec name used for a file name, for tests and diagnostics.
QByteArray CodecForFileName(const QString& fileName);

// Reads and decodes a profile file; false when it is missing, unreadable or
// larger than kMaxProfileFileSize.
bool ReadProfileText(const QString& file, QString* text);

// Looks a key up in already decoded profile text: the whole value, empty
// but present for a key with nothing after its '=', none when missing.
std::optional<QString> FindProfileValue(const QString& text, const QString& section,
                                        const QString& key);
// The same, cut to `capacity`, or `defaultValue` when the key is missing.
QString ProfileValue(const QString& text, const QString& section, const QString& key,
                     const QString& defaultValue, int capacity);

// Profile files larger than this are treated as missing: no language or
// settings file of ours comes close, and it keeps a stray huge file from
// stalling the interface.
constexpr qint64 kMaxProfileFileSize = 4 * 1024 * 1024;

} // namespace tvx

#pragma once

#include "measure/font_record.h"

#include <QByteArray>
#include <QString>
#include <optional>

namespace tvx {

// The label font lives in "Measurefont.ini", the text-note font in
// "logfont.ini", both in the program folder: section [FONT], key LOGFONT,
// whose value is the 92-byte record as upper-case hexadecimal pairs followed
// by one more pair, the byte sum modulo 256. Files written by earlier
// releases read back unchanged.
inline constexpr char kMeasureFontFile[] = "Measurefont.ini";
inline constexpr char kTextFontFile[] = "logfont.ini";

// The profile value for a record: 2 × 93 hexadecimal digits.
QByteArray EncodeFontValue(const FontRecord& record);
// Nothing unless the value holds exactly 93 hexadecimal pairs (either case)
// whose last pair is the sum of the first 92.
std::optional<FontRecord> DecodeFontValue(const QString& value);

// Nothing when the file, its section or key is missing, or the value is
// damaged; the caller then uses DefaultFontRecord().
std::optional<FontRecord> ReadFontFile(const QString& path);
// Writes the file anew with the one section and key; false with the reason
// when it cannot be written.
bool WriteFontFile(const QString& path, const FontRecord& record, QString* reason = nullptr);

// The label font of the live view and new measurements: the record in the
// program folder's "Measurefont.ini", or the default one.
FontRecord ReadMeasureFont(const QString& programFolder);

} // namespace tvx

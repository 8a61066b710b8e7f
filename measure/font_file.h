#pragma once

#include "measure/font_record.h"

#include <QByteArray>
#include <QString>
#include <optional>

namespace tvx {

// Measurefont.ini (the measurement label font) and logfont.ini (the text note
// font) hold one font record each, in section "FONT" under key "LOGFONT", as
// the profile-structure form earlier releases wrote: every byte as two
// upper-case hexadecimal digits, then two more digits for the byte sum modulo
// 256. Files written by either program read back unchanged in both.

// The value text for a structure: hex digits of every byte plus the checksum.
QString EncodeProfileStruct(const QByteArray& bytes);
// The structure of exactly `size` bytes held by a value; nothing when the
// length differs, a digit is not hexadecimal or the checksum does not match.
std::optional<QByteArray> DecodeProfileStruct(const QString& value, int size);

// The font record in a font file's bytes; nothing when the section, the key or
// a valid record is missing.
std::optional<FontRecord> ParseFontFile(const QByteArray& fileBytes);
// The file's bytes after storing `record`: the LOGFONT entry of section FONT
// is replaced, or added (with the section when there is none); every other
// line stays as it was.
QByteArray StoreFontInFile(const QByteArray& existing, const FontRecord& record);

// Reads the record of a font file; nothing when the file is missing, not a
// regular file, larger than any font file, or holds no valid record.
std::optional<FontRecord> ReadFontFile(const QString& path);
// Writes the record into the file, keeping its other entries. Answers whether
// the file was written (callers that follow the old program do not check).
bool WriteFontFile(const QString& path, const FontRecord& record);

// The two files in the program folder.
QString MeasureFontPath();
QString TextFontPath();
inline std::optional<FontRecord> ReadMeasureFont() {
    return ReadFontFile(MeasureFontPath());
}
inline std::optional<FontRecord> ReadTextFont() {
    return ReadFontFile(TextFontPath());
}
inline void WriteMeasureFont(const FontRecord& r) {
    WriteFontFile(MeasureFontPath(), r);
}
inline void WriteTextFont(const FontRecord& r) {
    WriteFontFile(TextFontPath(), r);
}

// Font files name faces of another desktop ("Arial", "Lucida Console"). The
// record keeps the name as written; drawing finds an installed face with the
// same metrics (Liberation) or a close one. Safe to call more than once.
void InstallFontSubstitutes();

} // namespace tvx

#pragma once

#include <QByteArray>
#include <QFont>
#include <QString>
#include <array>
#include <cstdint>
#include <optional>

namespace tvx {

// A font as the label and text-note font files keep it: the 92-byte LOGFONTW
// record of earlier releases, field for field, so files written by either
// read back unchanged.
struct FontRecord {
    static constexpr int kSize = 92;
    static constexpr int kFaceNameUnits = 32;

    int32_t lfHeight = 0; // < 0: character height, > 0: cell height, in pixels
    int32_t lfWidth = 0;
    int32_t lfEscapement = 0;  // tenths of a degree
    int32_t lfOrientation = 0; // tenths of a degree
    int32_t lfWeight = 0;      // 400 normal, 700 bold; 0 = don't care
    uint8_t lfItalic = 0;
    uint8_t lfUnderline = 0;
    uint8_t lfStrikeOut = 0;
    uint8_t lfCharSet = 0;
    uint8_t lfOutPrecision = 0;
    uint8_t lfClipPrecision = 0;
    uint8_t lfQuality = 0;
    uint8_t lfPitchAndFamily = 0;
    std::array<char16_t, kFaceNameUnits> lfFaceName{}; // zero-terminated

    // Units up to the first zero (all 32 when none is there).
    QString faceName() const;
    // Cut to 31 units so the terminator always fits; the rest is zero-filled.
    void setFaceName(const QString& name);

    // Little-endian, in field order, exactly kSize bytes.
    QByteArray ToBytes() const;
    // Nothing unless `bytes` is exactly kSize long.
    static std::optional<FontRecord> FromBytes(const QByteArray& bytes);

    bool operator==(const FontRecord& o) const;
    bool operator!=(const FontRecord& o) const { return !(*this == o); }
};

// The font used when no font file can be read: Arial, height 14, weight 400,
// character set 134, output precision 3, clip precision 2, quality 1, pitch
// and family 50.
FontRecord DefaultFontRecord();

// Drawing font for a record. Heights are pixels (the canvas is drawn 1:1);
// fields Qt has no use for (escapement, character set, precisions) are dropped.
QFont ToQFont(const FontRecord& record);

// The record for a chosen font. Fields a QFont does not carry are taken from
// `base`, so a round trip through a font chooser keeps them.
FontRecord FontRecordFromQFont(const QFont& font, const FontRecord& base = DefaultFontRecord());

} // namespace tvx

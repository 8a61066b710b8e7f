#include "measure/font_record.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <cstring>

namespace tvx {

namespace {

void PutInt32(QByteArray& out, int32_t v) {
    const auto u = static_cast<uint32_t>(v);
    for (int i = 0; i < 4; ++i)
        out.append(static_cast<char>((u >> (8 * i)) & 0xFF));
}

int32_t GetInt32(const uint8_t* p) {
    const uint32_t u =
        uint32_t(p[0]) | (uint32_t(p[1]) << 8) | (uint32_t(p[2]) << 16) | (uint32_t(p[3]) << 24);
    int32_t v;
    std::memcpy(&v, &u, sizeof v); // two's complement without signed-shift traps
    return v;
}

// The family bits of a pitch-and-family byte.
enum : uint8_t {
    kFamilyRoman = 0x10,
    kFamilySwiss = 0x20,
    kFamilyModern = 0x30,
    kFamilyScript = 0x40,
    kFamilyDecorative = 0x50,
};
constexpr uint8_t kFixedPitch = 1;
constexpr uint8_t kNonAntialiasedQuality = 3;
constexpr int kDefaultPixelSize = 12;

} // namespace

QString FontRecord::faceName() const {
    int n = 0;
    while (n < kFaceNameUnits && lfFaceName[n] != 0)
        ++n;
    return QString(reinterpret_cast<const QChar*>(lfFaceName.data()), n);
}

void FontRecord::setFaceName(const QString& name) {
    lfFaceName.fill(0);
    const int n = std::min<int>(name.size(), kFaceNameUnits - 1);
    for (int i = 0; i < n; ++i)
        lfFaceName[i] = name.at(i).unicode();
}

QByteArray FontRecord::ToBytes() const {
    QByteArray out;
    out.reserve(kSize);
    PutInt32(out, lfHeight);
    PutInt32(out, lfWidth);
    PutInt32(out, lfEscapement);
    PutInt32(out, lfOrientation);
    PutInt32(out, lfWeight);
    for (uint8_t b : {lfItalic, lfUnderline, lfStrikeOut, lfCharSet, lfOutPrecision,
                      lfClipPrecision, lfQuality, lfPitchAndFamily})
        out.append(static_cast<char>(b));
    for (char16_t u : lfFaceName) {
        out.append(static_cast<char>(u & 0xFF));
        out.append(static_cast<char>(u >> 8));
    }
    return out;
}

std::optional<FontRecord> FontRecord::FromBytes(const QByteArray& bytes) {
    if (bytes.size() != kSize) return std::nullopt;
    const auto* p = reinterpret_cast<const uint8_t*>(bytes.constData());
    FontRecord r;
    r.lfHeight = GetInt32(p);
    r.lfWidth = GetInt32(p + 4);
    r.lfEscapement = GetInt32(p + 8);
    r.lfOrientation = GetInt32(p + 12);
    r.lfWeight = GetInt32(p + 16);
    r.lfItalic = p[20];
    r.lfUnderline = p[21];
    r.lfStrikeOut = p[22];
    r.lfCharSet = p[23];
    r.lfOutPrecision = p[24];
    r.lfClipPrecision = p[25];
    r.lfQuality = p[26];
    r.lfPitchAndFamily = p[27];
    for (int i = 0; i < kFaceNameUnits; ++i)
        r.lfFaceName[i] = char16_t(p[28 + 2 * i] | (p[29 + 2 * i] << 8));
    return r;
}

bool FontRecord::operator==(const FontRecord& o) const {
    // Field by field: drawing compares label fonts on every frame.
    return lfHeight == o.lfHeight && lfWidth == o.lfWidth && lfEscapement == o.lfEscapement &&
           lfOrientation == o.lfOrientation && lfWeight == o.lfWeight && lfItalic == o.lfItalic &&
           lfUnderline == o.lfUnderline && lfStrikeOut == o.lfStrikeOut &&
           lfCharSet == o.lfCharSet && lfOutPrecision == o.lfOutPrecision &&
           lfClipPrecision == o.lfClipPrecision && lfQuality == o.lfQuality &&
           lfPitchAndFamily == o.lfPitchAndFamily && lfFaceName == o.lfFaceName;
}

FontRecord DefaultFontRecord() {
    FontRecord r;
    r.lfHeight = 14;
    r.lfWeight = 400;
    r.lfCharSet = 134;
    r.lfOutPrecision = 3;
    r.lfClipPrecision = 2;
    r.lfQuality = 1;
    r.lfPitchAndFamily = 50;
    r.setFaceName(QStringLiteral("Arial"));
    return r;
}

QFont ToQFont(const FontRecord& record) {
    QFont font;
    const QString face = record.faceName();
    if (!face.isEmpty()) font.setFamily(face);
    // Both signs name a pixel height here; a cell height is slightly taller
    // than the character height it holds, but the difference is below what
    // a label shows. INT_MIN has no positive counterpart, hence the int64.
    const int64_t height = std::llabs(static_cast<int64_t>(record.lfHeight));
    font.setPixelSize(height > 0 && height <= 4096 ? int(height) : kDefaultPixelSize);
    if (record.lfWeight > 0)
        font.setWeight(QFont::Weight(std::clamp<int32_t>(record.lfWeight, 1, 1000)));
    else
        font.setWeight(QFont::Normal);
    font.setItalic(record.lfItalic != 0);
    font.setUnderline(record.lfUnderline != 0);
    font.setStrikeOut(record.lfStrikeOut != 0);
    font.setFixedPitch((record.lfPitchAndFamily & 0x03) == kFixedPitch);
    switch (record.lfPitchAndFamily & 0xF0) {
    case kFamilyRoman:
        font.setStyleHint(QFont::Serif);
        break;
    case kFamilySwiss:
        font.setStyleHint(QFont::SansSerif);
        break;
    case kFamilyModern:
        font.setStyleHint(QFont::Monospace);
        break;
    case kFamilyScript:
        font.setStyleHint(QFont::Cursive);
        break;
    case kFamilyDecorative:
        font.setStyleHint(QFont::Decorative);
        break;
    default:
        break;
    }
    if (record.lfQuality == kNonAntialiasedQuality) font.setStyleStrategy(QFont::NoAntialias);
    return font;
}

FontRecord FontRecordFromQFont(const QFont& font, const FontRecord& base) {
    FontRecord r = base;
    int pixels = font.pixelSize();
    if (pixels <= 0 && font.pointSizeF() > 0)
        pixels = int(std::lround(font.pointSizeF() * 96.0 / 72.0));
    // The same height keeps the record's sign (character or cell height).
    if (pixels > 0 && std::llabs(int64_t(base.lfHeight)) != pixels) r.lfHeight = -pixels;
    r.lfWeight = font.weight();
    r.lfItalic = font.italic() ? 1 : 0;
    r.lfUnderline = font.underline() ? 1 : 0;
    r.lfStrikeOut = font.strikeOut() ? 1 : 0;
    r.setFaceName(font.family());
    return r;
}

} // namespace tvx

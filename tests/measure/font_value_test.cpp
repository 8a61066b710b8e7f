#include "measure/font_file.h"
#include "tests/support/test_env.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <gtest/gtest.h>

namespace tvx {
namespace {

// The value and file forms as the live view reads them.
QByteArray EncodeFontValue(const FontRecord& r) {
    return EncodeProfileStruct(r.ToBytes()).toLatin1();
}
std::optional<FontRecord> DecodeFontValue(const QString& v) {
    const auto bytes = DecodeProfileStruct(v, 92);
    return bytes ? FontRecord::FromBytes(*bytes) : std::nullopt;
}
FontRecord ReadMeasureFontIn(const QString& folder) {
    return ReadFontFile(folder + QStringLiteral("/Measurefont.ini")).value_or(DefaultFontRecord());
}

void WriteText(const QString& path, const QByteArray& text) {
    QFile f(path);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write(text);
}

TEST(FontValue, ValueIsTheRecordInUpperCaseHexWithItsByteSum) {
    FontRecord r = DefaultFontRecord();
    r.lfHeight = -20;
    r.lfWeight = 700;
    r.setFaceName(QStringLiteral("DejaVu Sans"));
    const QByteArray v = EncodeFontValue(r);
    ASSERT_EQ(v.size(), 186);
    EXPECT_EQ(v, v.toUpper());
    EXPECT_EQ(v.left(8), "ECFFFFFF"); // -20, little-endian
    int sum = 0;
    for (char b : r.ToBytes())
        sum += uint8_t(b);
    EXPECT_EQ(v.right(2).toInt(nullptr, 16), sum % 256);
    const auto back = DecodeFontValue(QString::fromLatin1(v));
    ASSERT_TRUE(back);
    EXPECT_EQ(*back, r);
    // Lower-case digits read the same.
    EXPECT_EQ(DecodeFontValue(QString::fromLatin1(v.toLower())), back);
}

TEST(FontValue, DamagedValuesAreRefused) {
    const QByteArray v = EncodeFontValue(DefaultFontRecord());
    QByteArray badSum = v;
    badSum[185] = badSum[185] == '0' ? '1' : '0';
    EXPECT_FALSE(DecodeFontValue(QString::fromLatin1(badSum)));
    EXPECT_FALSE(DecodeFontValue(QString::fromLatin1(v.left(184)))); // no checksum
    EXPECT_FALSE(DecodeFontValue(QString::fromLatin1(v + "00")));    // too long
    QByteArray notHex = v;
    notHex[10] = 'G';
    EXPECT_FALSE(DecodeFontValue(QString::fromLatin1(notHex)));
    EXPECT_FALSE(DecodeFontValue(QString()));
}

TEST(FontValue, FileRoundTripAndFallbackToTheDefault) {
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    FontRecord r = DefaultFontRecord();
    r.lfHeight = 18;
    r.setFaceName(QStringLiteral("Noto Sans"));
    const QString path = dir.filePath(QStringLiteral("Measurefont.ini"));
    ASSERT_TRUE(WriteFontFile(path, r));
    EXPECT_EQ(ReadFontFile(path), r);
    EXPECT_EQ(ReadMeasureFontIn(dir.path()), r);

    // Section and key are found whatever their case, as earlier files spell them.
    WriteText(path, "[font]\r\nlogfont=" + EncodeFontValue(r) + "\r\n");
    EXPECT_EQ(ReadFontFile(path), r);

    WriteText(path, "[FONT]\r\nLOGFONT=" + EncodeFontValue(r).left(100) + "\r\n");
    EXPECT_FALSE(ReadFontFile(path));
    EXPECT_EQ(ReadMeasureFontIn(dir.path()), DefaultFontRecord());
    EXPECT_FALSE(ReadFontFile(dir.filePath("missing.ini")));
    EXPECT_FALSE(WriteFontFile(dir.filePath("no/such/folder/x.ini"), r));
}

} // namespace
} // namespace tvx

// The label and text-note font files: the profile-structure form, its
// checksum, and faces named after another desktop's fonts.
#include "measure/font_file.h"

#include "tests/support/test_env.h"

#include <QFile>
#include <QFontDatabase>
#include <QFontInfo>
#include <QGuiApplication>

#include <gtest/gtest.h>

namespace tvx {
namespace {

QByteArray ReadAll(const QString& path) {
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

void WriteAll(const QString& path, const QByteArray& bytes) {
    QFile f(path);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write(bytes);
}

FontRecord SampleFont() {
    FontRecord r = DefaultFontRecord();
    r.lfHeight = -22;
    r.lfWeight = 700;
    r.lfItalic = 1;
    r.setFaceName(QStringLiteral("Lucida Console"));
    r.lfFaceName[20] = u'x'; // after the terminator: kept, though meaningless
    return r;
}

TEST(FontFileTest, ValueIsUpperCaseHexOfEveryByteThenTheByteSum) {
    const QByteArray bytes("\x01\xff\x10", 3);
    // 0x01 + 0xFF + 0x10 = 0x110 → checksum 0x10.
    EXPECT_EQ(EncodeProfileStruct(bytes), QStringLiteral("01FF1010"));
    EXPECT_EQ(DecodeProfileStruct(QStringLiteral("01FF1010"), 3), bytes);
    EXPECT_EQ(DecodeProfileStruct(QStringLiteral("01ff1010"), 3), bytes);
    EXPECT_FALSE(DecodeProfileStruct(QStringLiteral("01FF1011"), 3)); // checksum off by one
    EXPECT_FALSE(DecodeProfileStruct(QStringLiteral("01FF10"), 3));   // no checksum
    EXPECT_FALSE(DecodeProfileStruct(QStringLiteral("01FF1010"), 2)); // other size
    EXPECT_FALSE(DecodeProfileStruct(QStringLiteral("01FG1010"), 3)); // not a digit
}

TEST(FontFileTest, WrittenFileReadsBackAndRewritesByteIdentically) {
    const QString path = MeasureFontPath();
    const FontRecord font = SampleFont();
    ASSERT_TRUE(WriteFontFile(path, font));
    const QByteArray first = ReadAll(path);
    EXPECT_TRUE(first.startsWith("[FONT]\r\nLOGFONT="));
    EXPECT_EQ(first.size(), qsizetype(8 + 8 + 2 * 92 + 2 + 2));

    const auto back = ReadMeasureFont();
    ASSERT_TRUE(back);
    EXPECT_EQ(back->ToBytes(), font.ToBytes());
    EXPECT_EQ(back->faceName(), QStringLiteral("Lucida Console"));

    ASSERT_TRUE(WriteFontFile(path, *back));
    EXPECT_EQ(ReadAll(path), first);
}

TEST(FontFileTest, BadChecksumOrLengthIsRejectedSoTheDefaultArial14IsUsed) {
    const QString path = TextFontPath();
    ASSERT_TRUE(WriteFontFile(path, SampleFont()));
    QByteArray bytes = ReadAll(path);
    const int end = bytes.indexOf("\r\n", 10);
    // Damage the checksum digits only.
    bytes[end - 1] = bytes[end - 1] == '0' ? '1' : '0';
    WriteAll(path, bytes);
    EXPECT_FALSE(ReadTextFont());
    const FontRecord used = ReadTextFont().value_or(DefaultFontRecord());
    EXPECT_EQ(used.faceName(), QStringLiteral("Arial"));
    EXPECT_EQ(used.lfHeight, 14);

    WriteAll(path, "[FONT]\r\nLOGFONT=0000\r\n");
    EXPECT_FALSE(ReadTextFont());
    EXPECT_FALSE(ReadFontFile(test::programDir() + QStringLiteral("/missing.ini")));
}

TEST(FontFileTest, OtherEntriesSurviveAndSectionAndKeyIgnoreCase) {
    const QByteArray existing = "[other]\r\nkey=1\r\n\r\n[font]\r\nLogFont=old\r\nkeep=2\r\n";
    const QByteArray stored = StoreFontInFile(existing, SampleFont());
    EXPECT_TRUE(stored.startsWith("[other]\r\nkey=1\r\n\r\n[font]\r\nLOGFONT="));
    EXPECT_TRUE(stored.endsWith("\r\nkeep=2\r\n"));
    const auto back = ParseFontFile(stored);
    ASSERT_TRUE(back);
    EXPECT_EQ(*back, SampleFont());
    // Only the first FONT section counts.
    EXPECT_FALSE(
        ParseFontFile("[FONT]\r\nx=1\r\n[FONT]\r\n" + stored.mid(stored.indexOf("LOGFONT"))));
}

TEST(FontFileTest, ForeignFacesDrawWithMetricCompatibleOnes) {
    InstallFontSubstitutes();
    const QStringList families = QFontDatabase::families();
    if (!families.contains(QStringLiteral("Liberation Sans")))
        GTEST_SKIP() << "Liberation fonts are not installed (scripts/setup installs them)";
    const FontRecord arial = DefaultFontRecord();
    EXPECT_EQ(QFontInfo(ToQFont(arial)).family(), QStringLiteral("Liberation Sans"));
    FontRecord lucida = arial;
    lucida.setFaceName(QStringLiteral("Lucida Console"));
    EXPECT_TRUE(QFontInfo(ToQFont(lucida)).fixedPitch());
    // The record keeps the name it was given.
    EXPECT_EQ(lucida.faceName(), QStringLiteral("Lucida Console"));
}

} // namespace
} // namespace tvx

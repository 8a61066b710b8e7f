#include "platform/profile.h"

#include <QDir>
#include <QFile>
#include <gtest/gtest.h>

namespace tvx {
namespace {

QString writeFile(const QString& name, const QByteArray& bytes) {
    const QString path = QDir::homePath() + "/" + name;
    QFile f(path);
    f.open(QIODevice::WriteOnly | QIODevice::Truncate);
    f.write(bytes);
    return path;
}

TEST(ProfileReader, FollowsTheWindowsRules) {
    const QString path =
        writeFile("English1252.ini", "; comment\r\n"
                                     "[Other]\r\n"
                                     "Key=other section\r\n"
                                     "[zandor]\r\n"
                                     "  KEY  =  first value  \r\n"
                                     "key=second value\r\n"
                                     "Quoted=\"  spaced  \"\r\n"
                                     "Empty=\r\n"
                                     "640*480=640*480    F11\r\n"
                                     "[Zandor]\r\n"
                                     "Late=in a later section of the same name\r\n");
    EXPECT_EQ(GetProfileString(path, "ZANDOR", "key", "d", 256), "first value");
    EXPECT_EQ(GetProfileString(path, "Zandor", "Quoted", "d", 256), "  spaced  ");
    EXPECT_EQ(GetProfileString(path, "Zandor", "Empty", "d", 256), "");
    EXPECT_EQ(GetProfileString(path, "Zandor", "640*480", "d", 256), "640*480    F11");
    EXPECT_EQ(GetProfileString(path, "Zandor", "Missing", "default", 256), "default");
    EXPECT_EQ(GetProfileString(path, "Nope", "Key", "default", 256), "default");
    EXPECT_EQ(GetProfileString(path + ".gone", "Zandor", "Key", "default", 256), "default");
}

TEST(ProfileReader, CutsValuesAndDefaultsToTheCapacity) {
    const QString path = writeFile("English1252.ini", "[Zandor]\nLong=abcdefghij\n");
    EXPECT_EQ(GetProfileString(path, "Zandor", "Long", "", 5), "abcd");
    EXPECT_EQ(GetProfileString(path, "Zandor", "Missing", "0123456789", 4), "012");
    EXPECT_EQ(GetProfileString(path, "Zandor", "Long", "", 1), "");
    EXPECT_EQ(GetProfileString(path, "Zandor", "Long", "", 0), "");
}

TEST(ProfileReader, DecodesByTheCodePageInTheName) {
    // "Привет" in windows-1251, "中文" in GBK, "Ünïcode" in windows-1252.
    const QString ru = writeFile("Russian1251.ini", "[Zandor]\nHi=\xCF\xF0\xE8\xE2\xE5\xF2\n");
    const QString zh = writeFile("Chinese936.ini", "[Zandor]\nHi=\xD6\xD0\xCE\xC4\n");
    const QString tw = writeFile("Chinese950.ini", "[Zandor]\nHi=\xA4\xA4\xA4\xE5\n");
    const QString en = writeFile("English1252.ini", "[Zandor]\nHi=\xDCn\xEF\x63ode\n");
    const QString bg = writeFile("Bulgarian442.ini", "[Zandor]\nHi=\xC4\xE0\n");
    EXPECT_EQ(GetProfileString(ru, "Zandor", "Hi", "", 256), QString::fromUtf8("Привет"));
    EXPECT_EQ(GetProfileString(zh, "Zandor", "Hi", "", 256), QString::fromUtf8("中文"));
    EXPECT_EQ(GetProfileString(tw, "Zandor", "Hi", "", 256), QString::fromUtf8("中文"));
    EXPECT_EQ(GetProfileString(en, "Zandor", "Hi", "", 256), QString::fromUtf8("Ünïcode"));
    EXPECT_EQ(GetProfileString(bg, "Zandor", "Hi", "", 256), QString::fromUtf8("Да"));
}

TEST(ProfileReader, ByteOrderMarksWinOverTheName) {
    QByteArray utf16("\xFF\xFE", 2);
    for (QChar c : QString::fromUtf8("[Zandor]\nHi=Ωmega\n")) {
        utf16.append(char(c.unicode() & 0xFF));
        utf16.append(char(c.unicode() >> 8));
    }
    const QString a = writeFile("Russian1251.ini", utf16);
    EXPECT_EQ(GetProfileString(a, "Zandor", "Hi", "", 256), QString::fromUtf8("Ωmega"));
    const QString b = writeFile("Chinese936.ini", "\xEF\xBB\xBF[Zandor]\nHi=Ωmega\n");
    EXPECT_EQ(GetProfileString(b, "Zandor", "Hi", "", 256), QString::fromUtf8("Ωmega"));
}

TEST(ProfileReader, SeesAFileChangeOnTheNextLookup) {
    const QString path = writeFile("English1252.ini", "[Zandor]\nA=one\n");
    EXPECT_EQ(GetProfileString(path, "Zandor", "A", "", 256), "one");
    writeFile("English1252.ini", "[Zandor]\nA=two, and longer\n");
    EXPECT_EQ(GetProfileString(path, "Zandor", "A", "", 256), "two, and longer");
}

TEST(ProfileReader, BadBytesAndHugeFilesGiveDefaults) {
    QByteArray bad("[Zandor]\nA=\x81\xFF\xFE\x80\n");
    bad.append(QByteArray(3000, '\0'));
    const QString path = writeFile("Chinese936.ini", bad);
    EXPECT_FALSE(GetProfileString(path, "Zandor", "A", "", 256).isEmpty());
    const QString huge = writeFile("Thai874.ini", QByteArray("[Zandor]\nA=x\n") +
                                                      QByteArray(kMaxProfileFileSize, 'y'));
    EXPECT_EQ(GetProfileString(huge, "Zandor", "A", "fallback", 256), "fallback");
}

} // namespace
} // namespace tvx

// File names that are not UTF-8 reach their files, read and listed, and show
// with their odd bytes escaped.
#include "platform/exclusive_file.h"
#include "platform/file_name.h"
#include "platform/regular_file.h"
#include "tests/support/test_env.h"

#include <QFile>
#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

namespace tvx {
namespace {

TEST(FileName, EveryByteOfANameSurvivesTheRoundTrip) {
    const QByteArray latin1("caf\xe9 N\xff.bmp");
    const QString held = FileNameFromNative(latin1);
    EXPECT_TRUE(HasRawBytes(held));
    EXPECT_EQ(NativeFileName(held), latin1);
    EXPECT_EQ(DisplayFileName(held), QStringLiteral("caf\\xE9 N\\xFF.bmp"));

    // Valid UTF-8 is plain text, whatever it holds; cut or overlong
    // sequences and encoded surrogates are bytes.
    const QByteArray utf8("Gr\xc3\xbc\xc3\x9f \xe4\xb8\xad \xf0\x9f\x94\xac.bmp");
    EXPECT_EQ(FileNameFromNative(utf8), QString::fromUtf8(utf8));
    EXPECT_FALSE(HasRawBytes(FileNameFromNative(utf8)));
    for (const QByteArray& odd : {QByteArray("\xc3"), QByteArray("\xc0\xaf"),
                                  QByteArray("\xed\xa0\x80"), QByteArray("a\xe4\xb8")}) {
        const QString h = FileNameFromNative(odd);
        EXPECT_TRUE(HasRawBytes(h)) << odd.toHex().constData();
        EXPECT_EQ(NativeFileName(h), odd) << odd.toHex().constData();
    }
}

TEST(FileName, ARawNameIsListedAndOpened) {
    const QString dir = test::homeDir() + QStringLiteral("/raw");
    ASSERT_EQ(::mkdir(QFile::encodeName(dir).constData(), 0700), 0);
    const QByteArray native = QFile::encodeName(dir) + "/caf\xe9.bmp";
    const int fd = ::open(native.constData(), O_WRONLY | O_CREAT, 0600);
    ASSERT_GE(fd, 0);
    ASSERT_EQ(::write(fd, "picture", 7), 7);
    ::close(fd);
    ::mkdir((QFile::encodeName(dir) + "/sub").constData(), 0700);

    const std::vector<FolderEntry> entries = ReadFolder(dir);
    ASSERT_EQ(entries.size(), 2u);
    const FolderEntry& file = entries[0].regular ? entries[0] : entries[1];
    const FolderEntry& sub = entries[0].regular ? entries[1] : entries[0];
    EXPECT_TRUE(file.regular);
    EXPECT_EQ(file.size, 7);
    EXPECT_GT(file.modified, 0);
    EXPECT_TRUE(sub.folder && !sub.regular);
    EXPECT_EQ(DisplayFileName(file.name), QStringLiteral("caf\\xE9.bmp"));

    QByteArray bytes;
    EXPECT_TRUE(ReadRegularFile(dir + QLatin1Char('/') + file.name, 100, &bytes));
    EXPECT_EQ(bytes, "picture");
    EXPECT_TRUE(ReadFolder(dir + QStringLiteral("/none")).empty());
}

TEST(FileName, FreshFoldersAreNewAndOurs) {
    const QString a = CreateFreshFolder(test::homeDir(), QStringLiteral("mail-"));
    const QString b = CreateFreshFolder(test::homeDir(), QStringLiteral("mail-"));
    ASSERT_FALSE(a.isEmpty());
    EXPECT_NE(a, b);
    EXPECT_TRUE(a.startsWith(test::homeDir() + QStringLiteral("/mail-")));
    struct stat st {};
    ASSERT_EQ(::lstat(QFile::encodeName(a).constData(), &st), 0);
    EXPECT_TRUE(S_ISDIR(st.st_mode));
    EXPECT_EQ(st.st_mode & 0777, 0700u);
    Status why;
    EXPECT_TRUE(CreateFreshFolder(test::homeDir() + QStringLiteral("/none"), "x", &why).isEmpty());
    EXPECT_FALSE(why.reason().isEmpty());
}

} // namespace
} // namespace tvx

// Files read at start-up that are not regular files (FIFOs, folders) read as
// missing and never block; the installed-copy folders; filepath.dat checks.
#include "platform/exclusive_file.h"
#include "platform/folders.h"
#include "platform/language.h"
#include "platform/regular_file.h"
#include "platform/settings.h"
#include "tests/support/fifo_guard.h"
#include "tests/support/test_env.h"

#include <QDir>
#include <QFile>
#include <QSettings>
#include <cerrno>
#include <gtest/gtest.h>

namespace tvx {
namespace {

using test::FinishesWithoutBlocking;
using test::IsFifo;
using test::MakeFifo;

void WriteAll(const QString& path, const QByteArray& bytes) {
    QFile f(path);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly | QIODevice::Truncate)) << path.toStdString();
    ASSERT_EQ(f.write(bytes), bytes.size());
}

QByteArray ReadAll(const QString& path) {
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

TEST(RegularFile, OnlyRegularFilesAreOpenedAndAFifoNeverBlocks) {
    const QString dir = QDir::homePath();
    const QString fifo = dir + "/pipe";
    ASSERT_TRUE(MakeFifo(fifo));
    WriteAll(dir + "/plain", "0123456789");
    ASSERT_TRUE(QDir(dir).mkdir("folder"));

    QByteArray bytes;
    QString reason;
    EXPECT_TRUE(FinishesWithoutBlocking({fifo}, [&] {
        EXPECT_FALSE(ReadRegularFile(fifo, 100, &bytes, &reason));
        QFile f;
        EXPECT_FALSE(OpenRegularFileForReading(f, fifo));
        EXPECT_FALSE(f.isOpen());
    }));
    EXPECT_TRUE(reason.contains("not a regular file")) << reason.toStdString();
    EXPECT_FALSE(IsRegularFile(fifo));
    EXPECT_FALSE(ReadRegularFile(dir + "/folder", 100, &bytes));
    EXPECT_FALSE(ReadRegularFile(dir + "/missing", 100, &bytes, &reason));
    EXPECT_FALSE(reason.isEmpty());

    ASSERT_TRUE(ReadRegularFile(dir + "/plain", 4, &bytes));
    EXPECT_EQ(bytes, "0123");
    // A link to a regular file is followed.
    ASSERT_TRUE(QFile::link(dir + "/plain", dir + "/link"));
    EXPECT_TRUE(IsRegularFile(dir + "/link"));
}

TEST(StartupFiles, FifosInPlaceOfTheFilesReadAsMissing) {
    SettingsStore store;
    const QString settings = SettingsFilePath();
    ASSERT_TRUE(QDir().mkpath(QFileInfo(settings).absolutePath()));
    const QString program = ProgramFolder();
    const QStringList fifos{settings, program + "/filepath.dat", program + "/English1252.ini"};
    for (const QString& f : fifos)
        ASSERT_TRUE(MakeFifo(f)) << f.toStdString();

    QString tempDir = "unset";
    QString text;
    test::InstalledLanguage language;
    EXPECT_TRUE(FinishesWithoutBlocking(fifos, [&] {
        store.CreateFirstRun();
        store.ReadLanguage();
        store.ReadUnitDecimal();
        store.WriteLineWidth(3);
        store.ReadLineWidth();
        tempDir = ReadFilePathDat(program);
        language.Choose(9, 0);
        text = Text("MsgTitle", "fallback");
    }));
    EXPECT_TRUE(tempDir.isEmpty());
    EXPECT_EQ(text, "fallback");
    // The settings work for this run, from the first-run values.
    EXPECT_EQ(store.values().unit, "mm");
    EXPECT_EQ(store.values().Linewidth, 3u);
    // Whatever stood there is left as it was.
    for (const QString& f : fifos)
        EXPECT_TRUE(IsFifo(f)) << f.toStdString();
}

// An installed copy: the executable's folder cannot be written.
class InstalledCopy : public ::testing::Test {
protected:
    void SetUp() override {
        exe_ = QDir::homePath() + "/opt/bin";
        share_ = QDir::homePath() + "/opt/share/tavolux";
        ASSERT_TRUE(QDir().mkpath(exe_));
        ASSERT_TRUE(QDir().mkpath(share_));
        SetProgramFolder(QString());
        SetExecutableFolderForTesting(exe_);
        SetFolderWritableCheckForTesting([this](const QString& folder) {
            return !QDir::cleanPath(folder).startsWith(QDir::homePath() + "/opt");
        });
    }
    void TearDown() override {
        SetExecutableFolderForTesting(QString());
        SetFolderWritableCheckForTesting({});
    }
    static QString dataFolder() { return QDir::homePath() + "/.local/share/tavolux"; }
    static void ShipInto(const QString& folder) {
        for (const char* name : {"English1252.ini", "Russian1251.ini", "CalibrationIni.ini"})
            ASSERT_TRUE(QFile::copy(
                test::resourcePath(name[0] == 'C' ? QString(name) : QString("lang/") + name),
                folder + "/" + name))
                << name;
    }

    QString exe_;
    QString share_;
    test::InstalledLanguage language_;
};

TEST_F(InstalledCopy, FilesBesideTheExecutableAreFoundAndTheCalibrationSeeded) {
    ShipInto(exe_);
    EXPECT_EQ(ProgramFolder(), dataFolder());

    language_.Choose(25, 0);
    EXPECT_EQ(language_.filePath(), exe_ + "/Russian1251.ini");
    EXPECT_NE(Text("Capture", "Capture"), "Capture") << "Russian text expected";

    const QString calibration = CalibrationFilePath();
    EXPECT_EQ(calibration, dataFolder() + "/CalibrationIni.ini");
    EXPECT_EQ(ReadAll(calibration), ReadAll(exe_ + "/CalibrationIni.ini"));
    EXPECT_FALSE(ReadAll(calibration).isEmpty());
}

TEST_F(InstalledCopy, FilesInTheInstalledShareFolderAreFoundAndUserCalibrationsKept) {
    ShipInto(share_);
    language_.Choose(25, 0);
    EXPECT_EQ(language_.filePath(), share_ + "/Russian1251.ini");
    EXPECT_EQ(ShippedFile("CalibrationIni.ini"), share_ + "/CalibrationIni.ini");

    // The user's calibrations are never replaced by the seed.
    ASSERT_TRUE(QDir().mkpath(dataFolder()));
    WriteAll(dataFolder() + "/CalibrationIni.ini", "[200]\n200=203.4\n");
    EXPECT_EQ(ReadAll(CalibrationFilePath()), "[200]\n200=203.4\n");
}

TEST_F(InstalledCopy, AWritableExecutableFolderIsTheProgramFolder) {
    SetFolderWritableCheckForTesting({});
    ShipInto(exe_);
    EXPECT_EQ(ProgramFolder(), exe_);
    EXPECT_EQ(CalibrationFilePath(), exe_ + "/CalibrationIni.ini");
    EXPECT_FALSE(QFileInfo::exists(dataFolder() + "/CalibrationIni.ini"));
}

TEST_F(InstalledCopy, AnInstalledCopyWritesToTheUserFolderEvenWhereItCouldWriteItsOwn) {
    // As root, /usr/bin is writable; files left there would belong to no package.
    SetFolderWritableCheckForTesting({});
    ShipInto(share_);
    EXPECT_EQ(ProgramFolder(), dataFolder());
    EXPECT_EQ(CalibrationFilePath(), dataFolder() + "/CalibrationIni.ini");
    EXPECT_FALSE(QFileInfo::exists(exe_ + "/CalibrationIni.ini"));
    language_.Choose(25, 0);
    EXPECT_EQ(language_.filePath(), share_ + "/Russian1251.ini");
}

TEST(FilePathDat, OnlyAnAbsoluteExistingWritableFolderIsUsed) {
    const QString program = ProgramFolder();
    const QString good = QDir::homePath() + "/elsewhere";
    ASSERT_TRUE(QDir().mkpath(good));
    WriteAll(QDir::homePath() + "/a-file", "x");
    const QString locked = QDir::homePath() + "/locked";
    ASSERT_TRUE(QDir().mkpath(locked));
    SetFolderWritableCheckForTesting(
        [&](const QString& f) { return QDir::cleanPath(f) != locked; });

    const auto readBack = [&](const QString& stored) {
        WriteAll(program + "/filepath.dat", EncodeFilePathDat(stored));
        return ReadFilePathDat(program);
    };
    EXPECT_EQ(readBack(good), good);
    EXPECT_EQ(readBack("relative/TempDir"), QString());
    EXPECT_EQ(readBack(QDir::homePath() + "/missing"), QString());
    EXPECT_EQ(readBack(QDir::homePath() + "/a-file"), QString());
    EXPECT_EQ(readBack(locked), QString());

    // Nothing unusable is stored either; a refused write leaves the file.
    EXPECT_FALSE(WriteFilePathDat(program, "relative"));
    EXPECT_FALSE(WriteFilePathDat(program, locked));
    EXPECT_FALSE(WriteFilePathDat(program, "/" + QString(300, 'p')));
    EXPECT_EQ(ReadFilePathDat(program), QString());
    EXPECT_TRUE(WriteFilePathDat(program, good));
    EXPECT_EQ(ReadFilePathDat(program), good);
    SetFolderWritableCheckForTesting({});
}

TEST(ExclusiveFile, NeverReplacesAFile) {
    const QString dir = QDir::homePath();
    WriteAll(dir + "/taken", "theirs");
    Status why;
    EXPECT_EQ(WriteFileExclusively(dir + "/taken", "ours", &why), CreateOutcome::Exists);
    EXPECT_EQ(ReadAll(dir + "/taken"), "theirs");
    EXPECT_EQ(CreateEmptyFileExclusively(dir + "/taken"), CreateOutcome::Exists);
    EXPECT_EQ(ReadAll(dir + "/taken"), "theirs");

    // One staged copy offered to a taken name, then to a free one.
    StagedFile staged;
    ASSERT_TRUE(staged.Stage(dir, "ours"));
    EXPECT_EQ(staged.Commit(dir + "/taken"), CreateOutcome::Exists);
    EXPECT_EQ(staged.Commit(dir + "/free"), CreateOutcome::Created);
    EXPECT_EQ(ReadAll(dir + "/free"), "ours");
    EXPECT_EQ(ReadAll(dir + "/taken"), "theirs");
    // No temporary is left behind.
    EXPECT_EQ(QDir(dir).entryList(QDir::Files | QDir::Hidden).filter(".tavolux-"), QStringList());

    EXPECT_EQ(WriteFileExclusively(dir + "/no/such/folder/x", "b", &why), CreateOutcome::Failed);
    EXPECT_FALSE(why.reason().isEmpty());
    EXPECT_EQ(why.systemError(), ENOENT);
}

} // namespace
} // namespace tvx

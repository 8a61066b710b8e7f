#include "platform/settings.h"

#include <QDir>
#include <QFile>
#include <QSettings>
#include <gtest/gtest.h>

namespace tvx {
namespace {

class SettingsTest : public ::testing::Test {
protected:
    void SetUp() override { ResetSettings(); }
    void TearDown() override { ResetSettings(); }

    static void readAll() {
        ReadLineColor();
        ReadMeasureTxtColor();
        ReadFontColor();
        ReadFontSize();
        ReadLineWidth();
        ReadLineType();
        ReadUnitDecimal();
        ReadLanguage();
        ReadSysDate();
    }
    static QSettings store() { return QSettings(SettingsFilePath(), QSettings::IniFormat); }
};

TEST_F(SettingsTest, FirstRunWritesFirstRunValuesBeforeAnythingReadsThem) {
    ASSERT_FALSE(SettingsKeyExists());
    EXPECT_TRUE(CreateFirstRunSettings());
    EXPECT_TRUE(SettingsKeyExists());
    readAll();
    const SettingsValues v = Settings();
    EXPECT_EQ(v.LineColor, 255u); // red lines
    EXPECT_EQ(v.Linewidth, 1u);
    EXPECT_EQ(v.unit, "mm");
    EXPECT_EQ(v.decimal, 3u);
    EXPECT_EQ(v.MeasureTxtColor, 255u); // not its built-in 19
    EXPECT_EQ(v.fontsize, 16u);         // not its built-in 12
    EXPECT_EQ(v.sys_date, 1u);
    EXPECT_EQ(store().value("SOFTWARE/microscopeEx/font/ChangeTime").toString(), "3.00");
}

TEST_F(SettingsTest, ExistingKeyIsNeverRewrittenAndMissingValuesKeepBuiltIns) {
    CreateFirstRunSettings();
    {
        QSettings s = store();
        s.remove("SOFTWARE/microscopeEx/font/LineColor");
        s.setValue("SOFTWARE/microscopeEx/font/MeasureTxtColor", 77);
    }
    EXPECT_FALSE(CreateFirstRunSettings());
    EXPECT_FALSE(store().contains("SOFTWARE/microscopeEx/font/LineColor"));
    readAll();
    EXPECT_EQ(Settings().LineColor, 255u);
    EXPECT_EQ(Settings().MeasureTxtColor, 77u);
    // Without any store the built-in values stay.
    QFile::remove(SettingsFilePath());
    ResetSettings();
    readAll();
    EXPECT_EQ(Settings().MeasureTxtColor, 19u);
    EXPECT_EQ(Settings().fontsize, 12u);
}

TEST_F(SettingsTest, UnfittingDataKeepsTheVariable) {
    CreateFirstRunSettings();
    WriteLineWidth(4);
    WriteUnitDecimal("cm", 5);
    {
        QSettings s = store();
        s.setValue("SOFTWARE/microscopeEx/font/Linewidth", "thick");
        s.setValue("SOFTWARE/microscopeEx/font/LineColor", "-1");
        s.setValue("SOFTWARE/microscopeEx/font/Linetype", "4294967296"); // 2^32
        s.setValue("SOFTWARE/microscopeEx/Units/unit", QString(40, 'x'));
    }
    ReadLineWidth();
    ReadLineColor();
    ReadLineType();
    ReadUnitDecimal();
    EXPECT_EQ(Settings().Linewidth, 4u);
    EXPECT_EQ(Settings().LineColor, 255u);
    EXPECT_EQ(Settings().Linetype, 0u);
    EXPECT_EQ(Settings().unit, "cm");
    EXPECT_EQ(Settings().decimal, 5u);
}

TEST_F(SettingsTest, WritesRoundTripAcrossARestart) {
    CreateFirstRunSettings();
    WriteLineColor(0x00FF00);
    WriteLanguage(25, 0);
    WriteSysDate(0);
    WriteUnitDecimal("inch", 2);
    ResetSettings();
    readAll();
    const SettingsValues v = Settings();
    EXPECT_EQ(v.LineColor, 0x00FF00u);
    EXPECT_EQ(v.LanID, 25u);
    EXPECT_EQ(v.SubLanIDD, 0u);
    EXPECT_EQ(v.sys_date, 0u);
    EXPECT_EQ(v.unit, "inch");
    EXPECT_EQ(v.decimal, 2u);
}

TEST_F(SettingsTest, DamagedStoreGivesDefaultsWithoutCrash) {
    QDir().mkpath(QFileInfo(SettingsFilePath()).absolutePath());
    QFile f(SettingsFilePath());
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    QByteArray junk;
    for (int i = 0; i < 5000; ++i)
        junk.append(char((i * 7919) & 0xFF));
    f.write("[SOFTWARE\n=\n[[[]]\x00\xff" + junk);
    f.close();
    CreateFirstRunSettings();
    readAll();
    const SettingsValues v = Settings();
    EXPECT_LE(v.decimal, 5u);
    EXPECT_FALSE(v.unit.isEmpty());
}

TEST(FilePathDat, RoundTripIs520BytesOfUtf16) {
    const QString folder = QDir::homePath();
    // Only a folder that exists is stored.
    const QString path = QDir::homePath() + QStringLiteral("/ÿser/Ärger/TempDir");
    ASSERT_TRUE(QDir().mkpath(path));
    ASSERT_TRUE(WriteFilePathDat(folder, path));
    QFile f(folder + "/filepath.dat");
    ASSERT_TRUE(f.open(QIODevice::ReadOnly));
    const QByteArray bytes = f.readAll();
    ASSERT_EQ(bytes.size(), kFilePathDatSize);
    EXPECT_EQ(bytes.at(2 * path.size()), '\0');
    EXPECT_EQ(bytes.at(0), '/');
    EXPECT_EQ(bytes.at(1), '\0'); // '/' little-endian
    EXPECT_EQ(ReadFilePathDat(folder), path);
}

TEST(FilePathDat, MissingShortOrUnterminatedFilesGiveNoPath) {
    const QString folder = QDir::homePath();
    EXPECT_TRUE(ReadFilePathDat(folder).isEmpty());
    EXPECT_TRUE(DecodeFilePathDat(QByteArray()).isEmpty());
    EXPECT_TRUE(DecodeFilePathDat(QByteArray("/\0t\0m\0", 6)).isEmpty());
    EXPECT_TRUE(DecodeFilePathDat(QByteArray(520, 'a')).isEmpty());
    EXPECT_EQ(DecodeFilePathDat(QByteArray("/\0t\0\0\0", 6)), "/t");
    // A file longer than the record is read up to the record only.
    QByteArray longer(600, '\0');
    longer[0] = 'x';
    EXPECT_EQ(DecodeFilePathDat(longer), "x");
    // An over-long path is cut so the terminator still fits.
    EXPECT_EQ(DecodeFilePathDat(EncodeFilePathDat(QString(300, 'p'))), QString(259, 'p'));
}

} // namespace
} // namespace tvx

namespace tvx {
namespace {

TEST(OwnSwitches, KeptApartFromTheInheritedKeysWithAFallback) {
    EXPECT_FALSE(ReadOwnSwitch("FocusMeter"));
    EXPECT_TRUE(ReadOwnSwitch("FocusMeter", true));
    WriteOwnSwitch("FocusMeter", true);
    EXPECT_TRUE(ReadOwnSwitch("FocusMeter"));
    EXPECT_FALSE(SettingsKeyExists()) << "the first-run writing must still happen";
    WriteOwnSwitch("FocusMeter", false);
    EXPECT_FALSE(ReadOwnSwitch("FocusMeter", true));

    QSettings raw(SettingsFilePath(), QSettings::IniFormat);
    raw.setValue("Tavolux/SharpestStill", "yes");
    raw.setValue("Tavolux/Other", 7);
    raw.sync();
    EXPECT_TRUE(ReadOwnSwitch("SharpestStill", true)) << "unreadable: the fallback";
    EXPECT_FALSE(ReadOwnSwitch("Other"));
}

} // namespace
} // namespace tvx

#include "platform/settings.h"

#include <QDir>
#include <QFile>
#include <QSettings>
#include <QTemporaryDir>
#include <gtest/gtest.h>

namespace tvx {
namespace {

class SettingsTest : public ::testing::Test {
protected:
    void readAll() {
        settings_.ReadLineColor();
        settings_.ReadMeasureTxtColor();
        settings_.ReadFontColor();
        settings_.ReadFontSize();
        settings_.ReadLineWidth();
        settings_.ReadLineType();
        settings_.ReadUnitDecimal();
        settings_.ReadLanguage();
        settings_.ReadSysDate();
    }
    SettingsStore settings_;
    static QSettings store() { return QSettings(SettingsFilePath(), QSettings::IniFormat); }
};

TEST_F(SettingsTest, FirstRunWritesFirstRunValuesBeforeAnythingReadsThem) {
    ASSERT_FALSE(settings_.KeyExists());
    EXPECT_TRUE(settings_.CreateFirstRun());
    EXPECT_TRUE(settings_.KeyExists());
    readAll();
    const SettingsValues v = settings_.values();
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
    settings_.CreateFirstRun();
    {
        QSettings s = store();
        s.remove("SOFTWARE/microscopeEx/font/LineColor");
        s.setValue("SOFTWARE/microscopeEx/font/MeasureTxtColor", 77);
    }
    EXPECT_FALSE(settings_.CreateFirstRun());
    EXPECT_FALSE(store().contains("SOFTWARE/microscopeEx/font/LineColor"));
    readAll();
    EXPECT_EQ(settings_.values().LineColor, 255u);
    EXPECT_EQ(settings_.values().MeasureTxtColor, 77u);
    // Without any store the built-in values stay.
    QFile::remove(SettingsFilePath());
    settings_.SetRunning(SettingsValues{});
    readAll();
    EXPECT_EQ(settings_.values().MeasureTxtColor, 19u);
    EXPECT_EQ(settings_.values().fontsize, 12u);
}

TEST_F(SettingsTest, UnfittingDataKeepsTheVariable) {
    settings_.CreateFirstRun();
    settings_.WriteLineWidth(4);
    settings_.WriteUnitDecimal("cm", 5);
    {
        QSettings s = store();
        s.setValue("SOFTWARE/microscopeEx/font/Linewidth", "thick");
        s.setValue("SOFTWARE/microscopeEx/font/LineColor", "-1");
        s.setValue("SOFTWARE/microscopeEx/font/Linetype", "4294967296"); // 2^32
        s.setValue("SOFTWARE/microscopeEx/Units/unit", QString(40, 'x'));
    }
    settings_.ReadLineWidth();
    settings_.ReadLineColor();
    settings_.ReadLineType();
    settings_.ReadUnitDecimal();
    EXPECT_EQ(settings_.values().Linewidth, 4u);
    EXPECT_EQ(settings_.values().LineColor, 255u);
    EXPECT_EQ(settings_.values().Linetype, 0u);
    EXPECT_EQ(settings_.values().unit, "cm");
    EXPECT_EQ(settings_.values().decimal, 5u);
}

TEST_F(SettingsTest, WritesRoundTripAcrossARestart) {
    settings_.CreateFirstRun();
    settings_.WriteLineColor(0x00FF00);
    settings_.WriteLanguage(25, 0);
    settings_.WriteSysDate(0);
    settings_.WriteUnitDecimal("inch", 2);
    settings_.SetRunning(SettingsValues{});
    readAll();
    const SettingsValues v = settings_.values();
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
    settings_.CreateFirstRun();
    readAll();
    const SettingsValues v = settings_.values();
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
    SettingsStore settings;
    EXPECT_FALSE(settings.ReadOwnSwitch("FocusMeter"));
    EXPECT_TRUE(settings.ReadOwnSwitch("FocusMeter", true));
    settings.WriteOwnSwitch("FocusMeter", true);
    EXPECT_TRUE(settings.ReadOwnSwitch("FocusMeter"));
    EXPECT_FALSE(settings.KeyExists()) << "the first-run writing must still happen";
    settings.WriteOwnSwitch("FocusMeter", false);
    EXPECT_FALSE(settings.ReadOwnSwitch("FocusMeter", true));

    QSettings raw(SettingsFilePath(), QSettings::IniFormat);
    raw.setValue("Tavolux/SharpestStill", "yes");
    raw.setValue("Tavolux/Other", 7);
    raw.sync();
    EXPECT_TRUE(settings.ReadOwnSwitch("SharpestStill", true)) << "unreadable: the fallback";
    EXPECT_FALSE(settings.ReadOwnSwitch("Other"));
}

} // namespace
} // namespace tvx

namespace tvx {
namespace {

TEST(SettingsStores, EachKeepsItsOwnFileAndValues) {
    QTemporaryDir dir;
    SettingsStore a(dir.filePath("a/settings.ini"));
    SettingsStore b(dir.filePath("b/settings.ini"));
    EXPECT_TRUE(a.CreateFirstRun());
    EXPECT_FALSE(b.KeyExists());
    a.WriteLineColor(0x00FF00);
    a.WriteOwnSwitch("FocusMeter", true);
    b.ReadLineColor();
    EXPECT_EQ(b.values().LineColor, SettingsValues().LineColor);
    EXPECT_FALSE(b.ReadOwnSwitch("FocusMeter"));
    EXPECT_EQ(a.values().LineColor, 0x00FF00u);
    EXPECT_TRUE(b.CreateFirstRun()) << "the other file still has its first run ahead";
}

} // namespace
} // namespace tvx

#include "platform/folders.h"
#include "platform/language.h"
#include "platform/settings.h"
#include "tests/support/test_env.h"

#include <QFile>
#include <QFileInfo>
#include <gtest/gtest.h>

namespace tvx {
namespace {

class LanguageChoice : public ::testing::Test {
protected:
    void SetUp() override {
        for (const char* v : {"LC_ALL", "LC_MESSAGES", "LANG"})
            saved_.push_back({v, qgetenv(v)});
        qunsetenv("LC_ALL");
        qunsetenv("LC_MESSAGES");
        qunsetenv("LANG");
    }
    void TearDown() override {
        for (const auto& [name, value] : saved_)
            qputenv(name, value);
    }
    QString fileName() const { return QFileInfo(language_.filePath()).fileName(); }
    QString manualName() const { return QFileInfo(language_.manualPath()).fileName(); }

    std::vector<std::pair<const char*, QByteArray>> saved_;
    SettingsStore settings_;
    test::InstalledLanguage language_;
};

TEST_F(LanguageChoice, EveryTableRowPicksItsFileAndManual) {
    const struct {
        int primary, sub;
        const char* file;
        const char* manual;
    } rows[] = {
        {1, 0, "Arabic1256.ini", "Tavolux-EN.html"},
        {2, 0, "Bulgarian442.ini", "Tavolux-EN.html"},
        {4, 1, "Chinese950.ini", "Tavolux-CH.html"},
        {4, 0, "Chinese936.ini", "Tavolux-CH.html"},
        {4, 2, "Chinese936.ini", "Tavolux-CH.html"},
        {6, 0, "Danish1252.ini", "Tavolux-EN.html"},
        {7, 0, "German1252.ini", "Tavolux-EN.html"},
        {10, 0, "Spanish1252.ini", "Tavolux-EN.html"},
        {11, 0, "Finnish1252.ini", "Tavolux-EN.html"},
        {12, 0, "French1252.ini", "Tavolux-EN.html"},
        {13, 0, "Hebrew1255.ini", "Tavolux-EN.html"},
        {16, 0, "Italian1252.ini", "Tavolux-EN.html"},
        {17, 0, "Japanese932.ini", "Tavolux-EN.html"},
        {18, 0, "Korean949.ini", "Tavolux-EN.html"},
        {19, 0, "Dutch1252.ini", "Tavolux-EN.html"},
        {20, 0, "Norwegian1252.ini", "Tavolux-EN.html"},
        {21, 0, "Polish1250.ini", "Tavolux-EN.html"},
        {22, 0, "Portuguese1252.ini", "Tavolux-EN.html"},
        {25, 0, "Russian1251.ini", "Tavolux-EN.html"},
        {29, 0, "Swedish1252.ini", "Tavolux-EN.html"},
        {30, 0, "Thai874.ini", "Tavolux-EN.html"},
        {31, 0, "Turkish1254.ini", "Tavolux-TUR.html"},
        {42, 0, "Vietnamese1258.ini", "Tavolux-EN.html"},
        {9, 0, "English1252.ini", "Tavolux-EN.html"},
        {8, 0, "English1252.ini", "Tavolux-EN.html"},
        {0, 0, "English1252.ini", "Tavolux-EN.html"},
        {1033, 0, "English1252.ini", "Tavolux-EN.html"},
    };
    for (const auto& r : rows) {
        language_.Choose(r.primary, r.sub);
        EXPECT_EQ(fileName(), r.file) << r.primary << "/" << r.sub;
        EXPECT_EQ(manualName(), r.manual) << r.primary << "/" << r.sub;
        EXPECT_EQ(QFileInfo(language_.filePath()).absolutePath(), ShippedFileFolder());
    }
}

TEST_F(LanguageChoice, SystemLanguageComesFromTheLocaleVariables) {
    qputenv("LANG", "de_DE.UTF-8");
    EXPECT_EQ(SystemPrimaryLanguage(), 7);
    qputenv("LC_MESSAGES", "ru_RU.UTF-8");
    EXPECT_EQ(SystemPrimaryLanguage(), 25);
    qputenv("LC_ALL", "zh_TW.UTF-8");
    EXPECT_EQ(SystemPrimaryLanguage(), 4);
    // Traditional Chinese systems start simplified until the menu says otherwise.
    language_.ChooseStartup(0, 0);
    EXPECT_EQ(fileName(), "Chinese936.ini");
    qputenv("LC_ALL", "el_GR.UTF-8"); // Greek: not in the table
    language_.ChooseStartup(0, 0);
    EXPECT_EQ(fileName(), "English1252.ini");
    EXPECT_EQ(manualName(), "Tavolux-EN.html");
    qputenv("LC_ALL", "C");
    EXPECT_EQ(SystemPrimaryLanguage(), 9);
    qputenv("LC_ALL", "tr_TR@euro");
    EXPECT_EQ(SystemPrimaryLanguage(), 31);
}

TEST_F(LanguageChoice, StoredChoiceWinsOverTheSystem) {
    qputenv("LANG", "de_DE.UTF-8");
    // Choosing English in the menu stores 9: German systems then stay English.
    settings_.WriteLanguage(9, 0);
    settings_.SetRunning(SettingsValues{});
    settings_.ReadLanguage();
    language_.ChooseStartup(settings_.values().LanID, settings_.values().SubLanIDD);
    EXPECT_EQ(fileName(), "English1252.ini");
    // Russian survives a restart whatever the system says.
    settings_.WriteLanguage(25, 0);
    settings_.SetRunning(SettingsValues{});
    settings_.ReadLanguage();
    language_.ChooseStartup(settings_.values().LanID, settings_.values().SubLanIDD);
    EXPECT_EQ(fileName(), "Russian1251.ini");
    // LanID 0 follows the system again.
    settings_.WriteLanguage(0, 0);
    settings_.SetRunning(SettingsValues{});
    settings_.ReadLanguage();
    language_.ChooseStartup(settings_.values().LanID, settings_.values().SubLanIDD);
    EXPECT_EQ(fileName(), "German1252.ini");
}

TEST_F(LanguageChoice, StoredPairShowsAsTheMenuItemOfItsFile) {
    EXPECT_STREQ(LanguageMenuItemFor(0, 0).key, "FollowSystem");
    EXPECT_STREQ(LanguageMenuItemFor(0, 1).key, "FollowSystem");
    // Every sub-language but 1 reads the simplified-Chinese file.
    EXPECT_STREQ(LanguageMenuItemFor(4, 0).key, "Simplified");
    EXPECT_STREQ(LanguageMenuItemFor(4, 1).key, "Traditional");
    EXPECT_STREQ(LanguageMenuItemFor(8, 0).key, "English"); // Greek has no file
    for (const LanguageMenuItem& item : kLanguageMenu)
        EXPECT_EQ(LanguageMenuItemFor(uint32_t(item.primary), uint32_t(item.sub)).command,
                  item.command)
            << item.key;
}

TEST_F(LanguageChoice, WithoutLanguageFilesEveryTextIsItsDefault) {
    language_.Choose(25, 0); // the test's program folder has no language files
    EXPECT_EQ(Text("ConnectMsg", "Please connect Wireless Digital Microscope"),
              "Please connect Wireless Digital Microscope");
    EXPECT_EQ(Text("EscRestore", "ESC Restore", 4), "ESC");
}

TEST_F(LanguageChoice, TextsComeFromTheChosenFileWhileItIsInstalled) {
    QFile f(ProgramFolder() + "/German1252.ini");
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write("[Zandor]\nTipCamera=Kamera \xFC\x62\x65rall\nEmpty=\nOk=OK\n");
    f.close();
    {
        test::InstalledLanguage german;
        EXPECT_EQ(Text("TipCamera", "Camera"), "Camera") << "nothing chosen yet";
        german.Choose(7, 0);
        EXPECT_EQ(Text("TipCamera", "Camera"), QString::fromUtf8("Kamera überall"));
        EXPECT_EQ(Text("TipVideo", "Recording Video"), "Recording Video");
        EXPECT_EQ(Text("TipCamera", "Camera", 7), "Kamera");
        // A key left empty shows nothing; a text equal to its key is no miss.
        EXPECT_EQ(Text("Empty", "Default"), "");
        EXPECT_EQ(Text("OK", "Okay"), "OK");
        // Only our own texts: another context is not ours to answer.
        EXPECT_EQ(QCoreApplication::translate("QDialogButtonBox", "Camera", "TipCamera"), "Camera");
    }
    EXPECT_EQ(Text("TipCamera", "Camera"), "Camera") << "the language left with its object";
}

} // namespace
} // namespace tvx

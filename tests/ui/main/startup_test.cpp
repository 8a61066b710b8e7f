#include "measure/calibration.h"
#include "measure/calibration_file.h"
#include "platform/folders.h"
#include "platform/language.h"
#include "platform/prompts.h"
#include "platform/settings.h"
#include "tests/support/test_env.h"
#include "tests/ui/main/window_parts.h"
#include "ui/main/command_table.h"
#include "ui/main/main_window.h"
#include "ui/main/main_window_ids.h"
#include "ui/main/prompt_dlg.h"

#include <QApplication>
#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFontMetricsF>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QSet>
#include <QSettings>
#include <QThread>
#include <QTimer>
#include <algorithm>
#include <gtest/gtest.h>

namespace tvx {
namespace {

class Startup : public ::testing::Test {
protected:
    void SetUp() override {
        qputenv("LANG", "en_US.UTF-8");
        qunsetenv("LC_ALL");
        qunsetenv("LC_MESSAGES");
    }

    static QStringList menuTitles(QMenuBar* bar) {
        QStringList titles;
        for (QAction* a : bar->actions())
            titles << a->text();
        return titles;
    }
    static QStringList itemTexts(QMenu* menu) {
        QStringList texts;
        for (QAction* a : menu->actions())
            texts << (a->isSeparator() ? QStringLiteral("-") : a->text());
        return texts;
    }
    // Closes the next modal dialog with OK once it shows.
    static void acceptNextModal(bool uncheck = false) {
        auto* poll = new QTimer;
        poll->setInterval(10);
        QObject::connect(poll, &QTimer::timeout, [poll, uncheck] {
            QWidget* modal = QApplication::activeModalWidget();
            if (!modal) return;
            if (auto* dlg = qobject_cast<CalibrationReminderDialog*>(modal); dlg && uncheck)
                dlg->setShowNextTime(false);
            if (auto* d = qobject_cast<QDialog*>(modal)) d->accept();
            poll->stop();
            poll->deleteLater();
        });
        poll->start();
    }

    MainWindow::Options optionsWith(Language& language) {
        MainWindow::Options options;
        options.calibration = &calibration_;
        options.prompts = &prompts_;
        options.settings = &settings_;
        options.language = &language;
        return options;
    }

    SettingsStore settings_;
    ScriptedPrompts prompts_;
    CalibrationState calibration_;
};

TEST_F(Startup, FirstRunPreparesFoldersSettingsAndTheDisconnectedWindow) {
    MainWindow dlg({false, nullptr, &calibration_, &prompts_, &settings_});
    dlg.InitDialog();

    const QString root = QDir::homePath() + "/Documents/Orvanti files";
    for (const char* sub : {"", "/Video", "/Picture", "/TempDir"})
        EXPECT_TRUE(QFileInfo(root + sub).isDir()) << sub;
    EXPECT_EQ(Parts(dlg).storage().picture, root + "/Picture");
    EXPECT_EQ(Parts(dlg).calibrationFilePath(), ProgramFolder() + "/CalibrationIni.ini");

    // First-run values are in place before anything read them.
    const SettingsValues s = settings_.values();
    EXPECT_EQ(s.MeasureTxtColor, 255u);
    EXPECT_EQ(s.LineColor, 255u);
    EXPECT_EQ(s.unit, "mm");
    EXPECT_EQ(s.decimal, 3u);

    EXPECT_FALSE(Parts(dlg).session().isConnected());
    EXPECT_EQ(Parts(dlg).session().connectionMessage(),
              "Please connect Wireless Digital Microscope");
    EXPECT_EQ(Parts(dlg).magnificationText(), "60.0");
    EXPECT_TRUE(Parts(dlg).calibrationBox()->isReadOnly());
    // Laid out as the window shows.
    dlg.show();
    QCoreApplication::processEvents();
    EXPECT_EQ(QRect(Parts(dlg).magnificationBox()->mapTo(dlg.centralWidget(), QPoint(0, 0)),
                    Parts(dlg).magnificationBox()->size()),
              QRect(759, 6, 34, 25));
    EXPECT_EQ(dlg.centralWidget()->size(), QSize(860, 610));
    // Fonts A and B: 14 and 6 pixels a Latin character, whatever face the locale picks.
    const QString latin = "abcdefghijklmnopqrstuvwxyzABCDEFGHIJKLMNOPQRSTUVWXYZ0123456789";
    EXPECT_NEAR(QFontMetricsF(SecondsFont()).horizontalAdvance(latin) / latin.size(), 14.0, 1.5);
    EXPECT_NEAR(QFontMetricsF(ResolutionFont()).horizontalAdvance(latin) / latin.size(), 6.0, 1.0);
}

TEST_F(Startup, MenusAreLabelledFromTheLanguageFile) {
    test::installLanguageFiles();
    QFile f(ProgramFolder() + "/German1252.ini");
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write("[Zandor]\nFile=Datei\nOpen=\xD6\x66\x66nen...\nHelp=Hilfe\nSetting=Einstellung\n"
            "DeleteAll=Alle l\xF6schen\n");
    f.close();
    qputenv("LANG", "de_DE.UTF-8");

    MainWindow dlg({false, nullptr, &calibration_, &prompts_, &settings_});
    dlg.InitDialog();
    const QStringList titles = menuTitles(dlg.menuBar());
    ASSERT_EQ(titles.size(), 5);
    EXPECT_EQ(titles[0], "Datei");
    EXPECT_EQ(titles[1], "Einstellung");
    EXPECT_EQ(titles[3], "Hilfe");
    EXPECT_EQ(titles[4], "&Device"); // the language file has no word for it
    QMenu* file = dlg.menuBar()->actions()[0]->menu();
    EXPECT_EQ(itemTexts(file), QStringList({QString::fromUtf8("Öffnen..."), "-", "Save As",
                                            "Delete...", QString::fromUtf8("Alle löschen"), "-",
                                            "E-Mail...", "-", "Quit                      Ctrl+Q"}));
    // The popup's Save item has its own default.
    EXPECT_EQ(itemTexts(Parts(dlg).fileMenu()),
              QStringList({QString::fromUtf8("Öffnen..."), "Save as", "Delete...",
                           QString::fromUtf8("Alle löschen"), "-", "E-Mail..."}));
    EXPECT_EQ(CommandOf(Parts(dlg).fileMenu()->actions()[1]), ids::kSaveAs);
}

TEST_F(Startup, SwitchingLanguageRelabelsAndStoresThePair) {
    QFile f(ProgramFolder() + "/Turkish1254.ini");
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write("[Zandor]\nFile=Dosya\nCapture=Yakala\n");
    f.close();
    test::InstalledLanguage language;
    MainWindow dlg(optionsWith(language));
    dlg.InitDialog();
    EXPECT_EQ(menuTitles(dlg.menuBar())[0], "File");
    Parts(dlg).OnCommand(1175); // Turkish
    EXPECT_EQ(menuTitles(dlg.menuBar())[0], "Dosya");
    EXPECT_EQ(menuTitles(dlg.menuBar())[2], "Yakala");
    QSettings store(SettingsFilePath(), QSettings::IniFormat);
    EXPECT_EQ(store.value("SOFTWARE/microscopeEx/LanguageID/LanID").toInt(), 31);
    EXPECT_EQ(store.value("SOFTWARE/microscopeEx/LanguageID/SubLanIDD").toInt(), 0);
    EXPECT_EQ(QGuiApplication::layoutDirection(), Qt::LeftToRight);
    Parts(dlg).OnCommand(33106); // Hebrew: the layouts mirror
    EXPECT_EQ(QGuiApplication::layoutDirection(), Qt::RightToLeft);
    Parts(dlg).OnCommand(1179); // traditional Chinese
    EXPECT_EQ(QGuiApplication::layoutDirection(), Qt::LeftToRight);
    EXPECT_EQ(QFileInfo(language.filePath()).fileName(), "Chinese950.ini");
    EXPECT_EQ(store.value("SOFTWARE/microscopeEx/LanguageID/SubLanIDD").toInt(), 1);
}

TEST_F(Startup, LanguageMenuOffersEveryLanguageAndFollowsTheSystemFromTheFirstRun) {
    qputenv("LANG", "de_DE.UTF-8");
    test::InstalledLanguage language;
    MainWindow dlg(optionsWith(language));
    dlg.InitDialog();
    QMenu* setting = dlg.menuBar()->actions()[1]->menu();
    QMenu* languages = setting->actions().last()->menu();
    ASSERT_NE(languages, nullptr);
    QList<QAction*> items;
    for (QAction* a : languages->actions())
        if (!a->isSeparator()) items << a;
    ASSERT_EQ(items.size(), 24); // "Follow the system" and 23 languages
    EXPECT_EQ(items[0]->text(), "Follow the system");
    QSet<QString> files;
    for (QAction* a : items.mid(1)) {
        for (const LanguageMenuItem& i : kLanguageMenu)
            if (i.command == CommandOf(a))
                files.insert(LanguageFilesFor(i.primary, i.sub, QString()).languageFile);
    }
    EXPECT_EQ(files.size(), 23) << "every language file once";
    // A first run follows the system: stored as 0, checked in the menu.
    QSettings store(SettingsFilePath(), QSettings::IniFormat);
    EXPECT_EQ(store.value("SOFTWARE/microscopeEx/LanguageID/LanID").toInt(), 0);
    EXPECT_TRUE(items[0]->isChecked());
    EXPECT_EQ(QFileInfo(language.filePath()).fileName(), "German1252.ini");

    Parts(dlg).OnCommand(1175); // Turkish
    EXPECT_FALSE(items[0]->isChecked());
    EXPECT_EQ(std::count_if(items.begin(), items.end(), [](QAction* a) { return a->isChecked(); }),
              1);
    // Back to following: stored as such, and the system's language at once.
    items[0]->trigger();
    EXPECT_TRUE(items[0]->isChecked());
    EXPECT_EQ(store.value("SOFTWARE/microscopeEx/LanguageID/LanID").toInt(), 0);
    EXPECT_EQ(QFileInfo(language.filePath()).fileName(), "German1252.ini");
}

TEST_F(Startup, FilePathDatReplacesTheTempFolder) {
    // Only an existing folder is stored and used.
    const QString elsewhere = QDir::homePath() + "/elsewhere/TempDir";
    ASSERT_TRUE(QDir().mkpath(elsewhere));
    ASSERT_TRUE(WriteFilePathDat(ProgramFolder(), elsewhere));
    MainWindow dlg({false, nullptr, &calibration_, &prompts_, &settings_});
    dlg.InitDialog();
    EXPECT_EQ(Parts(dlg).storage().tempDir, elsewhere);
}

TEST_F(Startup, CalibrationPromptFollowsSysDate) {
    {
        MainWindow dlg({false, nullptr, &calibration_, &prompts_, &settings_});
        dlg.InitDialog();
        EXPECT_TRUE(Parts(dlg).startupTimer()->isActive());
        // First tick: sys_date is 1, so the prompt is posted; OK with the box
        // cleared stores 0.
        acceptNextModal(/*uncheck=*/true);
        for (int i = 0; i < 100 && settings_.values().sys_date != 0; ++i) {
            QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
            QThread::msleep(5);
        }
        EXPECT_FALSE(Parts(dlg).startupTimer()->isActive());
    }
    QSettings store(SettingsFilePath(), QSettings::IniFormat);
    EXPECT_EQ(store.value("SOFTWARE/microscopeEx/LanguageID/sys_date").toInt(), 0);
}

// The reminder to calibrate comes only for a magnification without a
// calibration, while the setting asks for it.
TEST_F(Startup, NoCalibrationPromptWhenTheMagnificationIsCalibrated) {
    const QString file = ProgramFolder() + QStringLiteral("/CalibrationIni.ini");
    ASSERT_TRUE(QDir().mkpath(ProgramFolder()));
    {
        QFile empty(file);
        ASSERT_TRUE(empty.open(QIODevice::WriteOnly));
    }
    ASSERT_TRUE(StoreCalibration(file, QStringLiteral("60.0"), 61.2));
    MainWindow dlg({false, nullptr, &calibration_, &prompts_, &settings_});
    dlg.InitDialog();
    bool prompted = false;
    QTimer poll;
    poll.setInterval(10);
    QObject::connect(&poll, &QTimer::timeout, [&] {
        if (auto* d = qobject_cast<QDialog*>(QApplication::activeModalWidget())) {
            prompted = true;
            d->reject();
        }
    });
    poll.start();
    for (int i = 0; i < 40 && Parts(dlg).startupTimer()->isActive(); ++i) {
        QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
        QThread::msleep(5);
    }
    for (int i = 0; i < 20; ++i)
        QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
    EXPECT_FALSE(Parts(dlg).startupTimer()->isActive());
    EXPECT_FALSE(prompted);
    EXPECT_EQ(settings_.values().sys_date, 1u) << "the setting stays as it was";
}

TEST_F(Startup, CameraOutsideThePreviewStateWarns) {
    MainWindow dlg({false, nullptr, &calibration_, &prompts_, &settings_});
    dlg.InitDialog();
    Parts(dlg).OnCommand(ids::kCamera);
    ASSERT_EQ(prompts_.shown().size(), 1u);
    EXPECT_EQ(prompts_.shown()[0].text, "Please return to the preview state");
    EXPECT_EQ(prompts_.shown()[0].icon, Prompts::Icon::Warning);
}

} // namespace
} // namespace tvx

namespace tvx {
namespace {

TEST(StartupBadInput, UnusableDocumentsFolderAndDamagedFilesStillOpenTheWindow) {
    SettingsStore settings;
    // A file where the documents folder should be: nothing can be created below it.
    QDir(QDir::homePath() + "/Documents").removeRecursively();
    QFile blocker(QDir::homePath() + "/Documents");
    ASSERT_TRUE(blocker.open(QIODevice::WriteOnly));
    blocker.write("not a folder");
    blocker.close();
    // A filepath.dat of the wrong size and a language file of noise.
    QFile dat(ProgramFolder() + "/filepath.dat");
    ASSERT_TRUE(dat.open(QIODevice::WriteOnly));
    dat.write(QByteArray(77, 'x'));
    dat.close();
    QFile lang(ProgramFolder() + "/English1252.ini");
    ASSERT_TRUE(lang.open(QIODevice::WriteOnly));
    QByteArray noise(200000, '\0');
    for (int i = 0; i < noise.size(); ++i)
        noise[i] = char((i * 2654435761u) >> 13);
    lang.write("[Zandor]\nConnectMsg=\xff\xfe\x80\n" + noise);
    lang.close();
    ScriptedPrompts prompts;
    CalibrationState calibration;

    MainWindow dlg({false, nullptr, &calibration, &prompts, &settings});
    dlg.InitDialog();
    EXPECT_FALSE(QFileInfo(Parts(dlg).storage().picture).isDir());
    // The wrong-sized filepath.dat is ignored.
    EXPECT_TRUE(Parts(dlg).storage().tempDir.endsWith("/Orvanti files/TempDir"));
    EXPECT_FALSE(Parts(dlg).session().connectionMessage().isEmpty());
    EXPECT_EQ(Parts(dlg).magnificationText(), "60.0");
}

} // namespace
} // namespace tvx

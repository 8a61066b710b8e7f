// What the user is told about stills, errors and the desktop's restore.
#include "capture/capture_engine.h"
#include "measure/calibration.h"
#include "platform/folders.h"
#include "platform/language.h"
#include "platform/prompts.h"
#include "platform/settings.h"
#include "platform/sounds.h"
#include "tests/support/test_env.h"
#include "tests/ui/main/app_test_util.h"
#include "tests/ui/main/window_parts.h"
#include "ui/main/about_dlg.h"
#include "ui/main/main_window.h"
#include "ui/main/main_window_ids.h"
#include "ui/skin/bitmap_button.h"

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QTextDocument>
#include <gtest/gtest.h>

namespace tvx {
namespace {

class Feedback : public ::testing::Test {
protected:
    void SetUp() override {
        settings_.CreateFirstRun();
        settings_.WriteSysDate(0);
    }
    void TearDown() override {
        dlg_.reset();
        engine_.reset();
    }
    void withoutCamera() {
        engine_ = test::EngineWithoutCamera();
        dlg_ = std::make_unique<MainWindow>(
            MainWindow::Options{false, engine_.get(), &calibration_, &prompts_, &settings_});
        dlg_->InitDialog();
        Parts(*dlg_).session().stillFlags().Clear();
    }
    void connected() {
        dlg_ = std::make_unique<MainWindow>(
            MainWindow::Options{true, nullptr, &calibration_, &prompts_, &settings_});
        dlg_->InitDialog();
        dlg_->show();
        ASSERT_TRUE(
            test::WaitFor([&] { return Parts(*dlg_).session().frameSink().frameWidth() > 0; }));
    }
    void feedFrame() {
        frame_.assign(size_t(48) * 16, 90);
        Parts(*dlg_).session().frameSink().OnFrame(0.5, FrameView{frame_.data(), 16, 16, 48});
    }
    void still(StillSource source) {
        Parts(*dlg_).session().stillFlags().Request(source);
        Parts(*dlg_).session().OnStillDue(source == StillSource::Microscope);
    }
    int pictures() const {
        return QDir(Parts(*dlg_).storage().picture).entryList({"*.bmp"}, QDir::Files).size();
    }
    // A file where the Picture folder was: it can be neither used nor made again.
    void blockPictureFolder() {
        ASSERT_TRUE(QDir(Parts(*dlg_).storage().picture).removeRecursively());
        QFile f(Parts(*dlg_).storage().picture);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    }
    void unblockPictureFolder() { ASSERT_TRUE(QFile::remove(Parts(*dlg_).storage().picture)); }
    QLabel* mark() const { return Parts(*dlg_).stillFeedback().mark(); }

    SettingsStore settings_;
    ScriptedPrompts prompts_;
    CalibrationState calibration_;
    std::unique_ptr<CaptureEngine> engine_;
    std::unique_ptr<MainWindow> dlg_;
    std::vector<uint8_t> frame_;
};

TEST_F(Feedback, EveryFailedRequestIsToldWithItsCauseAndNoShutter) {
    withoutCamera();
    feedFrame();
    blockPictureFolder();
    const int shutter = SoundsRequested(181);
    for (int i = 0; i < 3; ++i)
        still(StillSource::Keyboard);
    ASSERT_EQ(prompts_.shown().size(), 3u);
    for (const auto& shown : prompts_.shown()) {
        EXPECT_TRUE(shown.text.contains(QDir::toNativeSeparators(Parts(*dlg_).storage().picture)));
        EXPECT_TRUE(shown.text.endsWith("The folder is missing and could not be made again."))
            << shown.text.toStdString();
    }
    EXPECT_EQ(SoundsRequested(181), shutter) << "a shutter for a picture never taken";

    // A removed folder is simply made again.
    unblockPictureFolder();
    still(StillSource::Keyboard);
    EXPECT_EQ(pictures(), 1);
    EXPECT_EQ(SoundsRequested(181), shutter + 1);
    EXPECT_EQ(prompts_.shown().size(), 3u);
}

TEST_F(Feedback, TheMicroscopesFailuresShowAsAMarkUntilThePictureIsSavedAgain) {
    withoutCamera();
    dlg_->show();
    feedFrame();
    blockPictureFolder();
    EXPECT_FALSE(mark()->isVisible());
    still(StillSource::Microscope);
    EXPECT_TRUE(prompts_.shown().empty()) << "no box while the eyes are on the specimen";
    ASSERT_TRUE(mark()->isVisible());
    EXPECT_EQ(mark()->parentWidget(), Parts(*dlg_).liveView());
    QTextDocument tip;
    tip.setHtml(mark()->toolTip());
    EXPECT_TRUE(tip.toPlainText().contains("The folder is missing"))
        << tip.toPlainText().toStdString();
    // A keyboard request in between gets its box; the mark stays.
    still(StillSource::Keyboard);
    EXPECT_EQ(prompts_.shown().size(), 1u);
    EXPECT_TRUE(mark()->isVisible());

    unblockPictureFolder();
    still(StillSource::Microscope);
    EXPECT_EQ(pictures(), 1);
    EXPECT_FALSE(mark()->isVisible());
}

TEST_F(Feedback, DroppedPressesAreShownUntilALaterPressGivesAPicture) {
    withoutCamera();
    dlg_->show();
    feedFrame();
    emit Parts(*dlg_).session().pressesDropped(12, 2);
    ASSERT_TRUE(mark()->isVisible());
    EXPECT_TRUE(mark()->text().contains("12 presses not taken")) << mark()->text().toStdString();
    emit Parts(*dlg_).session().pressesDropped(1, 1);
    EXPECT_TRUE(mark()->text().contains("13 presses not taken"));
    // The kept press made before the drop does not clear it; the next one does.
    still(StillSource::Microscope);
    EXPECT_TRUE(mark()->isVisible());
    still(StillSource::Microscope);
    EXPECT_FALSE(mark()->isVisible());
    EXPECT_EQ(pictures(), 2);
}

TEST_F(Feedback, CameraKeysArePressesOfTheMicroscopesButton) {
    connected();
    for (Qt::Key key : {Qt::Key_Camera, Qt::Key_WebCam}) {
        const int before = pictures();
        QKeyEvent press(QEvent::KeyPress, key, Qt::NoModifier);
        QApplication::sendEvent(dlg_.get(), &press);
        EXPECT_TRUE(press.isAccepted());
        EXPECT_TRUE(test::WaitFor([&] { return pictures() == before + 1; }, 4000)) << "key " << key;
    }
    // A held key repeats: the repeats are not presses.
    const int before = pictures();
    QKeyEvent repeat(QEvent::KeyPress, Qt::Key_Camera, Qt::NoModifier, QString(), true);
    QApplication::sendEvent(dlg_.get(), &repeat);
    test::Pump(1500);
    EXPECT_EQ(pictures(), before);
}

TEST_F(Feedback, TheDesktopsRestoreLeavesFullScreen) {
    connected();
    const QRect picture = Parts(*dlg_).liveView()->geometry();
    dlg_->setWindowState(Qt::WindowFullScreen);
    ASSERT_TRUE(test::WaitFor([&] { return Parts(*dlg_).isFullScreenMode(); }));
    // The desktop un-maximises or leaves full screen.
    dlg_->setWindowState(Qt::WindowNoState);
    ASSERT_TRUE(test::WaitFor([&] { return !Parts(*dlg_).isFullScreenMode(); }, 2000));
    EXPECT_EQ(Parts(*dlg_).liveView()->geometry(), picture);
    EXPECT_TRUE(Parts(*dlg_).commands().button(ids::kCamera)->isVisible());
    EXPECT_TRUE(Parts(*dlg_).magnificationBox()->isVisible());
    test::Pump(200);
    EXPECT_FALSE(Parts(*dlg_).isFullScreenMode()) << "left, then entered again";
}

TEST_F(Feedback, AStormOfErrorsGivesOneBoxAndEveryErrorIsLogged) {
    connected();
    for (int i = 0; i < 50; ++i)
        emit Parts(*dlg_).session().error(QStringLiteral("error %1").arg(i));
    ASSERT_EQ(prompts_.shown().size(), 1u);
    EXPECT_EQ(prompts_.shown()[0].text, "error 0");
    EXPECT_EQ(Parts(*dlg_).errorReporter().reported(), 50);

    // The pipeline's errors come the same way once the connection check
    // has had its say.
    Parts(*dlg_).errorReporter().SetQuietMilliseconds(0);
    emit Parts(*dlg_).session().engine()->captureError("pipeline broke");
    ASSERT_TRUE(test::WaitFor([&] { return prompts_.shown().size() == 2u; }, 4000));
    EXPECT_TRUE(prompts_.shown()[1].text.endsWith("pipeline broke"));
}

TEST_F(Feedback, LanguageTextsAreShownAsWritten) {
    test::installLanguageFiles();
    const QString tip = "<img src='/tmp/x.png'>Snap & <b>go</b>";
    QFile f(ProgramFolder() + "/English1252.ini");
    ASSERT_TRUE(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
    f.write("[Zandor]\nTipCamera=" + tip.toLatin1() + "\nAboutDescription=" + tip.toLatin1() +
            "\n");
    f.close();
    withoutCamera();
    Parts(*dlg_).SwitchLanguage(9, 0);
    QTextDocument shown;
    shown.setHtml(Parts(*dlg_).commands().button(ids::kCamera)->toolTip());
    EXPECT_EQ(shown.toPlainText(), tip + " (F2)");
    EXPECT_FALSE(shown.toHtml().contains("<img"));

    // The about box names the build's own version, as --version does.
    QCoreApplication::setApplicationVersion(QStringLiteral("9.8.7"));
    AboutDialog about(dlg_.get());
    EXPECT_EQ(about.description(), tip);
    QStringList texts;
    for (QLabel* l : about.findChildren<QLabel*>()) {
        if (l->text().isEmpty()) continue; // the icon
        texts << l->text();
        EXPECT_EQ(l->textFormat(), Qt::PlainText) << l->text().toStdString();
    }
    EXPECT_TRUE(texts.contains(QStringLiteral("Version 9.8.7"))) << texts.join('|').toStdString();
}

} // namespace
} // namespace tvx

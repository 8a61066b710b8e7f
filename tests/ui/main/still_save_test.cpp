#include "capture/capture_engine.h"
#include "measure/calibration.h"
#include "platform/prompts.h"
#include "platform/settings.h"
#include "platform/sounds.h"
#include "tests/ui/main/app_test_util.h"
#include "tests/ui/main/window_parts.h"
#include "ui/main/main_window.h"
#include "ui/main/save_as.h"
#include "ui/main/status_strip.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLineEdit>
#include <QRegularExpression>
#include <gtest/gtest.h>

namespace tvx {
namespace {

uint32_t le32(const QByteArray& b, int at) {
    return uint32_t(uint8_t(b[at])) | uint32_t(uint8_t(b[at + 1])) << 8 |
           uint32_t(uint8_t(b[at + 2])) << 16 | uint32_t(uint8_t(b[at + 3])) << 24;
}

class StillSave : public ::testing::Test {
protected:
    void SetUp() override {
        settings_.CreateFirstRun();
        settings_.WriteSysDate(0);
        engine_ = test::EngineWithoutCamera();
        dlg_ = std::make_unique<MainWindow>(
            MainWindow::Options{false, engine_.get(), &calibration_, &prompts_, &settings_});
        dlg_->InitDialog();
        flags().Clear();
    }
    void TearDown() override {
        dlg_.reset();
        engine_.reset();
    }

    // A 64 × 48 frame whose every byte says where it is.
    void feedFrame(uint8_t seed) {
        frame_.assign(size_t(kStride) * kHeight, 0);
        for (int y = 0; y < kHeight; ++y)
            for (int x = 0; x < kWidth * 3; ++x)
                frame_[size_t(y) * kStride + x] = uint8_t(seed + x * 7 + y * 13);
        Parts(*dlg_).session().frameSink().OnFrame(
            0.5, FrameView{frame_.data(), kWidth, kHeight, kStride});
    }
    StillFlags& flags() { return Parts(*dlg_).session().stillFlags(); }
    QStringList pictures() const {
        return QDir(Parts(*dlg_).storage().picture).entryList({"*.bmp"}, QDir::Files, QDir::Name);
    }

    static constexpr int kWidth = 64, kHeight = 48, kStride = kWidth * 3;
    SettingsStore settings_;
    ScriptedPrompts prompts_;
    CalibrationState calibration_;
    std::unique_ptr<CaptureEngine> engine_;
    std::unique_ptr<MainWindow> dlg_;
    std::vector<uint8_t> frame_;
};

TEST_F(StillSave, SavedStillIsTheFrameAsA24BitBmpUnderItsCounterName) {
    feedFrame(1);
    const int shutter = SoundsRequested(181);
    flags().Request(StillSource::Keyboard);
    Parts(*dlg_).session().OnStillDue(false);
    EXPECT_FALSE(flags().requested());
    EXPECT_EQ(SoundsRequested(181), shutter + 1);

    const QStringList files = pictures();
    ASSERT_EQ(files.size(), 1);
    EXPECT_TRUE(QRegularExpression(R"(^Still_\d{4}-\d\d-\d\d_\d{6}_60\.0X_N0001\.bmp$)")
                    .match(files[0])
                    .hasMatch())
        << files[0].toStdString();

    QFile f(Parts(*dlg_).storage().picture + "/" + files[0]);
    ASSERT_TRUE(f.open(QIODevice::ReadOnly));
    const QByteArray b = f.readAll();
    ASSERT_GE(b.size(), 54);
    EXPECT_EQ(b.left(2), "BM");
    EXPECT_EQ(le32(b, 14), 40u);               // information header size
    EXPECT_EQ(le32(b, 18), uint32_t(kWidth));  // width
    EXPECT_EQ(le32(b, 22), uint32_t(kHeight)); // height > 0: bottom-up
    EXPECT_EQ(uint8_t(b[28]), 24);             // bits per pixel
    EXPECT_EQ(le32(b, 30), 0u);                // uncompressed
    const int offset = int(le32(b, 10));
    ASSERT_EQ(b.size(), offset + kStride * kHeight);
    // Nothing is drawn over it, so every byte is the frame's, row for row.
    EXPECT_EQ(QByteArray(b.constData() + offset, kStride * kHeight),
              QByteArray(reinterpret_cast<const char*>(frame_.data()), kStride * kHeight));
}

TEST_F(StillSave, TheStatusStripNamesTheSavedStillWithALinkToItsFolder) {
    feedFrame(4);
    flags().Request(StillSource::Keyboard);
    Parts(*dlg_).session().OnStillDue(false);
    const QStringList files = pictures();
    ASSERT_EQ(files.size(), 1);
    auto* strip = dlg_->findChild<StatusStrip*>();
    ASSERT_NE(strip, nullptr);
    EXPECT_EQ(strip->plainText(), "Saved " + files[0] + "  Open folder");
    QString folder;
    QObject::connect(strip, &StatusStrip::openFolder, [&](const QString& f) { folder = f; });
    const QString link =
        QRegularExpression(R"re(href="([^"]+)")re").match(strip->text()).captured(1);
    emit strip->linkActivated(link);
    EXPECT_EQ(QFileInfo(folder), QFileInfo(Parts(*dlg_).storage().picture));
}

TEST_F(StillSave, EachRequestGivesExactlyOnePicture) {
    feedFrame(2);
    flags().Request(StillSource::Keyboard);
    // Frames keep telling while the request stands; only one picture comes of it.
    for (int i = 0; i < 3; ++i)
        emit Parts(*dlg_).session().frameSink().stillDue(false);
    QCoreApplication::processEvents();
    EXPECT_EQ(pictures().size(), 1);

    flags().Request(StillSource::Keyboard);
    emit Parts(*dlg_).session().frameSink().stillDue(false);
    QCoreApplication::processEvents();
    const QStringList files = pictures();
    ASSERT_EQ(files.size(), 2);
    // Same second or not, the counters differ.
    EXPECT_TRUE(files[0].endsWith("_N0001.bmp"));
    EXPECT_TRUE(files[1].endsWith("_N0002.bmp"));
}

TEST_F(StillSave, EmptiedMagnificationBoxLeavesItOutOfTheName) {
    feedFrame(3);
    Parts(*dlg_).magnificationBox()->clear();
    flags().Request(StillSource::Keyboard);
    Parts(*dlg_).session().OnStillDue(false);
    ASSERT_EQ(pictures().size(), 1);
    EXPECT_TRUE(QRegularExpression(R"(^Still_\d{4}-\d\d-\d\d_\d{6}_N0001\.bmp$)")
                    .match(pictures()[0])
                    .hasMatch());
}

TEST_F(StillSave, FailedSaveIsToldEveryTimeAndNeverCrashes) {
    feedFrame(4);
    // A file where the folder was: it can be neither used nor made again.
    const QString folder = Parts(*dlg_).storage().picture;
    const auto block = [&] {
        ASSERT_TRUE(QDir(folder).removeRecursively());
        QFile f(folder);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    };
    block();
    for (int i = 0; i < 2; ++i) {
        flags().Request(StillSource::Keyboard);
        Parts(*dlg_).session().OnStillDue(false);
    }
    ASSERT_EQ(prompts_.shown().size(), 2u);
    EXPECT_TRUE(prompts_.shown()[1].text.contains(QDir::toNativeSeparators(folder)));
    EXPECT_EQ(prompts_.shown()[1].icon, Prompts::Icon::Warning);
    // Once the folder can be made, saving works and a later failure is told again.
    ASSERT_TRUE(QFile::remove(folder));
    flags().Request(StillSource::Keyboard);
    Parts(*dlg_).session().OnStillDue(false);
    EXPECT_EQ(pictures().size(), 1);
    block();
    flags().Request(StillSource::Keyboard);
    Parts(*dlg_).session().OnStillDue(false);
    EXPECT_EQ(prompts_.shown().size(), 3u);
}

TEST_F(StillSave, NoFrameYetMeansNoFileAndAFolderNamedLikeAStillIsTold) {
    ASSERT_TRUE(QDir(Parts(*dlg_).storage().picture).mkpath("odd.bmp"));
    flags().Request(StillSource::Keyboard);
    Parts(*dlg_).session().OnStillDue(false);
    EXPECT_TRUE(pictures().isEmpty());
    EXPECT_FALSE(flags().requested());
    // The count's finding first, then why there is no picture.
    ASSERT_EQ(prompts_.shown().size(), 2u);
    EXPECT_EQ(prompts_.shown()[0].title, "Tavolux");
    EXPECT_EQ(prompts_.shown()[0].text, "Picture Error");
    EXPECT_EQ(prompts_.shown()[1].text, "There is no picture from the microscope yet.");
}

TEST(SaveAs, ProposesTheNameAndRefusesTheProgramsOwnFolder) {
    ScriptedPrompts p;
    const QString pictures = QDir::homePath() + "/Documents/Orvanti files/Picture";
    const QString videos = QDir::homePath() + "/Documents/Orvanti files/Video";
    const QString selected = pictures + "/Still_2026-12-07_101500_60.0X_N0003.bmp";

    EXPECT_TRUE(AskSaveAsTarget(p, QString(), true, pictures, videos, "Tavolux").isEmpty());
    ASSERT_EQ(p.shown().size(), 1u);
    EXPECT_EQ(p.shown()[0].text, "Please select an image or video");

    p.Push(QString(pictures.toUpper() + "/copy.bmp"));
    EXPECT_TRUE(AskSaveAsTarget(p, selected, true, pictures, videos, "Tavolux").isEmpty());
    // The dialog opens in the desktop's Pictures folder, or at home without one.
    EXPECT_EQ(p.lastProposedPath(), QDir::homePath() + "/Still_2026-12-07_101500_60.0X_N0003");
    ASSERT_TRUE(QDir().mkpath(QDir::homePath() + "/Pictures"));
    AskSaveAsTarget(p, selected, true, pictures, videos, "Tavolux");
    EXPECT_EQ(p.lastProposedPath(),
              QDir::homePath() + "/Pictures/Still_2026-12-07_101500_60.0X_N0003");
    ASSERT_EQ(p.shown().size(), 2u);
    EXPECT_EQ(p.shown()[1].title, "Save file");
    EXPECT_EQ(p.shown()[1].text, "Can't save file to temp directory!");

    // Elsewhere is fine; a name typed without extension gets the type's.
    p.Push(QString(QDir::homePath() + "/Desktop/copy"));
    EXPECT_EQ(AskSaveAsTarget(p, selected, true, pictures, videos, "Tavolux"),
              QDir::homePath() + "/Desktop/copy.bmp");
    // A sub-folder of the Picture folder is not the folder itself.
    p.Push(QString(pictures + "/old/copy.jpg"));
    EXPECT_EQ(AskSaveAsTarget(p, selected, true, pictures, videos, "Tavolux"),
              pictures + "/old/copy.jpg");
    // In video mode the Video folder is refused, the Picture folder is not.
    p.Push(QString(videos + "/x.avi"));
    EXPECT_TRUE(
        AskSaveAsTarget(p, videos + "/Video_N0001.avi", false, pictures, videos, "T").isEmpty());
    p.Push(QString(pictures + "/x"));
    EXPECT_EQ(AskSaveAsTarget(p, videos + "/Video_N0001.avi", false, pictures, videos, "T"),
              pictures + "/x.avi");
    // Cancel.
    EXPECT_TRUE(AskSaveAsTarget(p, selected, true, pictures, videos, "Tavolux").isEmpty());
}

} // namespace
} // namespace tvx

// The video player dialog driven through its buttons on small test videos.
#include "media/video_playback.h"
#include "tests/media/test_videos.h"
#include "tests/support/test_env.h"
#include "tests/support/wait.h"
#include "ui/player/player_ids.h"
#include "ui/player/video_player_dlg.h"
#include "ui/skin/bitmap_button.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QKeyEvent>
#include <QLabel>
#include <QSlider>
#include <gtest/gtest.h>

namespace tvx {
namespace {

using namespace player_ids;

void Pump(int ms) {
    QElapsedTimer t;
    t.start();
    while (t.elapsed() < ms)
        QApplication::processEvents(QEventLoop::AllEvents, 10);
}

class Player : public ::testing::Test {
protected:
    // A video of frames / fps seconds, opened in a shown player.
    std::unique_ptr<VideoPlayerDialog> Open(int frames, int fps,
                                            std::function<bool()> selected = {}) {
        const QString path = test::homeDir() + "/Video_1 test.avi";
        EXPECT_TRUE(test::MakeTestVideo(path, frames, fps));
        auto dlg = std::make_unique<VideoPlayerDialog>(path, std::move(selected));
        dlg->show();
        EXPECT_TRUE(dlg->OpenError().isEmpty()) << dlg->OpenError().toStdString();
        return dlg;
    }
    static QSlider* Slider(QWidget* dlg) {
        return dlg->findChild<QSlider*>(QString::number(kSlider));
    }
    static QAbstractButton* Button(QWidget* dlg, int id) {
        return dlg->findChild<QAbstractButton*>(QString::number(id));
    }
    static CLatchButton* Play(QWidget* dlg) {
        return dlg->findChild<CLatchButton*>(QString::number(kPlay));
    }
    static bool Settled(const VideoPlayerDialog& dlg) { return dlg.playback().WaitSettled(5000); }
};

TEST_F(Player, SliderCountsTenthsOfASecondAndTheFirstFrameShows) {
    auto dlg = Open(617, 50); // 12.34 s
    EXPECT_EQ(Slider(dlg.get())->minimum(), 0);
    EXPECT_EQ(Slider(dlg.get())->maximum(), 123);
    EXPECT_EQ(Slider(dlg.get())->value(), 0);
    EXPECT_TRUE(dlg->playback().IsPaused());
    EXPECT_FALSE(Play(dlg.get())->IsLatched());
    ASSERT_TRUE(test::WaitFor([&] { return !dlg->playback().CurrentFrame().isNull(); }));

    auto* area = dlg->findChild<CVideoArea*>(QString::number(kVideoArea));
    ASSERT_NE(area, nullptr);
    EXPECT_EQ(area->geometry(), QRect(6, 7, 580, 406));
    ASSERT_TRUE(
        test::WaitFor([&] { return area->ShownSerial() == dlg->playback().FrameSerial(); }));
    // The test pattern is not black: the frame reached the area.
    const QImage shown = area->grab().toImage();
    EXPECT_NE(shown.pixelColor(shown.width() / 2, shown.height() / 2), QColor(Qt::black));

    for (int id : {kFirst, kBackward, kPlay, kForward, kLast, kStop, kPause})
        EXPECT_NE(Button(dlg.get(), id), nullptr) << id;
    EXPECT_FALSE(Button(dlg.get(), kPause)->isVisible());
    EXPECT_EQ(Button(dlg.get(), kPlay)->toolTip(), "Play");
}

TEST_F(Player, BackwardAndForwardStopAtTheEnds) {
    auto dlg = Open(250, 50); // 5 s
    const double duration = dlg->playback().Duration();
    auto& playback = const_cast<VideoPlayback&>(dlg->playback());

    playback.Seek(1.5);
    ASSERT_TRUE(Settled(*dlg));
    Button(dlg.get(), kBackward)->click();
    ASSERT_TRUE(Settled(*dlg));
    EXPECT_NEAR(playback.Position(), 0.0, 0.001);
    EXPECT_TRUE(playback.IsPaused());

    playback.Seek(duration - 1.5);
    ASSERT_TRUE(Settled(*dlg));
    Button(dlg.get(), kForward)->click();
    ASSERT_TRUE(Settled(*dlg));
    EXPECT_NEAR(playback.Position(), duration, 0.021);

    Button(dlg.get(), kFirst)->click();
    ASSERT_TRUE(Settled(*dlg));
    EXPECT_NEAR(playback.Position(), 0.0, 0.001);
    Button(dlg.get(), kLast)->click();
    ASSERT_TRUE(Settled(*dlg));
    EXPECT_NEAR(playback.Position(), duration, 0.021);
    // And back from the end by one step.
    Button(dlg.get(), kBackward)->click();
    ASSERT_TRUE(Settled(*dlg));
    EXPECT_NEAR(playback.Position(), duration - 2, 0.021);
}

TEST_F(Player, TimeReadoutFollowsThePositionAndPlayOffersPauseWhilePlaying) {
    auto dlg = Open(617, 50); // 12.34 s
    auto* time = dlg->findChild<QLabel*>(QString::number(kTimeReadout));
    ASSERT_NE(time, nullptr);
    EXPECT_EQ(time->text(), "0:00 / 0:12");
    Button(dlg.get(), kLast)->click();
    EXPECT_TRUE(test::WaitFor([&] { return time->text() == "0:12 / 0:12"; }))
        << time->text().toStdString();
    Button(dlg.get(), kBackward)->click();
    EXPECT_TRUE(test::WaitFor([&] { return time->text() == "0:10 / 0:12"; }))
        << time->text().toStdString();

    // While playing, Play shows two bars (its middle is the dark gap between
    // them) where it showed a triangle (light in the middle), and says what
    // a click does.
    auto* play = Play(dlg.get());
    auto middle = [&] {
        const QImage pic = play->grab().toImage();
        return pic.pixelColor(pic.width() / 2, pic.height() / 2).lightness();
    };
    EXPECT_GT(middle(), 150);
    play->click();
    EXPECT_EQ(play->toolTip(), "Pause");
    EXPECT_LT(middle(), 150);
    play->click();
    EXPECT_EQ(play->toolTip(), "Play");
}

TEST_F(Player, TheEndOfTheVideoStopsAtTheStart) {
    auto dlg = Open(15, 25); // 0.6 s
    Button(dlg.get(), kPlay)->click();
    EXPECT_TRUE(Play(dlg.get())->IsLatched());
    EXPECT_TRUE(dlg->PositionTimerActive());
    EXPECT_TRUE(Button(dlg.get(), kFirst)->isEnabled());

    ASSERT_TRUE(test::WaitFor([&] { return !Play(dlg.get())->IsLatched(); }));
    EXPECT_FALSE(dlg->PositionTimerActive());
    EXPECT_EQ(Slider(dlg.get())->value(), 0);
    ASSERT_TRUE(Settled(*dlg));
    EXPECT_TRUE(dlg->playback().IsPaused());
    EXPECT_NEAR(dlg->playback().Position(), 0.0, 0.001);
    // Stepping stays possible after the end.
    EXPECT_TRUE(Button(dlg.get(), kFirst)->isEnabled());
    EXPECT_TRUE(Button(dlg.get(), kBackward)->isEnabled());
    EXPECT_TRUE(Button(dlg.get(), kLast)->isEnabled());

    // And it plays again from the start.
    Button(dlg.get(), kPlay)->click();
    EXPECT_TRUE(dlg->playback().IsRunning());
    ASSERT_TRUE(test::WaitFor([&] { return !Play(dlg.get())->IsLatched(); }));
}

TEST_F(Player, PlayTwicePausesAndThriceGoesOn) {
    auto dlg = Open(100, 25); // 4 s
    auto* play = Button(dlg.get(), kPlay);
    play->click();
    ASSERT_TRUE(test::WaitFor([&] { return dlg->playback().Position() > 0.3; }));
    play->click();
    EXPECT_FALSE(Play(dlg.get())->IsLatched());
    EXPECT_FALSE(dlg->PositionTimerActive());
    ASSERT_TRUE(Settled(*dlg));
    EXPECT_TRUE(dlg->playback().IsPaused());
    const double stoppedAt = dlg->playback().Position();
    EXPECT_GT(stoppedAt, 0.2);
    Pump(300);
    EXPECT_NEAR(dlg->playback().Position(), stoppedAt, 0.001);

    play->click();
    EXPECT_TRUE(dlg->playback().IsRunning());
    ASSERT_TRUE(test::WaitFor([&] { return dlg->playback().Position() > stoppedAt + 0.2; }));
    // It went on from where it stopped, not from the start.
    EXPECT_GE(Slider(dlg.get())->value(), int(stoppedAt * 10));
}

TEST_F(Player, PlayNeedsASelectedEntryAndKeysDoNotClose) {
    bool selected = false;
    auto dlg = Open(50, 25, [&] { return selected; });
    Button(dlg.get(), kPlay)->click();
    EXPECT_FALSE(Play(dlg.get())->IsLatched());
    EXPECT_FALSE(dlg->playback().IsRunning());
    selected = true;
    Button(dlg.get(), kPlay)->click();
    EXPECT_TRUE(Play(dlg.get())->IsLatched());

    for (int key : {Qt::Key_Escape, Qt::Key_Return, Qt::Key_Enter}) {
        QKeyEvent press(QEvent::KeyPress, key, Qt::NoModifier);
        QApplication::sendEvent(dlg.get(), &press);
    }
    EXPECT_TRUE(dlg->isVisible());
}

TEST_F(Player, AFileItCannotPlayLeavesEveryButtonHarmless) {
    const QString path = test::homeDir() + "/sound.wav";
    ASSERT_TRUE(test::MakeTestSound(path));
    VideoPlayerDialog dlg(path);
    dlg.show();
    EXPECT_FALSE(dlg.OpenError().isEmpty());
    EXPECT_EQ(Slider(&dlg)->maximum(), 0);
    for (int id : {kFirst, kBackward, kForward, kLast, kStop, kPlay})
        Button(&dlg, id)->click();
    Pump(100); // the position timer finds the slider at its end and stops
    EXPECT_FALSE(dlg.playback().IsOpen());
    EXPECT_FALSE(Play(&dlg)->IsLatched());
}

} // namespace
} // namespace tvx

// Recording and time-lapse pictures as the main window runs them, on the
// simulated microscope (640x480, 12 frames a second).
#include "capture/capture_engine.h"
#include "capture/sim_microscope.h"
#include "measure/calibration.h"
#include "platform/prompts.h"
#include "platform/settings.h"
#include "platform/sounds.h"
#include "tests/support/test_env.h"
#include "tests/ui/main/app_test_util.h"
#include "tests/ui/main/window_parts.h"
#include "ui/main/client_area.h"
#include "ui/main/main_window.h"
#include "ui/main/main_window_ids.h"
#include "ui/main/recording_glue.h"
#include "ui/main/status_strip.h"
#include "ui/record/capture_timer_dlg.h"
#include "ui/record/record_ids.h"
#include "ui/skin/skin.h"

extern "C" {
#include <libavformat/avformat.h>
}

#include <QApplication>
#include <QCheckBox>
#include <QDir>
#include <QLineEdit>
#include <QPushButton>
#include <QRegularExpression>
#include <QShortcut>
#include <QTimer>
#include <gtest/gtest.h>

namespace tvx {
namespace {

struct Played {
    int packets = -1; // -1 when a player cannot open the file
    int rate = 0;
    QSize size;
};

Played Play(const QString& path) {
    Played p;
    AVFormatContext* fmt = nullptr;
    if (avformat_open_input(&fmt, path.toLocal8Bit().constData(), nullptr, nullptr) < 0) return p;
    if (avformat_find_stream_info(fmt, nullptr) >= 0 && fmt->nb_streams == 1) {
        const AVStream* st = fmt->streams[0];
        p.packets = 0;
        p.rate = st->avg_frame_rate.den ? st->avg_frame_rate.num / st->avg_frame_rate.den : 0;
        p.size = QSize(st->codecpar->width, st->codecpar->height);
        AVPacket* pkt = av_packet_alloc();
        while (av_read_frame(fmt, pkt) >= 0) {
            if (pkt->size > 0) ++p.packets;
            av_packet_unref(pkt);
        }
        av_packet_free(&pkt);
    }
    avformat_close_input(&fmt);
    return p;
}

int PlayablePackets(const QString& path) {
    return Play(path).packets;
}

class RecordingWindow : public ::testing::Test {
protected:
    void SetUp() override {
        settings_.CreateFirstRun();
        settings_.WriteSysDate(0);
        dlg_ = std::make_unique<MainWindow>(
            MainWindow::Options{true, nullptr, &calibration_, &prompts_, &settings_});
        dlg_->InitDialog();
        dlg_->show();
        QObject::connect(glue(), &RecordingGlue::finished,
                         [this](const QString& p) { finished_.push_back(p); });
        ASSERT_TRUE(Parts(*dlg_).session().isConnected());
        ASSERT_NE(glue(), nullptr);
    }
    void TearDown() override { dlg_.reset(); }
    RecordingGlue* glue() { return Parts(*dlg_).recordingGlue(); }
    void hotKey(Qt::Key k) {
        for (QShortcut* s : dlg_->findChildren<QShortcut*>())
            if (s->key() == QKeySequence(k)) emit s->activated();
    }
    QStringList videos() const {
        return QDir(Parts(*dlg_).storage().video).entryList({"*.avi"}, QDir::Files, QDir::Name);
    }
    // Lets the simulator deliver a few frames into the open recording.
    void recordAWhile() { test::Pump(700); }

    SettingsStore settings_;
    ScriptedPrompts prompts_;
    CalibrationState calibration_;
    std::unique_ptr<MainWindow> dlg_;
    std::vector<QString> finished_;
};

TEST_F(RecordingWindow, F3TwiceRecordsOneFileAndF4AloneDoesNothing) {
    const int stops = SoundsRequested(kSoundRecordStop);
    hotKey(Qt::Key_F4);
    EXPECT_FALSE(Parts(*dlg_).isRecording());
    EXPECT_EQ(SoundsRequested(kSoundRecordStop), stops);
    EXPECT_TRUE(videos().isEmpty());

    const int starts = SoundsRequested(kSoundRecordStart);
    hotKey(Qt::Key_F3);
    ASSERT_TRUE(Parts(*dlg_).isRecording());
    EXPECT_TRUE(glue()->controller().IsRecording());
    EXPECT_TRUE(glue()->unlimitedTimer()->isActive());
    EXPECT_EQ(glue()->unlimitedTimer()->interval(), 1000);
    EXPECT_FALSE(glue()->timedTimer()->isActive());
    EXPECT_TRUE(Parts(*dlg_).commands().isSelected(ids::kVideo));
    EXPECT_FALSE(Parts(*dlg_).commands().isSelected(ids::kPreview));
    hotKey(Qt::Key_F3);
    EXPECT_EQ(SoundsRequested(kSoundRecordStart), starts + 1);
    ASSERT_EQ(videos().size(), 1);
    EXPECT_TRUE(QRegularExpression(R"(^Video_\d{4}-\d{2}-\d{2}_\d{6}_N0001\.avi$)")
                    .match(videos()[0])
                    .hasMatch())
        << videos()[0].toStdString();

    // The counter ticks under the picture.
    auto* client = dlg_->findChild<CClientArea*>();
    ASSERT_TRUE(test::WaitFor([&] { return client->recordingSeconds() >= 1; }, 3000));
    hotKey(Qt::Key_F4);
    EXPECT_FALSE(Parts(*dlg_).isRecording());
    EXPECT_FALSE(glue()->controller().IsRecording());
    EXPECT_FALSE(glue()->unlimitedTimer()->isActive());
    EXPECT_EQ(SoundsRequested(kSoundRecordStop), stops + 1);
    EXPECT_TRUE(Parts(*dlg_).commands().isSelected(ids::kPreview));
    EXPECT_EQ(client->recordingSeconds(), -1);
    ASSERT_EQ(finished_.size(), 1u);
    EXPECT_EQ(finished_[0], Parts(*dlg_).storage().video + "/" + videos()[0]);
    const Played played = Play(finished_[0]);
    EXPECT_GT(played.packets, 0);
    // Before any recorder dialog F3 records at the rate's start value.
    EXPECT_EQ(played.rate, 10);
}

TEST_F(RecordingWindow, AOneSecondLimitStopsAtTheFirstTickAndSoundsHalfASecondLater) {
    glue()->controller().SetDialogRunner(
        [](QWidget*, QSize, RecorderDialogState&) -> std::optional<RecorderDialogAnswer> {
            return RecorderDialogAnswer{1};
        });
    const int stops = SoundsRequested(kSoundRecordStop);
    Parts(*dlg_).OnCommand(ids::kVideo);
    ASSERT_TRUE(Parts(*dlg_).isRecording());
    QTimer* timer = glue()->timedTimer();
    EXPECT_TRUE(timer->isActive());
    EXPECT_EQ(timer->interval(), 1000);
    EXPECT_FALSE(glue()->unlimitedTimer()->isActive());

    // First tick: the recording closes, the live picture goes on, and the
    // timer is set to half a second; no stop sound yet.
    ASSERT_TRUE(test::WaitFor([&] { return !Parts(*dlg_).isRecording(); }, 3000));
    EXPECT_EQ(glue()->ElapsedSeconds(), 1);
    EXPECT_TRUE(timer->isActive());
    EXPECT_EQ(timer->interval(), 500);
    EXPECT_EQ(SoundsRequested(kSoundRecordStop), stops);
    EXPECT_TRUE(Parts(*dlg_).commands().isSelected(ids::kPreview));
    EXPECT_TRUE(Parts(*dlg_).inPreviewState());
    ASSERT_EQ(finished_.size(), 1u);
    EXPECT_GT(PlayablePackets(finished_[0]), 0);

    // The next tick sounds the stop and ends the timer.
    ASSERT_TRUE(test::WaitFor([&] { return !timer->isActive(); }, 2000));
    EXPECT_EQ(SoundsRequested(kSoundRecordStop), stops + 1);
    EXPECT_EQ(dlg_->findChild<CClientArea*>()->recordingSeconds(), -1);
}

TEST_F(RecordingWindow, UnplugDuringARecordingClosesAPlayableFile) {
    hotKey(Qt::Key_F3);
    ASSERT_TRUE(Parts(*dlg_).isRecording());
    recordAWhile();
    SimulatedMicroscope* sim = Parts(*dlg_).session().engine()->Simulator();
    ASSERT_NE(sim, nullptr);
    sim->Unplug();
    ASSERT_TRUE(test::WaitFor([&] { return !Parts(*dlg_).session().isConnected(); }));
    EXPECT_FALSE(Parts(*dlg_).isRecording());
    EXPECT_FALSE(glue()->controller().IsRecording());
    EXPECT_FALSE(glue()->unlimitedTimer()->isActive());
    EXPECT_FALSE(Parts(*dlg_).commands().isSelected(ids::kPreview));
    ASSERT_EQ(finished_.size(), 1u);
    EXPECT_GT(PlayablePackets(finished_[0]), 0);
    // Plugged back, the preview is the Preview button's again.
    sim->Plug();
    ASSERT_TRUE(test::WaitFor([&] { return Parts(*dlg_).session().isConnected(); }));
    EXPECT_TRUE(Parts(*dlg_).commands().isSelected(ids::kPreview));
}

TEST_F(RecordingWindow, WithoutTheMicroscopeNoRecordingStarts) {
    SimulatedMicroscope* sim = Parts(*dlg_).session().engine()->Simulator();
    ASSERT_NE(sim, nullptr);
    sim->Unplug();
    ASSERT_TRUE(test::WaitFor([&] { return !Parts(*dlg_).session().isConnected(); }));
    bool asked = false;
    glue()->controller().SetDialogRunner(
        [&](QWidget*, QSize, RecorderDialogState&) -> std::optional<RecorderDialogAnswer> {
            asked = true;
            return RecorderDialogAnswer{10};
        });
    prompts_.Clear();
    hotKey(Qt::Key_F3);
    Parts(*dlg_).OnCommand(ids::kVideo);
    EXPECT_FALSE(asked);
    EXPECT_FALSE(Parts(*dlg_).isRecording());
    EXPECT_FALSE(glue()->unlimitedTimer()->isActive());
    EXPECT_FALSE(glue()->timedTimer()->isActive());
    ASSERT_EQ(prompts_.shown().size(), 2u);
    for (const auto& shown : prompts_.shown()) {
        EXPECT_EQ(shown.text, "Please return to the preview state");
        EXPECT_EQ(shown.icon, Prompts::Icon::Warning);
    }
    // Gone while the dialog was open: OK starts nothing either.
    sim->Plug();
    ASSERT_TRUE(test::WaitFor([&] { return Parts(*dlg_).session().isConnected(); }));
    glue()->controller().SetDialogRunner(
        [&](QWidget*, QSize, RecorderDialogState&) -> std::optional<RecorderDialogAnswer> {
            sim->Unplug();
            test::WaitFor([&] { return !Parts(*dlg_).session().isConnected(); });
            return RecorderDialogAnswer{10};
        });
    Parts(*dlg_).OnCommand(ids::kVideo);
    EXPECT_FALSE(Parts(*dlg_).isRecording());
    EXPECT_EQ(prompts_.shown().size(), 3u);
    EXPECT_TRUE(videos().isEmpty());
    EXPECT_TRUE(finished_.empty());
}

// A reconnection (here the one after a resume) selects the Preview button
// while a timed recording runs; the limit's Preview command must then close
// the recording and keep the live picture, not stop it.
TEST_F(RecordingWindow, AResumeDuringATimedRecordingLeavesTheLivePictureRunning) {
    glue()->controller().SetDialogRunner(
        [](QWidget*, QSize, RecorderDialogState&) -> std::optional<RecorderDialogAnswer> {
            return RecorderDialogAnswer{2};
        });
    Parts(*dlg_).OnCommand(ids::kVideo);
    ASSERT_TRUE(Parts(*dlg_).isRecording());
    recordAWhile();
    Parts(*dlg_).session().OnResumed();
    ASSERT_TRUE(Parts(*dlg_).session().isConnected());
    EXPECT_TRUE(Parts(*dlg_).isRecording());
    EXPECT_FALSE(Parts(*dlg_).commands().isSelected(ids::kPreview)); // the AVI button stands for it
    ASSERT_TRUE(test::WaitFor([&] { return !Parts(*dlg_).isRecording(); }, 4000));
    EXPECT_TRUE(Parts(*dlg_).session().isPreviewRunning());
    EXPECT_TRUE(Parts(*dlg_).commands().isSelected(ids::kPreview));
    ASSERT_EQ(finished_.size(), 1u);
    EXPECT_GT(PlayablePackets(finished_[0]), 0);

    // F2 takes a picture of the running preview, and only one.
    std::vector<QString> stills;
    QObject::connect(&Parts(*dlg_).stills(), &StillCommands::saved,
                     [&](const QString& p) { stills.push_back(p); });
    hotKey(Qt::Key_F2);
    ASSERT_TRUE(test::WaitFor([&] { return !stills.empty(); }));
    // The Preview command stops the picture; F2 then says so and asks for
    // nothing that a later frame would answer.
    Parts(*dlg_).OnCommand(ids::kPreview);
    EXPECT_FALSE(Parts(*dlg_).session().isPreviewRunning());
    EXPECT_FALSE(Parts(*dlg_).commands().isSelected(ids::kPreview));
    prompts_.Clear();
    hotKey(Qt::Key_F2);
    ASSERT_EQ(prompts_.shown().size(), 1u);
    EXPECT_EQ(prompts_.shown()[0].text, "Please return to the preview state");
    Parts(*dlg_).OnCommand(ids::kPreview);
    EXPECT_TRUE(Parts(*dlg_).session().isPreviewRunning());
    test::Pump(500);
    EXPECT_EQ(stills.size(), 1u);
}

TEST_F(RecordingWindow, ASizeChangeWhileRecordingGoesOnInANewFileAndSaysSo) {
    hotKey(Qt::Key_F3);
    ASSERT_TRUE(Parts(*dlg_).isRecording());
    recordAWhile();
    prompts_.Clear();
    hotKey(Qt::Key_F12);
    ASSERT_TRUE(test::WaitFor([&] { return finished_.size() == 1; }));
    ASSERT_TRUE(test::WaitFor([&] { return !prompts_.shown().empty(); }));
    EXPECT_EQ(prompts_.shown()[0].title, "AVI Capture");
    EXPECT_EQ(prompts_.shown()[0].icon, Prompts::Icon::Information);
    EXPECT_TRUE(prompts_.shown()[0].text.contains("720*480"))
        << prompts_.shown()[0].text.toStdString();
    EXPECT_TRUE(prompts_.shown()[0].text.contains("_N0002.avi"))
        << prompts_.shown()[0].text.toStdString();
    EXPECT_TRUE(Parts(*dlg_).isRecording());
    recordAWhile();
    hotKey(Qt::Key_F4);
    ASSERT_EQ(finished_.size(), 2u);
    EXPECT_TRUE(finished_[0].endsWith("_N0001.avi"));
    EXPECT_TRUE(finished_[1].endsWith("_N0002.avi"));
    const Played before = Play(finished_[0]), after = Play(finished_[1]);
    EXPECT_EQ(before.size, QSize(640, 480));
    EXPECT_EQ(after.size, QSize(720, 480));
    EXPECT_GT(before.packets, 0);
    EXPECT_GT(after.packets, 0);
    // Nothing the camera delivered went missing.
    const RecordingCounts counts = glue()->controller().counts();
    EXPECT_EQ(counts.pictures + counts.held, counts.delivered);
    EXPECT_EQ(int64_t(before.packets + after.packets), counts.pictures);
}

TEST_F(RecordingWindow, AFailedStartSaysWhyTheFileCouldNotBeMade) {
    // The Video folder turned into a link to itself.
    const QString video = Parts(*dlg_).storage().video;
    ASSERT_TRUE(QDir(video).removeRecursively());
    ASSERT_TRUE(QFile::link(video, video));
    prompts_.Clear();
    hotKey(Qt::Key_F3);
    EXPECT_FALSE(Parts(*dlg_).isRecording());
    ASSERT_EQ(prompts_.shown().size(), 1u);
    const QString text = prompts_.shown()[0].text;
    EXPECT_TRUE(text.startsWith("Open avi file failed(0x")) << text.toStdString();
    EXPECT_TRUE(text.contains("Not a directory")) << text.toStdString();
    EXPECT_FALSE(text.contains("no free recording name")) << text.toStdString();
    QFile::remove(video);
}

TEST_F(RecordingWindow, ClosingTheWindowWhileRecordingClosesAPlayableFile) {
    hotKey(Qt::Key_F3);
    ASSERT_TRUE(Parts(*dlg_).isRecording());
    recordAWhile();
    const QString path = glue()->controller().lastPath();
    dlg_->close();
    EXPECT_FALSE(glue()->controller().IsRecording());
    ASSERT_EQ(finished_.size(), 1u);
    EXPECT_EQ(finished_[0], path);
    EXPECT_GT(PlayablePackets(path), 0);
}

TEST_F(RecordingWindow, TheClockButtonRunsASeriesThroughTheStillPath) {
    auto* strip = dlg_->findChild<StatusStrip*>();
    ASSERT_NE(strip, nullptr);
    std::vector<QString> stills;
    QObject::connect(&Parts(*dlg_).stills(), &StillCommands::saved,
                     [&](const QString& p) { stills.push_back(p); });
    // A picture needs a frame from before its request.
    ASSERT_TRUE(
        test::WaitFor([&] { return !Parts(*dlg_).session().frameSink().TakeStill().empty(); }));
    bool opened = false;
    // The dialog is modal: script it from inside its own event loop.
    QTimer::singleShot(0, [&] {
        auto* timerDlg = qobject_cast<CaptureTimerDialog*>(QApplication::activeModalWidget());
        if (!timerDlg) return;
        opened = true;
        // One picture, started at once.
        timerDlg->findChild<QCheckBox*>(QString::number(record_ids::kStartNow))->setChecked(true);
        timerDlg->findChild<QLineEdit*>(QString::number(record_ids::kPictureCount))->setText("1");
        timerDlg->findChild<QPushButton*>(QString::number(record_ids::kStartStop))->click();
        test::WaitFor([&] { return !stills.empty(); }, 5000);
        // The series' progress reaches the window's status strip too.
        EXPECT_TRUE(
            test::WaitFor([&] { return strip->plainText().endsWith("1 picture taken"); }, 3000))
            << strip->plainText().toStdString();
        timerDlg->reject();
    });
    Parts(*dlg_).OnCommand(ids::kClock);
    ASSERT_TRUE(opened);
    ASSERT_EQ(stills.size(), 1u);
    // Its last word stays a while after the dialog has gone.
    EXPECT_EQ(strip->plainText(), "1 picture taken");
    EXPECT_TRUE(QFileInfo(stills[0]).fileName().startsWith("Still_"));
}

TEST_F(RecordingWindow, ATimeLapseThatMissedPicturesSaysHowMany) {
    SimulatedMicroscope* sim = Parts(*dlg_).session().engine()->Simulator();
    ASSERT_NE(sim, nullptr);
    int requested = 0;
    QTimer::singleShot(0, [&] {
        auto* timerDlg = qobject_cast<CaptureTimerDialog*>(QApplication::activeModalWidget());
        if (!timerDlg) return;
        // Away before the first picture: its request stands, the next one
        // three seconds later finds it standing.
        sim->Unplug();
        test::WaitFor([&] { return !Parts(*dlg_).session().isConnected(); });
        timerDlg->findChild<QCheckBox*>(QString::number(record_ids::kStartNow))->setChecked(true);
        timerDlg->findChild<QLineEdit*>(QString::number(record_ids::kPictureCount))->setText("3");
        timerDlg->findChild<QPushButton*>(QString::number(record_ids::kStartStop))->click();
        test::WaitFor([&] { return timerDlg->requestedPictures() == 2; }, 6000);
        requested = timerDlg->requestedPictures();
        timerDlg->reject();
    });
    prompts_.Clear();
    Parts(*dlg_).OnCommand(ids::kClock);
    ASSERT_EQ(requested, 2);
    ASSERT_EQ(prompts_.shown().size(), 1u);
    EXPECT_TRUE(
        prompts_.shown()[0].text.startsWith("1 of the 2 time-lapse pictures were not taken"))
        << prompts_.shown()[0].text.toStdString();
}

} // namespace
} // namespace tvx

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
#include "ui/main/client_area.h"
#include "ui/main/main_window.h"
#include "ui/main/main_window_ids.h"
#include "ui/main/recording_glue.h"
#include "ui/record/capture_timer_dlg.h"
#include "ui/record/record_ids.h"
#include "ui/skin/skin.h"

extern "C" {
#include <libavformat/avformat.h>
}

#include <QApplication>
#include <QDir>
#include <QLineEdit>
#include <QPushButton>
#include <QRegularExpression>
#include <QShortcut>
#include <QTimer>
#include <gtest/gtest.h>

namespace tvx {
namespace {

// Packets a player finds in the file; -1 when it cannot open it.
int PlayablePackets(const QString& path) {
    AVFormatContext* fmt = nullptr;
    if (avformat_open_input(&fmt, path.toLocal8Bit().constData(), nullptr, nullptr) < 0) return -1;
    int packets = -1;
    if (avformat_find_stream_info(fmt, nullptr) >= 0 && fmt->nb_streams == 1) {
        packets = 0;
        AVPacket* pkt = av_packet_alloc();
        while (av_read_frame(fmt, pkt) >= 0) {
            ++packets;
            av_packet_unref(pkt);
        }
        av_packet_free(&pkt);
    }
    avformat_close_input(&fmt);
    return packets;
}

class RecordingWindow : public ::testing::Test {
protected:
    void SetUp() override {
        ResetSettings();
        CreateFirstRunSettings();
        WriteSysDate(0);
        SetPrompts(&prompts_);
        dlg_ = std::make_unique<MainWindow>(MainWindow::Options{true, nullptr, &calibration_});
        dlg_->InitDialog();
        dlg_->show();
        QObject::connect(dlg_.get(), &MainWindow::recordingFinished,
                         [this](const QString& p) { finished_.push_back(p); });
        ASSERT_TRUE(dlg_->session().isConnected());
        ASSERT_NE(glue(), nullptr);
    }
    void TearDown() override {
        dlg_.reset();
        SetPrompts(nullptr);
        ResetSettings();
    }
    RecordingGlue* glue() { return dlg_->recordingGlue(); }
    void hotKey(Qt::Key k) {
        for (QShortcut* s : dlg_->findChildren<QShortcut*>())
            if (s->key() == QKeySequence(k)) emit s->activated();
    }
    QStringList videos() const {
        return QDir(dlg_->storage().video).entryList({"*.avi"}, QDir::Files, QDir::Name);
    }
    // Lets the simulator deliver a few frames into the open recording.
    void recordAWhile() { test::Pump(700); }

    ScriptedPrompts prompts_;
    CalibrationState calibration_;
    std::unique_ptr<MainWindow> dlg_;
    std::vector<QString> finished_;
};

TEST_F(RecordingWindow, F3TwiceRecordsOneFileAndF4AloneDoesNothing) {
    const int stops = SoundsRequested(kSoundRecordStop);
    hotKey(Qt::Key_F4);
    EXPECT_FALSE(dlg_->isRecording());
    EXPECT_EQ(SoundsRequested(kSoundRecordStop), stops);
    EXPECT_TRUE(videos().isEmpty());

    const int starts = SoundsRequested(kSoundRecordStart);
    hotKey(Qt::Key_F3);
    ASSERT_TRUE(dlg_->isRecording());
    EXPECT_TRUE(glue()->controller().IsRecording());
    EXPECT_TRUE(glue()->unlimitedTimer()->isActive());
    EXPECT_EQ(glue()->unlimitedTimer()->interval(), 1000);
    EXPECT_FALSE(glue()->timedTimer()->isActive());
    EXPECT_TRUE(dlg_->commands().isSelected(ids::kVideo));
    EXPECT_FALSE(dlg_->commands().isSelected(ids::kPreview));
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
    EXPECT_FALSE(dlg_->isRecording());
    EXPECT_FALSE(glue()->controller().IsRecording());
    EXPECT_FALSE(glue()->unlimitedTimer()->isActive());
    EXPECT_EQ(SoundsRequested(kSoundRecordStop), stops + 1);
    EXPECT_TRUE(dlg_->commands().isSelected(ids::kPreview));
    EXPECT_EQ(client->recordingSeconds(), -1);
    ASSERT_EQ(finished_.size(), 1u);
    EXPECT_EQ(finished_[0], dlg_->storage().video + "/" + videos()[0]);
    EXPECT_GT(PlayablePackets(finished_[0]), 0);
}

TEST_F(RecordingWindow, AOneSecondLimitStopsAtTheFirstTickAndSoundsHalfASecondLater) {
    glue()->controller().SetDialogRunner(
        [](QWidget*, QSize, RecorderDialogState&) -> std::optional<RecorderDialogAnswer> {
            return RecorderDialogAnswer{1};
        });
    const int stops = SoundsRequested(kSoundRecordStop);
    dlg_->OnCommand(ids::kVideo);
    ASSERT_TRUE(dlg_->isRecording());
    QTimer* timer = glue()->timedTimer();
    EXPECT_TRUE(timer->isActive());
    EXPECT_EQ(timer->interval(), 1000);
    EXPECT_FALSE(glue()->unlimitedTimer()->isActive());

    // First tick: the recording closes, the live picture goes on, and the
    // timer is set to half a second; no stop sound yet.
    ASSERT_TRUE(test::WaitFor([&] { return !dlg_->isRecording(); }, 3000));
    EXPECT_EQ(glue()->ElapsedSeconds(), 1);
    EXPECT_TRUE(timer->isActive());
    EXPECT_EQ(timer->interval(), 500);
    EXPECT_EQ(SoundsRequested(kSoundRecordStop), stops);
    EXPECT_TRUE(dlg_->commands().isSelected(ids::kPreview));
    EXPECT_TRUE(dlg_->inPreviewState());
    ASSERT_EQ(finished_.size(), 1u);
    EXPECT_GT(PlayablePackets(finished_[0]), 0);

    // The next tick sounds the stop and ends the timer.
    ASSERT_TRUE(test::WaitFor([&] { return !timer->isActive(); }, 2000));
    EXPECT_EQ(SoundsRequested(kSoundRecordStop), stops + 1);
    EXPECT_EQ(dlg_->findChild<CClientArea*>()->recordingSeconds(), -1);
}

TEST_F(RecordingWindow, UnplugDuringARecordingClosesAPlayableFile) {
    hotKey(Qt::Key_F3);
    ASSERT_TRUE(dlg_->isRecording());
    recordAWhile();
    SimulatedMicroscope* sim = dlg_->session().engine()->Simulator();
    ASSERT_NE(sim, nullptr);
    sim->Unplug();
    ASSERT_TRUE(test::WaitFor([&] { return !dlg_->session().isConnected(); }));
    EXPECT_FALSE(dlg_->isRecording());
    EXPECT_FALSE(glue()->controller().IsRecording());
    EXPECT_FALSE(glue()->unlimitedTimer()->isActive());
    EXPECT_FALSE(dlg_->commands().isSelected(ids::kPreview));
    ASSERT_EQ(finished_.size(), 1u);
    EXPECT_GT(PlayablePackets(finished_[0]), 0);
    // Plugged back, the preview is the Preview button's again.
    sim->Plug();
    ASSERT_TRUE(test::WaitFor([&] { return dlg_->session().isConnected(); }));
    EXPECT_TRUE(dlg_->commands().isSelected(ids::kPreview));
}

TEST_F(RecordingWindow, ClosingTheWindowWhileRecordingClosesAPlayableFile) {
    hotKey(Qt::Key_F3);
    ASSERT_TRUE(dlg_->isRecording());
    recordAWhile();
    const QString path = glue()->controller().lastPath();
    dlg_->close();
    EXPECT_FALSE(glue()->controller().IsRecording());
    ASSERT_EQ(finished_.size(), 1u);
    EXPECT_EQ(finished_[0], path);
    EXPECT_GT(PlayablePackets(path), 0);
}

TEST_F(RecordingWindow, TheClockButtonRunsASeriesThroughTheStillPath) {
    std::vector<QString> stills;
    QObject::connect(dlg_.get(), &MainWindow::stillSaved,
                     [&](const QString& p) { stills.push_back(p); });
    // A picture needs a frame from before its request.
    ASSERT_TRUE(test::WaitFor([&] { return !dlg_->session().frameSink().TakeStill().empty(); }));
    bool opened = false;
    // The dialog is modal: script it from inside its own event loop.
    QTimer::singleShot(0, [&] {
        auto* timerDlg = qobject_cast<CCaptureTimerDlg*>(QApplication::activeModalWidget());
        if (!timerDlg) return;
        opened = true;
        // One picture at the current second (the fields start at now).
        timerDlg->findChild<QLineEdit*>(QString::number(record_ids::kPictureCount))->setText("1");
        timerDlg->findChild<QPushButton*>(QString::number(record_ids::kStartStop))->click();
        test::WaitFor([&] { return !stills.empty(); }, 5000);
        timerDlg->reject();
    });
    dlg_->OnCommand(ids::kClock);
    ASSERT_TRUE(opened);
    ASSERT_EQ(stills.size(), 1u);
    EXPECT_TRUE(QFileInfo(stills[0]).fileName().startsWith("Still_"));
}

} // namespace
} // namespace tvx

#include "platform/prompts.h"
#include "tests/support/test_env.h"
#include "ui/record/record_ids.h"
#include "ui/record/recorder_setting_dlg.h"
#include "ui/record/recording_controller.h"

extern "C" {
#include <libavformat/avformat.h>
}

#include <QApplication>
#include <QCheckBox>
#include <QDir>
#include <QFile>
#include <QLineEdit>
#include <QPushButton>
#include <QTimer>
#include <gtest/gtest.h>
#include <vector>

namespace tvx {
namespace {

using namespace record_ids;

template <class W> W* Find(QWidget* dlg, int id) {
    return dlg->findChild<W*>(QString::number(id));
}

struct Played {
    bool opened = false;
    AVCodecID codec = AV_CODEC_ID_NONE;
    int rate = 0;
    int packets = 0;
};

Played Play(const QString& path) {
    Played p;
    AVFormatContext* fmt = nullptr;
    if (avformat_open_input(&fmt, path.toLocal8Bit().constData(), nullptr, nullptr) < 0) return p;
    if (avformat_find_stream_info(fmt, nullptr) >= 0 && fmt->nb_streams == 1) {
        p.opened = true;
        const AVStream* st = fmt->streams[0];
        p.codec = st->codecpar->codec_id;
        p.rate = st->avg_frame_rate.den ? st->avg_frame_rate.num / st->avg_frame_rate.den : 0;
        AVPacket* pkt = av_packet_alloc();
        while (av_read_frame(fmt, pkt) >= 0) {
            ++p.packets;
            av_packet_unref(pkt);
        }
        av_packet_free(&pkt);
    }
    avformat_close_input(&fmt);
    return p;
}

class Recording : public ::testing::Test {
protected:
    void SetUp() override {
        folder = test::homeDir() + "/Video";
        QDir().mkpath(folder);
        controller = std::make_unique<RecordingController>(
            RecordingController::Hooks{
                [this] { return size; },
                [this] {
                    // Reserved as the window does: an empty file under a free name.
                    QFile f(folder + QString("/Video_N%1.avi").arg(++counter, 4, 10, QChar('0')));
                    return RecordingTarget{
                        f.open(QIODevice::NewOnly) ? f.fileName() : QString(), {}, 0};
                },
                [this](const QString& p) { finished.push_back(p); },
                {}},
            scripted);
    }
    void TearDown() override { controller.reset(); }
    // Runs the real dialog without an event loop: `script` presses its
    // buttons, as the user would.
    void ScriptDialog(std::function<void(RecorderSettingsDialog&)> script) {
        controller->SetDialogRunner(
            [this, script](QWidget*, QSize s,
                           RecorderDialogState& state) -> std::optional<RecorderDialogAnswer> {
                RecorderSettingsDialog dlg(s.width(), s.height(), state, scripted, chooser);
                script(dlg);
                if (dlg.result() != QDialog::Accepted) return std::nullopt;
                return RecorderDialogAnswer{dlg.timeLimit()};
            });
    }
    void Deliver(int frames) {
        const int stride = (size.width() * 3 + 3) & ~3;
        std::vector<uint8_t> px(size_t(stride) * size.height(), 0x55);
        for (int i = 0; i < frames; ++i)
            controller->WriteFrame(FrameView{px.data(), size.width(), size.height(), stride});
    }

    ScriptedPrompts scripted;
    QString folder;
    int counter = 0;
    QSize size{320, 240};
    std::vector<QString> finished;
    std::unique_ptr<RecordingController> controller;
    CompressorChooser chooser = [](QWidget*, int, int, const CompressorChoice&) {
        return std::optional<CompressorChoice>(CompressorChoice{"mjpeg", 60});
    };
};

TEST_F(Recording, DialogStartsWithTheRateOfTheCaptureWidth) {
    RecorderDialogState state;
    for (const auto& [width, text] :
         {std::pair{320, "25"}, std::pair{640, "12"}, std::pair{720, "10"}, std::pair{800, ""}}) {
        RecorderSettingsDialog dlg(width, 480, state, scripted, chooser);
        EXPECT_EQ(Find<QLineEdit>(&dlg, kFrameRate)->text(), text) << width;
        EXPECT_TRUE(Find<QCheckBox>(&dlg, kTimeLimitCheck)->isChecked());
        EXPECT_EQ(Find<QLineEdit>(&dlg, kSeconds)->text(), "10");
    }
}

TEST_F(Recording, CancelStartsNothing) {
    // The real dialog, run modally and cancelled by a click.
    QTimer::singleShot(0, [] {
        QWidget* dlg = QApplication::activeModalWidget();
        ASSERT_NE(dlg, nullptr);
        Find<QPushButton>(dlg, kCancel)->click();
    });
    EXPECT_FALSE(controller->ToggleWithDialog());
    EXPECT_FALSE(controller->IsRecording());
    Deliver(3);
    controller->Stop();
    EXPECT_TRUE(finished.empty());
    EXPECT_TRUE(QDir(folder).entryList(QDir::Files).isEmpty());
}

TEST_F(Recording, OkWithoutCompressRecordsWithTheDefaultEvenAfterAnotherWasChosen) {
    ScriptDialog([](RecorderSettingsDialog& dlg) {
        Find<QPushButton>(&dlg, kCompress)->click();
        Find<QPushButton>(&dlg, kOk)->click();
    });
    ASSERT_TRUE(controller->ToggleWithDialog());
    EXPECT_EQ(controller->dialogState().compressor, (CompressorChoice{"mjpeg", 60}));
    Deliver(4);
    EXPECT_FALSE(controller->ToggleWithDialog());
    ASSERT_EQ(finished.size(), 1u);
    EXPECT_EQ(Play(finished[0]).codec, AV_CODEC_ID_MJPEG);

    ScriptDialog([](RecorderSettingsDialog& dlg) { Find<QPushButton>(&dlg, kOk)->click(); });
    ASSERT_TRUE(controller->ToggleWithDialog());
    Deliver(6);
    EXPECT_FALSE(controller->ToggleWithDialog());
    ASSERT_EQ(finished.size(), 2u);
    const Played p = Play(finished[1]);
    EXPECT_EQ(p.codec, AV_CODEC_ID_MSVIDEO1);
    EXPECT_EQ(p.rate, 25);
    EXPECT_EQ(p.packets, 6);
}

TEST_F(Recording, SecondsOutOfRangeKeepTheDialogOpenWithTheRateTaken) {
    RecorderDialogState state;
    RecorderSettingsDialog dlg(640, 480, state, scripted, chooser);
    Find<QLineEdit>(&dlg, kFrameRate)->setText("7");
    Find<QLineEdit>(&dlg, kSeconds)->setText("100000");
    Find<QPushButton>(&dlg, kOk)->click();
    EXPECT_NE(dlg.result(), QDialog::Accepted);
    ASSERT_EQ(scripted.shown().size(), 1u);
    EXPECT_EQ(scripted.shown()[0].text, "Please enter an integer between 1 and 99999.");
    EXPECT_EQ(state.frameRate, 7);
    // Unchecked, the seconds box does not matter and there is no limit.
    Find<QCheckBox>(&dlg, kTimeLimitCheck)->setChecked(false);
    EXPECT_FALSE(Find<QLineEdit>(&dlg, kSeconds)->isEnabled());
    Find<QPushButton>(&dlg, kOk)->click();
    EXPECT_EQ(dlg.result(), QDialog::Accepted);
    EXPECT_EQ(dlg.timeLimit(), kNoTimeLimit);
}

TEST_F(Recording, TextForAFrameRateRecordsAtTheWidthsDefaultRate) {
    size = QSize(640, 480);
    ScriptDialog([](RecorderSettingsDialog& dlg) {
        Find<QLineEdit>(&dlg, kFrameRate)->setText("fast");
        Find<QLineEdit>(&dlg, kSeconds)->setText("1");
        Find<QPushButton>(&dlg, kOk)->click();
    });
    ASSERT_TRUE(controller->ToggleWithDialog());
    EXPECT_EQ(controller->dialogState().frameRate, 0);
    EXPECT_EQ(controller->TimeLimit(), 1);
    Deliver(2);
    // The one-second limit stops at the first tick, the sound comes at the next.
    EXPECT_EQ(controller->OnSecondTick(), SecondTick::StopAtLimit);
    controller->Stop();
    EXPECT_EQ(controller->OnSecondTick(), SecondTick::LimitPassed);
    ASSERT_EQ(finished.size(), 1u);
    const Played p = Play(finished[0]);
    EXPECT_EQ(p.rate, 12);
    EXPECT_EQ(p.packets, 2);
}

TEST_F(Recording, F3TwiceStartsOneRecordingAndStopWhenIdleDoesNothing) {
    controller->Stop();
    EXPECT_TRUE(finished.empty());
    ASSERT_TRUE(controller->StartUnlimited());
    ASSERT_TRUE(controller->StartUnlimited());
    EXPECT_EQ(controller->TimeLimit(), kNoTimeLimit);
    Deliver(5);
    controller->Stop();
    ASSERT_EQ(finished.size(), 1u);
    EXPECT_EQ(QDir(folder).entryList(QDir::Files).size(), 1);
    const Played p = Play(finished[0]);
    EXPECT_EQ(p.codec, AV_CODEC_ID_MSVIDEO1);
    EXPECT_EQ(p.packets, 5);
}

TEST_F(Recording, ARefusedSizeShowsItsMessageAndLeavesNoFile) {
    size = QSize(322, 242);
    EXPECT_FALSE(controller->StartUnlimited());
    ASSERT_EQ(scripted.shown().size(), 1u);
    EXPECT_EQ(scripted.shown()[0].title, "AVI Capture");
    EXPECT_EQ(scripted.shown()[0].icon, Prompts::Icon::Error);
    EXPECT_TRUE(scripted.shown()[0].text.startsWith("Unsupport compressed format"));
    EXPECT_TRUE(QDir(folder).entryList(QDir::Files).isEmpty());
}

} // namespace
} // namespace tvx

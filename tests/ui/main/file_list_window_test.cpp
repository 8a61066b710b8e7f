// The file list in the main window: new stills, the player, the device
// settings dialog and the save-as file dialog.
#include "capture/capture_engine.h"
#include "measure/calibration.h"
#include "platform/prompts.h"
#include "platform/settings.h"
#include "tests/media/test_videos.h"
#include "tests/support/test_env.h"
#include "tests/ui/main/app_test_util.h"
#include "tests/ui/main/window_parts.h"
#include "ui/device/device_setting_dlg.h"
#include "ui/files/file_commands.h"
#include "ui/files/file_list_view.h"
#include "ui/main/device_settings_glue.h"
#include "ui/main/main_window.h"
#include "ui/player/video_player_dlg.h"
#include "ui/skin/widget_prompts.h"

#include <QAbstractButton>
#include <QApplication>
#include <QDir>
#include <QFile>
#include <QFileDialog>
#include <QLineEdit>
#include <QMenu>
#include <QMessageBox>
#include <QMouseEvent>
#include <QTimer>
#include <gtest/gtest.h>

namespace tvx {
namespace {

class FileListWindow : public ::testing::Test {
protected:
    void SetUp() override {
        settings_.CreateFirstRun();
        settings_.WriteSysDate(0);
        engine_ = test::EngineWithoutCamera();
    }
    void TearDown() override {
        dlg_.reset();
        engine_.reset();
    }
    MainWindow& Window() {
        dlg_ = std::make_unique<MainWindow>(
            MainWindow::Options{false, engine_.get(), &calibration_, &prompts_, &settings_});
        dlg_->InitDialog();
        dlg_->show();
        return *dlg_;
    }
    FileCommands& files() { return Parts(*dlg_).fileCommands(); }
    CFileListView* view() { return files().view(); }
    void ClickList(QPoint client, Qt::MouseButton button = Qt::LeftButton,
                   QEvent::Type type = QEvent::MouseButtonPress) {
        QWidget* port = view()->viewport();
        QMouseEvent e(type, QPointF(client), QPointF(port->mapToGlobal(client)), button, button,
                      Qt::NoModifier);
        QApplication::sendEvent(port, &e);
    }
    // Runs `inside` on the first modal dialog of type T that shows up while
    // `run` runs; answers whether one did.
    template <class T, class F> static bool WhileModal(std::function<void()> run, F inside) {
        bool seen = false;
        QTimer poll;
        poll.setInterval(20);
        QObject::connect(&poll, &QTimer::timeout, [&] {
            if (auto* d = qobject_cast<T*>(QApplication::activeModalWidget()); d && !seen) {
                seen = true;
                inside(d);
            }
        });
        poll.start();
        run();
        poll.stop();
        return seen;
    }

    SettingsStore settings_;
    ScriptedPrompts prompts_;
    CalibrationState calibration_;
    std::unique_ptr<CaptureEngine> engine_;
    std::unique_ptr<MainWindow> dlg_;
};

TEST_F(FileListWindow, TheListTakesTheFileListPlaceAndANewStillComesSelected) {
    Window();
    ASSERT_NE(view(), nullptr);
    EXPECT_EQ(view()->geometry(), QRect(8, 87, 179, 480));
    EXPECT_EQ(view()->objectName(), "fileList");

    QImage img(64, 48, QImage::Format_RGB888);
    img.fill(QColor(10, 200, 90));
    const QString path = Parts(*dlg_).storage().picture + "/Still_x.bmp";
    ASSERT_TRUE(img.save(path, "BMP"));
    emit Parts(*dlg_).stills().saved(path);
    EXPECT_EQ(files().SelectedPath(), path);
    EXPECT_EQ(view()->currentIndex().row(), 0);

    // Switching to the videos tab shows the (empty) video list.
    emit Parts(*dlg_).recordingGlue()->finished(Parts(*dlg_).storage().video + "/Video_1.avi");
    EXPECT_EQ(files().model().Count(ListMode::Videos), 1);
    EXPECT_EQ(files().model().mode(), ListMode::Pictures);
}

TEST_F(FileListWindow, RightClickOverEmptySpaceShowsNoMenu) {
    Window();
    ClickList(QPoint(100, 400), Qt::RightButton);
    EXPECT_FALSE(Parts(*dlg_).fileMenu()->isVisible());
    EXPECT_EQ(QApplication::activePopupWidget(), nullptr);
}

TEST_F(FileListWindow, OpenOnAVideoRunsThePlayer) {
    Window();
    const QString video = Parts(*dlg_).storage().video + "/Video_1.avi";
    ASSERT_TRUE(test::MakeTestVideo(video, 10, 10));
    emit Parts(*dlg_).recordingGlue()->finished(video);
    // The videos tab of the window.
    QMouseEvent tab(QEvent::MouseButtonPress, QPointF(90, 60), QPointF(90, 60), Qt::LeftButton,
                    Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(dlg_->centralWidget(), &tab);
    ASSERT_EQ(files().model().mode(), ListMode::Videos);
    ASSERT_EQ(files().SelectedPath(), video);

    QString title;
    const bool opened = WhileModal<VideoPlayerDialog>(
        [&] {
            Parts(*dlg_).OnCommand(ids::kOpen);
            test::WaitFor([&] { return !title.isEmpty(); }, 15000);
        },
        [&](VideoPlayerDialog* player) {
            title = player->windowTitle();
            EXPECT_TRUE(player->OpenError().isEmpty()) << player->OpenError().toStdString();
            QTimer::singleShot(50, player, &QDialog::reject);
        });
    EXPECT_TRUE(opened);
    EXPECT_EQ(title, "Video Player");
    test::Pump(100);
    EXPECT_EQ(QApplication::activeModalWidget(), nullptr);
}

TEST_F(FileListWindow, DeviceSettingsRefillAfterEachConnectionCheck) {
    Window();
    int refills = 0;
    struct Counter : QObject {
        int* n;
        explicit Counter(int* c) : n(c) {}
        bool eventFilter(QObject*, QEvent* e) override {
            // The refill arrives as a queued call, after the check.
            if (e->type() == QEvent::MetaCall) ++*n;
            return false;
        }
    } counter(&refills);

    const bool opened = WhileModal<DeviceSettingsDialog>(
        [&] { Parts(*dlg_).OnCommand(ids::kDeviceSetting); },
        [&](DeviceSettingsDialog* d) {
            EXPECT_EQ(Parts(*dlg_).deviceSettings().dialog(), d);
            d->installEventFilter(&counter);
            Parts(*dlg_).session().CheckConnection(); // a device came or went
            test::WaitFor([&] { return refills > 0; });
            d->reject();
        });
    EXPECT_TRUE(opened);
    EXPECT_EQ(refills, 1);
    EXPECT_EQ(Parts(*dlg_).deviceSettings().dialog(), nullptr);
    // A check with the dialog closed queues nothing anywhere.
    Parts(*dlg_).session().CheckConnection();
    test::Pump(50);
    EXPECT_EQ(refills, 1);
}

TEST_F(FileListWindow, TheSaveDialogAddsTheTypesSuffixBeforeAskingToReplace) {
    const QString folder = test::homeDir() + "/elsewhere";
    QDir().mkpath(folder);
    QFile existing(folder + "/foo.bmp");
    ASSERT_TRUE(existing.open(QIODevice::WriteOnly));
    existing.write("old");
    existing.close();

    WidgetPrompts real;
    QString asked, filter;
    QString answer;
    const auto typeFoo = [&](QFileDialog* d, bool replace) {
        auto* edit = d->findChild<QLineEdit*>(QStringLiteral("fileNameEdit"));
        ASSERT_NE(edit, nullptr);
        edit->setText(QStringLiteral("foo"));
        QTimer::singleShot(0, d, [&, d, replace] {
            // The question about the existing file comes inside accept().
            WhileModal<QMessageBox>(
                [d] { QMetaObject::invokeMethod(d, "accept", Qt::DirectConnection); },
                [&](QMessageBox* box) {
                    asked = box->text();
                    box->button(replace ? QMessageBox::Yes : QMessageBox::No)->click();
                });
            if (d->isVisible()) d->reject();
        });
    };
    WhileModal<QFileDialog>(
        [&] {
            answer = real.SaveFileName("Save", folder + "/x",
                                       "Bitmap Files(*.bmp);;JPEG Files(*.jpg)", &filter);
        },
        [&](QFileDialog* d) { typeFoo(d, false); });
    EXPECT_TRUE(asked.contains("foo.bmp")) << asked.toStdString();
    EXPECT_TRUE(answer.isEmpty());

    asked.clear();
    WhileModal<QFileDialog>(
        [&] {
            answer = real.SaveFileName("Save", folder + "/x",
                                       "Bitmap Files(*.bmp);;JPEG Files(*.jpg)", &filter);
        },
        [&](QFileDialog* d) { typeFoo(d, true); });
    EXPECT_TRUE(asked.contains("foo.bmp"));
    EXPECT_EQ(answer, folder + "/foo.bmp");
    EXPECT_EQ(filter, "Bitmap Files(*.bmp)");
}

} // namespace
} // namespace tvx

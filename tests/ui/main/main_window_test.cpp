#include "capture/capture_engine.h"
#include "capture/sim_microscope.h"
#include "measure/calibration.h"
#include "measure/measure_shape.h"
#include "media/recorder_control.h"
#include "platform/folders.h"
#include "platform/prompts.h"
#include "platform/settings.h"
#include "tests/ui/main/app_test_util.h"
#include "tests/ui/main/window_parts.h"
#include "ui/main/client_area.h"
#include "ui/main/live_measure.h"
#include "ui/main/main_window.h"
#include "ui/main/main_window_ids.h"
#include "ui/skin/bitmap_button.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QKeyEvent>
#include <QLineEdit>
#include <QMouseEvent>
#include <QPainter>
#include <QShortcut>
#include <QThread>
#include <cstdlib>
#include <gtest/gtest.h>
#include <tuple>

namespace tvx {
namespace {

class FakeRecorder : public RecorderControl {
public:
    bool ToggleWithDialog() override { return running = !running; }
    bool StartUnlimited() override {
        ++starts;
        return running = true;
    }
    void Stop() override {
        ++stops;
        running = false;
    }
    int ElapsedSeconds() const override { return 3; }
    bool running = false;
    int starts = 0;
    int stops = 0;
};

class MainWindowTest : public ::testing::Test {
protected:
    void SetUp() override {
        settings_.CreateFirstRun();
        settings_.WriteSysDate(0); // no calibration prompt in the way
    }

    std::unique_ptr<MainWindow> connectedWindow() {
        auto dlg = std::make_unique<MainWindow>(
            MainWindow::Options{true, nullptr, &calibration_, &prompts_, &settings_});
        dlg->InitDialog();
        dlg->show();
        return dlg;
    }
    std::unique_ptr<MainWindow> windowWithoutCamera() {
        engine_ = test::EngineWithoutCamera();
        auto dlg = std::make_unique<MainWindow>(
            MainWindow::Options{false, engine_.get(), &calibration_, &prompts_, &settings_});
        dlg->InitDialog();
        dlg->show();
        return dlg;
    }
    // Hot keys are window shortcuts; fire one as the key would.
    static void hotKey(QWidget* w, Qt::Key k) {
        for (QShortcut* s : w->findChildren<QShortcut*>())
            if (s->key() == QKeySequence(k)) emit s->activated();
    }

    SettingsStore settings_;
    ScriptedPrompts prompts_;
    CalibrationState calibration_;
    std::unique_ptr<CaptureEngine> engine_;
};

TEST_F(MainWindowTest, WithoutACameraButtonsAreDisabledAndF2AsksForThePreview) {
    auto dlg = windowWithoutCamera();
    EXPECT_FALSE(Parts(*dlg).session().isConnected());
    EXPECT_FALSE(Parts(*dlg).commands().button(ids::kCamera)->isEnabled());
    EXPECT_FALSE(Parts(*dlg).commands().button(ids::kHorMirror)->isEnabled());
    EXPECT_FALSE(Parts(*dlg).commands().button(ids::kPreview)->IsSelected());
    EXPECT_FALSE(Parts(*dlg).inPreviewState());
    // F2 works even though the buttons are disabled.
    Parts(*dlg).OnCommand(ids::kCamera);
    ASSERT_EQ(prompts_.shown().size(), 1u);
    EXPECT_EQ(prompts_.shown()[0].text, "Please return to the preview state");
    EXPECT_FALSE(Parts(*dlg).session().stillFlags().requested());
}

TEST_F(MainWindowTest, ConnectedWindowRunsThePreviewWithHiddenPreviewAndSettingButtons) {
    auto dlg = connectedWindow();
    ASSERT_TRUE(Parts(*dlg).session().isConnected());
    EXPECT_TRUE(Parts(*dlg).inPreviewState());
    EXPECT_TRUE(Parts(*dlg).commands().button(ids::kCamera)->isEnabled());
    EXPECT_TRUE(Parts(*dlg).commands().button(ids::kCamera)->isVisible());
    EXPECT_FALSE(Parts(*dlg).commands().button(ids::kPreview)->isVisible());
    EXPECT_FALSE(Parts(*dlg).commands().button(ids::kDeviceSetting)->isVisible());
    EXPECT_EQ(Parts(*dlg).commands().toolTipCount(), 26);
    // Preview toggles into the browse state and back.
    Parts(*dlg).OnCommand(ids::kPreview);
    EXPECT_FALSE(Parts(*dlg).inPreviewState());
    Parts(*dlg).OnCommand(ids::kPreview);
    EXPECT_TRUE(Parts(*dlg).inPreviewState());
}

TEST_F(MainWindowTest, F3AndF4OnlyActInTheirState) {
    auto dlg = connectedWindow();
    FakeRecorder recorder;
    Parts(*dlg).SetRecorder(&recorder);
    // F4 while not recording does nothing.
    hotKey(dlg.get(), Qt::Key_F4);
    EXPECT_EQ(recorder.stops, 0);
    hotKey(dlg.get(), Qt::Key_F3);
    EXPECT_EQ(recorder.starts, 1);
    EXPECT_TRUE(Parts(*dlg).isRecording());
    EXPECT_TRUE(Parts(*dlg).commands().button(ids::kVideo)->IsSelected());
    // F3 while recording does nothing.
    hotKey(dlg.get(), Qt::Key_F3);
    EXPECT_EQ(recorder.starts, 1);
    hotKey(dlg.get(), Qt::Key_F4);
    EXPECT_EQ(recorder.stops, 1);
    EXPECT_FALSE(Parts(*dlg).isRecording());
}

TEST_F(MainWindowTest, ABurstOfDeviceNotificationsRunsOneCheckASecondAfterTheLast) {
    auto dlg = connectedWindow();
    const int before = Parts(*dlg).session().connectionChecks();
    QElapsedTimer sinceLast;
    for (int i = 0; i < 5; ++i) {
        Parts(*dlg).session().OnDeviceNodesChanged();
        sinceLast.start();
        test::Pump(150);
    }
    EXPECT_EQ(Parts(*dlg).session().connectionChecks(), before);
    EXPECT_TRUE(Parts(*dlg).session().connectionTimer()->isActive());
    // Timed from the last notification, whatever the machine's load: never
    // sooner than a second, and only once.
    ASSERT_TRUE(
        test::WaitFor([&] { return Parts(*dlg).session().connectionChecks() != before; }, 5000));
    EXPECT_GE(sinceLast.elapsed(), 990);
    test::Pump(1200);
    EXPECT_EQ(Parts(*dlg).session().connectionChecks(), before + 1);
    EXPECT_TRUE(Parts(*dlg).session().isConnected());
}

TEST_F(MainWindowTest, UnplugAndPlugGoThroughTheConnectionCheck) {
    auto dlg = connectedWindow();
    SimulatedMicroscope* sim = Parts(*dlg).session().engine()->Simulator();
    ASSERT_NE(sim, nullptr);
    sim->Unplug();
    ASSERT_TRUE(test::WaitFor([&] { return !Parts(*dlg).session().isConnected(); }));
    EXPECT_EQ(Parts(*dlg).session().connectionMessage(),
              "Please connect Wireless Digital Microscope");
    EXPECT_FALSE(Parts(*dlg).commands().button(ids::kCamera)->isEnabled());
    sim->Plug();
    ASSERT_TRUE(test::WaitFor([&] { return Parts(*dlg).session().isConnected(); }));
    EXPECT_TRUE(Parts(*dlg).commands().button(ids::kCamera)->isEnabled());
    EXPECT_TRUE(Parts(*dlg).session().connectionMessage().isEmpty());
}

TEST_F(MainWindowTest, FullScreenHasNoToolTipsNorSecondsAndEscapeRestores) {
    auto dlg = connectedWindow();
    FakeRecorder recorder;
    Parts(*dlg).SetRecorder(&recorder);
    Parts(*dlg).SetRecording(true);
    auto* client = dlg->findChild<CClientArea*>();
    ASSERT_NE(client, nullptr);
    EXPECT_GE(client->recordingSeconds(), 0);
    // The counter's plate holds its whole text ("59 Seconds"), within the window.
    QFont font;
    font.setPixelSize(18);
    client->setRecordingSeconds(59, font);
    EXPECT_TRUE(client->SecondsText().endsWith("Seconds"));
    EXPECT_GT(client->SecondsPlate().width(),
              QFontMetrics(font).horizontalAdvance(client->SecondsText()));
    EXPECT_LE(client->SecondsPlate().right(), client->width());
    const QRect normal = dlg->geometry();

    // Its own command, since maximising just maximises.
    Parts(*dlg).OnCommand(ids::kFullScreen);
    EXPECT_TRUE(Parts(*dlg).isFullScreenMode());
    EXPECT_EQ(Parts(*dlg).commands().toolTipCount(), 0);
    EXPECT_EQ(client->recordingSeconds(), -1);
    EXPECT_FALSE(Parts(*dlg).commands().button(ids::kCamera)->isVisible());
    EXPECT_FALSE(Parts(*dlg).magnificationBox()->isVisible());

    QKeyEvent esc(QEvent::KeyPress, Qt::Key_Escape, Qt::NoModifier);
    QApplication::sendEvent(dlg.get(), &esc);
    EXPECT_FALSE(Parts(*dlg).isFullScreenMode());
    EXPECT_EQ(Parts(*dlg).commands().toolTipCount(), 26);
    EXPECT_TRUE(Parts(*dlg).commands().button(ids::kCamera)->isVisible());
    EXPECT_FALSE(Parts(*dlg).commands().button(ids::kPreview)->isVisible());
    EXPECT_EQ(Parts(*dlg).liveView()->geometry(), QRect(204, 52, 640, 480));
    EXPECT_GE(client->recordingSeconds(), 0);
    // The window's own size is the desktop's to restore (checked on a real X
    // server by the end-to-end test); the skin is ours.
    EXPECT_EQ(dlg->centralWidget()->size(), QSize(860, 610));
    EXPECT_EQ(dlg->geometry().size(), normal.size());
}

TEST_F(MainWindowTest, TheWindowGrowsWithItsPictureAndOpensAtItsLastSize) {
    auto dlg = connectedWindow();
    // First run: the smallest size, the picture 1:1.
    EXPECT_EQ(dlg->centralWidget()->size(), QSize(860, 610));
    EXPECT_EQ(Parts(*dlg).liveView()->geometry(), QRect(204, 52, 640, 480));
    for (const QSize size : {QSize(1280, 800), QSize(1920, 1080)}) {
        dlg->resize(size);
        QCoreApplication::processEvents();
        const QRect live = Parts(*dlg).liveView()->geometry();
        EXPECT_EQ(live.right(), dlg->centralWidget()->width() - 17) << size.width();
        EXPECT_EQ(Parts(*dlg).fileList().view()->geometry().bottom(),
                  dlg->centralWidget()->height() - 44);
        // The whole frame shows, in its own shape.
        const QRect shown = Parts(*dlg).liveView()->surface().mapping().shown();
        EXPECT_TRUE(live.adjusted(-live.x(), -live.y(), -live.x(), -live.y()).contains(shown));
        EXPECT_NEAR(double(shown.width()) / shown.height(), 640.0 / 480.0, 0.01);
        EXPECT_TRUE(shown.width() == live.width() || shown.height() == live.height());
    }
    // Maximising is not full screen any more.
    dlg->setWindowState(Qt::WindowMaximized);
    test::Pump(200);
    EXPECT_FALSE(Parts(*dlg).isFullScreenMode());
    dlg->setWindowState(Qt::WindowNoState);
    dlg->resize(1100, 700);
    QCoreApplication::processEvents();
    dlg->close();
    dlg.reset();
    EXPECT_EQ(connectedWindow()->size(), QSize(1100, 700));
}

TEST_F(MainWindowTest, EscapeAndEnterDoNothingOutsideFullScreen) {
    auto dlg = connectedWindow();
    for (int k : {Qt::Key_Escape, Qt::Key_Return, Qt::Key_Enter}) {
        QKeyEvent e(QEvent::KeyPress, k, Qt::NoModifier);
        QApplication::sendEvent(dlg.get(), &e);
        EXPECT_TRUE(e.isAccepted());
    }
    test::Pump(50);
    EXPECT_TRUE(dlg->isVisible());
    EXPECT_FALSE(Parts(*dlg).isFullScreenMode());
}

TEST_F(MainWindowTest, TabZonesSwitchTheListModeOnlyWhenItChanges) {
    auto dlg = connectedWindow();
    auto* client = dlg->findChild<CClientArea*>();
    auto click = [&](QPoint p) {
        QMouseEvent e(QEvent::MouseButtonPress, QPointF(p), client->mapToGlobal(QPointF(p)),
                      Qt::LeftButton, Qt::LeftButton, Qt::NoModifier);
        QApplication::sendEvent(client, &e);
    };
    EXPECT_EQ(Parts(*dlg).listMode(), 1);
    click(QPoint(30, 60)); // pictures tab: already shown
    EXPECT_EQ(Parts(*dlg).listMode(), 1);
    click(QPoint(90, 60)); // videos tab
    EXPECT_EQ(Parts(*dlg).listMode(), 0);
    click(QPoint(65, 60)); // between the tabs
    EXPECT_EQ(Parts(*dlg).listMode(), 0);
    click(QPoint(20, 50));
    EXPECT_EQ(Parts(*dlg).listMode(), 1);
}

TEST_F(MainWindowTest, EffectButtonsFollowTheirRules) {
    auto dlg = connectedWindow();
    Parts(*dlg).OnCommand(ids::kHorMirror);
    EXPECT_TRUE(Parts(*dlg).commands().button(ids::kHorMirror)->IsSelected());
    Parts(*dlg).OnCommand(ids::kHorMirror);
    EXPECT_FALSE(Parts(*dlg).commands().button(ids::kHorMirror)->IsSelected());
    Parts(*dlg).OnCommand(ids::kRed);
    Parts(*dlg).OnCommand(ids::kGreen);
    EXPECT_TRUE(Parts(*dlg).commands().button(ids::kRed)->IsSelected());
    EXPECT_TRUE(Parts(*dlg).commands().button(ids::kGreen)->IsSelected());
    Parts(*dlg).OnCommand(ids::kNegative);
    EXPECT_TRUE(Parts(*dlg).commands().button(ids::kNegative)->IsSelected());
    EXPECT_FALSE(Parts(*dlg).commands().button(ids::kRed)->IsSelected());
    EXPECT_FALSE(Parts(*dlg).commands().button(ids::kGreen)->IsSelected());
}

TEST_F(MainWindowTest, ResolutionCommandsSwitchTheCaptureAndItsText) {
    auto dlg = connectedWindow();
    auto* client = dlg->findChild<CClientArea*>();
    Parts(*dlg).OnCommand(ids::kRes720);
    EXPECT_EQ(client->resolutionText(), "720*480");
    EXPECT_EQ(Parts(*dlg).session().captureSize().width(), 720);
    Parts(*dlg).OnCommand(ids::kRes640);
    EXPECT_EQ(client->resolutionText(), "640*480");
    // The device settings dialog changes the size on the engine itself; the
    // text and the live view's picture follow all the same.
    Parts(*dlg).session().engine()->SetResolution(720, 576);
    EXPECT_EQ(client->resolutionText(), "720*576");
    EXPECT_EQ(Parts(*dlg).liveView()->surface().mapping().picture(), QSize(720, 576));
    Parts(*dlg).OnCommand(ids::kRes640);
    EXPECT_EQ(client->resolutionText(), "640*480");
}

TEST_F(MainWindowTest, MagnificationBoxLooksUpTheCalibrationAndWmApp12StoresIt) {
    QFile f(ProgramFolder() + "/CalibrationIni.ini");
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write("// calibration\n[60.0]\n60.0=58.3\n[200]\n200=203.4\n[300]\n300=1e-300\n");
    f.close();
    auto dlg = connectedWindow();
    EXPECT_EQ(Parts(*dlg).calibrationText(), "58.3");
    Parts(*dlg).magnificationBox()->setText("200");
    EXPECT_EQ(Parts(*dlg).calibrationText(), "203.4");
    Parts(*dlg).magnificationBox()->setText("20");
    EXPECT_EQ(Parts(*dlg).calibrationText(), "");
    // An absurd stored value is no calibration: the nominal box then decides.
    Parts(*dlg).magnificationBox()->setText("300");
    EXPECT_EQ(Parts(*dlg).calibrationText(), "");

    // A live calibration line confirmed: the window shows and files it once
    // the line's click is over.
    calibration_.nominal = 150;
    calibration_.calibratedCopy = 147.26;
    emit Parts(*dlg).liveMeasure().calibrated();
    EXPECT_EQ(Parts(*dlg).calibrationText(), "");
    QCoreApplication::processEvents();
    EXPECT_EQ(Parts(*dlg).magnificationText(), "150.0");
    EXPECT_EQ(Parts(*dlg).calibrationText(), "147.3");
    ASSERT_TRUE(f.open(QIODevice::ReadOnly));
    EXPECT_TRUE(f.readAll().contains("[150.0]\n150.0=147.3"));
}

// Whether a line edit shows all of its text: a text wider than the box is
// scrolled, so the cursor then travels less than the text's width between
// its two ends. The box works out its scrolling when it paints.
bool ShowsWholeText(QLineEdit* box) {
    box->home(false);
    box->grab();
    const int start = box->inputMethodQuery(Qt::ImCursorRectangle).toRect().center().x();
    box->end(false);
    box->grab();
    const int end = box->inputMethodQuery(Qt::ImCursorRectangle).toRect().center().x();
    return end - start >= box->fontMetrics().horizontalAdvance(box->text()) - 1;
}

TEST_F(MainWindowTest, MagnificationBoxesShowLongValuesWhole) {
    auto dlg = connectedWindow();
    for (const char* value : {"60.0", "100.0", "999.9", "100000.0"}) {
        calibration_.nominal = LeadingNumber(QString::fromLatin1(value));
        calibration_.calibratedCopy = calibration_.nominal;
        emit Parts(*dlg).liveMeasure().calibrated();
        QCoreApplication::processEvents();
        EXPECT_EQ(Parts(*dlg).calibrationText(), QString::fromLatin1(value));
        EXPECT_TRUE(ShowsWholeText(Parts(*dlg).calibrationBox())) << value;
        EXPECT_TRUE(ShowsWholeText(Parts(*dlg).magnificationBox())) << value;
    }
    // A short value keeps the box's own font.
    Parts(*dlg).magnificationBox()->setText("60");
    EXPECT_EQ(Parts(*dlg).magnificationBox()->font(),
              Parts(*dlg).magnificationBox()->parentWidget()->font());
}

// The live view at a window size and a capture size: the whole frame, in its
// own shape, in the middle of the view, with the panel's colour beside it.
class LiveCorners : public MainWindowTest,
                    public ::testing::WithParamInterface<std::tuple<QSize, QSize>> {};

TEST_P(LiveCorners, TheWholeFrameShowsInItsOwnShapeBetweenPanelColouredBars) {
    const auto [windowSize, frameSize] = GetParam();
    auto dlg = windowWithoutCamera();
    dlg->resize(windowSize);
    test::Pump(50);
    CLiveView* view = Parts(*dlg).liveView();
    ASSERT_GE(view->width(), 640);

    // Grey with a colour of its own in each corner: top left, top right,
    // bottom left, bottom right.
    const QRgb corner[4] = {qRgb(255, 0, 0), qRgb(0, 255, 0), qRgb(0, 0, 255), qRgb(255, 255, 0)};
    QImage frame(frameSize, QImage::Format_BGR888);
    frame.fill(QColor(128, 128, 128));
    constexpr int kBlock = 12;
    for (int i = 0; i < 4; ++i) {
        QPainter p(&frame);
        p.fillRect(QRect(i % 2 ? frameSize.width() - kBlock : 0,
                         i / 2 ? frameSize.height() - kBlock : 0, kBlock, kBlock),
                   QColor(corner[i]));
    }
    // The program's frames run bottom up: the last row in memory is row 0.
    const int stride = int(frame.bytesPerLine());
    const FrameView delivered(frame.bits() + std::ptrdiff_t(frame.height() - 1) * stride,
                              frame.width(), frame.height(), -stride);
    view->surface().SetPictureSize(frameSize);
    ASSERT_TRUE(view->surface().DrawFrame(delivered));
    const QImage shot = dlg->grab().toImage();

    // Where the frame belongs, worked out here rather than asked of the view.
    const QRect v(view->mapTo(dlg.get(), QPoint()), view->size());
    const double scale =
        std::min(double(v.width()) / frameSize.width(), double(v.height()) / frameSize.height());
    const QSizeF size(frameSize.width() * scale, frameSize.height() * scale);
    const QRectF want(
        QPointF(v.x() + (v.width() - size.width()) / 2, v.y() + (v.height() - size.height()) / 2),
        size);
    const bool sideBars = want.left() - v.left() >= 3, topBars = want.top() - v.top() >= 3;
    EXPECT_TRUE(sideBars || topBars ||
                frameSize.width() * v.height() == frameSize.height() * v.width())
        << "a frame of another shape than its place needs bars";
    const auto near = [](QRgb a, QRgb b) {
        return std::abs(qRed(a) - qRed(b)) <= 8 && std::abs(qGreen(a) - qGreen(b)) <= 8 &&
               std::abs(qBlue(a) - qBlue(b)) <= 8;
    };
    for (int i = 0; i < 4; ++i) {
        SCOPED_TRACE(i);
        const int dx = i % 2 ? -1 : 1, dy = i / 2 ? -1 : 1;
        const QPointF c(i % 2 ? want.right() : want.left(), i / 2 ? want.bottom() : want.top());
        // Just inside the corner, the frame's corner.
        const QPoint in = (c + QPointF(3 * dx, 3 * dy)).toPoint();
        EXPECT_TRUE(near(shot.pixel(in), corner[i]))
            << in.x() << "," << in.y() << " " << std::hex << shot.pixel(in);
        // Just outside, the bars.
        if (sideBars) {
            const QPoint out(int(c.x() - 3 * dx), in.y());
            EXPECT_EQ(shot.pixel(out), CClientArea::kPanelColour) << out.x() << "," << out.y();
        }
        if (topBars) {
            const QPoint out(in.x(), int(c.y() - 3 * dy));
            EXPECT_EQ(shot.pixel(out), CClientArea::kPanelColour) << out.x() << "," << out.y();
        }
    }
}

INSTANTIATE_TEST_SUITE_P(
    WindowAndCaptureSizes, LiveCorners,
    ::testing::Combine(::testing::Values(QSize(860, 629), QSize(1280, 800), QSize(1920, 1080)),
                       ::testing::Values(QSize(640, 480), QSize(720, 480), QSize(720, 576))),
    [](const ::testing::TestParamInfo<std::tuple<QSize, QSize>>& info) {
        const QSize w = std::get<0>(info.param);
        const QSize f = std::get<1>(info.param);
        return QStringLiteral("Window%1x%2Frame%3x%4")
            .arg(w.width())
            .arg(w.height())
            .arg(f.width())
            .arg(f.height())
            .toStdString();
    });

} // namespace
} // namespace tvx

namespace tvx {
namespace {

TEST_F(MainWindowTest, UndoRedoAndDeleteAllActOnTheLiveList) {
    auto dlg = windowWithoutCamera();
    Parts(*dlg).liveShapes().Edit([](ShapeList& live) {
        live.Append(NewMeasurementShape(ShapeKind(1), ShapeStyle{}));
        live.Append(NewMeasurementShape(ShapeKind(2), ShapeStyle{}));
    });
    Parts(*dlg).OnCommand(ids::kUndo);
    Parts(*dlg).liveShapes().Draw([](const ShapeList& live) {
        ASSERT_EQ(live.shapes().size(), 1u);
        ASSERT_EQ(live.redoStack().size(), 1u);
        EXPECT_EQ(live.redoStack()[0].kind, 2);
    });
    Parts(*dlg).OnCommand(ids::kRedo);
    Parts(*dlg).liveShapes().Draw([](const ShapeList& live) {
        ASSERT_EQ(live.shapes().size(), 2u);
        EXPECT_EQ(live.shapes()[1].kind, 2);
    });
    Parts(*dlg).OnCommand(ids::kUndo);
    Parts(*dlg).OnCommand(ids::kDeleteAllMeasures);
    Parts(*dlg).liveShapes().Draw([](const ShapeList& live) {
        EXPECT_FALSE(live.HasShapes());
        EXPECT_FALSE(live.HasRedo());
    });
}

} // namespace
} // namespace tvx

#include "capture/capture_engine.h"
#include "capture/test_cameras.h"
#include "measure/calibration.h"
#include "measure/geometry.h"
#include "platform/prompts.h"
#include "platform/settings.h"
#include "tests/ui/main/app_test_util.h"
#include "tests/ui/main/window_parts.h"
#include "ui/main/live_guides_overlay.h"
#include "ui/main/live_measure.h"
#include "ui/main/live_view.h"
#include "ui/main/main_window.h"
#include "ui/main/main_window_ids.h"
#include "ui/main/status_strip.h"
#include "ui/measure/pen_setting_dialog.h"
#include "ui/skin/menu_xp.h"

#include <QApplication>
#include <QDir>
#include <QImage>
#include <QKeyEvent>
#include <QLineEdit>
#include <QMap>
#include <QMenuBar>
#include <QMouseEvent>
#include <QShortcut>
#include <QTimer>
#include <cmath>
#include <gtest/gtest.h>

namespace tvx {
namespace {

int ShapeCount(LiveShapes& shapes, int* redo = nullptr) {
    int n = 0;
    shapes.Draw([&](const ShapeList& l) {
        n = int(l.shapes().size());
        if (redo) *redo = int(l.redoStack().size());
    });
    return n;
}

class LiveTools : public ::testing::Test {
protected:
    void SetUp() override {
        settings_.CreateFirstRun();
        settings_.WriteSysDate(0);
        settings_.WriteLineColor(0x00FF00); // green lines, told apart from the red guides
        settings_.WriteUnitDecimal(QStringLiteral("mm"), 2);
        dlg_ = std::make_unique<MainWindow>(
            MainWindow::Options{/*simulate=*/true, nullptr, &calibration_, &prompts_, &settings_});
        dlg_->InitDialog();
        dlg_->show();
        ASSERT_TRUE(Parts(*dlg_).session().isConnected());
        Parts(*dlg_).magnificationBox()->setText(QStringLiteral("100"));
        // No calibration for 100 in a fresh program folder is not guaranteed:
        // the nominal box alone decides.
        Parts(*dlg_).calibrationBox()->clear();
    }
    void TearDown() override { dlg_.reset(); }

    void mouse(QEvent::Type type, QPoint at, Qt::MouseButton button = Qt::LeftButton) {
        QWidget* view = Parts(*dlg_).liveView();
        QMouseEvent e(type, QPointF(at), view->mapToGlobal(QPointF(at)),
                      type == QEvent::MouseMove ? Qt::NoButton : button,
                      type == QEvent::MouseMove ? Qt::NoButton : button, Qt::NoModifier);
        QCoreApplication::sendEvent(view, &e);
    }
    // Switches the capture size and waits until the view shows it and a
    // frame of it has come (the view takes the size at once; a still needs
    // the frame).
    bool captureAt(QSize size) {
        if (!Parts(*dlg_).session().SetResolution(size.width(), size.height())) return false;
        return test::WaitFor([&] {
            const FrameSink& sink = Parts(*dlg_).session().frameSink();
            return Parts(*dlg_).liveView()->surface().mapping().picture() == size &&
                   QSize(sink.frameWidth(), sink.frameHeight()) == size;
        });
    }
    void click(QPoint at) {
        mouse(QEvent::MouseMove, at);
        mouse(QEvent::MouseButtonPress, at);
    }
    // Start, end, label: one finished line.
    void line(QPoint a, QPoint b, QPoint label) {
        click(a);
        click(b);
        click(label);
    }
    LiveShapes& shapes() { return Parts(*dlg_).liveShapes(); }
    // F2's request, and true once the still it asked for is saved.
    bool takeStill() {
        Parts(*dlg_).session().stillFlags().Request(StillSource::Keyboard);
        const QString before = Parts(*dlg_).lastSavedStill();
        return test::WaitFor([&] { return Parts(*dlg_).lastSavedStill() != before; });
    }

    SettingsStore settings_;
    ScriptedPrompts prompts_;
    CalibrationState calibration_;
    std::unique_ptr<MainWindow> dlg_;
};

TEST_F(LiveTools, GuideCommandsSwitchTheLayersAndTheFrameShowsThem) {
    EXPECT_FALSE(Parts(*dlg_).guides().snapshot().crossLine);
    Parts(*dlg_).OnCommand(ids::kCrossLine);
    EXPECT_TRUE(Parts(*dlg_).guides().snapshot().crossLine);
    // The white cross reaches the live surface with the next frames.
    EXPECT_TRUE(test::WaitFor([&] {
        const QImage s = Parts(*dlg_).liveView()->surface().Snapshot();
        return !s.isNull() && s.pixel(320, 3) == qRgb(255, 255, 255) &&
               s.pixel(3, 240) == qRgb(255, 255, 255);
    }));

    Parts(*dlg_).OnCommand(ids::kScale);
    const GuideSnapshot g = Parts(*dlg_).guides().snapshot();
    EXPECT_TRUE(g.ruler);
    EXPECT_DOUBLE_EQ(g.scale.magnification, 100.0);
    EXPECT_NEAR(g.scale.PixelsPerUnit(QSize(640, 480)), 100 / (0.0651465798045602 * 10), 1e-6);
    // A visible ruler follows the boxes at once, as the tools do.
    Parts(*dlg_).magnificationBox()->setText(QStringLiteral("30"));
    Parts(*dlg_).calibrationBox()->clear();
    EXPECT_DOUBLE_EQ(Parts(*dlg_).guides().snapshot().scale.magnification, 30.0);
    Parts(*dlg_).OnCommand(ids::kCircle);
    EXPECT_DOUBLE_EQ(Parts(*dlg_).guides().snapshot().scale.magnification, 30.0);

    Parts(*dlg_).OnCommand(ids::kCrossLine);
    Parts(*dlg_).OnCommand(ids::kScale);
    Parts(*dlg_).OnCommand(ids::kCircle);
    const GuideSnapshot off = Parts(*dlg_).guides().snapshot();
    EXPECT_FALSE(off.crossLine || off.ruler || off.circleGrid);
}

TEST_F(LiveTools, WithoutMagnificationTheRulerStaysOffAndTheUserIsTold) {
    Parts(*dlg_).magnificationBox()->clear();
    Parts(*dlg_).calibrationBox()->clear();
    prompts_.Clear();
    Parts(*dlg_).OnCommand(ids::kScale);
    EXPECT_FALSE(Parts(*dlg_).guides().snapshot().ruler);
    ASSERT_EQ(prompts_.shown().size(), 1u);
    EXPECT_EQ(prompts_.shown()[0].text, QStringLiteral("Please input the zoomIn scale!"));
    // No tool is chosen either.
    Parts(*dlg_).OnCommand(ids::kLine);
    EXPECT_EQ(Parts(*dlg_).liveMeasure().liveTool(), 0);
    EXPECT_FALSE(Parts(*dlg_).commands().isSelected(ids::kLine));
}

TEST(LiveToolsOffline, GuidesDoNothingWithoutADevice) {
    SettingsStore settings;
    settings.CreateFirstRun();
    settings.WriteSysDate(0);
    auto engine = test::EngineWithoutCamera();
    CalibrationState calibration;
    ScriptedPrompts prompts;
    MainWindow dlg(MainWindow::Options{false, engine.get(), &calibration, &prompts, &settings});
    dlg.InitDialog();
    ASSERT_FALSE(Parts(dlg).session().isConnected());
    for (int id : {ids::kCrossLine, ids::kScale, ids::kCircle})
        Parts(dlg).OnCommand(id);
    const GuideSnapshot g = Parts(dlg).guides().snapshot();
    EXPECT_FALSE(g.crossLine || g.ruler || g.circleGrid);
}

// On a camera other than the microscope the guides count pixels as the
// measuring tools do, from the moment it connects until it is calibrated.
TEST(LiveToolsOnACamera, GuidesCountPixelsUntilTheCameraIsCalibrated) {
    SettingsStore settings;
    settings.CreateFirstRun();
    settings.WriteSysDate(0);
    ScriptedPrompts prompts;
    CalibrationState calibration;
    CaptureEngine engine(std::vector<DeviceProvider*>{new TestCameraProvider(
        {std::make_shared<TestCamera>("a", "Camera A",
                                      "video/x-raw, format=(string)YUY2, width=(int)640, "
                                      "height=(int)480, framerate=30/1")})});
    engine.AllowOtherCameras(true);
    {
        MainWindow dlg(MainWindow::Options{false, &engine, &calibration, &prompts, &settings});
        dlg.InitDialog();
        ASSERT_TRUE(Parts(dlg).session().isConnected());
        Parts(dlg).magnificationBox()->setText(QStringLiteral("60"));
        Parts(dlg).commands().action(ids::kScaleBar)->trigger();
        ASSERT_TRUE(Parts(dlg).guides().snapshot().scaleBar);
        EXPECT_EQ(Parts(dlg).guides().snapshot().scale.unit, "px");
        // A calibration shown in its box (500 pixels a millimetre) is the
        // unit's at once.
        Parts(dlg).calibrationBox()->setText(QStringLiteral("500.0"));
        const GuideSnapshot g = Parts(dlg).guides().snapshot();
        EXPECT_EQ(g.scale.unit, "mm");
        EXPECT_DOUBLE_EQ(g.scale.PixelsPerUnit(QSize(640, 480)), 500);
    }
}

TEST_F(LiveTools, EveryToolButtonChoosesItsToolAndDropsIt) {
    int previous = 0;
    for (const ToolRow& tool : kToolRegistry) {
        const int id = tool.button.command;
        if (id == 0) continue;
        SCOPED_TRACE(tool.name);
        Parts(*dlg_).OnCommand(id);
        EXPECT_EQ(Parts(*dlg_).liveMeasure().liveTool(), tool.liveKind);
        EXPECT_EQ(Parts(*dlg_).liveMeasure().calibrating(), tool.id == ToolId::CalibrationLine);
        EXPECT_TRUE(Parts(*dlg_).commands().isSelected(id));
        EXPECT_FALSE(Parts(*dlg_).liveMeasure().StepHint().isEmpty());
        if (previous) {
            EXPECT_FALSE(Parts(*dlg_).commands().isSelected(previous));
        }
        previous = id;
    }
    ASSERT_NE(previous, 0);
    Parts(*dlg_).OnCommand(previous);
    EXPECT_EQ(Parts(*dlg_).liveMeasure().liveTool(), 0);
    EXPECT_FALSE(Parts(*dlg_).commands().isSelected(previous));
}

TEST_F(LiveTools, StepHintsFollowTheClicks) {
    Parts(*dlg_).OnCommand(ToolCommand(ToolId::ThreePointAngle));
    click({100, 100});
    EXPECT_EQ(Parts(*dlg_).liveMeasure().StepHint(), QStringLiteral("Click point 2 of 3"));
    Parts(*dlg_).OnCommand(ids::kLine);
    EXPECT_EQ(Parts(*dlg_).liveMeasure().StepHint(), QStringLiteral("Click the first end"));
    click({100, 100});
    EXPECT_EQ(Parts(*dlg_).liveMeasure().StepHint(), QStringLiteral("Click the second end"));
}

TEST_F(LiveTools, LineIsMeasuredInLiveCoordinatesAndKeptInTheList) {
    Parts(*dlg_).OnCommand(ids::kLine);
    line({100, 200}, {254, 200}, {150, 220});
    ASSERT_EQ(ShapeCount(shapes()), 1);
    shapes().Draw([](const ShapeList& l) {
        const CMeasureShape& s = l.shapes()[0];
        EXPECT_EQ(s.kind, 1);
        ASSERT_FALSE(s.labels.isEmpty());
        // 154 pixels at 640 × 480 and magnification 100.
        EXPECT_EQ(s.labels[0], QStringLiteral("L:1.00mm"));
        EXPECT_EQ(s.penColor, 0x00FF00u);
        EXPECT_EQ(s.points.last(), QPoint(150, 220));
    });
    // The tool stays for the next shape.
    EXPECT_EQ(Parts(*dlg_).liveMeasure().liveTool(), 1);
    EXPECT_FALSE(Parts(*dlg_).liveMeasure().underWay());
}

TEST_F(LiveTools, PointsOutsideTheViewAreHeldAtItsEdge) {
    Parts(*dlg_).OnCommand(ids::kLine);
    click({10, 10});
    mouse(QEvent::MouseMove, {-50, 700});
    mouse(QEvent::MouseButtonPress, {-50, 700});
    ASSERT_TRUE(Parts(*dlg_).liveMeasure().underWay());
    click({20, 20});
    ASSERT_EQ(ShapeCount(shapes()), 1);
    shapes().Draw([](const ShapeList& l) { EXPECT_EQ(l.shapes()[0].points[1], QPoint(0, 479)); });
}

TEST_F(LiveTools, RightClickDuringLabelPlacementRemovesOnlyTheShapeUnderWay) {
    Parts(*dlg_).OnCommand(ids::kLine);
    line({100, 100}, {200, 100}, {120, 120});
    ASSERT_EQ(ShapeCount(shapes()), 1);
    click({100, 300});
    click({300, 300}); // now placing the label
    ASSERT_TRUE(Parts(*dlg_).liveMeasure().underWay());
    mouse(QEvent::MouseButtonPress, {250, 320}, Qt::RightButton);
    EXPECT_FALSE(Parts(*dlg_).liveMeasure().underWay());
    EXPECT_EQ(Parts(*dlg_).liveMeasure().liveTool(), 0);
    EXPECT_FALSE(Parts(*dlg_).commands().isSelected(ids::kLine));
    EXPECT_EQ(ShapeCount(shapes()), 1);
    // A click afterwards makes nothing: no tool is chosen.
    click({50, 50});
    click({60, 60});
    EXPECT_EQ(ShapeCount(shapes()), 1);
}

TEST_F(LiveTools, DoubleClickEndsAContinuousLineWithoutAnExtraSegment) {
    Parts(*dlg_).OnCommand(ToolCommand(ToolId::ContinuousLine));
    click({100, 100});
    click({200, 100}); // end of the first segment
    click({150, 90});  // its label
    click({200, 200}); // first click of the double click: a segment end
    mouse(QEvent::MouseButtonDblClick, {200, 200});
    ASSERT_EQ(ShapeCount(shapes()), 1);
    shapes().Draw([](const ShapeList& l) {
        const CMeasureShape& s = l.shapes()[0];
        EXPECT_EQ(s.kind, 2);
        EXPECT_EQ(s.labels.size(), 1);
    });
    EXPECT_FALSE(Parts(*dlg_).liveMeasure().underWay());
}

TEST_F(LiveTools, StillShowsTheRulerAndTheMeasuredLine) {
    Parts(*dlg_).OnCommand(ids::kScale);
    Parts(*dlg_).OnCommand(ids::kLine);
    line({100, 300}, {300, 300}, {150, 400});
    ASSERT_TRUE(
        test::WaitFor([&] { return Parts(*dlg_).session().frameSink().frameWidth() == 640; }));
    const QDir pictures(Parts(*dlg_).storage().picture);
    Parts(*dlg_).session().stillFlags().Request(StillSource::Keyboard);
    ASSERT_TRUE(test::WaitFor([&] { return !Parts(*dlg_).lastSavedStill().isEmpty(); }));
    const QImage still(Parts(*dlg_).lastSavedStill());
    ASSERT_EQ(still.size(), QSize(640, 480));
    // The ruler's axes through the picture's centre, red.
    EXPECT_EQ(still.pixel(320, 3), qRgb(255, 0, 0));
    EXPECT_EQ(still.pixel(3, 240), qRgb(255, 0, 0));
    // The measured line, green, where it was drawn.
    for (int x : {101, 200, 299})
        EXPECT_EQ(still.pixel(x, 300), qRgb(0, 255, 0)) << x;
    EXPECT_NE(still.pixel(200, 302), qRgb(0, 255, 0));
}

// Escape drops the shape under way and keeps the tool; the desktop's undo
// keys undo and redo live measurements; Ctrl+Q quits.
TEST_F(LiveTools, EscapeAndTheUndoKeysActOnLiveMeasurements) {
    auto* strip = dlg_->findChild<StatusStrip*>();
    ASSERT_NE(strip, nullptr);
    EXPECT_EQ(strip->plainText(), "");
    Parts(*dlg_).OnCommand(ids::kLine);
    EXPECT_EQ(strip->plainText(), "Click the first end");
    line({10, 10}, {100, 10}, {20, 20});
    EXPECT_EQ(strip->plainText(), "Click the first end");
    click({10, 50});
    EXPECT_EQ(strip->plainText(), "Click the second end");
    click({100, 50});
    EXPECT_EQ(strip->plainText(), "Click where the label goes; Esc cancels");
    ASSERT_TRUE(Parts(*dlg_).liveMeasure().underWay());
    QKeyEvent esc(QEvent::KeyPress, Qt::Key_Escape, Qt::NoModifier);
    QApplication::sendEvent(dlg_.get(), &esc);
    EXPECT_FALSE(Parts(*dlg_).liveMeasure().underWay());
    EXPECT_EQ(strip->plainText(), "Click the first end");
    EXPECT_EQ(Parts(*dlg_).liveMeasure().liveTool(), 1);
    EXPECT_EQ(ShapeCount(shapes()), 1);
    line({10, 60}, {100, 60}, {20, 70});
    ASSERT_EQ(ShapeCount(shapes()), 2);

    auto press = [&](const QKeySequence& keys) {
        int found = 0;
        for (QShortcut* s : dlg_->findChildren<QShortcut*>())
            if (s->key() == keys) {
                ++found;
                emit s->activated();
            }
        return found;
    };
    EXPECT_EQ(press(QKeySequence(Qt::CTRL | Qt::Key_Z)), 1);
    EXPECT_EQ(ShapeCount(shapes()), 1);
    EXPECT_EQ(press(QKeySequence(Qt::CTRL | Qt::Key_Y)), 1);
    EXPECT_EQ(ShapeCount(shapes()), 2);
    EXPECT_EQ(press(QKeySequence(Qt::CTRL | Qt::Key_Z)), 1);
    EXPECT_EQ(press(QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_Z)), 1);
    EXPECT_EQ(ShapeCount(shapes()), 2);

    ASSERT_TRUE(dlg_->isVisible());
    EXPECT_EQ(press(QKeySequence(Qt::CTRL | Qt::Key_Q)), 1);
    EXPECT_FALSE(dlg_->isVisible());
}

// Picks the n-th enabled item of the open popup with the keyboard.
void ChooseFromPopup(int downs) {
    QTimer::singleShot(50, [downs] {
        QWidget* popup = QApplication::activePopupWidget();
        if (!popup) return;
        for (int i = 0; i < downs; ++i) {
            QKeyEvent down(QEvent::KeyPress, Qt::Key_Down, Qt::NoModifier);
            QCoreApplication::sendEvent(popup, &down);
        }
        QKeyEvent enter(QEvent::KeyPress, Qt::Key_Return, Qt::NoModifier);
        QCoreApplication::sendEvent(popup, &enter);
    });
}

TEST_F(LiveTools, LiveMenuUndoesAndRedoes) {
    const std::unique_ptr<CMenuXP> menu = Parts(*dlg_).buildLiveMenu();
    QList<int> ids;
    for (QAction* a : menu->actions())
        ids << (a->isSeparator() ? 0 : a->data().toInt());
    EXPECT_EQ(ids, (QList<int>{ids::kUndo, ids::kRedo, ids::kDeleteAllMeasures, 0, ids::kCrossLine,
                               ids::kScale, ids::kCircle, ids::kScaleBar, 0, ids::kPenSettings, 0,
                               ids::kExportMeasures, ids::kCopyMeasures, 0, ids::kStack}));
    // The guides are switches: a tick when on, no picture that would hide it.
    // Commands show pictures of their own.
    QList<QImage> pictures;
    for (QAction* a : menu->actions()) {
        if (a->isSeparator()) continue;
        const int id = a->data().toInt();
        const bool guide = id == ids::kCrossLine || id == ids::kScale || id == ids::kCircle ||
                           id == ids::kScaleBar;
        EXPECT_EQ(a->isCheckable(), guide) << id;
        EXPECT_EQ(a->icon().isNull(), guide) << id;
        if (guide) continue;
        const QImage picture = a->icon().pixmap(16, 16).toImage();
        EXPECT_FALSE(pictures.contains(picture)) << id << " shares its picture";
        pictures << picture;
    }

    Parts(*dlg_).OnCommand(ids::kLine);
    line({10, 10}, {100, 10}, {20, 20});
    line({10, 50}, {100, 50}, {20, 60});
    ASSERT_EQ(ShapeCount(shapes()), 2);
    int redo = 0;
    ChooseFromPopup(1); // Undo
    Parts(*dlg_).OnCommand(ids::kMeasureOther);
    EXPECT_EQ(ShapeCount(shapes(), &redo), 1);
    EXPECT_EQ(redo, 1);
    // The menu dropped the tool.
    EXPECT_EQ(Parts(*dlg_).liveMeasure().liveTool(), 0);
    ChooseFromPopup(2); // Redo
    Parts(*dlg_).OnCommand(ids::kMeasureOther);
    EXPECT_EQ(ShapeCount(shapes(), &redo), 2);
    EXPECT_EQ(redo, 0);
    ChooseFromPopup(3); // Delete All
    Parts(*dlg_).OnCommand(ids::kMeasureOther);
    EXPECT_EQ(ShapeCount(shapes()), 0);
    ChooseFromPopup(4); // the cross line
    Parts(*dlg_).OnCommand(ids::kMeasureOther);
    EXPECT_TRUE(Parts(*dlg_).guides().snapshot().crossLine);
}

TEST_F(LiveTools, ALabelFontChosenInThePenSettingsReachesTheNextShape) {
    QFont chosen(QStringLiteral("DejaVu Sans"));
    chosen.setPixelSize(23);
    prompts_.Push(chosen);
    QTimer::singleShot(50, [] {
        QWidget* w = QApplication::activeModalWidget();
        if (auto* pen = qobject_cast<PenSettingDialog*>(w)) {
            pen->ChooseFont();
            pen->accept();
        } else if (auto* other = qobject_cast<QDialog*>(w)) {
            other->reject();
        }
    });
    Parts(*dlg_).OnCommand(ids::kPenSettings);
    EXPECT_EQ(Parts(*dlg_).liveMeasure().labelFont().lfHeight, -23);
    Parts(*dlg_).OnCommand(ids::kLine);
    line({10, 10}, {100, 10}, {20, 20});
    ASSERT_EQ(ShapeCount(shapes()), 1);
    shapes().Draw([](const ShapeList& l) { EXPECT_EQ(l.shapes()[0].labelFont.lfHeight, -23); });
}

TEST_F(LiveTools, CalibrationLineSetsTheMagnificationShownInTheBoxes) {
    Parts(*dlg_).OnCommand(ids::kCalibrate);
    EXPECT_TRUE(Parts(*dlg_).liveMeasure().calibrating());
    click({100, 200});
    mouse(QEvent::MouseMove, {254, 200});
    QTimer::singleShot(50, [] {
        QWidget* w = QApplication::activeModalWidget();
        if (!w) return;
        if (auto* edit = w->findChild<QLineEdit*>()) edit->setText(QStringLiteral("0.5"));
        QMetaObject::invokeMethod(w, "accept");
    });
    mouse(QEvent::MouseButtonPress, {254, 200});
    EXPECT_FALSE(Parts(*dlg_).liveMeasure().calibrating());
    // 154 pixels are 0.5 mm: magnification 154 × 0.0651466 × 10 / 0.5.
    EXPECT_NEAR(calibration_.calibrated, 200.66, 0.01);
    ASSERT_TRUE(test::WaitFor([&] { return Parts(*dlg_).calibrationBox()->text() == "200.7"; }))
        << Parts(*dlg_).calibrationBox()->text().toStdString();
    EXPECT_EQ(Parts(*dlg_).magnificationBox()->text(), QStringLiteral("100.0"));
    click({150, 220}); // the label
    ASSERT_EQ(ShapeCount(shapes()), 1);
    shapes().Draw(
        [](const ShapeList& l) { EXPECT_EQ(l.shapes()[0].labels[0], QStringLiteral("L:0.50mm")); });

    // Pressing Calibrate on and off again leaves no trace: the same 154
    // pixels still read the calibrated length, and the guides agree.
    Parts(*dlg_).OnCommand(ids::kLine);
    Parts(*dlg_).OnCommand(ids::kCalibrate);
    EXPECT_TRUE(Parts(*dlg_).liveMeasure().calibrating());
    Parts(*dlg_).OnCommand(ids::kCalibrate);
    EXPECT_EQ(Parts(*dlg_).liveMeasure().liveTool(), 0);
    Parts(*dlg_).OnCommand(ids::kLine);
    line({100, 300}, {254, 300}, {150, 320});
    ASSERT_EQ(ShapeCount(shapes()), 2);
    shapes().Draw(
        [](const ShapeList& l) { EXPECT_EQ(l.shapes()[1].labels[0], QStringLiteral("L:0.50mm")); });
    Parts(*dlg_).OnCommand(ids::kScale);
    EXPECT_DOUBLE_EQ(Parts(*dlg_).guides().snapshot().scale.magnification, 200.7);
}

// The scale bar's white run is as long as its value at the magnification in
// force, in the still and over the view, at both usual sizes.
TEST_F(LiveTools, ScaleBarIsAsLongAsItsValueLiveAndInStills) {
    Parts(*dlg_).commands().action(ids::kScaleBar)->trigger();
    ASSERT_TRUE(Parts(*dlg_).guides().snapshot().scaleBar);
    EXPECT_TRUE(settings_.ReadOwnSwitch("ScaleBar"));
    for (QSize size : {QSize(640, 480), QSize(720, 576)}) {
        SCOPED_TRACE(size.width());
        ASSERT_TRUE(captureAt(size));
        const std::optional<ScaleBar> bar =
            ChooseScaleBar(size, Parts(*dlg_).guides().snapshot().scale);
        ASSERT_TRUE(bar);
        // Magnification 100, millimetres: pixels per mm from the pitch alone.
        const double perMm = 100 / (PixelPitch(size, true) * 0.001 * 10);
        const int want = int(std::lround(bar->value * perMm));
        auto whiteRun = [](const QImage& img, int y, int from) {
            int x = from;
            while (x > 0 && img.pixel(x - 1, y) == qRgb(255, 255, 255))
                --x;
            int end = from;
            while (end < img.width() && img.pixel(end, y) == qRgb(255, 255, 255))
                ++end;
            return end - x;
        };
        ASSERT_TRUE(takeStill());
        const QImage still(Parts(*dlg_).lastSavedStill());
        ASSERT_EQ(still.size(), size);
        const QPoint mid = bar->bar.center();
        EXPECT_NEAR(whiteRun(still, mid.y(), mid.x()), want, 1);
        // Over the view the bar is scaled with the picture.
        const ViewMapping map = Parts(*dlg_).liveView()->surface().mapping();
        const QImage view = Parts(*dlg_).liveView()->surface().Snapshot();
        const QPoint at = map.ToView(mid).toPoint();
        EXPECT_NEAR(whiteRun(view, at.y(), at.x()), want * map.scaleX(), 2);
    }
    Parts(*dlg_).commands().action(ids::kScaleBar)->trigger();
    EXPECT_FALSE(Parts(*dlg_).guides().snapshot().scaleBar);
    EXPECT_FALSE(settings_.ReadOwnSwitch("ScaleBar"));
}

// At every capture size the view shows the whole picture; a line drawn over
// it lands on the same picture pixels in the still.
TEST_F(LiveTools, ShapesLandOnThePicturePixelsTheyWereDrawnOverAtEverySize) {
    Parts(*dlg_).OnCommand(ids::kLine);
    int n = 0;
    for (QSize size : {QSize(720, 576), QSize(720, 480), QSize(320, 240)}) {
        SCOPED_TRACE(size.width());
        ASSERT_TRUE(captureAt(size));
        const ViewMapping map = Parts(*dlg_).liveView()->surface().mapping();
        const QPoint a(100, 300), b(400, 300);
        line(a, b, {150, 400});
        ASSERT_EQ(ShapeCount(shapes()), ++n);
        const QPoint pa = map.ToPicture(a), pb = map.ToPicture(b);
        shapes().Draw([&](const ShapeList& l) {
            EXPECT_EQ(l.shapes().back().points[0], pa);
            EXPECT_EQ(l.shapes().back().points[1], pb);
        });
        ASSERT_TRUE(takeStill());
        const QImage still(Parts(*dlg_).lastSavedStill());
        ASSERT_EQ(still.size(), size);
        for (int x : {pa.x() + 1, (pa.x() + pb.x()) / 2, pb.x() - 1})
            EXPECT_EQ(still.pixel(x, pa.y()), qRgb(0, 255, 0)) << x;
        // And in the view where it was drawn, within the picture pixel
        // under the pointer.
        const QImage view = Parts(*dlg_).liveView()->surface().Snapshot();
        const int mid = (a.x() + b.x()) / 2;
        EXPECT_TRUE(view.pixel(mid, a.y()) == qRgb(0, 255, 0) ||
                    view.pixel(mid, a.y() - 1) == qRgb(0, 255, 0));
    }
}

// The window's size changes how large a picture pixel is on screen, never
// which picture pixels a line drawn over them takes, live or in the still.
TEST_F(LiveTools, ALineLandsOnTheSamePicturePixelsAtEveryWindowSize) {
    Parts(*dlg_).OnCommand(ids::kLine);
    const QPoint pa(121, 203), pb(517, 203), label(300, 380); // picture pixels
    const QRect band(pa.x() - 15, pa.y() - 15, pb.x() - pa.x() + 31, 31);
    std::vector<QPoint> first;
    for (QSize window : {QSize(860, 629), QSize(1920, 1080)}) {
        SCOPED_TRACE(window.width());
        dlg_->resize(window);
        QCoreApplication::processEvents();
        const ViewMapping map = Parts(*dlg_).liveView()->surface().mapping();
        ASSERT_EQ(map.picture(), QSize(640, 480));
        // Where a user would click: the view pixel over the picture pixel's middle.
        const auto toView = [&](QPoint p) {
            const QPointF v = map.ToView(QPointF(p) + QPointF(0.5, 0.5));
            return QPoint(int(std::floor(v.x())), int(std::floor(v.y())));
        };
        line(toView(pa), toView(pb), toView(label));
        shapes().Draw([&](const ShapeList& l) {
            ASSERT_FALSE(l.shapes().empty());
            EXPECT_EQ(l.shapes().back().points[0], pa);
            EXPECT_EQ(l.shapes().back().points[1], pb);
        });
        ASSERT_TRUE(takeStill());
        // Only the line is green round it: the bands of the two stills must
        // match pixel for pixel.
        const QImage still(Parts(*dlg_).lastSavedStill());
        std::vector<QPoint> green;
        for (int y = band.top(); y <= band.bottom(); ++y)
            for (int x = band.left(); x <= band.right(); ++x)
                if (still.pixel(x, y) == qRgb(0, 255, 0)) green.push_back({x, y});
        EXPECT_GE(int(green.size()), pb.x() - pa.x());
        if (first.empty())
            first = green;
        else
            EXPECT_EQ(green, first);
        // Only this window size's line in the next still.
        Parts(*dlg_).OnCommand(ids::kDeleteAllMeasures);
        ASSERT_EQ(ShapeCount(shapes()), 0);
    }
}

QRgb CommonestColour(const QImage& img) {
    QMap<QRgb, int> count;
    for (int y = 0; y < img.height(); ++y)
        for (int x = 0; x < img.width(); ++x)
            ++count[img.pixel(x, y) | 0xFF000000u];
    QRgb best = 0;
    int most = -1;
    for (auto it = count.cbegin(); it != count.cend(); ++it)
        if (it.value() > most) {
            most = it.value();
            best = it.key();
        }
    return best;
}

TEST_F(LiveTools, MenuBarDropDownsAreGreyAsTheBar) {
    auto menus = [&] {
        QList<QMenu*> list;
        for (QAction* a : dlg_->menuBar()->actions())
            if (a->menu()) list << a->menu();
        return list;
    };
    ASSERT_EQ(menus().size(), 5); // File, Setting, Capture, Help, Device
    for (QMenu* m : menus()) {
        m->ensurePolished();
        m->adjustSize();
        EXPECT_EQ(CommonestColour(m->grab().toImage()), qRgb(220, 220, 220))
            << m->title().toStdString();
    }
    Parts(*dlg_).SwitchLanguage(9, 0);
    for (QMenu* m : menus()) {
        m->ensurePolished();
        m->adjustSize();
        EXPECT_EQ(CommonestColour(m->grab().toImage()), qRgb(224, 224, 224))
            << m->title().toStdString();
    }
}

} // namespace
} // namespace tvx

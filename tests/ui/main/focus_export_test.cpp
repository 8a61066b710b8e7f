// The focus meter, the sharpest still and the measurement export in the
// main window.
#include "capture/capture_engine.h"
#include "capture/focus.h"
#include "capture/sim_render.h"
#include "measure/calibration.h"
#include "measure/tool_registry.h"
#include "platform/prompts.h"
#include "platform/settings.h"
#include "tests/support/test_env.h"
#include "tests/ui/main/app_test_util.h"
#include "tests/ui/main/window_parts.h"
#include "ui/main/focus_glue.h"
#include "ui/main/live_view.h"
#include "ui/main/main_window.h"
#include "ui/main/measure_export_glue.h"

#include <QAction>
#include <QClipboard>
#include <QDir>
#include <QFile>
#include <QGuiApplication>
#include <QImage>
#include <QLineEdit>
#include <gtest/gtest.h>

namespace tvx {
namespace {

class FocusAndExport : public ::testing::Test {
protected:
    void SetUp() override {
        settings_.CreateFirstRun();
        settings_.WriteSysDate(0);
        open();
    }
    void TearDown() override {
        window_.reset();
        engine_.reset();
    }
    void open() {
        window_.reset();
        engine_ = test::EngineWithoutCamera();
        window_ = std::make_unique<MainWindow>(
            MainWindow::Options{false, engine_.get(), &calibration_, &prompts_, &settings_});
        window_->InitDialog();
    }
    QAction* action(int id) { return Parts(*window_).commands().action(id); }
    FocusMeterBar* bar() { return window_->findChild<FocusMeterBar*>(); }
    FrameSink& sink() { return Parts(*window_).session().frameSink(); }

    // A simulated micrometer frame, blurred by `radius`, fed as the
    // streaming thread would; answers its focus figure.
    double feed(double t, int radius) {
        if (!pic_) pic_ = std::make_unique<MicrometerPicture>(640, 480);
        std::vector<uint8_t> topDown(640 * 3 * 480);
        pic_->CopyView(QPoint(), topDown.data(), 640 * 3);
        std::vector<uint32_t> scratch;
        SimBlur(topDown.data(), 640, 480, 640 * 3, radius, scratch);
        frame_.assign(topDown.size(), 0);
        for (int y = 0; y < 480; ++y)
            std::copy_n(topDown.data() + std::size_t(y) * 1920, 1920,
                        frame_.data() + std::size_t(479 - y) * 1920);
        const FrameView view{frame_.data(), 640, 480, 1920};
        sink().OnFrame(t, view);
        FocusScratch fs;
        return FocusFigure(view, fs);
    }

    SettingsStore settings_;
    ScriptedPrompts prompts_;
    CalibrationState calibration_;
    std::unique_ptr<CaptureEngine> engine_;
    std::unique_ptr<MainWindow> window_;
    std::unique_ptr<MicrometerPicture> pic_;
    std::vector<uint8_t> frame_;
};

TEST_F(FocusAndExport, SwitchesStartOffAndAreRememberedInTheSettings) {
    EXPECT_TRUE(action(ids::kFocusMeter)->isCheckable());
    EXPECT_FALSE(action(ids::kFocusMeter)->isChecked());
    EXPECT_FALSE(action(ids::kSharpestStill)->isChecked());
    EXPECT_FALSE(sink().focusMeter());
    EXPECT_FALSE(sink().sharpestStill());
    feed(0.1, 0);
    EXPECT_EQ(sink().focusReadings(), 0u) << "off: no figure is computed";

    action(ids::kFocusMeter)->trigger();
    action(ids::kSharpestStill)->trigger();
    EXPECT_TRUE(sink().focusMeter());
    EXPECT_TRUE(sink().sharpestStill());
    EXPECT_TRUE(settings_.ReadOwnSwitch(FocusFeatures::kMeterKey));
    EXPECT_TRUE(settings_.ReadOwnSwitch(FocusFeatures::kSharpestKey));

    open();
    EXPECT_TRUE(action(ids::kFocusMeter)->isChecked());
    EXPECT_TRUE(sink().focusMeter());
    EXPECT_TRUE(sink().sharpestStill());
    action(ids::kFocusMeter)->trigger();
    EXPECT_FALSE(sink().focusMeter());
    EXPECT_FALSE(settings_.ReadOwnSwitch(FocusFeatures::kMeterKey, true));
}

TEST_F(FocusAndExport, MeterShowsOverTheLiveViewButNeverInTheStill) {
    action(ids::kFocusMeter)->trigger();
    for (int i = 0; i < 6; ++i)
        feed(0.1 * i, i % 3);
    ASSERT_TRUE(test::WaitFor([&] {
        feed(1.0, 0);
        return !bar()->isHidden();
    }));
    const QRect where = bar()->geometry();
    EXPECT_EQ(where.bottomLeft(),
              QPoint(FocusMeterBar::kMargin,
                     Parts(*window_).liveView()->height() - FocusMeterBar::kMargin - 1));
    // The live view as the user sees it carries the bar's white frame; the
    // surface that stills are composed from does not.
    const QImage shown = Parts(*window_).liveView()->grab().toImage();
    const QImage surface = Parts(*window_).liveView()->surface().Snapshot();
    ASSERT_FALSE(surface.isNull());
    EXPECT_NE(shown.pixelColor(where.topLeft()), surface.pixelColor(where.topLeft()));

    Parts(*window_).session().RequestStill();
    feed(1.1, 0);
    ASSERT_TRUE(test::WaitFor([&] { return !Parts(*window_).lastSavedStill().isEmpty(); }));
    const QImage still(Parts(*window_).lastSavedStill());
    ASSERT_EQ(still.size(), QSize(640, 480));
    // The still is the frame alone: its corner is the slide's, pixel for pixel.
    const QImage frame = QImage(frame_.data(), 640, 480, 1920, QImage::Format_BGR888)
                             .mirrored()
                             .convertToFormat(QImage::Format_RGB32);
    for (int y = 480 - 40; y < 480; ++y)
        for (int x = 0; x < 160; ++x)
            ASSERT_EQ(still.pixel(x, y), frame.pixel(x, y)) << x << "," << y;

    action(ids::kFocusMeter)->trigger();
    EXPECT_TRUE(bar()->isHidden());
}

TEST_F(FocusAndExport, SharpestStillSavesTheBestFrameOfTheLastSecond) {
    action(ids::kSharpestStill)->trigger();
    // Sharp at first, then softening: the sharpest frame of the last second
    // before the request is the first of that second.
    std::vector<std::pair<double, double>> figures;
    const int radius[] = {0, 0, 1, 2, 2, 3, 3, 4, 4, 5, 5, 6, 6, 7, 7, 8, 8, 8, 8, 8, 8};
    for (int i = 0; i < 21; ++i)
        figures.emplace_back(0.1 * i, feed(0.1 * i, radius[i]));
    Parts(*window_).session().RequestStill();
    figures.emplace_back(2.1, feed(2.1, 8));
    ASSERT_TRUE(test::WaitFor([&] { return !Parts(*window_).lastSavedStill().isEmpty(); }));
    double best = 0;
    for (const auto& [t, f] : figures)
        if (t >= 2.1 - 1.0 - 1e-9) best = std::max(best, f);
    QImage still =
        QImage(Parts(*window_).lastSavedStill()).convertToFormat(QImage::Format_BGR888).mirrored();
    FocusScratch fs;
    const double saved = FocusFigure(
        FrameView{still.bits(), still.width(), still.height(), int(still.bytesPerLine())}, fs);
    EXPECT_DOUBLE_EQ(saved, best);
    EXPECT_LT(saved, figures[0].second) << "the sharp frames of two seconds ago are not chosen";
}

TEST_F(FocusAndExport, ExportAndCopyTheLiveMeasurements) {
    MeasureExportCommands* cmds = window_->findChild<MeasureExportCommands*>();
    ASSERT_NE(cmds, nullptr);
    // Nothing measured: said so, no file asked for.
    EXPECT_FALSE(cmds->Export());
    ASSERT_EQ(prompts_.shown().size(), 1u);
    EXPECT_TRUE(prompts_.asked().isEmpty());

    Parts(*window_).magnificationBox()->setText("100.0");
    Parts(*window_).liveShapes().Edit([](ShapeList& list) {
        CMeasureShape s;
        s.kind = LiveKindOf(ToolId::Line);
        const QPoint a(10, 10), b(164, 10);
        s.points = {a, b, a, a, b, b, QPoint(20, 0)};
        s.labels = {QStringLiteral("L:1.003mm")};
        list.Append(s);
    });
    const QString target = QDir(test::homeDir()).filePath("out.csv");
    prompts_.Push(target);
    ASSERT_TRUE(cmds->Export());
    QFile f(target);
    ASSERT_TRUE(f.open(QIODevice::ReadOnly));
    const QByteArray csv = f.readAll();
    EXPECT_EQ(csv, MeasurementsCsv(cmds->Rows()));
    // Worked out from the points (154 px at 100×), not read from the label.
    EXPECT_TRUE(csv.contains("\r\nline,1.003257,mm,,,")) << csv.toStdString();
    EXPECT_TRUE(prompts_.lastProposedPath().startsWith(Parts(*window_).storage().picture));

    // A place that cannot be written: told with the place, nothing written.
    const QString blocked = target + "/inside.csv";
    prompts_.Push(blocked);
    const std::size_t before = prompts_.shown().size();
    EXPECT_FALSE(cmds->Export());
    ASSERT_EQ(prompts_.shown().size(), before + 1);
    EXPECT_TRUE(prompts_.shown().back().text.contains(blocked));
    EXPECT_EQ(prompts_.shown().back().icon, Prompts::Icon::Warning);
    EXPECT_FALSE(QFile::exists(blocked));

    ASSERT_TRUE(cmds->Copy());
    const QString copied = QGuiApplication::clipboard()->text();
    EXPECT_EQ(copied, MeasurementsTsv(cmds->Rows()));
    EXPECT_TRUE(copied.contains("line\t1.003257\tmm\t"));

    // Triggered from the command table the same way.
    prompts_.Push(QString()); // cancelled
    action(ids::kExportMeasures)->trigger();
    EXPECT_EQ(prompts_.asked().size(), 3);
}

} // namespace
} // namespace tvx

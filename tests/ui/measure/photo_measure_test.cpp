// The Photo Measure dialog and the pen and text dialogs it opens.
#include "ui/measure/photo_measure_dialog.h"

#include "measure/calibration_file.h"
#include "measure/font_file.h"
#include "measure/geometry.h"
#include "measure/tool_registry.h"
#include "platform/folders.h"
#include "platform/prompts.h"
#include "platform/settings.h"
#include "tests/support/test_env.h"
#include "ui/measure/calibration_dialog.h"
#include "ui/measure/measure_canvas_widget.h"
#include "ui/measure/measure_ids.h"
#include "ui/measure/pen_setting_dialog.h"
#include "ui/skin/bitmap_button.h"
#include "ui/skin/menu_xp.h"
#include "ui/skin/widget_prompts.h"

#include <QAction>
#include <QApplication>
#include <QBuffer>
#include <QCheckBox>
#include <QClipboard>
#include <QColorDialog>
#include <QComboBox>
#include <QElapsedTimer>
#include <QFile>
#include <QFontDialog>
#include <QFontInfo>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMouseEvent>
#include <QPlainTextEdit>
#include <QRadioButton>
#include <QTimer>
#include <QWheelEvent>

#include <gtest/gtest.h>

namespace tvx {
namespace {

// The Photo Measure menu commands of a tool.
int MeasureMenu(ToolId id) {
    return FindTool(id)->measureMenu.command;
}
int DrawMenu(ToolId id) {
    return FindTool(id)->drawMenu.command;
}

// A menu's texts in order, "-" for a separator.
QStringList MenuTexts(const CMenuXP& menu) {
    QStringList texts;
    for (QAction* a : menu.actions())
        texts << (a->isSeparator() ? QStringLiteral("-") : a->text());
    return texts;
}

QString SavePicture(const QString& name, QSize size) {
    QImage img(size, QImage::Format_RGB32);
    img.fill(0xFF305070);
    const QString path = test::programDir() + QLatin1Char('/') + name;
    EXPECT_TRUE(img.save(path, "BMP"));
    return path;
}

void Mouse(QWidget* w, QEvent::Type type, Qt::MouseButton button, QPoint at) {
    const Qt::MouseButtons held =
        type == QEvent::MouseButtonRelease ? Qt::NoButton : Qt::MouseButtons(button);
    QMouseEvent e(type, QPointF(at), QPointF(w->mapToGlobal(at)), button, held, Qt::NoModifier);
    QApplication::sendEvent(w, &e);
}
void Click(QWidget* w, QPoint at, Qt::MouseButton button = Qt::LeftButton) {
    Mouse(w, QEvent::MouseButtonPress, button, at);
    Mouse(w, QEvent::MouseButtonRelease, button, at);
}
void MoveTo(QWidget* w, QPoint at) {
    Mouse(w, QEvent::MouseMove, Qt::NoButton, at);
}

// Closes the next modal dialog with Cancel once it is up.
void CancelNextDialog() {
    QTimer::singleShot(0, [] {
        if (auto* d = qobject_cast<QDialog*>(QApplication::activeModalWidget())) d->done(0);
    });
}

class PhotoMeasureTest : public ::testing::Test {
protected:
    SettingsStore settings_;
    ScriptedPrompts prompts_;
    CalibrationState calibration_;
};

// The window opens with the whole picture one to one where the screen has
// room, the canvas where the skin puts it, and can be resized.
TEST_F(PhotoMeasureTest, WideCanvasOnlyForA720x480Picture) {
    PhotoMeasureDialog wide(calibration_, prompts_, settings_,
                            SavePicture(QStringLiteral("a.bmp"), QSize(720, 480)), nullptr);
    ASSERT_TRUE(wide.canvas());
    EXPECT_EQ(wide.canvas()->model().canvasSize(), QSize(720, 480));
    EXPECT_EQ(wide.canvas()->size(), QSize(720, 480));
    EXPECT_TRUE(wide.canvas()->mapping().identity());
    EXPECT_EQ(wide.canvas()->mapTo(&wide, QPoint(0, 0)), QPoint(5, 41));
    EXPECT_EQ(wide.width(), 729);
    EXPECT_GT(wide.maximumSize().width(), wide.width());
    EXPECT_LT(wide.minimumSize().height(), wide.height());
    EXPECT_EQ(wide.zoomLabel()->text(), QStringLiteral("100 %"));
    PhotoMeasureDialog narrow(calibration_, prompts_, settings_,
                              SavePicture(QStringLiteral("b.bmp"), QSize(640, 480)), nullptr);
    EXPECT_EQ(narrow.canvas()->model().canvasSize(), QSize(640, 480));
    EXPECT_EQ(narrow.canvas()->size(), QSize(640, 480));
    EXPECT_EQ(narrow.width(), 649);
    EXPECT_FALSE(narrow.button(PhotoMeasureId::Delete)->isEnabled());
    EXPECT_FALSE(narrow.button(PhotoMeasureId::Resume)->isEnabled());
}

TEST_F(PhotoMeasureTest, MagnificationFromTheCalibratedBoxElseTheNominalOne) {
    PhotoMeasureDialog d(calibration_, prompts_, settings_,
                         SavePicture(QStringLiteral("c.bmp"), QSize(640, 480)), nullptr);
    d.nominalEdit()->setText(QStringLiteral("200"));
    d.calibratedEdit()->clear();
    d.OnMenuCommand(MeasureMenu(ToolId::Line));
    EXPECT_EQ(d.magnification(), 200);
    EXPECT_EQ(d.canvas()->model().magnification(), 200);
    EXPECT_EQ(d.canvas()->model().tool(), int(MeasureTool::Line));
    EXPECT_TRUE(d.canvas()->model().measuring());
    EXPECT_EQ(d.toolNameEdit()->text(), QStringLiteral("Line"));

    d.calibratedEdit()->setText(QStringLiteral("187.5"));
    d.OnMenuCommand(MeasureMenu(ToolId::Polygon));
    EXPECT_EQ(d.magnification(), 187.5);
    d.OnCalibration();
    EXPECT_EQ(d.magnification(), 200);
    EXPECT_TRUE(d.canvas()->model().calibrationMode());
    EXPECT_FALSE(d.button(PhotoMeasureId::Calibration)->isEnabled());
}

// A confirmed calibration line is shown, filed under the nominal value and
// told to whoever listens, once the line's click is over.
TEST_F(PhotoMeasureTest, ACalibrationLineIsShownStoredAndTold) {
    PhotoMeasureDialog d(calibration_, prompts_, settings_,
                         SavePicture(QStringLiteral("cal.bmp"), QSize(640, 480)), nullptr);
    QFile calibrations(CalibrationFilePath());
    ASSERT_TRUE(calibrations.open(QIODevice::WriteOnly));
    calibrations.close();
    d.nominalEdit()->setText(QStringLiteral("100"));
    int told = 0;
    QObject::connect(&d, &PhotoMeasureDialog::calibrationStored, [&] { ++told; });
    d.OnCalibration();
    ASSERT_TRUE(d.canvas()->model().calibrationMode());
    QTimer::singleShot(0, [] {
        auto* dialog = qobject_cast<CalibrationDialog*>(QApplication::activeModalWidget());
        ASSERT_NE(dialog, nullptr);
        dialog->edit()->setText(QStringLiteral("1"));
        dialog->accept();
    });
    Click(d.canvas(), QPoint(10, 10));
    Click(d.canvas(), QPoint(164, 10));
    EXPECT_EQ(told, 0);
    QCoreApplication::processEvents();
    EXPECT_EQ(told, 1);
    const QString shown = d.calibratedEdit()->text();
    EXPECT_FALSE(shown.isEmpty());
    EXPECT_NE(shown, QStringLiteral("100"));
    EXPECT_EQ(LookupCalibration(CalibrationFilePath(), QStringLiteral("100")), shown);
}

// A picture is measured with the calibration of the camera in use, not the
// microscope's, and in pixels while that camera has none for its nominal
// magnification.
TEST_F(PhotoMeasureTest, AnotherCameraMeasuresWithItsOwnCalibrationElseInPixels) {
    QFile microscope(CalibrationFilePath());
    ASSERT_TRUE(microscope.open(QIODevice::WriteOnly));
    microscope.write("[60.0]\n60.0=90.0\n");
    microscope.close();
    const QString camera =
        CameraCalibrationFilePath(QStringLiteral("test:uvc-hd"), QSize(640, 480));
    calibration_.scope.pitchKnown = false;
    calibration_.scope.calibrationFile = camera;
    const QString picture =
        SavePicture(QStringLiteral("Still_2016-05-03_142501_60.0X_N0001.bmp"), QSize(640, 480));
    const auto lineLabel = [&] {
        PhotoMeasureDialog d(calibration_, prompts_, settings_, picture, nullptr);
        d.OnMenuCommand(MeasureMenu(ToolId::Line));
        CMeasureCanvas* c = d.canvas();
        for (QPoint p : {QPoint(100, 100), QPoint(300, 100), QPoint(200, 150)})
            Click(c, c->mapping().ToView(QPointF(p) + QPointF(0.5, 0.5)).toPoint());
        const auto& shapes = c->model().shapes().shapes();
        return shapes.size() == 1 ? shapes.front().labels.value(0) : QString();
    };
    EXPECT_EQ(lineLabel(), QStringLiteral("L:200.000px"));
    // 50 pixels a millimetre.
    ASSERT_TRUE(StoreCalibration(camera, QStringLiteral("60.0"), 50, true));
    EXPECT_EQ(lineLabel(), QStringLiteral("L:4.000mm"));
}

TEST_F(PhotoMeasureTest, WithoutAnyMagnificationOnlyDrawingToolsWork) {
    PhotoMeasureDialog d(calibration_, prompts_, settings_,
                         SavePicture(QStringLiteral("d.bmp"), QSize(640, 480)), nullptr);
    d.nominalEdit()->clear();
    d.calibratedEdit()->clear();
    d.PrepareMenu(PhotoMeasureId::MeasuringTools);
    d.OnMenuCommand(MeasureMenu(ToolId::Line));
    ASSERT_EQ(prompts_.shown().size(), 1u);
    EXPECT_EQ(prompts_.shown()[0].text, QStringLiteral("Please input the zoomIn Rate!"));
    EXPECT_EQ(d.canvas()->model().tool(), MeasureCanvasModel::kNoTool);
    d.OnCalibration();
    EXPECT_FALSE(d.canvas()->model().calibrationMode());

    d.OnMenuCommand(DrawMenu(ToolId::Rectangle));
    EXPECT_EQ(d.canvas()->model().tool(), int(MeasureTool::Rectangle));
    EXPECT_FALSE(d.canvas()->model().measuring());
    EXPECT_EQ(d.toolNameEdit()->text(), QStringLiteral("Rectangle"));
}

TEST_F(PhotoMeasureTest, UnitsEntryChangesNothing) {
    PhotoMeasureDialog d(calibration_, prompts_, settings_,
                         SavePicture(QStringLiteral("e.bmp"), QSize(640, 480)), nullptr);
    d.nominalEdit()->setText(QStringLiteral("100"));
    d.PrepareMenu(PhotoMeasureId::MeasuringTools);
    EXPECT_TRUE(d.button(PhotoMeasureId::MeasuringTools)->IsLatched());
    d.OnMenuCommand(MeasureCommand::Units);
    EXPECT_EQ(d.canvas()->model().tool(), MeasureCanvasModel::kNoTool);
    EXPECT_TRUE(d.toolNameEdit()->text().isEmpty());

    CMenuXP menu;
    d.BuildMeasuringMenu(menu);
    QList<int> commands;
    for (QAction* a : menu.actions())
        if (!a->isSeparator()) commands << a->data().toInt();
    EXPECT_EQ(commands.size(), 13);
    EXPECT_EQ(commands[9], int(MeasureCommand::Units));
    // The tools' items come in their registry places, sections set apart.
    EXPECT_EQ(MenuTexts(menu).join('|'),
              "Line|Continuous line|-|Rectangle|Ploygon|-|Radius Circle|Diameter Circle|"
              "Three Point Circle|-|Angle|Four Point Angle|-|Units|Scale Bar|-|"
              "Export measurements...|Copy measurements");
    CMenuXP drawing;
    d.BuildDrawingMenu(drawing);
    EXPECT_EQ(MenuTexts(drawing).join('|'), "Line|Continuous line|-|Angle|Retangle|-|Radius "
                                            "Circle|Diameter Circle|Three Points Circle");
    EXPECT_EQ(menu.backgroundColour(), QColor(226, 227, 229));

    // The scale bar entry switches the bar over the picture, and the choice
    // is kept for the next picture.
    EXPECT_EQ(commands[10], int(MeasureCommand::ScaleBar));
    EXPECT_FALSE(d.canvas()->model().scaleBar());
    d.OnMenuCommand(MeasureCommand::ScaleBar);
    EXPECT_TRUE(d.canvas()->model().scaleBar());
    EXPECT_TRUE(settings_.ReadOwnSwitch("PhotoScaleBar"));
    d.OnMenuCommand(MeasureCommand::ScaleBar);
    EXPECT_FALSE(settings_.ReadOwnSwitch("PhotoScaleBar"));
}

TEST_F(PhotoMeasureTest, CancelledTextDialogStillChoosesTheTextTool) {
    PhotoMeasureDialog d(calibration_, prompts_, settings_,
                         SavePicture(QStringLiteral("f.bmp"), QSize(640, 480)), nullptr);
    CancelNextDialog();
    d.OnText();
    EXPECT_EQ(d.canvas()->model().tool(), int(MeasureTool::Text));
    EXPECT_FALSE(d.canvas()->model().HasShapes());
}

TEST_F(PhotoMeasureTest, CloseAsksOnlyWhenDrawingsWouldBeLost) {
    PhotoMeasureDialog d(calibration_, prompts_, settings_,
                         SavePicture(QStringLiteral("g.bmp"), QSize(640, 480)), nullptr);
    d.show();
    QKeyEvent esc(QEvent::KeyPress, Qt::Key_Escape, Qt::NoModifier);
    QApplication::sendEvent(&d, &esc);
    EXPECT_TRUE(d.isVisible());
    // Nothing drawn: nothing to lose, no question.
    d.close();
    EXPECT_FALSE(d.isVisible());
    EXPECT_TRUE(prompts_.shown().empty());

    d.show();
    d.OnMenuCommand(DrawMenu(ToolId::Line));
    Click(d.canvas(), QPoint(10, 10));
    Click(d.canvas(), QPoint(90, 40));
    prompts_.Push(Prompts::Answer::No);
    d.close();
    EXPECT_TRUE(d.isVisible());
    EXPECT_EQ(prompts_.shown().back().text, QStringLiteral("Are you sure to close?"));

    // Right after a save there is nothing to lose either.
    prompts_.Push(test::programDir() + QStringLiteral("/g_out.bmp"));
    d.OnSave();
    ASSERT_EQ(prompts_.shown().back().text, QStringLiteral("Save successfully!"));
    const size_t asked = prompts_.shown().size();
    d.close();
    EXPECT_FALSE(d.isVisible());
    EXPECT_EQ(prompts_.shown().size(), asked);

    // A line drawn since the save is.
    d.show();
    Click(d.canvas(), QPoint(20, 60));
    Click(d.canvas(), QPoint(80, 90));
    EXPECT_TRUE(d.HasUnsavedWork());
    prompts_.Push(Prompts::Answer::Yes);
    d.close();
    EXPECT_FALSE(d.isVisible());
    EXPECT_EQ(prompts_.shown().back().text, QStringLiteral("Are you sure to close?"));
}

TEST_F(PhotoMeasureTest, AFailedSaveSaysWhy) {
    PhotoMeasureDialog d(calibration_, prompts_, settings_,
                         SavePicture(QStringLiteral("k.bmp"), QSize(320, 240)), nullptr);
    prompts_.Push(test::programDir() + QStringLiteral("/no such folder/out.bmp"));
    d.OnSave();
    const QString text = prompts_.shown().back().text;
    EXPECT_TRUE(text.startsWith(QStringLiteral("Save fail\n"))) << text.toStdString();
    EXPECT_TRUE(text.contains(QStringLiteral("out.bmp: "))) << text.toStdString();
    EXPECT_GT(text.size(), QStringLiteral("Save fail\n").size() + 30);
}

// Answers every message after keeping it up for a while, as a user reading it
// would, and meanwhile paints the dialog: the picture shown must be alive.
class SlowReader : public ScriptedPrompts {
public:
    // `dialog` is set once the dialog that shows the messages exists.
    Answer Message(const QString& title, const QString& text, Icon icon, Buttons buttons) override {
        QElapsedTimer up;
        up.start();
        while (up.elapsed() < waitMs)
            QApplication::processEvents(QEventLoop::AllEvents, 50);
        painted += dialog && !dialog->grab().isNull() ? 1 : 0;
        return ScriptedPrompts::Message(title, text, icon, buttons);
    }
    QWidget* dialog = nullptr;
    int waitMs = 1100;
    int painted = 0;
};

// Open with a picture that cannot be read: the message stays up longer than
// any timer of the dialog, and the picture shown before stays whole (run
// under AddressSanitizer, a canvas freed too early shows here).
TEST_F(PhotoMeasureTest, AnUnreadablePictureLeavesTheShownOneWholeWhileTheMessageIsUp) {
    SlowReader reader;
    PhotoMeasureDialog d(calibration_, reader, settings_,
                         SavePicture(QStringLiteral("Still_N1.bmp"), QSize(640, 480)), nullptr);
    reader.dialog = &d;
    d.show();
    CMeasureCanvas* shown = d.canvas();
    ASSERT_NE(shown, nullptr);
    const auto encoded = [](const char* format) {
        QImage img(16, 16, QImage::Format_RGB32);
        img.fill(Qt::blue);
        QByteArray bytes;
        QBuffer b(&bytes);
        b.open(QIODevice::WriteOnly);
        img.save(&b, format);
        return bytes;
    };
    const QByteArray header = encoded("BMP");
    const QByteArray jpeg = encoded("JPG");
    QByteArray huge = header.left(54);
    huge[18] = char(0x20); // 20000 × 20000
    huge[19] = char(0x4E);
    huge[22] = char(0x20);
    huge[23] = char(0x4E);
    const std::pair<const char*, QByteArray> kinds[] = {
        {"truncated.bmp", header.left(header.size() - 7)},
        {"header.bmp", header.left(54)},
        {"jpeg.bmp", jpeg},
        {"huge.bmp", huge},
    };
    for (const auto& [name, bytes] : kinds) {
        const QString path = test::programDir() + QLatin1Char('/') + QLatin1String(name);
        QFile f(path);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write(bytes);
        f.close();
        reader.Push(path);
        d.OnOpen();
        reader.waitMs = 100; // the first message stays up over a second, the others briefly
        EXPECT_EQ(d.canvas(), shown) << name;
        EXPECT_TRUE(reader.shown().back().text.startsWith(QStringLiteral("Can not Open file")))
            << name;
    }
    EXPECT_EQ(reader.painted, 4);
    EXPECT_FALSE(d.grab().isNull());
}

TEST_F(PhotoMeasureTest, SaveWritesTheAnnotatedPictureAndSaysSo) {
    PhotoMeasureDialog d(calibration_, prompts_, settings_,
                         SavePicture(QStringLiteral("Still_x.bmp"), QSize(320, 240)), nullptr);
    d.OnMenuCommand(DrawMenu(ToolId::Line));
    CMeasureCanvas* c = d.canvas();
    Click(c, QPoint(100, 100));
    Click(c, QPoint(200, 100));
    ASSERT_EQ(c->model().shapes().shapes().size(), 1u);
    const QString out = test::programDir() + QStringLiteral("/annotated");
    prompts_.Push(out);
    d.OnSave();
    // Enter in the file dialog must not replace the clean picture.
    EXPECT_EQ(prompts_.lastProposedPath(),
              test::programDir() + QStringLiteral("/Still_x_measured.bmp"));
    ASSERT_TRUE(QFile::exists(out + QStringLiteral(".BMP")));
    EXPECT_EQ(QImage(out + QStringLiteral(".BMP")).size(), QSize(320, 240));
    EXPECT_EQ(prompts_.shown().back().text, QStringLiteral("Save successfully!"));
}

// Fires what a key would through the dialog's shortcuts; a disabled one does nothing.
bool Keys(QWidget* w, const QKeySequence& keys) {
    for (QAction* a : w->actions())
        if (a->shortcuts().contains(keys) && a->isEnabled()) {
            a->trigger();
            return true;
        }
    return false;
}

TEST_F(PhotoMeasureTest, UndoAndRedoAreAvailableWheneverTheyCanActAndOnTheirKeys) {
    PhotoMeasureDialog d(calibration_, prompts_, settings_,
                         SavePicture(QStringLiteral("h.bmp"), QSize(640, 480)), nullptr);
    CLatchButton* undo = d.button(PhotoMeasureId::Delete);
    CLatchButton* redo = d.button(PhotoMeasureId::Resume);
    const QKeySequence ctrlZ(Qt::CTRL | Qt::Key_Z), ctrlY(Qt::CTRL | Qt::Key_Y),
        ctrlShiftZ(Qt::CTRL | Qt::SHIFT | Qt::Key_Z);
    EXPECT_FALSE(Keys(&d, ctrlZ));
    d.OnMenuCommand(DrawMenu(ToolId::Line));
    for (int i = 0; i < 2; ++i) {
        Click(d.canvas(), QPoint(10 + 20 * i, 10));
        Click(d.canvas(), QPoint(90, 40 + 20 * i));
    }
    // At once, without waiting for anything.
    EXPECT_TRUE(undo->isEnabled() && undo->IsLatched());
    EXPECT_FALSE(redo->isEnabled());

    d.OnDelete();
    EXPECT_TRUE(redo->isEnabled() && redo->IsLatched());
    EXPECT_TRUE(undo->isEnabled());
    EXPECT_TRUE(Keys(&d, ctrlZ));
    EXPECT_FALSE(d.canvas()->model().HasShapes());
    EXPECT_FALSE(undo->isEnabled());
    EXPECT_FALSE(Keys(&d, ctrlZ));

    EXPECT_TRUE(Keys(&d, ctrlY));
    EXPECT_TRUE(undo->isEnabled());
    EXPECT_TRUE(Keys(&d, ctrlShiftZ));
    EXPECT_EQ(d.canvas()->model().shapes().shapes().size(), 2u);
    EXPECT_FALSE(redo->isEnabled() || redo->IsLatched());
    EXPECT_FALSE(Keys(&d, ctrlY));
}

TEST_F(PhotoMeasureTest, OpeningAnotherPictureSetsItUpAsTheFirstOne) {
    PhotoMeasureDialog d(
        calibration_, prompts_, settings_,
        SavePicture(QStringLiteral("Still_2016-05-03_142501_60.0X_N0001.bmp"), QSize(640, 480)),
        nullptr);
    QFile calibrations(CalibrationFilePath());
    ASSERT_TRUE(calibrations.open(QIODevice::WriteOnly));
    calibrations.close();
    ASSERT_TRUE(StoreCalibration(CalibrationFilePath(), QStringLiteral("200.0"), 187.5));
    d.OnMenuCommand(MeasureMenu(ToolId::Line));
    ASSERT_EQ(d.canvas()->model().magnification(), 60);
    Click(d.canvas(), QPoint(10, 10));
    Click(d.canvas(), QPoint(90, 40));
    d.OnDelete();
    d.OnCalibration();

    prompts_.Push(
        SavePicture(QStringLiteral("Still_2016-05-03_142502_200.0X_N0002.bmp"), QSize(720, 480)));
    d.OnOpen();
    CMeasureCanvas* c = d.canvas();
    EXPECT_EQ(c->size(), QSize(720, 480));
    EXPECT_EQ(d.width(), 729);
    EXPECT_EQ(d.nominalEdit()->text(), QStringLiteral("200.0"));
    EXPECT_EQ(d.calibratedEdit()->text(), QStringLiteral("187.5"));
    EXPECT_TRUE(d.toolNameEdit()->text().isEmpty());
    EXPECT_EQ(c->model().tool(), int(MeasureTool::None));
    EXPECT_FALSE(c->model().calibrationMode());
    EXPECT_TRUE(d.button(PhotoMeasureId::Calibration)->isEnabled());
    EXPECT_FALSE(d.button(PhotoMeasureId::Resume)->isEnabled());
    d.OnMenuCommand(MeasureMenu(ToolId::Line));
    EXPECT_EQ(c->model().magnification(), 187.5);

    // A picture that cannot be read leaves the one shown as it is.
    Click(c, QPoint(10, 10));
    Click(c, QPoint(90, 40));
    const QString broken = test::programDir() + QStringLiteral("/broken.bmp");
    QFile f(broken);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write("BM not a picture");
    f.close();
    prompts_.Push(broken);
    d.OnOpen();
    EXPECT_TRUE(prompts_.shown().back().text.startsWith(QStringLiteral("Can not Open file\n")));
    ASSERT_EQ(d.canvas(), c);
    EXPECT_TRUE(c->model().shapeUnderWay());
    EXPECT_TRUE(d.button(PhotoMeasureId::Delete)->isEnabled());
    EXPECT_EQ(d.picturePath(), c->model().path());
}

TEST_F(PhotoMeasureTest, MeasurementsExportAsCsvAndCopyAsOnTheLiveView) {
    PhotoMeasureDialog d(
        calibration_, prompts_, settings_,
        SavePicture(QStringLiteral("Still_2016-05-03_142501_60.0X_N0001.bmp"), QSize(640, 480)),
        nullptr);
    EXPECT_FALSE(d.OnCopyMeasurements());
    EXPECT_EQ(prompts_.shown().back().text, QStringLiteral("There are no measurements to export."));

    d.OnMenuCommand(MeasureMenu(ToolId::Line));
    Click(d.canvas(), QPoint(100, 100));
    Click(d.canvas(), QPoint(300, 100));
    Click(d.canvas(), QPoint(320, 140));
    const QVector<MeasurementRow> rows = d.MeasurementRowsNow();
    ASSERT_EQ(rows.size(), 1);
    EXPECT_EQ(rows[0].kind, QStringLiteral("line"));
    EXPECT_EQ(rows[0].magnification, QStringLiteral("60.0"));
    EXPECT_EQ(rows[0].picture, QStringLiteral("Still_2016-05-03_142501_60.0X_N0001.bmp"));

    const QString csv = test::programDir() + QStringLiteral("/lines");
    prompts_.Push(csv);
    d.OnMenuCommand(MeasureCommand::ExportMeasurements);
    EXPECT_EQ(prompts_.lastProposedPath(),
              test::programDir() +
                  QStringLiteral("/Still_2016-05-03_142501_60.0X_N0001_measurements.csv"));
    QFile written(csv + QStringLiteral(".csv"));
    ASSERT_TRUE(written.open(QIODevice::ReadOnly));
    EXPECT_EQ(written.readAll(), MeasurementsCsv(rows));

    d.OnMenuCommand(MeasureCommand::CopyMeasurements);
    EXPECT_EQ(QGuiApplication::clipboard()->text(), MeasurementsTsv(rows));
    EXPECT_EQ(d.canvas()->model().shapes().shapes().size(), 1u);
}

TEST_F(PhotoMeasureTest, RubberBandShowsWhileALineIsUnderWayAndGoesAfter) {
    PhotoMeasureDialog d(calibration_, prompts_, settings_,
                         SavePicture(QStringLiteral("i.bmp"), QSize(640, 480)), nullptr);
    d.show();
    d.OnMenuCommand(DrawMenu(ToolId::Line));
    CMeasureCanvas* c = d.canvas();
    c->repaint();
    QApplication::processEvents();
    const QImage clean = c->screen();
    ASSERT_FALSE(clean.isNull());
    Mouse(c, QEvent::MouseButtonPress, Qt::LeftButton, QPoint(50, 50));
    MoveTo(c, QPoint(150, 90));
    EXPECT_TRUE(c->model().shapeUnderWay());
    EXPECT_EQ(c->model().RubberFigure().lines.size(), 2);
    EXPECT_NE(c->screen(), clean);
    EXPECT_TRUE(c->pointerHeld());
    // Moving back to the start leaves only the zero-length band.
    MoveTo(c, QPoint(50, 50));
    Click(c, QPoint(50, 50), Qt::RightButton);
    c->repaint();
    EXPECT_EQ(c->screen(), clean);
    EXPECT_FALSE(c->pointerHeld());
}

// Shapes live on the picture's own pixels at every picture size: a line
// from A to B clicked at 400 % is the line clicked at fit, measures |AB|
// picture pixels at the pitch of the picture's size and is saved on A and B.
TEST_F(PhotoMeasureTest, ZoomChangesNeitherWhatIsMeasuredNorWhatIsSaved) {
    struct Outcome {
        QVector<QPoint> points;
        QStringList labels;
        QByteArray saved;
    };
    for (const QSize size : {QSize(720, 576), QSize(2592, 1944)}) {
        SCOPED_TRACE(size.width());
        const QString picture =
            SavePicture(QStringLiteral("Still_2016-05-03_142501_60.0X_N0001.bmp"), size);
        // Picture pixels as clicked at fit, where each view pixel covers more
        // than one of them; then the same pixels are clicked at 400 %.
        QVector<QPoint> at;
        auto measure = [&](bool zoomed, const QString& out) {
            PhotoMeasureDialog d(calibration_, prompts_, settings_, picture, nullptr);
            d.show();
            d.resize(780, 580);
            QApplication::processEvents();
            CMeasureCanvas* c = d.canvas();
            if (zoomed) {
                emit d.zoomBox()->activated(d.zoomBox()->findData(4.0));
                EXPECT_EQ(d.zoomLabel()->text(), QStringLiteral("400 %"));
            } else {
                EXPECT_TRUE(c->fitted());
                EXPECT_LT(c->mapping().scaleX(), 1.0);
            }
            d.OnMenuCommand(MeasureMenu(ToolId::Line));
            const ViewMapping m = c->mapping();
            if (!zoomed) {
                const QPoint middle = m.shown().center();
                // Near the middle, so that 400 % still shows them.
                for (QPoint v :
                     {middle - QPoint(20, 12), middle + QPoint(18, 9), middle + QPoint(0, 14)})
                    at << m.ToPicture(v);
            }
            for (QPoint p : at) {
                const QPoint v = m.ToView(QPointF(p) + QPointF(0.5, 0.5)).toPoint();
                EXPECT_TRUE(c->rect().contains(v));
                Click(c, v);
            }
            Outcome o;
            if (c->model().shapes().shapes().size() != 1u) return o;
            o.points = c->model().shapes().shapes().front().points;
            o.labels = c->model().shapes().shapes().front().labels;
            prompts_.Push(out);
            d.OnSave();
            QFile f(out);
            if (f.open(QIODevice::ReadOnly)) o.saved = f.readAll();
            return o;
        };
        const Outcome fit = measure(false, test::programDir() + QStringLiteral("/fit.bmp"));
        const Outcome near = measure(true, test::programDir() + QStringLiteral("/near.bmp"));
        ASSERT_GE(near.points.size(), 2);
        const QPoint a = at[0], b = at[1];
        EXPECT_EQ(near.points[0], a);
        EXPECT_EQ(near.points[1], b);
        MeasureContext ctx;
        ctx.scale = 63.49206349 * 0.001; // millimetres a pixel of this size covers at 1×
        ctx.magnification = 60;
        ctx.decimals = 3;
        ASSERT_FALSE(near.labels.isEmpty());
        EXPECT_EQ(near.labels[0],
                  FormatLength(ctx, "L:", ctx.Length(std::hypot(b.x() - a.x(), b.y() - a.y()))));
        EXPECT_EQ(fit.points, near.points);
        EXPECT_EQ(fit.labels, near.labels);
        EXPECT_FALSE(near.saved.isEmpty());
        EXPECT_TRUE(near.saved == fit.saved);
        const QImage saved = QImage::fromData(near.saved).convertToFormat(QImage::Format_RGB32);
        ASSERT_EQ(saved.size(), size);
        // The line starts on A and ends on B or, as a pen without width
        // leaves out its last pixel, beside it.
        EXPECT_EQ(saved.pixel(a), qRgb(255, 0, 0));
        bool besideB = false;
        for (int dy = -1; dy <= 1; ++dy)
            for (int dx = -1; dx <= 1; ++dx)
                besideB = besideB || saved.pixel(b + QPoint(dx, dy)) == qRgb(255, 0, 0);
        EXPECT_TRUE(besideB);
    }
}

// Ctrl + wheel keeps the picture point under the pointer; the middle button
// and Space + left button move the picture and draw nothing.
TEST_F(PhotoMeasureTest, WheelZoomsAboutThePointerAndPanningDrawsNothing) {
    PhotoMeasureDialog d(calibration_, prompts_, settings_,
                         SavePicture(QStringLiteral("w.bmp"), QSize(640, 480)), nullptr);
    d.show();
    QApplication::processEvents();
    CMeasureCanvas* c = d.canvas();
    d.OnMenuCommand(DrawMenu(ToolId::Line));
    const QPoint pointer(200, 150);
    const QPointF under = c->mapping().ToPictureF(pointer);
    auto wheel = [&](int notches) {
        QWheelEvent e(QPointF(pointer), QPointF(c->mapToGlobal(pointer)), QPoint(),
                      QPoint(0, 120 * notches), Qt::NoButton, Qt::ControlModifier,
                      Qt::NoScrollPhase, false);
        QApplication::sendEvent(c, &e);
    };
    for (int notches : {1, 2, -1}) {
        const int before = c->zoomPercent();
        wheel(notches);
        EXPECT_EQ(c->zoomPercent() > before, notches > 0);
        const QPointF kept = c->mapping().ToView(under);
        EXPECT_NEAR(kept.x(), pointer.x(), 1.0);
        EXPECT_NEAR(kept.y(), pointer.y(), 1.0);
    }
    EXPECT_EQ(d.zoomLabel()->text(), QStringLiteral("%1 %").arg(c->zoomPercent()));

    const auto drag = [&](Qt::MouseButton button, QPoint from, QPoint to) {
        const QPoint start = c->mapping().shown().topLeft();
        Mouse(c, QEvent::MouseButtonPress, button, from);
        Mouse(c, QEvent::MouseMove, button, to);
        Mouse(c, QEvent::MouseButtonRelease, button, to);
        return c->mapping().shown().topLeft() - start;
    };
    EXPECT_EQ(drag(Qt::MiddleButton, QPoint(300, 200), QPoint(250, 170)), QPoint(-50, -30));
    QKeyEvent space(QEvent::KeyPress, Qt::Key_Space, Qt::NoModifier, QStringLiteral(" "));
    QApplication::sendEvent(c, &space);
    EXPECT_EQ(drag(Qt::LeftButton, QPoint(250, 170), QPoint(290, 190)), QPoint(40, 20));
    QKeyEvent spaceUp(QEvent::KeyRelease, Qt::Key_Space, Qt::NoModifier, QStringLiteral(" "));
    QApplication::sendEvent(c, &spaceUp);
    EXPECT_FALSE(c->model().shapeUnderWay());
    EXPECT_FALSE(c->model().HasShapes());
    // Without Space the left button draws again.
    Click(c, QPoint(100, 100));
    EXPECT_TRUE(c->model().shapeUnderWay());
}

TEST_F(PhotoMeasureTest, PenDialogOpensWithTheRulesOfItsChecks) {
    SettingsValues v = settings_.values();
    v.Linewidth = 2;
    v.Linetype = 1;
    v.unit = QStringLiteral("furlong");
    v.decimal = 7;
    settings_.SetRunning(v);
    PenSettingDialog d(prompts_, settings_);
    auto checked = [&](int id) {
        return static_cast<QAbstractButton*>(ControlById(&d, id))->isChecked();
    };
    EXPECT_TRUE(checked(PenSettingId::Solid));
    EXPECT_FALSE(checked(PenSettingId::Dash));
    EXPECT_TRUE(checked(PenSettingId::Mm));
    EXPECT_TRUE(checked(PenSettingId::Decimals5));
    EXPECT_EQ(static_cast<QLineEdit*>(ControlById(&d, PenSettingId::Width))->text(),
              QStringLiteral("2"));
}

TEST_F(PhotoMeasureTest, PenChoicesApplyAtOnceButAreStoredOnlyByOk) {
    settings_.WriteUnitDecimal(QStringLiteral("mm"), 3);
    {
        PenSettingDialog d(prompts_, settings_);
        static_cast<QRadioButton*>(ControlById(&d, PenSettingId::Cm))->click();
        EXPECT_FALSE(static_cast<QRadioButton*>(ControlById(&d, PenSettingId::Mm))->isChecked());
        static_cast<QLineEdit*>(ControlById(&d, PenSettingId::Width))->setText(QStringLiteral("3"));
        d.reject();
    }
    EXPECT_EQ(settings_.values().unit, QStringLiteral("cm"));
    EXPECT_EQ(settings_.values().Linewidth, 3u);
    settings_.SetRunning(SettingsValues{});
    settings_.ReadUnitDecimal();
    settings_.ReadLineWidth();
    EXPECT_EQ(settings_.values().unit, QStringLiteral("mm"));
    EXPECT_EQ(settings_.values().Linewidth, 1u);
}

TEST_F(PhotoMeasureTest, MicrometresAreOfferedAsMicroSignAndStoredAsUm) {
    settings_.WriteUnitDecimal(QStringLiteral("um"), 2);
    PenSettingDialog d(prompts_, settings_);
    auto box = [&](int id) { return qobject_cast<QRadioButton*>(ControlById(&d, id)); };
    // Units and decimals are one choice each: radio items, not check boxes.
    for (int id : {PenSettingId::Um, PenSettingId::Mm, PenSettingId::Cm, PenSettingId::Mil,
                   PenSettingId::Inch, PenSettingId::Decimals2, PenSettingId::Decimals5})
        ASSERT_NE(box(id), nullptr) << id;
    EXPECT_EQ(box(PenSettingId::Um)->text(), QString::fromUtf8("µm"));
    EXPECT_TRUE(box(PenSettingId::Um)->isChecked());
    EXPECT_FALSE(box(PenSettingId::Mm)->isChecked());
    box(PenSettingId::Mm)->click();
    EXPECT_FALSE(box(PenSettingId::Um)->isChecked());
    box(PenSettingId::Um)->click();
    EXPECT_FALSE(box(PenSettingId::Mm)->isChecked());
    d.accept();
    settings_.SetRunning(SettingsValues{});
    settings_.ReadUnitDecimal();
    EXPECT_EQ(settings_.values().unit, QStringLiteral("um"));
}

TEST_F(PhotoMeasureTest, PenFontButtonStoresTheLabelFontAndColourAtOnce) {
    PenSettingDialog d(prompts_, settings_);
    QFont chosen(QStringLiteral("Arial"));
    chosen.setPixelSize(20);
    prompts_.Push(chosen);
    d.ChooseFont();
    // The scripted chooser hands back the colour it was given.
    const auto stored = ReadMeasureFont();
    ASSERT_TRUE(stored);
    EXPECT_EQ(stored->lfHeight, -20);
    EXPECT_EQ(stored->faceName(), QStringLiteral("Arial"));
    prompts_.Push(uint32_t(0x00FF00));
    d.ChooseColour();
    EXPECT_EQ(d.lineColour(), 0x00FF00u);
    settings_.SetRunning(SettingsValues{});
    settings_.ReadLineColor();
    EXPECT_EQ(settings_.values().LineColor, 0x00FF00u);
}

// The desktop's font chooser opens on the stored face, size and style, and
// OK without a change stores the same font; a new size is taken as chosen.
TEST_F(PhotoMeasureTest, TheFontChooserStartsFromTheStoredFont) {
    InstallFontSubstitutes();
    WidgetPrompts widgets;
    FontRecord stored = DefaultFontRecord(); // Arial, height 14
    stored.lfWeight = 700;
    stored.lfItalic = 1;
    QFont shown;
    QFont change; // what the user picks; none: OK as it opens
    QTimer answer;
    QObject::connect(&answer, &QTimer::timeout, [&] {
        if (auto* f = qobject_cast<QFontDialog*>(QApplication::activeModalWidget())) {
            shown = f->currentFont();
            if (change != QFont()) f->setCurrentFont(change);
            f->accept();
        } else if (auto* c = qobject_cast<QColorDialog*>(QApplication::activeModalWidget())) {
            c->reject(); // the colour stays
        }
    });
    answer.start(20);
    uint32_t colour = 255;
    std::optional<QFont> font = widgets.ChooseFont(ToQFont(stored), &colour);
    ASSERT_TRUE(font);
    // Arial is drawn with its metric twin here, and the chooser shows that.
    EXPECT_EQ(shown.family(), QFontInfo(ToQFont(stored)).family());
    EXPECT_EQ(shown.pointSize(), 11); // 14 pixels at 96 an inch, 10.5 points, shown whole
    EXPECT_TRUE(shown.bold());
    EXPECT_TRUE(shown.italic());
    EXPECT_EQ(FontRecordFromQFont(*font, stored), stored);
    EXPECT_EQ(colour, 255u);

    change = shown;
    change.setPointSize(18);
    font = widgets.ChooseFont(ToQFont(stored), &colour);
    ASSERT_TRUE(font);
    const FontRecord chosen = FontRecordFromQFont(*font, stored);
    EXPECT_EQ(chosen.lfHeight, -24);
    EXPECT_EQ(chosen.faceName(), QStringLiteral("Arial")); // the face was left as it was
    EXPECT_EQ(chosen.lfWeight, 700);
    answer.stop();
}

TEST_F(PhotoMeasureTest, TextLongerThan254CharactersIsRefused) {
    TextDialog d(DefaultFontRecord(), prompts_, settings_);
    auto* edit = static_cast<QPlainTextEdit*>(ControlById(&d, TextDialogId::Text));
    edit->setPlainText(QString(255, QLatin1Char('x')));
    d.show();
    d.accept();
    EXPECT_TRUE(d.isVisible());
    EXPECT_EQ(d.result(), 0);
    edit->setPlainText(QString(254, QLatin1Char('x')));
    d.accept();
    EXPECT_EQ(d.result(), int(QDialog::Accepted));
    EXPECT_EQ(d.text().size(), 254);
}

TEST_F(PhotoMeasureTest, MissingPictureIsRefusedBeforeTheDialog) {
    EXPECT_FALSE(RunPhotoMeasure(calibration_, prompts_, settings_, nullptr,
                                 test::programDir() + QStringLiteral("/none.bmp")));
    ASSERT_EQ(prompts_.shown().size(), 1u);
    EXPECT_EQ(prompts_.shown()[0].text,
              QStringLiteral("the picture not open,please check the file exist!"));
}

} // namespace
} // namespace tvx

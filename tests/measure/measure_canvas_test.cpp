// The stored-picture canvas without its window: set-up from the picture,
// the tools' clicks, cancelling, text notes, drawing and saving.
#include "measure/measure_canvas.h"

#include "measure/live_guides.h"
#include "measure/shape_drawing.h"
#include "platform/settings.h"
#include "tests/support/test_env.h"

#include <QFile>
#include <QImage>
#include <QPainter>

#include <gtest/gtest.h>

namespace tvx {
namespace {

class FakeHost : public CanvasHost {
public:
    int repaints = 0;
    std::vector<QRect> areas;
    bool held = false;
    QRect holdArea;
    std::optional<double> calibration;
    int calibrations = 0;
    int historyChanges = 0;

    void Repaint(const QRect& area) override {
        ++repaints;
        areas.push_back(area);
    }
    void HoldPointer(const QRect& area) override {
        held = true;
        holdArea = area;
    }
    void ReleasePointer() override { held = false; }
    QSize TextExtent(const QString& text, const QFont&) override {
        return QSize(int(text.size()) * 7, 14);
    }
    std::optional<double> Calibrate(double, const MeasureContext&) override {
        ++calibrations;
        return calibration;
    }
    void HistoryChanged() override { ++historyChanges; }
};

QString SavePicture(const QString& name, QSize size, QRgb fill = 0xFF204060) {
    QImage img(size, QImage::Format_RGB32);
    img.fill(fill);
    const QString path = test::programDir() + QLatin1Char('/') + name;
    EXPECT_TRUE(img.save(path, "BMP"));
    return path;
}

class CanvasTest : public ::testing::Test {
protected:
    // A canvas on a 640 × 480 picture with the tool chosen.
    void Open(int tool, bool measuring, QSize size = QSize(640, 480)) {
        ASSERT_TRUE(canvas_.Load(
            SavePicture(QStringLiteral("Still_2016-05-03_142501_60.0X_N0001.bmp"), size), tool,
            100));
        canvas_.SetTool(tool, measuring);
    }
    void Click(QPoint p) {
        canvas_.Move(p);
        canvas_.LeftDown(p);
    }
    // A line measured from a to b, its label placed at `label`.
    void MeasuredLine(QPoint a, QPoint b, QPoint label) {
        Click(a);
        Click(b);
        canvas_.LeftDown(label);
    }
    size_t Count() const { return canvas_.shapes().shapes().size(); }

    FakeHost host_;
    SettingsStore settings_;
    MeasuringScope scope_;
    MeasureCanvasModel canvas_{settings_, scope_, &host_};
};

TEST_F(CanvasTest, SetUpFromThePictureSizeAndName) {
    Open(int(MeasureTool::None), false, QSize(320, 240));
    EXPECT_EQ(canvas_.canvasSize(), QSize(320, 240));
    EXPECT_EQ(canvas_.dateStamp(), QStringLiteral("2016-05-03_142501_60.0X_N0001"));
    EXPECT_EQ(canvas_.magnificationTag(), QStringLiteral("60.0"));
    EXPECT_EQ(canvas_.pictureSize(), QSize(320, 240));

    // Lengths are in the picture's own pixels at the pitch of its size,
    // whatever size the live view captures now.
    Open(int(MeasureTool::None), false, QSize(720, 576));
    EXPECT_EQ(canvas_.canvasSize(), QSize(720, 576));
    EXPECT_NEAR(canvas_.CurrentContext().Length(100), 100 * 63.49206349 * 0.001 * 10 / 100, 1e-9);
    Open(int(MeasureTool::None), false);
    EXPECT_NEAR(canvas_.CurrentContext().Length(100), 100 * 65.1465798045602 * 0.001 * 10 / 100,
                1e-9);
    EXPECT_EQ(MagnificationTagFromPath(QStringLiteral("/p/Still_2016-05-03_142501_N0001.bmp")),
              QString());
    EXPECT_EQ(DateStampFromPath(QStringLiteral("/p/photo.jpg")), QStringLiteral("photo"));
    EXPECT_EQ(MagnificationTagFromPath(QStringLiteral("/p/Still_2016-05-03_142501_200X_N1234.bmp")),
              QStringLiteral("200"));
    // The tag is found by position: a counter past four digits hides it.
    EXPECT_EQ(
        MagnificationTagFromPath(QStringLiteral("/p/Still_2016-05-03_142501_200X_N12345.bmp")),
        QString());
}

// Switched on, the scale bar goes into the saved picture at the picture's
// own scale: its white run is as long as its value; a TIFF save carries the
// pixel size in its descriptions.
TEST_F(CanvasTest, ScaleBarAndTiffCarryThePicturesScale) {
    Open(int(MeasureTool::None), false, QSize(720, 576));
    canvas_.SetPictureScale(60, false);
    canvas_.SetScaleBar(true);
    const QImage out = canvas_.Render();
    const std::optional<ScaleBar> bar =
        ChooseScaleBar(QSize(720, 576), GuideScale{60, QStringLiteral("mm")});
    ASSERT_TRUE(bar);
    const QPoint mid = bar->bar.center();
    int left = mid.x(), right = mid.x();
    while (left > 0 && out.pixel(left - 1, mid.y()) == qRgb(255, 255, 255))
        --left;
    while (right < out.width() && out.pixel(right, mid.y()) == qRgb(255, 255, 255))
        ++right;
    const double perMm = 60 / (63.49206349 * 0.001 * 10);
    EXPECT_NEAR(right - left, bar->value * perMm, 1.0);
    canvas_.SetScaleBar(false);
    EXPECT_NE(canvas_.Render().pixel(mid), qRgb(255, 255, 255));

    const QString tif = test::programDir() + QStringLiteral("/measured.tif");
    ASSERT_TRUE(canvas_.RenderToFile(tif));
    QFile f(tif);
    ASSERT_TRUE(f.open(QIODevice::ReadOnly));
    const QByteArray bytes = f.readAll();
    EXPECT_TRUE(bytes.startsWith("II*"));
    EXPECT_TRUE(bytes.contains("PhysicalSizeXUnit=\"mm\""));
    EXPECT_TRUE(bytes.contains("ImageJ=1.11a\nimages=1\nunit=mm\n"));
    EXPECT_TRUE(bytes.contains("nominal magnification 60.0X"));
}

TEST_F(CanvasTest, UnreadablePictureGivesTheReasonAndPaintsGreyOnly) {
    const QString path = test::programDir() + QStringLiteral("/broken.bmp");
    QFile f(path);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write("BM not a picture");
    f.close();
    QString why;
    EXPECT_FALSE(canvas_.Load(path, 0, 100, &why));
    EXPECT_FALSE(why.isEmpty());
    canvas_.SetTool(0, false);
    Click({10, 10});
    Click({50, 50});
    EXPECT_EQ(Count(), 0u);
    QImage screen;
    canvas_.Paint(screen);
    EXPECT_EQ(screen.pixel(100, 100), 0xFF808080u);
    EXPECT_FALSE(canvas_.RenderToFile(test::programDir() + QStringLiteral("/out.bmp")));
}

TEST_F(CanvasTest, MeasuredLineNeedsThreeClicksDrawnLineTwo) {
    Open(int(MeasureTool::Line), true);
    Click({100, 100});
    EXPECT_TRUE(host_.held);
    Click({300, 100});
    ASSERT_EQ(Count(), 1u); // in the list while its label is placed
    EXPECT_TRUE(canvas_.shapeUnderWay());
    canvas_.Move({320, 140});
    EXPECT_EQ(canvas_.shapes().Newest()->points[LinePoint::Anchor], QPoint(320, 140));
    canvas_.LeftDown({320, 150});
    EXPECT_FALSE(canvas_.shapeUnderWay());
    EXPECT_FALSE(host_.held);
    EXPECT_EQ(canvas_.shapes().Newest()->points[LinePoint::Anchor], QPoint(320, 150));
    EXPECT_TRUE(canvas_.shapes().Newest()->labels[0].startsWith(QStringLiteral("L:")));

    canvas_.SetTool(int(MeasureTool::Line), false);
    Click({100, 200});
    Click({300, 260});
    EXPECT_EQ(Count(), 2u);
    EXPECT_FALSE(canvas_.shapeUnderWay());
    EXPECT_EQ(canvas_.shapes().Newest()->labels, QStringList{QString()});
}

TEST_F(CanvasTest, ClicksOutsideTheCanvasStartNothing) {
    Open(int(MeasureTool::Line), false);
    canvas_.LeftDown({700, 10});
    EXPECT_FALSE(canvas_.shapeUnderWay());
    canvas_.LeftDown({-1, 10});
    EXPECT_FALSE(canvas_.shapeUnderWay());
}

TEST_F(CanvasTest, RightClickCancelsOnlyTheShapeUnderWay) {
    Open(int(MeasureTool::Line), true);
    MeasuredLine({10, 10}, {60, 10}, {60, 30});
    ASSERT_EQ(Count(), 1u);
    // After the first click of the next line: the finished line stays.
    Click({100, 100});
    canvas_.RightDown();
    EXPECT_EQ(Count(), 1u);
    EXPECT_FALSE(canvas_.shapeUnderWay());
    EXPECT_FALSE(host_.held);

    // During label placement: the line being labelled goes, and only it.
    Click({100, 100});
    Click({200, 100});
    ASSERT_EQ(Count(), 2u);
    canvas_.RightDown();
    EXPECT_EQ(Count(), 1u);
    EXPECT_EQ(canvas_.shapes().Newest()->points[LinePoint::Start], QPoint(10, 10));

    // Neither a polygon nor a three-point circle under way takes one.
    canvas_.SetTool(int(MeasureTool::Polygon), true);
    Click({100, 100});
    Click({200, 120});
    canvas_.RightDown();
    canvas_.SetTool(int(MeasureTool::ThreePointCircle), true);
    Click({100, 100});
    Click({200, 120});
    canvas_.RightDown();
    EXPECT_EQ(Count(), 1u);
    EXPECT_FALSE(canvas_.shapeUnderWay());
    EXPECT_FALSE(canvas_.HasRedo());
}

TEST_F(CanvasTest, UndoAndRedoEndTheShapeUnderWayAndReportWhatTheyCanDo) {
    Open(int(MeasureTool::Line), true);
    MeasuredLine({10, 10}, {60, 10}, {60, 30});
    EXPECT_EQ(host_.historyChanges, 1); // something to undo now
    Click({100, 100});
    Click({200, 100}); // its label follows the pointer
    canvas_.Move({220, 140});

    // Undo takes the line being labelled, its label where the pointer left it.
    canvas_.Undo();
    EXPECT_FALSE(canvas_.shapeUnderWay());
    EXPECT_FALSE(host_.held);
    EXPECT_EQ(host_.historyChanges, 2); // and something to redo
    ASSERT_EQ(canvas_.shapes().redoStack().size(), 1u);
    EXPECT_EQ(canvas_.shapes().redoStack().back().points[LinePoint::Anchor], QPoint(220, 140));
    // Neither the pointer nor the right button reach the remaining line.
    canvas_.Move({300, 300});
    canvas_.RightDown();
    ASSERT_EQ(Count(), 1u);
    EXPECT_EQ(canvas_.shapes().Newest()->points[LinePoint::Anchor], QPoint(60, 30));

    canvas_.Redo();
    EXPECT_EQ(Count(), 2u);
    EXPECT_FALSE(canvas_.HasRedo());
    EXPECT_EQ(host_.historyChanges, 3);

    // A text note following the pointer stays where it is, and a text
    // brought back by Redo does not start to follow.
    canvas_.SetTool(int(MeasureTool::Text), true);
    canvas_.LeftDown({40, 50});
    ASSERT_TRUE(canvas_.AddText(QStringLiteral("a")));
    canvas_.Undo();
    canvas_.Redo();
    EXPECT_FALSE(canvas_.textPending());
    canvas_.Move({400, 400});
    EXPECT_EQ(canvas_.shapes().Newest()->points[0], QPoint(40, 50));
}

TEST_F(CanvasTest, RadiusCircleHoldsThePointerInTheLargestSquareAroundItsCentre) {
    Open(int(MeasureTool::RadiusCircle), false);
    Click({100, 50});
    EXPECT_TRUE(host_.held);
    EXPECT_EQ(host_.holdArea, QRect(50, 0, 101, 101));
    Click({130, 50});
    EXPECT_FALSE(host_.held);
}

TEST_F(CanvasTest, LabelSpacingFollowsTheFontSize) {
    Open(int(MeasureTool::RadiusCircle), true);
    settings_.WriteFontSize(16);
    Click({100, 100});
    Click({130, 100});
    canvas_.LeftDown({150, 150});
    EXPECT_EQ(canvas_.shapes().Newest()->labelLineSpacing, 14);
    EXPECT_EQ(LabelLineSpacing(40), 36);
    EXPECT_EQ(LabelLineSpacing(100), 12);
}

TEST_F(CanvasTest, ChangingToolMidShapeLetsTheShapeFinish) {
    Open(int(MeasureTool::Rectangle), false);
    Click({10, 10});
    canvas_.SetTool(int(MeasureTool::Line), false);
    Click({50, 40});
    ASSERT_EQ(Count(), 1u);
    EXPECT_TRUE(canvas_.shapes().Newest()->is(ShapeKind::Rectangle));
}

TEST_F(CanvasTest, CalibrationLineCalibratesOnceThenMeasures) {
    Open(int(MeasureTool::Line), true);
    canvas_.SetCalibrationMode(true);
    host_.calibration = 200.0;
    Click({100, 100});
    Click({300, 100});
    EXPECT_EQ(host_.calibrations, 1);
    EXPECT_FALSE(canvas_.calibrationMode());
    canvas_.LeftDown({300, 120});
    Click({100, 200});
    Click({300, 200});
    EXPECT_EQ(host_.calibrations, 1);
}

TEST_F(CanvasTest, TextFollowsThePointerUntilAClickAndEmptyTextIsRefused) {
    Open(int(MeasureTool::Text), true);
    canvas_.LeftDown({40, 50});
    EXPECT_FALSE(host_.held); // the text tool holds nothing
    EXPECT_FALSE(canvas_.AddText(QString()));
    EXPECT_EQ(Count(), 0u);

    canvas_.SetTextStyle(0x00FF00, DefaultFontRecord());
    ASSERT_TRUE(canvas_.AddText(QStringLiteral("cell wall")));
    EXPECT_EQ(canvas_.shapes().Newest()->points[0], QPoint(40, 50));
    host_.areas.clear();
    // A jump far from where the text was repaints its old place too.
    canvas_.Move({200, 220});
    ASSERT_FALSE(host_.areas.empty());
    EXPECT_EQ(host_.areas.back(),
              QRect(QPoint(40 - 20, 50 - 20), QPoint(200 + 63 + 120, 220 + 28 + 120)));
    canvas_.Move({210, 230});
    canvas_.RightDown(); // leaves the pending text alone
    EXPECT_TRUE(canvas_.textPending());
    canvas_.LeftDown({400, 400});
    EXPECT_FALSE(canvas_.textPending());
    EXPECT_EQ(canvas_.shapes().Newest()->points[0], QPoint(210, 230));
    EXPECT_EQ(canvas_.textPosition(), QPoint(400, 400));
}

TEST_F(CanvasTest, LabelJumpingAwayRepaintsWhereItWasAndAllItsLines) {
    Open(int(MeasureTool::RadiusCircle), true);
    settings_.WriteFontSize(16); // spacing 14
    Click({100, 100});
    Click({130, 100}); // the labels start here
    const QStringList labels = canvas_.shapes().Newest()->labels;
    int w = 0;
    for (const QString& l : labels)
        w = std::max(w, int(l.size()) * 7);
    const int h = 2 * 14 + 14; // three lines
    host_.areas.clear();
    canvas_.Move({500, 400});
    ASSERT_EQ(host_.areas.size(), 1u);
    const QRect area = host_.areas.back();
    EXPECT_TRUE(area.contains(QRect(QPoint(130 - 20, 100 - 20), QPoint(130 + w, 100 + h))));
    EXPECT_TRUE(area.contains(QRect(QPoint(500 - 20, 400 - 20), QPoint(500 + w, 400 + h))));
    // A small step repaints only around the two nearby places.
    canvas_.Move({505, 402});
    EXPECT_EQ(host_.areas.back(),
              QRect(QPoint(480, 380), QPoint(505 + w + 120, 402 + 2 * h + 120)));
}

TEST_F(CanvasTest, AnnotatedPictureIsProposedBesideTheOriginalNeverOverIt) {
    const QString dir = test::programDir();
    const QString bmp = SavePicture(QStringLiteral("Still_1_60.0X_N0004.bmp"), QSize(8, 8));
    EXPECT_EQ(ProposedMeasuredPath(bmp), dir + QStringLiteral("/Still_1_60.0X_N0004_measured.bmp"));
    SavePicture(QStringLiteral("Still_1_60.0X_N0004_measured.bmp"), QSize(8, 8));
    SavePicture(QStringLiteral("Still_1_60.0X_N0004_measured2.bmp"), QSize(8, 8));
    EXPECT_EQ(ProposedMeasuredPath(bmp),
              dir + QStringLiteral("/Still_1_60.0X_N0004_measured3.bmp"));
    EXPECT_EQ(ProposedMeasuredPath(dir + QStringLiteral("/x.y.JPG")),
              dir + QStringLiteral("/x.y_measured.JPG"));
    EXPECT_EQ(ProposedMeasuredPath(dir + QStringLiteral("/x.png")),
              dir + QStringLiteral("/x_measured.bmp"));
}

TEST_F(CanvasTest, ContinuousLineDoubleClickBeforeSecondVertexMakesOneSegment) {
    Open(int(MeasureTool::ContinuousLine), true);
    Click({100, 100});
    Click({200, 100}); // segment 1, its label follows the pointer
    canvas_.LeftDoubleClick({200, 100});
    ASSERT_EQ(Count(), 1u);
    const CMeasureShape& s = *canvas_.shapes().Newest();
    EXPECT_TRUE(s.is(ShapeKind::ContinuousLine));
    EXPECT_EQ(s.labels.size(), 1);
    EXPECT_FALSE(canvas_.shapeUnderWay());
}

TEST(CanvasFigureTest, PolygonVertexOnTheEdgeLosesOnlyItsIncomingSegment) {
    CMeasureShape s;
    s.kind = int32_t(ShapeKind::Polygon);
    s.points = {{10, 10}, {0, 50}, {60, 60}, {70, 20}, {80, 80}};
    s.labels = {QStringLiteral("A:1mm2")};
    const Figure f = CanvasShapeFigure(s, MeasureContext{});
    // 0→1 is left out (point 1 lies on the left edge), 1→2, 2→3, then 3→0.
    ASSERT_EQ(f.lines.size(), 3);
    EXPECT_EQ(f.lines[0], QLine(QPoint(0, 50), QPoint(60, 60)));
    EXPECT_EQ(f.lines[2], QLine(QPoint(70, 20), QPoint(10, 10)));
    ASSERT_EQ(f.texts.size(), 1);
    EXPECT_EQ(f.texts[0].at, QPoint(80, 80));
}

TEST(CanvasFigureTest, ContinuousLineTotalGoesOneSpacingBelowTheLastLabel) {
    CMeasureShape s;
    s.kind = int32_t(ShapeKind::ContinuousLine);
    s.points = {{0, 0}, {10, 0}, {12, 5}, {20, 10}, {22, 30}};
    s.labels = {QStringLiteral("1.250mm"), QStringLiteral("2.000mm")};
    s.labelLineSpacing = 18;
    MeasureContext ctx;
    ctx.decimals = 3;
    ctx.unit = QStringLiteral("mm");
    const Figure f = CanvasShapeFigure(s, ctx);
    ASSERT_EQ(f.texts.size(), 3);
    EXPECT_EQ(f.texts[2].text, QStringLiteral("T:3.250mm"));
    EXPECT_EQ(f.texts[2].at, QPoint(22, 30));
    EXPECT_EQ(f.texts[2].dy, 18);

    // A freehand line has only empty labels: no total.
    s.labels = {QString(), QString()};
    EXPECT_EQ(CanvasShapeFigure(s, ctx).texts.size(), 2);
}

TEST(CanvasFigureTest, SavedCirclesRoundTheirBoxesAndCrossesGrow) {
    CMeasureShape s;
    s.kind = int32_t(ShapeKind::ThreePointCircle);
    s.points = {{101, 101}, {111, 101}, {91, 101}, {101, 111}, {120, 130}};
    s.labels = {QStringLiteral("A"), QStringLiteral("R"), QStringLiteral("G")};
    s.labelLineSpacing = 14;
    const Figure f = CanvasShapeFigure(s, MeasureContext{}, 0.5, 0.5, kSavedCrossHalf);
    // Box (91, 91)–(111, 111) halved and rounded: (46, 46)–(56, 56).
    ASSERT_EQ(f.ellipses.size(), 1);
    EXPECT_EQ(f.ellipses[0], QRect(QPoint(46, 46), QSize(10, 10)));
    // The cross at the first click (91, 101) → rounded (46, 51), ±6.
    EXPECT_EQ(f.lines[1], QLine(40, 51, 52, 51));
    // Labels: corner truncated, spacing unscaled.
    ASSERT_EQ(f.texts.size(), 3);
    EXPECT_EQ(f.texts[2].at, QPoint(60, 65));
    EXPECT_EQ(f.texts[2].dy, 28);
}

TEST_F(CanvasTest, SavedShapesLandOnTheClickedPicturePixelsAtEverySize) {
    // The same line and label saved from a 640 × 480 and a 2592 × 1944 picture.
    auto labelBox = [](const QImage& img) {
        QRect box;
        for (int y = 0; y < img.height(); ++y) {
            const QRgb* row = reinterpret_cast<const QRgb*>(img.constScanLine(y));
            for (int x = 0; x < img.width(); ++x)
                if (qGreen(row[x]) > 200 && qRed(row[x]) < 100) box |= QRect(x, y, 1, 1);
        }
        return box;
    };
    const QPoint a(101, 99), b(303, 99), label(400, 300);
    QImage saved[2];
    const QSize sizes[2] = {QSize(640, 480), QSize(2592, 1944)};
    for (int i = 0; i < 2; ++i) {
        MeasureCanvasModel canvas(settings_, scope_, &host_);
        ASSERT_TRUE(canvas.Load(SavePicture(QStringLiteral("p%1.bmp").arg(i), sizes[i], 0xFF000000),
                                0, 100));
        canvas.SetColours(0x0000FF, 0x00FF00); // red pen, green labels
        canvas.SetTool(int(MeasureTool::Line), true);
        canvas.LeftDown(a);
        canvas.LeftDown(b);
        canvas.LeftDown(label);
        const QString out = test::programDir() + QStringLiteral("/saved%1.bmp").arg(i);
        ASSERT_TRUE(canvas.RenderToFile(out));
        saved[i] = QImage(out).convertToFormat(QImage::Format_RGB32);
        ASSERT_EQ(saved[i].size(), sizes[i]);
        for (QPoint on : {a, b, (a + b) / 2})
            EXPECT_EQ(saved[i].pixel(on), 0xFFFF0000u) << sizes[i].width() << " " << on.x();
        EXPECT_NE(saved[i].pixel(a - QPoint(1, 0)), 0xFFFF0000u) << sizes[i].width();
        EXPECT_NE(saved[i].pixel(b + QPoint(1, 0)), 0xFFFF0000u) << sizes[i].width();
    }
    const QRect small = labelBox(saved[0]), big = labelBox(saved[1]);
    ASSERT_FALSE(small.isNull());
    // Its lengths differ by the pitch of each size; its corner does not.
    EXPECT_EQ(big.topLeft(), small.topLeft());
    EXPECT_EQ(big.height(), small.height());
}

TEST_F(CanvasTest, SaveNeedsABmpOrJpgEnding) {
    Open(int(MeasureTool::None), false);
    for (const char* name : {"a.png", "a.bmpx", "abmp.", "a"}) {
        const QString path = test::programDir() + QLatin1Char('/') + QLatin1String(name);
        EXPECT_FALSE(canvas_.RenderToFile(path)) << name;
        EXPECT_FALSE(QFile::exists(path)) << name;
    }
    const QString jpg = test::programDir() + QStringLiteral("/a.JpG");
    EXPECT_TRUE(canvas_.RenderToFile(jpg));
    QFile f(jpg);
    ASSERT_TRUE(f.open(QIODevice::ReadOnly));
    EXPECT_TRUE(f.read(2) == QByteArray("\xFF\xD8"));
}

TEST(RubberBandTest, DrawingTwiceRestoresThePicture) {
    QImage img(64, 48, QImage::Format_RGB32);
    for (int y = 0; y < 48; ++y)
        for (int x = 0; x < 64; ++x)
            img.setPixel(x, y, qRgb(x * 4, y * 5, (x * y) & 0xFF));
    const QImage before = img;
    Figure f;
    f.lines << QLine(2, 2, 60, 40) << QLine(2, 40, 60, 2) << QLine(10, 10, 10, 30);
    f.ellipses << QRect(20, 10, 20, 20);
    const QPen pen = MeasurePen(1, 2, 0x0000FF);
    XorFigure(img, f, pen);
    EXPECT_NE(img, before);
    XorFigure(img, f, pen);
    EXPECT_EQ(img, before);
}

} // namespace
} // namespace tvx

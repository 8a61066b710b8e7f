// Lengths, areas, angles and their labels.
#include "measure/geometry.h"

#include "platform/settings.h"

#include "tests/measure/qt_printers.h"
#include <QString>
#include <cmath>

#include <gtest/gtest.h>

namespace tvx {
namespace {

const QSize k640(640, 480);
const QSize k720(720, 480);
const QString kDeg = QString(QChar(0x00B0));

MeasureContext Context(QSize capture, const char* unit, double magnification, int decimals) {
    MeasureContext ctx;
    ctx.unit = QString::fromLatin1(unit);
    ctx.scale = ScaleFactor(capture, ctx.unit, true);
    ctx.magnification = magnification;
    ctx.decimals = decimals;
    return ctx;
}

TEST(ScaleTest, UnitAndCaptureSizeChooseTheScale) {
    // Only the two listed sizes have their own pitch, and only the exact unit
    // texts their own factor.
    EXPECT_DOUBLE_EQ(PixelPitch(QSize(480, 720), true), PixelPitch(QSize(320, 240), true));
    EXPECT_DOUBLE_EQ(UnitFactor("Inch"), UnitFactor("mm"));
    EXPECT_DOUBLE_EQ(UnitPerPixel(QSize(800, 600), "mil", true), 63.49206349 * 0.0394);
}

TEST(ScaleTest, MicrometresAreAThousandthOfAMillimetre) {
    SettingsStore settings;
    EXPECT_DOUBLE_EQ(UnitFactor("um"), 1.0);
    EXPECT_DOUBLE_EQ(UnitPerPixel(k640, "um", true), 1000 * UnitPerPixel(k640, "mm", true));
    const MeasureContext um = Context(k640, "um", 100, 2);
    EXPECT_EQ(LineLabels(um, QPoint(10, 20), QPoint(164, 20)),
              QStringList{QString::fromUtf8("L:1003.26µm")});
    // A cell of 0.013 mm² reads 13 000 µm², with the "2" after the shown unit.
    EXPECT_EQ(FormatArea(um, "A:", 13000), QString::fromUtf8("A:13000.00µm2"));
    // 40 × 30 pixels: 260.59 × 195.44 µm, 0.0509 mm².
    EXPECT_EQ(RectangleLabels(um, QPoint(0, 0), QPoint(40, 30)),
              QStringList({QString::fromUtf8("A:50928.92µm2"), QString::fromUtf8("W:260.59µm"),
                           QString::fromUtf8("H:195.44µm")}));

    // Stored as "um"; a text the table does not know measures and reads as mm.
    settings.WriteUnitDecimal(QStringLiteral("um"), 2);
    EXPECT_EQ(CurrentMeasureContext(k640, 100, settings.values(), MeasuringScope{}).unit,
              QStringLiteral("um"));
    settings.WriteUnitDecimal(QStringLiteral("furlong"), 2);
    const MeasureContext unknown =
        CurrentMeasureContext(k640, 100, settings.values(), MeasuringScope{});
    EXPECT_EQ(unknown.unit, QStringLiteral("mm"));
    EXPECT_EQ(LineLabels(unknown, QPoint(10, 20), QPoint(164, 20)), QStringList{"L:1.00mm"});
}

TEST(ScaleTest, ContextFollowsTheSettings) {
    SettingsStore settings;
    settings.WriteUnitDecimal(QStringLiteral("mil"), 4);
    const MeasureContext ctx = CurrentMeasureContext(k720, 50, settings.values(), MeasuringScope{});
    EXPECT_EQ(ctx.unit, QStringLiteral("mil"));
    EXPECT_EQ(ctx.decimals, 4);
    EXPECT_DOUBLE_EQ(ctx.scale, 57.471264367 * 0.0394);
    EXPECT_DOUBLE_EQ(ctx.Length(100), 100 * 57.471264367 * 0.0394 * 10 / 50);
    settings.SetRunning(SettingsValues{});

    EXPECT_FALSE(Context(k640, "mm", 0, 2).valid());
    EXPECT_FALSE(Context(k640, "mm", -3, 2).valid());
    EXPECT_FALSE(Context(k640, "mm", NAN, 2).valid());
    EXPECT_FALSE(LineLabels(Context(k640, "mm", 0, 2), QPoint(0, 0), QPoint(10, 0)));
}

TEST(LabelTest, LinesInEveryUnit) {
    EXPECT_EQ(LineLabels(Context(k640, "mm", 100, 2), QPoint(10, 20), QPoint(164, 20)),
              QStringList{"L:1.00mm"});
    EXPECT_EQ(LineLabels(Context(k640, "inch", 1, 3), QPoint(0, 0), QPoint(100, 0)),
              QStringList{"L:2.567inch"});
    // 3-4-5: the distance is the root of dx² + dy²
    EXPECT_EQ(LineLabels(Context(k720, "cm", 1, 4), QPoint(0, 0), QPoint(300, 400)),
              QStringList{"L:28.7356cm"});
    EXPECT_EQ(SegmentLabel(Context(k640, "mm", 100, 2), QPoint(0, 0), QPoint(0, 154)),
              QStringLiteral("1.00mm"));
}

TEST(LabelTest, Circles) {
    // A 154-pixel diameter at 100× is 1.0033 mm.
    EXPECT_EQ(DiameterCircleLabels(Context(k640, "mm", 100, 2), QPoint(0, 0), QPoint(154, 0)),
              QStringList({"A:0.79mm2", "R:0.50mm", "G:3.15mm"}));
    EXPECT_EQ(RadiusCircleLabels(Context(k720, "mm", 1, 2), QPoint(50, 50), QPoint(56, 58)),
              QStringList({"A:103.77mm2", "R:5.75mm", "G:36.11mm"}));
    // The live view's own arithmetic prints the same figures.
    EXPECT_EQ(LiveDiameterCircleLabels(Context(k640, "mm", 100, 2), QPoint(0, 0), QPoint(154, 0)),
              QStringList({"A:0.79mm2", "R:0.50mm", "G:3.15mm"}));

    // Centre (100, 100), radius 10 through three clicks.
    const auto three = ThreePointCircleLabels(Context(k720, "mm", 1, 2), QPoint(110, 100),
                                              QPoint(100, 90), QPoint(94, 108));
    ASSERT_TRUE(three);
    EXPECT_EQ(three->centre, QPoint(100, 100));
    EXPECT_EQ(three->labels, QStringList({"A:103.77mm2", "R:5.75mm", "G:36.11mm"}));
}

TEST(LabelTest, RectangleDrawnBackwardsIsPositive) {
    const MeasureContext ctx = Context(k640, "mm", 10, 3);
    const QStringList expected{"A:4.244mm2", "W:3.257mm", "H:1.303mm"};
    EXPECT_EQ(RectangleLabels(ctx, QPoint(100, 100), QPoint(50, 80)), expected);
    EXPECT_EQ(RectangleLabels(ctx, QPoint(50, 80), QPoint(100, 100)), expected);
}

TEST(LabelTest, ContinuousLineTotalAddsPrintedValues) {
    const MeasureContext ctx = Context(k640, "mm", 1, 3);
    EXPECT_EQ(ContinuousLineTotalLabel(ctx, {"1.250mm", "2.000mm"}), QStringLiteral("T:3.250mm"));
    // Segments of 0.0016 mm print as 0.002: the total adds what was printed.
    EXPECT_EQ(ContinuousLineTotalLabel(ctx, {"0.002mm", "0.002mm"}), QStringLiteral("T:0.004mm"));
    EXPECT_FALSE(ContinuousLineTotalLabel(ctx, {"", "", ""})); // freehand: no total
    EXPECT_DOUBLE_EQ(ContinuousLineTotal({"  -1.5e1x", "abc", ".5", "1e", "+2."}),
                     -15 + 0.5 + 1 + 2);
}

TEST(PolygonTest, PixelAreaCountsSamplePointsInside) {
    const QVector<QPoint> square{QPoint(0, 0), QPoint(10, 0), QPoint(10, 10), QPoint(0, 10)};
    EXPECT_EQ(PolygonPixelArea(square), 100.0);
    QVector<QPoint> withAnchor = square;
    withAnchor.append(square.last()); // the stored anchor repeats the last vertex
    EXPECT_EQ(PolygonPixelArea(withAnchor), 100.0);

    // A bow tie: even-odd fill, two triangles.
    const QVector<QPoint> bowTie{QPoint(0, 0), QPoint(20, 20), QPoint(20, 0), QPoint(0, 20)};
    const double bow = *PolygonPixelArea(bowTie);
    EXPECT_GT(bow, 150);
    EXPECT_LT(bow, 250);

    EXPECT_EQ(PolygonPixelArea({QPoint(5, 5), QPoint(9, 9)}), 0.0);
    EXPECT_FALSE(PolygonPixelArea({QPoint(0, 0), QPoint(INT32_MAX, 0), QPoint(0, INT32_MAX)}));

    EXPECT_EQ(PolygonLabels(Context(k640, "mm", 1, 2), square), QStringList{"A:42.44mm2"});
}

TEST(AngleTest, ThreePointAngles) {
    const QPoint v(100, 100);
    const auto angle = [&](QPoint first, QPoint second) {
        return ThreePointAngleLabel(first, second, v).value_or(QStringLiteral("none"));
    };
    EXPECT_EQ(angle(QPoint(50, 100), QPoint(150, 100)), "180.0" + kDeg);
    EXPECT_EQ(angle(QPoint(150, 100), QPoint(60, 100)), "180.0" + kDeg);
    EXPECT_EQ(angle(QPoint(150, 100), QPoint(200, 100)), "0.0" + kDeg);
    EXPECT_EQ(angle(QPoint(100, 50), QPoint(100, 150)), "180.0" + kDeg);
    EXPECT_EQ(angle(QPoint(100, 150), QPoint(100, 50)), "180.0" + kDeg);
    EXPECT_EQ(angle(QPoint(100, 40), QPoint(100, 60)), "0.0" + kDeg);
    EXPECT_EQ(angle(QPoint(110, 110), QPoint(90, 90)), "180.0" + kDeg);
    EXPECT_EQ(angle(QPoint(150, 100), QPoint(100, 50)), "90.0" + kDeg);
    EXPECT_EQ(angle(QPoint(150, 100), QPoint(150, 50)), "45.0" + kDeg);
    EXPECT_EQ(ThreePointAngleLabel(QPoint(150, 100), QPoint(100, 50), v, 2), "90.00" + kDeg);
}

TEST(AngleTest, LineRulesForVerticalAndParallelLines) {
    // Both vertical: 180 only when line 1 runs up from its start and line 2's end lies below.
    EXPECT_EQ(AngleBetweenLines(100, 100, 100, 50, 100, 100, 100, 150), 180.0);
    EXPECT_EQ(AngleBetweenLines(100, 100, 100, 150, 100, 100, 100, 50), 0.0);
    EXPECT_EQ(AngleBetweenLines(100, 100, 100, 50, 100, 100, 100, 60), 0.0);
    // Horizontal parallels: 180 only when c < a < g.
    EXPECT_EQ(AngleBetweenLines(100, 100, 50, 100, 100, 100, 150, 100), 180.0);
    EXPECT_EQ(AngleBetweenLines(100, 100, 150, 100, 100, 100, 50, 100), 0.0);

    // Parallel, not horizontal: 0.00° for the four-point angle.
    EXPECT_EQ(FourPointAngleLabel(QPoint(0, 0), QPoint(10, 20), QPoint(30, 0), QPoint(40, 20)),
              "0.00" + kDeg);
    // One vertical line, one at 45°.
    EXPECT_EQ(FourPointAngleLabel(QPoint(0, 0), QPoint(0, 100), QPoint(10, 10), QPoint(60, 60)),
              "45.00" + kDeg);
    // Crossing lines take each line's far end from the crossing: 45° here,
    // and its supplement when line 1 reaches further to the left.
    EXPECT_NEAR(*AngleBetweenLines(-100, 0, 300, 0, 0, 0, 100, 100), 45.0, 1e-4);
    EXPECT_NEAR(*AngleBetweenLines(100, 0, -300, 0, 0, 0, 100, 100), 135.0, 1e-4);
}

TEST(DegenerateTest, RefusedWithoutNanOrInfinity) {
    // Zero-length arms have no direction.
    EXPECT_FALSE(AngleBetweenLines(5, 5, 5, 5, 0, 0, 10, 10));
    EXPECT_FALSE(AngleBetweenLines(0, 0, 10, 10, 7, 7, 7, 7));
    EXPECT_FALSE(ThreePointAngleLabel(QPoint(5, 5), QPoint(20, 9), QPoint(5, 5)));
    EXPECT_FALSE(FourPointAngleLabel(QPoint(1, 1), QPoint(9, 9), QPoint(3, 3), QPoint(3, 3)));

    const MeasureContext ctx = Context(k640, "mm", 10, 2);
    // Collinear clicks and clicks on one spot have no circle.
    EXPECT_FALSE(CircleThroughPoints(QPoint(0, 0), QPoint(10, 10), QPoint(20, 20)));
    EXPECT_FALSE(CircleThroughPoints(QPoint(0, 5), QPoint(0, 10), QPoint(0, 20)));
    EXPECT_FALSE(CircleThroughPoints(QPoint(3, 3), QPoint(3, 3), QPoint(9, 1)));
    EXPECT_FALSE(ThreePointCircleLabels(ctx, QPoint(0, 0), QPoint(10, 0), QPoint(30, 0)));
    // Nearly collinear: a centre far off any canvas is refused too.
    EXPECT_FALSE(CircleThroughPoints(QPoint(-100000000, 0), QPoint(0, 1), QPoint(100000000, 0)));

    // Clicks sharing x or y with the first still make their circle (centre 100, 100).
    EXPECT_EQ(CircleThroughPoints(QPoint(100, 90), QPoint(100, 110), QPoint(110, 100)),
              QPoint(100, 100));
    EXPECT_EQ(CircleThroughPoints(QPoint(90, 100), QPoint(110, 100), QPoint(100, 110)),
              QPoint(100, 100));
    EXPECT_EQ(CircleThroughPoints(QPoint(90, 100), QPoint(100, 110), QPoint(110, 100)),
              QPoint(100, 100));
    const auto shared =
        ThreePointCircleLabels(ctx, QPoint(100, 90), QPoint(100, 110), QPoint(110, 100));
    ASSERT_TRUE(shared);
    for (const QString& label : shared->labels) {
        EXPECT_FALSE(label.contains("nan", Qt::CaseInsensitive)) << label.toStdString();
        EXPECT_FALSE(label.contains("inf", Qt::CaseInsensitive)) << label.toStdString();
    }
}

TEST(LiveGeometryTest, PointToLineFoot) {
    EXPECT_EQ(PointToLineFoot(QPoint(30, 7), QPoint(10, 0), QPoint(10, 50)), QPoint(10, 7));
    EXPECT_EQ(PointToLineFoot(QPoint(30, 7), QPoint(0, 20), QPoint(50, 20)), QPoint(30, 20));
    EXPECT_EQ(PointToLineFoot(QPoint(0, 10), QPoint(0, 0), QPoint(10, 10)), QPoint(5, 5));
    EXPECT_EQ(PointToLineFoot(QPoint(4, 4), QPoint(2, 2), QPoint(2, 2)), QPoint(2, 2));
    // Distance from (0, 10) to (5, 5) is 5√2 ≈ 7.071 pixels.
    EXPECT_EQ(PointToLineLabel(Context(QSize(320, 240), "mm", 1, 3), QPoint(0, 0), QPoint(10, 10),
                               QPoint(0, 10)),
              QStringLiteral("L:4.490mm"));
}

TEST(LiveGeometryTest, ThreePointArc) {
    // Quarter circle of radius 100 around (200, 200), from its right end to its top.
    const auto quarter = ArcThroughPoints(QPoint(300, 200), QPoint(260, 120), QPoint(200, 100));
    ASSERT_TRUE(quarter);
    EXPECT_EQ(quarter->centre, QPoint(200, 200));
    EXPECT_EQ(quarter->radius, 100);
    EXPECT_NEAR(quarter->degrees, 90.0, 0.01);
    const auto labels = ThreePointArcLabels(Context(QSize(320, 240), "mm", 1, 2), *quarter);
    ASSERT_TRUE(labels);
    EXPECT_EQ(labels->at(0), QStringLiteral("R:63.49mm"));
    EXPECT_EQ(labels->at(1), "Angle:90.00" + kDeg);
    EXPECT_EQ(labels->at(2), QStringLiteral("Arc:99.73mm"));

    // The same points clicked the other way round give the other orientation.
    const auto reverse = ArcThroughPoints(QPoint(200, 100), QPoint(260, 120), QPoint(300, 200));
    ASSERT_TRUE(reverse);
    EXPECT_NE(reverse->startToEnd, quarter->startToEnd);
    EXPECT_NEAR(reverse->degrees, 90.0, 0.01);

    // Horizontal chords (the first and last pair on one row) still find the centre.
    const auto half = ArcThroughPoints(QPoint(100, 200), QPoint(200, 100), QPoint(300, 200));
    ASSERT_TRUE(half);
    EXPECT_EQ(half->centre, QPoint(200, 200));
    EXPECT_NEAR(half->degrees, 180.0, 0.01);

    EXPECT_FALSE(ArcThroughPoints(QPoint(0, 0), QPoint(10, 10), QPoint(30, 30)));
    EXPECT_FALSE(ArcThroughPoints(QPoint(0, 0), QPoint(50, 0), QPoint(90, 0)));
    EXPECT_FALSE(ArcThroughPoints(QPoint(7, 7), QPoint(7, 7), QPoint(30, 1)));
}

} // namespace
} // namespace tvx

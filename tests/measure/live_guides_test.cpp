// Guides over the live picture and in stills: switching, spacing, labels.
#include "measure/live_guides.h"
#include "measure/picture_scale.h"
#include "measure/units.h"

#include "tests/measure/qt_printers.h"
#include <QImage>
#include <QPainter>
#include <algorithm>

#include <gtest/gtest.h>

namespace tvx {
namespace {

const QSize k640(640, 480);

GuideScale ScaleFor(double m, const char* unit = "mm") {
    return GuideScale{m, unit};
}

// x positions of the ticks right of the centre on the horizontal axis.
std::vector<int> RightTicks(const Figure& f, QSize picture) {
    std::vector<int> xs;
    const int cx = picture.width() / 2, cy = picture.height() / 2;
    for (const QLine& l : f.lines)
        if (l.x1() == l.x2() && l.y1() < cy && l.y2() > cy && l.x1() > cx && l.y1() > 0)
            xs.push_back(l.x1());
    std::sort(xs.begin(), xs.end());
    xs.erase(std::unique(xs.begin(), xs.end()), xs.end());
    return xs;
}

TEST(ReadMagnificationTest, CalibratedValueWinsUnlessNominalIsAskedFor) {
    EXPECT_EQ(ReadMagnification({"212.5", "200X", false}).magnification, 212.5);
    const auto nominal = ReadMagnification({"212.5", "200X", true});
    EXPECT_EQ(nominal.magnification, 200.0);
    EXPECT_EQ(nominal.entered, 200.0);
    EXPECT_EQ(ReadMagnification({"", "60", false}).magnification, 60.0);
    // Nothing usable: the caller has to ask the user.
    EXPECT_FALSE(ReadMagnification({"0", "abc", false}).magnification);
    EXPECT_FALSE(ReadMagnification({"", "-5", false}).magnification);
}

TEST(GuideStateTest, SwitchingNeedsADeviceAndTheScaleFollowsTheMagnification) {
    GuideState g;
    const QString mm = QStringLiteral("mm");
    EXPECT_EQ(g.ToggleCrossLine(false), GuideState::Toggle::Ignored);
    EXPECT_EQ(g.ToggleRuler(false, 50.0, mm), GuideState::Toggle::Ignored);
    EXPECT_FALSE(g.Snapshot().crossLine || g.Snapshot().ruler);

    EXPECT_EQ(g.ToggleRuler(true, std::nullopt, mm), GuideState::Toggle::NeedsMagnification);
    EXPECT_FALSE(g.Snapshot().ruler);

    ASSERT_EQ(g.ToggleRuler(true, 50.0, mm), GuideState::Toggle::Changed);
    EXPECT_TRUE(g.Snapshot().ruler);
    EXPECT_NEAR(g.Snapshot().scale.PixelsPerUnit(k640), 76.75, 0.01);
    // A new calibration moves a visible ruler with it: guides and tools
    // never measure with different magnifications. Boxes without a number
    // keep the scale.
    g.Rescale(100.0, mm);
    EXPECT_NEAR(g.Snapshot().scale.PixelsPerUnit(k640), 153.5, 0.01);
    g.Rescale(std::nullopt, mm);
    EXPECT_NEAR(g.Snapshot().scale.PixelsPerUnit(k640), 153.5, 0.01);
    EXPECT_EQ(g.ToggleRuler(true, std::nullopt, mm), GuideState::Toggle::Changed);
    EXPECT_FALSE(g.Snapshot().ruler);
}

TEST(RulerTest, LabelStepsAreRoundValuesFarEnoughApart) {
    struct Case {
        double pixelsPerUnit, value;
        int decimals;
    } cases[] = {{76.75, 1, 0}, {46.05, 2, 0},     {153.5, 0.5, 1}, {1000, 0.1, 1},
                 {250, 0.5, 1}, {0.0921, 1000, 0}, {3000, 0.02, 2}};
    for (const Case& c : cases) {
        const RulerSpacing s = ChooseRulerSpacing(c.pixelsPerUnit);
        EXPECT_DOUBLE_EQ(s.labelValue, c.value) << c.pixelsPerUnit;
        EXPECT_EQ(s.decimals, c.decimals) << c.pixelsPerUnit;
        EXPECT_GE(s.labelPixels, kMinLabelPixels);
        EXPECT_LT(s.labelPixels, 2.5 * kMinLabelPixels + 1e-9);
    }
    for (double unusable : {0.0, -3.0, std::nan(""), 1e300})
        EXPECT_EQ(ChooseRulerSpacing(unusable).labelValue, 0) << unusable;
}

// Every label of the ruler, at every unit, magnification and capture size,
// reads what the line tool reads from the centre to the label's tick.
TEST(RulerTest, EveryLabelIsTheTrueDistanceFromTheCentre) {
    for (QSize picture : {k640, QSize(720, 480), QSize(720, 576), QSize(320, 240)})
        for (const char* unit : {"um", "mm", "cm", "mil", "inch"})
            for (double m : {5.0, 21.0, 30.0, 50.0, 60.0, 200.0, 1000.0}) {
                SCOPED_TRACE(QStringLiteral("%1x%2 %3 M%4")
                                 .arg(picture.width())
                                 .arg(picture.height())
                                 .arg(unit)
                                 .arg(m)
                                 .toStdString());
                const GuideScale scale = ScaleFor(m, unit);
                const MeasureContext ctx{UnitPerPixel(picture, unit, true), m, 6, unit};
                const Figure f = RulerFigure(picture, scale);
                const QPoint c(picture.width() / 2, picture.height() / 2);
                int horizontal = 0;
                std::vector<int> xs;
                for (const Figure::Text& t : f.texts) {
                    const bool onX = t.at.y() == c.y();
                    const int d = onX ? t.at.x() - c.x() : t.at.y() - c.y();
                    const double shown = t.text.toDouble();
                    // Half a pixel either way is as near as a pixel can be.
                    EXPECT_NEAR(shown, ctx.Length(d), ctx.Length(0.5) + 1e-9)
                        << t.text.toStdString();
                    if (onX) {
                        ++horizontal;
                        xs.push_back(t.at.x());
                    }
                }
                // Something to read on every ruler, and nothing crowded.
                EXPECT_GE(horizontal, 2);
                std::sort(xs.begin(), xs.end());
                for (std::size_t i = 1; i < xs.size(); ++i)
                    EXPECT_GE(xs[i] - xs[i - 1], int(kMinLabelPixels) - 1);
            }
}

TEST(RulerTest, TicksAtATenthOfTheLabelStep) {
    // mm at M 50: 76.75 px per mm, labels every mm, ticks every 0.1 mm.
    const std::vector<int> ticks = RightTicks(RulerFigure(k640, ScaleFor(50)), k640);
    ASSERT_GE(ticks.size(), 10u);
    EXPECT_EQ(ticks[0], 320 + 8);
    EXPECT_EQ(ticks[9], 320 + 77);
}

TEST(GuidesTest, AxesAndCrossThroughThePictureCentre) {
    const Figure ruler = RulerFigure(k640, ScaleFor(50));
    EXPECT_TRUE(ruler.lines.contains(QLine(0, 240, 640, 240)));
    EXPECT_TRUE(ruler.lines.contains(QLine(320, 0, 320, 480)));
    const Figure cross = CrossLineFigure(QSize(720, 576));
    EXPECT_TRUE(cross.lines.contains(QLine(0, 288, 720, 288)));
    EXPECT_TRUE(cross.lines.contains(QLine(360, 0, 360, 576)));

    // Drawn into a still (the identity) the picture's own pixels carry them.
    QImage img(k640, QImage::Format_RGB32);
    img.fill(Qt::black);
    QPainter p(&img);
    GuideSnapshot g;
    g.crossLine = g.ruler = true;
    g.scale = ScaleFor(50);
    DrawLiveGuides(p, ViewMapping::Identity(k640), g, QFont());
    p.end();
    EXPECT_EQ(img.pixel(100, 240), qRgb(255, 0, 0)); // the ruler over the cross
    EXPECT_EQ(img.pixel(328, 237), qRgb(255, 0, 0)); // a tick
    EXPECT_EQ(img.pixel(324, 237), qRgb(0, 0, 0));   // between ticks
}

TEST(GuidesTest, UnusableScalesDrawTheAxesOnly) {
    for (const GuideScale& s : {GuideScale{1e-12, "mil"}, GuideScale{0, "mm"}}) {
        const Figure r = RulerFigure(k640, s);
        EXPECT_EQ(r.lines.size(), 2);
        EXPECT_TRUE(r.texts.isEmpty());
        const Figure c = CircleGridFigure(k640, s);
        EXPECT_EQ(c.lines.size(), 2);
        EXPECT_TRUE(c.ellipses.isEmpty());
    }
}

TEST(GuidesTest, RingsAreRulerLabelsApart) {
    // mm at M 50: a ring every millimetre (76.75 px) out to the corners.
    const Figure c = CircleGridFigure(k640, ScaleFor(50));
    ASSERT_EQ(c.ellipses.size(), 5); // 77, 154, 230, 307, 384 < 400
    EXPECT_EQ(c.ellipses.first(), QRect(320 - 77, 240 - 77, 154, 154));
    EXPECT_EQ(c.ellipses[2], QRect(320 - 230, 240 - 230, 460, 460));
}

// The bar is as long as its label says, at every size and unit, and about a
// fifth of the picture wide in its bottom right corner.
TEST(ScaleBarTest, ItsLengthIsItsLabel) {
    for (QSize picture : {k640, QSize(720, 576), QSize(720, 480)})
        for (const char* unit : {"um", "mm", "cm", "mil", "inch"})
            for (double m : {5.0, 60.0, 200.0, 1000.0}) {
                const GuideScale scale = ScaleFor(m, unit);
                const std::optional<ScaleBar> b = ChooseScaleBar(picture, scale);
                ASSERT_TRUE(b) << unit << " " << m;
                const MeasureContext ctx{UnitPerPixel(picture, unit, true), m, 6, unit};
                EXPECT_NEAR(ctx.Length(b->bar.width()), b->value, ctx.Length(0.5) + 1e-12)
                    << unit << " " << m;
                EXPECT_TRUE(b->label.endsWith(QStringLiteral(" ") + UnitFor(unit).shownName()));
                EXPECT_NEAR(b->label.section(' ', 0, 0).toDouble(), b->value, 1e-9);
                EXPECT_GE(b->bar.width(), picture.width() / 10);
                EXPECT_LE(b->bar.width(), 2 * picture.width() / 5);
                EXPECT_GT(b->bar.left(), picture.width() / 2);
                EXPECT_GT(b->bar.top(), picture.height() * 3 / 4);
                EXPECT_LT(b->bar.right(), picture.width());
                EXPECT_LT(b->bar.bottom(), picture.height());
            }
    EXPECT_FALSE(ChooseScaleBar(k640, GuideScale{0, "mm"}));
    EXPECT_EQ(ChooseScaleBar(k640, ScaleFor(60))->label, QStringLiteral("1 mm"));
}

// An uncalibrated camera's guides and stills count pixels, as its measuring
// tools do, whatever the magnification box says; calibrated, the unit again.
TEST(ScaleBarTest, AnUncalibratedCameraCountsPixels) {
    MeasuringScope scope;
    scope.pitchKnown = false;
    SettingsValues s;
    s.unit = "um";
    const QString unit = MeasuringUnit(s.unit, scope);
    ASSERT_EQ(unit, "px");
    const MeasureContext px = CurrentMeasureContext(k640, 60, s, scope);
    for (double m : {5.0, 60.0}) {
        const GuideScale scale{m, unit, false};
        for (const Figure::Text& t : RulerFigure(k640, scale).texts) {
            const bool onX = t.at.y() == k640.height() / 2;
            const int d = onX ? t.at.x() - k640.width() / 2 : t.at.y() - k640.height() / 2;
            EXPECT_DOUBLE_EQ(t.text.toDouble(), px.Length(d)) << t.text.toStdString();
        }
        const std::optional<ScaleBar> b = ChooseScaleBar(k640, scale);
        ASSERT_TRUE(b);
        EXPECT_EQ(b->label, "100 px");
        EXPECT_EQ(b->bar.width(), 100);
        const PixelScale still = PictureScale(k640, m, false, unit, false);
        EXPECT_EQ(still.unitsPerPixel, 0);
        EXPECT_FALSE(still.note.isEmpty());
    }
    scope.calibrationKnown = true;
    EXPECT_EQ(MeasuringUnit(s.unit, scope), "um");
    // The live guides take the camera's pitch from the scope they were given.
    GuideState guides(&scope);
    guides.SetScaleBar(true, 500.0, MeasuringUnit(s.unit, scope));
    const std::optional<ScaleBar> calibrated = ChooseScaleBar(k640, guides.Snapshot().scale);
    ASSERT_TRUE(calibrated);
    EXPECT_EQ(calibrated->label, "200 \u00B5m");
    EXPECT_EQ(calibrated->bar.width(), 100); // 0.1 mm a pixel at magnification 1
}

TEST(ViewMappingTest, TheWholePictureFitsWithItsAspectKept) {
    const QSize view(640, 480);
    EXPECT_EQ(ViewMapping::Fit(k640, view).shown(), QRect(0, 0, 640, 480));
    EXPECT_TRUE(ViewMapping::Fit(k640, view).identity());
    EXPECT_EQ(ViewMapping::Fit(QSize(720, 576), view).shown(), QRect(20, 0, 600, 480));
    EXPECT_EQ(ViewMapping::Fit(QSize(720, 480), view).shown(), QRect(0, 27, 640, 426));
    EXPECT_EQ(ViewMapping::Fit(QSize(320, 240), view).shown(), QRect(0, 0, 640, 480));
    EXPECT_EQ(ViewMapping::Fit(k640, QSize(1920, 1080)).shown(), QRect(240, 0, 1440, 1080));

    // A click lands on the picture pixel under it, and back.
    const ViewMapping pal = ViewMapping::Fit(QSize(720, 576), view);
    EXPECT_EQ(pal.ToPicture(QPointF(20, 0)), QPoint(0, 0));
    EXPECT_EQ(pal.ToPicture(QPointF(320, 240)), QPoint(360, 288));
    EXPECT_EQ(pal.ToPicture(QPointF(5, 479.9)), QPoint(0, 575)); // a bar: the nearest edge
    EXPECT_EQ(pal.ToView(QPointF(360, 288)), QPointF(320, 240));
    EXPECT_FALSE(ViewMapping::Fit(QSize(), view).valid());
}

TEST(GuidesTest, TextsGoWhereThereIsRoom) {
    QImage img(200, 100, QImage::Format_RGB32);
    img.fill(Qt::black);
    QPainter p(&img);
    QFont font;
    font.setPixelSize(18);
    DrawCentreMessage(p, img.size(), QStringLiteral("No"), font);
    DrawFullScreenHint(p, img.size(), QStringLiteral("ESC"), font);
    DrawCentreMessage(p, img.size(), QString(), font); // nothing
    p.end();
    int green = 0, redTopRight = 0;
    for (int y = 0; y < img.height(); ++y)
        for (int x = 0; x < img.width(); ++x) {
            if (img.pixel(x, y) == qRgb(0, 255, 0)) ++green;
            if (qRed(img.pixel(x, y)) > 128 && qGreen(img.pixel(x, y)) < 64 && x > 120 && y < 30)
                ++redTopRight;
        }
    EXPECT_GT(green, 0);
    EXPECT_GT(redTopRight, 0);
}

} // namespace
} // namespace tvx

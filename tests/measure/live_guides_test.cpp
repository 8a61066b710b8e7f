// Guides over the live picture and in stills: switching, spacing, labels.
#include "measure/live_guides.h"

#include "tests/measure/qt_printers.h"
#include <QImage>
#include <QPainter>
#include <algorithm>

#include <gtest/gtest.h>

namespace tvx {
namespace {

const QSize k640(640, 480);

GuideScale ScaleFor(double m) {
    return ComputeGuideScale(m, UnitPerPixel(k640, "mm"));
}

// x positions of the ticks right of the vertical axis on the horizontal one.
std::vector<int> RightTicks(const Figure& f, int cx, int h) {
    std::vector<int> xs;
    for (const QLine& l : f.lines)
        if (l.x1() == l.x2() && l.y1() == h / 2 - 5 && l.y2() == h / 2 + 7 && l.x1() >= cx)
            xs.push_back(l.x1());
    std::sort(xs.begin(), xs.end());
    xs.erase(std::unique(xs.begin(), xs.end()), xs.end());
    return xs;
}

const Figure::Text* TextAt(const Figure& f, QPoint at) {
    for (const Figure::Text& t : f.texts)
        if (t.at == at) return &t;
    return nullptr;
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

TEST(GuideStateTest, SwitchingNeedsADeviceAndKeepsTheScaleOfSwitchingOn) {
    GuideState g;
    const double s = UnitPerPixel(k640, "mm");
    EXPECT_EQ(g.ToggleCrossLine(false), GuideState::Toggle::Ignored);
    EXPECT_EQ(g.ToggleRuler(false, 50.0, s), GuideState::Toggle::Ignored);
    EXPECT_FALSE(g.Snapshot().crossLine || g.Snapshot().ruler);

    EXPECT_EQ(g.ToggleRuler(true, std::nullopt, s), GuideState::Toggle::NeedsMagnification);
    EXPECT_FALSE(g.Snapshot().ruler);

    ASSERT_EQ(g.ToggleRuler(true, 50.0, s), GuideState::Toggle::Changed);
    const GuideSnapshot on = g.Snapshot();
    EXPECT_TRUE(on.ruler);
    EXPECT_NEAR(on.scale.step, 76.75, 0.01);
    // The magnification box changes; the ruler keeps its spacing until it is
    // switched off and on again.
    const Figure before = RulerFigure(k640, on.scale, "mm");
    const MagnificationReading changed = ReadMagnification({"", "100", false});
    ASSERT_TRUE(changed.magnification);
    const GuideSnapshot later = g.Snapshot();
    EXPECT_EQ(RightTicks(RulerFigure(k640, later.scale, "mm"), 321, 480),
              RightTicks(before, 321, 480));

    EXPECT_EQ(g.ToggleRuler(true, changed.magnification, s), GuideState::Toggle::Changed);
    EXPECT_FALSE(g.Snapshot().ruler);
    g.ToggleRuler(true, changed.magnification, s);
    EXPECT_NEAR(g.Snapshot().scale.step, 153.5, 0.01);
}

TEST(RulerTest, SpacingAboveMagnification30) {
    const Figure f = RulerFigure(k640, ScaleFor(50), "mm");
    const std::vector<int> ticks = RightTicks(f, 321, 480);
    ASSERT_GE(ticks.size(), 3u);
    EXPECT_EQ(ticks[0], 321);
    EXPECT_EQ(ticks[1], 329);
    EXPECT_EQ(ticks[2], 337);
    // Labels 80 pixels apart, alternating below, above, below; the left half
    // the same with a minus sign.
    const Figure::Text* one = TextAt(f, QPoint(321 + 80 - 6, 240 + 18));
    const Figure::Text* two = TextAt(f, QPoint(321 + 160 - 6, 240 - 33));
    const Figure::Text* three = TextAt(f, QPoint(321 + 240 - 6, 240 + 18));
    const Figure::Text* minusOne = TextAt(f, QPoint(321 - 80 - 6, 240 + 18));
    ASSERT_TRUE(one && two && three && minusOne);
    EXPECT_EQ(one->text, "1.00");
    EXPECT_EQ(two->text, "2.00");
    EXPECT_EQ(three->text, "3.00");
    EXPECT_EQ(minusOne->text, "-1.00");
    for (const Figure::Text& t : f.texts) {
        EXPECT_NE(t.text, "0.00");
        EXPECT_NE(t.text, "-0.00");
    }
}

TEST(RulerTest, SpacingAtMagnification30AndOtherUnits) {
    const Figure f = RulerFigure(k640, ScaleFor(30), "mm");
    const std::vector<int> ticks = RightTicks(f, 321, 480);
    ASSERT_GE(ticks.size(), 2u);
    EXPECT_EQ(ticks[1] - ticks[0], 9);
    ASSERT_TRUE(TextAt(f, QPoint(321 + 72 - 6, 258)));
    EXPECT_EQ(TextAt(f, QPoint(321 + 72 - 6, 258))->text, "1.00");
    EXPECT_EQ(TextAt(f, QPoint(321 + 144 - 6, 207))->text, "2.00");

    // "cm" at M 5: a = 76.75 again, labels every 4 × 31 = 124 pixels, 0.1 cm each.
    const GuideScale cm = ComputeGuideScale(5, UnitPerPixel(k640, "cm"));
    const Figure fc = RulerFigure(k640, cm, "cm");
    ASSERT_TRUE(TextAt(fc, QPoint(321 + 124 - 6, 258)));
    EXPECT_EQ(TextAt(fc, QPoint(321 + 124 - 6, 258))->text, "0.10");
    EXPECT_EQ(TextAt(fc, QPoint(321 - 248 - 6, 207))->text, "-0.20");
}

TEST(RulerTest, VerticalAxisCarriesTheAlternationOn) {
    // At M 50 the horizontal loop runs 81 times (e = 0, 4, ... 320): 80
    // labels per half, an even count, so both counters are back at 1 and the
    // first vertical labels go to the right of the axis.
    const Figure f = RulerFigure(k640, ScaleFor(50), "mm");
    const Figure::Text* down = TextAt(f, QPoint(320 + 18, 241 + 80 - 6));
    const Figure::Text* up = TextAt(f, QPoint(320 + 18, 241 - 80 - 6));
    ASSERT_TRUE(down && up);
    EXPECT_EQ(down->text, "1.00");
    EXPECT_EQ(up->text, "-1.00");
    EXPECT_EQ(TextAt(f, QPoint(320 - 33, 241 + 160 - 6))->text, "2.00");

    // A width whose horizontal loop draws an odd number of labels (cx 326:
    // e = 0 ... 324, 81 labels) starts the vertical axis on the other side.
    const Figure g = RulerFigure(QSize(650, 480), ScaleFor(50), "mm");
    ASSERT_TRUE(TextAt(g, QPoint(325 - 33, 241 + 80 - 6)));
}

TEST(GuidesTest, AxesAndCrossInA640View) {
    const Figure ruler = RulerFigure(k640, ScaleFor(50), "mm");
    EXPECT_TRUE(ruler.lines.contains(QLine(0, 241, 640, 241)));
    EXPECT_TRUE(ruler.lines.contains(QLine(321, 0, 321, 480)));
    const Figure cross = CrossLineFigure(k640);
    EXPECT_TRUE(cross.lines.contains(QLine(0, 240, 640, 240)));
    EXPECT_TRUE(cross.lines.contains(QLine(320, 0, 320, 480)));

    QImage img(k640, QImage::Format_RGB32);
    img.fill(Qt::black);
    QPainter p(&img);
    DrawCrossLine(p, k640);
    DrawRuler(p, k640, ScaleFor(50), "mm", QFont());
    p.end();
    EXPECT_EQ(img.pixel(320, 100), qRgb(255, 255, 255));
    EXPECT_EQ(img.pixel(321, 100), qRgb(255, 0, 0));
    EXPECT_EQ(img.pixel(100, 241), qRgb(255, 0, 0));
    EXPECT_EQ(img.pixel(329, 236), qRgb(255, 0, 0)); // a tick
    EXPECT_EQ(img.pixel(325, 236), qRgb(0, 0, 0));   // between ticks
}

TEST(GuidesTest, StepsOfZeroPixelsDrawTheAxesOnly) {
    // "mil" at magnification 1: every step rounds to 0 pixels.
    const GuideScale tiny = ComputeGuideScale(1, UnitPerPixel(k640, "mil"));
    const Figure r = RulerFigure(k640, tiny, "mil");
    EXPECT_EQ(r.lines.size(), 2);
    EXPECT_TRUE(r.texts.isEmpty());
    const Figure c = CircleGridFigure(k640, GuideScale{1, 0.3});
    EXPECT_EQ(c.lines.size(), 2);
    EXPECT_TRUE(c.ellipses.isEmpty());

    GuideSnapshot g;
    g.ruler = g.circleGrid = true;
    g.scale = tiny;
    const Figure pic = PictureGuidesFigure(k640, g, "mil", nullptr);
    EXPECT_EQ(pic.lines.size(), 4);
}

TEST(GuidesTest, CircleGridStopsBelowHalfTheHeight) {
    const Figure c = CircleGridFigure(k640, ScaleFor(50)); // step 77
    ASSERT_FALSE(c.ellipses.isEmpty());
    EXPECT_EQ(c.ellipses.first(), QRect(321, 241, 0, 0));
    EXPECT_EQ(c.ellipses.size(), 4); // r = 0, 77, 154, 231
    EXPECT_EQ(c.ellipses.last(), QRect(321 - 231, 241 - 231, 462, 462));
}

TEST(GuidesTest, StillGuidesUseTheCaptureCentreAndHalveTheStepAt320) {
    GuideSnapshot g;
    g.crossLine = g.ruler = g.circleGrid = true;
    g.scale = ScaleFor(50);
    Figure cross;
    const Figure f = PictureGuidesFigure(k640, g, "mm", &cross);
    EXPECT_TRUE(cross.lines.contains(QLine(320, 0, 320, 480)));
    EXPECT_TRUE(f.lines.contains(QLine(0, 240, 640, 240)));
    // Step rnd(0.05 × 76.75) = 4, labels 80 apart, counter rules as live.
    EXPECT_TRUE(f.lines.contains(QLine(324, 234, 324, 246)));
    ASSERT_TRUE(TextAt(f, QPoint(320 - 6 + 80, 240 + 17)));
    EXPECT_EQ(TextAt(f, QPoint(320 - 6 + 80, 240 + 17))->text, "1.00");
    EXPECT_EQ(TextAt(f, QPoint(320 - 6 + 160, 240 - 34))->text, "2.00");

    const Figure small = PictureGuidesFigure(QSize(320, 240), g, "mm", nullptr);
    // Circle step rnd(76.75 / 2) = 38.
    EXPECT_TRUE(small.ellipses.contains(QRect(160 - 38, 120 - 38, 76, 76)));
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

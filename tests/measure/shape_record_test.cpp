// The shape record, the tool table and the font record.
#include "measure/font_record.h"
#include "measure/measure_shape.h"
#include "measure/tool_registry.h"

#include "tests/measure/qt_printers.h"

#include <gtest/gtest.h>

namespace tvx {
namespace {

TEST(ShapeRecordTest, NewRecordsCarryTheirFixedValues) {
    const CMeasureShape blank;
    EXPECT_EQ(blank.labelColor, 255u);
    EXPECT_EQ(blank.labelLineSpacing, 12);
    EXPECT_EQ(blank.penWidth, 0);
    EXPECT_EQ(blank.kind, 0);
    EXPECT_TRUE(blank.points.isEmpty());
    EXPECT_TRUE(blank.labels.isEmpty());
    EXPECT_EQ(blank.labelFont.ToBytes(), QByteArray(FontRecord::kSize, '\0'));

    ShapeStyle style;
    style.penWidth = 2;
    style.penStyle = 3;
    style.penColor = 0xAB00FF00; // only the colour bits are kept
    style.labelColor = 0x01123456;
    const CMeasureShape measured = NewMeasurementShape(ShapeKind::Rectangle, style);
    EXPECT_TRUE(measured.is(ShapeKind::Rectangle));
    EXPECT_EQ(measured.penColor, 0x0000FF00u);
    EXPECT_EQ(measured.labelColor, 0x00123456u);
    EXPECT_EQ(measured.labelFont, style.labelFont);
    EXPECT_EQ(measured.textColor, 0u);

    const CMeasureShape text =
        NewTextShape(QPoint(5, 6), QStringLiteral("cell"), 0xFF, DefaultFontRecord());
    EXPECT_TRUE(text.is(ShapeKind::Text));
    EXPECT_EQ(text.labels, QStringList{QStringLiteral("cell")});
    EXPECT_EQ(text.penWidth, 0);
    EXPECT_EQ(text.labelFont.ToBytes(), QByteArray(FontRecord::kSize, '\0'));
}

TEST(ShapeRecordTest, ToolsKindsLabelsAndAnchors) {
    EXPECT_EQ(KindForTool(MeasureTool::Line), ShapeKind::Line);
    EXPECT_EQ(KindForTool(MeasureTool::RadiusCircle), ShapeKind::RadiusCircle);
    EXPECT_EQ(KindForTool(MeasureTool::Text), ShapeKind::Text);
    EXPECT_EQ(KindForTool(MeasureTool::ThreePointCircle), ShapeKind::ThreePointCircle);
    EXPECT_EQ(KindForTool(MeasureTool::Polygon), ShapeKind::Polygon);
    EXPECT_FALSE(KindForTool(MeasureTool::None));
    EXPECT_FALSE(KindForTool(11));
    EXPECT_FALSE(KindForTool(-1));

    // Unmeasured shapes: one "" for lines, polygons and angles, three for the rest.
    EXPECT_EQ(BlankLabels(ShapeKind::Line), QStringList{QString()});
    EXPECT_EQ(BlankLabels(ShapeKind::FourPointAngle).size(), 1);
    EXPECT_EQ(BlankLabels(ShapeKind::DiameterCircle), QStringList({"", "", ""}));
    EXPECT_EQ(BlankLabels(ShapeKind::Rectangle).size(), 3);

    CMeasureShape polygon = NewMeasurementShape(ShapeKind::Polygon, ShapeStyle{});
    EXPECT_FALSE(AnchorIndex(polygon));
    polygon.points = {QPoint(0, 0), QPoint(9, 0), QPoint(9, 9), QPoint(9, 9)};
    EXPECT_EQ(AnchorIndex(polygon), 3);
    CMeasureShape line = NewMeasurementShape(ShapeKind::Line, ShapeStyle{});
    line.points.resize(LinePoint::Count);
    EXPECT_EQ(AnchorIndex(line), 6);
    line.points.resize(3); // not a finished line
    EXPECT_FALSE(AnchorIndex(line));
}

TEST(ShapeRecordTest, LabelLineSpacingFollowsTheFontSize) {
    EXPECT_EQ(LabelLineSpacing(-5), 12);
    EXPECT_EQ(LabelLineSpacing(13), 12);
    EXPECT_EQ(LabelLineSpacing(14), 13);
    EXPECT_EQ(LabelLineSpacing(16), 14);
    EXPECT_EQ(LabelLineSpacing(17), 16);
    EXPECT_EQ(LabelLineSpacing(40), 36);
    EXPECT_EQ(LabelLineSpacing(96), 72);
    EXPECT_EQ(LabelLineSpacing(100), 12);
}

TEST(FontRecordTest, BytesFollowTheRecordLayout) {
    FontRecord r = DefaultFontRecord();
    r.lfHeight = -14;
    r.lfItalic = 1;
    const QByteArray bytes = r.ToBytes();
    ASSERT_EQ(bytes.size(), 92);
    EXPECT_EQ(bytes.left(4), QByteArray::fromHex("f2ffffff"));
    EXPECT_EQ(bytes.mid(16, 4), QByteArray::fromHex("90010000")); // weight 400
    EXPECT_EQ(bytes.mid(20, 8), QByteArray::fromHex("0100008603020132"));
    EXPECT_EQ(bytes.mid(28, 12), QByteArray::fromHex("41007200690061006c000000")); // "Arial\0"
    EXPECT_EQ(bytes.right(52), QByteArray(52, '\0'));

    const auto back = FontRecord::FromBytes(bytes);
    ASSERT_TRUE(back);
    EXPECT_EQ(*back, r);
    EXPECT_EQ(back->lfHeight, -14);
    EXPECT_EQ(back->faceName(), QStringLiteral("Arial"));
    EXPECT_EQ(back->ToBytes(), bytes);

    EXPECT_FALSE(FontRecord::FromBytes(bytes.left(91)));
    EXPECT_FALSE(FontRecord::FromBytes(bytes + '\0'));
}

TEST(FontRecordTest, FaceNamesAlwaysKeepTheirTerminator) {
    FontRecord r;
    r.setFaceName(QString(40, QLatin1Char('x')));
    EXPECT_EQ(r.faceName(), QString(31, QLatin1Char('x')));
    EXPECT_EQ(r.lfFaceName[31], 0);

    // A stored record whose face fills all 32 units still reads without overrun,
    // and units after a terminator carry no meaning.
    QByteArray bytes = DefaultFontRecord().ToBytes();
    for (int i = 28; i < 92; i += 2) {
        bytes[i] = 'y';
        bytes[i + 1] = 0;
    }
    EXPECT_EQ(FontRecord::FromBytes(bytes)->faceName(), QString(32, QLatin1Char('y')));
    bytes[28 + 2 * 3] = 0;
    EXPECT_EQ(FontRecord::FromBytes(bytes)->faceName(), QStringLiteral("yyy"));
}

TEST(FontRecordTest, ConvertsToAndFromQFont) {
    FontRecord r = DefaultFontRecord();
    r.lfHeight = -20;
    r.lfWeight = 700;
    r.lfUnderline = 1;
    const QFont font = ToQFont(r);
    EXPECT_EQ(font.family(), QStringLiteral("Arial"));
    EXPECT_EQ(font.pixelSize(), 20);
    EXPECT_EQ(font.weight(), QFont::Bold);
    EXPECT_TRUE(font.underline());
    EXPECT_FALSE(font.italic());

    const FontRecord back = FontRecordFromQFont(font, r);
    EXPECT_EQ(back, r);

    QFont chosen(QStringLiteral("DejaVu Sans"));
    chosen.setPointSize(12); // 16 pixels on a 96-dpi screen
    chosen.setItalic(true);
    const FontRecord fromChooser = FontRecordFromQFont(chosen);
    EXPECT_EQ(fromChooser.lfHeight, -16);
    EXPECT_EQ(fromChooser.lfItalic, 1);
    EXPECT_EQ(fromChooser.lfWeight, 400);
    EXPECT_EQ(fromChooser.lfCharSet, 134); // kept from the default record
    EXPECT_EQ(fromChooser.faceName(), QStringLiteral("DejaVu Sans"));

    FontRecord odd;
    odd.lfHeight = INT32_MIN; // no sensible size: the default is used, no overflow
    EXPECT_GT(ToQFont(odd).pixelSize(), 0);
}

} // namespace
} // namespace tvx

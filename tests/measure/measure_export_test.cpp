#include "measure/measure_export.h"
#include "measure/tool_registry.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <gtest/gtest.h>

namespace tvx {
namespace {

MeasureContext Ctx640(double magnification) {
    MeasureContext ctx;
    ctx.unit = QStringLiteral("mm");
    ctx.scale = UnitPerPixel(QSize(640, 480), ctx.unit, true);
    ctx.magnification = magnification;
    ctx.decimals = 2;
    return ctx;
}

CMeasureShape Shape(int32_t kind, QVector<QPoint> points, QStringList labels) {
    CMeasureShape s;
    s.kind = kind;
    s.points = std::move(points);
    s.labels = std::move(labels);
    return s;
}

// A line, a radius circle and a three-point angle, measured on the live view
// as its tools would record them.
ShapeList ThreeShapes(const MeasureContext& ctx) {
    ShapeList list;
    const QPoint a(100, 100), b(254, 100);
    list.Append(Shape(LiveKindOf(ToolId::Line), {a, b, a, a, b, b, QPoint(120, 80)},
                      *LineLabels(ctx, a, b)));
    const QPoint c(300, 240), on(300, 317);
    list.Append(Shape(LiveKindOf(ToolId::RadiusCircle), {c, on, QPoint(330, 200)},
                      *RadiusCircleLabels(ctx, c, on)));
    const QPoint arm1(400, 400), arm2(500, 300), vertex(400, 300);
    list.Append(Shape(LiveKindOf(ToolId::ThreePointAngle), {arm1, arm2, vertex, QPoint(410, 310)},
                      {*ThreePointAngleLabel(arm1, arm2, vertex, 2)}));
    return list;
}

// A small reader of what the export writes: quoted fields with doubled
// quotes and line breaks inside, CRLF or LF between records.
QVector<QStringList> ReadCsv(const QByteArray& bytes) {
    const QString text = QString::fromUtf8(bytes);
    QVector<QStringList> rows;
    QStringList row;
    QString field;
    bool quoted = false, fieldStarted = false;
    for (int i = 0; i < text.size(); ++i) {
        const QChar ch = text.at(i);
        if (quoted) {
            if (ch == QLatin1Char('"')) {
                if (i + 1 < text.size() && text.at(i + 1) == QLatin1Char('"')) {
                    field += ch;
                    ++i;
                } else {
                    quoted = false;
                }
            } else {
                field += ch;
            }
        } else if (ch == QLatin1Char('"') && field.isEmpty()) {
            quoted = fieldStarted = true;
        } else if (ch == QLatin1Char(',')) {
            row << field;
            field.clear();
        } else if (ch == QLatin1Char('\r') || ch == QLatin1Char('\n')) {
            if (ch == QLatin1Char('\r') && i + 1 < text.size() && text.at(i + 1) == '\n') ++i;
            row << field;
            rows << row;
            row.clear();
            field.clear();
        } else {
            field += ch;
        }
    }
    EXPECT_FALSE(quoted) << "unterminated quote";
    if (!field.isEmpty() || !row.isEmpty()) rows << (row << field);
    (void)fieldStarted;
    return rows;
}

TEST(MeasurementExport, ThreeShapesGiveTheirRowsAndReadBack) {
    const MeasureContext ctx = Ctx640(100);
    MeasurementExportContext ex;
    ex.measure = ctx;
    ex.magnification = QStringLiteral("100.0");
    ex.picture = QString::fromUtf8("Still_2026-03-04_101500_100.0X_N0001, \"µ\".bmp");
    const QVector<MeasurementRow> rows = MeasurementRows(ThreeShapes(ctx), ex);
    ASSERT_EQ(rows.size(), 3);

    // 154 px at 640 × 480 and 100×: 154 × 0.0651465798 × 10 / 100 = 1.003257 mm,
    // at seven digits whatever the two decimals of the label; one pixel is
    // 0.0651465798 × 10 / 100 mm.
    EXPECT_EQ(MeasurementCells(rows[0]), (QStringList{"line",
                                                      "1.003257",
                                                      "mm",
                                                      "",
                                                      "",
                                                      "",
                                                      "",
                                                      "",
                                                      "",
                                                      "",
                                                      "",
                                                      "",
                                                      "",
                                                      "",
                                                      "",
                                                      "100.0",
                                                      "0.006514658",
                                                      "mm",
                                                      ex.picture,
                                                      "L:1.00mm"}));
    // r = 77 px: each value in its own unit, the area in square millimetres.
    EXPECT_EQ(rows[1].kind, "radius circle");
    EXPECT_EQ(rows[1].values[int(MeasureColumn::Area)], "0.7905231");
    EXPECT_EQ(rows[1].units[int(MeasureColumn::Area)], "mm2");
    EXPECT_EQ(rows[1].values[int(MeasureColumn::Radius)], "0.5016287");
    EXPECT_EQ(rows[1].units[int(MeasureColumn::Radius)], "mm");
    EXPECT_EQ(rows[1].values[int(MeasureColumn::Circumference)], "3.151826");
    EXPECT_EQ(rows[1].values[int(MeasureColumn::Length)], "");
    EXPECT_EQ(rows[1].units[int(MeasureColumn::Length)], "");
    EXPECT_EQ(rows[1].label, "A:0.79mm2 R:0.50mm G:3.15mm");
    EXPECT_EQ(rows[2].kind, "three-point angle");
    EXPECT_EQ(rows[2].values[int(MeasureColumn::Angle)], "90");
    EXPECT_EQ(rows[2].units[int(MeasureColumn::Angle)], "deg");
    EXPECT_EQ(rows[2].label, QString::fromUtf8("90.00°"));

    // Every label is exactly the text the live view draws for the shape.
    const ShapeList shapes = ThreeShapes(ctx);
    for (int i = 0; i < 3; ++i) {
        QStringList drawn;
        for (const Figure::Text& t : LiveShapeFigure(shapes.shapes()[std::size_t(i)], ctx).texts)
            drawn << t.text;
        EXPECT_EQ(rows[i].label, drawn.join(' '));
    }

    const QByteArray csv = MeasurementsCsv(rows);
    EXPECT_TRUE(csv.startsWith("kind,length,length_unit,area,area_unit,radius,radius_unit,"
                               "circumference,circumference_unit,width,width_unit,height,"
                               "height_unit,angle,angle_unit,magnification,pixel_size,"
                               "pixel_size_unit,picture,label\r\n"));
    EXPECT_TRUE(csv.contains("line,1.003257,mm,,,,,,,,,,,,,100.0,0.006514658,mm,"
                             "\"Still_2026-03-04_101500_100.0X_"
                             "N0001, \"\"\xC2\xB5\"\".bmp\",L:1.00mm\r\n"));
    const QVector<QStringList> back = ReadCsv(csv);
    ASSERT_EQ(back.size(), 4);
    EXPECT_EQ(back[0], MeasurementHeader());
    for (int i = 0; i < 3; ++i)
        EXPECT_EQ(back[i + 1], MeasurementCells(rows[i])) << "row " << i;

    // The clipboard's form: the same cells, tab-separated.
    const QStringList lines = MeasurementsTsv(rows).split('\n', Qt::SkipEmptyParts);
    ASSERT_EQ(lines.size(), 4);
    for (int i = 0; i < 3; ++i)
        EXPECT_EQ(lines[i + 1].split('\t'), MeasurementCells(rows[i]));
}

TEST(MeasurementExport, NumbersStayInTheCLocaleWhateverTheUserUses) {
    const QLocale before;
    QLocale::setDefault(QLocale(QLocale::German, QLocale::Germany));
    const MeasureContext ctx = Ctx640(100);
    MeasurementExportContext ex;
    ex.measure = ctx;
    const QVector<MeasurementRow> rows = MeasurementRows(ThreeShapes(ctx), ex);
    QLocale::setDefault(before);
    EXPECT_EQ(rows[0].values[0], "1.003257");
    EXPECT_EQ(rows[1].values[int(MeasureColumn::Area)], "0.7905231");
}

TEST(MeasurementExport, OtherKindsFillTheirOwnColumns) {
    const MeasureContext ctx = Ctx640(100);
    // The live continuous line: the sum of its segments goes under length,
    // the segments stay in the label only.
    const QPoint p0(0, 0), p1(154, 0), p2(154, 154);
    ShapeList live;
    live.Append(Shape(LiveKindOf(ToolId::ContinuousLine),
                      {p0, p1, QPoint(10, 10), p2, QPoint(160, 80)},
                      {*SegmentLabel(ctx, p0, p1), *SegmentLabel(ctx, p1, p2)}));
    live.Append(Shape(77, {p0}, {}));
    MeasurementExportContext ex;
    ex.measure = ctx;
    QVector<MeasurementRow> rows = MeasurementRows(live, ex);
    ASSERT_EQ(rows.size(), 2);
    EXPECT_EQ(rows[0].kind, "continuous line");
    EXPECT_EQ(rows[0].label, "1.00mm 1.00mm T:2.00mm");
    EXPECT_EQ(rows[0].values[int(MeasureColumn::Length)], "2.006515");
    EXPECT_EQ(rows[1].kind, "shape 77");
    // Both numberings name each of their ten kinds, and no other.
    for (int32_t k = 1; k <= 10; ++k) {
        EXPECT_FALSE(MeasurementKindName(k, ShapeNumbering::Live).startsWith("shape")) << k;
        EXPECT_FALSE(MeasurementKindName(k, ShapeNumbering::Canvas).startsWith("shape")) << k;
    }
    EXPECT_EQ(MeasurementKindName(0, ShapeNumbering::Live), "shape 0");
    EXPECT_EQ(MeasurementKindName(LiveKindOf(ToolId::PointToLine), ShapeNumbering::Live),
              "point to line");
    EXPECT_EQ(MeasurementKindName(int32_t(ShapeKind::FourPointAngle), ShapeNumbering::Canvas),
              "four-point angle");
    EXPECT_EQ(rows[1].label, "");

    // The stored-picture canvas numbers kinds its own way and has
    // rectangles and text notes.
    ShapeList canvas;
    const QPoint c0(10, 10), c1(164, 87);
    CMeasureShape rect =
        Shape(int32_t(ShapeKind::Rectangle), {c0, c1, c1}, *RectangleLabels(ctx, c0, c1));
    canvas.Append(rect);
    canvas.Append(NewTextShape(QPoint(5, 5), QStringLiteral("L:cell, 2\tnucleus"), 0, {}));
    // Drawn without measuring: blank labels, no values.
    canvas.Append(Shape(int32_t(ShapeKind::Line), {c0, c1, c0, c0, c1, c1, c1}, {QString()}));
    ex.numbering = ShapeNumbering::Canvas;
    rows = MeasurementRows(canvas, ex);
    ASSERT_EQ(rows.size(), 3);
    EXPECT_EQ(rows[0].kind, "rectangle");
    EXPECT_EQ(rows[0].values[int(MeasureColumn::Width)], "1.003257");
    EXPECT_EQ(rows[0].values[int(MeasureColumn::Height)], "0.5016287");
    EXPECT_EQ(rows[0].values[int(MeasureColumn::Area)], "0.5032626");
    EXPECT_EQ(rows[0].units[int(MeasureColumn::Area)], "mm2");
    EXPECT_EQ(rows[1].kind, "text");
    EXPECT_EQ(MeasurementCells(rows[1]).mid(1, 14), QStringList(14, QString()))
        << "a note's words are not a measurement";
    EXPECT_EQ(rows[1].label, "L:cell, 2\tnucleus");
    EXPECT_EQ(ReadCsv(MeasurementsCsv(rows))[2].last(), "L:cell, 2\tnucleus");
    EXPECT_EQ(MeasurementsTsv(rows).split('\n')[2].split('\t').last(), "L:cell, 2 nucleus");
    EXPECT_EQ(rows[2].values[int(MeasureColumn::Length)], "");
}

// Shapes made by the tools keep the unit and magnification they were
// measured at: the export follows them, not what the boxes say later.
TEST(MeasurementExport, EachShapeKeepsTheUnitAndMagnificationItWasMeasuredIn) {
    ShapeList list;
    const auto measure = [&](const MeasureContext& ctx, QPoint a, QPoint b) {
        auto tool = MakeLiveTool(ToolId::Polygon);
        tool->Bind(&list);
        ToolSettings t;
        t.ctx = ctx;
        tool->SetSettings(t);
        for (QPoint p : {a, QPoint(b.x(), a.y()), b, QPoint(a.x(), b.y())})
            tool->Press(p);
        tool->DoubleClick(QPoint(a.x(), b.y()));
        tool->Press(b + QPoint(5, 5)); // the label
    };
    MeasureContext um = Ctx640(100);
    um.unit = QStringLiteral("um");
    um.scale = UnitPerPixel(QSize(640, 480), um.unit, true);
    measure(um, QPoint(0, 0), QPoint(20, 20));
    measure(Ctx640(50), QPoint(0, 0), QPoint(20, 20));
    ASSERT_EQ(list.shapes().size(), 2u);
    // A continuous line's total is drawn in the unit of its segments.
    const QPoint p0(0, 0), p1(154, 0);
    CMeasureShape segments = Shape(LiveKindOf(ToolId::ContinuousLine), {p0, p1, QPoint(9, 9)},
                                   {*SegmentLabel(um, p0, p1)});
    segments.measuredWith = um;
    list.Append(segments);

    MeasurementExportContext ex;
    ex.measure = Ctx640(50);
    ex.magnification = QStringLiteral("50.0");
    const QVector<MeasurementRow> rows = MeasurementRows(list, ex);
    // 20 × 20 pixels at 100× are a square of 130.29 µm a side.
    const double side = 20 * 65.1465798045602 * 10 / 100;
    EXPECT_NEAR(rows[0].values[int(MeasureColumn::Area)].toDouble(), side * side,
                1e-6 * side * side);
    EXPECT_EQ(rows[0].units[int(MeasureColumn::Area)], "um2");
    EXPECT_TRUE(rows[0].label.endsWith(QString::fromUtf8("µm2"))) << rows[0].label.toStdString();
    EXPECT_EQ(rows[0].magnification, "100");
    // The shape measured at the export's own magnification shows its text.
    EXPECT_EQ(rows[1].units[int(MeasureColumn::Area)], "mm2");
    EXPECT_EQ(rows[1].magnification, "50.0");
    EXPECT_EQ(rows[2].label, QString::fromUtf8("1003.26µm T:1003.26µm"));
    EXPECT_EQ(rows[2].units[int(MeasureColumn::Length)], "um");
}

TEST(MeasurementExport, WritesAtomicallyOrSaysWhyNot) {
    QTemporaryDir dir;
    const MeasureContext ctx = Ctx640(100);
    MeasurementExportContext ex;
    ex.measure = ctx;
    const QVector<MeasurementRow> rows = MeasurementRows(ThreeShapes(ctx), ex);

    const QString good = dir.filePath("m.csv");
    {
        QFile old(good);
        ASSERT_TRUE(old.open(QIODevice::WriteOnly));
        old.write(QByteArray(5000, 'x')); // longer than the export: no tail may survive
    }
    QString reason;
    ASSERT_TRUE(WriteMeasurementsCsv(good, rows, &reason)) << reason.toStdString();
    QFile in(good);
    ASSERT_TRUE(in.open(QIODevice::ReadOnly));
    EXPECT_EQ(in.readAll(), MeasurementsCsv(rows));

    // A folder in the way, and a "folder" that is a file: nothing written,
    // nothing left behind, and a reason to show.
    const QString folder = dir.filePath("taken.csv");
    ASSERT_TRUE(QDir().mkdir(folder));
    EXPECT_FALSE(WriteMeasurementsCsv(folder, rows, &reason));
    EXPECT_FALSE(reason.isEmpty());
    EXPECT_TRUE(QDir(folder).isEmpty());
    reason.clear();
    EXPECT_FALSE(WriteMeasurementsCsv(good + "/inside.csv", rows, &reason));
    EXPECT_FALSE(reason.isEmpty());
    EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files | QDir::Hidden | QDir::NoDotAndDotDot),
              QStringList{"m.csv"});
    in.seek(0);
    EXPECT_EQ(in.readAll(), MeasurementsCsv(rows)) << "the earlier export stays whole";
}

} // namespace
} // namespace tvx

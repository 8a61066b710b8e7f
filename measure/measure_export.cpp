#include "measure/measure_export.h"

#include "measure/measure_tools.h"

#include <QSaveFile>
#include <algorithm>
#include <cmath>

namespace tvx {

namespace {

// A kind's word and the tool that made it (nothing for a text note), as the
// tool registry describes it; nothing for a number neither numbering knows.
struct KindInfo {
    QString name;
    std::optional<ToolId> tool;
};
std::optional<KindInfo> FindKind(int32_t kind, ShapeNumbering numbering) {
    if (numbering == ShapeNumbering::Canvas && kind == int32_t(ShapeKind::Text))
        return KindInfo{QStringLiteral("text"), std::nullopt};
    for (const ToolEntry& e : kToolRegistry) {
        if (e.id == ToolId::CalibrationLine) continue; // a line once made
        const std::optional<ShapeKind> canvasKind =
            e.canvas ? KindForTool(*e.canvas) : std::optional<ShapeKind>();
        const bool match = numbering == ShapeNumbering::Live
                               ? e.liveTool != 0 && e.liveTool == kind
                               : canvasKind && int32_t(*canvasKind) == kind;
        if (match) return KindInfo{QLatin1String(e.name), e.id};
    }
    return std::nullopt;
}

// The texts drawn for a shape, in drawing order.
QStringList DrawnTexts(const CMeasureShape& shape, const MeasurementExportContext& ctx) {
    QStringList out;
    if (ctx.numbering == ShapeNumbering::Live) {
        for (const Figure::Text& t : LiveShapeFigure(shape, ctx.measure).texts)
            out << t.text;
        return out;
    }
    // The canvas draws the labels as stored; a continuous line adds its
    // total below the last segment.
    out = shape.labels;
    if (shape.is(ShapeKind::ContinuousLine))
        if (const auto total = ContinuousLineTotalLabel(shape.context(ctx.measure), shape.labels))
            out << *total;
    return out;
}

using Values = std::optional<double>[int(MeasureColumn::Count)];

void Put(Values& v, MeasureColumn c, double value) {
    v[int(c)] = value;
}
void PutCircle(Values& v, const CircleValues& c) {
    Put(v, MeasureColumn::Area, c.area);
    Put(v, MeasureColumn::Radius, c.radius);
    Put(v, MeasureColumn::Circumference, c.circumference);
}

// The continuous line's length: the sum of its measured segments, each from
// its start vertex to its end vertex. Nothing unless every segment has a label.
std::optional<double> ContinuousLength(const CMeasureShape& s, const MeasureContext& mc) {
    const QVector<QPoint>& p = s.points;
    const int segments = int(s.labels.size());
    if (segments == 0 || p.size() < 2 * segments + 1) return std::nullopt;
    double sum = 0;
    for (int k = 1; k <= segments; ++k) {
        if (s.labels[k - 1].isEmpty()) return std::nullopt;
        const QPoint from = k == 1 ? p[0] : p[ContinuousLinePoint::EndOfSegment(k - 1)];
        sum += mc.Length(PixelDistance(from, p[ContinuousLinePoint::EndOfSegment(k)]));
    }
    return sum;
}

// The values of one shape from its points, laid out as its tool stored them.
void ShapeValues(const CMeasureShape& s, ToolId g, ShapeNumbering numbering,
                 const MeasureContext& mc, Values& v) {
    const QVector<QPoint>& p = s.points;
    const int n = int(p.size());
    // Angles need no scale; everything else does.
    if (g == ToolId::ThreePointAngle && n >= AnglePoint::Count) {
        if (const auto a = ThreePointAngle(p[AnglePoint::FirstArm], p[AnglePoint::SecondArm],
                                           p[AnglePoint::Vertex]))
            Put(v, MeasureColumn::Angle, *a);
        return;
    }
    if (g == ToolId::FourPointAngle && n >= FourPointAnglePoint::Count) {
        if (const auto a = AngleBetweenLines(p[0].x(), p[0].y(), p[1].x(), p[1].y(), p[2].x(),
                                             p[2].y(), p[3].x(), p[3].y()))
            Put(v, MeasureColumn::Angle, *a);
        return;
    }
    if (!mc.valid()) return;
    switch (g) {
    case ToolId::Line:
        if (n >= LinePoint::Count)
            Put(v, MeasureColumn::Length,
                mc.Length(PixelDistance(p[LinePoint::Start], p[LinePoint::End])));
        break;
    case ToolId::ContinuousLine:
        if (const auto length = ContinuousLength(s, mc)) Put(v, MeasureColumn::Length, *length);
        break;
    case ToolId::PointToLine:
        if (n >= PointToLinePoint::Count)
            Put(v, MeasureColumn::Length,
                PointToLineDistance(mc, p[PointToLinePoint::LineA], p[PointToLinePoint::LineB],
                                    p[PointToLinePoint::Point]));
        break;
    case ToolId::Polygon: {
        // The live polygon repeats its first vertex before the anchor.
        const int vertices = n - (numbering == ShapeNumbering::Live ? 2 : 1);
        if (vertices < 2) break;
        if (const auto area = PolygonArea(mc, p.mid(0, vertices)))
            Put(v, MeasureColumn::Area, *area);
        break;
    }
    case ToolId::RadiusCircle:
    case ToolId::ThreePointCircle: {
        // The label's radius runs from the centre to the point on the circle;
        // for the three-point circle that is its third click.
        const bool radius = g == ToolId::RadiusCircle;
        const int count = radius ? int(RadiusCirclePoint::Count) : ThreePointCirclePoint::Count;
        const int on =
            radius ? int(RadiusCirclePoint::OnCircle) : ThreePointCirclePoint::ThirdClick;
        if (n < count) break;
        PutCircle(v, CircleOfRadius(mc, PixelDistance(p[0], p[on]))); // centre first in both
        break;
    }
    case ToolId::DiameterCircle:
        if (n >= DiameterCirclePoint::Count) {
            const QPoint a = p[DiameterCirclePoint::EndA], b = p[DiameterCirclePoint::EndB];
            PutCircle(v, numbering == ShapeNumbering::Live ? LiveDiameterCircleValues(mc, a, b)
                                                           : DiameterCircleValues(mc, a, b));
        }
        break;
    case ToolId::ThreePointArc:
        if (n >= ArcPoint::Count) {
            if (const auto arc =
                    ArcThroughPoints(p[ArcPoint::Start], p[ArcPoint::Middle], p[ArcPoint::End])) {
                const ArcValues a = ArcValuesOf(mc, *arc);
                Put(v, MeasureColumn::Radius, a.radius);
                Put(v, MeasureColumn::Angle, a.degrees);
                Put(v, MeasureColumn::Length, a.length);
            }
        }
        break;
    case ToolId::Rectangle:
        if (n >= RectanglePoint::Count) {
            const RectangleValues r =
                RectangleValuesOf(mc, p[RectanglePoint::First], p[RectanglePoint::Opposite]);
            Put(v, MeasureColumn::Area, r.area);
            Put(v, MeasureColumn::Width, r.width);
            Put(v, MeasureColumn::Height, r.height);
        }
        break;
    default:
        break;
    }
}

// Seven significant digits: more than any label shows. The lengths and
// angles are made with π taken as 3.1415926, good to eight digits, so an
// eighth or ninth digit would show that rounding (a right angle read
// 90.0000015) rather than anything on the picture.
QString Number(double v) {
    return std::isfinite(v) ? QString::number(v, 'g', 7) : QString();
}

QString CsvField(const QString& cell) {
    if (!cell.contains(QLatin1Char(',')) && !cell.contains(QLatin1Char('"')) &&
        !cell.contains(QLatin1Char('\n')) && !cell.contains(QLatin1Char('\r')))
        return cell;
    QString quoted = cell;
    quoted.replace(QLatin1String("\""), QLatin1String("\"\""));
    return QLatin1Char('"') + quoted + QLatin1Char('"');
}

} // namespace

QStringList MeasurementHeader() {
    QStringList header{QStringLiteral("kind")};
    for (const char* value :
         {"length", "area", "radius", "circumference", "width", "height", "angle"})
        header << QLatin1String(value) << QLatin1String(value) + QLatin1String("_unit");
    header << QStringLiteral("magnification") << QStringLiteral("pixel_size")
           << QStringLiteral("pixel_size_unit") << QStringLiteral("picture")
           << QStringLiteral("label");
    return header;
}

QString MeasurementKindName(int32_t kind, ShapeNumbering numbering) {
    if (const auto k = FindKind(kind, numbering)) return k->name;
    return QStringLiteral("shape %1").arg(kind);
}

QVector<MeasurementRow> MeasurementRows(const ShapeList& shapes,
                                        const MeasurementExportContext& ctx) {
    QVector<MeasurementRow> rows;
    for (const CMeasureShape& shape : shapes.shapes()) {
        MeasurementRow row;
        const std::optional<KindInfo> kind = FindKind(shape.kind, ctx.numbering);
        row.kind = MeasurementKindName(shape.kind, ctx.numbering);
        const MeasureContext& mc = shape.context(ctx.measure);
        row.unit = UnitFor(mc.unit).storedName();
        row.magnification =
            shape.measuredWith && mc.magnification != LeadingNumber(ctx.magnification)
                ? Number(mc.magnification)
                : ctx.magnification;
        // What one pixel of the picture measured: rows can be related to it.
        if (mc.valid()) {
            row.pixelSize = Number(mc.Length(1.0));
            row.pixelSizeUnit = row.unit;
        }
        row.picture = ctx.picture;
        row.label = DrawnTexts(shape, ctx).join(QLatin1Char(' '));
        // A shape drawn without measuring carries blank labels and no values.
        const bool measured = std::any_of(shape.labels.cbegin(), shape.labels.cend(),
                                          [](const QString& l) { return !l.isEmpty(); });
        if (kind && kind->tool && measured) {
            Values v;
            ShapeValues(shape, *kind->tool, ctx.numbering, mc, v);
            for (int c = 0; c < int(MeasureColumn::Count); ++c) {
                if (!v[c] || Number(*v[c]).isEmpty()) continue;
                row.values[c] = Number(*v[c]);
                row.units[c] = c == int(MeasureColumn::Angle)  ? QStringLiteral("deg")
                               : c == int(MeasureColumn::Area) ? row.unit + QLatin1Char('2')
                                                               : row.unit;
            }
        }
        rows << row;
    }
    return rows;
}

QStringList MeasurementCells(const MeasurementRow& row) {
    QStringList cells{row.kind};
    for (int c = 0; c < int(MeasureColumn::Count); ++c)
        cells << row.values[c] << row.units[c];
    cells << row.magnification << row.pixelSize << row.pixelSizeUnit << row.picture << row.label;
    return cells;
}

QByteArray MeasurementsCsv(const QVector<MeasurementRow>& rows) {
    QString out;
    auto line = [&out](const QStringList& cells) {
        QStringList fields;
        for (const QString& c : cells)
            fields << CsvField(c);
        out += fields.join(QLatin1Char(',')) + QLatin1String("\r\n");
    };
    line(MeasurementHeader());
    for (const MeasurementRow& row : rows)
        line(MeasurementCells(row));
    return out.toUtf8();
}

QString MeasurementsTsv(const QVector<MeasurementRow>& rows) {
    QString out;
    auto line = [&out](QStringList cells) {
        for (QString& c : cells) {
            c.replace(QLatin1Char('\t'), QLatin1Char(' '));
            c.replace(QLatin1Char('\r'), QLatin1Char(' '));
            c.replace(QLatin1Char('\n'), QLatin1Char(' '));
        }
        out += cells.join(QLatin1Char('\t')) + QLatin1Char('\n');
    };
    line(MeasurementHeader());
    for (const MeasurementRow& row : rows)
        line(MeasurementCells(row));
    return out;
}

bool WriteMeasurementsCsv(const QString& path, const QVector<MeasurementRow>& rows,
                          QString* reason) {
    QSaveFile file(path);
    const QByteArray bytes = MeasurementsCsv(rows);
    if (!file.open(QIODevice::WriteOnly) || file.write(bytes) != bytes.size() || !file.commit()) {
        if (reason) *reason = file.errorString();
        file.cancelWriting();
        return false;
    }
    return true;
}

} // namespace tvx

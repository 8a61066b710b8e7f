#include "measure/measure_export.h"

#include "measure/tool_registry.h"

#include <QSaveFile>
#include <algorithm>
#include <cmath>

namespace tvx {

namespace {

// A kind's word and the tool that made it (nothing for a text note), as the
// tool registry describes it; nothing for a number neither numbering knows.
struct KindInfo {
    QString name;
    const ToolRow* tool = nullptr;
};
std::optional<KindInfo> FindKind(int32_t kind, ShapeNumbering numbering) {
    if (numbering == ShapeNumbering::Canvas && kind == int32_t(ShapeKind::Text))
        return KindInfo{QStringLiteral("text"), nullptr};
    const ToolRow* r =
        numbering == ShapeNumbering::Live ? ToolOfLiveKind(kind) : ToolOfCanvasKind(kind);
    if (!r) return std::nullopt;
    return KindInfo{QLatin1String(r->name), r};
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
            MeasuredValues v;
            kind->tool->does->values(shape, ctx.numbering, mc, v);
            for (int c = 0; c < int(MeasureColumn::Count); ++c) {
                if (!v.v[c] || Number(*v.v[c]).isEmpty()) continue;
                row.values[c] = Number(*v.v[c]);
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

#include "measure/measure_export.h"

#include "measure/measure_tools.h"

#include <QRegularExpression>
#include <QSaveFile>

namespace tvx {

namespace {

struct KindName {
    int32_t kind;
    const char* name;
};

constexpr KindName kLiveKinds[] = {
    {LiveKind::Line, "line"},
    {LiveKind::ContinuousLine, "continuous line"},
    {LiveKind::PointToLine, "point to line"},
    {LiveKind::Polygon, "polygon"},
    {LiveKind::RadiusCircle, "radius circle"},
    {LiveKind::DiameterCircle, "diameter circle"},
    {LiveKind::ThreePointCircle, "three-point circle"},
    {LiveKind::ThreePointArc, "three-point arc"},
    {LiveKind::ThreePointAngle, "three-point angle"},
    {LiveKind::FourPointAngle, "four-point angle"},
};

constexpr KindName kCanvasKinds[] = {
    {int32_t(ShapeKind::Text), "text"},
    {int32_t(ShapeKind::Line), "line"},
    {int32_t(ShapeKind::ContinuousLine), "continuous line"},
    {int32_t(ShapeKind::Polygon), "polygon"},
    {int32_t(ShapeKind::ThreePointAngle), "three-point angle"},
    {int32_t(ShapeKind::RadiusCircle), "radius circle"},
    {int32_t(ShapeKind::DiameterCircle), "diameter circle"},
    {int32_t(ShapeKind::Rectangle), "rectangle"},
    {int32_t(ShapeKind::ThreePointCircle), "three-point circle"},
    {int32_t(ShapeKind::FourPointAngle), "four-point angle"},
};

// The letter before a label's number and the column it names.
struct Prefix {
    const char* text;
    MeasureColumn column;
};
constexpr Prefix kPrefixes[] = {
    {"L:", MeasureColumn::Length},    {"T:", MeasureColumn::Length},
    {"Arc:", MeasureColumn::Length},  {"A:", MeasureColumn::Area},
    {"R:", MeasureColumn::Radius},    {"G:", MeasureColumn::Circumference},
    {"W:", MeasureColumn::Width},     {"H:", MeasureColumn::Height},
    {"Angle:", MeasureColumn::Angle},
};

// The number as the label prints it: sign, digits, point, digits.
QString NumberAt(const QString& text, int from) {
    static const QRegularExpression number(QStringLiteral("^[-+]?[0-9]+(\\.[0-9]+)?"));
    const QRegularExpressionMatch m = number.match(text.mid(from));
    return m.hasMatch() ? m.captured(0) : QString();
}

bool IsContinuousLine(int32_t kind, ShapeNumbering numbering) {
    return numbering == ShapeNumbering::Live ? kind == LiveKind::ContinuousLine
                                             : kind == int32_t(ShapeKind::ContinuousLine);
}
bool IsText(int32_t kind, ShapeNumbering numbering) {
    return numbering == ShapeNumbering::Canvas && kind == int32_t(ShapeKind::Text);
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
    if (IsContinuousLine(shape.kind, ctx.numbering))
        if (const auto total = ContinuousLineTotalLabel(ctx.measure, shape.labels)) out << *total;
    return out;
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
    return {
        QStringLiteral("kind"),          QStringLiteral("length"),        QStringLiteral("area"),
        QStringLiteral("radius"),        QStringLiteral("circumference"), QStringLiteral("width"),
        QStringLiteral("height"),        QStringLiteral("angle_deg"),     QStringLiteral("unit"),
        QStringLiteral("magnification"), QStringLiteral("picture"),       QStringLiteral("label")};
}

QString MeasurementKindName(int32_t kind, ShapeNumbering numbering) {
    if (numbering == ShapeNumbering::Live) {
        for (const KindName& k : kLiveKinds)
            if (k.kind == kind) return QLatin1String(k.name);
    } else {
        for (const KindName& k : kCanvasKinds)
            if (k.kind == kind) return QLatin1String(k.name);
    }
    return QStringLiteral("shape %1").arg(kind);
}

QVector<MeasurementRow> MeasurementRows(const ShapeList& shapes,
                                        const MeasurementExportContext& ctx) {
    QVector<MeasurementRow> rows;
    for (const CMeasureShape& shape : shapes.shapes()) {
        MeasurementRow row;
        row.kind = MeasurementKindName(shape.kind, ctx.numbering);
        row.unit = ctx.measure.unit;
        row.magnification = ctx.magnification;
        row.picture = ctx.picture;
        const QStringList texts = DrawnTexts(shape, ctx);
        row.label = texts.join(QLatin1Char(' '));
        if (!IsText(shape.kind, ctx.numbering)) {
            for (const QString& text : texts) {
                bool named = false;
                for (const Prefix& p : kPrefixes) {
                    const QLatin1String prefix(p.text);
                    if (!text.startsWith(prefix)) continue;
                    named = true;
                    QString& cell = row.values[int(p.column)];
                    if (cell.isEmpty()) cell = NumberAt(text, int(prefix.size()));
                    break;
                }
                // A bare number with a degree sign is an angle; a bare
                // length is a continuous line's segment, summed in its total.
                if (!named && text.endsWith(QChar(0x00B0)))
                    row.values[int(MeasureColumn::Angle)] = NumberAt(text, 0);
            }
            // A continuous line whose total is not drawn (a freehand line
            // or one still missing its last label) has no length.
        }
        rows << row;
    }
    return rows;
}

QStringList MeasurementCells(const MeasurementRow& row) {
    QStringList cells{row.kind};
    for (const QString& v : row.values)
        cells << v;
    cells << row.unit << row.magnification << row.picture << row.label;
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

#pragma once

#include "measure/geometry.h"
#include "measure/shape_list.h"

#include <QByteArray>
#include <QString>
#include <QStringList>
#include <QVector>

namespace tvx {

// The measurements of one picture as a table: one row per shape, each
// measured value in a column of its own as a plain number (C locale, the
// digits the label shows), then the length unit, the magnification, the
// picture's name and the label text exactly as drawn. Spreadsheets read it;
// nothing in it depends on the user's locale.

// Which numbering the shapes' kinds follow: the live view numbers them by
// its tools, the stored-picture canvas by ShapeKind.
enum class ShapeNumbering { Live, Canvas };

struct MeasurementExportContext {
    ShapeNumbering numbering = ShapeNumbering::Live;
    // Gives the unit column and, for the live view, the unit and decimals
    // of the continuous line's total as it is drawn.
    MeasureContext measure;
    QString magnification; // as the user sees it, e.g. "60.0"
    QString picture;       // the picture's name
};

// Column of each measured value. Areas are in the unit squared, angles in
// degrees; an arc's length goes under length.
enum class MeasureColumn : int {
    Length = 0,
    Area,
    Radius,
    Circumference,
    Width,
    Height,
    Angle,
    Count
};

struct MeasurementRow {
    QString kind;                              // a fixed English word, e.g. "line"
    QString values[int(MeasureColumn::Count)]; // empty where the shape has no such value
    QString unit;
    QString magnification;
    QString picture;
    QString label; // the drawn label lines, separated by one space
};

// Column names, as the first row of an export.
QStringList MeasurementHeader();
// The kind's word; "shape <n>" for a number neither numbering knows.
QString MeasurementKindName(int32_t kind, ShapeNumbering numbering);
// The rows of the finished shapes, oldest first.
QVector<MeasurementRow> MeasurementRows(const ShapeList& shapes,
                                        const MeasurementExportContext& ctx);
// The cells of a row in header order.
QStringList MeasurementCells(const MeasurementRow& row);

// Comma-separated, header first, CRLF line ends, a field quoted when it
// holds a comma, quote or line break (quotes doubled); UTF-8 without a
// byte-order mark.
QByteArray MeasurementsCsv(const QVector<MeasurementRow>& rows);
// Tab-separated for the clipboard, header first, one line per row; tabs
// and line breaks inside a cell become spaces.
QString MeasurementsTsv(const QVector<MeasurementRow>& rows);

// Writes the CSV to `path` at once or not at all: a place that cannot be
// written leaves no partial file and no trace of one. False with the reason.
bool WriteMeasurementsCsv(const QString& path, const QVector<MeasurementRow>& rows,
                          QString* reason);

} // namespace tvx

#pragma once

#include "measure/geometry.h"
#include "measure/shape_list.h"

#include <QByteArray>
#include <QString>
#include <QStringList>
#include <QVector>

namespace tvx {

// The measurements of one picture as a table, one row per shape:
//
//   kind, length, length_unit, area, area_unit, radius, radius_unit,
//   circumference, circumference_unit, width, width_unit, height,
//   height_unit, angle, angle_unit, magnification, pixel_size,
//   pixel_size_unit, picture, label
//
// Each value is worked out from the shape's points, not read back from its
// label, and written with seven significant digits (C locale, "%.7g"), so
// a label's 2 to 5 decimals lose nothing. Beside each value stands its own
// unit: the length unit for lengths ("um", "mm", "cm", "mil", "inch"), that
// unit with a 2 for areas ("mm2"), "deg" for angles; both cells are empty
// where the shape has no such value. The magnification is the one the values
// were worked out with, the pixel size the length of one picture pixel at
// it (in the length unit); the label is the text exactly as drawn. Nothing in it
// depends on the user's locale.

// Which numbering the shapes' kinds follow: the live view numbers them by
// its tools, the stored-picture canvas by ShapeKind.
enum class ShapeNumbering { Live, Canvas };

struct MeasurementExportContext {
    ShapeNumbering numbering = ShapeNumbering::Live;
    // The unit, scale and magnification of shapes that do not carry their
    // own (CMeasureShape::measuredWith), and the decimals of a live
    // continuous line's total as it is drawn.
    MeasureContext measure;
    QString magnification; // as the user sees it, e.g. "60.0"
    QString picture;       // the picture's name
};

// Column of each measured value. An arc's length goes under length.
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
    QString units[int(MeasureColumn::Count)];  // each value's unit; empty with its value
    QString unit;                              // the length unit the shape was measured in
    QString magnification;
    QString pixelSize;     // the length one picture pixel measured
    QString pixelSizeUnit; // the length unit; empty with no pixel size
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

#include "ui/measure/measurement_export_prompts.h"

#include "platform/language.h"
#include "platform/prompts.h"
#include "ui/skin/error_sink.h"

#include <QClipboard>
#include <QDir>
#include <QFileInfo>
#include <QGuiApplication>

namespace tvx {

namespace {

bool AnyRows(Prompts& prompts, const QString& messageTitle, const QVector<MeasurementRow>& rows) {
    if (!rows.isEmpty()) return true;
    ShowMessage(prompts, messageTitle,
                Text("NoMeasurements", "There are no measurements to export."),
                Prompts::Icon::Information);
    return false;
}

} // namespace

bool ExportMeasurementsAs(Prompts& prompts, const QString& messageTitle,
                          const QString& proposedPath, const QVector<MeasurementRow>& rows) {
    if (!AnyRows(prompts, messageTitle, rows)) return false;
    QString filter;
    QString path =
        prompts.SaveFileName(Text("ExportMeasures", "Export measurements..."), proposedPath,
                             Text("CsvFiles", "CSV files (*.csv)"), &filter);
    if (path.isEmpty()) return false;
    if (QFileInfo(path).suffix().isEmpty()) path += QStringLiteral(".csv");
    QString reason;
    if (WriteMeasurementsCsv(path, rows, &reason)) return true;
    ShowMessage(prompts, messageTitle,
                Text("ExportMeasuresFail", "The measurements could not be saved in:") +
                    QLatin1Char('\n') + QDir::toNativeSeparators(path) + QLatin1Char('\n') + reason,
                Prompts::Icon::Warning);
    return false;
}

bool CopyMeasurements(Prompts& prompts, const QString& messageTitle,
                      const QVector<MeasurementRow>& rows) {
    if (!AnyRows(prompts, messageTitle, rows)) return false;
    QGuiApplication::clipboard()->setText(MeasurementsTsv(rows));
    return true;
}

} // namespace tvx

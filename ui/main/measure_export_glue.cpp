#include "ui/main/measure_export_glue.h"

#include "capture/capture_engine.h"
#include "platform/language.h"
#include "platform/prompts.h"
#include "platform/settings.h"
#include "ui/main/main_window.h"

#include <QAction>
#include <QClipboard>
#include <QDateTime>
#include <QDir>
#include <QFileInfo>
#include <QGuiApplication>

namespace tvx {

MeasureExportCommands::MeasureExportCommands(MainWindow& window)
    : QObject(&window), window_(window) {
    connect(window.commands().action(ids::kExportMeasures), &QAction::triggered, this,
            [this] { Export(); });
    connect(window.commands().action(ids::kCopyMeasures), &QAction::triggered, this,
            [this] { Copy(); });
}

QVector<MeasurementRow> MeasureExportCommands::Rows() const {
    const CaptureSize size = CurrentCaptureSize();
    const SettingsValues settings = Settings();
    // The magnification the live measurements are made with: the calibrated
    // value where there is one, else the nominal one.
    const QString calibrated = window_.calibrationText();
    const QString magnification =
        LeadingNumber(calibrated) != 0 ? calibrated : window_.magnificationText();

    MeasurementExportContext ctx;
    ctx.numbering = ShapeNumbering::Live;
    ctx.measure = CurrentMeasureContext(QSize(size.width, size.height),
                                        LeadingNumber(magnification), settings);
    ctx.magnification = magnification;
    // Live measurements belong to the pictures taken while they stand: the
    // newest still is the one they were last drawn into.
    const QString still = window_.lastSavedStill();
    ctx.picture = still.isEmpty() ? QString() : QFileInfo(still).fileName();
    QVector<MeasurementRow> rows;
    window_.liveShapes().Draw([&](const ShapeList& list) { rows = MeasurementRows(list, ctx); });
    return rows;
}

bool MeasureExportCommands::haveShapes() const {
    bool any = false;
    window_.liveShapes().Draw([&](const ShapeList& list) { any = list.HasShapes(); });
    if (!any)
        prompts().Message(window_.messageTitle(),
                          Text("NoMeasurements", "There are no measurements to export."),
                          Prompts::Icon::Information);
    return any;
}

bool MeasureExportCommands::Export() {
    if (!haveShapes()) return false;
    const QString proposed =
        window_.storage().picture + QStringLiteral("/Measurements_") +
        QDateTime::currentDateTime().toString(QStringLiteral("yyyy-MM-dd_HHmmss")) +
        QStringLiteral(".csv");
    QString filter;
    QString path = prompts().SaveFileName(Text("ExportMeasures", "Export measurements..."),
                                          proposed, Text("CsvFiles", "CSV files (*.csv)"), &filter);
    if (path.isEmpty()) return false;
    if (QFileInfo(path).suffix().isEmpty()) path += QStringLiteral(".csv");
    QString reason;
    if (WriteMeasurementsCsv(path, Rows(), &reason)) return true;
    prompts().Message(window_.messageTitle(),
                      Text("ExportMeasuresFail", "The measurements could not be saved in:") +
                          QLatin1Char('\n') + QDir::toNativeSeparators(path) + QLatin1Char('\n') +
                          reason,
                      Prompts::Icon::Warning);
    return false;
}

bool MeasureExportCommands::Copy() {
    if (!haveShapes()) return false;
    QGuiApplication::clipboard()->setText(MeasurementsTsv(Rows()));
    return true;
}

} // namespace tvx

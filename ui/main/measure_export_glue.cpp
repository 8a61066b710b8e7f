#include "ui/main/measure_export_glue.h"

#include "capture/capture_engine.h"
#include "platform/settings.h"
#include "ui/main/main_window.h"
#include "ui/measure/measurement_export_prompts.h"

#include <QAction>
#include <QDateTime>
#include <QFileInfo>

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

bool MeasureExportCommands::Export() {
    const QString proposed =
        window_.storage().picture + QStringLiteral("/Measurements_") +
        QDateTime::currentDateTime().toString(QStringLiteral("yyyy-MM-dd_HHmmss")) +
        QStringLiteral(".csv");
    return ExportMeasurementsAs(window_.messageTitle(), proposed, Rows());
}

bool MeasureExportCommands::Copy() {
    return CopyMeasurements(window_.messageTitle(), Rows());
}

} // namespace tvx

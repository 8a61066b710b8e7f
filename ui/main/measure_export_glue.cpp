#include "ui/main/measure_export_glue.h"

#include "measure/calibration.h"
#include "platform/settings.h"
#include "session/capture_session.h"
#include "session/live_shapes.h"
#include "ui/main/command_table.h"
#include "ui/main/magnification_boxes.h"
#include "ui/main/still_commands.h"
#include "ui/measure/measurement_export_prompts.h"

#include <QAction>
#include <QDateTime>
#include <QFileInfo>

namespace tvx {

MeasureExportCommands::MeasureExportCommands(Context context, QObject* parent)
    : QObject(parent), c_(std::move(context)) {
    setObjectName(QStringLiteral("measureExport"));
    connect(c_.commands.action(ids::kExportMeasures), &QAction::triggered, this,
            [this] { Export(); });
    connect(c_.commands.action(ids::kCopyMeasures), &QAction::triggered, this, [this] { Copy(); });
}

QVector<MeasurementRow> MeasureExportCommands::Rows() const {
    const SettingsValues settings = c_.settings.values();
    // The magnification the live measurements are made with: the calibrated
    // value where there is one, else the nominal one.
    const QString calibrated = c_.boxes.calibrationText();
    const QString magnification =
        LeadingNumber(calibrated) != 0 ? calibrated : c_.boxes.magnificationText();

    MeasurementExportContext ctx;
    ctx.numbering = ShapeNumbering::Live;
    ctx.measure = CurrentMeasureContext(c_.session.captureSize(), LeadingNumber(magnification),
                                        settings, c_.boxes.calibration().scope);
    ctx.magnification = magnification;
    // Live measurements belong to the pictures taken while they stand: the
    // newest still is the one they were last drawn into.
    const QString still = c_.stills.lastSaved();
    ctx.picture = still.isEmpty() ? QString() : QFileInfo(still).fileName();
    QVector<MeasurementRow> rows;
    c_.shapes.Draw([&](const ShapeList& list) { rows = MeasurementRows(list, ctx); });
    return rows;
}

bool MeasureExportCommands::Export() {
    const QString proposed =
        c_.pictureFolder + QStringLiteral("/Measurements_") +
        QDateTime::currentDateTime().toString(QStringLiteral("yyyy-MM-dd_HHmmss")) +
        QStringLiteral(".csv");
    return ExportMeasurementsAs(c_.prompts, c_.messageTitle, proposed, Rows());
}

bool MeasureExportCommands::Copy() {
    return CopyMeasurements(c_.prompts, c_.messageTitle, Rows());
}

} // namespace tvx

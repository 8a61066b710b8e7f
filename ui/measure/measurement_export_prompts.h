#pragma once

#include "measure/measure_export.h"

#include <QString>
#include <QVector>

namespace tvx {

class Prompts;

// "Export measurements..." and "Copy measurements" as every measuring
// surface offers them. `rows` holds one row per finished shape; without any
// the user is told there is nothing to export, and nothing else happens.
// Messages go out under `messageTitle`. UI thread.

// Asks where to write the CSV, proposing `proposedPath`, writes it and tells
// the user when the place cannot be written. True when a file was written.
bool ExportMeasurementsAs(Prompts& prompts, const QString& messageTitle,
                          const QString& proposedPath, const QVector<MeasurementRow>& rows);
// Puts the rows on the clipboard as tab-separated text.
bool CopyMeasurements(Prompts& prompts, const QString& messageTitle,
                      const QVector<MeasurementRow>& rows);

} // namespace tvx

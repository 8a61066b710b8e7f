#pragma once

#include "measure/measure_export.h"

#include <QObject>

namespace tvx {

class SettingsStore;

class CaptureSession;
class Prompts;
class CommandActions;
class LiveShapes;
class MagnificationBoxes;
class StillCommands;

// "Export measurements…" and "Copy measurements" of the live measuring
// menu: the live shapes as a CSV file where the user chooses, or as
// tab-separated text on the clipboard. UI thread.
class MeasureExportCommands : public QObject {
    Q_OBJECT
public:
    struct Context {
        CommandActions& commands;
        const LiveShapes& shapes;
        const CaptureSession& session; // the capture size the shapes are measured at
        const MagnificationBoxes& boxes;
        const StillCommands& stills; // the newest still names the pictures measured
        Prompts& prompts;
        const SettingsStore& settings;
        QString pictureFolder;
        QString messageTitle;
    };
    MeasureExportCommands(Context context, QObject* parent);

    // The rows of the live measurements as they are drawn now.
    QVector<MeasurementRow> Rows() const;
    // Asks where, then writes; tells the user when there is nothing to
    // export or the place cannot be written. True when a file was written.
    bool Export();
    // Puts the rows on the clipboard; false (and a message) without shapes.
    bool Copy();

private:
    Context c_;
};

} // namespace tvx

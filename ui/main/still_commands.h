#pragma once

#include "capture/frame_types.h"
#include "session/still_saver.h"

#include <QObject>
#include <QString>
#include <functional>

class QWidget;

namespace tvx {

class SettingsStore;

class Prompts;

class CaptureSession;
class CommandActions;
class MagnificationBoxes;
class StillFeedback;
class StillFormatChoice;

// Stills from every source (the camera command and F2, the microscope's
// button, the time-lapse series, a focus stack): written with the guides
// and measurements drawn in, in the chosen format, and announced. UI thread.
class StillCommands : public QObject {
    Q_OBJECT
public:
    struct Context {
        CaptureSession& session;
        CommandActions& commands;
        MagnificationBoxes& boxes;
        StillFeedback& feedback;
        Prompts& prompts;
        SettingsStore& settings;
        QString pictureFolder;
        QString messageTitle;
        // A recording runs: a still then restarts the preview it shares.
        std::function<bool()> recording;
    };
    StillCommands(Context context, QWidget* window);

    // Guides and live measurements drawn into every still.
    OverlayCompositor& overlays() { return overlays_; }
    // Writes a picture as a still of the Picture folder, under the usual
    // name and counter, without announcing it.
    StillSaveResult Write(const StillPicture& still);
    // A still written elsewhere (a focus stack) is announced as one of ours.
    void Announce(const QString& path);
    QString lastSaved() const { return lastSaved_; }

signals:
    // A still picture was written; features that list files add it.
    void saved(const QString& path);

private:
    void take();
    void save(StillSource source);

    Context c_;
    QWidget* window_;
    StillFormatChoice* format_;
    OverlayCompositor overlays_;
    StillSaver saver_;
    QString lastSaved_;
};

} // namespace tvx

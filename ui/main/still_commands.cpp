#include "ui/main/still_commands.h"

#include "measure/calibration.h"
#include "platform/language.h"
#include "session/capture_session.h"
#include "ui/main/command_table.h"
#include "ui/main/magnification_boxes.h"
#include "ui/main/still_feedback.h"
#include "ui/main/still_format.h"
#include "ui/skin/error_sink.h"
#include "ui/skin/skin.h"

#include <QAction>
#include <QDateTime>
#include <QWidget>

namespace tvx {

StillCommands::StillCommands(Context context, QWidget* window)
    : QObject(window), c_(std::move(context)), window_(window) {
    setObjectName(QStringLiteral("stillCommands"));
    saver_.SetFolder(c_.pictureFolder);
    MagnificationBoxes& boxes = c_.boxes;
    format_ = new StillFormatChoice(
        c_.commands.action(ids::kStillTiff),
        [&boxes] {
            return StillFormatChoice::Magnification{boxes.calibrationText(),
                                                    boxes.magnificationText()};
        },
        c_.settings, boxes.calibration().scope, this);
    connect(c_.commands.action(ids::kCamera), &QAction::triggered, this, [this] { take(); });
    connect(&c_.session, &CaptureSession::stillRequested, this, &StillCommands::save);
}

void StillCommands::take() {
    if (c_.session.isPreviewRunning())
        c_.session.RequestStill();
    else
        ShowMessage(c_.prompts, window_->windowTitle(),
                    Text("BrowseToCamera", "Please return to the preview state"),
                    Prompts::Icon::Warning);
}

StillSaveResult StillCommands::Write(const StillPicture& still) {
    const StillSaveResult result =
        saver_.Save(still, c_.boxes.magnificationText(), QDateTime::currentDateTime(), &overlays_,
                    format_->For(QSize(still.width, still.height)));
    for (int i = 0; i < result.matchingFolders; ++i)
        ShowPictureFolderError(c_.prompts);
    return result;
}

void StillCommands::save(StillSource source) {
    const StillSaveResult result = Write(c_.session.frameSink().TakeStill());
    if (!result.saved()) {
        // A picture the user asked for must not vanish silently, however
        // often it fails; and no shutter for a picture that was not taken.
        c_.feedback.Failed(source, c_.messageTitle, result.reason);
        return;
    }
    c_.feedback.Saved(source);
    if (c_.recording() || source == StillSource::Microscope) c_.session.RestartPreview();
    Announce(result.path);
}

void StillCommands::Announce(const QString& path) {
    PlaySkinSound(kSoundShutter);
    lastSaved_ = path;
    emit saved(path);
}

} // namespace tvx

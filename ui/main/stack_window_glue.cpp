// Focus stacking, plugged into the window: a stack is saved as the window
// saves every still.
#include "platform/language.h"
#include "ui/main/main_window.h"
#include "ui/main/stack_glue.h"
#include "ui/main/still_feedback.h"
#include "ui/main/still_format.h"
#include "ui/skin/error_sink.h"
#include "ui/skin/skin.h"

namespace tvx {

void MainWindow::plugStacking() {
    StackFeature::Hooks h;
    h.canStart = [this] {
        if (session_->isConnected() && inPreviewState()) return true;
        warn(windowTitle(), "BrowseToCamera", "Please return to the preview state");
        return false;
    };
    h.saveStill = [this](const StillPicture& still) {
        const StillSaveResult result =
            stillSaver_.Save(still, magnificationText(), QDateTime::currentDateTime(),
                             &stillOverlays_, stillFormat_->For(QSize(still.width, still.height)));
        for (int i = 0; i < result.matchingFolders; ++i)
            ShowPictureFolderError();
        return result;
    };
    h.saved = [this](const QString& path) {
        PlaySkinSound(kSoundShutter);
        lastSavedStill_ = path;
        // The stack is shown among the pictures, whichever list was open.
        setListMode(1);
        emit stillSaved(path);
    };
    h.failed = [this](const QString& reason) {
        ShowMessage(msgTitle_, reason, Prompts::Icon::Warning);
    };
    stack_ = std::make_unique<StackFeature>(*commands_, liveView_, session_->frameSink(), this,
                                            std::move(h));
}

} // namespace tvx

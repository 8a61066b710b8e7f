// Saving the still picture that a frame was kept for.
#include "capture/capture_engine.h"
#include "imaging/cximage.h"
#include "imaging/dib.h"
#include "platform/language.h"
#include "platform/prompts.h"
#include "session/still_names.h"
#include "ui/main/main_window.h"
#include "ui/skin/skin.h"

#include <QDateTime>
#include <QDir>
#include <QPainter>

namespace tvx {

void MainWindow::SetOverlay(LiveLayer layer, LiveOverlay* overlay) {
    overlays_[int(layer)] = overlay;
    liveView_->surface().SetOverlay(layer, overlay);
}

void MainWindow::SaveStill(bool fromHardware) {
    StillFlags& flags = stillFlags();
    // Every frame posts again while a request stands. Only the first message
    // of a request saves; the rest find the request cleared and are dropped,
    // so one request gives exactly one picture. A save is never re-entered
    // (a message box inside it runs the event loop).
    if (saving_ || flags.request.load() == 0) return;
    saving_ = true;
    flags.request.store(0);

    const qint64 counter = NextPictureCounter(storage_.picture);
    const QString name = StillPictureName(storage_.picture, QDateTime::currentDateTime(),
                                          magnificationText(), counter);
    const double scale = (CaptureWidth() == 320 && CaptureHeight() == 240) ? 0.5 : 1.0;

    bool saved = false;
    StillPicture still = sink_.TakeStill();
    if (!still.empty()) {
        QImage picture =
            ImageFromBottomUpBgr(still.pixels.data(), still.width, still.height, still.stride);
        if (!picture.isNull()) {
            QPainter painter(&picture);
            for (LiveLayer layer : {LiveLayer::CrossLine, LiveLayer::Ruler, LiveLayer::CircleGrid})
                if (LiveOverlay* o = overlays_[int(layer)])
                    o->Draw(painter, picture.size(), 1.0, 1.0);
            if (LiveOverlay* shapes = overlays_[int(LiveLayer::Shapes)])
                shapes->Draw(painter, picture.size(), scale, scale);
            painter.end();
            CxImage image(kImageTypeNone);
            image.CreateFromHBITMAP(picture);
            saved = image.Save(name, kImageTypeBmp);
        }
        if (!saved && !saveFailureShown_) {
            // A picture the user asked for must not vanish silently.
            saveFailureShown_ = true;
            prompts().Message(msgTitle_,
                              Text("SaveStillFail", "The picture could not be saved in:") +
                                  QLatin1Char('\n') + QDir::toNativeSeparators(storage_.picture),
                              Prompts::Icon::Warning);
        }
    }
    if (saved) {
        saveFailureShown_ = false;
        lastSavedStill_ = name;
        if (recording_ || fromHardware) engine_->RestartPreview();
    }
    PlaySkinSound(kSoundShutter);
    saving_ = false;
}

} // namespace tvx

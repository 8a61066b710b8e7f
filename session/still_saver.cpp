#include "session/still_saver.h"

#include "imaging/cximage.h"
#include "imaging/dib.h"
#include "platform/language.h"
#include "session/still_names.h"

#include <QDir>
#include <QPainter>

namespace tvx {

void OverlayCompositor::Compose(QPainter& painter, const QSize& picture, double shapeScale) {
    for (LiveLayer layer : {LiveLayer::CrossLine, LiveLayer::Ruler, LiveLayer::CircleGrid})
        if (LiveOverlay* o = overlays_[int(layer)]) o->DrawOnPicture(painter, picture, 1.0);
    if (LiveOverlay* shapes = overlays_[int(LiveLayer::Shapes)])
        shapes->DrawOnPicture(painter, picture, shapeScale);
}

double StillSaver::ShapeScaleFor(int captureWidth, int captureHeight) {
    return (captureWidth == 320 && captureHeight == 240) ? 0.5 : 1.0;
}

StillSaveResult StillSaver::Save(const StillPicture& still, const QString& magnification,
                                 const QDateTime& localTime, double shapeScale,
                                 StillCompositor* compositor) const {
    StillSaveResult result;
    const qint64 counter = NextPictureCounter(folder_);
    result.path = StillPictureName(folder_, localTime, magnification, counter);
    if (still.empty()) return result;

    bool saved = false;
    QImage picture =
        ImageFromBottomUpBgr(still.pixels.data(), still.width, still.height, still.stride);
    if (!picture.isNull()) {
        if (compositor) {
            QPainter painter(&picture);
            compositor->Compose(painter, picture.size(), shapeScale);
        }
        CxImage image(kImageTypeNone);
        image.CreateFromHBITMAP(picture);
        saved = image.Save(result.path, kImageTypeBmp);
    }
    if (saved) {
        result.status = StillSaveResult::Status::Saved;
    } else {
        result.status = StillSaveResult::Status::Failed;
        result.reason = Text("SaveStillFail", "The picture could not be saved in:") +
                        QLatin1Char('\n') + QDir::toNativeSeparators(folder_);
    }
    return result;
}

} // namespace tvx

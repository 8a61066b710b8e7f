#include "session/still_saver.h"

#include "imaging/cximage.h"
#include "imaging/dib.h"
#include "platform/language.h"
#include "session/still_names.h"

#include <QDir>
#include <QPainter>
#include <cerrno>
#include <cstring>

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

namespace {

bool HasSystemReason(const QString& reason, std::initializer_list<int> errors) {
    for (int e : errors)
        if (reason.endsWith(QString::fromLocal8Bit(std::strerror(e)))) return true;
    return false;
}

} // namespace

QString StillFailureText(const QString& folder, const QString& systemReason) {
    QString cause;
    if (HasSystemReason(systemReason, {ENOSPC, EDQUOT}))
        cause = Text("DiskFull", "The disk is full.");
    else if (HasSystemReason(systemReason, {EACCES, EPERM, EROFS}))
        cause = Text("NoPermission", "There is no permission to write in this folder.");
    else if (HasSystemReason(systemReason, {ENOENT, ENOTDIR}))
        cause = Text("FolderMissing", "The folder is missing and could not be made again.");
    else
        cause = systemReason;
    return Text("SaveStillFail", "The picture could not be saved in:") + QLatin1Char('\n') +
           QDir::toNativeSeparators(folder) + QLatin1Char('\n') + cause;
}

StillSaveResult StillSaver::Save(const StillPicture& still, const QString& magnification,
                                 const QDateTime& localTime, double shapeScale,
                                 StillCompositor* compositor) const {
    StillSaveResult result;
    if (still.empty()) {
        // The folder is looked at all the same: what the scan tells the user
        // comes with every request.
        NextPictureCounter(folder_);
        result.reason = Text("NoStillFrame", "There is no picture from the microscope yet.");
        return result;
    }

    QByteArray bytes;
    QImage picture =
        ImageFromBottomUpBgr(still.pixels.data(), still.width, still.height, still.stride);
    if (!picture.isNull()) {
        if (compositor) {
            QPainter painter(&picture);
            compositor->Compose(painter, picture.size(), shapeScale);
        }
        CxImage image(kImageTypeNone);
        image.CreateFromHBITMAP(picture);
        bytes = image.Encode(kImageTypeBmp);
    }
    result.status = StillSaveResult::Status::Failed;
    if (bytes.isEmpty()) {
        result.reason =
            StillFailureText(folder_, QStringLiteral("the picture could not be encoded"));
        return result;
    }
    // Committed under a name nobody holds: a picture is never replaced, not
    // even by one saved in the same second by another instance.
    const NewFile file = SaveNewStillPicture(folder_, localTime, magnification, bytes);
    if (!file.ok()) {
        result.reason = StillFailureText(folder_, file.reason);
        return result;
    }
    result.status = StillSaveResult::Status::Saved;
    result.path = file.path;
    return result;
}

} // namespace tvx

#include "imaging/cximage.h"

#include "imaging/dib.h"
#include "imaging/jpeg_codec.h"

#include <QFile>
#include <QPainter>
#include <QSaveFile>

namespace tvx {

namespace {

// No picture the loaders accept comes near this; a larger file is refused
// before it is read into memory.
constexpr qint64 kMaxFileBytes = 512LL * 1024 * 1024;

} // namespace

int ImageTypeFromPath(const QString& path) {
    const QString tail = path.right(3);
    if (tail.compare(QLatin1String("bmp"), Qt::CaseInsensitive) == 0) return kImageTypeBmp;
    if (tail.compare(QLatin1String("jpg"), Qt::CaseInsensitive) == 0) return kImageTypeJpg;
    return kImageTypeNone;
}

CxImage::CxImage(int) {}

CxImage::CxImage(const QString& path, int type) {
    if (type != kImageTypeBmp && type != kImageTypeJpg) return;
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly) || file.size() > kMaxFileBytes) return;
    const QByteArray bytes = file.readAll();
    if (file.error() != QFileDevice::NoError) return;
    LoadFromMemory(bytes, type);
}

bool CxImage::LoadFromMemory(const QByteArray& bytes, int type) {
    image_ = QImage();
    if (type == kImageTypeBmp)
        image_ = DecodeBmp(bytes);
    else if (type == kImageTypeJpg)
        image_ = DecodeJpeg(bytes);
    return IsValid();
}

bool CxImage::CreateFromHBITMAP(const QImage& picture) {
    image_ = QImage();
    if (picture.isNull() || !ImageSizeAcceptable(picture.width(), picture.height())) return false;
    image_ = picture.convertToFormat(QImage::Format_RGB32);
    return IsValid();
}

QByteArray CxImage::Encode(int type) const {
    if (!IsValid()) return {};
    if (type == kImageTypeBmp) return EncodeBmp(image_);
    if (type == kImageTypeJpg) return EncodeJpeg(image_);
    return {};
}

bool CxImage::Save(const QString& path, int type) const {
    const QByteArray bytes = Encode(type);
    if (bytes.isEmpty()) return false;
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly)) return false;
    if (file.write(bytes) != bytes.size()) {
        file.cancelWriting();
        return false;
    }
    return file.commit();
}

void CxImage::Stretch(QPainter& painter, int x, int y, int width, int height) const {
    if (!IsValid() || width <= 0 || height <= 0) return;
    painter.save();
    painter.setCompositionMode(QPainter::CompositionMode_Source);
    painter.setRenderHint(QPainter::SmoothPixmapTransform, false);
    painter.drawImage(QRect(x, y, width, height), image_);
    painter.restore();
}

} // namespace tvx

#include "imaging/cximage.h"

#include "imaging/bmp_decoder.h"
#include "imaging/dib.h"
#include "imaging/jpeg_codec.h"
#include "platform/regular_file.h"

#include <QBuffer>
#include <QImageReader>
#include <QImageWriter>
#include <QPainter>
#include <QSaveFile>

namespace tvx {

namespace {

// No picture the loaders accept comes near this; a larger file is refused
// before it is read into memory.
constexpr qint64 kMaxFileBytes = 512LL * 1024 * 1024;

QImage DecodePng(const QByteArray& bytes, QString* why) {
    QBuffer buffer;
    buffer.setData(bytes);
    buffer.open(QIODevice::ReadOnly);
    QImageReader reader(&buffer, "png");
    reader.setDecideFormatFromContent(false);
    // The size first: a header may claim anything.
    const QSize size = reader.size();
    if (!size.isValid() || !ImageSizeAcceptable(size.width(), size.height())) {
        *why = QStringLiteral("PNG size out of range or not a PNG file");
        return {};
    }
    QImage image = reader.read();
    if (image.isNull()) {
        *why = reader.errorString();
        return {};
    }
    // Transparent parts stand on white, as on a page.
    if (image.hasAlphaChannel()) {
        QImage opaque(image.size(), QImage::Format_RGB32);
        opaque.fill(Qt::white);
        QPainter p(&opaque);
        p.drawImage(0, 0, image);
        p.end();
        return opaque;
    }
    return image.convertToFormat(QImage::Format_RGB32);
}

QByteArray EncodePng(const QImage& image) {
    QByteArray out;
    QBuffer buffer(&out);
    buffer.open(QIODevice::WriteOnly);
    QImageWriter writer(&buffer, "png");
    return writer.write(image) ? out : QByteArray();
}

} // namespace

int ImageTypeFromPath(const QString& path) {
    const auto endsWith = [&path](const char* tail) {
        return path.endsWith(QLatin1String(tail), Qt::CaseInsensitive);
    };
    if (endsWith("bmp")) return kImageTypeBmp;
    if (endsWith("jpg") || endsWith(".jpeg")) return kImageTypeJpg;
    if (endsWith("png")) return kImageTypePng;
    return kImageTypeNone;
}

CxImage::CxImage(int) {}

CxImage::CxImage(const QString& path, int type) {
    if (type != kImageTypeBmp && type != kImageTypeJpg && type != kImageTypePng) {
        error_ = QStringLiteral("not a picture type the program reads");
        return;
    }
    QFile file;
    if (!OpenRegularFileForReading(file, path, &error_)) return;
    if (file.size() > kMaxFileBytes) {
        error_ = QStringLiteral("file too large");
        return;
    }
    const QByteArray bytes = file.readAll();
    if (file.error() != QFileDevice::NoError) {
        error_ = file.errorString();
        return;
    }
    LoadFromMemory(bytes, type);
}

bool CxImage::LoadFromMemory(const QByteArray& bytes, int type) {
    image_ = QImage();
    error_.clear();
    if (type == kImageTypeBmp) {
        image_ = DecodeBmp(bytes, &error_);
    } else if (type == kImageTypeJpg) {
        image_ = DecodeJpeg(bytes);
        if (image_.isNull()) error_ = QStringLiteral("damaged or unreadable JPEG file");
    } else if (type == kImageTypePng) {
        image_ = DecodePng(bytes, &error_);
    } else {
        error_ = QStringLiteral("not a picture type the program reads");
    }
    if (IsValid()) error_.clear();
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
    if (type == kImageTypePng) return EncodePng(image_);
    return {};
}

bool CxImage::Save(const QString& path, int type) const {
    const QByteArray bytes = Encode(type);
    if (bytes.isEmpty()) {
        error_ = IsValid() ? QStringLiteral("the picture could not be encoded")
                           : QStringLiteral("no picture");
        return false;
    }
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly)) {
        error_ = file.errorString();
        return false;
    }
    if (file.write(bytes) != bytes.size()) {
        error_ = file.errorString();
        file.cancelWriting();
        return false;
    }
    if (!file.commit()) {
        error_ = file.errorString();
        return false;
    }
    error_.clear();
    return true;
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

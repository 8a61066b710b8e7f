#include "imaging/thumbnail.h"

#include "imaging/bmp_decoder.h"
#include "imaging/cximage.h"
#include "imaging/dib.h"
#include "imaging/jpeg_codec.h"
#include "platform/file_name.h"
#include "platform/regular_file.h"

#include <QFile>
#include <algorithm>
#include <cerrno>
#include <cstring>
#include <sys/stat.h>

namespace tvx {

namespace {

// No JPEG the program would show comes near this; a larger file is refused
// before it is read into memory.
constexpr qint64 kMaxJpegFileBytes = 256LL * 1024 * 1024;
constexpr qint64 kMaxPictureFileBytes = 512LL * 1024 * 1024;

// Bytes of pixels a raw BMP holds after its 54 header bytes, or -1 when
// the header describes something the list cannot draw from the raw bytes.
int64_t RawBmpPixelBytes(const QByteArray& file, QString* why) {
    BmpLayout l;
    if (!ReadBmpLayout(file, &l, why)) return -1;
    if (l.infoSize != uint32_t(BitmapInfoHeader::kBytes) ||
        l.pixelOffset != kBmpFileHeaderBytes + BitmapInfoHeader::kBytes) {
        *why = QStringLiteral("BMP layout with a colour table or a longer header");
        return -1;
    }
    if (l.bits != 24 || l.compression != 0) {
        *why = QStringLiteral("BMP is not uncompressed 24-bit");
        return -1;
    }
    const int64_t pixels = l.stride * l.rows;
    if (BitmapInfoHeader::kBytes + pixels > kThumbnailDibBytes) {
        *why = QStringLiteral("BMP too large for a thumbnail");
        return -1;
    }
    if (l.pixelOffset + pixels > file.size()) {
        *why = QStringLiteral("BMP file is cut short");
        return -1;
    }
    return pixels;
}

} // namespace

uint8_t* ThumbnailRecord::Area() {
    if (dib.size() != size_t(kThumbnailDibBytes)) dib.assign(size_t(kThumbnailDibBytes), 0);
    return dib.data();
}

void ThumbnailRecord::Clear() {
    dibSize = 0;
    flags = 0;
    path.clear();
}

QImage ThumbnailRecord::ToImage() const {
    if (dibSize < BitmapInfoHeader::kBytes || size_t(dibSize) > dib.size()) return {};
    return DecodePackedDib(dib.data(), dibSize);
}

bool PathVanished(const QString& path) {
    struct stat st;
    const QByteArray local = NativeFileName(path);
    return ::stat(local.constData(), &st) != 0 && (errno == ENOENT || errno == ENOTDIR);
}

LoadResult ReadJpegBytesToDib(const QByteArray& bytes, uint8_t* area, int areaBytes, int* outBytes,
                              QSize atLeast) {
    QString why;
    if (!DecodeJpegToDib(bytes, area, areaBytes, outBytes, atLeast, &why))
        return LoadResult::Failure(why);
    return LoadResult::Success();
}

LoadResult ReadJpegToDib(const QString& path, uint8_t* area, int areaBytes, int* outBytes,
                         QSize atLeast) {
    *outBytes = 0;
    QFile file;
    QString why;
    if (!OpenRegularFileForReading(file, path, &why)) return LoadResult::Failure(why);
    if (file.size() > kMaxJpegFileBytes)
        return LoadResult::Failure(QStringLiteral("JPEG file too large"));
    const QByteArray bytes = file.readAll();
    if (file.error() != QFileDevice::NoError) return LoadResult::Failure(file.errorString());
    return ReadJpegBytesToDib(bytes, area, areaBytes, outBytes, atLeast);
}

LoadResult LoadImageToRecord(ThumbnailRecord& record, const QImage& image, QSize atLeast) {
    record.dibSize = 0;
    if (image.isNull()) return LoadResult::Failure(QStringLiteral("no picture"));
    QImage fitted = image;
    if (atLeast.isValid() && !atLeast.isEmpty() &&
        (image.width() > atLeast.width() || image.height() > atLeast.height())) {
        // The list shows the whole picture stretched into its cell: the
        // cell's own size is all a thumbnail needs.
        fitted = image.scaled(atLeast.boundedTo(image.size()), Qt::IgnoreAspectRatio,
                              Qt::SmoothTransformation);
    }
    auto fits = [](const QImage& i) {
        return BitmapInfoHeader::kBytes + int64_t(DibStride(i.width())) * i.height() <=
               kThumbnailDibBytes;
    };
    if (!fits(fitted))
        fitted = fitted.scaled(1600, 1000, Qt::KeepAspectRatio, Qt::SmoothTransformation);
    const QByteArray file = EncodeBmp(fitted);
    if (file.size() <= kBmpFileHeaderBytes || !fits(fitted))
        return LoadResult::Failure(QStringLiteral("picture does not fit a thumbnail"));
    const qsizetype dib = file.size() - kBmpFileHeaderBytes;
    std::memcpy(record.Area(), file.constData() + kBmpFileHeaderBytes, size_t(dib));
    record.dibSize = int32_t(dib);
    return LoadResult::Success();
}

LoadResult LoadPictureBytesToRecord(ThumbnailRecord& record, const QByteArray& file, int type,
                                    QSize atLeast) {
    record.dibSize = 0;
    if (type == kImageTypeJpg) {
        int bytes = 0;
        LoadResult r = ReadJpegBytesToDib(file, record.Area(), kThumbnailDibBytes, &bytes, atLeast);
        if (r.ok()) record.dibSize = bytes;
        return r;
    }
    if (type != kImageTypeBmp && type != kImageTypePng)
        return LoadResult::Failure(QStringLiteral("not a picture the list shows"));
    constexpr int kHead = kBmpFileHeaderBytes + BitmapInfoHeader::kBytes;
    QString why;
    if (type == kImageTypeBmp && file.size() >= kHead) {
        // The common case, a 24-bit still of the program's own, is copied
        // as it is.
        const int64_t pixels = RawBmpPixelBytes(file, &why);
        if (pixels >= 0) {
            std::memcpy(record.Area(), file.constData() + kBmpFileHeaderBytes,
                        size_t(BitmapInfoHeader::kBytes + pixels));
            record.dibSize = int32_t(BitmapInfoHeader::kBytes + pixels);
            return LoadResult::Success();
        }
    }
    // Every other BMP kind, and PNG, through the image library.
    CxImage picture;
    if (!picture.LoadFromMemory(file, type)) return LoadResult::Failure(picture.LastError());
    return LoadImageToRecord(record, picture.image(), atLeast);
}

LoadResult LoadThumbnailPicture(ThumbnailRecord& record, const QString& path, QSize atLeast) {
    record.dibSize = 0;
    if (PathVanished(path)) return {LoadStatus::Vanished, QStringLiteral("file no longer exists")};
    const int type = ImageTypeFromPath(path);
    if (type == kImageTypeNone)
        return LoadResult::Failure(QStringLiteral("not a picture the list shows"));
    // Never waits on a FIFO or a device put where the picture was.
    QFile file;
    QString why;
    if (!OpenRegularFileForReading(file, path, &why)) return LoadResult::Failure(why);
    if (file.size() > (type == kImageTypeJpg ? kMaxJpegFileBytes : kMaxPictureFileBytes))
        return LoadResult::Failure(QStringLiteral("picture file too large"));
    const QByteArray bytes = file.readAll();
    if (file.error() != QFileDevice::NoError) return LoadResult::Failure(file.errorString());
    LoadResult r = LoadPictureBytesToRecord(record, bytes, type, atLeast);
    if (r.ok()) record.path = path;
    return r;
}

} // namespace tvx

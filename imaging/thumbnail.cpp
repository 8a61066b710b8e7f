#include "imaging/thumbnail.h"

#include "imaging/cximage.h"
#include "imaging/dib.h"
#include "imaging/jpeg_errors.h"
#include "platform/file_name.h"
#include "platform/regular_file.h"

#include <QFile>
#include <algorithm>
#include <cerrno>
#include <cstring>
#include <memory>
#include <sys/stat.h>

namespace tvx {

namespace {

// No JPEG the program would show comes near this; a larger file is refused
// before it is read into memory.
constexpr qint64 kMaxJpegFileBytes = 256LL * 1024 * 1024;
constexpr qint64 kMaxPictureFileBytes = 512LL * 1024 * 1024;

uint16_t GetU16(const uint8_t* p) {
    return uint16_t(p[0] | (p[1] << 8));
}
uint32_t GetU32(const uint8_t* p) {
    return uint32_t(p[0]) | (uint32_t(p[1]) << 8) | (uint32_t(p[2]) << 16) | (uint32_t(p[3]) << 24);
}

int64_t StrideFor(int64_t width, int bits) {
    return ((width * bits + 31) / 32) * 4;
}

// Bytes of pixels a raw BMP holds after its 54 header bytes, or -1 when
// the header describes something the list cannot draw from the raw bytes.
int64_t RawBmpPixelBytes(const uint8_t* head, qint64 fileSize, QString* why) {
    if (head[0] != 'B' || head[1] != 'M') {
        *why = QStringLiteral("not a BMP file");
        return -1;
    }
    const uint32_t offBits = GetU32(head + 10);
    const uint32_t infoSize = GetU32(head + 14);
    const int64_t width = int32_t(GetU32(head + 18));
    const int64_t height = int32_t(GetU32(head + 22));
    const uint16_t planes = GetU16(head + 26);
    const uint16_t bits = GetU16(head + 28);
    const uint32_t compression = GetU32(head + 30);
    if (infoSize != uint32_t(BitmapInfoHeader::kBytes) ||
        offBits != uint32_t(kBmpFileHeaderBytes + BitmapInfoHeader::kBytes)) {
        *why = QStringLiteral("BMP layout with a colour table or a longer header");
        return -1;
    }
    if (planes != 1 || bits != 24 || compression != 0) {
        *why = QStringLiteral("BMP is not uncompressed 24-bit");
        return -1;
    }
    const int64_t rows = height < 0 ? -height : height;
    if (!ImageSizeAcceptable(width, rows)) {
        *why = QStringLiteral("BMP size out of range");
        return -1;
    }
    const int64_t pixels = StrideFor(width, 24) * rows;
    if (BitmapInfoHeader::kBytes + pixels > kThumbnailDibBytes) {
        *why = QStringLiteral("BMP too large for a thumbnail");
        return -1;
    }
    if (offBits + pixels > fileSize) {
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
    const uint8_t* h = dib.data();
    const int64_t width = int32_t(GetU32(h + 4));
    const int64_t height = int32_t(GetU32(h + 8));
    const int bits = GetU16(h + 14);
    if (GetU32(h) != uint32_t(BitmapInfoHeader::kBytes) || GetU32(h + 16) != 0 ||
        (bits != 24 && bits != 8))
        return {};
    const int64_t rows = height < 0 ? -height : height;
    if (!ImageSizeAcceptable(width, rows)) return {};
    const int64_t stride = StrideFor(width, bits);
    if (BitmapInfoHeader::kBytes + stride * rows > dibSize) return {};
    QImage image(int(width), int(rows), QImage::Format_RGB32);
    if (image.isNull()) return {};
    const uint8_t* pixels = h + BitmapInfoHeader::kBytes;
    for (int y = 0; y < rows; ++y) {
        const int64_t stored = height > 0 ? rows - 1 - y : y;
        const uint8_t* src = pixels + stored * stride;
        auto* dst = reinterpret_cast<QRgb*>(image.scanLine(y));
        if (bits == 24) {
            for (int x = 0; x < width; ++x, src += 3)
                dst[x] = 0xff000000u | (uint32_t(src[2]) << 16) | (uint32_t(src[1]) << 8) | src[0];
        } else {
            // Without a colour table the list shows 8-bit rows as grey.
            for (int x = 0; x < width; ++x)
                dst[x] = 0xff000000u | (uint32_t(src[x]) * 0x010101u);
        }
    }
    return image;
}

bool PathVanished(const QString& path) {
    struct stat st;
    const QByteArray local = NativeFileName(path);
    return ::stat(local.constData(), &st) != 0 && (errno == ENOENT || errno == ENOTDIR);
}

LoadResult ReadJpegBytesToDib(const QByteArray& bytes, uint8_t* area, int areaBytes, int* outBytes,
                              QSize atLeast) {
    *outBytes = 0;
    if (bytes.size() < 4) return LoadResult::Failure(QStringLiteral("not a JPEG file"));
    // Everything touched after setjmp lives on the heap so that a jump back
    // leaves no local in an undefined state.
    auto cinfo = std::make_unique<jpeg_decompress_struct>();
    auto err = std::make_unique<jpeg_detail::ErrorManager>();
    auto progress = std::make_unique<jpeg_progress_mgr>();
    jpeg_detail::InstallErrorManager(*err);
    cinfo->err = &err->pub;
    if (setjmp(err->jump)) {
        char text[JMSG_LENGTH_MAX] = {};
        (*cinfo->err->format_message)(reinterpret_cast<j_common_ptr>(cinfo.get()), text);
        jpeg_destroy_decompress(cinfo.get());
        return LoadResult::Failure(QString::fromLatin1(text));
    }
    jpeg_create_decompress(cinfo.get());
    jpeg_detail::InstallProgressLimit(*cinfo, *progress);
    jpeg_mem_src(cinfo.get(), reinterpret_cast<const unsigned char*>(bytes.constData()),
                 static_cast<unsigned long>(bytes.size()));
    auto fail = [&](const char* why) {
        jpeg_destroy_decompress(cinfo.get());
        return LoadResult::Failure(QString::fromLatin1(why));
    };
    if (jpeg_read_header(cinfo.get(), TRUE) != JPEG_HEADER_OK) return fail("no JPEG header");
    if (!ImageSizeAcceptable(cinfo->image_width, cinfo->image_height))
        return fail("JPEG size out of range");
    if (!cinfo->arith_code) {
        // Huffman coding spends at least one bit on each 8 × 8 block, so a
        // file shorter than that is cut short: refuse it before decoding.
        const qint64 blocks =
            qint64((cinfo->image_width + 7) / 8) * qint64((cinfo->image_height + 7) / 8);
        if (qint64(bytes.size()) * 8 < blocks) return fail("JPEG file is cut short");
    }
    const bool grey = cinfo->jpeg_color_space == JCS_GRAYSCALE;
    if (cinfo->jpeg_color_space == JCS_CMYK || cinfo->jpeg_color_space == JCS_YCCK)
        return fail("CMYK JPEGs have no thumbnail");
    cinfo->out_color_space = grey ? JCS_GRAYSCALE : JCS_EXT_BGR;
    const int components = grey ? 1 : 3;

    // The smallest decode that still covers the cell, but never one larger
    // than the area holds.
    auto bytesAt = [&](int denom) {
        const int64_t w = (int64_t(cinfo->image_width) + denom - 1) / denom;
        const int64_t h = (int64_t(cinfo->image_height) + denom - 1) / denom;
        return BitmapInfoHeader::kBytes + StrideFor(w, 8 * components) * h;
    };
    int denom = 1;
    if (atLeast.isValid() && !atLeast.isEmpty()) {
        for (int d : {8, 4, 2}) {
            if (cinfo->image_width / unsigned(d) >= unsigned(atLeast.width()) &&
                cinfo->image_height / unsigned(d) >= unsigned(atLeast.height())) {
                denom = d;
                break;
            }
        }
    }
    while (denom <= 8 && bytesAt(denom) > areaBytes)
        denom *= 2;
    if (denom > 8) return fail("JPEG too large for a thumbnail");
    cinfo->scale_num = 1;
    cinfo->scale_denom = unsigned(denom);

    jpeg_start_decompress(cinfo.get());
    if (jpeg_has_multiple_scans(cinfo.get()) &&
        jpeg_detail::EndedBeforePictureWasComplete(*cinfo, *err))
        return fail("JPEG file is cut short");
    const int width = int(cinfo->output_width);
    const int height = int(cinfo->output_height);
    const int stride = int(StrideFor(width, 8 * components));
    const int64_t total = BitmapInfoHeader::kBytes + int64_t(stride) * height;
    if (int(cinfo->output_components) != components || total > areaBytes)
        return fail("JPEG output does not fit");

    {
        // Scoped: libjpeg may jump back past this frame, and a jump skips
        // destructors, so nothing owning memory may be alive across its calls.
        BitmapInfoHeader header = BitmapInfoHeader::For24Bit(width, height);
        header.bitCount = uint16_t(8 * components);
        header.sizeImage = 0;
        QByteArray headerBytes;
        header.AppendTo(headerBytes);
        std::memcpy(area, headerBytes.constData(), BitmapInfoHeader::kBytes);
    }
    uint8_t* pixels = area + BitmapInfoHeader::kBytes;
    const int pad = stride - width * components;
    // libjpeg hands rows top first; the DIB keeps them bottom-up.
    while (cinfo->output_scanline < cinfo->output_height) {
        uint8_t* row = pixels + size_t(height - 1 - int(cinfo->output_scanline)) * stride;
        JSAMPROW rows[1] = {row};
        if (jpeg_read_scanlines(cinfo.get(), rows, 1) != 1) break;
        if (pad) std::memset(row + width * components, 0, size_t(pad));
    }
    if (cinfo->output_scanline != cinfo->output_height) return fail("JPEG decoding stopped");
    if (err->damaged || jpeg_detail::EndedBeforePictureWasComplete(*cinfo, *err))
        return fail("JPEG data is damaged");
    jpeg_finish_decompress(cinfo.get());
    jpeg_destroy_decompress(cinfo.get());
    if (err->damaged) return LoadResult::Failure(QStringLiteral("JPEG data is damaged"));
    *outBytes = int(total);
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
        const int64_t pixels =
            RawBmpPixelBytes(reinterpret_cast<const uint8_t*>(file.constData()), file.size(), &why);
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

#pragma once

#include <QByteArray>
#include <QImage>
#include <QSize>
#include <QString>
#include <cstdint>
#include <vector>

namespace tvx {

// Bytes of the picture area every thumbnail loader fills: a 40-byte bitmap
// information header followed directly by the pixel rows, no colour table.
inline constexpr int kThumbnailDibBytes = 5 * 1024 * 1024;

// One picture on its way to the file list, loaded just before it is drawn.
// Owned by one thread at a time (the UI thread, or a worker that made its
// own); never shared.
struct ThumbnailRecord {
    int32_t dibSize = 0;      // bytes of `dib` in use (header and pixels); 0 = empty
    uint32_t flags = 0;       // the drawn entry's flags, copied in by the list
    QString path;             // the file last loaded
    std::vector<uint8_t> dib; // kThumbnailDibBytes once anything was loaded

    // Makes sure the area exists; the 5 MiB are taken only on first use.
    uint8_t* Area();
    void Clear();

    // The held picture as RGB32, top row first: 24-bit bottom-up rows as
    // BGR, 8-bit rows (no colour table) as grey levels. Null when empty or
    // when the header does not describe what is held.
    QImage ToImage() const;
};

enum class LoadStatus {
    Ok,
    Vanished, // the file no longer exists: the list drops its entry
    Failed,   // anything else: no thumbnail this time, the entry stays
};

struct LoadResult {
    LoadStatus status = LoadStatus::Failed;
    QString reason; // empty on success

    bool ok() const { return status == LoadStatus::Ok; }
    static LoadResult Success() { return {LoadStatus::Ok, {}}; }
    static LoadResult Failure(QString why) { return {LoadStatus::Failed, std::move(why)}; }
};

// True only when the file is known to be gone (not found), not when it
// merely cannot be read.
bool PathVanished(const QString& path);

// A JPEG file into `area` through DecodeJpegToDib (see there), with the
// reason when it is refused.
LoadResult ReadJpegToDib(const QString& path, uint8_t* area, int areaBytes, int* outBytes,
                         QSize atLeast = {});
LoadResult ReadJpegBytesToDib(const QByteArray& bytes, uint8_t* area, int areaBytes, int* outBytes,
                              QSize atLeast = {});

// Loads a stored picture for its thumbnail, by the type its path names
// (ImageTypeFromPath): a JPEG through the decoder above; a BMP that draws
// correctly from its raw bytes ("BM", a 40-byte information header, one
// plane, 24 bits, uncompressed, pixels right after the headers, all of them
// present, within the area) is taken as it is; every other BMP, and PNG,
// goes through the image library and is held as a 24-bit picture no larger
// than `atLeast` (or than the area). Anything else fails, never reading or
// writing past the area. The file is opened only when it is a regular file,
// so a FIFO put in its place fails at once instead of blocking.
LoadResult LoadThumbnailPicture(ThumbnailRecord& record, const QString& path, QSize atLeast = {});
// The same on the whole file's bytes, of the given image type.
LoadResult LoadPictureBytesToRecord(ThumbnailRecord& record, const QByteArray& file, int type,
                                    QSize atLeast = {});
// A decoded picture into the record as a 24-bit DIB, shrunk to `atLeast`
// (when given) and always to what the area holds.
LoadResult LoadImageToRecord(ThumbnailRecord& record, const QImage& image, QSize atLeast = {});

} // namespace tvx

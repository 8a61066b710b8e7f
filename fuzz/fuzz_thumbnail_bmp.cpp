// links: imaging
// Any file named *.bmp in the Picture folder is read raw for its thumbnail;
// the header decides how much is copied, so it must never overrun the area.
#include "imaging/dib.h"
#include "imaging/thumbnail.h"

#include <QByteArray>
#include <cstddef>
#include <cstdint>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    static tvx::ThumbnailRecord record;
    const QByteArray bytes(reinterpret_cast<const char*>(data), qsizetype(size));
    const tvx::LoadResult r = tvx::LoadBmpBytesToRecord(record, bytes);
    if (!r.ok()) {
        if (record.dibSize != 0 || r.reason.isEmpty()) __builtin_trap();
        return 0;
    }
    if (record.dibSize <= tvx::BitmapInfoHeader::kBytes ||
        record.dibSize > tvx::kThumbnailDibBytes ||
        qsizetype(record.dibSize) + tvx::kBmpFileHeaderBytes > bytes.size())
        __builtin_trap();
    // What loaded must draw: the header describes exactly what is held.
    if (record.ToImage().isNull()) __builtin_trap();
    return 0;
}

// links: imaging
// Any picture file in the Picture folder is read for its thumbnail: a BMP the
// list can draw from its raw bytes is copied, any other kind goes through
// the image library. Neither may overrun the area or hold a header that does
// not describe what is held.
#include "imaging/cximage.h"
#include "imaging/dib.h"
#include "imaging/thumbnail.h"

#include <QByteArray>
#include <cstddef>
#include <cstdint>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    static tvx::ThumbnailRecord record;
    const QByteArray bytes(reinterpret_cast<const char*>(data), qsizetype(size));
    for (int type : {tvx::kImageTypeBmp, tvx::kImageTypePng}) {
        const tvx::LoadResult r = tvx::LoadPictureBytesToRecord(record, bytes, type, QSize(81, 73));
        if (!r.ok()) {
            if (record.dibSize != 0 || r.reason.isEmpty()) __builtin_trap();
            continue;
        }
        if (record.dibSize <= tvx::BitmapInfoHeader::kBytes ||
            record.dibSize > tvx::kThumbnailDibBytes)
            __builtin_trap();
        // What loaded must draw: the header describes exactly what is held.
        if (record.ToImage().isNull()) __builtin_trap();
    }
    return 0;
}

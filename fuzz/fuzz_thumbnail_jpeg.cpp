// links: imaging
// JPEG thumbnails are decoded at reduced size straight into the 5 MiB area;
// a damaged file must fail the load, never end the process or overrun.
#include "imaging/thumbnail.h"

#include <QByteArray>
#include <cstddef>
#include <cstdint>
#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size < 1) return 0;
    // The first byte picks the cell the decode is sized for (or none).
    const int cells[4][2] = {{0, 0}, {81, 73}, {8, 8}, {640, 480}};
    const int* cell = cells[data[0] & 3];
    const QByteArray bytes(reinterpret_cast<const char*>(data + 1), qsizetype(size - 1));
    static tvx::ThumbnailRecord record;
    uint8_t* area = record.Area();
    int out = -1;
    const tvx::LoadResult r = tvx::ReadJpegBytesToDib(bytes, area, tvx::kThumbnailDibBytes, &out,
                                                      QSize(cell[0], cell[1]));
    if (!r.ok()) {
        if (out != 0 || r.reason.isEmpty()) __builtin_trap();
        return 0;
    }
    if (out <= 40 || out > tvx::kThumbnailDibBytes) __builtin_trap();
    record.dibSize = out;
    if (record.ToImage().isNull()) __builtin_trap();
    return 0;
}

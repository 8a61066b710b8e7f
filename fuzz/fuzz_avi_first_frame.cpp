// links: media
// Video thumbnails come from whatever *.avi files sit in the Video folder:
// the demuxer, the decoders and the conversion must survive any of them.
#include "imaging/thumbnail.h"
#include "media/first_frame.h"

#include <QByteArray>
#include <cstddef>
#include <cstdint>

extern "C" {
#include <libavutil/log.h>
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    static const bool quiet = [] {
        av_log_set_level(AV_LOG_QUIET);
        return true;
    }();
    (void)quiet;
    static tvx::ThumbnailRecord record;
    const QByteArray bytes(reinterpret_cast<const char*>(data), qsizetype(size));
    const tvx::LoadResult r = tvx::LoadVideoFirstFrameFromMemory(record, bytes, QSize(81, 73));
    if (!r.ok()) {
        if (record.dibSize != 0 || r.reason.isEmpty()) __builtin_trap();
        return 0;
    }
    if (record.dibSize <= 40 || record.dibSize > tvx::kThumbnailDibBytes) __builtin_trap();
    if (record.ToImage().isNull()) __builtin_trap();
    return 0;
}

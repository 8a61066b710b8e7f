// links: media tavolux_modules_build_tree PkgConfig::FFMPEG
// Video thumbnails come from whatever *.avi files sit in the Video folder:
// the demuxer, the decoders and the conversion must survive any of them.
#include "imaging/thumbnail.h"
#include "media/codec_module.h"
#include "media/first_frame.h"

#include <QByteArray>
#include <cstddef>
#include <cstdint>

extern "C" {
#include <libavutil/log.h>
}

// The decoders live in the FFmpeg module: loaded before fuzzing starts, so
// the fuzzer counts its coverage from the first input on.
extern "C" int LLVMFuzzerInitialize(int*, char***) {
    av_log_set_level(AV_LOG_QUIET);
    if (!tvx::LoadCodecModule()) __builtin_trap();
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
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

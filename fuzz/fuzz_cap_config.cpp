// links: capture
// CapConfig.dat comes from disk and may be anything: the parser must never
// read outside its input, and what it accepts must write back unchanged.
#include "capture/cap_config.h"

#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const QByteArray bytes(reinterpret_cast<const char*>(data), int(size));
    tvx::VideoInfoHeader h;
    if (tvx::ParseCapConfig(bytes, &h)) {
        if (tvx::SerializeCapConfig(h) != bytes) abort();
        if (h.biWidth < 1 || h.biWidth > tvx::kMaxCaptureSide) abort();
        const tvx::VideoInfoHeader resized = tvx::ResizedFormat(h, 720, 480);
        if (resized.biWidth != 720) abort();
    }
    return 0;
}

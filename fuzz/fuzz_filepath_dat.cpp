// links: platform
// filepath.dat is read at every start; whatever is in it must not hurt.
#include "platform/settings.h"

#include <QByteArray>
#include <cstddef>
#include <cstdint>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const QByteArray bytes(reinterpret_cast<const char*>(data), int(size));
    const QString path = tvx::DecodeFilePathDat(bytes);
    if (path.size() >= tvx::kFilePathDatSize / 2) __builtin_trap();
    return 0;
}

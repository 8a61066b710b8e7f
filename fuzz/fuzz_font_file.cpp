// links: measure
// Font files sit in the program folder, where any copy of the program may
// have left one.
#include "measure/font_file.h"

#include <QString>
#include <cstddef>
#include <cstdint>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const QString value = QString::fromLatin1(reinterpret_cast<const char*>(data), int(size));
    const auto record = tvx::DecodeFontValue(value);
    if (record) {
        // What was accepted writes back to a value that reads the same.
        const auto again = tvx::DecodeFontValue(QString::fromLatin1(tvx::EncodeFontValue(*record)));
        if (!again || *again != *record) __builtin_trap();
    }
    return 0;
}

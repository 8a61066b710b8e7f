// links: measure imaging platform Qt6::Gui
// Measurefont.ini and logfont.ini sit in the program folder where anyone may
// replace them.
#include "measure/font_file.h"

#include <QByteArray>
#include <cstddef>
#include <cstdint>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const QByteArray bytes(reinterpret_cast<const char*>(data), int(size));
    const auto record = tvx::ParseFontFile(bytes);
    if (record) {
        // Whatever was accepted is stored and read back unchanged.
        const auto again = tvx::ParseFontFile(tvx::StoreFontInFile(bytes, *record));
        if (!again || *again != *record) __builtin_trap();
        (void)tvx::ToQFont(*record);
    }
    return 0;
}

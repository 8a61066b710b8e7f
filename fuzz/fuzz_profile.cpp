// links: platform
// Language and profile files come from anywhere a user unpacks them.
#include "platform/profile.h"

#include <QByteArray>
#include <QString>
#include <cstddef>
#include <cstdint>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size < 1) return 0;
    // The first byte picks the code page the bytes are decoded with.
    static const char* const kNames[] = {"English1252.ini", "Russian1251.ini", "Chinese936.ini",
                                         "Chinese950.ini",  "Japanese932.ini", "Korean949.ini",
                                         "Thai874.ini",     "Bulgarian442.ini"};
    const QString name = QString::fromLatin1(kNames[data[0] % 8]);
    const QByteArray bytes(reinterpret_cast<const char*>(data + 1), int(size - 1));
    const QString text = tvx::DecodeProfileText(bytes, name);
    const QString value = tvx::ProfileValue(text, QStringLiteral("Zandor"), QStringLiteral("Key"),
                                            QStringLiteral("default"), 256);
    if (value.size() > 255) __builtin_trap();
    tvx::ProfileValue(text, QStringLiteral("zandor"), QStringLiteral("640*480"), QString(), 3);
    return 0;
}

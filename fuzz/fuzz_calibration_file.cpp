// links: measure
// CalibrationIni.ini lives beside the program where anyone may edit it; any
// content must read, update and rewrite without a crash, hang or a line that
// is lost or split.
#include "measure/calibration_file.h"

#include <QByteArray>
#include <QString>
#include <cstddef>
#include <cstdint>

namespace {

QByteArray Serialise(const QStringList& lines) {
    QByteArray out;
    for (const QString& line : lines)
        out += line.toUtf8() + '\n';
    return out;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    // The first line is the magnification typed into a box; the rest is the file.
    const QByteArray input(reinterpret_cast<const char*>(data), int(size));
    const int cut = int(input.indexOf('\n'));
    const QString typed = QString::fromUtf8(cut < 0 ? input : input.left(cut));
    const QByteArray content = cut < 0 ? QByteArray() : input.mid(cut + 1);

    tvx::CalibrationFile file;
    file.OpenBytes(content);
    const qsizetype before = file.lines().size();
    (void)file.Lookup(typed, typed);
    (void)file.Lookup(QStringLiteral("200"), QStringLiteral("200"));

    const QString value = QStringLiteral("203.4");
    const bool written = file.Write(typed, typed, value);
    const bool writable = !typed.isEmpty() && !typed.contains(QLatin1Char('\r'));
    if (written != writable) __builtin_trap();
    const qsizetype after = file.lines().size();
    if (written ? (after < before || after > before + 2) : after != before) __builtin_trap();
    if (written && !file.lines().contains(typed + QLatin1Char('=') + value)) __builtin_trap();

    // What Close would write reads back as the same lines, unless a line
    // carried a stray carriage return of its own.
    const QByteArray rewritten = Serialise(file.lines());
    tvx::CalibrationFile again;
    again.OpenBytes(rewritten);
    bool strayReturn = false;
    for (const QString& line : file.lines())
        strayReturn = strayReturn || line.endsWith(QLatin1Char('\r'));
    if (!strayReturn && again.lines() != file.lines()) __builtin_trap();
    return 0;
}

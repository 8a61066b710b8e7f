#pragma once

#include <QByteArray>
#include <QFile>
#include <QString>

namespace tvx {

// Every file the program reads at start-up sits where anyone may replace it:
// a FIFO, a device node or a folder in its place must read as "missing", never
// block the program in open(2) or read(2).

// True when `path` names a regular file (symbolic links followed).
bool IsRegularFile(const QString& path);

// Opens `path` for reading into `file` only when it is a regular file. The
// open never waits on a FIFO: the type is checked before the open, and again
// on the open descriptor, so a file swapped in between is caught too. On
// failure `file` stays closed and `reason` (when given) says why.
bool OpenRegularFileForReading(QFile& file, const QString& path, QString* reason = nullptr);

// Reads at most `maxBytes` of a regular file. False (with the reason) when
// the path is missing, not a regular file or unreadable.
bool ReadRegularFile(const QString& path, qint64 maxBytes, QByteArray* bytes,
                     QString* reason = nullptr);

} // namespace tvx

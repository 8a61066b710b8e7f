#pragma once

#include <QByteArray>
#include <QString>
#include <vector>

namespace tvx {

// File names on Linux are bytes, and a folder may hold a name that is not
// valid UTF-8 (copied from an old camera card, a Windows share, an archive).
// Qt turns such bytes into U+FFFD, after which the name no longer reaches
// the file. The program keeps those names in a QString that remembers every
// byte: a byte that is not part of valid UTF-8 is held as the lone surrogate
// U+DC00 + byte, which no valid name can contain. Every file the program
// reads, lists or deletes goes through NativeFileName(), never through
// QFile::encodeName().

// The name as the program holds it: valid UTF-8 decoded, other bytes kept.
QString FileNameFromNative(const QByteArray& native);
// The bytes the file system knows the name by.
QByteArray NativeFileName(const QString& name);
// True when the name holds bytes that are not UTF-8 (Qt's own file
// functions cannot reach such a file).
bool HasRawBytes(const QString& name);
// The name for people to read: each raw byte shown as "\xNN".
QString DisplayFileName(const QString& name);

// One entry of a folder, with what lstat/stat said about it.
struct FolderEntry {
    QString name;         // as FileNameFromNative gives it
    bool regular = false; // a regular file (a symbolic link to one counts)
    bool folder = false;  // a folder (or a link to one)
    qint64 size = -1;
    qint64 modified = -1; // nanoseconds since the epoch
};

// The entries of a folder except "." and "..", in no particular order.
// Empty when the folder cannot be read.
std::vector<FolderEntry> ReadFolder(const QString& folder);

} // namespace tvx

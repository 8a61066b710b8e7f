#include "platform/regular_file.h"

#include "platform/file_name.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace tvx {

namespace {

void setReason(QString* reason, const QString& text) {
    if (reason) *reason = text;
}

QString errnoText(const QString& path, int error) {
    return DisplayFileName(path) + QStringLiteral(": ") +
           QString::fromLocal8Bit(std::strerror(error));
}

} // namespace

bool IsRegularFile(const QString& path) {
    if (path.isEmpty()) return false;
    struct stat st {};
    return ::stat(NativeFileName(path).constData(), &st) == 0 && S_ISREG(st.st_mode);
}

bool OpenRegularFileForReading(QFile& file, const QString& path, QString* reason) {
    if (path.isEmpty()) {
        setReason(reason, QStringLiteral("no file name"));
        return false;
    }
    const QByteArray native = NativeFileName(path);
    struct stat st {};
    if (::stat(native.constData(), &st) != 0) {
        setReason(reason, errnoText(path, errno));
        return false;
    }
    if (!S_ISREG(st.st_mode)) {
        setReason(reason, DisplayFileName(path) + QStringLiteral(": not a regular file"));
        return false;
    }
    // O_NONBLOCK: should a FIFO take the file's place after the check, the
    // open returns at once instead of waiting for a writer.
    const int fd = ::open(native.constData(), O_RDONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC);
    if (fd < 0) {
        setReason(reason, errnoText(path, errno));
        return false;
    }
    if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
        ::close(fd);
        setReason(reason, DisplayFileName(path) + QStringLiteral(": not a regular file"));
        return false;
    }
    // Regular files ignore O_NONBLOCK; it is cleared so nothing downstream
    // ever sees EAGAIN.
    const int flags = ::fcntl(fd, F_GETFL);
    if (flags >= 0) ::fcntl(fd, F_SETFL, flags & ~O_NONBLOCK);
    if (!file.open(fd, QIODevice::ReadOnly, QFileDevice::AutoCloseHandle)) {
        ::close(fd);
        setReason(reason, DisplayFileName(path) + QStringLiteral(": ") + file.errorString());
        return false;
    }
    return true;
}

bool ReadRegularFile(const QString& path, qint64 maxBytes, QByteArray* bytes, QString* reason) {
    QFile file;
    if (!OpenRegularFileForReading(file, path, reason)) return false;
    // QIODevice::read(limit) sets aside the whole limit (megabytes, for a
    // file of a few kilobytes) before reading; a block that large is mapped
    // and unmapped, and the allocator's threshold for mapping then rises, so
    // that every later picture buffer comes from the heap and stays there.
    // Only what the file holds is taken.
    const qint64 limit = std::max<qint64>(maxBytes, 0);
    QByteArray data;
    data.reserve(qsizetype(std::clamp<qint64>(file.size(), 0, std::min<qint64>(limit, 1 << 20))));
    char chunk[16384];
    while (data.size() < limit) {
        const qint64 n = file.read(chunk, std::min<qint64>(sizeof chunk, limit - data.size()));
        if (n <= 0) break;
        data.append(chunk, qsizetype(n));
    }
    if (file.error() != QFileDevice::NoError) {
        setReason(reason, DisplayFileName(path) + QStringLiteral(": ") + file.errorString());
        return false;
    }
    if (bytes) *bytes = std::move(data);
    return true;
}

} // namespace tvx

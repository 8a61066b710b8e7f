#include "platform/regular_file.h"

#include "platform/file_name.h"

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
    QByteArray data = file.read(std::max<qint64>(maxBytes, 0));
    if (file.error() != QFileDevice::NoError) {
        setReason(reason, DisplayFileName(path) + QStringLiteral(": ") + file.errorString());
        return false;
    }
    if (bytes) *bytes = std::move(data);
    return true;
}

} // namespace tvx

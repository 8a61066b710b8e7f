#include "platform/exclusive_file.h"

#include "platform/file_name.h"

#include <QFileInfo>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <sys/syscall.h>
#include <unistd.h>

#ifndef RENAME_NOREPLACE
#define RENAME_NOREPLACE (1 << 0)
#endif

namespace tvx {

namespace {

void setReason(Status* why, const QString& path, int error) {
    if (why)
        *why = Status::Fail(
            path + QStringLiteral(": ") + QString::fromLocal8Bit(std::strerror(error)), error);
}

// Writes all of `bytes` to `fd` and flushes them to the disk. errno on failure.
bool writeAll(int fd, const QByteArray& bytes) {
    const char* p = bytes.constData();
    qsizetype left = bytes.size();
    while (left > 0) {
        const ssize_t n = ::write(fd, p, size_t(left));
        if (n < 0 && errno == EINTR) continue;
        if (n < 0) return false;
        if (n == 0) {
            errno = ENOSPC;
            return false;
        }
        p += n;
        left -= n;
    }
    return ::fsync(fd) == 0;
}

int renameNoReplace(const char* from, const char* to) {
#ifdef SYS_renameat2
    return int(::syscall(SYS_renameat2, AT_FDCWD, from, AT_FDCWD, to, RENAME_NOREPLACE));
#else
    errno = ENOSYS;
    return -1;
#endif
}

// Files we make are the user's: readable by others as the umask allows.
constexpr mode_t kFileMode = 0666;

} // namespace

CreateOutcome CreateEmptyFileExclusively(const QString& path, Status* why) {
    const int fd = ::open(NativeFileName(path).constData(),
                          O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC | O_NOCTTY, kFileMode);
    if (fd < 0) {
        const int error = errno;
        setReason(why, path, error);
        return error == EEXIST ? CreateOutcome::Exists : CreateOutcome::Failed;
    }
    ::close(fd);
    return CreateOutcome::Created;
}

StagedFile::~StagedFile() {
    Discard();
}

void StagedFile::Discard() {
    if (!tempPath_.isEmpty()) ::unlink(NativeFileName(tempPath_).constData());
    tempPath_.clear();
    bytes_.clear();
}

bool StagedFile::Stage(const QString& folder, const QByteArray& bytes, Status* why) {
    Discard();
    // A dot name, so a folder scan for pictures never counts the temporary.
    QByteArray name = NativeFileName(folder + QStringLiteral("/.tavolux-XXXXXX"));
    const int fd = ::mkostemp(name.data(), O_CLOEXEC);
    if (fd < 0) {
        setReason(why, folder, errno);
        return false;
    }
    // mkstemp makes 0600; the final file gets what a plain create would give.
    const mode_t mask = ::umask(0);
    ::umask(mask);
    ::fchmod(fd, kFileMode & ~mask);
    if (!writeAll(fd, bytes)) {
        const int error = errno;
        ::close(fd);
        ::unlink(name.constData());
        setReason(why, folder, error);
        return false;
    }
    if (::close(fd) != 0) {
        const int error = errno;
        ::unlink(name.constData());
        setReason(why, folder, error);
        return false;
    }
    tempPath_ = FileNameFromNative(name);
    bytes_ = bytes;
    return true;
}

CreateOutcome StagedFile::Commit(const QString& finalPath, Status* why) {
    if (tempPath_.isEmpty()) {
        if (why) *why = Status::Fail(finalPath + QStringLiteral(": nothing staged"));
        return CreateOutcome::Failed;
    }
    const QByteArray from = NativeFileName(tempPath_);
    const QByteArray to = NativeFileName(finalPath);
    if (::link(from.constData(), to.constData()) == 0) {
        Discard();
        return CreateOutcome::Created;
    }
    int error = errno;
    if (error == EEXIST) {
        setReason(why, finalPath, error);
        return CreateOutcome::Exists;
    }
    // File systems without hard links (FAT, some network mounts).
    if (error == EPERM || error == EOPNOTSUPP || error == ENOSYS || error == EMLINK) {
        if (renameNoReplace(from.constData(), to.constData()) == 0) {
            tempPath_.clear(); // the temporary is the final file now
            bytes_.clear();
            return CreateOutcome::Created;
        }
        error = errno;
        if (error == EEXIST) {
            setReason(why, finalPath, error);
            return CreateOutcome::Exists;
        }
        if (error == EINVAL || error == ENOSYS || error == EOPNOTSUPP) {
            // Neither: an exclusive create of the final name, then the bytes.
            // Not atomic, but it never replaces a file.
            const int fd =
                ::open(to.constData(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, kFileMode);
            if (fd < 0) {
                error = errno;
                setReason(why, finalPath, error);
                return error == EEXIST ? CreateOutcome::Exists : CreateOutcome::Failed;
            }
            const bool ok = writeAll(fd, bytes_);
            error = errno;
            ::close(fd);
            if (!ok) {
                ::unlink(to.constData());
                setReason(why, finalPath, error);
                return CreateOutcome::Failed;
            }
            Discard();
            return CreateOutcome::Created;
        }
    }
    setReason(why, finalPath, error);
    return CreateOutcome::Failed;
}

CreateOutcome WriteFileExclusively(const QString& path, const QByteArray& bytes, Status* why) {
    StagedFile staged;
    if (!staged.Stage(QFileInfo(path).absolutePath(), bytes, why)) return CreateOutcome::Failed;
    return staged.Commit(path, why);
}

QString CreateFreshFolder(const QString& parent, const QString& prefix, Status* why) {
    QByteArray name = NativeFileName(parent + QLatin1Char('/') + prefix + QStringLiteral("XXXXXX"));
    if (!::mkdtemp(name.data())) {
        setReason(why, parent, errno);
        return {};
    }
    return FileNameFromNative(name);
}

} // namespace tvx

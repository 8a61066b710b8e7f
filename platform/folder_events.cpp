#include "platform/folder_events.h"

#include <QFile>
#include <cerrno>
#include <cstring>
#include <sys/inotify.h>
#include <unistd.h>

namespace tvx {

FolderEvents::~FolderEvents() {
    Close();
}

void FolderEvents::Close() {
    if (fd_ >= 0) ::close(fd_);
    fd_ = -1;
}

bool FolderEvents::Watch(const QString& folder) {
    Close();
    fd_ = ::inotify_init1(IN_NONBLOCK | IN_CLOEXEC);
    if (fd_ < 0) return false;
    const uint32_t mask = IN_CREATE | IN_MOVED_TO | IN_DELETE | IN_MOVED_FROM | IN_DELETE_SELF |
                          IN_MOVE_SELF | IN_ONLYDIR;
    if (::inotify_add_watch(fd_, QFile::encodeName(folder).constData(), mask) < 0) {
        Close();
        return false;
    }
    return true;
}

FolderEvents::Changes FolderEvents::Drain() {
    Changes c;
    if (fd_ < 0) {
        c.lost = true;
        return c;
    }
    alignas(inotify_event) char buffer[16384];
    for (;;) {
        const ssize_t n = ::read(fd_, buffer, sizeof buffer);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) break; // EAGAIN: nothing more for now
        for (ssize_t at = 0; at + ssize_t(sizeof(inotify_event)) <= n;) {
            const auto* e = reinterpret_cast<const inotify_event*>(buffer + at);
            at += ssize_t(sizeof(inotify_event)) + e->len;
            if (e->mask & (IN_Q_OVERFLOW | IN_DELETE_SELF | IN_MOVE_SELF | IN_IGNORED)) {
                c.lost = true;
                continue;
            }
            if (e->len == 0) continue;
            const QString name =
                QFile::decodeName(QByteArray(e->name, int(strnlen(e->name, e->len))));
            if (e->mask & (IN_CREATE | IN_MOVED_TO)) c.added << name;
            if (e->mask & (IN_DELETE | IN_MOVED_FROM)) c.removed << name;
        }
    }
    return c;
}

} // namespace tvx

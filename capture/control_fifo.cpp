#include "capture/control_fifo.h"

#include <QFile>
#include <cerrno>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace tvx {

ControlFifo::ControlFifo(std::function<void(const QString&)> onLine, QObject* parent)
    : QObject(parent), onLine_(std::move(onLine)) {}

ControlFifo::~ControlFifo() {
    notifier_.reset();
    for (int fd : {fd_, keepAliveFd_})
        if (fd >= 0) ::close(fd);
}

bool ControlFifo::Open(const QString& path) {
    if (fd_ >= 0) return false;
    const QByteArray p = QFile::encodeName(path);
    struct stat st {};
    if (::stat(p.constData(), &st) != 0) {
        if (errno != ENOENT || ::mkfifo(p.constData(), 0600) != 0) return false;
    } else if (!S_ISFIFO(st.st_mode)) {
        return false; // not ours to read
    }
    fd_ = ::open(p.constData(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    if (fd_ < 0) return false;
    keepAliveFd_ = ::open(p.constData(), O_WRONLY | O_NONBLOCK | O_CLOEXEC);
    notifier_ = std::make_unique<QSocketNotifier>(fd_, QSocketNotifier::Read);
    connect(notifier_.get(), &QSocketNotifier::activated, this, &ControlFifo::Read);
    return true;
}

void ControlFifo::Read() {
    char buf[512];
    for (;;) {
        const ssize_t n = ::read(fd_, buf, sizeof buf);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) break;
        pending_.append(buf, int(n));
    }
    // A line longer than any command is noise; drop it rather than grow.
    if (pending_.size() > 4096 && !pending_.contains('\n')) pending_.clear();
    int nl;
    while ((nl = pending_.indexOf('\n')) >= 0) {
        const QString line = QString::fromUtf8(pending_.left(nl));
        pending_.remove(0, nl + 1);
        onLine_(line);
    }
}

} // namespace tvx

#pragma once
// Runs code that must not block on a FIFO. Should it block anyway (the fault
// under test), the FIFOs are opened for writing and closed, which wakes any
// reader stuck in open(2) or read(2) with end-of-file, so the test fails
// instead of hanging.
#include <QFile>
#include <QString>
#include <QStringList>
#include <chrono>
#include <fcntl.h>
#include <functional>
#include <future>
#include <sys/stat.h>
#include <thread>
#include <unistd.h>

namespace tvx::test {

inline bool MakeFifo(const QString& path) {
    return ::mkfifo(QFile::encodeName(path).constData(), 0600) == 0;
}

inline bool IsFifo(const QString& path) {
    struct stat st {};
    return ::lstat(QFile::encodeName(path).constData(), &st) == 0 && S_ISFIFO(st.st_mode);
}

// True when `work` finished within `seconds`; false when it blocked.
inline bool FinishesWithoutBlocking(const QStringList& fifos, const std::function<void()>& work,
                                    int seconds = 5) {
    std::packaged_task<void()> task(work);
    std::future<void> done = task.get_future();
    std::thread runner(std::move(task));
    const bool finished = done.wait_for(std::chrono::seconds(seconds)) == std::future_status::ready;
    while (done.wait_for(std::chrono::milliseconds(50)) != std::future_status::ready) {
        for (const QString& fifo : fifos) {
            const int fd = ::open(QFile::encodeName(fifo).constData(), O_WRONLY | O_NONBLOCK);
            if (fd >= 0) ::close(fd);
        }
    }
    runner.join();
    return finished;
}

} // namespace tvx::test

#pragma once

#include <QByteArray>
#include <QObject>
#include <QSocketNotifier>
#include <QString>
#include <functional>
#include <memory>

namespace tvx {

// A named pipe that tests write command lines into; each complete line is
// handed to the callback on the UI thread. The pipe is made when missing;
// a path that names anything else is left alone.
class ControlFifo : public QObject {
    Q_OBJECT
public:
    explicit ControlFifo(std::function<void(const QString&)> onLine, QObject* parent = nullptr);
    ~ControlFifo() override;
    // False when the path is no pipe or cannot be opened.
    bool Open(const QString& path);

private:
    void Read();

    std::function<void(const QString&)> onLine_;
    int fd_ = -1;
    int keepAliveFd_ = -1; // our own writer, so the pipe never reads as closed
    QByteArray pending_;
    std::unique_ptr<QSocketNotifier> notifier_;
};

} // namespace tvx

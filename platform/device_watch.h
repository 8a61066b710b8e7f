#pragma once

#include "platform/udev_handle.h"

#include <QObject>
#include <memory>

class QSocketNotifier;

namespace tvx {

// Tells when device nodes of video devices or USB devices come, go or
// change, as the kernel announces them. Several announcements arrive for one
// plug, so listeners usually wait for the burst to end. Lives on the UI
// thread; where udev cannot be watched it simply never signals.
class DeviceWatch : public QObject {
    Q_OBJECT
public:
    explicit DeviceWatch(QObject* parent = nullptr);
    ~DeviceWatch() override;

    bool isWatching() const { return monitor_ != nullptr; }

signals:
    void nodesChanged();

private:
    void readEvents();

    UdevPtr udev_;
    UdevMonitorPtr monitor_;
    std::unique_ptr<QSocketNotifier> notifier_; // goes before the monitor's socket
};

} // namespace tvx

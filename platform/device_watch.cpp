#include "platform/device_watch.h"

#include <QLoggingCategory>
#include <QSocketNotifier>

namespace tvx {

Q_LOGGING_CATEGORY(lcDeviceWatch, "tavolux.devices")

DeviceWatch::DeviceWatch(QObject* parent) : QObject(parent) {
    udev_.reset(udev_new());
    if (!udev_) {
        qCInfo(lcDeviceWatch) << "no udev; device changes are not watched";
        return;
    }
    UdevMonitorPtr monitor(udev_monitor_new_from_netlink(udev_.get(), "udev"));
    if (!monitor) {
        qCInfo(lcDeviceWatch) << "cannot listen to udev; device changes are not watched";
        return;
    }
    udev_monitor_filter_add_match_subsystem_devtype(monitor.get(), "video4linux", nullptr);
    udev_monitor_filter_add_match_subsystem_devtype(monitor.get(), "usb", "usb_device");
    if (udev_monitor_enable_receiving(monitor.get()) < 0) {
        qCInfo(lcDeviceWatch) << "udev refuses to send device changes";
        return;
    }
    monitor_ = std::move(monitor);
    notifier_ = std::make_unique<QSocketNotifier>(udev_monitor_get_fd(monitor_.get()),
                                                  QSocketNotifier::Read);
    connect(notifier_.get(), &QSocketNotifier::activated, this, &DeviceWatch::readEvents);
}

DeviceWatch::~DeviceWatch() = default;

void DeviceWatch::readEvents() {
    bool any = false;
    // Drain everything that is waiting: one signal for what arrived together.
    while (UdevDevicePtr dev{udev_monitor_receive_device(monitor_.get())})
        any = true;
    if (any) emit nodesChanged();
}

} // namespace tvx

#include "platform/device_watch.h"

#include <QSocketNotifier>
#include <libudev.h>

namespace tvx {

DeviceWatch::DeviceWatch(QObject* parent) : QObject(parent) {
    udev_ = udev_new();
    if (!udev_) return;
    monitor_ = udev_monitor_new_from_netlink(udev_, "udev");
    if (!monitor_) return;
    udev_monitor_filter_add_match_subsystem_devtype(monitor_, "video4linux", nullptr);
    udev_monitor_filter_add_match_subsystem_devtype(monitor_, "usb", "usb_device");
    if (udev_monitor_enable_receiving(monitor_) < 0) {
        udev_monitor_unref(monitor_);
        monitor_ = nullptr;
        return;
    }
    notifier_ = new QSocketNotifier(udev_monitor_get_fd(monitor_), QSocketNotifier::Read, this);
    connect(notifier_, &QSocketNotifier::activated, this, &DeviceWatch::readEvents);
}

DeviceWatch::~DeviceWatch() {
    delete notifier_;
    if (monitor_) udev_monitor_unref(monitor_);
    if (udev_) udev_unref(udev_);
}

void DeviceWatch::readEvents() {
    bool any = false;
    // Drain everything that is waiting: one signal for what arrived together.
    while (udev_device* dev = udev_monitor_receive_device(monitor_)) {
        any = true;
        udev_device_unref(dev);
    }
    if (any) emit nodesChanged();
}

} // namespace tvx

#include "platform/device_presence.h"

#include "platform/udev_handle.h"

#include <QRegularExpression>
#include <libudev.h>
#include <memory>
#include <sys/stat.h>

namespace tvx {

namespace {

using EnumPtr = UdevEnumeratePtr;
using DevicePtr = UdevDevicePtr;

bool ReadHex16(const char* text, uint16_t* out) {
    if (!text) return false;
    bool ok = false;
    const uint v = QString::fromLatin1(text).trimmed().toUInt(&ok, 16);
    if (!ok || v > 0xffff) return false;
    *out = uint16_t(v);
    return true;
}

bool UsbIdOfUdevDevice(udev_device* usb, UsbId* out) {
    UsbId id;
    if (!ReadHex16(udev_device_get_sysattr_value(usb, "idVendor"), &id.vendor) ||
        !ReadHex16(udev_device_get_sysattr_value(usb, "idProduct"), &id.product))
        return false;
    *out = id;
    return true;
}

} // namespace

bool ParseUsbId(const QString& text, UsbId* out) {
    static const QRegularExpression re(QStringLiteral("vid_([0-9a-f]{4})&pid_([0-9a-f]{4})"),
                                       QRegularExpression::CaseInsensitiveOption);
    const QRegularExpressionMatch m = re.match(text);
    if (!m.hasMatch()) return false;
    if (out) {
        out->vendor = uint16_t(m.captured(1).toUInt(nullptr, 16));
        out->product = uint16_t(m.captured(2).toUInt(nullptr, 16));
    }
    return true;
}

QString FormatUsbId(UsbId id) {
    return QStringLiteral("Vid_%1&Pid_%2")
        .arg(id.vendor, 4, 16, QLatin1Char('0'))
        .arg(id.product, 4, 16, QLatin1Char('0'));
}

bool UsbDevicePresent(UsbId id) {
    UdevPtr u(udev_new());
    if (!u) return false;
    EnumPtr e(udev_enumerate_new(u.get()));
    if (!e) return false;
    udev_enumerate_add_match_subsystem(e.get(), "usb");
    udev_enumerate_add_match_property(e.get(), "DEVTYPE", "usb_device");
    if (udev_enumerate_scan_devices(e.get()) < 0) return false;
    udev_list_entry* entry = nullptr;
    udev_list_entry_foreach(entry, udev_enumerate_get_list_entry(e.get())) {
        DevicePtr d(udev_device_new_from_syspath(u.get(), udev_list_entry_get_name(entry)));
        UsbId found;
        if (d && UsbIdOfUdevDevice(d.get(), &found) && found.vendor == id.vendor &&
            found.product == id.product)
            return true;
    }
    return false;
}

namespace {

// The udev device of a character device node; null when there is none.
DevicePtr NodeDevice(const UdevPtr& u, const QString& devnode) {
    struct stat st {};
    if (!u || stat(devnode.toLocal8Bit().constData(), &st) != 0 || !S_ISCHR(st.st_mode))
        return DevicePtr(nullptr);
    return DevicePtr(udev_device_new_from_devnum(u.get(), 'c', st.st_rdev));
}

} // namespace

bool UsbIdOfDeviceNode(const QString& devnode, UsbId* out) {
    UdevPtr u(udev_new());
    const DevicePtr d = NodeDevice(u, devnode);
    if (!d) return false;
    // The parent is owned by its child; it must not be unreferenced.
    udev_device* usb = udev_device_get_parent_with_subsystem_devtype(d.get(), "usb", "usb_device");
    return usb && UsbIdOfUdevDevice(usb, out);
}

QString UsbIdentityOfDeviceNode(const QString& devnode) {
    UdevPtr u(udev_new());
    const DevicePtr d = NodeDevice(u, devnode);
    if (!d) return {};
    udev_device* usb = udev_device_get_parent_with_subsystem_devtype(d.get(), "usb", "usb_device");
    UsbId id;
    if (!usb || !UsbIdOfUdevDevice(usb, &id)) return {};
    const QString base = QStringLiteral("usb:%1:%2")
                             .arg(id.vendor, 4, 16, QLatin1Char('0'))
                             .arg(id.product, 4, 16, QLatin1Char('0'));
    const char* serial = udev_device_get_sysattr_value(usb, "serial");
    if (serial && *serial) return base + QLatin1Char(':') + QString::fromUtf8(serial).trimmed();
    // Cheap cameras share one made-up serial or have none: the port tells
    // them apart, as long as each stays in its socket.
    return base + QLatin1Char('@') + QString::fromUtf8(udev_device_get_sysname(usb));
}

} // namespace tvx

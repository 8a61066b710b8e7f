#pragma once

#include <QString>
#include <cstdint>

namespace tvx {

struct UsbId {
    uint16_t vendor = 0;
    uint16_t product = 0;
};

// Reads "Vid_xxxx&Pid_yyyy" (any letter case) out of a device id or display
// name. False when the text holds no such pair.
bool ParseUsbId(const QString& text, UsbId* out);
// "Vid_xxxx&Pid_yyyy" with four lower-case hex digits each.
QString FormatUsbId(UsbId id);

// True while a USB device with this vendor and product id is plugged in.
bool UsbDevicePresent(UsbId id);

// The USB vendor and product id of the USB device a device node (for
// example /dev/video0) belongs to. False when the node is not below a USB
// device.
bool UsbIdOfDeviceNode(const QString& devnode, UsbId* out);

// What identifies the USB device of a device node across reconnections:
// "usb:vvvv:pppp:serial" where it has a serial number, else
// "usb:vvvv:pppp@port" with the port path it hangs on (as "1-2.3"). Empty
// when the node is not below a USB device.
QString UsbIdentityOfDeviceNode(const QString& devnode);

} // namespace tvx

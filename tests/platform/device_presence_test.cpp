#include "platform/device_presence.h"

#include <gtest/gtest.h>

namespace tvx {
namespace {

TEST(DevicePresence, UsbIdInText) {
    UsbId id;
    ASSERT_TRUE(ParseUsbId("@device:v4l2:/dev/video0:VID_14C3&pid_2301", &id));
    EXPECT_EQ(id.vendor, 0x14c3);
    EXPECT_EQ(id.product, 0x2301);
    EXPECT_EQ(FormatUsbId(id), "Vid_14c3&Pid_2301");
    EXPECT_EQ(FormatUsbId(UsbId{0x46d, 0xa}), "Vid_046d&Pid_000a");
    EXPECT_FALSE(ParseUsbId("Vid_14c3&Pid_230", &id));
    EXPECT_FALSE(ParseUsbId("Vid_14c3 Pid_2301", &id));
    EXPECT_FALSE(ParseUsbId(QString(), &id));
}

TEST(DevicePresence, AbsentDevicesAndNodes) {
    // No machine has this id plugged in; the answer must be a plain no.
    EXPECT_FALSE(UsbDevicePresent(UsbId{0xffff, 0xfffe}));
    UsbId id;
    EXPECT_FALSE(UsbIdOfDeviceNode("/dev/null", &id));
    EXPECT_FALSE(UsbIdOfDeviceNode("/no/such/node", &id));
    EXPECT_FALSE(UsbIdOfDeviceNode("/etc/hostname", &id));
}

} // namespace
} // namespace tvx

// The shipped udev rules open the snapshot buttons' input devices (the
// receiver's, other cameras') to the seat user and nothing else.
#include "tests/support/test_env.h"

#include <QFile>
#include <QRegularExpression>
#include <gtest/gtest.h>

namespace {

QStringList RuleLines() {
    QFile f(tvx::test::resourcePath("udev/70-tavolux-microscope.rules"));
    if (!f.open(QIODevice::ReadOnly)) return {};
    QStringList rules;
    for (const QString& line : QString::fromUtf8(f.readAll()).split('\n')) {
        const QString t = line.trimmed();
        if (!t.isEmpty() && !t.startsWith('#')) rules << t;
    }
    return rules;
}

TEST(UdevRule, OnlyTheButtonsEventDeviceIsGivenToTheSeat) {
    const QStringList rules = RuleLines();
    ASSERT_FALSE(rules.isEmpty());
    int receivers = 0, cameraButtons = 0;
    for (const QString& rule : rules) {
        SCOPED_TRACE(rule.toStdString());
        // Every rule matches an input event device: under the receiver, or
        // one the camera driver made for a camera's button …
        EXPECT_TRUE(rule.contains(QRegularExpression(R"(SUBSYSTEM\s*==\s*"input")")));
        EXPECT_TRUE(rule.contains(QRegularExpression(R"(KERNEL\s*==\s*"event\*")")));
        const bool receiver =
            rule.contains(QRegularExpression(R"(ATTRS\{idVendor\}\s*==\s*"14c3")")) &&
            rule.contains(QRegularExpression(R"(ATTRS\{idProduct\}\s*==\s*"2301")"));
        const bool cameraButton = rule.contains(QRegularExpression(R"(DRIVERS\s*==\s*"uvcvideo")"));
        EXPECT_TRUE(receiver != cameraButton);
        receivers += receiver;
        cameraButtons += cameraButton;
        EXPECT_TRUE(rule.contains(QRegularExpression(R"(TAG\s*\+=\s*"uaccess")")));
        // … and opens nothing more: not the USB device, not to everyone.
        EXPECT_FALSE(rule.contains(QRegularExpression(R"(SUBSYSTEMS?\s*==\s*"usb")")));
        EXPECT_FALSE(rule.contains(QRegularExpression(R"(\bMODE\s*:?=)")));
        EXPECT_FALSE(rule.contains(QRegularExpression(R"(\b(GROUP|OWNER|RUN|PROGRAM)\b)")));
    }
    EXPECT_EQ(receivers, 1);
    EXPECT_EQ(cameraButtons, 1);
}

} // namespace

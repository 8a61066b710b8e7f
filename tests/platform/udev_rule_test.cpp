// The shipped udev rule opens the snapshot button's input device to the seat
// user and nothing else of the receiver.
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
    for (const QString& rule : rules) {
        SCOPED_TRACE(rule.toStdString());
        // Every rule matches the input event device under the receiver …
        EXPECT_TRUE(rule.contains(QRegularExpression(R"(SUBSYSTEM\s*==\s*"input")")));
        EXPECT_TRUE(rule.contains(QRegularExpression(R"(KERNEL\s*==\s*"event\*")")));
        EXPECT_TRUE(rule.contains(QRegularExpression(R"(ATTRS\{idVendor\}\s*==\s*"14c3")")));
        EXPECT_TRUE(rule.contains(QRegularExpression(R"(ATTRS\{idProduct\}\s*==\s*"2301")")));
        EXPECT_TRUE(rule.contains(QRegularExpression(R"(TAG\s*\+=\s*"uaccess")")));
        // … and opens nothing more: not the USB device, not to everyone.
        EXPECT_FALSE(rule.contains(QRegularExpression(R"(SUBSYSTEMS?\s*==\s*"usb")")));
        EXPECT_FALSE(rule.contains(QRegularExpression(R"(\bMODE\s*:?=)")));
        EXPECT_FALSE(rule.contains(QRegularExpression(R"(\b(GROUP|OWNER|RUN|PROGRAM)\b)")));
    }
}

} // namespace

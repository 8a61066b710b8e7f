#include "platform/button_input.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <linux/input.h>
#include <unistd.h>

namespace tvx {
namespace {

class ButtonPipe : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_EQ(pipe2(fds_, O_CLOEXEC), 0);
        ASSERT_EQ(button_.OpenDescriptor(fds_[0]), 1);
    }
    void TearDown() override {
        if (fds_[1] >= 0) close(fds_[1]);
    }
    void Send(uint16_t type, uint16_t code, int32_t value, size_t bytes = sizeof(input_event)) {
        input_event ev{};
        ev.type = type;
        ev.code = code;
        ev.value = value;
        ASSERT_EQ(write(fds_[1], reinterpret_cast<const char*>(&ev), bytes), ssize_t(bytes));
    }
    void SendRest(uint16_t type, uint16_t code, int32_t value, size_t from) {
        input_event ev{};
        ev.type = type;
        ev.code = code;
        ev.value = value;
        const size_t n = sizeof ev - from;
        ASSERT_EQ(write(fds_[1], reinterpret_cast<const char*>(&ev) + from, n), ssize_t(n));
    }
    void Press() {
        Send(EV_KEY, KEY_CAMERA, 1);
        Send(EV_SYN, SYN_REPORT, 0);
        Send(EV_KEY, KEY_CAMERA, 0);
        Send(EV_SYN, SYN_REPORT, 0);
    }

    int fds_[2] = {-1, -1};
    SnapshotButton button_;
};

TEST_F(ButtonPipe, EachPressIsReportedOnce) {
    EXPECT_EQ(button_.IsButtonPressed(), 0);
    Press();
    EXPECT_EQ(button_.IsButtonPressed(), 1);
    EXPECT_EQ(button_.IsButtonPressed(), 0);
    Press();
    Press();
    EXPECT_EQ(button_.IsButtonPressed(), 1);
    EXPECT_EQ(button_.IsButtonPressed(), 1);
    EXPECT_EQ(button_.IsButtonPressed(), 0);
}

TEST_F(ButtonPipe, OtherKeysRepeatsAndPartialRecordsAreNotPresses) {
    Send(EV_KEY, KEY_A, 1);
    Send(EV_KEY, KEY_CAMERA, 2); // auto-repeat
    Send(EV_KEY, KEY_CAMERA, 0); // release
    Send(EV_REL, KEY_CAMERA, 1); // right code, wrong type
    EXPECT_EQ(button_.IsButtonPressed(), 0);

    const size_t half = sizeof(input_event) / 2;
    Send(EV_KEY, KEY_CAMERA, 1, half);
    EXPECT_EQ(button_.IsButtonPressed(), 0);
    // The record completes in the next read and counts then, once.
    SendRest(EV_KEY, KEY_CAMERA, 1, half);
    EXPECT_EQ(button_.IsButtonPressed(), 1);
    EXPECT_EQ(button_.IsButtonPressed(), 0);
}

TEST_F(ButtonPipe, ManyPressesAreCappedAndAClosedWriterEndsReading) {
    for (int i = 0; i < kMaxPendingPresses + 5; ++i)
        Press();
    int reported = 0;
    while (button_.IsButtonPressed())
        ++reported;
    EXPECT_EQ(reported, kMaxPendingPresses);

    close(fds_[1]);
    fds_[1] = -1;
    EXPECT_EQ(button_.IsButtonPressed(), 0);
    EXPECT_FALSE(button_.IsOpen());
}

// Presses that will never become pictures are counted, so the window can say so.
TEST_F(ButtonPipe, PressesBeyondTheCapAndThoseCutOffByAnUnplugAreCounted) {
    for (int i = 0; i < kMaxPendingPresses + 12; ++i)
        Press();
    EXPECT_EQ(button_.IsButtonPressed(), 1);
    EXPECT_EQ(button_.PendingPresses(), kMaxPendingPresses - 1);
    EXPECT_EQ(button_.TakeDroppedPresses(), 12);
    EXPECT_EQ(button_.TakeDroppedPresses(), 0);

    // The writer goes away with presses still pending: they count as dropped too.
    Press();
    close(fds_[1]);
    fds_[1] = -1;
    EXPECT_EQ(button_.IsButtonPressed(), 0);
    EXPECT_FALSE(button_.IsOpen());
    EXPECT_EQ(button_.TakeDroppedPresses(), kMaxPendingPresses - 1 + 1);
}

TEST(ButtonInput, OpenUsesTheSimulatedSourceWhenOneIsRegistered) {
    int fds[2];
    ASSERT_EQ(pipe2(fds, O_CLOEXEC), 0);
    SetSimulatedButtonSource([&] { return fds[0]; });
    SnapshotButton button;
    EXPECT_EQ(button.OpenInterface(), 1);
    input_event ev{};
    ev.type = EV_KEY;
    ev.code = KEY_CAMERA;
    ev.value = 1;
    ASSERT_EQ(write(fds[1], &ev, sizeof ev), ssize_t(sizeof ev));
    EXPECT_EQ(button.IsButtonPressed(), 1);
    button.CloseInterface();
    EXPECT_EQ(button.IsButtonPressed(), 0);

    SetSimulatedButtonSource([] { return -1; });
    EXPECT_EQ(button.OpenInterface(), 0);
    SetSimulatedButtonSource({});
    close(fds[1]);
}

TEST(ButtonInput, KeyCapabilityMask) {
    // 64-bit words, most significant first: KEY_CAMERA (212) is bit 20 of
    // the fourth word from the end.
    static_assert(sizeof(long) == 8, "masks below are written for 64-bit longs");
    EXPECT_TRUE(KeyBitmaskHas("100000 0 0 0", kKeyCamera));
    EXPECT_TRUE(KeyBitmaskHas("100000 0 0 0\n", kKeyCamera));
    EXPECT_FALSE(KeyBitmaskHas("200000 0 0 0", kKeyCamera));
    EXPECT_FALSE(KeyBitmaskHas("100000 0 0", kKeyCamera));
    EXPECT_FALSE(KeyBitmaskHas("", kKeyCamera));
    EXPECT_FALSE(KeyBitmaskHas("zz 0 0 0", kKeyCamera));
    EXPECT_TRUE(KeyBitmaskHas("1", 0));
}

} // namespace
} // namespace tvx

#include "capture/capture_engine.h"
#include "capture/frame_types.h"

#include <atomic>
#include <gtest/gtest.h>
#include <thread>

namespace tvx {
namespace {

TEST(StillFlags, ARequestKeepsItsSourceAndIsTakenOnce) {
    StillFlags flags;
    EXPECT_FALSE(flags.Take());
    flags.Request(StillSource::Microscope);
    EXPECT_TRUE(flags.Load().hardware);
    // A keyboard request after a button press is a keyboard request: the
    // source goes with the request, never lingers from an earlier one.
    flags.Request(StillSource::Keyboard);
    EXPECT_TRUE(flags.Load().request);
    EXPECT_FALSE(flags.Load().hardware);
    StillSource source = StillSource::Microscope;
    ASSERT_TRUE(flags.Take(&source));
    EXPECT_EQ(source, StillSource::Keyboard);
    EXPECT_FALSE(flags.requested());
    EXPECT_FALSE(flags.Take());

    // The button poll asks only while nothing stands.
    EXPECT_TRUE(flags.RequestIfIdle(StillSource::Microscope));
    EXPECT_FALSE(flags.RequestIfIdle(StillSource::Keyboard));
    ASSERT_TRUE(flags.Take(&source));
    EXPECT_EQ(source, StillSource::Microscope);
}

// The keyboard path and the button path write at the same time as frames
// read: a frame must only ever see "nothing", "keyboard" or "microscope",
// never the microscope's source without a request (which the next keyboard
// request would inherit).
TEST(StillFlags, ConcurrentWritersNeverShowAMixedState) {
    StillFlags flags;
    std::atomic<bool> stop{false};
    std::atomic<int> mixed{0};
    std::thread keyboard([&] {
        while (!stop.load()) {
            flags.Request(StillSource::Keyboard);
            flags.Clear();
        }
    });
    std::thread button([&] {
        while (!stop.load()) {
            flags.Request(StillSource::Microscope);
            flags.Take();
        }
    });
    for (int i = 0; i < 200000; ++i) {
        const StillFlags::State s = flags.Load();
        if (s.hardware && !s.request) mixed.fetch_add(1);
    }
    stop.store(true);
    keyboard.join();
    button.join();
    EXPECT_EQ(mixed.load(), 0);
}

// The UI thread and the time-lapse worker both take requests: each request
// must give exactly one still, whoever takes it.
TEST(StillFlags, EachRequestIsTakenByExactlyOneTaker) {
    StillFlags flags;
    constexpr int kRequests = 20000;
    std::atomic<int> taken{0};
    std::atomic<bool> stop{false};
    auto taker = [&] {
        // Yielding when empty: three spinning threads on a busy two-core
        // machine take minutes to pass each request around.
        while (!stop.load()) {
            if (flags.Take())
                taken.fetch_add(1);
            else
                std::this_thread::yield();
        }
    };
    std::thread a(taker), b(taker);
    for (int i = 0; i < kRequests; ++i) {
        flags.Request(i % 2 ? StillSource::Keyboard : StillSource::Microscope);
        while (flags.requested())
            std::this_thread::yield();
    }
    stop.store(true);
    a.join();
    b.join();
    EXPECT_EQ(taken.load(), kRequests);
}

TEST(CaptureSize, WidthAndHeightChangeTogether) {
    SharedCaptureSize shared;
    const CaptureSize first = shared.Load();
    EXPECT_EQ(first.width, kDefaultCaptureWidth);
    EXPECT_EQ(first.height, kDefaultCaptureHeight);
    std::atomic<bool> stop{false};
    std::thread writer([&] {
        for (int i = 0; !stop.load(); ++i)
            i % 2 ? shared.Store(640, 480) : shared.Store(320, 240);
    });
    int torn = 0;
    for (int i = 0; i < 200000; ++i) {
        const CaptureSize s = shared.Load();
        torn += !((s.width == 640 && s.height == 480) || (s.width == 320 && s.height == 240));
    }
    stop.store(true);
    writer.join();
    EXPECT_EQ(torn, 0);
}

} // namespace
} // namespace tvx

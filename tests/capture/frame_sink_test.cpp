#include "capture/frame_sink.h"
#include "capture/live_surface.h"

#include <QCoreApplication>
#include <gtest/gtest.h>

#include <atomic>
#include <cstring>
#include <memory>
#include <thread>
#include <vector>

namespace tvx {
namespace {

// A packed frame filled with one value, so the frame a still came from can
// be told by its bytes.
struct Frame {
    int w, h;
    std::vector<uint8_t> bytes;
    Frame(int width, int height, uint8_t fill)
        : w(width), h(height), bytes(std::size_t(width) * 3 * height, fill) {}
    FrameView view() { return FrameView{bytes.data(), w, h, w * 3}; }
};

// What the sink's stillDue told, queued as the session hears it.
class StillCounter : public QObject {
public:
    std::vector<int> hardware; // one entry per notice: 1 when the microscope asked
    void Listen(FrameSink& sink) {
        connect(
            &sink, &FrameSink::stillDue, this, [this](bool hw) { hardware.push_back(hw ? 1 : 0); },
            Qt::QueuedConnection);
    }
    void drain() { QCoreApplication::sendPostedEvents(this); }
};

class CountingRecorder : public FrameRecorder {
public:
    std::vector<uint8_t> firstBytes;
    void WriteFrame(const FrameView& f) override { firstBytes.push_back(f.data[0]); }
};

struct Fixture {
    EffectState effects;
    StillFlags flags;
    FrameSink sink{effects, flags};
    StillCounter notify;
    Fixture() { notify.Listen(sink); }
};

TEST(FrameSink, KeyboardStillKeepsTheFrameFromBeforeTheRequest) {
    Fixture fx;
    Frame a(8, 4, 11), b(8, 4, 22), c(8, 4, 33);
    fx.sink.OnFrame(1.0, a.view());
    fx.notify.drain();
    EXPECT_TRUE(fx.notify.hardware.empty()) << "no request, no message";
    EXPECT_EQ(fx.sink.TakeStill().pixels[0], 11);

    fx.flags.Request(StillSource::Keyboard);
    fx.sink.OnFrame(2.0, b.view());
    fx.sink.OnFrame(3.0, c.view());
    fx.notify.drain();
    const StillPicture still = fx.sink.TakeStill();
    EXPECT_EQ(still.pixels[0], 11);
    EXPECT_EQ(still.sampleTime, 1.0);
    EXPECT_EQ(fx.notify.hardware, (std::vector<int>{0, 0}))
        << "every frame posts again while the request is pending";

    // Once the save has cleared the request, the buffer follows the stream.
    fx.flags.Clear();
    fx.sink.OnFrame(4.0, c.view());
    EXPECT_EQ(fx.sink.TakeStill().pixels[0], 33);
    EXPECT_EQ(fx.sink.TakeStill().sampleTime, 4.0);
}

TEST(FrameSink, HardwareStillTakesTheFrameThatComesWithTheRequest) {
    Fixture fx;
    Frame a(8, 4, 11), b(8, 4, 22);
    fx.sink.OnFrame(1.0, a.view());
    fx.flags.Request(StillSource::Microscope);
    fx.sink.OnFrame(2.5, b.view());
    fx.notify.drain();
    const StillPicture still = fx.sink.TakeStill();
    EXPECT_EQ(still.pixels[0], 22);
    EXPECT_EQ(still.sampleTime, 2.5);
    EXPECT_EQ(fx.notify.hardware, (std::vector<int>{1}));
}

TEST(FrameSink, StillHoldsTheProcessedFrameWithAValidHeader) {
    Fixture fx;
    EffectSwitches s;
    s.negative = true;
    fx.effects.Store(s);
    // An odd width: the still rows are padded to 4 bytes with zeros, and the
    // header describes exactly what is kept.
    Frame a(5, 3, 10);
    fx.sink.OnFrame(0.0, a.view());
    const PictureHeader h = fx.sink.header();
    EXPECT_EQ(h.size, 40u);
    EXPECT_EQ(h.width, 5);
    EXPECT_EQ(h.height, 3);
    EXPECT_EQ(h.planes, 1);
    EXPECT_EQ(h.bitCount, 24);
    EXPECT_EQ(h.compression, 0u);
    EXPECT_EQ(h.sizeImage, 16u * 3);
    EXPECT_EQ(fx.sink.frameWidth(), 5);
    EXPECT_EQ(fx.sink.frameHeight(), 3);

    const StillPicture still = fx.sink.TakeStill();
    ASSERT_EQ(still.pixels.size(), 16u * 3);
    EXPECT_EQ(std::memcmp(&still.header, &h, sizeof h), 0);
    for (int r = 0; r < 3; ++r) {
        for (int i = 0; i < 15; ++i)
            EXPECT_EQ(still.pixels[r * 16 + i], 245) << "effects come before the still copy";
        EXPECT_EQ(still.pixels[r * 16 + 15], 0);
    }
}

TEST(FrameSink, StillBufferGrowsButNeverShrinks) {
    Fixture fx;
    EXPECT_TRUE(fx.sink.TakeStill().empty());
    Frame small(320, 240, 1), large(720, 576, 2);
    fx.sink.OnFrame(0, small.view());
    EXPECT_EQ(fx.sink.stillCapacity(), 320u * 3 * 240);
    fx.sink.OnFrame(0, large.view());
    EXPECT_EQ(fx.sink.stillCapacity(), 720u * 3 * 576);
    fx.sink.OnFrame(0, small.view());
    EXPECT_EQ(fx.sink.stillCapacity(), 720u * 3 * 576);
    const StillPicture still = fx.sink.TakeStill();
    EXPECT_EQ(still.width, 320);
    EXPECT_EQ(still.height, 240);
    EXPECT_EQ(still.pixels.size(), 320u * 3 * 240);
    EXPECT_EQ(fx.sink.header().width, 320);
}

TEST(FrameSink, RecorderAndLiveViewGetTheFrameOnlyWhileAttached) {
    Fixture fx;
    CountingRecorder rec;
    LiveSurface surface;
    surface.Recreate(QSize(4, 2));
    Frame a(4, 2, 50);
    fx.sink.OnFrame(0, a.view());
    EXPECT_TRUE(rec.firstBytes.empty());
    EXPECT_EQ(surface.Snapshot().pixel(0, 0), qRgb(0, 0, 0));

    EffectSwitches s;
    s.negative = true;
    fx.effects.Store(s);
    fx.sink.SetRecorder(&rec);
    fx.sink.SetLiveSurface(&surface);
    fx.sink.OnFrame(0, a.view());
    EXPECT_EQ(rec.firstBytes, (std::vector<uint8_t>{205}));
    EXPECT_EQ(surface.Snapshot().pixel(3, 1), qRgb(205, 205, 205));

    fx.sink.SetRecorder(nullptr);
    fx.sink.SetLiveSurface(nullptr);
    Frame b(4, 2, 0);
    fx.sink.OnFrame(0, b.view());
    EXPECT_EQ(rec.firstBytes.size(), 1u);
    EXPECT_EQ(surface.Snapshot().pixel(3, 1), qRgb(205, 205, 205));
}

// A frame as GStreamer hands it over: top-down rows, unpadded, read
// bottom-up through a negative stride, with an owner that may be held. Row
// r from the top is filled with top + r.
struct TopDownFrame {
    int w, h;
    std::shared_ptr<std::vector<uint8_t>> bytes;
    TopDownFrame(int width, int height, uint8_t top)
        : w(width), h(height),
          bytes(std::make_shared<std::vector<uint8_t>>(std::size_t(width) * 3 * height)) {
        for (int r = 0; r < h; ++r)
            std::memset(bytes->data() + std::size_t(r) * w * 3, top + r, std::size_t(w) * 3);
    }
    FrameView view(bool readOnly) {
        FrameView v{bytes->data() + std::size_t(h - 1) * w * 3, w, h, -w * 3};
        v.readOnly = readOnly;
        v.owner = bytes;
        return v;
    }
};

TEST(FrameSink, DeliveredFramesAreHeldNotCopiedAndReadOnlyOnesAreLeftAlone) {
    Fixture fx;
    {
        // Held: the frame outlives its delivery through its owner, and the
        // still is turned the right way up only when taken.
        TopDownFrame a(5, 3, 10);
        fx.sink.OnFrame(1.0, a.view(false));
        EXPECT_EQ(fx.sink.stillCapacity(), 0u) << "the frame is held, not copied";
        std::weak_ptr<std::vector<uint8_t>> watch = a.bytes;
        a.bytes.reset();
        EXPECT_FALSE(watch.expired()) << "the still buffer holds the delivered frame";
        const StillPicture still = fx.sink.TakeStill();
        ASSERT_EQ(still.pixels.size(), 16u * 3);
        EXPECT_EQ(still.pixels[0], 12) << "row 0 of a still is the bottom row";
        EXPECT_EQ(still.pixels[16 * 2], 10);
        EXPECT_EQ(still.pixels[15], 0) << "padding is zero";
        fx.sink.OnFrame(2.0, TopDownFrame(5, 3, 50).view(false));
        EXPECT_TRUE(watch.expired()) << "the next frame lets the last one go";
    }
    EffectSwitches neg;
    neg.negative = true;
    fx.effects.Store(neg);
    EXPECT_TRUE(fx.sink.ChangesPixels());
    {
        // Read-only and an effect on: the effect works on a copy.
        TopDownFrame shared(5, 3, 10);
        fx.sink.OnFrame(3.0, shared.view(true));
        EXPECT_EQ((*shared.bytes)[0], 10) << "a shared frame is never written";
        EXPECT_EQ(fx.sink.TakeStill().pixels[0], 255 - 12);
        // The copy the still holds is not reused for the next frame.
        TopDownFrame next(5, 3, 100);
        fx.sink.OnFrame(4.0, next.view(true));
        fx.flags.Request(StillSource::Keyboard);
        fx.sink.OnFrame(5.0, TopDownFrame(5, 3, 200).view(true));
        fx.sink.OnFrame(6.0, TopDownFrame(5, 3, 150).view(true));
        fx.notify.drain();
        EXPECT_EQ(fx.sink.TakeStill().pixels[0], 255 - 102)
            << "the kept frame survives the copies made after it";
        fx.flags.Clear();
    }
    {
        // Writable: the effect is applied in place, and that frame is held.
        TopDownFrame own(5, 3, 10);
        fx.sink.OnFrame(7.0, own.view(false));
        EXPECT_EQ((*own.bytes)[0], 255 - 10);
        EXPECT_EQ(fx.sink.TakeStill().pixels[16 * 2], 255 - 10);
    }
}

// A shared frame is mirrored or turned while it is copied; the still must be
// exactly what the same effects give in place on a frame of our own.
TEST(FrameSink, SharedFramesGetTheSameEffectsAsOwnOnes) {
    const int w = 37, h = 5; // odd sizes: padded rows and a middle pixel and row
    auto pattern = [&] {
        TopDownFrame f(w, h, 0);
        for (std::size_t i = 0; i < f.bytes->size(); ++i)
            (*f.bytes)[i] = uint8_t(i * 7 + i / 111);
        return f;
    };
    for (int combo = 1; combo < 8; ++combo) {
        SCOPED_TRACE(combo);
        EffectSwitches sw;
        sw.horMirror = combo & 1;
        sw.verMirror = combo & 2;
        sw.negative = combo & 4;
        Fixture shared, own;
        shared.effects.Store(sw);
        own.effects.Store(sw);
        TopDownFrame a = pattern(), b = pattern();
        const std::vector<uint8_t> before = *a.bytes;
        shared.sink.OnFrame(1.0, a.view(true));
        own.sink.OnFrame(1.0, b.view(false));
        EXPECT_EQ(*a.bytes, before);
        EXPECT_NE(*b.bytes, before);
        EXPECT_EQ(shared.sink.TakeStill().pixels, own.sink.TakeStill().pixels);
    }
}

// A decoded camera frame in 32 bits (blue, green, red, padding) is held as
// it came for the still buffer and the live view; everyone else gets the
// same 24-bit rows a 24-bit frame of those pixels would give.
TEST(FrameSink, ThirtyTwoBitFramesGiveTheSameAsTheir24BitTwins) {
    const int w = 37, h = 5;
    TopDownFrame narrow(w, h, 0);
    auto wide = std::make_shared<std::vector<uint8_t>>(std::size_t(w) * 4 * h);
    for (std::size_t i = 0; i < std::size_t(w) * h; ++i) {
        for (int c = 0; c < 3; ++c)
            (*narrow.bytes)[i * 3 + c] = (*wide)[i * 4 + c] = uint8_t(i * 7 + c * 50 + i / 23);
        (*wide)[i * 4 + 3] = uint8_t(i); // never read
    }
    FrameView wideView{wide->data() + std::size_t(h - 1) * w * 4, w, h, -w * 4};
    wideView.pixelBytes = 4;
    wideView.readOnly = true;
    wideView.owner = wide;

    class KeepingRecorder : public FrameRecorder {
    public:
        bool on = false;
        std::vector<uint8_t> rows; // the last frame's rows, bottom-up, packed
        void WriteFrame(const FrameView& f) override {
            ASSERT_EQ(f.pixelBytes, 3);
            rows.clear();
            for (int r = 0; r < f.height; ++r)
                rows.insert(rows.end(), f.row(r), f.row(r) + f.width * 3);
        }
        bool TakesFrames() const override { return on; }
    };
    auto still = [](FrameSink& s) { return s.TakeStill().pixels; };

    Fixture a, b;
    KeepingRecorder ra, rb;
    rb.on = true;
    LiveSurface va, vb;
    va.Recreate(QSize(w, h));
    vb.Recreate(QSize(w, h));
    a.sink.SetRecorder(&ra);
    b.sink.SetRecorder(&rb);
    a.sink.SetLiveSurface(&va);
    b.sink.SetLiveSurface(&vb);
    a.sink.OnFrame(1.0, wideView);
    b.sink.OnFrame(1.0, narrow.view(true));
    EXPECT_EQ(a.sink.stillCapacity(), 0u) << "held, not copied";
    EXPECT_TRUE(ra.rows.empty()) << "no rows are made for a recorder that is not recording";
    EXPECT_EQ(still(a.sink), still(b.sink));
    EXPECT_EQ(va.Snapshot(), vb.Snapshot());

    ra.on = true;
    a.sink.OnFrame(2.0, wideView);
    EXPECT_EQ(ra.rows, rb.rows);

    // Effects and the focus meter read 24-bit rows.
    EffectSwitches sw;
    sw.horMirror = true;
    sw.negative = true;
    for (Fixture* f : {&a, &b}) {
        f->effects.Store(sw);
        f->sink.SetFocusMeter(true);
    }
    a.sink.OnFrame(3.0, wideView);
    b.sink.OnFrame(3.0, narrow.view(true));
    EXPECT_EQ(still(a.sink), still(b.sink));
    EXPECT_NE(still(a.sink), (std::vector<uint8_t>())) << "a still was kept";
    EXPECT_EQ(ra.rows, rb.rows);
    EXPECT_EQ(va.Snapshot(), vb.Snapshot());
    EXPECT_EQ(a.sink.focusLevel().figure, b.sink.focusLevel().figure);
    EXPECT_EQ(a.sink.focusReadings(), 1u);
    for (FrameSink* s : {&a.sink, &b.sink}) {
        s->SetRecorder(nullptr);
        s->SetLiveSurface(nullptr);
    }
}

TEST(FrameSink, BrokenFramesAreIgnored) {
    Fixture fx;
    fx.flags.Request(StillSource::Keyboard);
    fx.sink.OnFrame(0, FrameView{});
    Frame a(4, 2, 1);
    FrameView bad = a.view();
    bad.stride = 2;
    fx.sink.OnFrame(0, bad);
    fx.notify.drain();
    EXPECT_TRUE(fx.notify.hardware.empty());
    EXPECT_TRUE(fx.sink.TakeStill().empty());
    EXPECT_EQ(fx.sink.frameWidth(), 0);
}

// One thread plays the stream while the UI side takes stills, switches
// effects and attaches and detaches the recorder. Every still must be one
// whole frame: all its bytes alike and matching its sample time.
TEST(FrameSink, StillsTakenDuringTheStreamAreNeverTorn) {
    EffectState effects;
    StillFlags flags;
    FrameSink sink(effects, flags);
    LiveSurface surface;
    surface.Recreate(QSize(64, 48));
    sink.SetLiveSurface(&surface);
    std::atomic<bool> stop{false};
    std::atomic<int> framesSeen{0};

    std::thread stream([&] {
        std::vector<uint8_t> buf;
        for (int i = 0; !stop; ++i) {
            const int w = (i % 3 == 0) ? 64 : 32, h = (i % 3 == 0) ? 48 : 24;
            buf.assign(std::size_t(w) * 3 * h, uint8_t(i % 100));
            sink.OnFrame(double(i % 100), FrameView{buf.data(), w, h, w * 3});
            framesSeen.fetch_add(1);
        }
    });

    CountingRecorder rec;
    bool negative = false;
    int checked = 0;
    // Enough stills to overlap many frames of both sizes.
    while (checked < 300 || framesSeen < 300) {
        const StillPicture still = sink.TakeStill();
        if (!still.empty()) {
            const uint8_t first = still.pixels[0];
            // A negative frame holds 255 - v.
            const int v = first > 127 ? 255 - first : first;
            EXPECT_EQ(double(v), still.sampleTime);
            for (int r = 0; r < still.height; ++r)
                for (int c = 0; c < still.width * 3; ++c)
                    ASSERT_EQ(still.pixels[std::size_t(r) * still.stride + c], first);
            ++checked;
        }
        negative = !negative;
        EffectSwitches s;
        s.negative = negative;
        effects.Store(s);
        sink.SetRecorder(checked % 2 ? &rec : nullptr);
        surface.Snapshot();
    }
    stop = true;
    stream.join();
    sink.SetRecorder(nullptr);
    sink.SetLiveSurface(nullptr);
}

} // namespace
} // namespace tvx

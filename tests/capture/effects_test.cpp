#include "capture/effect_state.h"
#include "capture/effects.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <initializer_list>
#include <random>
#include <vector>

namespace tvx {
namespace {

constexpr uint8_t kPad = 0xAB;

// A frame with padded rows; the padding holds kPad so a test can see that
// no effect writes past a row.
struct TestFrame {
    int w, h, stride;
    std::vector<uint8_t> bytes;
    TestFrame(int width, int height, int extra = 0)
        : w(width), h(height), stride(width * 3 + extra),
          bytes(std::size_t(stride) * height, kPad) {
        for (int r = 0; r < h; ++r)
            for (int c = 0; c < w; ++c)
                set(r, c, uint8_t(r * 31 + c * 7), uint8_t(r * 5 + c * 13 + 1),
                    uint8_t(r * 17 + c * 3 + 2));
    }
    uint8_t* px(int r, int c) { return bytes.data() + std::size_t(r) * stride + c * 3; }
    void set(int r, int c, uint8_t b, uint8_t g, uint8_t red) {
        px(r, c)[0] = b;
        px(r, c)[1] = g;
        px(r, c)[2] = red;
    }
    void randomise(std::mt19937& rng) {
        for (int r = 0; r < h; ++r)
            for (int i = 0; i < w * 3; ++i)
                bytes[std::size_t(r) * stride + i] = uint8_t(rng());
    }
    FrameView view() { return FrameView{bytes.data(), w, h, stride}; }
    bool paddingIntact() const {
        for (int r = 0; r < h; ++r)
            for (int i = w * 3; i < stride; ++i)
                if (bytes[std::size_t(r) * stride + i] != kPad) return false;
        return true;
    }
};

// Straightforward per-pixel forms to hold the fast paths against.
void RefMirror(TestFrame& f) {
    TestFrame copy = f;
    for (int r = 0; r < f.h; ++r)
        for (int c = 0; c < f.w; ++c)
            std::memcpy(f.px(r, c), copy.px(r, f.w - 1 - c), 3);
}

void RefTurn(TestFrame& f) {
    TestFrame copy = f;
    for (int r = 0; r < f.h; ++r)
        for (int c = 0; c < f.w; ++c)
            std::memcpy(f.px(r, c), copy.px(f.h - 1 - r, f.w - 1 - c), 3);
}

int RefBinary(TestFrame& f) {
    uint32_t hist[256] = {};
    for (int r = 0; r < f.h; ++r)
        for (int c = 0; c < f.w; ++c)
            ++hist[GreyValue(f.px(r, c)[0], f.px(r, c)[1], f.px(r, c)[2])];
    const int t = OtsuThreshold(hist);
    for (int r = 0; r < f.h; ++r)
        for (int c = 0; c < f.w; ++c) {
            uint8_t* p = f.px(r, c);
            const uint8_t v = GreyValue(p[0], p[1], p[2]) >= t ? 255 : 0;
            p[0] = p[1] = p[2] = v;
        }
    return t;
}

TEST(Effects, MirrorAndTurnMoveEveryPixelAndKeepPadding) {
    std::mt19937 rng(7);
    std::vector<uint8_t> scratch;
    // Widths around the sixteen- and thirty-two-pixel steps of the fast paths.
    for (int w = 1; w <= 70; ++w) {
        for (int h : {1, 2, 3, 6}) {
            for (int extra : {0, 1, 5}) {
                TestFrame f(w, h, extra);
                f.randomise(rng);
                TestFrame expected = f;

                MirrorHorizontal(f.view(), scratch);
                RefMirror(expected);
                ASSERT_EQ(f.bytes, expected.bytes) << "mirror w=" << w << " h=" << h;

                Turn180(f.view(), scratch);
                RefTurn(expected);
                ASSERT_EQ(f.bytes, expected.bytes) << "turn w=" << w << " h=" << h;
                ASSERT_TRUE(f.paddingIntact());

                TestFrame into(w, h, extra);
                MirrorHorizontalInto(f.view(), into.view());
                TestFrame mirrored = f;
                RefMirror(mirrored);
                ASSERT_EQ(into.bytes, mirrored.bytes) << "mirror into w=" << w;
                Turn180Into(f.view(), into.view());
                TestFrame turned = f;
                RefTurn(turned);
                ASSERT_EQ(into.bytes, turned.bytes) << "turn into w=" << w;
            }
        }
    }
}

TEST(Effects, TurnReversesBothAxesNotOnlyTheRows) {
    TestFrame f(3, 2);
    f.set(0, 0, 1, 2, 3); // bottom-left in memory order
    std::vector<uint8_t> scratch;
    Turn180(f.view(), scratch);
    EXPECT_EQ(f.px(1, 2)[0], 1);
    EXPECT_EQ(f.px(1, 2)[1], 2);
    EXPECT_EQ(f.px(1, 2)[2], 3);
}

TEST(Effects, NegativeInvertsEveryByteOfPackedAndPaddedRows) {
    for (int extra : {0, 3}) {
        TestFrame f(13, 5, extra);
        const TestFrame before = f;
        Negative(f.view());
        for (int r = 0; r < f.h; ++r)
            for (int i = 0; i < f.w * 3; ++i)
                ASSERT_EQ(f.bytes[r * f.stride + i], 255 - before.bytes[r * f.stride + i]);
        EXPECT_TRUE(f.paddingIntact());
    }
}

TEST(Effects, ChannelSelectionFollowsTheMaskTable) {
    struct Case {
        uint32_t mask;
        uint8_t b, g, r;
    } cases[] = {
        {kChannelR, 30, 30, 30},
        {kChannelG, 20, 20, 20},
        {kChannelB, 10, 10, 10},
        {kChannelR | kChannelG, 0, 20, 30},
        {kChannelR | kChannelB, 10, 0, 30},
        {kChannelG | kChannelB, 10, 20, 0},
        // Masks the buttons cannot make leave the picture alone.
        {kChannelR | kChannelG | kChannelB, 10, 20, 30},
        {0x2, 10, 20, 30},
    };
    for (const Case& k : cases) {
        for (int w = 1; w <= 23; ++w) {
            TestFrame f(w, 2, 2);
            for (int r = 0; r < f.h; ++r)
                for (int c = 0; c < f.w; ++c)
                    f.set(r, c, 10, 20, 30);
            SelectChannels(f.view(), k.mask);
            for (int r = 0; r < f.h; ++r)
                for (int c = 0; c < f.w; ++c) {
                    ASSERT_EQ(f.px(r, c)[0], k.b) << std::hex << k.mask << " w=" << w;
                    ASSERT_EQ(f.px(r, c)[1], k.g) << std::hex << k.mask << " w=" << w;
                    ASSERT_EQ(f.px(r, c)[2], k.r) << std::hex << k.mask << " w=" << w;
                }
            ASSERT_TRUE(f.paddingIntact());
        }
    }
}

// The wide paths step by 32 bytes, 96 bytes and whole packed frames; random
// frames of widths around those steps, packed and padded, against the
// per-pixel forms.
TEST(Effects, NegativeAndChannelsMatchPerPixelFormAtEveryWidth) {
    std::mt19937 rng(11);
    const uint32_t masks[] = {kChannelR,
                              kChannelG,
                              kChannelB,
                              kChannelR | kChannelG,
                              kChannelR | kChannelB,
                              kChannelG | kChannelB};
    for (int w = 1; w <= 70; ++w) {
        for (int extra : {0, 2}) {
            TestFrame f(w, 3, extra);
            f.randomise(rng);
            TestFrame neg = f;
            Negative(neg.view());
            for (int r = 0; r < f.h; ++r)
                for (int i = 0; i < f.w * 3; ++i)
                    ASSERT_EQ(neg.bytes[r * f.stride + i], uint8_t(~f.bytes[r * f.stride + i]))
                        << "w=" << w;
            ASSERT_TRUE(neg.paddingIntact());
            for (uint32_t mask : masks) {
                TestFrame got = f;
                SelectChannels(got.view(), mask);
                for (int r = 0; r < f.h; ++r)
                    for (int c = 0; c < f.w; ++c) {
                        const uint8_t* in = f.px(r, c);
                        const uint8_t b = (mask & kChannelB) ? in[0] : 0;
                        const uint8_t g = (mask & kChannelG) ? in[1] : 0;
                        const uint8_t red = (mask & kChannelR) ? in[2] : 0;
                        const bool single =
                            mask == kChannelR || mask == kChannelG || mask == kChannelB;
                        const uint8_t all = uint8_t(b | g | red);
                        const uint8_t want[3] = {single ? all : b, single ? all : g,
                                                 single ? all : red};
                        ASSERT_EQ(0, std::memcmp(got.px(r, c), want, 3))
                            << std::hex << mask << std::dec << " w=" << w << " c=" << c;
                    }
                ASSERT_TRUE(got.paddingIntact());
            }
        }
    }
}

TEST(Effects, GreyRuleIsExactForEveryColour) {
    // truncate(0.59 G + 0.30 R + 0.11 B + 0.5) in exact decimal arithmetic is
    // floor((59 G + 30 R + 11 B + 50) / 100); check the fast grey plane of
    // binary segmentation against it for all 2^24 colours.
    const int w = 256, h = 256;
    TestFrame f(w, h);
    std::vector<uint8_t> grey;
    for (int blue = 0; blue < 256; ++blue) {
        for (int r = 0; r < h; ++r)
            for (int c = 0; c < w; ++c)
                f.set(r, c, uint8_t(blue), uint8_t(c), uint8_t(r));
        BinarySegment(f.view(), grey);
        for (int r = 0; r < h; ++r)
            for (int c = 0; c < w; ++c) {
                const unsigned expected = (59u * c + 30u * r + 11u * blue + 50u) / 100u;
                ASSERT_EQ(grey[std::size_t(r) * w + c], expected)
                    << "b=" << blue << " g=" << c << " r=" << r;
            }
    }
}

TEST(Effects, OtsuThresholdEdgeCases) {
    uint32_t hist[256] = {};
    EXPECT_EQ(OtsuThreshold(hist), 0) << "empty picture";
    hist[128] = 1000;
    EXPECT_EQ(OtsuThreshold(hist), 0) << "one grey value: no split has a variance";
    // Two values: every t from 50 to 199 splits them equally well; the
    // earliest one is kept.
    std::fill(hist, hist + 256, 0u);
    hist[50] = 300;
    hist[200] = 300;
    EXPECT_EQ(OtsuThreshold(hist), 50);
    // Three clusters, against an independent double-precision search.
    std::fill(hist, hist + 256, 0u);
    hist[20] = 1000;
    hist[21] = 400;
    hist[120] = 500;
    hist[220] = 700;
    hist[221] = 10;
    double best = -1;
    int bestT = 0;
    for (int t = 0; t < 255; ++t) {
        double c0 = 0, m0 = 0, c1 = 0, m1 = 0;
        for (int g = 0; g < 256; ++g)
            (g <= t ? c0 : c1) += hist[g], (g <= t ? m0 : m1) += double(g) * hist[g];
        if (c0 == 0 || c1 == 0) continue;
        const double w0 = c0 / (c0 + c1), d = m1 / c1 - m0 / c0;
        const double s = w0 * (1 - w0) * d * d;
        if (s > best + 1e-6 * best) best = s, bestT = t;
    }
    EXPECT_EQ(OtsuThreshold(hist), bestT);
}

TEST(Effects, BinarySegmentationWhitensGreyAtOrAboveThreshold) {
    std::vector<uint8_t> grey;
    // A uniformly grey picture: threshold 0, all white.
    TestFrame flat(9, 4, 1);
    for (int r = 0; r < flat.h; ++r)
        for (int c = 0; c < flat.w; ++c)
            flat.set(r, c, 90, 90, 90);
    EXPECT_EQ(BinarySegment(flat.view(), grey), 0);
    for (int r = 0; r < flat.h; ++r)
        for (int i = 0; i < flat.w * 3; ++i)
            ASSERT_EQ(flat.bytes[r * flat.stride + i], 255);
    EXPECT_TRUE(flat.paddingIntact());

    // Dark, middle and bright pixels: the threshold lands on a grey value
    // that occurs, and that pixel goes white.
    TestFrame f(20, 3);
    for (int r = 0; r < f.h; ++r)
        for (int c = 0; c < f.w; ++c) {
            const uint8_t v = c < 8 ? 10 : (c < 12 ? 100 : 240);
            f.set(r, c, v, v, v);
        }
    const int t = BinarySegment(f.view(), grey);
    EXPECT_TRUE(t == 10 || t == 100) << t;
    for (int c = 0; c < f.w; ++c) {
        const uint8_t v = c < 8 ? 10 : (c < 12 ? 100 : 240);
        EXPECT_EQ(f.px(1, c)[0], v >= t ? 255 : 0) << "column " << c << " t=" << t;
    }
}

TEST(Effects, BinarySegmentationMatchesPerPixelFormOnRandomFrames) {
    std::mt19937 rng(11);
    std::vector<uint8_t> grey;
    for (int w : {1, 15, 16, 17, 33, 64, 101}) {
        TestFrame f(w, 7, w % 4);
        f.randomise(rng);
        // Skew the picture so the threshold is not the middle.
        for (int r = 0; r < f.h; ++r)
            for (int i = 0; i < f.w * 3; ++i)
                f.bytes[r * f.stride + i] = uint8_t(f.bytes[r * f.stride + i] * (r + 1) / 8);
        TestFrame expected = f;
        const int want = RefBinary(expected);
        EXPECT_EQ(BinarySegment(f.view(), grey), want);
        ASSERT_EQ(f.bytes, expected.bytes) << "w=" << w;
    }
}

TEST(Effects, ApplyEffectsRunsInTheFixedOrder) {
    EffectScratch scratch;
    // Binary segmentation comes before negative: the result is the inverted
    // black-and-white picture, not the segmentation of the inverted one.
    TestFrame f(16, 4);
    TestFrame expected = f;
    RefBinary(expected);
    for (auto& b : expected.bytes)
        b = uint8_t(255 - b);
    EffectSwitches s;
    s.binary = true;
    s.negative = true;
    ApplyEffects(f.view(), s, scratch);
    EXPECT_EQ(f.bytes, expected.bytes);

    // Mirror then turn leaves the rows reversed only; the channel selection
    // comes last.
    TestFrame g(5, 3);
    TestFrame want = g;
    RefMirror(want);
    RefTurn(want);
    for (int r = 0; r < want.h; ++r)
        for (int c = 0; c < want.w; ++c)
            want.px(r, c)[0] = 0;
    EffectSwitches t;
    t.horMirror = true;
    t.verMirror = true;
    t.channelMask = kChannelR | kChannelG;
    ApplyEffects(g.view(), t, scratch);
    EXPECT_EQ(g.bytes, want.bytes);

    // Nothing switched on changes nothing.
    TestFrame plain(7, 2);
    const TestFrame untouched = plain;
    ApplyEffects(plain.view(), EffectSwitches{}, scratch);
    EXPECT_EQ(plain.bytes, untouched.bytes);
}

TEST(Effects, EmptyOrBrokenFramesAreLeftAlone) {
    std::vector<uint8_t> scratch;
    FrameView none;
    MirrorHorizontal(none, scratch);
    Turn180(none, scratch);
    Negative(none);
    SelectChannels(none, kChannelR);
    EXPECT_EQ(BinarySegment(none, scratch), 0);
    // A stride shorter than a row would run past the buffer.
    TestFrame f(4, 2);
    const TestFrame before = f;
    FrameView bad = f.view();
    bad.stride = 5;
    Negative(bad);
    MirrorHorizontal(bad, scratch);
    EXPECT_EQ(f.bytes, before.bytes);
}

// ---- the effect buttons ----

} // namespace
} // namespace tvx

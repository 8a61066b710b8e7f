#include "session/effect_buttons.h"

#include <gtest/gtest.h>

#include <initializer_list>

namespace tvx {
namespace {

bool OnlyPressed(const EffectButtons& b, std::initializer_list<int> ids) {
    for (int id = kBtnHorMirror; id <= kBtnBlue; ++id) {
        const bool want = std::find(ids.begin(), ids.end(), id) != ids.end();
        if (b.IsPressed(id) != want) return false;
    }
    return true;
}

TEST(EffectButtons, SingleEffectsToggleAndExcludeEachOther) {
    EffectState state;
    EffectButtons b(state);
    int toolReleases = 0;
    b.SetReleaseMeasuringTools([&] { ++toolReleases; });

    EXPECT_TRUE(b.Press(kBtnHorMirror));
    EXPECT_TRUE(state.Load().horMirror);
    EXPECT_TRUE(OnlyPressed(b, {kBtnHorMirror}));
    EXPECT_TRUE(b.Press(kBtnHorMirror));
    EXPECT_FALSE(state.Load().any()) << "pressing twice returns to the plain picture";
    EXPECT_TRUE(OnlyPressed(b, {}));

    b.Press(kBtnBinary);
    b.Press(kBtnVerMirror); // replaces binary
    EffectSwitches want;
    want.verMirror = true;
    EXPECT_EQ(state.Load(), want);
    EXPECT_TRUE(OnlyPressed(b, {kBtnVerMirror}));
    EXPECT_EQ(toolReleases, 4) << "every press releases the measuring tools";

    EXPECT_FALSE(b.Press(1184));
    EXPECT_FALSE(b.Press(1192));
    EXPECT_EQ(state.Load(), want);
}

TEST(EffectButtons, ChannelButtonsKeepAtMostTwoColours) {
    EffectState state;
    EffectButtons b(state);
    b.Press(kBtnRed);
    EXPECT_EQ(state.Load().channelMask, kChannelR);
    b.Press(kBtnGreen);
    EXPECT_EQ(state.Load().channelMask, kChannelR | kChannelG) << "R and G: no blue";
    EXPECT_TRUE(OnlyPressed(b, {kBtnRed, kBtnGreen}));
    b.Press(kBtnBlue);
    EXPECT_EQ(state.Load().channelMask, kChannelB) << "a third colour replaces the pair";
    EXPECT_TRUE(OnlyPressed(b, {kBtnBlue}));
    b.Press(kBtnBlue);
    EXPECT_EQ(state.Load().channelMask, 0u);
    EXPECT_TRUE(OnlyPressed(b, {}));

    // Releasing one of a pair keeps the other.
    b.Press(kBtnGreen);
    b.Press(kBtnBlue);
    b.Press(kBtnGreen);
    EXPECT_EQ(state.Load().channelMask, kChannelB);
    EXPECT_TRUE(OnlyPressed(b, {kBtnBlue}));

    // A channel switches the single effects off, and the other way round.
    b.Press(kBtnNegative);
    EXPECT_EQ(state.Load().channelMask, 0u);
    EXPECT_TRUE(state.Load().negative);
    EXPECT_TRUE(OnlyPressed(b, {kBtnNegative}));
    b.Press(kBtnRed);
    EffectSwitches want;
    want.channelMask = kChannelR;
    EXPECT_EQ(state.Load(), want);
    EXPECT_TRUE(OnlyPressed(b, {kBtnRed}));
    b.Press(kBtnNegative);
    EXPECT_EQ(state.Load().channelMask, 0u) << "negative while R is selected clears the mask";
    EXPECT_TRUE(OnlyPressed(b, {kBtnNegative}));
}

TEST(EffectButtons, SwitchesSurviveThePackedWord) {
    for (uint32_t mask : {0u, kChannelR, kChannelG | kChannelB, 0x111u})
        for (int bits = 0; bits < 16; ++bits) {
            EffectSwitches s;
            s.horMirror = bits & 1;
            s.verMirror = bits & 2;
            s.negative = bits & 4;
            s.binary = bits & 8;
            s.channelMask = mask;
            EXPECT_EQ(EffectSwitches::Unpack(s.Pack()), s);
        }
}

} // namespace
} // namespace tvx

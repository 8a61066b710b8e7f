#include "session/effect_buttons.h"

namespace tvx {

namespace {

int Index(int id) {
    return id - kBtnHorMirror;
}
bool IsEffectId(int id) {
    return id >= kBtnHorMirror && id <= kBtnBlue;
}

uint32_t ChannelBit(int id) {
    switch (id) {
    case kBtnRed:
        return kChannelR;
    case kBtnGreen:
        return kChannelG;
    default:
        return kChannelB;
    }
}

} // namespace

EffectButtons::EffectButtons(EffectState& state) : state_(state), switches_(state.Load()) {}

bool EffectButtons::IsPressed(int id) const {
    return IsEffectId(id) && pressed_[Index(id)];
}

bool EffectButtons::Press(int id) {
    if (!IsEffectId(id)) return false;
    if (id <= kBtnBinary)
        PressSingle(id);
    else
        PressChannel(id);
    if (releaseTools_) releaseTools_();
    state_.Store(switches_);
    return true;
}

void EffectButtons::PressSingle(int id) {
    const bool wasPressed = pressed_[Index(id)];
    for (bool& p : pressed_)
        p = false;
    switches_ = EffectSwitches{};
    if (wasPressed) return;
    pressed_[Index(id)] = true;
    switch (id) {
    case kBtnHorMirror:
        switches_.horMirror = true;
        break;
    case kBtnVerMirror:
        switches_.verMirror = true;
        break;
    case kBtnNegative:
        switches_.negative = true;
        break;
    default:
        switches_.binary = true;
        break;
    }
}

void EffectButtons::PressChannel(int id) {
    const int channels[3] = {kBtnRed, kBtnGreen, kBtnBlue};
    int othersPressed = 0;
    for (int c : channels)
        if (c != id && pressed_[Index(c)]) ++othersPressed;
    if (othersPressed == 2)
        for (int c : channels)
            if (c != id) pressed_[Index(c)] = false;
    for (int e = kBtnHorMirror; e <= kBtnBinary; ++e)
        pressed_[Index(e)] = false;

    uint32_t mask = switches_.channelMask;
    switches_ = EffectSwitches{};
    const uint32_t bit = ChannelBit(id);
    if (pressed_[Index(id)]) {
        pressed_[Index(id)] = false;
        mask &= ~bit;
    } else {
        pressed_[Index(id)] = true;
        const uint32_t others = (kChannelR | kChannelG | kChannelB) & ~bit;
        if ((mask & others) == others) {
            // A third colour replaces the pair: release the other two.
            mask &= ~others;
            for (int c : channels)
                if (c != id) pressed_[Index(c)] = false;
        }
        mask |= bit;
    }
    switches_.channelMask = mask;
}

} // namespace tvx

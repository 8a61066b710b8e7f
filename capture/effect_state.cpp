#include "capture/effect_state.h"

namespace tvx {

namespace {

constexpr uint32_t kBitHor = 1u << 16;
constexpr uint32_t kBitVer = 1u << 17;
constexpr uint32_t kBitNeg = 1u << 18;
constexpr uint32_t kBitBin = 1u << 19;
constexpr uint32_t kMaskBits = 0xFFFF;

} // namespace

uint32_t EffectSwitches::Pack() const {
    return (channelMask & kMaskBits) | (horMirror ? kBitHor : 0) | (verMirror ? kBitVer : 0) |
           (negative ? kBitNeg : 0) | (binary ? kBitBin : 0);
}

EffectSwitches EffectSwitches::Unpack(uint32_t word) {
    EffectSwitches s;
    s.channelMask = word & kMaskBits;
    s.horMirror = (word & kBitHor) != 0;
    s.verMirror = (word & kBitVer) != 0;
    s.negative = (word & kBitNeg) != 0;
    s.binary = (word & kBitBin) != 0;
    return s;
}

} // namespace tvx

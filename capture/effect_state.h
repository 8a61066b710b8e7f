#pragma once

#include <atomic>
#include <cstdint>

namespace tvx {

// Channel-selection bits as the buttons combine them.
constexpr uint32_t kChannelR = 0x1;
constexpr uint32_t kChannelG = 0x10;
constexpr uint32_t kChannelB = 0x100;

// One frame's view of the effect switches.
struct EffectSwitches {
    bool horMirror = false;
    bool verMirror = false; // the 180-degree turn
    bool negative = false;
    bool binary = false;
    uint32_t channelMask = 0;

    bool operator==(const EffectSwitches& o) const {
        return horMirror == o.horMirror && verMirror == o.verMirror && negative == o.negative &&
               binary == o.binary && channelMask == o.channelMask;
    }
    bool operator!=(const EffectSwitches& o) const { return !(*this == o); }
    bool any() const { return horMirror || verMirror || negative || binary || channelMask != 0; }

    uint32_t Pack() const;
    static EffectSwitches Unpack(uint32_t word);
};

// The switches a session's frames are drawn with. A button press changes
// several switches at once; keeping them in one word means a frame never
// sees half a change.
class EffectState {
public:
    EffectSwitches Load() const { return EffectSwitches::Unpack(word_.load()); }
    void Store(const EffectSwitches& s) { word_.store(s.Pack()); }

private:
    std::atomic<uint32_t> word_{0}; // written by the UI thread, read by the streaming thread
};

} // namespace tvx

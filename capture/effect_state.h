#pragma once

#include <atomic>
#include <cstdint>
#include <functional>

namespace tvx {

// Ids of the seven effect buttons of the main window.
enum EffectButtonId : int {
    kBtnHorMirror = 1185,
    kBtnVerMirror = 1186,
    kBtnNegative = 1187,
    kBtnBinary = 1188,
    kBtnRed = 1189,
    kBtnGreen = 1190,
    kBtnBlue = 1191,
};

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

// The process-wide switches. A button press changes several switches at
// once; keeping them in one word means a frame never sees half a change.
class EffectState {
public:
    EffectSwitches Load() const { return EffectSwitches::Unpack(word_.load()); }
    void Store(const EffectSwitches& s) { word_.store(s.Pack()); }

private:
    std::atomic<uint32_t> word_{0}; // written by the UI thread, read by the streaming thread
};
EffectState& effectState();

// The rules of the seven effect buttons: which are pressed and what the
// switches become. Lives on the UI thread; the window mirrors IsPressed()
// onto its bitmap buttons after every Press().
class EffectButtons {
public:
    explicit EffectButtons(EffectState& state = effectState());

    // Handler of buttons 1185 to 1191. Every press also releases the
    // measuring-tool buttons of the window, through the callback when set.
    // Unknown ids are ignored and answer false.
    bool Press(int id);
    bool IsPressed(int id) const;
    EffectSwitches switches() const { return switches_; }

    void SetReleaseMeasuringTools(std::function<void()> fn) { releaseTools_ = std::move(fn); }

private:
    void PressSingle(int id);
    void PressChannel(int id);

    EffectState& state_;
    EffectSwitches switches_;
    bool pressed_[7] = {};
    std::function<void()> releaseTools_;
};

} // namespace tvx

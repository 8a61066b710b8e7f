#pragma once

#include "capture/effect_state.h"

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

// The rules of the seven effect buttons: which are pressed and what the
// switches become. Lives on the UI thread; the window mirrors IsPressed()
// onto its bitmap buttons after every Press().
class EffectButtons {
public:
    explicit EffectButtons(EffectState& state);

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

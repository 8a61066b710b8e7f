#pragma once

// Control ids of the video player (template 195); each control carries its
// id as its object name ("1122" …) so tests and the skin find it.
namespace tvx::player_ids {

inline constexpr int kPlayerTemplate = 195;
inline constexpr int kVideoArea = 1113;
inline constexpr int kSlider = 1115;
inline constexpr int kFirst = 1114;
inline constexpr int kBackward = 1121;
inline constexpr int kPlay = 1122;
inline constexpr int kStop = 1123;
inline constexpr int kForward = 1124;
inline constexpr int kLast = 1125;
inline constexpr int kPause = 1126;
// Not in the template: the position and duration under the slider.
inline constexpr int kTimeReadout = 1127;

// Pictures: the background and each button's up and down (or latched) picture.
inline constexpr int kPicPlayerBackground = 196;

// Timers: the position while playing, and the frame kept in the video area.
inline constexpr int kTimerPosition = 370;
inline constexpr int kTimerKeepFrame = 372;
inline constexpr int kTimerPeriodMs = 50;

} // namespace tvx::player_ids

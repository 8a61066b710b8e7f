#pragma once

namespace tvx {

// Plays the program's sound of this number (180 recording start, 181 still
// saved, 182 recording stop) without waiting for it. Silent where there is no audio
// output or when TAVOLUX_MUTE is set; never reports a failure.
void PlaySound(int id);

// How many times PlaySound was asked to play, for tests.
int SoundsRequested(int id);

} // namespace tvx

#pragma once

namespace tvx {

// The program's own sounds, by number.
enum SoundId : int {
    kSoundRecordStart = 180,
    kSoundStill = 181,
    kSoundRecordStop = 182,
};

// Plays a sound without waiting for it. Silent where there is no audio
// output or when TAVOLUX_MUTE is set; never reports a failure.
void PlaySound(int id);

// How many times PlaySound was asked to play, for tests.
int SoundsRequested(int id);

} // namespace tvx

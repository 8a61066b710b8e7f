#pragma once

#include <QString>

namespace tvx {

// Plays sound `id` from `file` (a path or a Qt resource) without waiting for
// it. Silent where there is no audio output, the file is missing or
// TAVOLUX_MUTE is set; never reports a failure.
void PlaySound(int id, const QString& file);

// How many times PlaySound was asked to play, for tests.
int SoundsRequested(int id);

} // namespace tvx

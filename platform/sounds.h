#pragma once

#include <QString>

namespace tvx {

// Plays sound `id` from `file` (a path or a Qt resource) without waiting for
// it. Silent where there is no audio output, the file is missing or
// TAVOLUX_MUTE is set; never reports a failure to the caller (failures are
// logged under "tavolux.sound").
//
// Each sound has one player at a time: asking again stops and releases the
// one still playing. A player is released when its sound ends or fails, and
// every player left goes when the application object does. UI thread only.
void PlaySound(int id, const QString& file);

// Stops and releases every player now.
void ReleaseSounds();

// How many times PlaySound was asked to play, for tests.
int SoundsRequested(int id);

// Players made and not yet freed by GStreamer, for tests.
int SoundPlayersAlive();

} // namespace tvx

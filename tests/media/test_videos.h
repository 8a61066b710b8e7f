#pragma once

// Small videos made at test time with GStreamer's own test sources.
#include <QString>

namespace tvx::test {

// An MJPEG AVI of `frames` frames of 64 × 48 at `fps` frames a second;
// false when it cannot be made.
bool MakeTestVideo(const QString& path, int frames, int fps);
// A WAV file of a fraction of a second: sound and no picture.
bool MakeTestSound(const QString& path);

} // namespace tvx::test

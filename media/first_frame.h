#pragma once

#include "imaging/thumbnail.h"

#include <QByteArray>
#include <QSize>
#include <QString>
#include <atomic>

namespace tvx {

// Decodes the first picture of the first video stream of an AVI file into
// the record as a 24-bit bottom-up DIB (40-byte header, BGR rows padded to 4
// bytes). With a non-empty `atLeast` the picture is shrunk by the largest of
// 1/2, 1/4, 1/8 that still covers that size; a picture too large for the
// area is shrunk until it fits. A missing file answers Vanished; a file that
// is not a regular file (a FIFO is never waited on), not an AVI, has no
// video stream, or whose first frame does not decode fails with the reason.
// Raising `stop` (when given) from another thread ends the decoding soon,
// with a failure. Safe to call on any thread with a record of its own.
LoadResult LoadVideoFirstFrame(ThumbnailRecord& record, const QString& path, QSize atLeast = {},
                               const std::atomic<bool>* stop = nullptr);
// The same on a file held in memory.
LoadResult LoadVideoFirstFrameFromMemory(ThumbnailRecord& record, const QByteArray& bytes,
                                         QSize atLeast = {});

} // namespace tvx

#pragma once

#include "media/avi_error.h"

#include <QString>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>

namespace tvx {

class AviEncoder;

// The compressor every F3 start and every dialog start without Compress uses.
CompressorChoice DefaultCompressor();

// The user's message for an error: the looked-up text of its step with the
// code filled in, then the reason on a line of its own.
QString AviErrorText(const AviError& error);
// Title of every recording message box: "AVI Capture".
QString AviErrorTitle();

// The frame rate a recording assumes for a capture width: 25 at 320, 12 at
// 640, 10 at 720; 0 (no default) for other widths.
int DefaultFrameRateForWidth(int width);
// The rate actually written into a file. A rate below 1 (the user typed 0
// or text) becomes the default for the width, or 10 when the width has
// none, so the file still plays at about the speed it was taken; rates
// above 30 are cut to 30, the most the receiver delivers.
int EffectiveFrameRate(int requested, int width);

// Writes 24-bit bottom-up BGR frames into a new AVI file through a
// libavcodec encoder. Sample i has pts i in a time base of 1/frame rate, so
// the file plays at the frame rate whatever the delivery rate was; every
// picture is coded as a key frame where the encoder can do so. A sample
// given no picture of its own (a frame that came while the encoder was
// still busy) keeps its time: the muxer writes an empty chunk there, which
// a player shows as the picture before it. Not thread-safe: the caller
// serialises the calls.
class AviWriter {
public:
    ~AviWriter(); // closes (writes the index) if still open

    // Checks the encoder at this size before touching the disk, then opens
    // `path`, an empty file the caller reserved under a free name (it is
    // never created here, and a file that holds anything is refused, so
    // nothing is ever overwritten), and writes the header. A failure after
    // the open removes the file; one before it leaves the reservation to
    // the caller.
    static std::unique_ptr<AviWriter> Open(const QString& path, int width, int height,
                                           int frameRate, const CompressorChoice& compressor,
                                           AviError* error);

    // Encodes and writes one frame of the opened size as the next sample. A
    // frame the encoder rejects is skipped (answers true, nothing written); a
    // failure of the file answers false with the error, after which every
    // write fails. `bottomUpBgr` is the bottom row; a negative stride walks
    // up through rows that lie top-down in memory.
    bool WriteFrame(const uint8_t* bottomUpBgr, int stride, AviError* error);
    // The same at sample `sample` (not before length()): the samples skipped
    // on the way hold the picture before them.
    bool WriteFrameAt(int64_t sample, const uint8_t* bottomUpBgr, int stride, AviError* error);
    // The last picture stays on screen up to and including `sample`, so the
    // file lasts as long as the frames it stands for; nothing before the
    // first picture or when the file already reaches that far.
    bool HoldUntil(int64_t sample, AviError* error);

    // Flushes the encoder and writes the index, so the file plays whatever
    // stopped the recording. Idempotent. False when the tail could not be
    // written; what was written before stays.
    bool Close(AviError* error = nullptr);

    int width() const;
    int height() const;
    int frameRate() const;
    int64_t framesWritten() const; // pictures handed to the encoder
    int64_t length() const;        // samples the file spans, held ones included
    const QString& path() const;

private:
    AviWriter(std::unique_ptr<AviEncoder> encoder, const QString& path, int width, int height,
              int frameRate);

    std::unique_ptr<AviEncoder> encoder_;
    QString path_;
    int width_ = 0, height_ = 0, frameRate_ = 0;
};

} // namespace tvx

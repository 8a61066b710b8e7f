#pragma once

// What a recording is made with and how it fails: plain values shared by the
// media library and the FFmpeg module it loads on first use.

#include <string>

namespace tvx {

// The encoder a recording uses and its quality. quality is 1..100 (higher is
// better) for encoders that have one; -1 leaves the encoder's default.
struct CompressorChoice {
    std::string encoder = "msvideo1";
    int quality = -1;

    bool operator==(const CompressorChoice& o) const {
        return encoder == o.encoder && quality == o.quality;
    }
};

// The step of opening or writing a recording that failed. Each has its own
// message (see AviErrorText).
enum class AviStep {
    OpenFile,          // the file could not be created
    CreateStream,      // the container or its stream could not be made
    MakeCompressor,    // the encoder is missing or would not open
    UnsupportedFormat, // the encoder refuses this frame size or format
    BadFormat,         // no pixel conversion to the encoder's input exists
    SetFormat,         // the file header could not be written
    WriteFile,         // writing frames failed (disk full, device gone …)
};

struct AviError {
    AviStep step = AviStep::OpenFile;
    int code = 0;       // FFmpeg error code (negative), 0 when none
    std::string reason; // what went wrong, in words, for the message's second line
};

// The code FFmpeg gives a system error: the negated errno on every system
// this program builds for.
constexpr int ErrnoCode(int error) {
    return -error;
}

} // namespace tvx

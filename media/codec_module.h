#pragma once

// The jobs that need FFmpeg (recording AVI, listing its encoders, decoding
// the first frame of a video) live in a module of their own that is loaded
// the first time one of them is asked for. FFmpeg brings well over a hundred
// shared libraries along; a program that only shows the live picture never
// pays for loading them.
//
// The module is built from the same tree as the program: this interface is
// all it shares with it, and a module of another build is refused.

#include "media/avi_error.h"

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

namespace tvx {

// An open AVI file with its encoder. See AviWriter for what each call does.
class AviEncoder {
public:
    virtual ~AviEncoder() = default;
    virtual bool WriteFrameAt(int64_t sample, const uint8_t* bottomUpBgr, int stride,
                              AviError* error) = 0;
    virtual bool HoldUntil(int64_t sample, AviError* error) = 0;
    virtual bool Close(AviError* error) = 0;
    virtual int64_t framesWritten() const = 0;
    virtual int64_t length() const = 0;
};

// What a video is read from. Read answers the bytes read, 0 at the end,
// -1 on an error; Seek (whence SEEK_SET, SEEK_CUR, SEEK_END) the new
// position or -1; Size the length or -1.
class VideoInput {
public:
    virtual int Read(uint8_t* buffer, int size) = 0;
    virtual int64_t Seek(int64_t offset, int whence) = 0;
    virtual int64_t Size() = 0;
    // True once the reader should give up.
    virtual bool Stopped() const = 0;

protected:
    ~VideoInput() = default;
};

// Where a decoded picture goes: given the picture's size, Place answers the
// size to shrink it to and the memory of its bottom row, rows `stride` bytes
// apart going up (24-bit BGR), or false with the reason.
class PictureTarget {
public:
    virtual bool Place(int width, int height, int* outWidth, int* outHeight, uint8_t** bottomRow,
                       int* stride, std::string* why) = 0;

protected:
    ~PictureTarget() = default;
};

// An encoder the module offers.
struct EncoderInfo {
    std::string encoder;     // libavcodec encoder name, e.g. "msvideo1"
    std::string description; // e.g. "Microsoft Video 1"
    uint32_t fourcc = 0;     // the tag the AVI file gets (MKTAG order)
    bool hasQuality = false; // a 1..100 quality applies
};

class CodecModule {
public:
    // Sets up the encoder, then opens `path` (an empty file the caller
    // reserved; never created here) and writes the header. See
    // AviWriter::Open.
    virtual std::unique_ptr<AviEncoder> OpenAvi(const std::string& path, int width, int height,
                                                int frameRate, const CompressorChoice& compressor,
                                                AviError* error) = 0;
    // The encoders of `allowed` (in its order) that the AVI muxer takes and
    // that open at the size within `trialTimeoutMs` each.
    virtual std::vector<EncoderInfo> Encoders(const std::vector<std::string>& allowed, int width,
                                              int height, int trialTimeoutMs) = 0;
    virtual bool EncoderOpens(const CompressorChoice& choice, int width, int height,
                              int trialTimeoutMs, std::string* reason) = 0;
    // Decodes the first picture of the first video stream of an AVI file
    // into the target; false with the reason when there is none.
    virtual bool DecodeFirstFrame(VideoInput& input, PictureTarget& target, std::string* why) = 0;

protected:
    ~CodecModule() = default;
};

// The module's file and its one exported function (see
// platform/program_module.h).
inline constexpr const char* kCodecModuleFile = "tavolux-ffmpeg.so";
inline constexpr const char* kCodecModuleEntry = "tavolux_codec_module";

// Loads the module from `path`. Null with the reason (the dynamic linker's
// words) when it cannot be loaded or does not fit this build.
CodecModule* OpenCodecModule(const std::string& path, std::string* why);

// The module, loaded on the first call from where ProgramModulePath finds
// it ($TAVOLUX_FFMPEG_MODULE names another file). Null with the reason when
// it cannot be loaded; the outcome stands for the rest of the run. Any
// thread.
CodecModule* LoadCodecModule(std::string* why = nullptr);

} // namespace tvx

#pragma once

// The jobs of the FFmpeg module, each in its own file.

#include "media/codec_module.h"

namespace tvx::ffmpeg {

std::unique_ptr<AviEncoder> OpenAviEncoder(const std::string& path, int width, int height,
                                           int frameRate, const CompressorChoice& compressor,
                                           AviError* error);
std::vector<EncoderInfo> AviEncoders(const std::vector<std::string>& allowed, int width, int height,
                                     int trialTimeoutMs);
bool EncoderOpens(const CompressorChoice& choice, int width, int height, int trialTimeoutMs,
                  std::string* reason);
bool DecodeFirstFrame(VideoInput& input, PictureTarget& target, std::string* why);

} // namespace tvx::ffmpeg

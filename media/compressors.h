#pragma once

#include "media/avi_writer.h"

#include <QString>
#include <string>
#include <vector>

namespace tvx {

// An encoder a recording may use: what the compressor chooser lists.
struct CompressorInfo {
    std::string encoder;     // libavcodec encoder name, e.g. "msvideo1"
    QString description;     // e.g. "Microsoft Video 1"
    uint32_t fourcc = 0;     // the tag the AVI file gets (MKTAG order)
    bool hasQuality = false; // a 1..100 quality applies
};

// The encoders the program offers at all: the allow-list of libavcodec
// encoders known to open in a moment and to store in AVI, in the order the
// chooser shows them. Hardware wrappers are never on it.
const std::vector<std::string>& AllowedEncoders();

// The installed encoders of the allow-list that the AVI muxer takes and that
// open at width x height. Each trial open runs on a worker with a time
// limit, so an encoder that hangs is left out instead of hanging the program
// (its worker is abandoned). The default compressor comes first when it
// qualifies.
std::vector<CompressorInfo> AvailableCompressors(int width, int height, int trialTimeoutMs = 2000);

// Whether `choice` opens at this size: the check the chooser makes before
// keeping a choice. `reason` says why not.
bool CompressorOpens(const CompressorChoice& choice, int width, int height,
                     std::string* reason = nullptr);

} // namespace tvx

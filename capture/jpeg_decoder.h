#pragma once

#include <QString>
#include <vector>

namespace tvx {

// A decoder GStreamer offers, as the choice of a JPEG decoder sees it.
struct DecoderOffer {
    QString name;           // the element factory's name
    QString klass;          // e.g. "Codec/Decoder/Video/Hardware"
    unsigned rank = 0;      // GStreamer's rank; 0 is never chosen
    bool takesJpeg = false; // its sink pad accepts image/jpeg
};

// The decoder every GStreamer installation with the good plugins has.
inline constexpr const char* kSoftwareJpegDecoder = "jpegdec";

// The decoder for a camera's JPEG frames: the highest-ranked hardware
// decoder of video or images that takes image/jpeg, the earliest on a tie;
// jpegdec when there is none. Software decoders other than jpegdec are
// passed over: none of them beats it on a CPU.
QString ChooseJpegDecoder(const std::vector<DecoderOffer>& offers);

// The decoders of GStreamer's registry with a rank above none.
std::vector<DecoderOffer> RegisteredDecoders();

// ChooseJpegDecoder over RegisteredDecoders, worked out once per run and
// written to the log.
QString JpegDecoderName();

} // namespace tvx

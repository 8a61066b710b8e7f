#pragma once

#include <cstdint>
#include <gst/gst.h>
#include <vector>

namespace tvx {

// Below this many frames a second a live picture stutters visibly while the
// slide is moved; a camera that gives a size that slowly as raw frames but
// faster as JPEG is asked for JPEG.
constexpr double kSmoothFrameRate = 15.0;

// The highest rate `offered` lists for frames of `media` ("video/x-raw",
// "image/jpeg") at width × height; 0 when it offers none, or offers them
// without saying how fast.
double MaxFrameRate(const GstCaps* offered, const char* media, int width, int height);

// The kind of frames to ask a camera for at width × height: "image/jpeg"
// where raw frames cannot reach kSmoothFrameRate and JPEG frames come
// faster, "video/x-raw" where it offers both and raw frames are fast enough
// (no decoding, no compression artefacts on what is measured); nullptr when
// it does not offer both, and the stored choice stands.
const char* PreferredMedia(const GstCaps* offered, int width, int height);

// A frame rate as a camera states it, num/den frames a second.
struct OfferedRate {
    int num = 0;
    int den = 1;
    double value() const { return den > 0 ? double(num) / den : 0.0; }
    // The frame time in 100 ns units, truncated as devices report it.
    int64_t frameTime() const { return num > 0 ? int64_t(10000000.0 * den / num) : 0; }
};

// The rates `offered` lists at width × height for the kind of frames the
// engine asks for there (PreferredMedia, where it offers both), fastest
// first, each once. Ranges are left out: a menu cannot list every rate of one.
std::vector<OfferedRate> FrameRatesAt(const GstCaps* offered, int width, int height);

} // namespace tvx

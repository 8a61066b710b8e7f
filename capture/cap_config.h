#pragma once

#include <QByteArray>
#include <QString>
#include <cstdint>
#include <gst/gst.h>

namespace tvx {

// The capture format as CapConfig.dat keeps it: one video-info header of
// 88 bytes, little-endian, with no header of its own.
struct VideoInfoHeader {
    int32_t sourceLeft = 0, sourceTop = 0, sourceRight = 0, sourceBottom = 0;
    int32_t targetLeft = 0, targetTop = 0, targetRight = 0, targetBottom = 0;
    uint32_t bitRate = 0;
    uint32_t bitErrorRate = 0;
    int64_t avgTimePerFrame = 0; // 100 ns units
    uint32_t biSize = 40;
    int32_t biWidth = 0;
    int32_t biHeight = 0;
    uint16_t biPlanes = 1;
    uint16_t biBitCount = 0;
    uint32_t biCompression = 0; // four-character code, or 0 for plain RGB
    uint32_t biSizeImage = 0;
    int32_t biXPelsPerMeter = 0;
    int32_t biYPelsPerMeter = 0;
    uint32_t biClrUsed = 0;
    uint32_t biClrImportant = 0;

    bool operator==(const VideoInfoHeader& o) const;
    bool operator!=(const VideoInfoHeader& o) const { return !(*this == o); }
};

constexpr int kCapConfigSize = 88;
constexpr int kDefaultCaptureWidth = 640;
constexpr int kDefaultCaptureHeight = 480;
// Largest picture side a stored format may ask for; anything bigger is taken
// for a damaged file rather than handed to a device.
constexpr int kMaxCaptureSide = 8192;

constexpr uint32_t FourCC(char a, char b, char c, char d) {
    return uint32_t(uint8_t(a)) | uint32_t(uint8_t(b)) << 8 | uint32_t(uint8_t(c)) << 16 |
           uint32_t(uint8_t(d)) << 24;
}

QByteArray SerializeCapConfig(const VideoInfoHeader& h);
// True and *out filled only for exactly 88 bytes that describe a usable
// picture (header size 40, sides 1 … kMaxCaptureSide, a non-negative frame
// time). Anything else leaves *out untouched: a damaged file is never
// applied in part.
bool ParseCapConfig(const QByteArray& bytes, VideoInfoHeader* out);

// program folder + "/CapConfig.dat"
QString CapConfigPath();
bool ReadCapConfigFile(const QString& path, VideoInfoHeader* out);
// Creates or truncates the file; false when it cannot be written.
bool WriteCapConfigFile(const QString& path, const VideoInfoHeader& h);

// Frames a second from the frame time, rounded to nearest; 0 when the frame
// time is unknown (0 or negative) rather than dividing by it.
int64_t FramesPerSecond(int64_t avgTimePerFrame);
// biSizeImage for the header's bit depth: × 2 for 16 bits, × 3 for 24 bits,
// × 1 otherwise.
uint32_t ImageSizeFor(uint16_t bitCount, int width, int height);
// frames a second × image size × 8, kept within 32 bits.
uint32_t BitRateFor(int64_t avgTimePerFrame, uint32_t imageSize);

// The device's format changed to width × height with sizes and bit rate to
// match.
VideoInfoHeader ResizedFormat(const VideoInfoHeader& current, int width, int height);
// The fallback format: 640 × 480 with a 16-bit image size, keeping the rest
// of `current`.
VideoInfoHeader DefaultFormat(const VideoInfoHeader& current);

// The format a set of caps describes (its first choice where it offers
// several), in the header form. False when the caps carry no size.
bool FormatFromCaps(const GstCaps* caps, VideoInfoHeader* out);

// The pixel format that biCompression and biBitCount name, as caps of one
// structure without size or rate: image/jpeg for MJPG, video/x-raw with its
// format otherwise (plain RGB of 24 or 32 bits is BGR or BGRx, four-character
// codes as GStreamer knows them). Null when GStreamer has no counterpart: an
// unknown code, a palette, bit fields.
GstCaps* PixelCaps(const VideoInfoHeader& h);
// The frame interval as a rate. Intervals are whole 100 ns units, so 30 and
// 7.5 frames a second arrive as 333333 and 1333333: a rate of n/1, n/2 or
// n·1000/1001 within rounding of the interval is taken as that fraction,
// anything else as 10⁷/interval. False when there is no interval.
bool FrameRate(int64_t avgTimePerFrame, int* num, int* den);
// `pixels` given the header's size, and its rate when `withRate` and the
// header has one.
GstCaps* FormatCaps(const GstCaps* pixels, const VideoInfoHeader& h, bool withRate);

} // namespace tvx

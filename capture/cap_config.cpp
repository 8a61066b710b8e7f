#include "capture/cap_config.h"

#include "platform/folders.h"
#include "platform/gst_handle.h"
#include "platform/regular_file.h"

#include <QSaveFile>
#include <cmath>
#include <cstring>
#include <gst/video/video.h>
#include <limits>
#include <numeric>

namespace tvx {

bool VideoInfoHeader::operator==(const VideoInfoHeader& o) const {
    return SerializeCapConfig(*this) == SerializeCapConfig(o);
}

namespace {

class Writer {
public:
    explicit Writer(QByteArray* out) : out_(out) {}
    template <typename T> void put(T v) {
        using U = std::make_unsigned_t<T>;
        U u = U(v);
        for (size_t i = 0; i < sizeof(T); ++i)
            out_->append(char(uint8_t(u >> (8 * i))));
    }

private:
    QByteArray* out_;
};

class Reader {
public:
    explicit Reader(const QByteArray& in) : p_(reinterpret_cast<const uint8_t*>(in.constData())) {}
    template <typename T> T get() {
        using U = std::make_unsigned_t<T>;
        U u = 0;
        for (size_t i = 0; i < sizeof(T); ++i)
            u |= U(U(p_[i]) << (8 * i));
        p_ += sizeof(T);
        return T(u);
    }

private:
    const uint8_t* p_;
};

uint16_t BitCountOf(GstVideoFormat format) {
    const GstVideoFormatInfo* info = gst_video_format_get_info(format);
    if (!info) return 0;
    int bits = 0;
    for (guint i = 0; i < GST_VIDEO_FORMAT_INFO_N_COMPONENTS(info); ++i) {
        // Sub-sampled planes carry a share of a pixel's bits.
        const int share = (1 << GST_VIDEO_FORMAT_INFO_W_SUB(info, i)) *
                          (1 << GST_VIDEO_FORMAT_INFO_H_SUB(info, i));
        bits += GST_VIDEO_FORMAT_INFO_DEPTH(info, i) * 4 / share;
    }
    return uint16_t(bits / 4);
}

constexpr uint32_t kMjpg = FourCC('M', 'J', 'P', 'G');

} // namespace

QByteArray SerializeCapConfig(const VideoInfoHeader& h) {
    QByteArray out;
    out.reserve(kCapConfigSize);
    Writer w(&out);
    w.put(h.sourceLeft);
    w.put(h.sourceTop);
    w.put(h.sourceRight);
    w.put(h.sourceBottom);
    w.put(h.targetLeft);
    w.put(h.targetTop);
    w.put(h.targetRight);
    w.put(h.targetBottom);
    w.put(h.bitRate);
    w.put(h.bitErrorRate);
    w.put(h.avgTimePerFrame);
    w.put(h.biSize);
    w.put(h.biWidth);
    w.put(h.biHeight);
    w.put(h.biPlanes);
    w.put(h.biBitCount);
    w.put(h.biCompression);
    w.put(h.biSizeImage);
    w.put(h.biXPelsPerMeter);
    w.put(h.biYPelsPerMeter);
    w.put(h.biClrUsed);
    w.put(h.biClrImportant);
    return out;
}

bool ParseCapConfig(const QByteArray& bytes, VideoInfoHeader* out) {
    if (bytes.size() != kCapConfigSize || !out) return false;
    Reader r(bytes);
    VideoInfoHeader h;
    h.sourceLeft = r.get<int32_t>();
    h.sourceTop = r.get<int32_t>();
    h.sourceRight = r.get<int32_t>();
    h.sourceBottom = r.get<int32_t>();
    h.targetLeft = r.get<int32_t>();
    h.targetTop = r.get<int32_t>();
    h.targetRight = r.get<int32_t>();
    h.targetBottom = r.get<int32_t>();
    h.bitRate = r.get<uint32_t>();
    h.bitErrorRate = r.get<uint32_t>();
    h.avgTimePerFrame = r.get<int64_t>();
    h.biSize = r.get<uint32_t>();
    h.biWidth = r.get<int32_t>();
    h.biHeight = r.get<int32_t>();
    h.biPlanes = r.get<uint16_t>();
    h.biBitCount = r.get<uint16_t>();
    h.biCompression = r.get<uint32_t>();
    h.biSizeImage = r.get<uint32_t>();
    h.biXPelsPerMeter = r.get<int32_t>();
    h.biYPelsPerMeter = r.get<int32_t>();
    h.biClrUsed = r.get<uint32_t>();
    h.biClrImportant = r.get<uint32_t>();

    // A negative height means a top-down picture; the size is its magnitude.
    const int64_t height = h.biHeight < 0 ? -int64_t(h.biHeight) : int64_t(h.biHeight);
    if (h.biSize != 40 || h.biWidth < 1 || h.biWidth > kMaxCaptureSide || height < 1 ||
        height > kMaxCaptureSide || h.avgTimePerFrame < 0)
        return false;
    *out = h;
    return true;
}

QString CapConfigPath() {
    return ProgramFolder() + QStringLiteral("/CapConfig.dat");
}

bool ReadCapConfigFile(const QString& path, VideoInfoHeader* out) {
    // One byte more than a valid file so that a longer file is seen as such.
    QByteArray bytes;
    if (!ReadRegularFile(path, kCapConfigSize + 1, &bytes)) return false;
    return ParseCapConfig(bytes, out);
}

bool WriteCapConfigFile(const QString& path, const VideoInfoHeader& h) {
    // Written through a temporary so a full disk never leaves a short file.
    QSaveFile f(path);
    if (!f.open(QIODevice::WriteOnly)) return false;
    const QByteArray bytes = SerializeCapConfig(h);
    if (f.write(bytes) != bytes.size()) {
        f.cancelWriting();
        return false;
    }
    return f.commit();
}

int64_t FramesPerSecond(int64_t avgTimePerFrame) {
    if (avgTimePerFrame <= 0) return 0;
    return int64_t(10000000.0 / double(avgTimePerFrame) + 0.49999999);
}

uint32_t ImageSizeFor(uint16_t bitCount, int width, int height) {
    const int64_t pixels = int64_t(width) * int64_t(height < 0 ? -int64_t(height) : height);
    const int64_t bytes = bitCount == 16 ? pixels * 2 : bitCount == 24 ? pixels * 3 : pixels;
    return uint32_t(std::min<int64_t>(bytes, std::numeric_limits<uint32_t>::max()));
}

uint32_t BitRateFor(int64_t avgTimePerFrame, uint32_t imageSize) {
    const double rate = double(FramesPerSecond(avgTimePerFrame)) * double(imageSize) * 8.0;
    if (rate >= double(std::numeric_limits<uint32_t>::max()))
        return std::numeric_limits<uint32_t>::max();
    return uint32_t(rate);
}

VideoInfoHeader ResizedFormat(const VideoInfoHeader& current, int width, int height) {
    VideoInfoHeader h = current;
    h.biWidth = width;
    h.biHeight = height;
    h.biSizeImage = ImageSizeFor(h.biBitCount, width, height);
    h.bitRate = BitRateFor(h.avgTimePerFrame, h.biSizeImage);
    return h;
}

VideoInfoHeader DefaultFormat(const VideoInfoHeader& current) {
    VideoInfoHeader h = current;
    h.biWidth = kDefaultCaptureWidth;
    h.biHeight = kDefaultCaptureHeight;
    h.biSizeImage = uint32_t(kDefaultCaptureWidth * kDefaultCaptureHeight * 2);
    h.bitRate = BitRateFor(h.avgTimePerFrame, h.biSizeImage);
    return h;
}

bool FormatFromCaps(const GstCaps* caps, VideoInfoHeader* out) {
    if (!caps || gst_caps_is_empty(caps) || gst_caps_is_any(caps)) return false;
    const GstUnique<GstCaps> fixed(kAdopt, gst_caps_fixate(gst_caps_copy(caps)));
    const GstStructure* s = gst_caps_get_structure(fixed.get(), 0);
    int w = 0, h = 0, num = 0, den = 1;
    const bool sized =
        gst_structure_get_int(s, "width", &w) && gst_structure_get_int(s, "height", &h);
    VideoInfoHeader hdr;
    if (gst_structure_get_fraction(s, "framerate", &num, &den) && num > 0)
        // Truncated, as devices report it: 15 frames a second is 666666.
        hdr.avgTimePerFrame = int64_t(10000000.0 * den / num);
    if (gst_structure_has_name(s, "image/jpeg")) {
        hdr.biCompression = kMjpg;
        hdr.biBitCount = 24;
    } else if (const char* name = gst_structure_get_string(s, "format")) {
        const GstVideoFormat f = gst_video_format_from_string(name);
        hdr.biBitCount = BitCountOf(f);
        // RGB formats have no four-character code: plain RGB of their depth.
        hdr.biCompression = f == GST_VIDEO_FORMAT_BGR ? 0 : gst_video_format_to_fourcc(f);
    }
    if (!sized || w <= 0 || h <= 0) return false;
    hdr.biWidth = w;
    hdr.biHeight = h;
    hdr.sourceRight = hdr.targetRight = w;
    hdr.sourceBottom = hdr.targetBottom = h;
    hdr.biSizeImage = ImageSizeFor(hdr.biBitCount, w, h);
    hdr.bitRate = BitRateFor(hdr.avgTimePerFrame, hdr.biSizeImage);
    *out = hdr;
    return true;
}

GstCaps* PixelCaps(const VideoInfoHeader& h) {
    if (h.biCompression == kMjpg) return gst_caps_new_empty_simple("image/jpeg");
    GstVideoFormat f = GST_VIDEO_FORMAT_UNKNOWN;
    if (h.biCompression == 0)
        f = h.biBitCount == 24   ? GST_VIDEO_FORMAT_BGR
            : h.biBitCount == 32 ? GST_VIDEO_FORMAT_BGRx
                                 : GST_VIDEO_FORMAT_UNKNOWN;
    else
        f = gst_video_format_from_fourcc(h.biCompression);
    if (f == GST_VIDEO_FORMAT_UNKNOWN) return nullptr;
    return gst_caps_new_simple("video/x-raw", "format", G_TYPE_STRING,
                               gst_video_format_to_string(f), nullptr);
}

bool FrameRate(int64_t avgTimePerFrame, int* num, int* den) {
    if (avgTimePerFrame <= 0) return false;
    const double fps = 10000000.0 / double(avgTimePerFrame);
    // Candidates as (numerator step, denominator): n/1, n/2, n·1000/1001.
    const int64_t forms[][2] = {{1, 1}, {1, 2}, {1000, 1001}};
    for (const auto& form : forms) {
        const double steps = std::round(fps * double(form[1]) / double(form[0]));
        if (steps < 1 || steps * double(form[0]) > std::numeric_limits<int>::max()) continue;
        const double interval = 10000000.0 * double(form[1]) / (steps * double(form[0]));
        if (std::abs(interval - double(avgTimePerFrame)) <= 1.0) {
            *num = int(steps) * int(form[0]);
            *den = int(form[1]);
            return true;
        }
    }
    const int64_t g = std::gcd(int64_t(10000000), avgTimePerFrame);
    if (avgTimePerFrame / g > std::numeric_limits<int>::max()) return false;
    *num = int(10000000 / g);
    *den = int(avgTimePerFrame / g);
    return true;
}

GstCaps* FormatCaps(const GstCaps* pixels, const VideoInfoHeader& h, bool withRate) {
    GstCaps* caps = gst_caps_copy(pixels);
    const int64_t height = h.biHeight < 0 ? -int64_t(h.biHeight) : int64_t(h.biHeight);
    gst_caps_set_simple(caps, "width", G_TYPE_INT, int(h.biWidth), "height", G_TYPE_INT,
                        int(std::min<int64_t>(height, std::numeric_limits<int>::max())), nullptr);
    int num = 0, den = 1;
    if (withRate && FrameRate(h.avgTimePerFrame, &num, &den))
        gst_caps_set_simple(caps, "framerate", GST_TYPE_FRACTION, num, den, nullptr);
    return caps;
}

} // namespace tvx

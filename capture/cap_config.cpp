#include "capture/cap_config.h"

#include "platform/folders.h"
#include "platform/regular_file.h"

#include <QSaveFile>
#include <cstring>
#include <limits>

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

} // namespace tvx

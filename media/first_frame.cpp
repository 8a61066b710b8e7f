#include "media/first_frame.h"

#include "imaging/dib.h"
#include "media/codec_module.h"
#include "platform/regular_file.h"

#include <QFile>
#include <algorithm>
#include <atomic>
#include <cstdio>
#include <cstring>

namespace tvx {

namespace {

// A file held in memory.
class MemoryInput final : public VideoInput {
public:
    explicit MemoryInput(const QByteArray& bytes)
        : data_(reinterpret_cast<const uint8_t*>(bytes.constData())), size_(bytes.size()) {}

    int Read(uint8_t* buf, int want) override {
        const int64_t n = std::clamp<int64_t>(size_ - pos_, 0, want);
        if (n > 0) std::memcpy(buf, data_ + pos_, size_t(n));
        pos_ += n;
        return int(n);
    }
    int64_t Seek(int64_t offset, int whence) override {
        if (offset > size_ || offset < -size_) return -1;
        const int64_t to = offset + (whence == SEEK_CUR ? pos_ : whence == SEEK_END ? size_ : 0);
        if (to < 0 || to > size_) return -1;
        return pos_ = to;
    }
    int64_t Size() override { return size_; }
    bool Stopped() const override { return false; }

private:
    const uint8_t* data_;
    int64_t size_;
    int64_t pos_ = 0;
};

// A regular file opened by the platform (never a FIFO that would block). A
// raised stop flag ends the reading.
class FileInput final : public VideoInput {
public:
    FileInput(QFile& file, const std::atomic<bool>* stop) : file_(file), stop_(stop) {}

    int Read(uint8_t* buf, int want) override {
        const qint64 n = file_.read(reinterpret_cast<char*>(buf), want);
        return n < 0 ? -1 : int(n);
    }
    int64_t Seek(int64_t offset, int whence) override {
        const int64_t to = offset + (whence == SEEK_CUR   ? file_.pos()
                                     : whence == SEEK_END ? file_.size()
                                                          : 0);
        return to >= 0 && file_.seek(to) ? to : -1;
    }
    int64_t Size() override { return file_.size(); }
    bool Stopped() const override { return stop_ && stop_->load(); }

private:
    QFile& file_;
    const std::atomic<bool>* stop_;
};

// The record's DIB: the picture shrunk by the largest of 1/2, 1/4, 1/8 that
// still covers `atLeast`, and further until it fits the record.
class DibTarget final : public PictureTarget {
public:
    DibTarget(ThumbnailRecord& record, QSize atLeast) : record_(record), atLeast_(atLeast) {}

    bool Place(int srcW, int srcH, int* outWidth, int* outHeight, uint8_t** bottomRow,
               int* outStride, std::string* why) override {
        if (!ImageSizeAcceptable(srcW, srcH)) {
            if (why) *why = "video frame size out of range";
            return false;
        }
        int denom = 1;
        if (atLeast_.isValid() && !atLeast_.isEmpty()) {
            for (int d : {8, 4, 2}) {
                if (srcW / d >= atLeast_.width() && srcH / d >= atLeast_.height()) {
                    denom = d;
                    break;
                }
            }
        }
        auto bytesAt = [&](int d) {
            const int64_t w = std::max(1, srcW / d);
            const int64_t h = std::max(1, srcH / d);
            return BitmapInfoHeader::kBytes + ((w * 3 + 3) & ~int64_t(3)) * h;
        };
        while (bytesAt(denom) > kThumbnailDibBytes)
            denom *= 2;
        width_ = *outWidth = std::max(1, srcW / denom);
        height_ = *outHeight = std::max(1, srcH / denom);
        stride_ = *outStride = DibStride(width_);
        *bottomRow = record_.Area() + BitmapInfoHeader::kBytes;
        return true;
    }

    // After the rows are in: their padding and the header.
    void Finish() {
        uint8_t* pixels = record_.Area() + BitmapInfoHeader::kBytes;
        const int pad = stride_ - width_ * 3;
        if (pad)
            for (int y = 0; y < height_; ++y)
                std::memset(pixels + size_t(y) * stride_ + width_ * 3, 0, size_t(pad));
        QByteArray headerBytes;
        BitmapInfoHeader::For24Bit(width_, height_).AppendTo(headerBytes);
        std::memcpy(record_.Area(), headerBytes.constData(), BitmapInfoHeader::kBytes);
        record_.dibSize = int32_t(BitmapInfoHeader::kBytes + int64_t(stride_) * height_);
    }

private:
    ThumbnailRecord& record_;
    QSize atLeast_;
    int width_ = 0, height_ = 0, stride_ = 0;
};

LoadResult Load(ThumbnailRecord& record, VideoInput& input, QSize atLeast) {
    record.dibSize = 0;
    std::string why;
    CodecModule* module = LoadCodecModule(&why);
    if (!module) return LoadResult::Failure(QString::fromStdString(why));
    DibTarget target(record, atLeast);
    if (!module->DecodeFirstFrame(input, target, &why))
        return LoadResult::Failure(QString::fromStdString(why));
    target.Finish();
    return LoadResult::Success();
}

} // namespace

LoadResult LoadVideoFirstFrame(ThumbnailRecord& record, const QString& path, QSize atLeast,
                               const std::atomic<bool>* stop) {
    record.dibSize = 0;
    if (PathVanished(path)) return {LoadStatus::Vanished, QStringLiteral("file no longer exists")};
    // A FIFO or device in the file's place would block the open (and the
    // pool thread with it) for good: only a regular file is read.
    QFile file;
    QString why;
    if (!OpenRegularFileForReading(file, path, &why)) return LoadResult::Failure(why);
    FileInput input(file, stop);
    LoadResult result = Load(record, input, atLeast);
    if (result.ok()) record.path = path;
    return result;
}

LoadResult LoadVideoFirstFrameFromMemory(ThumbnailRecord& record, const QByteArray& bytes,
                                         QSize atLeast) {
    MemoryInput input(bytes);
    return Load(record, input, atLeast);
}

} // namespace tvx

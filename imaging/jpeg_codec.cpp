#include "imaging/jpeg_codec.h"

#include "imaging/dib.h"
#include "imaging/jpeg_errors.h"

#include <QtEndian>
#include <algorithm>
#include <csetjmp>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <vector>

namespace tvx {

namespace {

using jpeg_detail::ErrorManager;
using jpeg_detail::InstallErrorManager;

constexpr J_COLOR_SPACE kRgb32Space =
    QSysInfo::ByteOrder == QSysInfo::LittleEndian ? JCS_EXT_BGRX : JCS_EXT_XRGB;

// Adobe writes CMYK inverted (0 = full ink); others write it plain.
QRgb CmykToRgb(const JSAMPLE* cmyk, bool inverted) {
    int c = cmyk[0], m = cmyk[1], y = cmyk[2], k = cmyk[3];
    if (!inverted) {
        c = 255 - c;
        m = 255 - m;
        y = 255 - y;
        k = 255 - k;
    }
    return qRgb(c * k / 255, m * k / 255, y * k / 255);
}

// Where one decode goes and in which form. The decoder asks it once the
// header is read and once the output size is known, then a row at a time.
// It lives outside the decoder's setjmp frame, so what it owns survives a
// jump back.
class DecodeTarget {
public:
    virtual ~DecodeTarget() = default;
    // Sets the output colour space and scale, or answers why not.
    virtual const char* Choose(jpeg_decompress_struct& cinfo) = 0;
    // Makes room for the output, or answers why it cannot.
    virtual const char* Start(int width, int height, int components) = 0;
    // Where top-down row y is to be written.
    virtual JSAMPROW Row(int y) = 0;
    // Row y has been written.
    virtual void RowDone(int y) = 0;
};

bool Decode(const QByteArray& bytes, DecodeTarget& target, QString* why) {
    const auto refuse = [why](const char* reason) {
        if (why) *why = QString::fromLatin1(reason);
        return false;
    };
    if (bytes.size() < 4) return refuse("not a JPEG file");
    // Everything touched after setjmp lives on the heap so that a jump back
    // leaves no local in an undefined state.
    auto cinfo = std::make_unique<jpeg_decompress_struct>();
    auto err = std::make_unique<ErrorManager>();
    auto progress = std::make_unique<jpeg_progress_mgr>();
    InstallErrorManager(*err);
    cinfo->err = &err->pub;
    if (setjmp(err->jump)) {
        char text[JMSG_LENGTH_MAX] = {};
        (*cinfo->err->format_message)(reinterpret_cast<j_common_ptr>(cinfo.get()), text);
        jpeg_destroy_decompress(cinfo.get());
        return refuse(text);
    }
    jpeg_create_decompress(cinfo.get());
    jpeg_detail::InstallProgressLimit(*cinfo, *progress);
    jpeg_mem_src(cinfo.get(), reinterpret_cast<const unsigned char*>(bytes.constData()),
                 static_cast<unsigned long>(bytes.size()));
    auto fail = [&](const char* reason) {
        jpeg_destroy_decompress(cinfo.get());
        return refuse(reason);
    };
    if (jpeg_read_header(cinfo.get(), TRUE) != JPEG_HEADER_OK) return fail("no JPEG header");
    if (!ImageSizeAcceptable(cinfo->image_width, cinfo->image_height))
        return fail("JPEG size out of range");
    if (!cinfo->arith_code) {
        // Huffman coding spends at least one bit on each 8 × 8 block of the
        // full-resolution component, so a file shorter than that is cut
        // short: refuse it before allocating the whole picture.
        const qint64 blocks =
            qint64((cinfo->image_width + 7) / 8) * qint64((cinfo->image_height + 7) / 8);
        if (qint64(bytes.size()) * 8 < blocks) return fail("JPEG file is cut short");
    }
    if (const char* reason = target.Choose(*cinfo)) return fail(reason);
    jpeg_start_decompress(cinfo.get());
    if (jpeg_has_multiple_scans(cinfo.get()) &&
        jpeg_detail::EndedBeforePictureWasComplete(*cinfo, *err))
        return fail("JPEG file is cut short");
    if (const char* reason = target.Start(int(cinfo->output_width), int(cinfo->output_height),
                                          int(cinfo->output_components)))
        return fail(reason);
    while (cinfo->output_scanline < cinfo->output_height) {
        const int y = int(cinfo->output_scanline);
        JSAMPROW rows[1] = {target.Row(y)};
        if (jpeg_read_scanlines(cinfo.get(), rows, 1) != 1) break;
        target.RowDone(y);
    }
    if (cinfo->output_scanline != cinfo->output_height) return fail("JPEG decoding stopped");
    if (err->damaged || jpeg_detail::EndedBeforePictureWasComplete(*cinfo, *err))
        return fail("JPEG data is damaged");
    jpeg_finish_decompress(cinfo.get());
    jpeg_destroy_decompress(cinfo.get());
    if (err->damaged) return refuse("JPEG data is damaged");
    return true;
}

// The whole picture as RGB32; CMYK files are converted.
class ImageTarget : public DecodeTarget {
public:
    const char* Choose(jpeg_decompress_struct& cinfo) override {
        cmyk_ = cinfo.jpeg_color_space == JCS_CMYK || cinfo.jpeg_color_space == JCS_YCCK;
        inverted_ = cinfo.saw_Adobe_marker;
        cinfo.out_color_space = cmyk_ ? JCS_CMYK : kRgb32Space;
        return nullptr;
    }
    const char* Start(int width, int height, int) override {
        image_ = QImage(width, height, QImage::Format_RGB32);
        if (image_.isNull()) return "out of memory";
        if (cmyk_) cmykRow_.resize(size_t(width) * 4);
        return nullptr;
    }
    JSAMPROW Row(int y) override { return cmyk_ ? cmykRow_.data() : image_.scanLine(y); }
    void RowDone(int y) override {
        if (!cmyk_) return;
        auto* dst = reinterpret_cast<QRgb*>(image_.scanLine(y));
        for (int x = 0; x < image_.width(); ++x)
            dst[x] = CmykToRgb(cmykRow_.data() + 4 * x, inverted_);
    }
    QImage Take() { return std::move(image_); }

private:
    QImage image_;
    std::vector<JSAMPLE> cmykRow_;
    bool cmyk_ = false;
    bool inverted_ = false;
};

int64_t DibBytes(int64_t width, int64_t height, int components) {
    return BitmapInfoHeader::kBytes + ((width * components + 3) & ~int64_t(3)) * height;
}

// A bottom-up DIB in memory the caller holds, at reduced size on request.
class DibTarget : public DecodeTarget {
public:
    DibTarget(uint8_t* area, int areaBytes, QSize atLeast)
        : area_(area), areaBytes_(areaBytes), atLeast_(atLeast) {}

    const char* Choose(jpeg_decompress_struct& cinfo) override {
        if (cinfo.jpeg_color_space == JCS_CMYK || cinfo.jpeg_color_space == JCS_YCCK)
            return "CMYK JPEGs have no thumbnail";
        const bool grey = cinfo.jpeg_color_space == JCS_GRAYSCALE;
        cinfo.out_color_space = grey ? JCS_GRAYSCALE : JCS_EXT_BGR;
        components_ = grey ? 1 : 3;
        // The smallest decode that still covers the size asked for, but
        // never one larger than the area holds.
        int denom = 1;
        if (atLeast_.isValid() && !atLeast_.isEmpty()) {
            for (int d : {8, 4, 2}) {
                if (cinfo.image_width / unsigned(d) >= unsigned(atLeast_.width()) &&
                    cinfo.image_height / unsigned(d) >= unsigned(atLeast_.height())) {
                    denom = d;
                    break;
                }
            }
        }
        const auto bytesAt = [&](int d) {
            return DibBytes((int64_t(cinfo.image_width) + d - 1) / d,
                            (int64_t(cinfo.image_height) + d - 1) / d, components_);
        };
        while (denom <= 8 && bytesAt(denom) > areaBytes_)
            denom *= 2;
        if (denom > 8) return "JPEG too large for a thumbnail";
        cinfo.scale_num = 1;
        cinfo.scale_denom = unsigned(denom);
        return nullptr;
    }
    const char* Start(int width, int height, int components) override {
        total_ = DibBytes(width, height, components);
        if (components != components_ || total_ > areaBytes_) return "JPEG output does not fit";
        width_ = width;
        height_ = height;
        stride_ = int((int64_t(width) * components + 3) & ~int64_t(3));
        BitmapInfoHeader header = BitmapInfoHeader::For24Bit(width, height);
        header.bitCount = uint16_t(8 * components);
        header.sizeImage = 0;
        QByteArray headerBytes;
        header.AppendTo(headerBytes);
        std::memcpy(area_, headerBytes.constData(), BitmapInfoHeader::kBytes);
        return nullptr;
    }
    // libjpeg hands rows top first; the DIB keeps them bottom-up.
    JSAMPROW Row(int y) override {
        return area_ + BitmapInfoHeader::kBytes + size_t(height_ - 1 - y) * size_t(stride_);
    }
    void RowDone(int y) override {
        const int used = width_ * components_;
        if (stride_ > used) std::memset(Row(y) + used, 0, size_t(stride_ - used));
    }
    int64_t total() const { return total_; }

private:
    uint8_t* area_;
    int areaBytes_;
    QSize atLeast_;
    int components_ = 3;
    int width_ = 0;
    int height_ = 0;
    int stride_ = 0;
    int64_t total_ = 0;
};

} // namespace

QImage DecodeJpeg(const QByteArray& bytes, QString* why) {
    ImageTarget target;
    if (!Decode(bytes, target, why)) return {};
    return target.Take();
}

bool DecodeJpegToDib(const QByteArray& bytes, uint8_t* area, int areaBytes, int* outBytes,
                     QSize atLeast, QString* why) {
    *outBytes = 0;
    DibTarget target(area, areaBytes, atLeast);
    if (!Decode(bytes, target, why)) return false;
    *outBytes = int(target.total());
    return true;
}

namespace {

// A compress object and the memory libjpeg writes into, released on every
// way out, a jump back from the error handler included.
class JpegWriter {
public:
    JpegWriter() {
        InstallErrorManager(err_);
        cinfo_.err = &err_.pub;
    }
    ~JpegWriter() {
        if (created_) jpeg_destroy_compress(&cinfo_);
        std::free(data_);
    }
    JpegWriter(const JpegWriter&) = delete;
    JpegWriter& operator=(const JpegWriter&) = delete;

    jpeg_compress_struct& cinfo() { return cinfo_; }
    ErrorManager& err() { return err_; }

    // After setjmp on err().jump.
    void Start(int width, int height, int components, J_COLOR_SPACE space, int quality) {
        jpeg_create_compress(&cinfo_);
        created_ = true;
        jpeg_mem_dest(&cinfo_, &data_, &size_);
        cinfo_.image_width = JDIMENSION(width);
        cinfo_.image_height = JDIMENSION(height);
        cinfo_.input_components = components;
        cinfo_.in_color_space = space;
        jpeg_set_defaults(&cinfo_);
        jpeg_set_quality(&cinfo_, qBound(1, quality, 100), TRUE);
        jpeg_start_compress(&cinfo_, TRUE);
    }

    QByteArray Finish() {
        jpeg_finish_compress(&cinfo_);
        return QByteArray(reinterpret_cast<const char*>(data_), qsizetype(size_));
    }

private:
    jpeg_compress_struct cinfo_{};
    ErrorManager err_{};
    bool created_ = false;
    unsigned char* data_ = nullptr; // grown by libjpeg with malloc
    unsigned long size_ = 0;
};

// Rows handed over a batch at a time: `row(y)` is top-down row y.
template <typename RowFn>
QByteArray EncodeRows(int width, int height, int components, J_COLOR_SPACE space, int quality,
                      RowFn row) {
    // On the heap and untouched after setjmp, so a jump back leaves it whole.
    auto writer = std::make_unique<JpegWriter>();
    if (setjmp(writer->err().jump)) return {};
    writer->Start(width, height, components, space, quality);
    jpeg_compress_struct& cinfo = writer->cinfo();
    constexpr int kBatch = 16;
    JSAMPROW rows[kBatch];
    while (cinfo.next_scanline < cinfo.image_height) {
        const int first = int(cinfo.next_scanline);
        const int n = std::min(kBatch, height - first);
        for (int i = 0; i < n; ++i)
            rows[i] = row(first + i);
        jpeg_write_scanlines(&cinfo, rows, JDIMENSION(n));
    }
    return writer->Finish();
}

} // namespace

QByteArray EncodeJpeg(const QImage& image, int quality) {
    if (image.isNull() || !ImageSizeAcceptable(image.width(), image.height())) return {};
    const QImage rgb = image.convertToFormat(QImage::Format_RGB32);
    if (rgb.isNull()) return {};
    return EncodeRows(rgb.width(), rgb.height(), 4, kRgb32Space, quality,
                      [&rgb](int y) { return const_cast<JSAMPLE*>(rgb.constScanLine(y)); });
}

QByteArray EncodeJpegFromBottomUpBgr(const uint8_t* data, int width, int height, int stride,
                                     int quality) {
    if (!data || !ImageSizeAcceptable(width, height) || stride < width * 3) return {};
    // libjpeg reads the frame's own rows, bottom row last, in their own order
    // of bytes: nothing is converted or copied first.
    return EncodeRows(width, height, 3, JCS_EXT_BGR, quality, [=](int y) {
        return const_cast<JSAMPLE*>(data + std::ptrdiff_t(height - 1 - y) * stride);
    });
}

} // namespace tvx

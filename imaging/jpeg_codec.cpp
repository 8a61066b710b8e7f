#include "imaging/jpeg_codec.h"

#include "imaging/dib.h"
#include "imaging/jpeg_errors.h"

#include <QtEndian>
#include <algorithm>
#include <csetjmp>
#include <cstdio>
#include <cstdlib>
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

} // namespace

QImage DecodeJpeg(const QByteArray& bytes) {
    if (bytes.size() < 4) return {};
    // Everything touched after setjmp lives on the heap so that a jump back
    // leaves no local in an undefined state.
    auto image = std::make_unique<QImage>();
    auto cmykRow = std::make_unique<std::vector<JSAMPLE>>();
    auto cinfo = std::make_unique<jpeg_decompress_struct>();
    auto err = std::make_unique<ErrorManager>();
    auto progress = std::make_unique<jpeg_progress_mgr>();
    InstallErrorManager(*err);
    cinfo->err = &err->pub;

    if (setjmp(err->jump)) {
        jpeg_destroy_decompress(cinfo.get());
        return {};
    }
    jpeg_create_decompress(cinfo.get());
    jpeg_detail::InstallProgressLimit(*cinfo, *progress);
    jpeg_mem_src(cinfo.get(), reinterpret_cast<const unsigned char*>(bytes.constData()),
                 static_cast<unsigned long>(bytes.size()));
    if (jpeg_read_header(cinfo.get(), TRUE) != JPEG_HEADER_OK ||
        !ImageSizeAcceptable(cinfo->image_width, cinfo->image_height)) {
        jpeg_destroy_decompress(cinfo.get());
        return {};
    }
    if (!cinfo->arith_code) {
        // Huffman coding spends at least one bit on each 8 × 8 block of the
        // full-resolution component, so a file shorter than that is cut
        // short: refuse it before allocating the whole picture.
        const qint64 blocks =
            qint64((cinfo->image_width + 7) / 8) * qint64((cinfo->image_height + 7) / 8);
        if (qint64(bytes.size()) * 8 < blocks) {
            jpeg_destroy_decompress(cinfo.get());
            return {};
        }
    }
    const bool cmyk = cinfo->jpeg_color_space == JCS_CMYK || cinfo->jpeg_color_space == JCS_YCCK;
    cinfo->out_color_space = cmyk ? JCS_CMYK : kRgb32Space;
    jpeg_start_decompress(cinfo.get());
    if (jpeg_has_multiple_scans(cinfo.get()) &&
        jpeg_detail::EndedBeforePictureWasComplete(*cinfo, *err)) {
        jpeg_destroy_decompress(cinfo.get());
        return {};
    }
    const int width = int(cinfo->output_width);
    const int height = int(cinfo->output_height);
    *image = QImage(width, height, QImage::Format_RGB32);
    if (image->isNull()) {
        jpeg_destroy_decompress(cinfo.get());
        return {};
    }
    if (cmyk) cmykRow->resize(size_t(width) * 4);
    const bool inverted = cinfo->saw_Adobe_marker;
    while (cinfo->output_scanline < cinfo->output_height) {
        const int y = int(cinfo->output_scanline);
        JSAMPROW row = cmyk ? cmykRow->data() : image->scanLine(y);
        if (jpeg_read_scanlines(cinfo.get(), &row, 1) != 1) break;
        if (cmyk) {
            auto* dst = reinterpret_cast<QRgb*>(image->scanLine(y));
            for (int x = 0; x < width; ++x)
                dst[x] = CmykToRgb(cmykRow->data() + 4 * x, inverted);
        }
    }
    bool complete = cinfo->output_scanline == cinfo->output_height;
    if (complete && jpeg_detail::EndedBeforePictureWasComplete(*cinfo, *err)) complete = false;
    if (complete) jpeg_finish_decompress(cinfo.get());
    jpeg_destroy_decompress(cinfo.get());
    if (!complete || err->damaged) return {};
    return std::move(*image);
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

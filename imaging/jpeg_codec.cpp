#include "imaging/jpeg_codec.h"

#include "imaging/dib.h"
#include "imaging/jpeg_errors.h"

#include <QtEndian>
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

QByteArray EncodeJpeg(const QImage& image, int quality) {
    if (image.isNull() || !ImageSizeAcceptable(image.width(), image.height())) return {};
    auto rgb = std::make_unique<QImage>(image.convertToFormat(QImage::Format_RGB32));
    if (rgb->isNull()) return {};
    auto cinfo = std::make_unique<jpeg_compress_struct>();
    auto err = std::make_unique<ErrorManager>();
    // libjpeg grows this buffer with malloc as it writes.
    struct Output {
        unsigned char* data = nullptr;
        unsigned long size = 0;
    };
    auto out = std::make_unique<Output>();
    InstallErrorManager(*err);
    cinfo->err = &err->pub;

    if (setjmp(err->jump)) {
        jpeg_destroy_compress(cinfo.get());
        std::free(out->data);
        return {};
    }
    jpeg_create_compress(cinfo.get());
    jpeg_mem_dest(cinfo.get(), &out->data, &out->size);
    cinfo->image_width = JDIMENSION(rgb->width());
    cinfo->image_height = JDIMENSION(rgb->height());
    cinfo->input_components = 4;
    cinfo->in_color_space = kRgb32Space;
    jpeg_set_defaults(cinfo.get());
    jpeg_set_quality(cinfo.get(), qBound(1, quality, 100), TRUE);
    jpeg_start_compress(cinfo.get(), TRUE);
    while (cinfo->next_scanline < cinfo->image_height) {
        JSAMPROW row = const_cast<JSAMPLE*>(rgb->constScanLine(int(cinfo->next_scanline)));
        jpeg_write_scanlines(cinfo.get(), &row, 1);
    }
    jpeg_finish_compress(cinfo.get());
    jpeg_destroy_compress(cinfo.get());
    QByteArray result(reinterpret_cast<const char*>(out->data), qsizetype(out->size));
    std::free(out->data);
    return result;
}

} // namespace tvx

#pragma once

#include <QByteArray>
#include <QImage>
#include <QString>
#include <cstdint>

namespace tvx {

// Decodes a BMP file held in memory into an RGB32 picture, or refuses it
// with the reason in `why`: a picture is either shown as its file describes
// it or not at all.
//
// Read: the OS/2 1.x header (12 bytes) and OS/2 2.x headers of 16 to 64
// bytes, the Windows headers of 40, 52, 56, 108 and 124 bytes; 1, 2, 4 and
// 8 bits with a colour table (as many entries as fit before the pixels
// when the table is shorter than the bit count allows), 16 and 32 bits with
// the default or given channel masks, 24 bits; RLE8 and RLE4. Channels of
// fewer or more than 8 bits are scaled to the full 0..255 range (a 5-bit
// 31 is 255). A picture with an alpha mask is shown over white. Pixels an
// RLE stream skips or leaves out after its early end take colour 0 of the
// table; runs that reach past the end of a row are cut there.
//
// Refused: other compressions (JPEG, PNG, Huffman, RLE24), impossible or
// absurd sizes, masks that overlap or have gaps, colour indices beyond the
// table, pixels that the file is too short to hold, RLE data that ends
// before the picture is complete or writes beyond it.
QImage DecodeBmp(const QByteArray& bytes, QString* why = nullptr);

// The same for a picture kept in memory without its file header (as the
// file list keeps thumbnails): the information header first, then any
// masks, the colour table (as many entries as its count of colours used),
// and the pixels right after. Rows of 8 bits or fewer without a colour
// table are grey levels.
QImage DecodePackedDib(const uint8_t* dib, qint64 size, QString* why = nullptr);

// What the headers of a BMP file say, once the decoder has found nothing in
// them to refuse.
struct BmpLayout {
    uint32_t infoSize = 0;
    int64_t width = 0;
    int64_t rows = 0;
    bool topDown = false;
    uint16_t bits = 0;
    uint32_t compression = 0; // 0: uncompressed
    qint64 pixelOffset = 0;   // from the start of the file
    int64_t stride = 0;       // bytes of a stored row when uncompressed
};
// False, with the reason, when DecodeBmp would refuse the file on its
// headers, masks or colour table alone.
bool ReadBmpLayout(const QByteArray& bytes, BmpLayout* layout, QString* why = nullptr);

} // namespace tvx

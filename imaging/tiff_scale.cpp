#include "imaging/tiff_scale.h"

#include <QtEndian>
#include <algorithm>
#include <cmath>
#include <cstdint>
#include <vector>

namespace tvx {

namespace {

enum TiffType : uint16_t { kAscii = 2, kShort = 3, kLong = 4, kRational = 5 };

struct Entry {
    uint16_t tag;
    uint16_t type;
    uint32_t count;
    QByteArray data; // the value's bytes; inline when four or fewer
};

QByteArray Le16(uint16_t v) {
    QByteArray b(2, '\0');
    qToLittleEndian(v, b.data());
    return b;
}

QByteArray Le32(uint32_t v) {
    QByteArray b(4, '\0');
    qToLittleEndian(v, b.data());
    return b;
}

Entry Short(uint16_t tag, std::initializer_list<uint16_t> values) {
    Entry e{tag, kShort, uint32_t(values.size()), {}};
    for (uint16_t v : values)
        e.data += Le16(v);
    return e;
}

Entry Long(uint16_t tag, uint32_t value) {
    return Entry{tag, kLong, 1, Le32(value)};
}

Entry Ascii(uint16_t tag, const QByteArray& text) {
    QByteArray z = text;
    z.append('\0');
    return Entry{tag, kAscii, uint32_t(z.size()), z};
}

// A positive value as a fraction of 32-bit numbers, as exact as they allow.
Entry Rational(uint16_t tag, double value) {
    uint32_t num = 0, den = 1;
    if (std::isfinite(value) && value > 0) {
        den = 1000000;
        while (den > 1 && value * den > 4294967295.0)
            den /= 10;
        const double n = std::round(value * den);
        num = n > 4294967295.0 ? 4294967295u : uint32_t(n);
    }
    return Entry{tag, kRational, 1, Le32(num) + Le32(den)};
}

QString Number(double v) {
    return QString::number(v, 'g', 10);
}

QByteArray XmlEscaped(const QString& s) {
    return s.toHtmlEscaped().toUtf8();
}

QByteArray OmeXml(const QImage& picture, const PixelScale& scale, const QString& software) {
    QByteArray size;
    if (scale.unitsPerPixel > 0) {
        const QByteArray v = Number(scale.unitsPerPixel).toUtf8();
        const QByteArray u = XmlEscaped(scale.omeUnit);
        size = " PhysicalSizeX=\"" + v + "\" PhysicalSizeXUnit=\"" + u + "\" PhysicalSizeY=\"" + v +
               "\" PhysicalSizeYUnit=\"" + u + "\"";
    }
    QByteArray xml = "<?xml version=\"1.0\" encoding=\"UTF-8\"?>"
                     "<OME xmlns=\"http://www.openmicroscopy.org/Schemas/OME/2016-06\" Creator=\"" +
                     XmlEscaped(software) +
                     "\"><Image ID=\"Image:0\" Name=\"still\"><Pixels ID=\"Pixels:0\" "
                     "DimensionOrder=\"XYCZT\" Type=\"uint8\" SizeX=\"" +
                     QByteArray::number(picture.width()) + "\" SizeY=\"" +
                     QByteArray::number(picture.height()) +
                     "\" SizeC=\"3\" SizeZ=\"1\" SizeT=\"1\" Interleaved=\"true\"" + size +
                     "><Channel ID=\"Channel:0:0\" SamplesPerPixel=\"3\"/>"
                     "<TiffData IFD=\"0\" PlaneCount=\"1\"/></Pixels></Image>";
    if (!scale.note.isEmpty())
        xml += "<StructuredAnnotations><CommentAnnotation ID=\"Annotation:0\" "
               "Namespace=\"tavolux/pixel-size\"><Value>" +
               XmlEscaped(scale.note) + "</Value></CommentAnnotation></StructuredAnnotations>";
    return xml + "</OME>";
}

QByteArray ImageJDescription(const PixelScale& scale) {
    QByteArray d = "ImageJ=1.11a\nimages=1\n";
    if (scale.unitsPerPixel > 0) {
        // The unit's name goes in as ImageJ spells it; the size per pixel is
        // in the resolution tags.
        d += "unit=" + scale.imagejUnit.toUtf8() + "\n";
        if (!scale.note.isEmpty()) d += "info=" + scale.note.toUtf8() + "\n";
    }
    return d;
}

} // namespace

QByteArray EncodeTiffWithScale(const QImage& picture, const PixelScale& scale,
                               const QString& software) {
    if (picture.isNull()) return {};
    const QImage rgb = picture.convertToFormat(QImage::Format_RGB888);
    const uint32_t w = uint32_t(rgb.width()), h = uint32_t(rgb.height());
    const qint64 pixelBytes = qint64(w) * h * 3;
    if (pixelBytes > 0x7FFFFFFF) return {};

    const double perUnit = scale.unitsPerPixel > 0 ? 1.0 / scale.unitsPerPixel : 1.0;
    // Two descriptions, the OME one first: OME readers take the first, and
    // ImageJ and tifffile look through both for theirs.
    std::vector<Entry> entries = {
        Long(256, w),
        Long(257, h),
        Short(258, {8, 8, 8}),
        Short(259, {1}), // no compression
        Short(262, {2}), // RGB
        Ascii(270, OmeXml(rgb, scale, software)),
        Ascii(270, ImageJDescription(scale)),
        Long(273, 0), // the strip's offset, set below
        Short(277, {3}),
        Long(278, h),
        Long(279, uint32_t(pixelBytes)),
        Rational(282, perUnit),
        Rational(283, perUnit),
        Short(284, {1}), // interleaved
        Short(296, {1}), // no absolute unit: the unit is named in the descriptions
        Ascii(305, software.toUtf8()),
    };

    const uint32_t ifdAt = 8;
    const uint32_t ifdSize = 2 + uint32_t(entries.size()) * 12 + 4;
    // Values longer than four bytes follow the directory, each on an even offset.
    uint32_t at = ifdAt + ifdSize;
    std::vector<uint32_t> offsets(entries.size(), 0);
    for (std::size_t i = 0; i < entries.size(); ++i) {
        if (entries[i].data.size() <= 4) continue;
        offsets[i] = at;
        at += uint32_t(entries[i].data.size());
        at += at & 1;
    }
    const uint32_t pixelsAt = at;
    for (Entry& e : entries)
        if (e.tag == 273) e.data = Le32(pixelsAt);

    QByteArray out;
    out.reserve(int(pixelsAt + pixelBytes));
    out += "II";
    out += Le16(42);
    out += Le32(ifdAt);
    out += Le16(uint16_t(entries.size()));
    for (std::size_t i = 0; i < entries.size(); ++i) {
        const Entry& e = entries[i];
        out += Le16(e.tag) + Le16(e.type) + Le32(e.count);
        if (e.data.size() <= 4) {
            QByteArray inlined = e.data;
            inlined.append(QByteArray(4 - inlined.size(), '\0'));
            out += inlined;
        } else {
            out += Le32(offsets[i]);
        }
    }
    out += Le32(0); // no further directory
    for (std::size_t i = 0; i < entries.size(); ++i) {
        if (entries[i].data.size() <= 4) continue;
        out += entries[i].data;
        if (out.size() & 1) out.append('\0');
    }
    for (uint32_t y = 0; y < h; ++y)
        out.append(reinterpret_cast<const char*>(rgb.constScanLine(int(y))), int(w) * 3);
    return out;
}

} // namespace tvx

#pragma once

#include <QByteArray>
#include <QImage>
#include <QString>

namespace tvx {

// The size of one pixel, as analysis programs want to find it in a picture.
struct PixelScale {
    double unitsPerPixel = 0; // 0: the picture carries no scale
    QString imagejUnit;       // ImageJ's name of the unit ("micron", "mm", ...)
    QString omeUnit;          // the OME unit symbol ("µm", "mm", "cm", "in", "thou")
    // Where the size comes from, in words, e.g. "calibrated at 212.5X".
    QString note;
};

// An 8-bit RGB TIFF of the picture, uncompressed, that carries its pixel
// size the two ways analysis programs read it: an OME-XML description with
// PhysicalSizeX/Y (the OME readers), and a second description in ImageJ's
// own form with X/Y resolution in pixels per unit (ImageJ, Fiji, tifffile).
// Empty for a picture without pixels.
//
// Written here rather than through libtiff: a directory may hold two
// descriptions, and each family of readers looks for its own, but libtiff
// writes one.
QByteArray EncodeTiffWithScale(const QImage& picture, const PixelScale& scale,
                               const QString& software);

} // namespace tvx

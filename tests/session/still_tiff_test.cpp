// TIFF stills read back by an outside reader, tifffile, the way ImageJ, Fiji
// and OME readers find a picture's scale.
#include "measure/picture_scale.h"
#include "session/still_saver.h"

#include <QFileInfo>
#include <QImage>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QTemporaryDir>
#include <gtest/gtest.h>

namespace tvx {
namespace {

// The program's own Python comes from the distribution, with tifffile.
constexpr const char* kPython = "/usr/bin/python3";

constexpr const char* kReader = R"(
import json, sys, xml.etree.ElementTree as ET
import tifffile
with tifffile.TiffFile(sys.argv[1]) as t:
    page = t.pages[0]
    ome = ET.fromstring(t.ome_metadata)
    ns = {'o': 'http://www.openmicroscopy.org/Schemas/OME/2016-06'}
    px = ome.find('.//o:Pixels', ns)
    xr = page.tags['XResolution'].value
    yr = page.tags['YResolution'].value
    pixels = page.asarray()
    print(json.dumps({
        'unit': t.imagej_metadata.get('unit'),
        'info': t.imagej_metadata.get('info', ''),
        'xres': xr[0] / xr[1], 'yres': yr[0] / yr[1],
        'physx': float(px.get('PhysicalSizeX')), 'physy': float(px.get('PhysicalSizeY')),
        'physunit': px.get('PhysicalSizeXUnit'),
        'shape': list(pixels.shape),
        'rgb': [[int(v) for v in pixels[y, x]] for (x, y) in ((0, 0), (5, 3), (12, 6))],
    }))
)";

StillPicture Pattern(int w, int h) {
    StillPicture s;
    s.width = w;
    s.height = h;
    s.stride = (w * 3 + 3) & ~3;
    s.pixels.assign(size_t(s.stride) * h, 0);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) {
            uint8_t* p = s.pixels.data() + size_t(y) * s.stride + x * 3;
            p[0] = uint8_t(x * 9);
            p[1] = uint8_t(y * 17);
            p[2] = uint8_t(x * y);
        }
    return s;
}

TEST(StillTiff, OutsideReadersFindThePixelSizeAndThePixelsOfTheBmp) {
    QTemporaryDir dir;
    StillSaver saver(dir.path());
    const StillPicture still = Pattern(15, 8);
    const QDateTime when(QDate(2026, 3, 4), QTime(10, 15, 0));
    StillFormat tiff;
    tiff.tiff = true;
    // Calibrated at 212.5X in millimetres: the pixel size the tools measure with.
    tiff.scale = PictureScale(QSize(15, 8), 212.5, true, QStringLiteral("mm"), true);
    const double perPixel = 63.49206349 * 0.001 * 10 / 212.5;
    ASSERT_NEAR(tiff.scale.unitsPerPixel, perPixel, 1e-12);

    const StillSaveResult t = saver.Save(still, "200.0", when, nullptr, tiff);
    ASSERT_TRUE(t.saved()) << t.reason.toStdString();
    EXPECT_EQ(QFileInfo(t.path).suffix(), "tif");
    const StillSaveResult b = saver.Save(still, "200.0", when, nullptr);
    ASSERT_TRUE(b.saved());
    // One count for both kinds.
    EXPECT_TRUE(t.path.endsWith("_N0001.tif"));
    EXPECT_TRUE(b.path.endsWith("_N0002.bmp"));

    QProcess reader;
    reader.start(kPython, {"-c", kReader, t.path});
    ASSERT_TRUE(reader.waitForFinished(60000));
    ASSERT_EQ(reader.exitCode(), 0) << reader.readAllStandardError().toStdString();
    const QJsonObject r = QJsonDocument::fromJson(reader.readAllStandardOutput()).object();
    ASSERT_FALSE(r.isEmpty());
    EXPECT_EQ(r["unit"].toString(), "mm");
    EXPECT_TRUE(r["info"].toString().contains("calibrated")) << r["info"].toString().toStdString();
    EXPECT_NEAR(r["xres"].toDouble(), 1 / perPixel, 1e-3 / perPixel);
    EXPECT_NEAR(r["yres"].toDouble(), 1 / perPixel, 1e-3 / perPixel);
    EXPECT_NEAR(r["physx"].toDouble(), perPixel, 1e-3 * perPixel);
    EXPECT_NEAR(r["physy"].toDouble(), perPixel, 1e-3 * perPixel);
    EXPECT_EQ(r["physunit"].toString(), "mm");

    const QImage bmp(b.path);
    ASSERT_EQ(bmp.size(), QSize(15, 8));
    EXPECT_EQ(r["shape"].toVariant().toList(), (QVariantList{8, 15, 3}));
    const QPoint at[] = {{0, 0}, {5, 3}, {12, 6}};
    const QJsonArray rgb = r["rgb"].toArray();
    ASSERT_EQ(rgb.size(), 3);
    for (int i = 0; i < 3; ++i) {
        const QRgb p = bmp.pixel(at[i]);
        const QJsonArray v = rgb[i].toArray();
        EXPECT_EQ((QList<int>{v[0].toInt(), v[1].toInt(), v[2].toInt()}),
                  (QList<int>{qRed(p), qGreen(p), qBlue(p)}))
            << i;
    }
}

TEST(StillTiff, UncalibratedAndMicrometreScalesSayWhatTheyAre) {
    const PixelScale nominal = PictureScale(QSize(640, 480), 60, false, QStringLiteral("cm"), true);
    EXPECT_TRUE(nominal.note.contains("nominal"));
    EXPECT_EQ(nominal.imagejUnit, "cm");
    EXPECT_NEAR(nominal.unitsPerPixel, 65.1465798045602 * 0.0001 * 10 / 60, 1e-15);
    EXPECT_EQ(PictureScale(QSize(640, 480), 0, false, QStringLiteral("mm"), true).unitsPerPixel, 0);
    const PixelScale mil = PictureScale(QSize(640, 480), 60, true, QStringLiteral("mil"), true);
    EXPECT_EQ(mil.omeUnit, "thou");
}

} // namespace
} // namespace tvx

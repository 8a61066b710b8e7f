#pragma once

#include <QImage>
#include <QPoint>
#include <QPointF>
#include <cstdint>
#include <vector>

namespace tvx {

// Micrometres one capture pixel covers at magnification 1, by capture size
// (the same table the length measurements use).
double SimPixelPitch(int width, int height);
// Pixels one millimetre of the slide covers at the simulated magnification.
double SimPixelsPerMillimetre(int width, int height);
constexpr double kSimMagnification = 60.0;

// How far the slide has wandered after `seconds`; each side stays within
// ±kSimDriftMargin so a view of the slide never leaves the rendered canvas.
QPoint SimDrift(double seconds);
constexpr int kSimDriftMargin = 12;

// A cell of the slide, in canvas pixels: an ellipse turned by `degrees`.
struct SimCell {
    QPointF centre;
    double rx = 0, ry = 0;
    double degrees = 0;
};

// The stage micrometer the simulated microscope looks at: a backlit field
// with a scale in 0.01 mm steps across most of the view, numbered every
// millimetre, and some cells. Drawn once per
// capture size, with a margin all round so drift is a plain shifted copy.
class MicrometerPicture {
public:
    MicrometerPicture(int width, int height);
    int width() const { return width_; }
    int height() const { return height_; }
    // Copies the view shifted by `drift` into `dst`: top-down rows of
    // width × 3 bytes (blue, green, red), `dstStride` bytes apart.
    void CopyView(QPoint drift, uint8_t* dst, int dstStride) const;
    // Where the scale's first tick (0 mm) lies in an undrifted view, and
    // the pixel distance of one millimetre.
    double scaleOriginX() const { return originX_; }
    double pixelsPerMillimetre() const { return pxPerMm_; }
    // Length of the scale: whole half millimetres filling about 85 % of the width.
    double lengthMillimetres() const { return lengthMm_; }
    // The drawn slide, BGR888 with kSimDriftMargin all round, and its cells.
    const QImage& canvas() const { return canvas_; }
    const std::vector<SimCell>& cells() const { return cells_; }

private:
    int width_;
    int height_;
    double originX_ = 0;
    double pxPerMm_ = 0;
    double lengthMm_ = 0;
    QImage canvas_; // BGR888, (width + 2 margin) × (height + 2 margin)
    std::vector<SimCell> cells_;
};

} // namespace tvx

namespace tvx {

// A lens out of focus, in its simplest form: each pixel becomes the mean of
// the (2 radius + 1)² box around it (edges repeat). Top-down BGR rows of
// width × 3 bytes, `stride` apart, changed in place; radius ≤ 0 leaves the
// picture alone. `scratch` is reused from call to call.
void SimBlur(uint8_t* data, int width, int height, int stride, int radius,
             std::vector<uint32_t>& scratch);

// The blur radius of a slow turn of the focus knob: from sharp to
// kSimMaxBlur and back over kSimFocusPeriod seconds.
constexpr int kSimMaxBlur = 8;
constexpr double kSimFocusPeriod = 12.0;
int SimFocusDrift(double seconds);

} // namespace tvx

#pragma once

#include "capture/sim_render.h"

#include <cstdint>
#include <vector>

namespace tvx {

// The simulated slide with relief, for turning the focus through it: the
// stage micrometer lies tilted, rising from left to right, and large cells
// float above it at a few heights. Heights and focus positions are in
// micrometres above the stage; a point lies sharp where the focus meets its
// height and spreads into a square of one pixel of radius for every
// kSimMicronsPerBlurPixel it lies off. Each point spreads evenly about
// itself, as through a lens: a picture blurred where the slide is tilted
// keeps every feature in its place.
constexpr double kSimMicronsPerBlurPixel = 8.0;
constexpr int kSimDepthMaxBlur = 16;
constexpr double kSimSlideLow = 0.0;    // the slide's left edge
constexpr double kSimSlideHigh = 150.0; // its right edge
constexpr double kSimCellHeights[] = {40.0, 95.0, 160.0};
// A focus position between all heights, where the view has its rest scale.
constexpr double kSimFocusRest = 80.0;

// Where the view looks and how large it shows the slide, relative to the
// rest view of the micrometer picture: an offset in pixels and a scale
// about the view's centre (above 1: larger).
struct SimView {
    double dx = 0;
    double dy = 0;
    double scale = 1;
};

// A lens changes its magnification a little as its focus moves.
double SimBreathing(double focus);
// A hand on the focus knob: the slide's slow drift, a tremor of a pixel or
// two, and the breathing of the lens at `focus`.
SimView SimHandHeld(double seconds, double focus);

// A turn of the focus: from `from` to `to` at an even pace over `seconds`,
// started at `start` (seconds of the device's clock); it holds `to` after.
struct SimFocusSweep {
    double from = kSimFocusRest;
    double to = kSimFocusRest;
    double seconds = 0;
    double start = 0;
    double At(double now) const;
};

class SimDepthScene {
public:
    // The slide of `picture`, with its cells and heights. Costs a blur of
    // the slide for every radius up to kSimDepthMaxBlur, once.
    explicit SimDepthScene(const MicrometerPicture& picture);

    int width() const { return width_; }
    int height() const { return height_; }

    // The view at `focus` into top-down BGR rows of width × 3 bytes,
    // `dstStride` apart: each point blurred by its own distance from the
    // focus, looked at through `view`. The blurred slide of the last focus
    // is kept, so a steady focus costs only the view.
    void Render(double focus, const SimView& view, uint8_t* dst, int dstStride);
    // The same view with every point sharp: what a perfect stack would give.
    void RenderSharp(const SimView& view, uint8_t* dst, int dstStride) const;

    // Height of a canvas pixel (the canvas has kSimDriftMargin all round).
    double HeightAt(int canvasX, int canvasY) const;
    int canvasWidth() const { return canvasWidth_; }
    int canvasHeight() const { return canvasHeight_; }

private:
    void Blur(double focus);
    void Sample(const std::vector<uint8_t>& canvas, const SimView& view, uint8_t* dst,
                int dstStride) const;

    int width_ = 0, height_ = 0;
    int canvasWidth_ = 0, canvasHeight_ = 0;
    std::vector<float> heights_; // one a canvas pixel
    std::vector<uint8_t> sharp_; // the canvas, BGR rows of canvasWidth × 3 bytes
    // The canvas blurred for blurredFocus_, and the sums it is made with.
    std::vector<uint8_t> blurred_;
    double blurredFocus_ = 0;
    bool blurredValid_ = false;
    std::vector<float> plane_, sums_, columns_;
};

} // namespace tvx

#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

namespace tvx {

// A picture as stacking works on it: top-down rows of width × channels
// bytes with no padding; 3 channels are blue, green, red, 1 is grey.
struct Image8 {
    Image8() = default;
    Image8(int w, int h, int c)
        : width(w), height(h), channels(c), pixels(std::size_t(w) * h * c) {}

    int width = 0;
    int height = 0;
    int channels = 0;
    std::vector<uint8_t> pixels;

    bool empty() const { return pixels.empty(); }
    std::size_t rowBytes() const { return std::size_t(width) * channels; }
    uint8_t* row(int y) { return pixels.data() + rowBytes() * y; }
    const uint8_t* row(int y) const { return pixels.data() + rowBytes() * y; }
};

// A plane map x' = a·x + b·y + tx, y' = c·x + d·y + ty.
struct Warp {
    double a = 1, b = 0, tx = 0;
    double c = 0, d = 1, ty = 0;

    // Scale about (cx, cy), then a shift.
    static Warp ScaleAbout(double scale, double cx, double cy, double dx = 0, double dy = 0);
    // This map followed by `next`.
    Warp Then(const Warp& next) const;
    Warp Inverse() const;
    double ScaleFactor() const;
    void Apply(double x, double y, double* ox, double* oy) const;
};

// How far apart two maps put the corners of a width × height picture: the
// largest distance in pixels.
double WarpGap(const Warp& p, const Warp& q, int width, int height);

} // namespace tvx

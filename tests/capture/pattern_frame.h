#pragma once

#include "capture/frame_types.h"

#include <QColor>
#include <cstdint>
#include <vector>

namespace tvx {

// A packed bottom-up frame whose pixel at (picture row y from the top,
// column x) encodes its place: blue = x & 255, green = y & 255, red = x >> 8.
struct PatternFrame {
    int w, h;
    std::vector<uint8_t> bytes;
    PatternFrame(int width, int height)
        : w(width), h(height), bytes(std::size_t(width) * 3 * height) {
        for (int y = 0; y < h; ++y)
            for (int x = 0; x < w; ++x) {
                uint8_t* p = bytes.data() + std::size_t(h - 1 - y) * w * 3 + x * 3;
                p[0] = uint8_t(x & 255);
                p[1] = uint8_t(y & 255);
                p[2] = uint8_t(x >> 8);
            }
    }
    FrameView view() { return FrameView{bytes.data(), w, h, w * 3}; }
    static QRgb At(int x, int y) { return qRgb(x >> 8, y & 255, x & 255); }
};

} // namespace tvx

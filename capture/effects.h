#pragma once

#include "capture/effect_state.h"
#include "capture/frame_types.h"

#include <cstdint>
#include <vector>

namespace tvx {

// The display effects. Each works on a 24-bit BGR frame of any width and row
// stride (rows may carry padding, which is left alone). "In place" variants
// change the frame they are given; "Into" variants read src and write dst of
// the same width and height and must not overlap.

// Grey value of one pixel: truncate(0.59 G + 0.30 R + 0.11 B + 0.5), in its
// exact integer form.
inline uint8_t GreyValue(uint8_t b, uint8_t g, uint8_t r) {
    return uint8_t((59u * g + 30u * r + 11u * b + 50u) / 100u);
}

// Horizontal mirror: pixel (r, c) takes pixel (r, w-1-c).
void MirrorHorizontal(const FrameView& frame, std::vector<uint8_t>& rowScratch);
void MirrorHorizontalInto(const FrameView& src, const FrameView& dst);

// The 180-degree turn: pixel (r, c) takes pixel (h-1-r, w-1-c).
void Turn180(const FrameView& frame, std::vector<uint8_t>& rowScratch);
void Turn180Into(const FrameView& src, const FrameView& dst);

// Otsu's threshold over a 256-bin histogram; 0 when no split separates
// anything (every pixel in one class).
int OtsuThreshold(const uint32_t histogram[256]);

// Binary segmentation in place; answers the threshold used. greyScratch
// keeps the grey plane afterwards, rows padded to a multiple of 4 bytes.
int BinarySegment(const FrameView& frame, std::vector<uint8_t>& greyScratch);

void Negative(const FrameView& frame);

// Channel selection by the button mask (R 0x1, G 0x10, B 0x100); masks other
// than the six the buttons can make leave the frame alone.
void SelectChannels(const FrameView& frame, uint32_t mask);

// Buffers the effects reuse from frame to frame, so a running stream does
// not allocate.
struct EffectScratch {
    std::vector<uint8_t> row;
    std::vector<uint8_t> grey;
};

// Every switched-on effect in the fixed order: horizontal mirror, turn,
// binary segmentation, negative, channel selection.
void ApplyEffects(const FrameView& frame, const EffectSwitches& switches, EffectScratch& scratch);

} // namespace tvx

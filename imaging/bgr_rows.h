#pragma once

#include <cstdint>

namespace tvx {

// One row of 24-bit BGR pixels (as frames and BMP files hold them) as opaque
// RGB32 (0xffRRGGBB). Every picture made from such rows goes through here:
// the live view calls it for each row of each frame, so it uses the fastest
// instructions the machine has.
void BgrRowToRgb32(const uint8_t* bgr, uint32_t* rgb32, int count);

} // namespace tvx

#pragma once

#include <cstdint>

namespace tvx {

// One row of 24-bit BGR pixels (as frames and BMP files hold them) as opaque
// RGB32 (0xffRRGGBB). Every picture made from such rows goes through here:
// the live view calls it for each row of each frame, so it uses the fastest
// instructions the machine has.
void BgrRowToRgb32(const uint8_t* bgr, uint32_t* rgb32, int count);

// One row of 32-bit BGRx pixels (blue, green, red and a byte that is not
// read) as 24-bit BGR, and as opaque RGB32.
void BgrxRowToBgr(const uint8_t* bgrx, uint8_t* bgr, int count);
void BgrxRowToRgb32(const uint8_t* bgrx, uint32_t* rgb32, int count);

} // namespace tvx

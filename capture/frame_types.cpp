#include "capture/frame_types.h"

#include "imaging/bgr_rows.h"

#include <cstring>

namespace tvx {

void CopyRowAsBgr(const FrameView& frame, int r, uint8_t* dst) {
    if (frame.pixelBytes == 4)
        BgrxRowToBgr(frame.row(r), dst, frame.width);
    else
        std::memcpy(dst, frame.row(r), std::size_t(frame.width) * 3);
}

} // namespace tvx

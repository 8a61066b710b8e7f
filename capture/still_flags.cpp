#include "capture/frame_types.h"

namespace tvx {

StillFlags& stillFlags() {
    static StillFlags flags;
    return flags;
}

} // namespace tvx

#pragma once

#include "stack/stacker.h"

namespace tvx {

// What StackFrames does, here in the OpenCV module (see stacker.h).
StackOutcome FocusStack(std::vector<Image8> frames, StackProgress* progress);

} // namespace tvx

#pragma once

#include <QString>

namespace tvx {

// What the next click of a live measuring tool does, once `placed` points
// of its shape are down: "Click the second end", "Click point 2 of 3".
QString ToolStepHint(int liveKind, int placed);

} // namespace tvx

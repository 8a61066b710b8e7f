#pragma once

#include "measure/tool_registry.h"

#include <QString>

namespace tvx {

// What the next click of a live measuring tool does, once `placed` points
// of its shape are down: "Click the second end", "Click point 2 of 3".
QString ToolStepHint(const ToolHint& hint, int placed);

} // namespace tvx

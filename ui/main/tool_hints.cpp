#include "ui/main/tool_hints.h"

#include "platform/language.h"

namespace tvx {

QString ToolStepHint(const ToolHint& hint, int placed) {
    if (!hint.firstKey) return {};
    if (hint.ofPoints > 0)
        return Text(hint.firstKey, hint.firstText).arg(placed + 1).arg(hint.ofPoints);
    if (placed == 0 || !hint.nextKey) return Text(hint.firstKey, hint.firstText);
    return Text(hint.nextKey, hint.nextText);
}

} // namespace tvx

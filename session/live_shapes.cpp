#include "session/live_shapes.h"

namespace tvx {

void LiveShapes::Undo() {
    Edit([](ShapeList& l) { l.Undo(); });
}

void LiveShapes::Redo() {
    Edit([](ShapeList& l) { l.Redo(); });
}

void LiveShapes::Clear() {
    Edit([](ShapeList& l) { l.Clear(); });
}

} // namespace tvx

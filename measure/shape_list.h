#pragma once

#include "measure/measure_shape.h"

#include <vector>

namespace tvx {

// The finished shapes of one drawing surface (oldest first, drawn in that
// order) and the shapes Undo took off it. Not thread-safe: the owner guards
// it when another thread draws from it.
//
// Undo and Redo are plain moves between the two lists, so whatever Undo took
// Redo brings back, and a shape drawn after an Undo is never lost to a Redo.
class ShapeList {
public:
    void Append(CMeasureShape shape);
    // The last shape, or nullptr when there is none. Valid until the list changes.
    CMeasureShape* Newest();
    const CMeasureShape* Newest() const;
    // Takes the last shape off without keeping it for Redo.
    void RemoveNewest();
    void Undo();
    void Redo();
    bool HasShapes() const { return !shapes_.empty(); }
    bool HasRedo() const { return !redo_.empty(); }
    // Empties both lists.
    void Clear();

    const std::vector<CMeasureShape>& shapes() const { return shapes_; }
    // Newest last.
    const std::vector<CMeasureShape>& redoStack() const { return redo_; }

private:
    std::vector<CMeasureShape> shapes_;
    std::vector<CMeasureShape> redo_;
};

} // namespace tvx

#pragma once

#include "measure/measure_shape.h"

#include <cstdint>
#include <vector>

namespace tvx {

// Where the stored-picture lists keep their undo history count. It outlives
// any one canvas: the Photo Measure dialog opened again finds it as it was.
struct UndoMark {
    bool set = false;
    int32_t count = 0;
};
// The process-wide mark of the stored-picture canvas. UI thread only.
UndoMark& StoredPictureUndoMark();

// The finished shapes of one drawing surface (oldest first, drawn in that
// order) and the shapes Undo took off it. Not thread-safe: the owner guards
// it when another thread draws from it.
//
// With an undo mark (the stored-picture canvas), shapes drawn after an Undo
// are taken away one by one by Redo before the undone shapes come back.
// Without one (the live view), Undo and Redo are plain moves between the two
// lists.
class ShapeList {
public:
    explicit ShapeList(UndoMark* mark = nullptr) : mark_(mark) {}

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
    // Empties both lists; the undo mark stays as it is.
    void Clear();

    const std::vector<CMeasureShape>& shapes() const { return shapes_; }
    // Newest last.
    const std::vector<CMeasureShape>& redoStack() const { return redo_; }
    const UndoMark* mark() const { return mark_; }

private:
    std::vector<CMeasureShape> shapes_;
    std::vector<CMeasureShape> redo_;
    UndoMark* mark_; // not owned
};

} // namespace tvx

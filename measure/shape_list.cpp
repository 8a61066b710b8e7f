#include "measure/shape_list.h"

#include <utility>

namespace tvx {

UndoMark& StoredPictureUndoMark() {
    static UndoMark mark;
    return mark;
}

void ShapeList::Append(CMeasureShape shape) {
    shapes_.push_back(std::move(shape));
}

CMeasureShape* ShapeList::Newest() {
    return shapes_.empty() ? nullptr : &shapes_.back();
}

const CMeasureShape* ShapeList::Newest() const {
    return shapes_.empty() ? nullptr : &shapes_.back();
}

void ShapeList::RemoveNewest() {
    if (!shapes_.empty()) shapes_.pop_back();
}

void ShapeList::Undo() {
    if (shapes_.empty()) return;
    redo_.push_back(std::move(shapes_.back()));
    shapes_.pop_back();
    if (mark_) {
        // The mark counts the shapes that belong to the undo history, so
        // that Redo can tell shapes drawn since the last Undo or Redo from
        // the history. It is taken from the list as it now stands: counting
        // down from an older value would make Redo discard shapes the user
        // drew before that Undo, or never undid at all (a mark left from an
        // earlier picture, or shapes drawn between two Undos).
        mark_->set = true;
        mark_->count = int32_t(shapes_.size());
    }
}

void ShapeList::Redo() {
    if (redo_.empty()) return;
    if (mark_ && int64_t(shapes_.size()) > int64_t(mark_->count)) {
        // Drawn after the last Undo: it goes first, and for good.
        shapes_.pop_back();
        return;
    }
    shapes_.push_back(std::move(redo_.back()));
    redo_.pop_back();
    if (mark_ && mark_->count < INT32_MAX) ++mark_->count;
}

void ShapeList::Clear() {
    shapes_.clear();
    redo_.clear();
}

} // namespace tvx

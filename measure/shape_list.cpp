#include "measure/shape_list.h"

#include <utility>

namespace tvx {

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
}

void ShapeList::Redo() {
    if (redo_.empty()) return;
    shapes_.push_back(std::move(redo_.back()));
    redo_.pop_back();
}

void ShapeList::Clear() {
    shapes_.clear();
    redo_.clear();
}

} // namespace tvx

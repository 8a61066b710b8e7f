#pragma once

#include "measure/shape_list.h"

#include <mutex>

namespace tvx {

// The measurements drawn over the live picture. The UI thread edits them and
// the streaming thread draws them with every frame; both go through here so
// neither can touch the list without its lock.
class LiveShapes {
public:
    // Any thread: fn(const ShapeList&) runs under the lock. Keep it short,
    // a frame waits for it.
    template <class Fn> void Draw(Fn&& fn) const {
        std::lock_guard<std::mutex> lock(mutex_);
        fn(static_cast<const ShapeList&>(list_));
    }
    // UI thread: fn(ShapeList&) runs under the lock.
    template <class Fn> void Edit(Fn&& fn) {
        std::lock_guard<std::mutex> lock(mutex_);
        fn(list_);
    }

    void Undo();
    void Redo();
    void Clear();

private:
    mutable std::mutex mutex_;
    ShapeList list_; // guarded by mutex_; written on the UI thread
};

} // namespace tvx

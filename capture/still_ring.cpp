#include "capture/still_ring.h"

#include <cstring>
#include <new>

namespace tvx {

void StillRing::SetSharpest(bool on) {
    std::lock_guard<std::mutex> lock(mutex_);
    sharpest_ = on;
    marked_ = false;
    if (on || slots_.size() <= 1) return;
    // Back to the single buffer, holding the newest frame.
    if (newest_ > 0) std::swap(slots_[0], slots_[std::size_t(newest_)]);
    slots_.resize(1);
    newest_ = slots_[0].valid ? 0 : -1;
}

bool StillRing::sharpest() const {
    std::lock_guard<std::mutex> lock(mutex_);
    return sharpest_;
}

int StillRing::ChooseSlot(double sampleTime, std::size_t length) {
    if (!sharpest_) {
        if (slots_.empty()) slots_.emplace_back();
        return 0;
    }
    int empty = -1, oldest = -1;
    std::size_t bytes = 0;
    for (int i = 0; i < int(slots_.size()); ++i) {
        const Slot& s = slots_[std::size_t(i)];
        bytes += s.capacity;
        if (!s.valid) {
            if (empty < 0) empty = i;
        } else if (oldest < 0 || s.time < slots_[std::size_t(oldest)].time) {
            oldest = i;
        }
    }
    if (empty >= 0) return empty;
    if (oldest >= 0 && slots_[std::size_t(oldest)].time < sampleTime - kKeepSeconds) return oldest;
    if (int(slots_.size()) < kMaxSlots && bytes + length <= kMaxBytes) {
        slots_.emplace_back();
        return int(slots_.size()) - 1;
    }
    return oldest >= 0 ? oldest : 0;
}

void StillRing::Keep(double sampleTime, const FrameView& frame, double focus) {
    const int stride = DibStride(frame.width);
    const std::size_t rowBytes = std::size_t(frame.width) * 3;
    const std::size_t length = std::size_t(stride) * frame.height;
    std::lock_guard<std::mutex> lock(mutex_);
    if (sharpest_ && newest_ >= 0 && sampleTime < slots_[std::size_t(newest_)].time) {
        // The stream started again: its clock did too, and older frames
        // would sort as the future.
        for (Slot& s : slots_)
            s.valid = false;
        marked_ = false;
    }
    const int index = ChooseSlot(sampleTime, length);
    Slot& slot = slots_[std::size_t(index)];
    slot.valid = false;
    slot.width = frame.width;
    slot.height = frame.height;
    slot.time = sampleTime;
    slot.focus = focus;
    if (!sharpest_ && frame.owner) {
        // The previous frame is let go here, on the streaming thread.
        slot.held = frame;
        slot.valid = true;
        newest_ = index;
        return;
    }
    slot.held = FrameView();
    if (!slot.data || length > slot.capacity) {
        slot.data.reset(new (std::nothrow) uint8_t[length]);
        slot.capacity = slot.data ? length : 0;
        if (!slot.data) {
            if (newest_ == index) newest_ = -1;
            return;
        }
    }
    for (int r = 0; r < frame.height; ++r) {
        uint8_t* dst = slot.data.get() + std::size_t(r) * stride;
        CopyRowAsBgr(frame, r, dst);
        if (std::size_t(stride) > rowBytes) std::memset(dst + rowBytes, 0, stride - rowBytes);
    }
    slot.valid = true;
    newest_ = index;
}

void StillRing::MarkRequest(double sampleTime) {
    std::lock_guard<std::mutex> lock(mutex_);
    marked_ = true;
    markTime_ = sampleTime;
}

StillPicture StillRing::Take() const {
    StillPicture s;
    std::lock_guard<std::mutex> lock(mutex_);
    if (newest_ < 0) return s;
    int pick = newest_;
    if (sharpest_) {
        const double end = marked_ ? markTime_ : slots_[std::size_t(newest_)].time;
        int best = -1;
        for (int i = 0; i < int(slots_.size()); ++i) {
            const Slot& c = slots_[std::size_t(i)];
            if (!c.valid || c.time > end || c.time < end - kWindowSeconds) continue;
            const Slot* b = best >= 0 ? &slots_[std::size_t(best)] : nullptr;
            // The later frame wins a tie: it is the nearer to the request.
            if (!b || c.focus > b->focus || (c.focus == b->focus && c.time > b->time)) best = i;
        }
        if (best >= 0) pick = best;
    }
    const Slot& slot = slots_[std::size_t(pick)];
    if (!slot.valid || slot.width <= 0 || slot.height <= 0) return s;
    s.width = slot.width;
    s.height = slot.height;
    s.stride = DibStride(slot.width);
    s.header = BitmapInfoHeader::For24Bit(s.width, s.height);
    s.sampleTime = slot.time;
    s.focus = slot.focus;
    if (!slot.held.data) {
        s.pixels.assign(slot.data.get(), slot.data.get() + std::size_t(s.stride) * s.height);
        return s;
    }
    // A held frame: its rows may run either way, need not be padded and
    // may have 32-bit pixels.
    const std::size_t rowBytes = std::size_t(s.width) * 3;
    s.pixels.resize(std::size_t(s.stride) * s.height);
    for (int r = 0; r < s.height; ++r) {
        uint8_t* dst = s.pixels.data() + std::size_t(r) * s.stride;
        CopyRowAsBgr(slot.held, r, dst);
        std::memset(dst + rowBytes, 0, std::size_t(s.stride) - rowBytes);
    }
    return s;
}

std::size_t StillRing::capacity() const {
    std::lock_guard<std::mutex> lock(mutex_);
    std::size_t bytes = 0;
    for (const Slot& s : slots_)
        bytes += s.capacity;
    return bytes;
}

int StillRing::slotCount() const {
    std::lock_guard<std::mutex> lock(mutex_);
    return int(slots_.size());
}

} // namespace tvx

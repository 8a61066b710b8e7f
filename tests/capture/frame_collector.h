#pragma once

#include "capture/frame_types.h"

#include <algorithm>
#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <mutex>
#include <vector>

namespace tvx::test {

// Keeps a copy of the last frame as bottom-up rows of DIB stride, however
// the rows ran in the delivered frame; the streaming thread writes, the
// test reads.
class FrameCollector : public FrameReceiver {
public:
    void OnFrame(double sampleTime, const FrameView& f) override {
        std::lock_guard<std::mutex> lock(m_);
        stride_ = DibStride(f.width);
        last_.assign(size_t(stride_) * size_t(f.height), 0);
        for (int r = 0; r < f.height; ++r)
            CopyRowAsBgr(f, r, last_.data() + size_t(r) * stride_);
        width_ = f.width;
        height_ = f.height;
        deliveredStride_ = f.stride;
        pixelBytes_ = f.pixelBytes;
        readOnly_ = f.readOnly;
        owned_ = f.owner != nullptr;
        time_ = sampleTime;
        ++count_;
        cv_.notify_all();
    }
    // Waits for `n` more frames of width × height; false when none come.
    bool WaitFrames(int n, int width, int height) {
        std::unique_lock<std::mutex> lock(m_);
        int seen = 0;
        int last = count_;
        return cv_.wait_for(lock, std::chrono::seconds(10), [&] {
            if (count_ != last) {
                if (width_ == width && height_ == height) seen += count_ - last;
                last = count_;
            }
            return seen >= n;
        });
    }
    std::vector<uint8_t> Last(int* stride, double* time = nullptr) {
        std::lock_guard<std::mutex> lock(m_);
        *stride = stride_;
        if (time) *time = time_;
        return last_;
    }
    // How the last frame came: its own stride, whether it was read-only and
    // whether it came with an owner that may be held.
    int PixelBytes() {
        std::lock_guard<std::mutex> lock(m_);
        return pixelBytes_;
    }
    int DeliveredStride() {
        std::lock_guard<std::mutex> lock(m_);
        return deliveredStride_;
    }
    bool ReadOnly() {
        std::lock_guard<std::mutex> lock(m_);
        return readOnly_;
    }
    bool Owned() {
        std::lock_guard<std::mutex> lock(m_);
        return owned_;
    }
    int Count() {
        std::lock_guard<std::mutex> lock(m_);
        return count_;
    }

private:
    std::mutex m_;
    std::condition_variable cv_;
    std::vector<uint8_t> last_;
    int width_ = 0, height_ = 0, stride_ = 0, count_ = 0, deliveredStride_ = 0, pixelBytes_ = 0;
    bool readOnly_ = false, owned_ = false;
    double time_ = 0;
};

} // namespace tvx::test

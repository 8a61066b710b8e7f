#pragma once

#include "capture/frame_types.h"

#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <mutex>
#include <vector>

namespace tvx::test {

// Keeps a copy of the last frame; the streaming thread writes, the test reads.
class FrameCollector : public FrameReceiver {
public:
    void OnFrame(double sampleTime, const FrameView& f) override {
        std::lock_guard<std::mutex> lock(m_);
        last_.assign(f.data, f.data + size_t(f.stride) * size_t(f.height));
        width_ = f.width;
        height_ = f.height;
        stride_ = f.stride;
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
    int Count() {
        std::lock_guard<std::mutex> lock(m_);
        return count_;
    }

private:
    std::mutex m_;
    std::condition_variable cv_;
    std::vector<uint8_t> last_;
    int width_ = 0, height_ = 0, stride_ = 0, count_ = 0;
    double time_ = 0;
};

} // namespace tvx::test

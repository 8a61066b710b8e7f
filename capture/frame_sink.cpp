#include "capture/frame_sink.h"

#include "capture/live_surface.h"
#include "platform/app_events.h"

#include <cstring>

namespace tvx {

FrameSink::FrameSink(EffectState& effects, StillFlags& flags) : effects_(effects), flags_(flags) {}

FrameSink::~FrameSink() = default;

void FrameSink::OnFrame(double sampleTime, const FrameView& frame) {
    if (!frame.data || frame.width <= 0 || frame.height <= 0 || frame.stride < frame.width * 3)
        return;

    ApplyEffects(frame, effects_.Load(), scratch_);

    frameSize_.store((uint64_t(uint32_t(frame.width)) << 32) | uint32_t(frame.height));

    const StillFlags::State still = flags_.Load();
    if (still.request) {
        // A still from the keyboard or toolbar keeps the frame from before
        // the request; the microscope's button takes the frame it came with.
        if (still.hardware) KeepStill(sampleTime, frame);
        notify_.Use(
            [&](QObject& target) { PostAppMessage(&target, kMsgStill, still.hardware ? 1 : 0); });
    } else {
        KeepStill(sampleTime, frame);
    }

    recorder_.Use([&](FrameRecorder& r) { r.WriteFrame(frame); });
    surface_.Use([&](LiveSurface& s) { s.DrawFrame(frame); });
}

void FrameSink::KeepStill(double sampleTime, const FrameView& frame) {
    const int stride = DibStride(frame.width);
    const std::size_t rowBytes = std::size_t(frame.width) * 3;
    const std::size_t length = std::size_t(stride) * frame.height;
    std::lock_guard<std::mutex> lock(stillMutex_);
    if (!still_ || length > stillCapacity_) {
        still_.reset(new (std::nothrow) uint8_t[length]);
        stillCapacity_ = still_ ? length : 0;
        if (!still_) {
            stillWidth_ = stillHeight_ = 0;
            return;
        }
    }
    for (int r = 0; r < frame.height; ++r) {
        uint8_t* dst = still_.get() + std::size_t(r) * stride;
        std::memcpy(dst, frame.data + std::ptrdiff_t(r) * frame.stride, rowBytes);
        if (std::size_t(stride) > rowBytes) std::memset(dst + rowBytes, 0, stride - rowBytes);
    }
    stillWidth_ = frame.width;
    stillHeight_ = frame.height;
    stillTime_ = sampleTime;
}

PictureHeader FrameSink::header() const {
    return BitmapInfoHeader::For24Bit(frameWidth(), frameHeight());
}

int FrameSink::frameWidth() const {
    return int(frameSize_.load() >> 32);
}

int FrameSink::frameHeight() const {
    return int(frameSize_.load() & 0xFFFFFFFFu);
}

StillPicture FrameSink::TakeStill() const {
    StillPicture s;
    std::lock_guard<std::mutex> lock(stillMutex_);
    if (!still_ || stillWidth_ <= 0 || stillHeight_ <= 0) return s;
    s.width = stillWidth_;
    s.height = stillHeight_;
    s.stride = DibStride(stillWidth_);
    s.header = BitmapInfoHeader::For24Bit(s.width, s.height);
    s.sampleTime = stillTime_;
    s.pixels.assign(still_.get(), still_.get() + std::size_t(s.stride) * s.height);
    return s;
}

std::size_t FrameSink::stillCapacity() const {
    std::lock_guard<std::mutex> lock(stillMutex_);
    return stillCapacity_;
}

} // namespace tvx

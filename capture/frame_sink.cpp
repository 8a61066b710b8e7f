#include "capture/frame_sink.h"

#include "capture/live_surface.h"

#include <cstring>

namespace tvx {

FrameSink::FrameSink(EffectState& effects, StillFlags& flags) : effects_(effects), flags_(flags) {}

FrameSink::~FrameSink() = default;

void FrameSink::OnFrame(double sampleTime, const FrameView& delivered) {
    if (!delivered.usable()) return;

    const EffectSwitches switches = effects_.Load();
    const bool meter = focusMeter_.load();
    const bool sharpest = sharpestStill_.load();
    FrameView frame = delivered;
    // 32-bit frames go on as they came to the live view and the still
    // buffer; whoever reads pixels gets 24-bit rows, made once per frame.
    FrameView bgr;
    const auto asBgr = [&]() -> const FrameView& {
        if (frame.pixelBytes == 3) return frame;
        if (!bgr.data) bgr = BgrCopy(frame);
        return bgr;
    };
    if (switches.any() || meter || sharpest) frame = asBgr();
    if (switches.any()) {
        EffectSwitches rest = switches;
        if (frame.readOnly) frame = WritableCopy(frame, rest);
        ApplyEffects(frame, rest, scratch_);
    }

    frameSize_.store((uint64_t(uint32_t(frame.width)) << 32) | uint32_t(frame.height));

    double focus = 0;
    if (meter || sharpest) focus = FocusFigure(frame, focusScratch_);
    if (meter) Meter(sampleTime, focus);

    const StillFlags::State still = flags_.Load();
    if (still.request) {
        if (sharpest) {
            // The frame that meets the request closes the window the still
            // is chosen from; later frames leave the ring alone until the
            // request has been taken.
            if (!requestSeen_) {
                KeepStill(sampleTime, frame, focus);
                still_.MarkRequest(sampleTime);
            }
        } else if (still.hardware) {
            // A still from the keyboard or toolbar keeps the frame from
            // before the request; the microscope's button takes the frame
            // it came with.
            KeepStill(sampleTime, frame, focus);
        }
        requestSeen_ = true;
        emit stillDue(still.hardware);
    } else {
        requestSeen_ = false;
        KeepStill(sampleTime, frame, focus);
    }

    tap_.Use([&](FrameTap& t) { t.TakeFrame(sampleTime, asBgr()); });
    recorder_.Use([&](FrameRecorder& r) {
        if (frame.pixelBytes == 3 || r.TakesFrames()) r.WriteFrame(asBgr());
    });
    surface_.Use([&](LiveSurface& s) { s.DrawFrame(frame); });
}

FrameView FrameSink::CopyBuffer(int width, int height) {
    std::shared_ptr<std::vector<uint8_t>>* free = nullptr;
    for (auto& c : copies_)
        if (!c || c.use_count() == 1) {
            free = &c;
            break;
        }
    // Every copy is held elsewhere: the oldest is left to its holder.
    if (!free) free = &copies_[0];
    if (!*free || free->use_count() != 1) *free = std::make_shared<std::vector<uint8_t>>();
    const int stride = DibStride(width);
    std::vector<uint8_t>& pixels = **free;
    pixels.resize(std::size_t(stride) * height);
    FrameView copy{pixels.data(), width, height, stride};
    copy.owner = *free;
    return copy;
}

FrameView FrameSink::BgrCopy(const FrameView& frame) {
    FrameView copy = CopyBuffer(frame.width, frame.height);
    for (int r = 0; r < frame.height; ++r)
        CopyRowAsBgr(frame, r, copy.row(r));
    return copy;
}

FrameView FrameSink::WritableCopy(const FrameView& frame, EffectSwitches& switches) {
    FrameView copy = CopyBuffer(frame.width, frame.height);
    const std::size_t rowBytes = std::size_t(frame.width) * 3;
    // The mirror and the turn come first of the effects, so they can be
    // done while copying: one pass over the frame instead of two.
    if (switches.horMirror && switches.verMirror) {
        // Both at once turn the picture upside down: rows change places.
        for (int r = 0; r < frame.height; ++r)
            std::memcpy(copy.row(r), frame.row(frame.height - 1 - r), rowBytes);
    } else if (switches.horMirror) {
        MirrorHorizontalInto(frame, copy);
    } else if (switches.verMirror) {
        Turn180Into(frame, copy);
    } else {
        for (int r = 0; r < frame.height; ++r)
            std::memcpy(copy.row(r), frame.row(r), rowBytes);
    }
    switches.horMirror = switches.verMirror = false;
    return copy;
}

void FrameSink::KeepStill(double sampleTime, const FrameView& frame, double focus) {
    still_.Keep(sampleTime, frame, focus);
}

void FrameSink::Meter(double sampleTime, double figure) {
    const FocusLevel level = meterScale_.Add(sampleTime, figure);
    uint32_t bits[2];
    std::memcpy(&bits[0], &level.level, 4);
    std::memcpy(&bits[1], &level.peak, 4);
    focusFigure_.store(figure);
    focusMarks_.store((uint64_t(bits[1]) << 32) | bits[0]);
    focusReadings_.fetch_add(1);
}

FocusLevel FrameSink::focusLevel() const {
    FocusLevel out;
    const uint64_t marks = focusMarks_.load();
    const uint32_t bits[2] = {uint32_t(marks & 0xFFFFFFFFu), uint32_t(marks >> 32)};
    std::memcpy(&out.level, &bits[0], 4);
    std::memcpy(&out.peak, &bits[1], 4);
    out.figure = focusFigure_.load();
    return out;
}

void FrameSink::SetSharpestStill(bool on) {
    still_.SetSharpest(on);
    sharpestStill_.store(on);
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
    return still_.Take();
}

std::size_t FrameSink::stillCapacity() const {
    return still_.capacity();
}

} // namespace tvx

#include "capture/focus.h"

#include <algorithm>

namespace tvx {

namespace {

constexpr int kBlock = 4;

// 2·G + R + B of one pixel: a grey weight that is exact in integers and
// close enough to luminance to see focus by.
inline uint32_t GreyWeight(const uint8_t* p) {
    return uint32_t(p[0]) + 2u * p[1] + p[2];
}

} // namespace

ReducedGrey ReduceToGrey(const FrameView& frame, FocusScratch& scratch) {
    if (!frame.usable()) return {};
    const int gw = frame.width / kBlock, gh = frame.height / kBlock;
    if (gw <= 0 || gh <= 0) return {};
    scratch.grey.resize(std::size_t(gw) * gh);
    for (int y = 0; y < gh; ++y) {
        // Picture row 4y + 1 from the top is stored row h − 2 − 4y.
        const int top = frame.height - 2 - y * kBlock;
        const uint8_t* r0 = frame.data + std::ptrdiff_t(top) * frame.stride + 3;
        const uint8_t* r1 = r0 - frame.stride;
        uint8_t* out = scratch.grey.data() + std::size_t(y) * gw;
        for (int x = 0; x < gw; ++x) {
            const std::ptrdiff_t o = std::ptrdiff_t(x) * (kBlock * 3);
            const uint32_t sum = GreyWeight(r0 + o) + GreyWeight(r0 + o + 3) + GreyWeight(r1 + o) +
                                 GreyWeight(r1 + o + 3);
            out[x] = uint8_t((sum + 8) >> 4); // four pixels of weight 4 each
        }
    }
    return ReducedGrey{scratch.grey.data(), gw, gh};
}

double FocusFigureOfGrey(const ReducedGrey& g) {
    if (!g.data || g.width < 3 || g.height < 3) return 0;
    // Integer sums: exact, and the same on every machine.
    int64_t sum = 0;
    uint64_t sumSq = 0;
    for (int y = 1; y < g.height - 1; ++y) {
        const uint8_t* up = g.data + std::size_t(y - 1) * g.width;
        const uint8_t* row = up + g.width;
        const uint8_t* down = row + g.width;
        int64_t rowSum = 0;
        uint64_t rowSq = 0;
        for (int x = 1; x < g.width - 1; ++x) {
            const int32_t lap = 4 * int32_t(row[x]) - row[x - 1] - row[x + 1] - up[x] - down[x];
            rowSum += lap;
            rowSq += uint64_t(lap * lap);
        }
        sum += rowSum;
        sumSq += rowSq;
    }
    const double n = double(g.width - 2) * double(g.height - 2);
    const double mean = double(sum) / n;
    return std::max(0.0, double(sumSq) / n - mean * mean);
}

double FocusFigure(const FrameView& frame, FocusScratch& scratch) {
    return FocusFigureOfGrey(ReduceToGrey(frame, scratch));
}

FocusLevel FocusMeterScale::Add(double seconds, double figure) {
    if (!history_.empty() && seconds < history_.back().first) history_.clear();
    history_.emplace_back(seconds, figure);
    while (history_.front().first < seconds - kRangeSeconds)
        history_.pop_front();

    double lo = figure, hi = figure, held = figure;
    for (const auto& [t, f] : history_) {
        lo = std::min(lo, f);
        hi = std::max(hi, f);
        if (t >= seconds - kHoldSeconds) held = std::max(held, f);
    }
    // The scale covers at least the upper half of the best figure: a steady
    // picture, whose figures differ only by noise, shows a steady full bar
    // rather than noise stretched over the whole length.
    lo = std::min(lo, 0.5 * hi);
    FocusLevel out;
    out.figure = figure;
    if (hi <= lo) {
        out.level = out.peak = hi > 0 ? 1.0f : 0.0f;
        return out;
    }
    out.level = float(std::clamp((figure - lo) / (hi - lo), 0.0, 1.0));
    out.peak = float(std::clamp((held - lo) / (hi - lo), 0.0, 1.0));
    return out;
}

} // namespace tvx

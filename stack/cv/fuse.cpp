#include "stack/cv/fuse.h"

#include "stack/cv/cv_image.h"

#include <algorithm>
#include <opencv2/imgproc.hpp>

namespace tvx {

namespace {

// Detail levels: down to a coarsest picture of about 16 pixels.
constexpr int kMaxLevels = 7;
// The reach of the detail energy, and the window of the consistency median.
constexpr double kEnergySigma = 5.0;
constexpr int kConsistencyWindow = 5;

// Laplacian pyramid of a float picture: `levels` detail pictures, then the
// coarsest Gaussian level.
std::vector<cv::Mat> Laplacian(const cv::Mat& picture, int levels) {
    std::vector<cv::Mat> out;
    out.reserve(std::size_t(levels) + 1);
    cv::Mat current = picture;
    for (int l = 0; l < levels; ++l) {
        cv::Mat down, up;
        cv::pyrDown(current, down);
        cv::pyrUp(down, up, current.size());
        cv::subtract(current, up, up);
        out.push_back(up);
        current = down;
    }
    out.push_back(current);
    return out;
}

cv::Mat Collapse(std::vector<cv::Mat>& pyramid) {
    cv::Mat current = pyramid.back();
    for (int l = int(pyramid.size()) - 2; l >= 0; --l) {
        cv::Mat up;
        cv::pyrUp(current, up, pyramid[std::size_t(l)].size());
        cv::add(up, pyramid[std::size_t(l)], up);
        current = up;
    }
    return current;
}

cv::Mat Grey(const Image8& frame) {
    cv::Mat grey, out;
    cv::cvtColor(AsMat(frame), grey, cv::COLOR_BGR2GRAY);
    grey.convertTo(out, CV_32F);
    return out;
}

} // namespace

int FusionLevels(int width, int height) {
    int levels = 0;
    for (int s = std::min(width, height); s > 32 && levels < kMaxLevels; s /= 2)
        ++levels;
    return levels;
}

std::optional<Fused> FuseFocus(const std::vector<Image8>& frames,
                               const std::function<bool()>& step) {
    const int n = int(frames.size());
    if (n == 0 || n > 255) return std::nullopt;
    const int w = frames[0].width, h = frames[0].height;
    for (const Image8& f : frames)
        if (f.width != w || f.height != h || f.channels != 3 || f.empty()) return std::nullopt;
    const int levels = FusionLevels(w, h);
    if (levels == 0) return std::nullopt;

    // First pass: for every place, the frame with the most fine detail
    // around it. The window is wide enough to reach past the blur of a
    // neighbour out of focus: beside a sharp edge the edge's own frame wins,
    // not a frame whose blurred copy of it spills there as a halo.
    cv::Mat bestEnergy, chosen;
    for (int i = 0; i < n; ++i) {
        const cv::Mat grey = Grey(frames[std::size_t(i)]);
        cv::Mat detail, energy;
        cv::Laplacian(grey, detail, CV_32F, 3);
        cv::multiply(detail, detail, energy);
        cv::GaussianBlur(energy, energy, cv::Size(), kEnergySigma);
        if (i == 0) {
            bestEnergy = energy;
            chosen = cv::Mat::zeros(energy.size(), CV_8U);
        } else {
            const cv::Mat better = energy > bestEnergy;
            energy.copyTo(bestEnergy, better);
            chosen.setTo(cv::Scalar(i), better);
        }
        if (step && !step()) return std::nullopt;
    }
    bestEnergy.release();
    // The consistency step: frames are in focus order, so the choice is an
    // ordered depth, and a median keeps its surfaces while it drops the odd
    // place that chose a far frame by noise.
    cv::medianBlur(chosen, chosen, kConsistencyWindow);
    // Second pass: each frame's colour detail where it was chosen. The
    // choice is taken down a Gaussian pyramid with the detail, so each level
    // blends the frames over its own scale, and the coarse levels follow the
    // choice of the finest: a frame out of focus, whose soft detail reaches
    // wider, never wins a coarse level by it. The coarsest level is the
    // mean of all.
    std::vector<cv::Mat> fused, weightSum;
    for (int i = 0; i < n; ++i) {
        cv::Mat weight;
        cv::Mat(chosen == i).convertTo(weight, CV_32F, 1.0 / 255.0);
        cv::Mat colour;
        AsMat(frames[std::size_t(i)]).convertTo(colour, CV_32FC3);
        std::vector<cv::Mat> pyramid = Laplacian(colour, levels);
        for (int l = 0; l < levels; ++l) {
            if (l > 0) cv::pyrDown(weight, weight, pyramid[std::size_t(l)].size());
            cv::Mat w3;
            cv::cvtColor(weight, w3, cv::COLOR_GRAY2BGR);
            cv::multiply(pyramid[std::size_t(l)], w3, pyramid[std::size_t(l)]);
            if (i == 0) {
                weightSum.push_back(w3);
            } else {
                cv::add(weightSum[std::size_t(l)], w3, weightSum[std::size_t(l)]);
                cv::add(fused[std::size_t(l)], pyramid[std::size_t(l)], pyramid[std::size_t(l)]);
            }
        }
        if (i == 0) {
            fused = std::move(pyramid);
            fused.back().convertTo(fused.back(), -1, 1.0 / n);
        } else {
            for (int l = 0; l < levels; ++l)
                fused[std::size_t(l)] = pyramid[std::size_t(l)];
            cv::scaleAdd(pyramid.back(), 1.0 / n, fused.back(), fused.back());
        }
        if (step && !step()) return std::nullopt;
    }
    // Every place chose one frame, so its weights sum to 1 at every level;
    // the division only mends what the pyramid's rounding left.
    for (int l = 0; l < levels; ++l)
        cv::divide(fused[std::size_t(l)], weightSum[std::size_t(l)], fused[std::size_t(l)]);
    Fused out;
    cv::Mat picture;
    Collapse(fused).convertTo(picture, CV_8UC3);
    out.picture = FromMat(picture);

    cv::Mat depth;
    chosen.convertTo(depth, CV_8U, n > 1 ? 255.0 / (n - 1) : 0.0);
    out.depth = FromMat(depth);
    return out;
}

} // namespace tvx

#include "stack/cv/align.h"

#include "stack/cv/cv_image.h"

#include <algorithm>
#include <atomic>
#include <cmath>
#include <mutex>
#include <opencv2/imgproc.hpp>
#include <opencv2/video/tracking.hpp>

namespace tvx {

namespace {

// The alignment works on a grey copy of at most this many pixels across;
// finer levels only refine what it found.
constexpr int kCoarseWidth = 180;
constexpr int kFineWidth = 520;

// A grey pyramid, finest first; level k is the picture halved k times.
struct GreyPyramid {
    std::vector<cv::Mat> levels; // CV_32F
};

// The slide's light falls off towards the edges, the same in every frame
// wherever the slide is: matching it would hold the frames in place. Only
// the detail is matched, with the light taken off each level.
cv::Mat Detail(const cv::Mat& level) {
    cv::Mat light, out;
    cv::GaussianBlur(level, light, cv::Size(), 6.0);
    cv::subtract(level, light, out);
    return out;
}

GreyPyramid MakePyramid(const Image8& image) {
    GreyPyramid p;
    cv::Mat grey;
    const cv::Mat src = AsMat(image);
    if (image.channels == 3)
        cv::cvtColor(src, grey, cv::COLOR_BGR2GRAY);
    else
        grey = src;
    cv::Mat level;
    grey.convertTo(level, CV_32F, 1.0 / 255.0);
    // Levels wider than needed for the finest pass are not kept.
    while (level.cols > kFineWidth) {
        cv::Mat half;
        cv::pyrDown(level, half);
        level = half;
    }
    std::vector<cv::Mat> plain{level};
    while (plain.back().cols > kCoarseWidth && plain.back().rows > 32) {
        cv::Mat half;
        cv::pyrDown(plain.back(), half);
        plain.push_back(half);
    }
    for (const cv::Mat& l : plain)
        p.levels.push_back(Detail(l));
    return p;
}

// The scale from pyramid level 0 to the full picture.
double LevelScale(const Image8& image, const GreyPyramid& p) {
    return double(image.width) / p.levels.front().cols;
}

// A map between pictures shrunk by `factor` and the full ones.
Warp Shrunk(const Warp& w, double factor) {
    Warp s = w;
    s.tx /= factor;
    s.ty /= factor;
    return s;
}
Warp Grown(const Warp& w, double factor) {
    Warp s = w;
    s.tx *= factor;
    s.ty *= factor;
    return s;
}

// One tile's shift, with how much it can be trusted.
struct TileShift {
    double x, y;   // the tile's centre
    double dx, dy; // where its content lies in the moving frame, relative to the reference
    double weight;
};

// Shift plus scale about (cx, cy), fitted to the tiles by weighted least
// squares: d = (s − 1)(p − c) + t. False when the tiles do not tell.
bool FitScaleShift(const std::vector<TileShift>& tiles, double cx, double cy, double* u, double* tx,
                   double* ty) {
    cv::Matx33d a = cv::Matx33d::zeros();
    cv::Vec3d b(0, 0, 0);
    for (const TileShift& t : tiles) {
        // Two rows per tile: dx = u (x − cx) + tx, dy = u (y − cy) + ty.
        const cv::Vec3d rx(t.x - cx, 1, 0), ry(t.y - cy, 0, 1);
        a += t.weight * (rx * rx.t() + ry * ry.t());
        b += t.weight * (rx * t.dx + ry * t.dy);
    }
    cv::Vec3d x;
    if (!cv::solve(a, b, x, cv::DECOMP_CHOLESKY)) return false;
    *u = x[0], *tx = x[1], *ty = x[2];
    return std::isfinite(*u) && std::isfinite(*tx) && std::isfinite(*ty);
}

// The shifts of the tiles of `moving` (already drawn in the reference's
// place by the current estimate) against `reference`, where both have
// detail: a blurred tile tells nothing about where it lies.
std::vector<TileShift> MeasureTiles(const cv::Mat& reference, const cv::Mat& moving) {
    constexpr int kTile = 64, kStep = 48;
    std::vector<TileShift> tiles;
    const cv::TermCriteria stop(cv::TermCriteria::COUNT | cv::TermCriteria::EPS, 15, 1e-3);
    struct Candidate {
        cv::Rect rect;
        double detail;
    };
    std::vector<Candidate> candidates;
    double most = 0;
    for (int y = 0; y + kTile <= reference.rows; y += kStep)
        for (int x = 0; x + kTile <= reference.cols; x += kStep) {
            const cv::Rect r(x, y, kTile, kTile);
            cv::Scalar mean, devR, devM;
            cv::meanStdDev(reference(r), mean, devR);
            cv::meanStdDev(moving(r), mean, devM);
            const double d = std::min(devR[0], devM[0]);
            candidates.push_back({r, d});
            most = std::max(most, d);
        }
    for (const Candidate& c : candidates) {
        if (c.detail < 0.15 * most || c.detail <= 0) continue;
        // ECC for the tile's shift: exact to a small fraction of a pixel,
        // and blind to a change of brightness or contrast between frames.
        cv::Mat shift = cv::Mat::eye(2, 3, CV_32F);
        double rho = 0;
        try {
            rho = cv::findTransformECC(reference(c.rect), moving(c.rect), shift,
                                       cv::MOTION_TRANSLATION, stop, cv::noArray(), 1);
        } catch (const cv::Exception&) {
            continue; // no match in this tile
        }
        const double dx = shift.at<float>(0, 2), dy = shift.at<float>(1, 2);
        if (!(rho > 0.3) || std::abs(dx) > kTile / 4 || std::abs(dy) > kTile / 4) continue;
        tiles.push_back({c.rect.x + (kTile - 1) / 2.0, c.rect.y + (kTile - 1) / 2.0, dx, dy,
                         c.detail * c.detail * rho});
    }
    return tiles;
}

// Refines `w` (reference → moving, in the level's pixels) at one level.
bool RefineAtLevel(const cv::Mat& ref, const cv::Mat& mov, Warp* w, int rounds) {
    const double cx = (ref.cols - 1) / 2.0, cy = (ref.rows - 1) / 2.0;
    for (int round = 0; round < rounds; ++round) {
        cv::Mat drawn;
        cv::warpAffine(mov, drawn, cv::Mat(ToMatx(*w)), ref.size(),
                       cv::INTER_LINEAR | cv::WARP_INVERSE_MAP, cv::BORDER_REPLICATE);
        std::vector<TileShift> tiles = MeasureTiles(ref, drawn);
        if (tiles.size() < 3) return false;
        double u = 0, tx = 0, ty = 0;
        if (!FitScaleShift(tiles, cx, cy, &u, &tx, &ty)) return false;
        // Once more without the tiles that disagree with the rest (a moving
        // speck, a repeated pattern caught a period off).
        std::vector<double> misfit;
        for (const TileShift& t : tiles)
            misfit.push_back(
                std::hypot(t.dx - (u * (t.x - cx) + tx), t.dy - (u * (t.y - cy) + ty)));
        std::vector<double> sorted = misfit;
        std::nth_element(sorted.begin(), sorted.begin() + long(sorted.size() / 2), sorted.end());
        const double limit = std::max(0.3, 3.0 * sorted[sorted.size() / 2]);
        std::vector<TileShift> kept;
        for (std::size_t i = 0; i < tiles.size(); ++i)
            if (misfit[i] <= limit) kept.push_back(tiles[i]);
        if (kept.size() >= 3 && kept.size() < tiles.size() &&
            !FitScaleShift(kept, cx, cy, &u, &tx, &ty))
            return false;
        // The drawn frame shows reference point p at p − d(p): the new map
        // first moves p by d(p), then follows the old one.
        const Warp residual = Warp::ScaleAbout(1.0 + u, cx, cy, tx, ty);
        *w = residual.Then(*w);
        if (std::hypot(tx, ty) + std::abs(u) * std::hypot(cx, cy) < 0.01) break;
    }
    return true;
}

PairAlignment AlignPyramids(const GreyPyramid& ref, const GreyPyramid& mov, double toFull,
                            const Warp& guess) {
    PairAlignment out;
    const int levels = int(ref.levels.size());
    if (levels == 0 || int(mov.levels.size()) != levels) return out;
    const double coarseFactor = double(1 << (levels - 1));
    Warp w = Shrunk(guess, toFull * coarseFactor);
    const cv::Mat& r0 = ref.levels.back();
    const cv::Mat& m0 = mov.levels.back();
    if (WarpGap(guess, Warp{}, r0.cols, r0.rows) == 0) {
        // No guess: the shift from the phase of the pictures' spectra, which
        // finds it however far it is, as long as it is a shift.
        cv::Mat window;
        cv::createHanningWindow(window, r0.size(), CV_32F);
        const cv::Point2d d = cv::phaseCorrelate(r0, m0, window);
        w.tx = d.x;
        w.ty = d.y;
    }
    // Then shift and scale from the tiles, coarse to fine.
    for (int k = levels - 1; k >= 0; --k) {
        // A level too small for a few tiles only passes its estimate on.
        if (k > 0 &&
            (ref.levels[std::size_t(k)].cols < 160 || ref.levels[std::size_t(k)].rows < 112)) {
            w = Grown(w, 2.0);
            continue;
        }
        if (!RefineAtLevel(ref.levels[std::size_t(k)], mov.levels[std::size_t(k)], &w,
                           k == 0 ? 2 : 1))
            return out;
        if (k > 0) w = Grown(w, 2.0);
    }
    out.warp = Grown(w, toFull);
    // A hand-held sweep neither doubles the picture nor moves it by half.
    const double s = out.warp.ScaleFactor();
    out.ok = std::isfinite(out.warp.tx) && std::isfinite(out.warp.ty) && s > 0.8 && s < 1.25;
    return out;
}

} // namespace

PairAlignment AlignPair(const Image8& reference, const Image8& moving, const Warp& guess) {
    if (reference.empty() || moving.empty() || reference.width != moving.width ||
        reference.height != moving.height || reference.width < 16 || reference.height < 16)
        return {};
    const GreyPyramid r = MakePyramid(reference), m = MakePyramid(moving);
    return AlignPyramids(r, m, LevelScale(reference, r), guess);
}

std::vector<std::optional<Warp>> AlignSweep(const std::vector<Image8>& frames, int reference,
                                            const std::function<bool()>& step) {
    const int n = int(frames.size());
    std::vector<std::optional<Warp>> out(static_cast<std::size_t>(n));
    if (n == 0 || reference < 0 || reference >= n) return out;
    for (const Image8& f : frames)
        if (f.width != frames[0].width || f.height != frames[0].height || f.width < 16 ||
            f.height < 16)
            return out;

    std::vector<GreyPyramid> pyramids(static_cast<std::size_t>(n));
    cv::parallel_for_(cv::Range(0, n), [&](const cv::Range& r) {
        for (int i = r.start; i < r.end; ++i)
            pyramids[std::size_t(i)] = MakePyramid(frames[std::size_t(i)]);
    });
    const double toFull = LevelScale(frames[0], pyramids[0]);

    // Each frame against its neighbour towards the reference, all at once.
    std::vector<PairAlignment> pairs(static_cast<std::size_t>(n));
    std::atomic<bool> stopped{false};
    std::mutex stepMutex;
    cv::parallel_for_(cv::Range(0, n), [&](const cv::Range& r) {
        for (int i = r.start; i < r.end; ++i) {
            if (i == reference || stopped.load()) continue;
            const int j = i < reference ? i + 1 : i - 1;
            pairs[std::size_t(i)] =
                AlignPyramids(pyramids[std::size_t(j)], pyramids[std::size_t(i)], toFull, {});
            if (step) {
                const std::lock_guard<std::mutex> lock(stepMutex);
                if (!step()) stopped.store(true);
            }
        }
    });
    if (stopped.load()) return {};

    // Chained outward; a frame that failed is skipped, and the next one is
    // aligned to the last frame that has a place.
    out[std::size_t(reference)] = Warp{};
    for (const int dir : {-1, 1}) {
        int last = reference;
        for (int i = reference + dir; i >= 0 && i < n; i += dir) {
            PairAlignment p = pairs[std::size_t(i)];
            if (last != i - dir || !p.ok)
                p = AlignPyramids(pyramids[std::size_t(last)], pyramids[std::size_t(i)], toFull,
                                  p.ok ? p.warp : Warp{});
            if (!p.ok) continue;
            out[std::size_t(i)] = out[std::size_t(last)]->Then(p.warp);
            last = i;
        }
    }
    return out;
}

Image8 WarpFrame(const Image8& frame, const Warp& warp) {
    Image8 out(frame.width, frame.height, frame.channels);
    cv::Mat dst = AsMat(out);
    cv::warpAffine(AsMat(frame), dst, cv::Mat(ToMatx(warp)), dst.size(),
                   cv::INTER_CUBIC | cv::WARP_INVERSE_MAP, cv::BORDER_REPLICATE);
    return out;
}

} // namespace tvx

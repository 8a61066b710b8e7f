#include "capture/sim_depth.h"

#include <QPainter>
#include <algorithm>
#include <cmath>
#include <cstring>
#include <random>

namespace tvx {

namespace {

constexpr double kTwoPi = 6.283185307179586;

// A large cell of the relief: an ellipse with a nucleus and granules, so
// that it has detail of its own to be sharp or soft.
struct ReliefCell {
    QPointF centre;
    double rx, ry, degrees;
    double height;
};

std::vector<ReliefCell> PlaceCells(int canvasWidth, int canvasHeight, double pxPerMm) {
    std::mt19937 rng(uint32_t(canvasWidth * 7919 + canvasHeight));
    std::uniform_real_distribution<double> ux(0.08, 0.92), uy(0.08, 0.92), ur(0.18, 0.32),
        ua(0.0, 180.0);
    std::vector<ReliefCell> cells;
    const double bandTop = canvasHeight / 2.0 - pxPerMm * 0.55;
    const double bandBottom = canvasHeight / 2.0 + pxPerMm * 0.12;
    for (int tries = 0; tries < 200 && cells.size() < 12; ++tries) {
        ReliefCell c;
        c.centre = QPointF(ux(rng) * canvasWidth, uy(rng) * canvasHeight);
        c.rx = ur(rng) * pxPerMm;
        c.ry = c.rx * (0.55 + 0.35 * ur(rng) / 0.32);
        c.degrees = ua(rng);
        c.height = kSimCellHeights[cells.size() % std::size(kSimCellHeights)];
        // The scale's numbers stay readable, and cells do not overlap.
        if (c.centre.y() + c.rx > bandTop && c.centre.y() - c.rx < bandBottom) continue;
        bool apart = true;
        for (const ReliefCell& o : cells)
            if (std::hypot(o.centre.x() - c.centre.x(), o.centre.y() - c.centre.y()) <
                o.rx + c.rx + 4)
                apart = false;
        if (apart) cells.push_back(c);
    }
    return cells;
}

void DrawCell(QPainter& p, const ReliefCell& c, std::mt19937& rng) {
    p.save();
    p.translate(c.centre);
    p.rotate(c.degrees);
    p.setPen(QPen(QColor(70, 95, 60), 1.6));
    p.setBrush(QColor(150, 190, 120, 200));
    p.drawEllipse(QPointF(0, 0), c.rx, c.ry);
    p.setPen(QPen(QColor(40, 60, 30), 1.0));
    p.setBrush(QColor(60, 90, 140, 220));
    p.drawEllipse(QPointF(c.rx * 0.25, -c.ry * 0.1), c.rx * 0.3, c.ry * 0.35);
    // Granules: the fine detail that tells sharp from soft.
    std::uniform_real_distribution<double> u(-1.0, 1.0);
    p.setPen(Qt::NoPen);
    for (int i = 0; i < 40; ++i) {
        const double a = u(rng), b = u(rng);
        if (a * a + b * b > 0.8) continue;
        p.setBrush(i % 3 ? QColor(40, 70, 35) : QColor(230, 240, 200));
        p.drawEllipse(QPointF(a * c.rx, b * c.ry), 1.1, 1.1);
    }
    p.restore();
}

bool Inside(const ReliefCell& c, double x, double y) {
    const double a = -c.degrees * kTwoPi / 360.0;
    const double dx = x - c.centre.x(), dy = y - c.centre.y();
    const double u = dx * std::cos(a) - dy * std::sin(a);
    const double v = dx * std::sin(a) + dy * std::cos(a);
    // The outline belongs to the cell too.
    const double rx = c.rx + 1.5, ry = c.ry + 1.5;
    return (u * u) / (rx * rx) + (v * v) / (ry * ry) <= 1.0;
}

} // namespace

double SimBreathing(double focus) {
    return 1.0 + 0.00004 * (focus - kSimFocusRest);
}

SimView SimHandHeld(double seconds, double focus) {
    SimView v;
    v.dx = 0.75 * kSimDriftMargin * std::sin(kTwoPi * seconds / 23.0) +
           1.4 * std::sin(kTwoPi * seconds / 1.7) + 0.6 * std::sin(kTwoPi * seconds / 0.63 + 0.4);
    v.dy = 0.5 * kSimDriftMargin * std::sin(kTwoPi * seconds / 37.0) +
           1.1 * std::sin(kTwoPi * seconds / 2.1 + 1.0) + 0.5 * std::sin(kTwoPi * seconds / 0.81);
    v.scale = SimBreathing(focus);
    return v;
}

double SimFocusSweep::At(double now) const {
    if (seconds <= 0) return to;
    const double t = std::clamp((now - start) / seconds, 0.0, 1.0);
    return from + (to - from) * t;
}

SimDepthScene::SimDepthScene(const MicrometerPicture& picture)
    : width_(picture.width()), height_(picture.height()) {
    QImage canvas = picture.canvas().convertToFormat(QImage::Format_RGB32);
    canvasWidth_ = canvas.width();
    canvasHeight_ = canvas.height();
    const std::vector<ReliefCell> cells =
        PlaceCells(canvasWidth_, canvasHeight_, picture.pixelsPerMillimetre());
    {
        QPainter p(&canvas);
        p.setRenderHint(QPainter::Antialiasing, true);
        std::mt19937 rng(uint32_t(canvasWidth_ + 31 * canvasHeight_));
        for (const ReliefCell& c : cells)
            DrawCell(p, c, rng);
    }

    // The slide rises to the right, and a little towards the bottom.
    heights_.resize(std::size_t(canvasWidth_) * canvasHeight_);
    for (int y = 0; y < canvasHeight_; ++y)
        for (int x = 0; x < canvasWidth_; ++x) {
            double h = kSimSlideLow + (kSimSlideHigh - kSimSlideLow) *
                                          (0.9 * x / canvasWidth_ + 0.1 * y / canvasHeight_);
            for (const ReliefCell& c : cells)
                if (Inside(c, x, y)) h = c.height;
            heights_[std::size_t(y) * canvasWidth_ + x] = float(h);
        }

    const QImage bgr = canvas.convertToFormat(QImage::Format_BGR888);
    const int rowBytes = canvasWidth_ * 3;
    sharp_.resize(std::size_t(rowBytes) * canvasHeight_);
    for (int y = 0; y < canvasHeight_; ++y)
        std::memcpy(sharp_.data() + std::size_t(y) * rowBytes, bgr.constScanLine(y),
                    std::size_t(rowBytes));
}

double SimDepthScene::HeightAt(int canvasX, int canvasY) const {
    canvasX = std::clamp(canvasX, 0, canvasWidth_ - 1);
    canvasY = std::clamp(canvasY, 0, canvasHeight_ - 1);
    return heights_[std::size_t(canvasY) * canvasWidth_ + canvasX];
}

void SimDepthScene::Render(double focus, const SimView& view, uint8_t* dst, int dstStride) {
    if (!blurredValid_ || blurredFocus_ != focus) Blur(focus);
    Sample(blurred_, view, dst, dstStride);
}

void SimDepthScene::RenderSharp(const SimView& view, uint8_t* dst, int dstStride) const {
    Sample(sharp_, view, dst, dstStride);
}

namespace {

// Sums of a plane of 4 floats a pixel over the (2 r + 1)² square about each
// pixel, with nothing beyond the edges. `columns` is scratch.
void BoxSums(float* plane, int w, int h, int r, std::vector<float>& columns) {
    const std::size_t rowValues = std::size_t(w) * 4;
    std::vector<float> row(rowValues);
    for (int y = 0; y < h; ++y) {
        float* line = plane + rowValues * y;
        std::memcpy(row.data(), line, rowValues * sizeof(float));
        float sum[4] = {0, 0, 0, 0};
        for (int x = 0; x < std::min(r, w); ++x)
            for (int c = 0; c < 4; ++c)
                sum[c] += row[std::size_t(x) * 4 + c];
        for (int x = 0; x < w; ++x) {
            const int add = x + r, drop = x - r - 1;
            for (int c = 0; c < 4; ++c) {
                if (add < w) sum[c] += row[std::size_t(add) * 4 + c];
                if (drop >= 0) sum[c] -= row[std::size_t(drop) * 4 + c];
                line[std::size_t(x) * 4 + c] = sum[c];
            }
        }
    }
    // Down the columns, from a copy of the rows the window still needs.
    columns.assign(rowValues, 0.0f);
    std::vector<float> copy(plane, plane + rowValues * h);
    for (int y = 0; y < std::min(r, h); ++y)
        for (std::size_t i = 0; i < rowValues; ++i)
            columns[i] += copy[rowValues * y + i];
    for (int y = 0; y < h; ++y) {
        const int add = y + r, drop = y - r - 1;
        float* line = plane + rowValues * y;
        if (add < h)
            for (std::size_t i = 0; i < rowValues; ++i)
                columns[i] += copy[rowValues * add + i];
        if (drop >= 0)
            for (std::size_t i = 0; i < rowValues; ++i)
                columns[i] -= copy[rowValues * drop + i];
        std::memcpy(line, columns.data(), rowValues * sizeof(float));
    }
}

} // namespace

void SimDepthScene::Blur(double focus) {
    const std::size_t n = std::size_t(canvasWidth_) * canvasHeight_;
    // Each point's radius lies between two whole radii: it spreads with both,
    // weighted by how near it is to each, and each whole radius is one box
    // sum over the points that use it. Sums, not means: the weights' own sum
    // divides them at the end, which also evens out the edges of the slide.
    sums_.assign(n * 4, 0.0f);
    plane_.resize(n * 4);
    for (int level = 0; level <= kSimDepthMaxBlur; ++level) {
        bool any = false;
        for (std::size_t i = 0; i < n; ++i) {
            const double r = std::min(std::abs(focus - heights_[i]) / kSimMicronsPerBlurPixel,
                                      double(kSimDepthMaxBlur));
            const int l0 = int(r);
            const double frac = r - l0;
            const float wt = float(level == l0 ? 1.0 - frac : level == l0 + 1 ? frac : 0.0);
            any = any || wt > 0;
            const uint8_t* px = sharp_.data() + i * 3;
            float* p = plane_.data() + i * 4;
            p[0] = px[0] * wt;
            p[1] = px[1] * wt;
            p[2] = px[2] * wt;
            p[3] = wt;
        }
        if (!any) continue;
        if (level > 0) BoxSums(plane_.data(), canvasWidth_, canvasHeight_, level, columns_);
        // A square of radius r holds (2 r + 1)² points: each spreads its light
        // over them evenly.
        const float share = 1.0f / float((2 * level + 1) * (2 * level + 1));
        for (std::size_t i = 0; i < n * 4; ++i)
            sums_[i] += plane_[i] * share;
    }
    blurred_.resize(n * 3);
    for (std::size_t i = 0; i < n; ++i) {
        const float* s = sums_.data() + i * 4;
        const float wt = s[3] > 1e-6f ? s[3] : 1.0f;
        for (int c = 0; c < 3; ++c)
            blurred_[i * 3 + c] = uint8_t(std::clamp(s[c] / wt + 0.5f, 0.0f, 255.0f));
    }
    blurredFocus_ = focus;
    blurredValid_ = true;
}

void SimDepthScene::Sample(const std::vector<uint8_t>& canvas, const SimView& view, uint8_t* dst,
                           int dstStride) const {
    if (!dst || canvas.empty()) return;
    const double cx = (width_ - 1) / 2.0, cy = (height_ - 1) / 2.0;
    const double inv = view.scale > 0 ? 1.0 / view.scale : 1.0;
    const double m = kSimDriftMargin;
    const double maxX = canvasWidth_ - 1.001, maxY = canvasHeight_ - 1.001;
    const int rowBytes = canvasWidth_ * 3;
    for (int y = 0; y < height_; ++y) {
        uint8_t* out = dst + std::ptrdiff_t(y) * dstStride;
        const double qy = std::clamp(m + cy + (y - cy) * inv + view.dy, 0.0, maxY);
        const int iy = int(qy);
        const double fy = qy - iy;
        for (int x = 0; x < width_; ++x) {
            const double qx = std::clamp(m + cx + (x - cx) * inv + view.dx, 0.0, maxX);
            const int ix = int(qx);
            const double fx = qx - ix;
            const uint8_t* p = canvas.data() + std::size_t(iy) * rowBytes + ix * 3;
            for (int c = 0; c < 3; ++c) {
                const double top = p[c] + fx * (p[c + 3] - p[c]);
                const double bottom =
                    p[rowBytes + c] + fx * (p[rowBytes + c + 3] - p[rowBytes + c]);
                out[x * 3 + c] = uint8_t(std::clamp(top + fy * (bottom - top) + 0.5, 0.0, 255.0));
            }
        }
    }
}

} // namespace tvx

#include "stack/cv/score.h"

#include "stack/cv/align.h"
#include "stack/cv/cv_image.h"

#include <cmath>
#include <opencv2/imgproc.hpp>

namespace tvx {

namespace {

bool Comparable(const Image8& a, const Image8& b, int border) {
    return !a.empty() && a.width == b.width && a.height == b.height && a.channels == b.channels &&
           border >= 0 && 2 * border < a.width && 2 * border < a.height;
}

cv::Rect Inner(const Image8& a, int border) {
    return cv::Rect(border, border, a.width - 2 * border, a.height - 2 * border);
}

} // namespace

std::optional<double> Psnr(const Image8& picture, const Image8& truth, int border) {
    if (!Comparable(picture, truth, border)) return std::nullopt;
    const cv::Rect r = Inner(picture, border);
    const double l2 = cv::norm(AsMat(picture)(r), AsMat(truth)(r), cv::NORM_L2SQR);
    const double mse = l2 / (double(r.area()) * picture.channels);
    if (mse <= 0) return 99.0;
    return std::min(99.0, 10.0 * std::log10(255.0 * 255.0 / mse));
}

std::optional<double> Ssim(const Image8& picture, const Image8& truth, int border) {
    if (!Comparable(picture, truth, border)) return std::nullopt;
    const cv::Rect r = Inner(picture, border);
    cv::Mat x, y;
    AsMat(picture)(r).convertTo(x, CV_32F);
    AsMat(truth)(r).convertTo(y, CV_32F);
    constexpr double c1 = (0.01 * 255) * (0.01 * 255), c2 = (0.03 * 255) * (0.03 * 255);
    const auto blur = [](const cv::Mat& m) {
        cv::Mat out;
        cv::GaussianBlur(m, out, cv::Size(11, 11), 1.5);
        return out;
    };
    const auto mul = [](const cv::Mat& p, const cv::Mat& q) {
        cv::Mat out;
        cv::multiply(p, q, out);
        return out;
    };
    const auto sub = [](const cv::Mat& p, const cv::Mat& q) {
        cv::Mat out;
        cv::subtract(p, q, out);
        return out;
    };
    // a·p + b·q + c, channel by channel.
    const auto lin = [](const cv::Mat& p, double a, const cv::Mat& q, double b, double c) {
        cv::Mat out;
        cv::addWeighted(p, a, q, b, c, out);
        return out;
    };
    const cv::Mat mx = blur(x), my = blur(y);
    const cv::Mat mx2 = mul(mx, mx), my2 = mul(my, my), mxy = mul(mx, my);
    const cv::Mat sx = sub(blur(mul(x, x)), mx2), sy = sub(blur(mul(y, y)), my2),
                  sxy = sub(blur(mul(x, y)), mxy);
    const cv::Mat num = mul(lin(mxy, 2, mxy, 0, c1), lin(sxy, 2, sxy, 0, c2));
    const cv::Mat den = mul(lin(mx2, 1, my2, 1, c1), lin(sx, 1, sy, 1, c2));
    cv::Mat map;
    cv::divide(num, den, map);
    const cv::Scalar mean = cv::mean(map);
    double sum = 0;
    for (int c = 0; c < picture.channels; ++c)
        sum += mean[c];
    return sum / picture.channels;
}

std::optional<Image8> SimTruthInPlace(const SimDepthScene& scene, const Image8& picture) {
    if (picture.width != scene.width() || picture.height != scene.height()) return std::nullopt;
    Image8 truth(scene.width(), scene.height(), 3);
    scene.RenderSharp(SimView{}, truth.pixels.data(), int(truth.rowBytes()));
    const PairAlignment a = AlignPair(truth, picture);
    if (!a.ok) return std::nullopt;
    // The map takes a point of the view at rest to where the picture shows
    // it; a view's scale is about its centre (see SimView).
    const double cx = (truth.width - 1) / 2.0, cy = (truth.height - 1) / 2.0;
    SimView view;
    view.scale = (a.warp.a + a.warp.d) / 2;
    view.dx = (cx - a.warp.tx) / view.scale - cx;
    view.dy = (cy - a.warp.ty) / view.scale - cy;
    scene.RenderSharp(view, truth.pixels.data(), int(truth.rowBytes()));
    return truth;
}

} // namespace tvx

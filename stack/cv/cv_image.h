#pragma once

// OpenCV views of the stacking types: for this folder's sources and its
// tests only, so nothing above this folder sees OpenCV.
#include "stack/image.h"

#include <opencv2/core.hpp>

namespace tvx {

inline cv::Mat AsMat(Image8& image) {
    return cv::Mat(image.height, image.width, CV_8UC(image.channels), image.pixels.data());
}
// A read-only view; the caller does not write through it.
inline cv::Mat AsMat(const Image8& image) {
    return AsMat(const_cast<Image8&>(image));
}
inline Image8 FromMat(const cv::Mat& m) {
    Image8 out(m.cols, m.rows, m.channels());
    cv::Mat view = AsMat(out);
    m.copyTo(view);
    return out;
}
inline cv::Matx23d ToMatx(const Warp& w) {
    return cv::Matx23d(w.a, w.b, w.tx, w.c, w.d, w.ty);
}
inline Warp FromMatx(const cv::Mat& m) {
    cv::Mat d;
    m.convertTo(d, CV_64F);
    Warp w;
    w.a = d.at<double>(0, 0), w.b = d.at<double>(0, 1), w.tx = d.at<double>(0, 2);
    w.c = d.at<double>(1, 0), w.d = d.at<double>(1, 1), w.ty = d.at<double>(1, 2);
    return w;
}

} // namespace tvx

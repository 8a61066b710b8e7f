#include "stack/image.h"

#include <algorithm>
#include <cmath>

namespace tvx {

Warp Warp::ScaleAbout(double scale, double cx, double cy, double dx, double dy) {
    Warp w;
    w.a = w.d = scale;
    w.tx = cx - scale * cx + dx;
    w.ty = cy - scale * cy + dy;
    return w;
}

Warp Warp::Then(const Warp& n) const {
    Warp r;
    r.a = n.a * a + n.b * c;
    r.b = n.a * b + n.b * d;
    r.tx = n.a * tx + n.b * ty + n.tx;
    r.c = n.c * a + n.d * c;
    r.d = n.c * b + n.d * d;
    r.ty = n.c * tx + n.d * ty + n.ty;
    return r;
}

Warp Warp::Inverse() const {
    const double det = a * d - b * c;
    if (det == 0) return Warp{};
    Warp r;
    r.a = d / det;
    r.b = -b / det;
    r.c = -c / det;
    r.d = a / det;
    r.tx = -(r.a * tx + r.b * ty);
    r.ty = -(r.c * tx + r.d * ty);
    return r;
}

double Warp::ScaleFactor() const {
    return std::sqrt(std::abs(a * d - b * c));
}

void Warp::Apply(double x, double y, double* ox, double* oy) const {
    *ox = a * x + b * y + tx;
    *oy = c * x + d * y + ty;
}

double WarpGap(const Warp& p, const Warp& q, int width, int height) {
    double gap = 0;
    for (const double x : {0.0, double(width - 1)})
        for (const double y : {0.0, double(height - 1)}) {
            double px, py, qx, qy;
            p.Apply(x, y, &px, &py);
            q.Apply(x, y, &qx, &qy);
            gap = std::max(gap, std::hypot(px - qx, py - qy));
        }
    return gap;
}

} // namespace tvx

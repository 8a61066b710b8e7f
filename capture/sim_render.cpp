#include "capture/sim_render.h"

#include <QPainter>
#include <QPainterPath>
#include <QRadialGradient>
#include <algorithm>
#include <cmath>
#include <cstring>
#include <random>

namespace tvx {

double SimPixelPitch(int width, int height) {
    if (width == 720 && height == 480) return 57.471264367;
    if (width == 640 && height == 480) return 65.1465798045602;
    return 63.49206349;
}

double SimPixelsPerMillimetre(int width, int height) {
    // A pixel is pitch × 10 / magnification micrometres long.
    return 1000.0 * kSimMagnification / (SimPixelPitch(width, height) * 10.0);
}

QPoint SimDrift(double seconds) {
    constexpr double kTwoPi = 6.283185307179586;
    const double x = 0.75 * kSimDriftMargin * std::sin(kTwoPi * seconds / 23.0);
    const double y = 0.5 * kSimDriftMargin * std::sin(kTwoPi * seconds / 37.0);
    return QPoint(int(std::lround(x)), int(std::lround(y)));
}

MicrometerPicture::MicrometerPicture(int width, int height)
    : width_(width), height_(height), pxPerMm_(SimPixelsPerMillimetre(width, height)) {
    const int m = kSimDriftMargin;
    QImage img(width + 2 * m, height + 2 * m, QImage::Format_RGB32);
    QPainter p(&img);
    p.setRenderHint(QPainter::Antialiasing, true);

    // Backlit field, brighter in the middle as under a condenser.
    const QPointF centre(img.width() / 2.0, img.height() / 2.0);
    QRadialGradient field(centre, std::hypot(img.width(), img.height()) / 2.0);
    field.setColorAt(0.0, QColor(236, 240, 232));
    field.setColorAt(1.0, QColor(150, 158, 150));
    p.fillRect(img.rect(), field);

    // Cells, always at the same places for a size so stills are comparable.
    std::mt19937 rng(uint32_t(width * 1000 + height));
    std::uniform_real_distribution<double> ux(0.05, 0.95), uy(0.05, 0.95), ur(0.35, 0.7),
        ua(0.0, 180.0);
    const double cellSize = pxPerMm_ * 0.08; // about 80 µm across
    for (int i = 0; i < 14; ++i) {
        const QPointF at(ux(rng) * img.width(), uy(rng) * img.height());
        // Keep the scale's band clear.
        if (at.y() < centre.y() + cellSize && at.y() > centre.y() - pxPerMm_ * 0.5) continue;
        p.save();
        p.translate(at);
        const double degrees = ua(rng);
        p.rotate(degrees);
        const double rx = cellSize * (0.8 + ur(rng)), ry = cellSize * ur(rng) * 0.9;
        p.setPen(QPen(QColor(120, 70, 110), 1.2));
        p.setBrush(QColor(206, 160, 196, 170));
        p.drawEllipse(QPointF(0, 0), rx, ry);
        p.setPen(Qt::NoPen);
        p.setBrush(QColor(90, 40, 100, 200));
        p.drawEllipse(QPointF(rx * 0.2, 0), rx * 0.28, ry * 0.4);
        p.restore();
        cells_.push_back(SimCell{at, rx, ry, degrees});
    }

    // The scale: 0.01 mm steps over most of the view's width, in whole half
    // millimetres, so a calibration line can run from 0 to a far numbered
    // mark. At the simulated magnification a step is about one pixel: the
    // fine ticks blend into a grey band, and the 0.05, 0.1 and 1 mm ticks
    // stand out from it as on a real slide.
    lengthMm_ = std::max(0.5, std::floor(0.85 * width / pxPerMm_ * 2.0) / 2.0);
    const double length = lengthMm_ * pxPerMm_;
    originX_ = (width - length) / 2.0;
    const double baseY = height / 2.0 + m;
    const double tickBase = std::max(6.0, pxPerMm_ * 0.06);
    const QColor ink(25, 25, 30);
    p.setPen(QPen(ink, 1.0, Qt::SolidLine, Qt::FlatCap));
    p.drawLine(QPointF(originX_ + m, baseY), QPointF(originX_ + m + length, baseY));
    const int steps = int(std::lround(lengthMm_ * 100));
    QFont numerals(QStringLiteral("DejaVu Sans"));
    numerals.setPixelSize(std::max(9, int(tickBase * 1.6)));
    p.setFont(numerals);
    for (int i = 0; i <= steps; ++i) {
        const double x = originX_ + m + i * 0.01 * pxPerMm_;
        double tick = tickBase;
        double penWidth = 0.6;
        if (i % 100 == 0) {
            tick = tickBase * 3.2;
            penWidth = 1.4;
        } else if (i % 10 == 0) {
            tick = tickBase * 2.2;
            penWidth = 1.0;
        } else if (i % 5 == 0) {
            tick = tickBase * 1.5;
            penWidth = 1.0;
        }
        p.setPen(QPen(ink, penWidth, Qt::SolidLine, Qt::FlatCap));
        p.drawLine(QPointF(x, baseY), QPointF(x, baseY - tick));
        if (i % 100 == 0) {
            const QString mm = QString::number(i / 100);
            const QRectF box(x - 20, baseY - tick - numerals.pixelSize() - 4, 40,
                             numerals.pixelSize() + 2);
            p.drawText(box, Qt::AlignHCenter | Qt::AlignBottom, mm);
        }
    }
    p.end();
    canvas_ = img.convertToFormat(QImage::Format_BGR888);
}

void MicrometerPicture::CopyView(QPoint drift, uint8_t* dst, int dstStride) const {
    const int m = kSimDriftMargin;
    const int dx = std::clamp(m + drift.x(), 0, 2 * m);
    const int dy = std::clamp(m + drift.y(), 0, 2 * m);
    const size_t rowBytes = size_t(width_) * 3;
    for (int y = 0; y < height_; ++y)
        std::memcpy(dst + size_t(y) * dstStride, canvas_.constScanLine(y + dy) + size_t(dx) * 3,
                    rowBytes);
}

} // namespace tvx

namespace tvx {

int SimFocusDrift(double seconds) {
    constexpr double kTwoPi = 6.283185307179586;
    const double phase = 0.5 - 0.5 * std::cos(kTwoPi * seconds / kSimFocusPeriod);
    return int(std::lround(phase * kSimMaxBlur));
}

void SimBlur(uint8_t* data, int width, int height, int stride, int radius,
             std::vector<uint32_t>& scratch) {
    if (!data || width <= 0 || height <= 0 || radius <= 0) return;
    const int rowValues = width * 3;
    const uint32_t n = uint32_t(2 * radius + 1);
    // scratch: one row of values, then the running column sums.
    scratch.assign(std::size_t(rowValues) * 2, 0);
    uint32_t* row = scratch.data();
    uint32_t* column = row + rowValues;

    // Across: a running sum over each row, the edge pixels repeated.
    for (int y = 0; y < height; ++y) {
        uint8_t* line = data + std::size_t(y) * stride;
        for (int i = 0; i < rowValues; ++i)
            row[i] = line[i];
        for (int c = 0; c < 3; ++c) {
            auto at = [&](int x) { return row[std::clamp(x, 0, width - 1) * 3 + c]; };
            uint32_t sum = 0;
            for (int x = -radius; x <= radius; ++x)
                sum += at(x);
            for (int x = 0; x < width; ++x) {
                line[x * 3 + c] = uint8_t((sum + n / 2) / n);
                sum += at(x + radius + 1) - at(x - radius);
            }
        }
    }
    // Down: from a copy, since each row's window reaches rows above it that
    // are written already.
    std::vector<uint8_t> rows(std::size_t(rowValues) * height);
    for (int y = 0; y < height; ++y)
        std::memcpy(rows.data() + std::size_t(y) * rowValues, data + std::size_t(y) * stride,
                    std::size_t(rowValues));
    auto src = [&](int y) {
        return rows.data() + std::size_t(std::clamp(y, 0, height - 1)) * rowValues;
    };
    for (int y = -radius; y <= radius; ++y) {
        const uint8_t* s = src(y);
        for (int i = 0; i < rowValues; ++i)
            column[i] += s[i];
    }
    for (int y = 0; y < height; ++y) {
        uint8_t* line = data + std::size_t(y) * stride;
        const uint8_t* add = src(y + radius + 1);
        const uint8_t* drop = src(y - radius);
        for (int i = 0; i < rowValues; ++i) {
            line[i] = uint8_t((column[i] + n / 2) / n);
            column[i] += uint32_t(add[i]) - drop[i];
        }
    }
}

} // namespace tvx

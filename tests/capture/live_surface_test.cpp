#include "capture/live_surface.h"
#include "tests/capture/pattern_frame.h"

#include <QCoreApplication>
#include <QPainter>
#include <QPixmap>
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <memory>
#include <random>
#include <string>
#include <thread>
#include <vector>

namespace tvx {
namespace {

class RecordingOverlay : public LiveOverlay {
public:
    RecordingOverlay(std::string* log, char name, QColor colour, QPoint where)
        : log_(log), name_(name), colour_(colour), where_(where) {}
    void Draw(QPainter& p, const ViewMapping& map) override {
        *log_ += name_;
        map_ = map;
        p.setPen(colour_);
        p.drawPoint(where_);
    }
    ViewMapping map_;

private:
    std::string* log_;
    char name_;
    QColor colour_;
    QPoint where_;
};

// The pattern's column and row (modulo 256) of a shown pixel.
int ColumnOf(QRgb p) {
    return qBlue(p) + 256 * qRed(p);
}

// Every capture size is shown whole, scaled to fit with its aspect kept and
// black bars beside it, in the window and in full screen alike.
TEST(LiveSurface, TheWholeFrameIsShownWithItsAspectKept) {
    struct Case {
        QSize frame, view;
        bool fullScreen;
        QRect shown;
    } cases[] = {{{720, 480}, {640, 480}, false, {0, 27, 640, 426}},
                 {{720, 576}, {640, 480}, false, {20, 0, 600, 480}},
                 {{720, 576}, {1440, 960}, true, {120, 0, 1200, 960}}};
    for (const Case& c : cases) {
        LiveSurface s;
        if (c.fullScreen)
            s.EnterFullScreen(c.view);
        else
            s.Recreate(c.view);
        PatternFrame f(c.frame.width(), c.frame.height());
        ASSERT_TRUE(s.DrawFrame(f.view()));
        EXPECT_EQ(s.mapping().shown(), c.shown);
        const QImage img = s.Snapshot();
        ASSERT_EQ(img.size(), c.view);
        const QRect r = c.shown;
        // Bars are black; the picture's corners reach the bars' edges.
        EXPECT_EQ(img.pixel(0, 0),
                  r.topLeft() == QPoint(0, 0) ? PatternFrame::At(0, 0) : qRgb(0, 0, 0));
        EXPECT_EQ(img.pixel(c.view.width() - 1, c.view.height() - 1),
                  r.bottomRight() == QPoint(c.view.width() - 1, c.view.height() - 1)
                      ? img.pixel(r.right(), r.bottom())
                      : qRgb(0, 0, 0));
        EXPECT_LE(ColumnOf(img.pixel(r.left(), r.top())), 1);
        EXPECT_GE(ColumnOf(img.pixel(r.right(), r.top())), c.frame.width() - 2);
        EXPECT_LE(qGreen(img.pixel(r.left(), r.top())), 1);
        EXPECT_GE(qGreen(img.pixel(r.left(), r.bottom())), (c.frame.height() - 2) & 255);
        // The middle of the view is the middle of the frame.
        const QRgb mid = img.pixel(c.view.width() / 2, c.view.height() / 2);
        EXPECT_NEAR(ColumnOf(mid), c.frame.width() / 2, 2);
        EXPECT_NEAR(qGreen(mid), (c.frame.height() / 2) & 255, 2);
    }
}

TEST(LiveSurface, AFrameOfTheViewsSizeIsShownOneToOne) {
    LiveSurface s;
    s.Recreate(QSize(640, 480));

    // The same size without the cut is shown whole and unscaled.
    PatternFrame g(640, 480);
    ASSERT_TRUE(s.DrawFrame(g.view()));
    const QImage same = s.Snapshot();
    for (int y = 0; y < 480; y += 5)
        for (int x = 0; x < 640; ++x)
            ASSERT_EQ(same.pixel(x, y), PatternFrame::At(x, y));
}

TEST(LiveSurface, FullScreenStretchesTheWholeFrame) {
    LiveSurface s;
    s.EnterFullScreen(QSize(1440, 960));
    EXPECT_TRUE(s.fullScreen());
    PatternFrame f(720, 480);
    ASSERT_TRUE(s.DrawFrame(f.view()));
    const QImage img = s.Snapshot();
    // Twice the frame size: the last columns of the frame reach the right edge.
    const QRgb right = img.pixel(1439, 480);
    EXPECT_GE(qBlue(right) + 256 * qRed(right), 718);
    EXPECT_LE(qAbs(qGreen(right) - 240), 1);
    const QRgb middle = img.pixel(720, 480);
    EXPECT_LE(qAbs(qBlue(middle) + 256 * qRed(middle) - 360), 1);

    s.LeaveFullScreen(QSize(640, 480));
    EXPECT_FALSE(s.fullScreen());
    const QImage black = s.Snapshot();
    EXPECT_EQ(black.size(), QSize(640, 480));
    EXPECT_EQ(black.pixel(320, 240), qRgb(0, 0, 0));
}

// In full screen the frame is stretched when painted, straight into the
// picture the painter draws into, and only over the part asked for; the
// overlays go over it at the view's size.
TEST(LiveSurface, FullScreenPaintsTheStretchedFrameStraightIntoThePicture) {
    LiveSurface s;
    s.EnterFullScreen(QSize(400, 300));
    std::string log;
    RecordingOverlay cross(&log, 'X', Qt::white, QPoint(399, 299));
    s.SetOverlay(LiveLayer::CrossLine, &cross);
    PatternFrame f(200, 150);
    ASSERT_TRUE(s.DrawFrame(f.view()));
    EXPECT_EQ(log, "") << "no overlay is drawn on the small frame";
    EXPECT_EQ(s.size(), QSize(400, 300));
    const QImage whole = s.Snapshot();
    ASSERT_EQ(whole.size(), QSize(400, 300));
    EXPECT_EQ(whole.pixel(399, 299), QColor(Qt::white).rgb());
    EXPECT_EQ(cross.map_.shown(), QRect(0, 0, 400, 300));
    EXPECT_EQ(cross.map_.picture(), QSize(200, 150));

    // A window's picture: the view sits at (30, 20) of it.
    QImage window(500, 400, QImage::Format_RGB32);
    window.fill(Qt::magenta);
    {
        QPainter p(&window);
        p.translate(30, 20);
        s.Paint(p, QRect(100, 50, 150, 120));
    }
    EXPECT_EQ(window.pixel(29, 19), QColor(Qt::magenta).rgb());
    EXPECT_EQ(window.pixel(30 + 99, 20 + 60), QColor(Qt::magenta).rgb())
        << "nothing outside the part asked for is touched";
    for (int y = 50; y < 170; y += 7)
        for (int x = 100; x < 250; x += 5)
            ASSERT_EQ(window.pixel(30 + x, 20 + y), whole.pixel(x, y)) << x << "," << y;

    // Through a painter that cannot be drawn into directly, Qt stretches it.
    QPixmap pixmap(400, 300);
    {
        QPainter p(&pixmap);
        s.Paint(p, QRect(0, 0, 400, 300));
    }
    const QImage drawn = pixmap.toImage();
    const QRgb a = drawn.pixel(201, 151), b = whole.pixel(201, 151);
    EXPECT_LE(std::abs(qBlue(a) - qBlue(b)), 2);
    EXPECT_LE(std::abs(qGreen(a) - qGreen(b)), 2);
    s.SetOverlay(LiveLayer::CrossLine, nullptr);
}

// A frame that may be held and is shown 1:1 is not converted on the
// streaming thread: painting converts it straight into the window's
// picture, and the overlays are drawn over it then.
TEST(LiveSurface, HeldFramesAreConvertedStraightIntoTheWindowWhenPainted) {
    LiveSurface s;
    s.Recreate(QSize(640, 480));
    std::string log;
    RecordingOverlay cross(&log, 'X', Qt::white, QPoint(5, 6));
    s.SetOverlay(LiveLayer::CrossLine, &cross);
    auto frame = std::make_shared<PatternFrame>(640, 480);
    FrameView view = frame->view();
    view.owner = frame;
    ASSERT_TRUE(s.DrawFrame(view));
    EXPECT_EQ(log, "") << "nothing is drawn before the paint";
    std::weak_ptr<PatternFrame> watch = frame;
    frame.reset();
    view = FrameView();
    EXPECT_FALSE(watch.expired()) << "the surface holds the frame until the next one";

    QImage window(700, 520, QImage::Format_RGB32);
    window.fill(Qt::magenta);
    {
        QPainter p(&window);
        p.translate(10, 15);
        s.Paint(p, QRect(0, 0, 300, 200));
    }
    EXPECT_EQ(log, "X");
    EXPECT_EQ(window.pixel(10 + 5, 15 + 6), QColor(Qt::white).rgb());
    EXPECT_EQ(window.pixel(10 + 300, 15 + 10), QColor(Qt::magenta).rgb());
    for (int y = 0; y < 200; y += 7)
        for (int x = 7; x < 300; x += 3)
            ASSERT_EQ(window.pixel(10 + x, 15 + y), PatternFrame::At(x, y)) << x << "," << y;
    const QImage snap = s.Snapshot();
    ASSERT_EQ(snap.size(), QSize(640, 480));
    EXPECT_EQ(snap.pixel(639, 479), PatternFrame::At(639, 479));

    PatternFrame next(64, 48);
    ASSERT_TRUE(s.DrawFrame(next.view()));
    EXPECT_TRUE(watch.expired());
    s.SetOverlay(LiveLayer::CrossLine, nullptr);
}

// For the graphics hardware every frame is kept at its own size, with the
// part of it the view shows.
TEST(LiveSurface, FramesForUploadKeepTheirSizeAndTheShownPart) {
    LiveSurface s;
    s.Recreate(QSize(640, 480));
    s.SetFramesForUpload(true);
    QRect shown;
    QSize kept;
    auto look = [&] {
        return s.WithFrame([&](const QImage& frame, const QRect& part) {
            kept = frame.size();
            shown = part;
        });
    };
    EXPECT_FALSE(look()) << "a fresh surface holds no frame";
    PatternFrame wide(720, 480), small(320, 240);
    ASSERT_TRUE(s.DrawFrame(wide.view()));
    ASSERT_TRUE(look());
    EXPECT_EQ(kept, QSize(720, 480));
    EXPECT_EQ(shown, QRect(0, 27, 640, 426)) << "the whole frame, with bars above and below";
    s.EnterFullScreen(QSize(1280, 960));
    ASSERT_TRUE(s.DrawFrame(wide.view()));
    ASSERT_TRUE(look());
    EXPECT_EQ(shown, QRect(0, 53, 1280, 853));
    ASSERT_TRUE(s.DrawFrame(small.view()));
    ASSERT_TRUE(look());
    EXPECT_EQ(kept, QSize(320, 240));
    EXPECT_EQ(shown, QRect(0, 0, 1280, 960));
    s.ClearSurface();
    EXPECT_FALSE(look()) << "a cleared view is black, not a frame";
}

TEST(LiveSurface, SmallerFramesFillTheWindow) {
    LiveSurface s;
    s.Recreate(QSize(640, 480));
    PatternFrame f(320, 240);
    ASSERT_TRUE(s.DrawFrame(f.view()));
    const QImage img = s.Snapshot();
    for (int y = 0; y < 480; y += 3)
        for (int x = 0; x < 640; x += 3)
            ASSERT_EQ(img.pixel(x, y), PatternFrame::At(x / 2, y / 2)) << x << "," << y;
}

// The first frame usually comes before the view's first size: it is shown
// as soon as the view has one, not a frame period later.
TEST(LiveSurface, AFrameBeforeTheFirstSizeIsShownWhenTheSizeComes) {
    LiveSurface s;
    int composed = 0;
    s.SetComposedCallback([&] { ++composed; });
    {
        PatternFrame early(640, 480); // gone after the call: the surface keeps a copy
        EXPECT_FALSE(s.DrawFrame(early.view()));
    }
    EXPECT_EQ(composed, 0);
    EXPECT_FALSE(s.holdsFrame());
    s.Recreate(QSize(640, 480));
    EXPECT_EQ(composed, 1);
    EXPECT_TRUE(s.holdsFrame()); // what tells start-up timing the frame is on screen
    const QImage img = s.Snapshot();
    for (int y = 0; y < 480; y += 37)
        for (int x = 0; x < 640; x += 41)
            ASSERT_EQ(img.pixel(x, y), PatternFrame::At(x, y)) << x << "," << y;
    // Only once: a later re-creation starts black again.
    s.Recreate(QSize(320, 240));
    EXPECT_EQ(s.Snapshot().pixel(100, 100), qRgb(0, 0, 0));
    EXPECT_EQ(composed, 1);
    EXPECT_FALSE(s.holdsFrame());
    PatternFrame next(320, 240);
    ASSERT_TRUE(s.DrawFrame(next.view()));
    EXPECT_TRUE(s.holdsFrame());
    s.ClearSurface();
    EXPECT_FALSE(s.holdsFrame());
}

// The streaming thread may deliver while the first size is being made: that
// frame must not be left waiting behind the one being composed.
TEST(LiveSurface, AFrameThatComesDuringTheFirstSizeIsShownToo) {
    struct Deliverer : LiveOverlay {
        LiveSurface* surface = nullptr;
        PatternFrame* frame = nullptr;
        void Draw(QPainter&, const ViewMapping&) override {
            if (!frame) return;
            EXPECT_FALSE(surface->DrawFrame(frame->view())) << "no size yet";
            frame = nullptr;
        }
    };
    LiveSurface s;
    int composed = 0;
    s.SetComposedCallback([&] { ++composed; });
    PatternFrame first(640, 480), second(320, 240);
    Deliverer during;
    during.surface = &s;
    during.frame = &second;
    s.SetOverlay(LiveLayer::Shapes, &during);
    EXPECT_FALSE(s.DrawFrame(first.view()));
    s.Recreate(QSize(640, 480));
    EXPECT_EQ(during.frame, nullptr) << "the second frame came while the first was composed";
    EXPECT_TRUE(s.holdsFrame());
    EXPECT_EQ(composed, 1);
    const QImage img = s.Snapshot();
    for (int y = 0; y < 480; y += 37)
        for (int x = 0; x < 640; x += 41)
            ASSERT_EQ(img.pixel(x, y), PatternFrame::At(x / 2, y / 2)) << x << "," << y;
}

TEST(LiveSurface, DrawsNothingWithoutFrameOrSurface) {
    LiveSurface s;
    PatternFrame f(16, 8);
    EXPECT_FALSE(s.DrawFrame(f.view())) << "no surface yet";
    s.Recreate(QSize(16, 8));
    EXPECT_FALSE(s.DrawFrame(FrameView{}));
    EXPECT_TRUE(s.DrawFrame(f.view()));
    s.Release();
    EXPECT_FALSE(s.hasSurface());
    EXPECT_FALSE(s.DrawFrame(f.view()));
}

TEST(LiveSurface, OverlaysAreDrawnOverTheFrameInTheirOrder) {
    LiveSurface s;
    s.Recreate(QSize(64, 48));
    std::string log;
    RecordingOverlay shapes(&log, 'S', Qt::yellow, QPoint(1, 1));
    RecordingOverlay cross(&log, 'X', Qt::white, QPoint(2, 1));
    RecordingOverlay ruler(&log, 'R', Qt::red, QPoint(3, 1));
    RecordingOverlay circles(&log, 'C', Qt::blue, QPoint(3, 1));
    // Registered out of order on purpose.
    s.SetOverlay(LiveLayer::CircleGrid, &circles);
    s.SetOverlay(LiveLayer::Shapes, &shapes);
    s.SetOverlay(LiveLayer::Ruler, &ruler);
    s.SetOverlay(LiveLayer::CrossLine, &cross);
    PatternFrame f(64, 48);
    ASSERT_TRUE(s.DrawFrame(f.view()));
    EXPECT_EQ(log, "SXRC");
    EXPECT_TRUE(shapes.map_.identity());
    EXPECT_EQ(shapes.map_.picture(), QSize(64, 48));
    const QImage img = s.Snapshot();
    EXPECT_EQ(img.pixel(1, 1), QColor(Qt::yellow).rgb());
    EXPECT_EQ(img.pixel(2, 1), QColor(Qt::white).rgb());
    EXPECT_EQ(img.pixel(3, 1), QColor(Qt::blue).rgb()) << "the circle grid is drawn last";
    EXPECT_EQ(img.pixel(5, 5), PatternFrame::At(5, 5));

    // A cleared surface keeps the guides but not the live measurements.
    log.clear();
    s.ClearSurface();
    EXPECT_EQ(log, "XRC");
    const QImage cleared = s.Snapshot();
    EXPECT_EQ(cleared.pixel(1, 1), qRgb(0, 0, 0));
    EXPECT_EQ(cleared.pixel(2, 1), QColor(Qt::white).rgb());
    EXPECT_EQ(cleared.pixel(5, 5), qRgb(0, 0, 0));
}

TEST(LiveSurface, ConversionFlipsRowsAndKeepsColoursForAnyWidth) {
    std::mt19937 rng(3);
    for (int w = 1; w <= 40; ++w) {
        const int h = 3;
        std::vector<uint8_t> bytes(std::size_t(w * 3 + 2) * h);
        for (auto& b : bytes)
            b = uint8_t(rng());
        FrameView v{bytes.data(), w, h, w * 3 + 2};
        QImage out(w, h, QImage::Format_RGB32);
        out.fill(Qt::black);
        ConvertFrameToRgb32(v, out, w, h);
        for (int y = 0; y < h; ++y)
            for (int x = 0; x < w; ++x) {
                const uint8_t* p = bytes.data() + std::size_t(h - 1 - y) * v.stride + x * 3;
                ASSERT_EQ(out.pixel(x, y), qRgb(p[2], p[1], p[0])) << "w=" << w;
            }
        // The same pixels with a padding byte each: the same picture, and
        // the same 24-bit rows.
        std::vector<uint8_t> wide(std::size_t(w * 4) * h);
        for (int y = 0; y < h; ++y)
            for (int x = 0; x < w; ++x) {
                std::memcpy(&wide[std::size_t(y * w + x) * 4], v.row(y) + x * 3, 3);
                wide[std::size_t(y * w + x) * 4 + 3] = uint8_t(rng());
            }
        FrameView v4{wide.data(), w, h, w * 4};
        v4.pixelBytes = 4;
        QImage out4(w, h, QImage::Format_RGB32);
        ConvertFrameToRgb32(v4, out4, w, h);
        ASSERT_EQ(out4, out) << "w=" << w;
        std::vector<uint8_t> row(std::size_t(w) * 3);
        for (int y = 0; y < h; ++y) {
            CopyRowAsBgr(v4, y, row.data());
            ASSERT_EQ(0, std::memcmp(row.data(), v.row(y), row.size())) << "w=" << w;
        }
    }
}

// A 32-bit frame as GStreamer hands it over (top-down, read through a
// negative stride, with an owner) is shown exactly as the 24-bit frame of
// the same pixels, overlays included, wherever the view puts it: 1:1,
// scaled in a window, stretched in full screen, or kept for the first size.
TEST(LiveSurface, ThirtyTwoBitFramesLookLikeTheir24BitTwins) {
    const int w = 200, h = 150;
    PatternFrame narrow(w, h);
    auto wide = std::make_shared<std::vector<uint8_t>>(std::size_t(w) * 4 * h);
    for (int y = 0; y < h; ++y) // y: row from the top
        for (int x = 0; x < w; ++x) {
            std::memcpy(&(*wide)[std::size_t(y * w + x) * 4], narrow.view().row(h - 1 - y) + x * 3,
                        3);
            (*wide)[std::size_t(y * w + x) * 4 + 3] = 0xFF;
        }
    auto wideView = [&] {
        FrameView v{wide->data() + std::size_t(h - 1) * w * 4, w, h, -w * 4};
        v.pixelBytes = 4;
        v.readOnly = true;
        v.owner = wide;
        return v;
    };
    std::string log;
    RecordingOverlay cross(&log, 'X', Qt::white, QPoint(30, 20));
    enum Mode { OneToOne, Window, Full, BeforeSize };
    for (Mode mode : {OneToOne, Window, Full, BeforeSize}) {
        SCOPED_TRACE(int(mode));
        LiveSurface a, b;
        for (LiveSurface* s : {&a, &b}) {
            s->SetOverlay(LiveLayer::CrossLine, &cross);
            if (mode == OneToOne) s->Recreate(QSize(w, h));
            if (mode == Window) s->Recreate(QSize(130, 90));
            if (mode == Full) s->EnterFullScreen(QSize(333, 250));
        }
        ASSERT_EQ(a.DrawFrame(wideView()), mode != BeforeSize);
        ASSERT_EQ(b.DrawFrame(narrow.view()), mode != BeforeSize);
        if (mode == BeforeSize) {
            a.Recreate(QSize(150, 150));
            b.Recreate(QSize(150, 150));
        }
        if (mode == Window || mode == Full) {
            EXPECT_GT(wide.use_count(), 1) << "a scaled 32-bit frame is shown without a copy";
        }
        const QImage shot = a.Snapshot();
        EXPECT_EQ(shot, b.Snapshot());
        EXPECT_EQ(shot.pixel(30, 20), QColor(Qt::white).rgb()) << "the overlay is drawn";
    }
}

// Each pixel of a scaled picture is the source pixel whose centre lies
// nearest its own: doubled, every pixel twice; shrunk from 8 to 3, the
// pixels 1, 4 and 6; only the asked part of the area is written.
TEST(LiveSurface, NearestScalingTakesTheNearestPixel) {
    QImage src(8, 2, QImage::Format_RGB32);
    for (int y = 0; y < 2; ++y)
        for (int x = 0; x < 8; ++x)
            src.setPixel(x, y, qRgb(0, y, x));
    QImage big(16, 4, QImage::Format_RGB32);
    ScaleRgb32Nearest(src, big, big.size());
    for (int y = 0; y < 4; ++y)
        for (int x = 0; x < 16; ++x)
            ASSERT_EQ(big.pixel(x, y), qRgb(0, y / 2, x / 2)) << x << "," << y;
    QImage small(3, 1, QImage::Format_RGB32);
    ScaleRgb32Nearest(src, small, small.size());
    EXPECT_EQ(small.pixel(0, 0), qRgb(0, 1, 1));
    EXPECT_EQ(small.pixel(1, 0), qRgb(0, 1, 4));
    EXPECT_EQ(small.pixel(2, 0), qRgb(0, 1, 6));
    // The right half of the doubled picture, from its column 8 on.
    QImage half(8, 4, QImage::Format_RGB32);
    half.fill(Qt::magenta);
    ScaleRgb32Nearest(src, half, QSize(16, 4), QPoint(8, 0));
    EXPECT_EQ(half.pixel(0, 0), qRgb(0, 0, 4));
    EXPECT_EQ(half.pixel(7, 3), qRgb(0, 1, 7));
}

TEST(LiveSurface, SmoothScalingInterpolatesBetweenPixels) {
    // A ramp of 2 per pixel across and 3 per pixel down, doubled in size:
    // destination pixel X lies at source X / 2 - 0.25, so the ramp continues
    // with half the slope, clamped at the edges.
    QImage src(100, 60, QImage::Format_RGB32);
    for (int y = 0; y < 60; ++y)
        for (int x = 0; x < 100; ++x)
            src.setPixel(x, y, qRgb(0, 3 * y, 2 * x));
    QImage dst(200, 120, QImage::Format_RGB32);
    dst.fill(Qt::black);
    ScaleRgb32Smooth(src, dst, QSize(200, 120));
    for (int y = 0; y < 120; ++y)
        for (int x = 0; x < 200; ++x) {
            const double sx = std::clamp(x / 2.0 - 0.25, 0.0, 99.0);
            const double sy = std::clamp(y / 2.0 - 0.25, 0.0, 59.0);
            const QRgb p = dst.pixel(x, y);
            ASSERT_NEAR(qBlue(p), 2 * sx, 1.01) << x << "," << y;
            ASSERT_NEAR(qGreen(p), 3 * sy, 1.51) << x << "," << y;
            ASSERT_EQ(qAlpha(p), 255);
        }

    // Against Qt's own smooth drawing on a smooth random picture, for a
    // non-integer ratio in both directions. Under 96 rows Qt draws on the
    // calling thread only, which keeps the thread checker's run clean.
    std::mt19937 rng(9);
    QImage noise(61, 47, QImage::Format_RGB32);
    for (int y = 0; y < noise.height(); ++y)
        for (int x = 0; x < noise.width(); ++x)
            noise.setPixel(x, y, qRgb(128 + x + int(rng() % 8), 100 + y, 200 - x - y));
    QImage ours(160, 90, QImage::Format_RGB32), qt(160, 90, QImage::Format_RGB32);
    ScaleRgb32Smooth(noise, ours, ours.size());
    {
        QPainter p(&qt);
        p.setRenderHint(QPainter::SmoothPixmapTransform);
        p.drawImage(qt.rect(), noise);
    }
    for (int y = 2; y < 88; ++y)
        for (int x = 2; x < 158; ++x) {
            const QRgb a = ours.pixel(x, y), b = qt.pixel(x, y);
            ASSERT_LE(std::abs(qRed(a) - qRed(b)), 3) << x << "," << y;
            ASSERT_LE(std::abs(qGreen(a) - qGreen(b)), 3) << x << "," << y;
            ASSERT_LE(std::abs(qBlue(a) - qBlue(b)), 3) << x << "," << y;
        }

    // One-pixel sources and an area larger than the target do not fault.
    QImage dot(1, 1, QImage::Format_RGB32);
    dot.fill(qRgb(10, 20, 30));
    QImage small(5, 4, QImage::Format_RGB32);
    ScaleRgb32Smooth(dot, small, QSize(50, 40));
    EXPECT_EQ(small.pixel(4, 3), qRgb(10, 20, 30));
}

} // namespace
} // namespace tvx

#include "capture/live_surface.h"

#include <QFontMetrics>
#include <QMetaObject>
#include <QPaintEngine>
#include <QPaintEvent>
#include <QPainter>
#include <QRegion>
#include <QResizeEvent>
#include <algorithm>
#include <cstring>
#include <vector>

#include "imaging/bgr_rows.h"
#include "platform/cpu_features.h"

namespace tvx {

namespace {

// ---- smooth scaling ----
//
// Bilinear, with six-bit weights (64 steps between two pixels is finer than
// the eye can tell on a live picture) so that a pixel pair and its two
// weights fit one multiply-add of bytes. Rows are first stretched across,
// each source row at most once, then neighbouring stretched rows are blended.

struct AxisMap {
    std::vector<int> index;    // left/top source pixel of each destination pixel
    std::vector<uint8_t> frac; // weight of the right/bottom one, 0..64
};

// Requires src >= 2.
void BuildAxis(int src, int dst, AxisMap& map) {
    map.index.resize(dst);
    map.frac.resize(dst);
    const int64_t step = (int64_t(src) << 16) / dst;
    int64_t pos = step / 2 - 32768; // pixel centres line up
    for (int i = 0; i < dst; ++i, pos += step) {
        int x0 = 0, f = 0;
        if (pos > 0) {
            x0 = int(pos >> 16);
            f = int(((pos & 0xFFFF) + 512) >> 10);
            if (f == 64) {
                ++x0;
                f = 0;
            }
        }
        if (x0 >= src - 1) {
            x0 = src - 2;
            f = 64;
        }
        map.index[i] = x0;
        map.frac[i] = uint8_t(f);
    }
}

inline uint32_t Blend(uint32_t a, uint32_t b, int f) {
    const uint32_t w0 = 64 - f, w1 = f;
    const uint32_t rb =
        (((a & 0xFF00FFu) * w0 + (b & 0xFF00FFu) * w1 + 0x200020u) >> 6) & 0xFF00FFu;
    const uint32_t ag =
        ((((a >> 8) & 0xFF00FFu) * w0 + ((b >> 8) & 0xFF00FFu) * w1 + 0x200020u) >> 6) & 0xFF00FFu;
    return rb | (ag << 8);
}

void StretchRowScalar(const uint32_t* src, uint32_t* dst, const AxisMap& m, int from, int n) {
    for (int x = from; x < n; ++x)
        dst[x] = Blend(src[m.index[x]], src[m.index[x] + 1], m.frac[x]);
}

void BlendRowsScalar(const uint32_t* a, const uint32_t* b, uint32_t* dst, int f, int from, int n) {
    for (int x = from; x < n; ++x)
        dst[x] = Blend(a[x], b[x], f);
}

#if TVX_X86
// weights: for every destination pixel the byte pairs (64 - f, f) for its
// four channels.
TVX_SSSE3 void StretchRowSsse3(const uint32_t* src, uint32_t* dst, const AxisMap& m,
                               const int8_t* weights, int n) {
    const __m128i inter = _mm_setr_epi8(0, 4, 1, 5, 2, 6, 3, 7, 8, 12, 9, 13, 10, 14, 11, 15);
    const __m128i round = _mm_set1_epi16(32);
    int x = 0;
    for (; x + 4 <= n; x += 4) {
        const int* idx = m.index.data() + x;
        const __m128i p01 =
            _mm_unpacklo_epi64(_mm_loadl_epi64(reinterpret_cast<const __m128i*>(src + idx[0])),
                               _mm_loadl_epi64(reinterpret_cast<const __m128i*>(src + idx[1])));
        const __m128i p23 =
            _mm_unpacklo_epi64(_mm_loadl_epi64(reinterpret_cast<const __m128i*>(src + idx[2])),
                               _mm_loadl_epi64(reinterpret_cast<const __m128i*>(src + idx[3])));
        const __m128i w01 = _mm_loadu_si128(reinterpret_cast<const __m128i*>(weights + x * 8));
        const __m128i w23 = _mm_loadu_si128(reinterpret_cast<const __m128i*>(weights + x * 8 + 16));
        __m128i s01 = _mm_maddubs_epi16(_mm_shuffle_epi8(p01, inter), w01);
        __m128i s23 = _mm_maddubs_epi16(_mm_shuffle_epi8(p23, inter), w23);
        s01 = _mm_srli_epi16(_mm_add_epi16(s01, round), 6);
        s23 = _mm_srli_epi16(_mm_add_epi16(s23, round), 6);
        _mm_storeu_si128(reinterpret_cast<__m128i*>(dst + x), _mm_packus_epi16(s01, s23));
    }
    StretchRowScalar(src, dst, m, x, n);
}

TVX_SSSE3 void BlendRowsSsse3(const uint32_t* a, const uint32_t* b, uint32_t* dst, int f, int n) {
    const __m128i w = _mm_set1_epi16(int16_t(((f & 0xFF) << 8) | (64 - f)));
    const __m128i round = _mm_set1_epi16(32);
    int x = 0;
    for (; x + 4 <= n; x += 4) {
        const __m128i va = _mm_loadu_si128(reinterpret_cast<const __m128i*>(a + x));
        const __m128i vb = _mm_loadu_si128(reinterpret_cast<const __m128i*>(b + x));
        __m128i lo = _mm_maddubs_epi16(_mm_unpacklo_epi8(va, vb), w);
        __m128i hi = _mm_maddubs_epi16(_mm_unpackhi_epi8(va, vb), w);
        lo = _mm_srli_epi16(_mm_add_epi16(lo, round), 6);
        hi = _mm_srli_epi16(_mm_add_epi16(hi, round), 6);
        _mm_storeu_si128(reinterpret_cast<__m128i*>(dst + x), _mm_packus_epi16(lo, hi));
    }
    BlendRowsScalar(a, b, dst, f, x, n);
}
#endif

} // namespace

void ConvertFrameToRgb32(const FrameView& frame, QImage& dst, int cols, int rows) {
    if (dst.format() != QImage::Format_RGB32) return;
    ConvertFramePart(frame, dst, QRect(0, 0, cols, rows));
}

void ConvertFramePart(const FrameView& frame, QImage& dst, const QRect& part) {
    if (!frame.usable() || part.isEmpty() || part.x() < 0 || part.y() < 0) return;
    const int cols = std::min({part.width(), frame.width - part.x(), dst.width()});
    const int rows = std::min({part.height(), frame.height - part.y(), dst.height()});
    for (int y = 0; y < rows; ++y) {
        const uint8_t* src =
            frame.row(frame.height - 1 - (part.y() + y)) + part.x() * frame.pixelBytes;
        auto* out = reinterpret_cast<uint32_t*>(dst.scanLine(y));
        if (frame.pixelBytes == 4)
            BgrxRowToRgb32(src, out, cols);
        else
            BgrRowToRgb32(src, out, cols);
    }
}

void ScaleRgb32Smooth(const QImage& src, QImage& dst, const QSize& area, const QPoint& origin) {
    // Opaque pixels are the same bytes in either 32-bit layout.
    const bool dstOk =
        dst.format() == QImage::Format_RGB32 || dst.format() == QImage::Format_ARGB32_Premultiplied;
    if (src.format() != QImage::Format_RGB32 || !dstOk || src.isNull() || dst.isNull()) return;
    const int sw = src.width(), sh = src.height();
    const int ox = std::max(origin.x(), 0), oy = std::max(origin.y(), 0);
    const int dw = std::min(area.width() - ox, dst.width());
    const int dh = std::min(area.height() - oy, dst.height());
    if (dw <= 0 || dh <= 0) return;
    // Full-width maps, cut to the part of the area that fits dst.
    const int fullW = std::max(area.width(), 1), fullH = std::max(area.height(), 1);
    // A one-pixel-wide or -high source is read as two equal pixels.
    QImage padded;
    const QImage* s = &src;
    if (sw < 2 || sh < 2) {
        padded = src.scaled(std::max(sw, 2), std::max(sh, 2));
        s = &padded;
    }
    AxisMap mx, my;
    BuildAxis(s->width(), fullW, mx);
    BuildAxis(s->height(), fullH, my);
    // dst starts at the origin's place in the area.
    mx.index.erase(mx.index.begin(), mx.index.begin() + ox);
    mx.frac.erase(mx.frac.begin(), mx.frac.begin() + ox);
    my.index.erase(my.index.begin(), my.index.begin() + oy);
    my.frac.erase(my.frac.begin(), my.frac.begin() + oy);
#if TVX_X86
    const bool simd = HasSsse3();
    std::vector<int8_t> weights;
    if (simd) {
        weights.resize(std::size_t(dw) * 8);
        for (int x = 0; x < dw; ++x)
            for (int c = 0; c < 4; ++c) {
                weights[x * 8 + c * 2] = int8_t(64 - mx.frac[x]);
                weights[x * 8 + c * 2 + 1] = int8_t(mx.frac[x]);
            }
    }
#endif
    std::vector<uint32_t> rows(std::size_t(dw) * 2);
    uint32_t* row[2] = {rows.data(), rows.data() + dw};
    int have[2] = {-1, -1}; // source row held by each buffer
    auto stretch = [&](int sy, uint32_t* out) {
        const uint32_t* in = reinterpret_cast<const uint32_t*>(s->constScanLine(sy));
#if TVX_X86
        if (simd) {
            StretchRowSsse3(in, out, mx, weights.data(), dw);
            return;
        }
#endif
        StretchRowScalar(in, out, mx, 0, dw);
    };
    for (int y = 0; y < dh; ++y) {
        const int y0 = my.index[y];
        const int f = my.frac[y];
        // Keep buffer 0 on row y0 and buffer 1 on row y0 + 1.
        if (have[0] != y0) {
            if (have[1] == y0) {
                std::swap(row[0], row[1]);
                std::swap(have[0], have[1]);
            } else {
                stretch(y0, row[0]);
                have[0] = y0;
            }
        }
        uint32_t* out = reinterpret_cast<uint32_t*>(dst.scanLine(y));
        if (f == 0) {
            std::memcpy(out, row[0], std::size_t(dw) * 4);
            continue;
        }
        if (have[1] != y0 + 1) {
            stretch(y0 + 1, row[1]);
            have[1] = y0 + 1;
        }
#if TVX_X86
        if (simd) {
            BlendRowsSsse3(row[0], row[1], out, f, dw);
            continue;
        }
#endif
        BlendRowsScalar(row[0], row[1], out, f, 0, dw);
    }
}

void ScaleRgb32Nearest(const QImage& src, QImage& dst, const QSize& area, const QPoint& origin) {
    const bool dstOk =
        dst.format() == QImage::Format_RGB32 || dst.format() == QImage::Format_ARGB32_Premultiplied;
    if (src.format() != QImage::Format_RGB32 || !dstOk || src.isNull() || dst.isNull()) return;
    const int ox = std::max(origin.x(), 0), oy = std::max(origin.y(), 0);
    const int dw = std::min(area.width() - ox, dst.width());
    const int dh = std::min(area.height() - oy, dst.height());
    if (dw <= 0 || dh <= 0) return;
    // The source pixel whose centre lies nearest each destination pixel's.
    const auto nearest = [](int i, int srcLen, int areaLen) {
        return int(
            std::min<int64_t>((int64_t(2 * i + 1) * srcLen) / (2 * int64_t(areaLen)), srcLen - 1));
    };
    std::vector<int> cols(static_cast<std::size_t>(dw));
    for (int x = 0; x < dw; ++x)
        cols[std::size_t(x)] = nearest(ox + x, src.width(), area.width());
    int lastRow = -1;
    for (int y = 0; y < dh; ++y) {
        const int sy = nearest(oy + y, src.height(), area.height());
        auto* out = reinterpret_cast<uint32_t*>(dst.scanLine(y));
        if (sy == lastRow) {
            // A row the picture repeats when enlarged.
            std::memcpy(out, dst.constScanLine(y - 1), std::size_t(dw) * 4);
            continue;
        }
        const auto* in = reinterpret_cast<const uint32_t*>(src.constScanLine(sy));
        for (int x = 0; x < dw; ++x)
            out[x] = in[cols[std::size_t(x)]];
        lastRow = sy;
    }
}

// ---- LiveSurface ----

namespace {

// The parts of `area` outside the picture: the bars beside or above and
// below it.
QVector<QRect> Bars(const QRect& area, const QRect& shown) {
    QVector<QRect> bars;
    for (const QRect& r : QRegion(area).subtracted(QRegion(shown)))
        bars << r;
    return bars;
}

void FillBars(QPainter& p, const QRect& area, const QRect& shown, QRgb colour) {
    for (const QRect& r : Bars(area, shown))
        p.fillRect(r, QColor::fromRgb(colour));
}

// A frame that lives only for the call that hands it over, copied into
// pixels of its own.
FrameView OwnedCopy(const FrameView& frame) {
    if (!frame.usable()) return {};
    const int rowBytes = frame.width * frame.pixelBytes;
    auto pixels = std::make_shared<std::vector<uint8_t>>(std::size_t(rowBytes) * frame.height);
    for (int r = 0; r < frame.height; ++r)
        std::memcpy(pixels->data() + std::size_t(r) * rowBytes, frame.row(r),
                    std::size_t(rowBytes));
    FrameView copy(pixels->data(), frame.width, frame.height, rowBytes);
    copy.pixelBytes = frame.pixelBytes;
    copy.owner = pixels;
    return copy;
}

// A 32-bit frame whose rows lie top-down in memory, as a picture over its
// own pixels: drawn or scaled without converting it first. With `keep` the
// picture holds the frame's pixels alive (the frame must have an owner);
// without, it is only good while the frame is. Null for any other frame.
QImage FramePicture(const FrameView& frame, bool keep) {
    if (frame.pixelBytes != 4 || frame.stride >= 0 || (keep && !frame.owner)) return {};
    const uchar* top = frame.row(frame.height - 1);
    if (!keep) return QImage(top, frame.width, frame.height, -frame.stride, QImage::Format_RGB32);
    auto* held = new std::shared_ptr<const void>(frame.owner);
    return QImage(
        top, frame.width, frame.height, -frame.stride, QImage::Format_RGB32,
        [](void* p) { delete static_cast<std::shared_ptr<const void>*>(p); }, held);
}

} // namespace

LiveSurface::LiveSurface() {
    for (auto& o : overlays_)
        o.store(nullptr);
}

void LiveSurface::Recreate(const QSize& clientSize) {
    const bool sized = clientSize.width() > 0 && clientSize.height() > 0;
    QImage fresh;
    if (sized) {
        fresh = QImage(clientSize, QImage::Format_RGB32);
        fresh.fill(Qt::black);
    }
    FrameView shown;
    std::unique_lock<std::mutex> lock(mutex_);
    // A frame that came before the view had a size is shown now rather than
    // a period later with the next one. One that comes while it is composed
    // still finds no size and waits too: it is taken in turn, or the first
    // frame would be lost to the race with the first resize.
    while (waiting_.usable()) {
        FrameView waiting;
        std::swap(waiting, waiting_);
        if (!sized) break;
        lock.unlock();
        QImage scratch;
        ComposeFrame(waiting, fresh, scratch);
        shown = std::move(waiting);
        lock.lock();
    }
    front_.swap(fresh);
    frontWrapped_ = false;
    client_ = front_.size();
    frontKind_ = Front::Composed;
    frontFrame_ = FrameView();
    holdsFrame_ = shown.usable() && !client_.isEmpty();
    if (shown.usable()) picture_ = QSize(shown.width, shown.height);
    ++generation_;
    lock.unlock();
    if (shown.usable() && composed_) composed_();
}

void LiveSurface::ComposeFrame(const FrameView& frame, QImage& target, QImage& frameRgb) {
    const QSize frameSize(frame.width, frame.height);
    const ViewMapping map = ViewMapping::Fit(frameSize, target.size());
    if (map.identity() && frameSize == target.size()) {
        ConvertFrameToRgb32(frame, target, target.width(), target.height());
    } else {
        QImage picture = FramePicture(frame, false);
        if (picture.isNull()) {
            if (frameRgb.size() != frameSize || frameRgb.format() != QImage::Format_RGB32)
                frameRgb = QImage(frameSize, QImage::Format_RGB32);
            ConvertFrameToRgb32(frame, frameRgb, frame.width, frame.height);
            picture = frameRgb;
        }
        const QRect shown = map.shown().intersected(target.rect());
        {
            QPainter p(&target);
            FillBars(p, target.rect(), shown, barColour());
        }
        if (!shown.isEmpty()) {
            // Scaled the way a painted 32-bit frame is, so both look the same.
            QImage area(target.bits() + std::ptrdiff_t(shown.y()) * target.bytesPerLine() +
                            std::ptrdiff_t(shown.x()) * 4,
                        shown.width(), shown.height(), target.bytesPerLine(), QImage::Format_RGB32);
            ScaleRgb32Nearest(picture, area, map.shown().size(),
                              shown.topLeft() - map.shown().topLeft());
        }
    }
    DrawOverlays(target, map, int(LiveLayer::Shapes), kLastLiveLayer);
}

void LiveSurface::Release() {
    QImage old;
    std::lock_guard<std::mutex> lock(mutex_);
    front_.swap(old);
    frontWrapped_ = false;
    client_ = QSize();
    frontKind_ = Front::Composed;
    frontFrame_ = FrameView();
    holdsFrame_ = false;
    ++generation_;
}

bool LiveSurface::holdsFrame() const {
    std::lock_guard<std::mutex> lock(mutex_);
    return holdsFrame_;
}

bool LiveSurface::hasSurface() const {
    std::lock_guard<std::mutex> lock(mutex_);
    return !client_.isEmpty();
}

QSize LiveSurface::size() const {
    std::lock_guard<std::mutex> lock(mutex_);
    return client_;
}

void LiveSurface::ClearSurface() {
    const QSize sz = size();
    if (sz.isEmpty()) return;
    QImage black(sz, QImage::Format_RGB32);
    black.fill(Qt::black);
    // The guides stay visible while no picture flows; live measurements
    // belong to a picture and do not.
    DrawOverlays(black, mapping(), int(LiveLayer::CrossLine), kLastLiveLayer);
    std::lock_guard<std::mutex> lock(mutex_);
    if (client_ != black.size()) return;
    front_.swap(black);
    frontWrapped_ = false;
    frontKind_ = Front::Composed;
    frontFrame_ = FrameView();
    holdsFrame_ = false;
}

void LiveSurface::SetPictureSize(const QSize& picture) {
    if (picture.isEmpty()) return;
    std::lock_guard<std::mutex> lock(mutex_);
    picture_ = picture;
}

ViewMapping LiveSurface::mapping() const {
    std::lock_guard<std::mutex> lock(mutex_);
    return ViewMapping::Fit(picture_, client_);
}

QRgb LiveSurface::barColour() const {
    return fullScreen_.load() ? qRgb(0, 0, 0) : barColour_.load();
}

void LiveSurface::EnterFullScreen(const QSize& clientSize) {
    fullScreen_.store(true);
    Recreate(clientSize);
}

void LiveSurface::LeaveFullScreen(const QSize& clientSize) {
    fullScreen_.store(false);
    Recreate(clientSize);
    ClearSurface();
}

void LiveSurface::SetOverlay(LiveLayer layer, LiveOverlay* overlay) {
    const int i = int(layer);
    if (i >= 0 && i < int(LiveLayer::Count)) overlays_[i].store(overlay);
}

void LiveSurface::DrawOverlays(QImage& target, const ViewMapping& map, int firstLayer,
                               int lastLayer) {
    bool any = false;
    for (int i = firstLayer; i <= lastLayer && !any; ++i)
        any = overlays_[i].load() != nullptr;
    // No painter is opened on a frame nothing is drawn over.
    if (!any) return;
    QPainter p(&target);
    DrawLayers(p, map, firstLayer, lastLayer);
}

void LiveSurface::DrawLayers(QPainter& painter, const ViewMapping& map, int firstLayer,
                             int lastLayer) const {
    for (int i = firstLayer; i <= lastLayer; ++i) {
        LiveOverlay* overlay = overlays_[i].load();
        if (!overlay) continue;
        painter.save();
        overlay->Draw(painter, map);
        painter.restore();
    }
}

bool LiveSurface::DrawFrame(const FrameView& frame) {
    if (!frame.usable()) return false;
    const QSize frameSize(frame.width, frame.height);
    QSize client;
    int generation = 0;
    {
        std::lock_guard<std::mutex> lock(mutex_);
        if (client_.isEmpty()) {
            // Kept for the view's first size; one that lives only for this
            // call is copied.
            waiting_ = frame.owner ? frame : OwnedCopy(frame);
            return false;
        }
        client = client_;
        generation = generation_;
    }
    const ViewMapping map = ViewMapping::Fit(frameSize, client);
    const bool oneToOne = map.identity() && frameSize == client;

    // A frame shown 1:1 that may be held is kept as it came and converted
    // straight into the window's picture when painted; a scaled frame is
    // kept at its own size and scaled there. Either way no view-sized copy
    // is made in between.
    Front kind = Front::Composed;
    if (forUpload_.load())
        kind = Front::Stretched;
    else if (oneToOne && frame.owner)
        kind = Front::Direct;
    else if (!oneToOne)
        // Scaled straight into the window when painted, with the overlays
        // drawn there: no view-sized copy in between.
        kind = Front::Stretched;

    // A 32-bit frame to be stretched is shown as it came, without a copy.
    QImage wrapped = kind == Front::Stretched ? FramePicture(frame, true) : QImage();
    if (kind != Front::Direct && wrapped.isNull()) {
        const QSize backSize = kind == Front::Stretched ? frameSize : client;
        if (backWrapped_ || back_.size() != backSize || back_.format() != QImage::Format_RGB32) {
            back_ = QImage(backSize, QImage::Format_RGB32);
            backWrapped_ = false;
        }
        if (kind == Front::Stretched)
            ConvertFrameToRgb32(frame, back_, backSize.width(), backSize.height());
        else
            ComposeFrame(frame, back_, frameRgb_);
    }

    FrameView old;  // let go outside the lock
    QImage retired; // likewise
    {
        std::lock_guard<std::mutex> lock(mutex_);
        // The view was re-created meanwhile: this frame was drawn for the old size.
        if (generation != generation_) return true;
        picture_ = frameSize;
        waiting_ = FrameView();
        if (kind == Front::Direct) {
            old = std::move(frontFrame_);
            frontFrame_ = frame;
            // The view-sized picture is not painted while frames are shown
            // 1:1 (1.2 MB at 640 × 480); clearing or re-creating the view
            // makes a new one.
            retired.swap(front_);
            frontWrapped_ = false;
        } else if (!wrapped.isNull()) {
            // back_ is left for the next frame that needs drawing.
            retired.swap(front_);
            front_.swap(wrapped);
            frontWrapped_ = true;
            old = std::move(frontFrame_);
            frontFrame_ = FrameView();
        } else {
            front_.swap(back_);
            // A frame's own pixels are never drawn into.
            backWrapped_ = frontWrapped_;
            frontWrapped_ = false;
            old = std::move(frontFrame_);
            frontFrame_ = FrameView();
        }
        frontKind_ = kind;
        holdsFrame_ = true;
    }
    if (composed_) composed_();
    return true;
}

namespace {

// The part of a 32-bit picture a painter paints `area` into, when the
// painter draws straight into such a picture without scaling or turning
// (a window's backing store); a null picture otherwise. Shares the pixels.
QImage DeviceWindow(QPainter& painter, const QRect& area) {
    QPaintEngine* engine = painter.paintEngine();
    QPaintDevice* device = engine ? engine->paintDevice() : nullptr;
    if (!device || device->devType() != QInternal::Image) return {};
    auto* image = static_cast<QImage*>(device);
    if (image->format() != QImage::Format_RGB32 &&
        image->format() != QImage::Format_ARGB32_Premultiplied)
        return {};
    const QTransform t = painter.deviceTransform();
    if (t.type() > QTransform::TxTranslate || image->devicePixelRatio() != 1.0) return {};
    const QPoint shift(int(t.dx()), int(t.dy()));
    if (t.dx() != double(shift.x()) || t.dy() != double(shift.y())) return {};
    const QRect target = area.translated(shift);
    if (!image->rect().contains(target)) return {};
    uchar* first = image->bits() + std::ptrdiff_t(target.y()) * image->bytesPerLine() +
                   std::ptrdiff_t(target.x()) * 4;
    return QImage(first, target.width(), target.height(), image->bytesPerLine(), image->format());
}

} // namespace

void LiveSurface::Paint(QPainter& painter, const QRect& rect) const {
    std::lock_guard<std::mutex> lock(mutex_);
    if (client_.isEmpty()) return;
    if (frontKind_ == Front::Composed) {
        if (!front_.isNull()) painter.drawImage(rect.topLeft(), front_, rect);
        return;
    }
    // Only the part asked for: the rest of the window's picture may hold
    // what other widgets drew.
    const QRect part = rect.intersected(QRect(QPoint(0, 0), client_));
    if (part.isEmpty()) return;
    // The picture painted now, whatever size the next frame brings.
    const QSize picture = frontKind_ == Front::Stretched
                              ? front_.size()
                              : QSize(frontFrame_.width, frontFrame_.height);
    const ViewMapping map = ViewMapping::Fit(picture, client_);
    if (frontKind_ == Front::Direct) {
        QImage window = DeviceWindow(painter, part);
        if (window.isNull()) {
            window = QImage(part.size(), QImage::Format_RGB32);
            ConvertFramePart(frontFrame_, window, part);
            painter.drawImage(part.topLeft(), window);
        } else {
            ConvertFramePart(frontFrame_, window, part);
        }
    } else {
        const QRect shown = map.shown();
        FillBars(painter, part, shown, barColour());
        const QRect inPicture = part.intersected(shown);
        QImage window = inPicture.isEmpty() ? QImage() : DeviceWindow(painter, inPicture);
        // Full screen is drawn smooth; a window, as its composed frames are.
        const bool smooth = fullScreen_.load();
        if (!window.isNull()) {
            const QPoint origin = inPicture.topLeft() - shown.topLeft();
            if (smooth)
                ScaleRgb32Smooth(front_, window, shown.size(), origin);
            else
                ScaleRgb32Nearest(front_, window, shown.size(), origin);
        } else if (!inPicture.isEmpty()) {
            painter.save();
            painter.setRenderHint(QPainter::SmoothPixmapTransform, smooth);
            painter.setClipRect(inPicture);
            painter.drawImage(shown, front_);
            painter.restore();
        }
    }
    DrawLayers(painter, map, int(LiveLayer::Shapes), kLastLiveLayer);
}

bool LiveSurface::WithFrame(
    const std::function<void(const QImage& frame, const QRect& shown)>& fn) const {
    std::lock_guard<std::mutex> lock(mutex_);
    if (frontKind_ != Front::Stretched || front_.isNull() || client_.isEmpty()) return false;
    fn(front_, ViewMapping::Fit(front_.size(), client_).shown());
    return true;
}

void LiveSurface::PaintOverlays(QPainter& painter) const {
    DrawLayers(painter, mapping(), int(LiveLayer::Shapes), kLastLiveLayer);
}

QImage LiveSurface::Snapshot() const {
    QImage out;
    {
        std::lock_guard<std::mutex> lock(mutex_);
        if (frontKind_ == Front::Composed) return front_.copy();
        out = QImage(client_, QImage::Format_RGB32);
    }
    out.fill(Qt::black);
    QPainter p(&out);
    Paint(p, out.rect());
    return out;
}

// ---- CLiveView ----

} // namespace tvx

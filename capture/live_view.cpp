#include "capture/live_view.h"

#include <QFontMetrics>
#include <QMetaObject>
#include <QPaintEvent>
#include <QPainter>
#include <QResizeEvent>
#include <cstring>

#if defined(__x86_64__) || defined(__i386__)
#define TVX_X86 1
#include <immintrin.h>
#define TVX_SSSE3 __attribute__((target("ssse3")))
#else
#define TVX_X86 0
#endif

namespace tvx {

namespace {

void ConvertRowScalar(const uint8_t* src, uint32_t* dst, int from, int cols) {
    for (int c = from; c < cols; ++c) {
        const uint8_t* p = src + std::ptrdiff_t(c) * 3;
        dst[c] = 0xFF000000u | (uint32_t(p[2]) << 16) | (uint32_t(p[1]) << 8) | p[0];
    }
}

#if TVX_X86
bool HasSsse3() {
    static const bool has = __builtin_cpu_supports("ssse3");
    return has;
}

// Sixteen pixels per step: three 16-byte loads give four groups of four
// pixels, each spread to 32 bits with an opaque alpha byte.
TVX_SSSE3 void ConvertRowSsse3(const uint8_t* src, uint32_t* dst, int cols) {
    const __m128i spread =
        _mm_setr_epi8(0, 1, 2, -128, 3, 4, 5, -128, 6, 7, 8, -128, 9, 10, 11, -128);
    const __m128i alpha = _mm_set1_epi32(int(0xFF000000u));
    int c = 0;
    for (; c + 16 <= cols; c += 16) {
        const uint8_t* p = src + std::ptrdiff_t(c) * 3;
        const __m128i a = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p));
        const __m128i b = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p + 16));
        const __m128i d = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p + 32));
        const __m128i q0 = a;
        const __m128i q1 = _mm_alignr_epi8(b, a, 12);
        const __m128i q2 = _mm_alignr_epi8(d, b, 8);
        const __m128i q3 = _mm_srli_si128(d, 4);
        __m128i* o = reinterpret_cast<__m128i*>(dst + c);
        _mm_storeu_si128(o, _mm_or_si128(_mm_shuffle_epi8(q0, spread), alpha));
        _mm_storeu_si128(o + 1, _mm_or_si128(_mm_shuffle_epi8(q1, spread), alpha));
        _mm_storeu_si128(o + 2, _mm_or_si128(_mm_shuffle_epi8(q2, spread), alpha));
        _mm_storeu_si128(o + 3, _mm_or_si128(_mm_shuffle_epi8(q3, spread), alpha));
    }
    ConvertRowScalar(src, dst, c, cols);
}
#endif

void ConvertRow(const uint8_t* src, uint32_t* dst, int cols) {
#if TVX_X86
    if (HasSsse3()) {
        ConvertRowSsse3(src, dst, cols);
        return;
    }
#endif
    ConvertRowScalar(src, dst, 0, cols);
}

bool UsableFrame(const FrameView& f) {
    return f.data && f.width > 0 && f.height > 0 && f.stride >= f.width * 3;
}

} // namespace

void ConvertFrameToRgb32(const FrameView& frame, QImage& dst, int cols, int rows) {
    if (!UsableFrame(frame) || dst.format() != QImage::Format_RGB32) return;
    cols = std::min({cols, frame.width, dst.width()});
    rows = std::min({rows, frame.height, dst.height()});
    for (int y = 0; y < rows; ++y) {
        // Frame rows are stored bottom-up.
        const uint8_t* src = frame.data + std::ptrdiff_t(frame.height - 1 - y) * frame.stride;
        ConvertRow(src, reinterpret_cast<uint32_t*>(dst.scanLine(y)), cols);
    }
}

// ---- LiveSurface ----

LiveSurface::LiveSurface() {
    for (auto& o : overlays_)
        o.store(nullptr);
}

void LiveSurface::Recreate(const QSize& clientSize) {
    QImage fresh;
    if (clientSize.width() > 0 && clientSize.height() > 0) {
        fresh = QImage(clientSize, QImage::Format_RGB32);
        fresh.fill(Qt::black);
    }
    std::lock_guard<std::mutex> lock(mutex_);
    front_.swap(fresh);
    ++generation_;
}

void LiveSurface::Release() {
    QImage old;
    std::lock_guard<std::mutex> lock(mutex_);
    front_.swap(old);
    ++generation_;
}

bool LiveSurface::hasSurface() const {
    std::lock_guard<std::mutex> lock(mutex_);
    return !front_.isNull();
}

QSize LiveSurface::size() const {
    std::lock_guard<std::mutex> lock(mutex_);
    return front_.size();
}

void LiveSurface::ClearSurface() {
    const QSize sz = size();
    if (sz.isEmpty()) return;
    QImage black(sz, QImage::Format_RGB32);
    black.fill(Qt::black);
    // The guides stay visible while no picture flows; live measurements
    // belong to a picture and do not.
    DrawOverlays(black, int(LiveLayer::CrossLine), int(LiveLayer::CircleGrid));
    std::lock_guard<std::mutex> lock(mutex_);
    if (front_.size() == black.size()) front_.swap(black);
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

void LiveSurface::DrawOverlays(QImage& target, int firstLayer, int lastLayer) {
    QPainter* painter = nullptr;
    QPainter p;
    for (int i = firstLayer; i <= lastLayer; ++i) {
        LiveOverlay* overlay = overlays_[i].load();
        if (!overlay) continue;
        if (!painter) {
            p.begin(&target);
            painter = &p;
        }
        painter->save();
        overlay->Draw(*painter, target.size(), 1.0, 1.0);
        painter->restore();
    }
}

bool LiveSurface::DrawFrame(const FrameView& frame) {
    if (!UsableFrame(frame)) return false;
    QSize client;
    int generation = 0;
    {
        std::lock_guard<std::mutex> lock(mutex_);
        if (front_.isNull()) return false;
        client = front_.size();
        generation = generation_;
    }
    const bool full = fullScreen_.load();
    // A 720 x 480 frame in the window is shown 1:1 with its right 80 columns
    // cut off; every other size, and every size in full screen, fills the view.
    QSize dest = client;
    if (!full && frame.width == 720 && frame.height == 480) dest.setWidth(client.width() + 80);

    if (back_.size() != client || back_.format() != QImage::Format_RGB32)
        back_ = QImage(client, QImage::Format_RGB32);

    if (dest.width() == frame.width && dest.height() == frame.height) {
        ConvertFrameToRgb32(frame, back_, client.width(), client.height());
    } else {
        if (frameRgb_.width() != frame.width || frameRgb_.height() != frame.height)
            frameRgb_ = QImage(frame.width, frame.height, QImage::Format_RGB32);
        ConvertFrameToRgb32(frame, frameRgb_, frame.width, frame.height);
        QPainter p(&back_);
        p.setCompositionMode(QPainter::CompositionMode_Source);
        p.setRenderHint(QPainter::SmoothPixmapTransform, full);
        p.drawImage(QRect(QPoint(0, 0), dest), frameRgb_);
    }
    DrawOverlays(back_, int(LiveLayer::Shapes), int(LiveLayer::CircleGrid));

    {
        std::lock_guard<std::mutex> lock(mutex_);
        // The view was re-created meanwhile: this frame was drawn for the old size.
        if (generation != generation_ || front_.size() != back_.size()) return true;
        front_.swap(back_);
    }
    if (composed_) composed_();
    return true;
}

void LiveSurface::Paint(QPainter& painter, const QRect& rect) const {
    std::lock_guard<std::mutex> lock(mutex_);
    if (front_.isNull()) return;
    painter.drawImage(rect.topLeft(), front_, rect);
}

QImage LiveSurface::Snapshot() const {
    std::lock_guard<std::mutex> lock(mutex_);
    return front_.copy();
}

// ---- CLiveView ----

CLiveView::CLiveView(QWidget* parent) : QWidget(parent) {
    setAttribute(Qt::WA_OpaquePaintEvent);
    textFont_.setPixelSize(18);
    surface_.SetComposedCallback([this] { RequestUpdate(); });
}

CLiveView::~CLiveView() {
    surface_.Release();
}

void CLiveView::RequestUpdate() {
    if (updatePending_.exchange(true)) return;
    updateRequests_.fetch_add(1);
    // Queued to this object: dropped by Qt if the view is gone by then.
    QMetaObject::invokeMethod(
        this,
        [this] {
            updatePending_.store(false);
            update();
        },
        Qt::QueuedConnection);
}

void CLiveView::SetCentreMessage(const QString& text) {
    centreMessage_ = text;
    update();
}

void CLiveView::SetFullScreenHint(const QString& text) {
    fullScreenHint_ = text;
    update();
}

void CLiveView::SetTextFont(const QFont& font) {
    textFont_ = font;
    update();
}

void CLiveView::ClearSurface() {
    surface_.ClearSurface();
    update();
}

void CLiveView::EnterFullScreen() {
    surface_.EnterFullScreen(size());
    update();
}

void CLiveView::LeaveFullScreen() {
    surface_.LeaveFullScreen(size());
    update();
}

void CLiveView::resizeEvent(QResizeEvent* event) {
    // Hidden widgets get their resize late, sometimes for the size they
    // already have; the picture on the surface is kept then.
    if (surface_.size() != event->size()) surface_.Recreate(event->size());
    QWidget::resizeEvent(event);
}

void CLiveView::paintEvent(QPaintEvent* event) {
    if (!surface_.hasSurface()) surface_.Recreate(size());
    QPainter p(this);
    surface_.Paint(p, event->rect());

    p.setFont(textFont_);
    const QFontMetrics fm(textFont_);
    const int w = width(), h = height();
    if (!centreMessage_.isEmpty()) {
        const int tw = fm.horizontalAdvance(centreMessage_);
        const int x = tw < w ? (w - tw) / 2 : 0;
        const int y = (h - fm.height()) / 2;
        p.setPen(QColor(0, 255, 0));
        p.drawText(QRect(x, y, std::max(tw, w - x), fm.height()), Qt::AlignLeft | Qt::AlignTop,
                   centreMessage_);
    }
    if (surface_.fullScreen() && !fullScreenHint_.isEmpty()) {
        const int tw = fm.horizontalAdvance(fullScreenHint_);
        const int x = tw + 4 < w ? w - tw - 4 : 0;
        p.setPen(QColor(255, 0, 0));
        p.drawText(QRect(x, 2, tw + 4, fm.height()), Qt::AlignLeft | Qt::AlignTop, fullScreenHint_);
    }
}

} // namespace tvx

#pragma once

#include "capture/frame_types.h"
#include "measure/view_mapping.h"

#include <QFont>
#include <QImage>
#include <QPoint>
#include <QRect>
#include <QSize>
#include <QString>
#include <atomic>
#include <functional>
#include <mutex>

class QPainter;

namespace tvx {

// Something drawn over the live picture on every frame (live measurements,
// guides) and into stills. It keeps its figures in picture pixels and draws
// them through `map`: over the view, where the picture is scaled to fit; into
// a still, the identity. Draw is called on the streaming thread, or on the UI
// thread (cleared surface, stills), so it must only read values that are safe
// to read from any thread.
class LiveOverlay {
public:
    virtual ~LiveOverlay() = default;
    virtual void Draw(QPainter& painter, const ViewMapping& map) = 0;
};

// The overlay slots, drawn in this order over each frame. The guides are
// CrossLine to the last.
enum class LiveLayer : int { Shapes = 0, CrossLine, Ruler, CircleGrid, ScaleBar, Count };
constexpr int kLastLiveLayer = int(LiveLayer::Count) - 1;

// Writes the bottom-up BGR24 frame as a top-down RGB32 picture: the first
// `cols` columns and `rows` rows (from the top) into dst, which must be at
// least that large.
void ConvertFrameToRgb32(const FrameView& frame, QImage& dst, int cols, int rows);

// Like ConvertFrameToRgb32, for the `part` of the frame (top-down
// coordinates), written at the top left of dst.
void ConvertFramePart(const FrameView& frame, QImage& dst, const QRect& part);

// Bilinear scaling of an RGB32 picture to `area`, written into dst from the
// area's `origin` on (the part of the area outside dst is left out). Runs on the calling
// thread only, unlike Qt's smooth drawing, which spreads big pictures over a
// thread pool.
void ScaleRgb32Smooth(const QImage& src, QImage& dst, const QSize& area,
                      const QPoint& origin = QPoint());

// Like ScaleRgb32Smooth, each pixel taken from the nearest source pixel, as
// the windowed view shows a scaled picture.
void ScaleRgb32Nearest(const QImage& src, QImage& dst, const QSize& area,
                       const QPoint& origin = QPoint());

// The off-screen picture of the live view, composed on the streaming thread
// and painted on the UI thread. Two pictures take turns: the streaming thread
// draws each frame into its own, then swaps it in under the lock, so the lock
// is held only for a swap and a paint.
class LiveSurface {
public:
    LiveSurface();

    // UI thread. Makes a black surface of the view's client size.
    void Recreate(const QSize& clientSize);
    // UI thread. No surface afterwards; DrawFrame answers false until Recreate.
    void Release();
    // UI thread. Black surface, with the guides over it.
    void ClearSurface();
    // UI thread, after the view has been resized for the new mode.
    void EnterFullScreen(const QSize& clientSize);
    void LeaveFullScreen(const QSize& clientSize);

    bool fullScreen() const { return fullScreen_.load(); }

    // The bars beside a picture of another shape than the view take the
    // colour of what surrounds the view; in full screen they are black.
    void SetBarColour(QRgb colour) { barColour_.store(colour); }
    QRgb barColour() const;

    // UI thread. The size of the pictures the view shows until the next
    // frame says otherwise (a changed capture size, a cleared view).
    void SetPictureSize(const QSize& picture);
    // Where the picture lands in the view: the whole frame, scaled to fit
    // with its aspect kept (any thread).
    ViewMapping mapping() const;

    // UI thread. While on, every frame is kept at its own size as a 32-bit
    // picture and never composed: the view hands it to the graphics
    // hardware, which stretches it (see WithFrame).
    void SetFramesForUpload(bool on) { forUpload_.store(on); }
    // UI thread. Calls fn with the kept frame and the part of the view it
    // fills (the rest are bars), under the surface's lock; false, without a
    // call, when the surface holds no such frame (cleared, or composed).
    bool WithFrame(const std::function<void(const QImage& frame, const QRect& shown)>& fn) const;
    // UI thread. The overlays, as over a frame painted at the view's size.
    void PaintOverlays(QPainter& painter) const;
    bool hasSurface() const;
    QSize size() const;
    // Whether what Paint paints now is a delivered frame rather than a
    // black or cleared view (any thread).
    bool holdsFrame() const;

    // Set once while the window is built; the overlay must outlive the surface.
    void SetOverlay(LiveLayer layer, LiveOverlay* overlay);
    // Called on the streaming thread after a new frame has been swapped in.
    // Set before frames flow.
    void SetComposedCallback(std::function<void()> fn) { composed_ = std::move(fn); }

    // Streaming thread. Composes one frame with its overlays; false without
    // a frame or without a surface.
    bool DrawFrame(const FrameView& frame);

    // Copies `rect` of the surface onto the painter at the same place. A
    // frame shown 1:1 is converted, and in full screen stretched, straight
    // into the window's picture when the painter draws into one, and its
    // overlays are drawn over it here (UI thread).
    void Paint(QPainter& painter, const QRect& rect) const;
    // A copy of the current surface (for tests and for grabbing the view).
    QImage Snapshot() const;

private:
    // The overlays of those layers over the picture as `map` shows it (either thread).
    void DrawLayers(QPainter& painter, const ViewMapping& map, int firstLayer, int lastLayer) const;
    void DrawOverlays(QImage& target, const ViewMapping& map, int firstLayer, int lastLayer);
    // The frame fitted into `target` (a view-sized picture) with its bars
    // and overlays; `frameRgb` is scratch for a frame that is scaled.
    void ComposeFrame(const FrameView& frame, QImage& target, QImage& frameRgb);

    mutable std::mutex mutex_;
    // What the view shows, and where its overlays are drawn.
    enum class Front {
        Composed,  // front_ is the view with its overlays
        Stretched, // front_ is the frame at its own size, stretched when painted
        Direct,    // frontFrame_ is the frame as delivered, converted when painted
    };
    // Guarded by mutex_; replaced by both threads.
    QImage front_;
    bool frontWrapped_ = false; // guarded by mutex_; front_ is a frame's own pixels
    FrameView frontFrame_;
    FrameView waiting_; // guarded by mutex_; a frame that came while there was no surface
    Front frontKind_ = Front::Composed;
    bool holdsFrame_ = false; // guarded by mutex_
    QSize client_;            // guarded by mutex_; the view's size, set by the UI thread
    QSize picture_{640, 480}; // guarded by mutex_; the shown pictures' size, set by both threads
    int generation_ = 0;      // guarded by mutex_; bumped by the UI thread on every re-creation
    std::atomic<bool> fullScreen_{false}; // written by the UI thread
    std::atomic<bool> forUpload_{false};  // written by the UI thread
    std::atomic<QRgb> barColour_{0xff000000u};

    // Streaming thread only.
    QImage back_;
    bool backWrapped_ = false; // back_ is a frame's own pixels, never drawn into
    QImage frameRgb_;

    std::atomic<LiveOverlay*> overlays_[int(LiveLayer::Count)]; // written by the UI thread at setup
    std::function<void()> composed_;                            // set before frames flow
};

} // namespace tvx

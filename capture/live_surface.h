#pragma once

#include "capture/frame_types.h"

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
// guides). Draw is called on the streaming thread, or on the UI thread when
// the surface is cleared, so it must only read values that are safe to read
// from any thread. sx and sy scale stored coordinates to surface pixels.
class LiveOverlay {
public:
    virtual ~LiveOverlay() = default;
    virtual void Draw(QPainter& painter, const QSize& surface, double sx, double sy) = 0;
    // Into a saved still of `picture` size (UI thread). Guides are placed by
    // the picture's own size rather than the view's, so an overlay may draw
    // differently there; by default it draws as over a frame.
    virtual void DrawOnPicture(QPainter& painter, const QSize& picture, double shapeScale) {
        Draw(painter, picture, shapeScale, shapeScale);
    }
};

// The overlay slots, drawn in this order over each frame.
enum class LiveLayer : int { Shapes = 0, CrossLine, Ruler, CircleGrid, Count };

// Writes the bottom-up BGR24 frame as a top-down RGB32 picture: the first
// `cols` columns and `rows` rows (from the top) into dst, which must be at
// least that large.
void ConvertFrameToRgb32(const FrameView& frame, QImage& dst, int cols, int rows);

// The size a frame is drawn at in a view of `client` size: the view's own,
// except that a 720 x 480 frame in the window is shown 1:1 with its right
// 80 columns cut off.
QSize FrameDestination(const QSize& frame, const QSize& client, bool fullScreen);

// Like ConvertFrameToRgb32, for the `part` of a view showing the frame 1:1
// from its top-left corner, written at the top left of dst.
void ConvertFramePart(const FrameView& frame, QImage& dst, const QRect& part);

// Bilinear scaling of an RGB32 picture to `area`, written into dst from the
// area's `origin` on (the part of the area outside dst is left out). Runs on the calling
// thread only, unlike Qt's smooth drawing, which spreads big pictures over a
// thread pool.
void ScaleRgb32Smooth(const QImage& src, QImage& dst, const QSize& area,
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

    // UI thread. While on, every frame is kept at its own size as a 32-bit
    // picture and never composed: the view hands it to the graphics
    // hardware, which stretches it (see WithFrame).
    void SetFramesForUpload(bool on) { forUpload_.store(on); }
    // UI thread. Calls fn with the kept frame and the part of it the view
    // shows (all of it, or a 720 x 480 frame's left part in the window),
    // under the surface's lock; false, without a call, when the surface
    // holds no such frame (cleared, or composed).
    bool WithFrame(const std::function<void(const QImage& frame, const QRect& shown)>& fn) const;
    // UI thread. The overlays, as over a frame painted at the view's size.
    void PaintOverlays(QPainter& painter) const;
    bool hasSurface() const;
    QSize size() const;

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
    void DrawOverlays(QImage& target, int firstLayer, int lastLayer);
    // The overlays of those layers over a picture of `size` (either thread).
    void DrawLayers(QPainter& painter, const QSize& size, int firstLayer, int lastLayer) const;

    mutable std::mutex mutex_;
    // What the view shows, and where its overlays are drawn.
    enum class Front {
        Composed,  // front_ is the view with its overlays
        Stretched, // front_ is the frame at its own size, stretched when painted
        Direct,    // frontFrame_ is the frame as delivered, converted when painted
    };
    // Guarded by mutex_; replaced by both threads.
    QImage front_;
    FrameView frontFrame_;
    Front frontKind_ = Front::Composed;
    QSize client_;       // guarded by mutex_; the view's size, set by the UI thread
    int generation_ = 0; // guarded by mutex_; bumped by the UI thread on every re-creation
    std::atomic<bool> fullScreen_{false}; // written by the UI thread
    std::atomic<bool> forUpload_{false};  // written by the UI thread

    // Streaming thread only.
    QImage back_;
    QImage frameRgb_;

    std::atomic<LiveOverlay*> overlays_[int(LiveLayer::Count)]; // written by the UI thread at setup
    std::function<void()> composed_;                            // set before frames flow
};

} // namespace tvx

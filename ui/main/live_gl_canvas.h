#pragma once

#include <QOpenGLFunctions>
#include <QOpenGLShaderProgram>
#include <QOpenGLWidget>
#include <QSize>
#include <functional>
#include <memory>

class QPainter;

namespace tvx {

class LiveSurface;

// The live picture drawn by the graphics hardware: each frame is uploaded at
// its own size and stretched over the view by the GPU, so full screen costs
// the processor no more than the window. The overlays and texts are painted
// over it as on the processor's path. It covers the live view and lets the
// mouse through to it.
class LiveGlCanvas : public QOpenGLWidget, protected QOpenGLFunctions {
public:
    // paintTexts draws the view's messages over the picture.
    LiveGlCanvas(LiveSurface& surface, std::function<void(QPainter&)> paintTexts, QWidget* parent);
    ~LiveGlCanvas() override;

    // Whether the live view should use this canvas: the machine has a
    // graphics device and the platform offers OpenGL from it, not a software
    // renderer, which would cost more than the processor's own path.
    // TAVOLUX_LIVE_GL=1 asks for the canvas whatever the renderer, 0 never.
    // Must be known before the window is first shown: a canvas added later
    // makes the platform create the window anew.
    static bool Wanted();

    // Whether the last paint showed a frame (rather than a cleared view).
    bool drewFrame() const { return drewFrame_; }

protected:
    void initializeGL() override;
    void paintGL() override;

private:
    // The frame into `shown`, the part of the view it fills; black around it.
    void DrawTexture(const QRect& shown);

    LiveSurface& surface_;
    std::function<void(QPainter&)> paintTexts_;
    std::unique_ptr<QOpenGLShaderProgram> program_; // belongs to the current context
    GLuint texture_ = 0;
    QSize textureSize_;
    bool ready_ = false;
    bool drewFrame_ = false;
};

} // namespace tvx

#include "ui/main/live_gl_canvas.h"

#include "capture/live_surface.h"

#include <QDir>
#include <QElapsedTimer>
#include <QGuiApplication>
#include <QImage>
#include <QLoggingCategory>
#include <QOffscreenSurface>
#include <QOpenGLContext>
#include <QPainter>
#include <algorithm>

namespace tvx {

Q_LOGGING_CATEGORY(lcLiveGl, "tavolux.capture")

namespace {

// The frame's bytes are uploaded as they lie in memory (blue, green, red,
// alpha in a 32-bit picture), so the shader puts the channels back in
// order: no conversion on the processor.
const char* const kVertexShader = R"(
attribute highp vec2 position;
attribute highp vec2 texCoord;
varying highp vec2 v;
void main() {
    v = texCoord;
    gl_Position = vec4(position, 0.0, 1.0);
}
)";

const char* const kFragmentShader = R"(
varying highp vec2 v;
uniform sampler2D frame;
void main() {
    gl_FragColor = vec4(texture2D(frame, v).bgr, 1.0);
}
)";

bool SoftwareRenderer(const QByteArray& renderer) {
    const QByteArray r = renderer.toLower();
    return r.isEmpty() || r.contains("llvmpipe") || r.contains("softpipe") ||
           r.contains("swrast") || r.contains("software");
}

} // namespace

LiveGlCanvas::LiveGlCanvas(LiveSurface& surface, std::function<void(QPainter&)> paintTexts,
                           QWidget* parent)
    : QOpenGLWidget(parent), surface_(surface), paintTexts_(std::move(paintTexts)) {
    setAttribute(Qt::WA_TransparentForMouseEvents);
    setFocusPolicy(Qt::NoFocus);
}

LiveGlCanvas::~LiveGlCanvas() {
    if (!context()) return;
    makeCurrent();
    if (texture_) glDeleteTextures(1, &texture_);
    program_.reset();
    doneCurrent();
}

bool LiveGlCanvas::Wanted() {
    const QByteArray force = qgetenv("TAVOLUX_LIVE_GL");
    if (force == "0") return false;
    // Platforms without a screen have no hardware to hand the picture to.
    const QString platform = QGuiApplication::platformName();
    if (platform == QLatin1String("offscreen") || platform == QLatin1String("minimal"))
        return false;
    // Without a render node there is no graphics hardware to ask, and
    // loading OpenGL only to hear so would slow the start.
    const bool renderNode = !QDir(QStringLiteral("/dev/dri"))
                                 .entryList({QStringLiteral("renderD*")}, QDir::System)
                                 .isEmpty();
    if (!renderNode && force != "1") return false;
    QElapsedTimer took;
    took.start();
    QOffscreenSurface probe;
    probe.create();
    QOpenGLContext context;
    if (!context.create() || !context.makeCurrent(&probe)) {
        qCInfo(lcLiveGl) << "live view: no OpenGL context, the processor draws the picture";
        return false;
    }
    const auto* text = reinterpret_cast<const char*>(context.functions()->glGetString(GL_RENDERER));
    const QByteArray renderer(text ? text : "");
    context.doneCurrent();
    const bool software = SoftwareRenderer(renderer);
    qCInfo(lcLiveGl) << "live view: OpenGL renderer" << renderer << "found in" << took.elapsed()
                     << "ms"
                     << (software && force != "1" ? "is software, the processor draws the picture"
                                                  : "stretches the picture");
    return force == "1" || !software;
}

void LiveGlCanvas::initializeGL() {
    initializeOpenGLFunctions();
    // A new context has neither the program nor the texture of the old one.
    program_ = std::make_unique<QOpenGLShaderProgram>();
    ready_ = program_->addShaderFromSourceCode(QOpenGLShader::Vertex, kVertexShader) &&
             program_->addShaderFromSourceCode(QOpenGLShader::Fragment, kFragmentShader) &&
             program_->link();
    if (!ready_) qCWarning(lcLiveGl) << "live view shaders:" << program_->log();
    texture_ = 0;
    textureSize_ = QSize();
    glGenTextures(1, &texture_);
    glBindTexture(GL_TEXTURE_2D, texture_);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_LINEAR);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_LINEAR);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_S, GL_CLAMP_TO_EDGE);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_T, GL_CLAMP_TO_EDGE);
}

void LiveGlCanvas::paintGL() {
    bool drawn = false;
    if (ready_) {
        QRect shown;
        drawn = surface_.WithFrame([&](const QImage& frame, const QRect& where) {
            glBindTexture(GL_TEXTURE_2D, texture_);
            glPixelStorei(GL_UNPACK_ALIGNMENT, 4);
            if (textureSize_ != frame.size()) {
                glTexImage2D(GL_TEXTURE_2D, 0, GL_RGBA, frame.width(), frame.height(), 0, GL_RGBA,
                             GL_UNSIGNED_BYTE, frame.constBits());
                textureSize_ = frame.size();
            } else {
                glTexSubImage2D(GL_TEXTURE_2D, 0, 0, 0, frame.width(), frame.height(), GL_RGBA,
                                GL_UNSIGNED_BYTE, frame.constBits());
            }
            shown = where;
        });
        if (drawn) DrawTexture(shown);
    }
    drewFrame_ = drawn;
    QPainter painter(this);
    if (drawn)
        surface_.PaintOverlays(painter);
    else
        surface_.Paint(painter, rect()); // a cleared view: black with its guides
    if (paintTexts_) paintTexts_(painter);
}

void LiveGlCanvas::DrawTexture(const QRect& shown) {
    // The bars beside the picture, in the surface's colour for them.
    const QColor bars = QColor::fromRgb(surface_.barColour());
    glClearColor(GLfloat(bars.redF()), GLfloat(bars.greenF()), GLfloat(bars.blueF()), 1);
    glClear(GL_COLOR_BUFFER_BIT);
    // The picture's first row is its top: it goes to the top of its place.
    const double w = std::max(width(), 1), h = std::max(height(), 1);
    const GLfloat l = GLfloat(2 * shown.left() / w - 1),
                  r = GLfloat(2 * (shown.left() + shown.width()) / w - 1);
    const GLfloat t = GLfloat(1 - 2 * shown.top() / h),
                  b = GLfloat(1 - 2 * (shown.top() + shown.height()) / h);
    const GLfloat position[] = {l, t, r, t, l, b, r, b};
    const GLfloat texCoord[] = {0, 0, 1, 0, 0, 1, 1, 1};
    glDisable(GL_BLEND);
    glDisable(GL_DEPTH_TEST);
    program_->bind();
    program_->setUniformValue("frame", 0);
    glActiveTexture(GL_TEXTURE0);
    glBindTexture(GL_TEXTURE_2D, texture_);
    const int pos = program_->attributeLocation("position");
    const int tex = program_->attributeLocation("texCoord");
    program_->enableAttributeArray(pos);
    program_->enableAttributeArray(tex);
    program_->setAttributeArray(pos, GL_FLOAT, position, 2);
    program_->setAttributeArray(tex, GL_FLOAT, texCoord, 2);
    glDrawArrays(GL_TRIANGLE_STRIP, 0, 4);
    program_->disableAttributeArray(pos);
    program_->disableAttributeArray(tex);
    program_->release();
}

} // namespace tvx

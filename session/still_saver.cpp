#include "session/still_saver.h"

#include "imaging/dib.h"
#include "platform/language.h"
#include "session/still_names.h"

#include <QCoreApplication>
#include <QDir>
#include <QPaintDevice>
#include <QPaintEngine>
#include <QPainter>
#include <QSemaphore>
#include <QThread>
#include <QThreadPool>
#include <cerrno>
#include <cstring>

namespace tvx {

void OverlayCompositor::Compose(QPainter& painter, const QSize& picture) {
    const ViewMapping map = ViewMapping::Identity(picture);
    for (LiveLayer layer :
         {LiveLayer::CrossLine, LiveLayer::Ruler, LiveLayer::CircleGrid, LiveLayer::ScaleBar})
        if (LiveOverlay* o = overlays_[int(layer)]) o->Draw(painter, map);
    if (LiveOverlay* shapes = overlays_[int(LiveLayer::Shapes)]) shapes->Draw(painter, map);
}

namespace {

// A paint device that draws nothing and only notes whether anything was
// asked to be drawn. A still whose overlays ask for nothing is written from
// the frame's own bytes, with no detour through a 32-bit picture.
class DrawProbeEngine : public QPaintEngine {
public:
    DrawProbeEngine() : QPaintEngine(QPaintEngine::AllFeatures) {}
    bool drew = false;

    bool begin(QPaintDevice*) override { return true; }
    bool end() override { return true; }
    void updateState(const QPaintEngineState&) override {}
    Type type() const override { return QPaintEngine::User; }
    void drawRects(const QRect*, int) override { drew = true; }
    void drawRects(const QRectF*, int) override { drew = true; }
    void drawLines(const QLine*, int) override { drew = true; }
    void drawLines(const QLineF*, int) override { drew = true; }
    void drawEllipse(const QRectF&) override { drew = true; }
    void drawEllipse(const QRect&) override { drew = true; }
    void drawPath(const QPainterPath&) override { drew = true; }
    void drawPoints(const QPointF*, int) override { drew = true; }
    void drawPoints(const QPoint*, int) override { drew = true; }
    void drawPolygon(const QPointF*, int, PolygonDrawMode) override { drew = true; }
    void drawPolygon(const QPoint*, int, PolygonDrawMode) override { drew = true; }
    void drawPixmap(const QRectF&, const QPixmap&, const QRectF&) override { drew = true; }
    void drawTextItem(const QPointF&, const QTextItem&) override { drew = true; }
    void drawTiledPixmap(const QRectF&, const QPixmap&, const QPointF&) override { drew = true; }
    void drawImage(const QRectF&, const QImage&, const QRectF&, Qt::ImageConversionFlags) override {
        drew = true;
    }
};

// Measures like the 32-bit picture the overlays would otherwise draw on, so
// they place everything as they would there.
class DrawProbe : public QPaintDevice {
public:
    explicit DrawProbe(const QSize& size) : like_(1, 1, QImage::Format_RGB32), size_(size) {}
    QPaintEngine* paintEngine() const override { return &engine_; }
    bool drew() const { return engine_.drew; }

protected:
    int metric(PaintDeviceMetric m) const override {
        switch (m) {
        case PdmWidth:
            return size_.width();
        case PdmHeight:
            return size_.height();
        case PdmWidthMM:
            return qRound(size_.width() * 1000.0 / like_.dotsPerMeterX());
        case PdmHeightMM:
            return qRound(size_.height() * 1000.0 / like_.dotsPerMeterY());
        default:
            return like_.metric(m);
        }
    }

private:
    // QImage::metric is protected; a subclass may ask.
    struct Like : QImage {
        using QImage::metric;
        using QImage::QImage;
    } like_;
    QSize size_;
    mutable DrawProbeEngine engine_;
};

// Qt's raster engine cuts a long run of spans (a line the height of the
// picture) into pieces for the global thread pool and waits for them, unless
// it already runs on one of that pool's threads. For the few lines over a
// still those hand-offs cost several times the drawing itself, so the
// drawing goes to one pool thread whole. With no pool thread free it is done
// here, cut up as Qt sees fit. The overlays are drawn off the UI thread for
// the live view all the time, so another thread is nothing new to them.
template <typename Job> void DrawOnOnePoolThread(Job&& job) {
    QThreadPool* pool = QThreadPool::globalInstance();
    if (pool->contains(QThread::currentThread())) {
        job();
        return;
    }
    QSemaphore done;
    if (pool->tryStart([&job, &done] {
            job();
            done.release();
        }))
        done.acquire();
    else
        job();
}

} // namespace

bool OverlayCompositor::Draws(const QSize& picture) {
    DrawProbe probe(picture);
    QPainter painter(&probe);
    Compose(painter, picture);
    painter.end();
    return probe.drew();
}

QString StillFailureText(const QString& folder, const QString& reason, int systemError) {
    QString cause;
    switch (systemError) {
    case ENOSPC:
    case EDQUOT:
        cause = Text("DiskFull", "The disk is full.");
        break;
    case EACCES:
    case EPERM:
    case EROFS:
        cause = Text("NoPermission", "There is no permission to write in this folder.");
        break;
    case ENOENT:
    case ENOTDIR:
        cause = Text("FolderMissing", "The folder is missing and could not be made again.");
        break;
    default:
        cause = reason;
        break;
    }
    return Text("SaveStillFail", "The picture could not be saved in:") + QLatin1Char('\n') +
           QDir::toNativeSeparators(folder) + QLatin1Char('\n') + cause;
}

QByteArray EncodeStill(const StillPicture& still, StillCompositor* compositor,
                       const StillFormat& format, QImage* scratch) {
    QByteArray bytes;
    const QSize size(still.width, still.height);
    if (format.tiff) {
        QImage picture =
            ImageFromBottomUpBgr(still.pixels.data(), still.width, still.height, still.stride);
        if (!picture.isNull() && compositor && compositor->Draws(size)) {
            QPainter painter(&picture);
            compositor->Compose(painter, picture.size());
        }
        bytes = EncodeTiffWithScale(picture, format.scale,
                                    QStringLiteral("Tavolux ") +
                                        QCoreApplication::applicationVersion());
    } else if (!compositor || !compositor->Draws(size)) {
        bytes =
            EncodeBmpFromBottomUpBgr(still.pixels.data(), still.width, still.height, still.stride);
    } else if (ImageSizeAcceptable(still.width, still.height)) {
        // The overlays are drawn on the frame's own 24-bit pixels, turned
        // top-down: they touch a few rows and columns, and nothing else of
        // the picture is converted on the way to the file.
        QImage fresh;
        QImage& picture = scratch ? *scratch : fresh;
        if (picture.size() != size || picture.format() != QImage::Format_BGR888)
            picture = QImage(size, QImage::Format_BGR888);
        const std::size_t rowBytes = std::size_t(still.width) * 3;
        for (int y = 0; y < still.height; ++y)
            std::memcpy(picture.scanLine(y),
                        still.pixels.data() + std::ptrdiff_t(still.height - 1 - y) * still.stride,
                        rowBytes);
        DrawOnOnePoolThread([compositor, &picture] {
            QPainter painter(&picture);
            compositor->Compose(painter, picture.size());
        });
        bytes = EncodeBmpFromBottomUpBgr(picture.constScanLine(still.height - 1), still.width,
                                         still.height, -int(picture.bytesPerLine()));
    }
    return bytes;
}

StillSaveResult StillSaver::Save(const StillPicture& still, const QString& magnification,
                                 const QDateTime& localTime, StillCompositor* compositor,
                                 const StillFormat& format) const {
    StillSaveResult result;
    const MatchingFolderHandler countFolder = [&result](const QString&) {
        ++result.matchingFolders;
    };
    if (still.empty()) {
        // The folder is looked at all the same: what the scan tells the user
        // comes with every request.
        NextPictureCounter(folder_, countFolder);
        result.reason = Text("NoStillFrame", "There is no picture from the microscope yet.");
        return result;
    }

    const QByteArray bytes = EncodeStill(still, compositor, format, &scratch_);
    result.status = StillSaveResult::Status::Failed;
    if (bytes.isEmpty()) {
        result.reason =
            StillFailureText(folder_, QStringLiteral("the picture could not be encoded"));
        return result;
    }
    // Committed under a name nobody holds: a picture is never replaced, not
    // even by one saved in the same second by another instance.
    const NewFile file = SaveNewStillPicture(
        folder_, localTime, magnification, bytes,
        format.tiff ? QStringLiteral("tif") : QStringLiteral("bmp"), &counters_, countFolder);
    if (!file.ok()) {
        result.reason = StillFailureText(folder_, file.reason, file.error);
        return result;
    }
    result.status = StillSaveResult::Status::Saved;
    result.path = file.path;
    return result;
}

} // namespace tvx

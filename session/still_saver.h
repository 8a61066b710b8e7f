#pragma once

#include "capture/frame_sink.h"
#include "capture/live_surface.h"
#include "imaging/tiff_scale.h"
#include "session/still_names.h"

#include <QDateTime>
#include <QImage>
#include <QSize>
#include <QString>

class QPainter;

namespace tvx {

// Draws what belongs over a saved still (guides, live measurements) onto it.
// Provided by whoever shows them; called on the UI thread.
class StillCompositor {
public:
    virtual ~StillCompositor() = default;
    // Everything is drawn in the picture's own pixels.
    virtual void Compose(QPainter& painter, const QSize& picture) = 0;
    // Whether Compose would draw anything; a still over which nothing is
    // drawn is written straight from the frame's bytes. Unknown: yes.
    virtual bool Draws(const QSize& /*picture*/) { return true; }
};

// The compositor of the live view's overlays, drawn as over the view but
// with the picture 1:1. Overlays must outlive it; null slots are skipped.
class OverlayCompositor : public StillCompositor {
public:
    void SetOverlay(LiveLayer layer, LiveOverlay* overlay) { overlays_[int(layer)] = overlay; }
    void Compose(QPainter& painter, const QSize& picture) override;
    // Asks the overlays to draw on a device that only notes whether they did.
    bool Draws(const QSize& picture) override;

private:
    LiveOverlay* overlays_[int(LiveLayer::Count)] = {};
};

// How a still is written: a BMP, or a TIFF that carries its pixel size.
struct StillFormat {
    bool tiff = false;
    PixelScale scale; // written into a TIFF
};

struct StillSaveResult {
    enum class Status { Saved, NoFrame, Failed };
    Status status = Status::NoFrame;
    QString path;   // the file written (Saved)
    QString reason; // the message for the user when nothing was saved
    // Folders named like a still that the count of stills met (each is a
    // message for the user, whatever became of the still).
    int matchingFolders = 0;

    bool saved() const { return status == Status::Saved; }
};

// The user's message for a still that could not be written to `folder`:
// the cause (disk full, no permission, folder missing) told by the errno of
// the failure; `reason` stands as it is for any other error, and for a
// failure that was not the system's (`systemError` 0).
QString StillFailureText(const QString& folder, const QString& reason, int systemError = 0);

// The file's bytes of a kept frame with the compositor's drawing over it:
// a 24-bit BMP, or the TIFF the format asks for. Empty when it cannot be
// encoded. A BMP with drawing is drawn in `scratch` when given: kept between
// stills, a picture of a few megabytes costs less than a fresh one's
// first-touch page faults.
QByteArray EncodeStill(const StillPicture& still, StillCompositor* compositor,
                       const StillFormat& format = {}, QImage* scratch = nullptr);

// Writes a kept frame as the next numbered still picture (24-bit BMP) of a
// folder, with the compositor's drawing over it. A missing folder is made
// again first; an existing file is never replaced. UI thread.
class StillSaver {
public:
    explicit StillSaver(QString pictureFolder = QString()) : folder_(std::move(pictureFolder)) {}
    void SetFolder(const QString& pictureFolder) { folder_ = pictureFolder; }
    const QString& folder() const { return folder_; }

    // The folder is scanned for a request without a frame (what the scan
    // finds is told to the user), and for one with a frame when something
    // other than this saver changed it since its last still; the result
    // counts the folders named like a still the scan met.
    StillSaveResult Save(const StillPicture& still, const QString& magnification,
                         const QDateTime& localTime, StillCompositor* compositor,
                         const StillFormat& format = {}) const;

private:
    QString folder_;
    mutable PictureCounterCache counters_;
    mutable QImage scratch_; // what stills are drawn in; UI thread
};

} // namespace tvx

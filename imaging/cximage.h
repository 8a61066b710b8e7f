#pragma once

#include <QByteArray>
#include <QImage>
#include <QString>

class QPainter;

namespace tvx {

// Type codes the program hands the image library.
inline constexpr int kImageTypeNone = 0;
inline constexpr int kImageTypeBmp = 1;
inline constexpr int kImageTypeJpg = 3;
inline constexpr int kImageTypePng = 4;

// The type a stored file is handled as, from the end of its path without
// regard to case: "bmp" → 1, "jpg" or "jpeg" → 3, "png" → 4, anything else
// 0 (the file is not handed to the library).
int ImageTypeFromPath(const QString& path);

// One picture, loaded from or saved to BMP or JPEG. Pixels are kept as RGB32
// so that painting them scaled stays cheap. Not shared between threads.
class CxImage {
public:
    // An empty image (type 0) waiting for CreateFromHBITMAP; it is not valid
    // until filled.
    explicit CxImage(int type = kImageTypeNone);
    // Decodes the whole file as the given type (1 BMP, 3 JPEG, 4 PNG). Any
    // failure (missing, not a regular file, unreadable, damaged, too large,
    // wrong type) leaves the image invalid, with the reason in LastError();
    // nothing is thrown, and a FIFO in the file's place is never waited on.
    CxImage(const QString& path, int type);

    // Decodes bytes as the given type; false (and an invalid image) on failure.
    bool LoadFromMemory(const QByteArray& bytes, int type);
    // Why the last load or save failed; empty after a success.
    QString LastError() const { return error_; }

    bool IsValid() const { return !image_.isNull(); }
    int GetWidth() const { return image_.width(); }
    int GetHeight() const { return image_.height(); }

    // Copies the rendered picture in; false when it is null or larger than
    // the program handles.
    bool CreateFromHBITMAP(const QImage& picture);

    // Writes the picture as type 1 (24-bit BMP), 3 (JPEG) or 4 (PNG). The bytes go to a
    // temporary file beside the destination that replaces it only when
    // complete, so a failure never leaves half a file or harms an existing
    // one. True only when the file is in place.
    bool Save(const QString& path, int type) const;

    // The file's bytes as Save would write them; empty on failure.
    QByteArray Encode(int type) const;

    // Paints the picture scaled into the rectangle, replacing what was there
    // (the source-copy raster operation), nearest pixel as the zoom needs.
    void Stretch(QPainter& painter, int x, int y, int width, int height) const;

    // Releases the pixel memory; the object stays usable (and invalid).
    void DestroyFrames() { image_ = QImage(); }
    void Destroy() { image_ = QImage(); }

    const QImage& image() const { return image_; }

private:
    QImage image_; // RGB32, or null
    mutable QString error_;
};

} // namespace tvx

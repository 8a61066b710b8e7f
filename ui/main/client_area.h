#pragma once

#include <QColor>
#include <QFont>
#include <QPixmap>
#include <QRect>
#include <QWidget>

namespace tvx {

// The fonts of the seconds counter and of the resolution text.
QFont SecondsFont();
QFont ResolutionFont();

// The window's client area: the background skin, the file-list tab picture,
// the resolution text and the recording seconds, with the live picture, file
// list, buttons and boxes placed on it. The file list and the live picture
// are laid out to fill the area, whatever its size; the skin's panels are
// drawn around them.
class CClientArea : public QWidget {
    Q_OBJECT
public:
    // The smallest area, and the first-run size.
    static constexpr int kWidth = 860;
    static constexpr int kHeight = 610;
    // Where the live picture sits on the smallest area outside full screen.
    static constexpr QRect kPictureRect{204, 52, 640, 480};
    // The live picture's panel: the bars beside a picture of another shape
    // than its place take its colour, so the picture reads as framed by it.
    static constexpr QRgb kPanelColour = 0xff1d242du;

    explicit CClientArea(QWidget* parent = nullptr);

    // Lays out the toolbar band, the file list and the live picture; the
    // footer (the status strip) goes between the name and the model line at
    // the foot.
    void Arrange(QWidget* toolbar, QWidget* list, QWidget* live, QWidget* footer);
    // Where the tab of a list (1 pictures, 0 videos) takes clicks.
    QRect TabZone(int mode) const;

    void setResolutionText(const QString& text, const QFont& font);
    // Seconds shown under the picture while recording; -1 hides the counter.
    void setRecordingSeconds(int seconds, const QFont& font);
    // 1 pictures, 0 videos: which tab picture is drawn.
    void setListMode(int mode);
    void setFullScreen(bool on);

    QString resolutionText() const { return resolution_; }
    int recordingSeconds() const { return seconds_; }
    // What the counter says, and the plate it is drawn on.
    QString SecondsText() const;
    QRect SecondsPlate() const;

protected:
    void paintEvent(QPaintEvent* e) override;

private:
    QPoint tabAt() const;
    QPoint resolutionAt() const;
    QPoint secondsAt() const;
    void paintPanels(QPainter& p) const;

    QWidget* list_ = nullptr;
    QWidget* live_ = nullptr;
    QString resolution_;
    QFont resolutionFont_;
    QFont secondsFont_;
    int seconds_ = -1;
    int listMode_ = 1;
    bool fullScreen_ = false;
};

} // namespace tvx

#pragma once

#include "media/video_playback.h"

#include <QDialog>
#include <QPixmap>
#include <QTimer>
#include <functional>

class QLabel;
class QSlider;

namespace tvx {

class CBitmapButton;
class CLatchButton;

// The 580 × 406 area the video is painted into, scaled to fit with its
// proportions kept, black around it.
class CVideoArea : public QWidget {
    Q_OBJECT
public:
    explicit CVideoArea(const VideoPlayback& playback, QWidget* parent = nullptr);
    // Repaints when the playback has a frame the area has not shown yet.
    void ShowNewFrame();
    uint64_t ShownSerial() const { return shown_; }

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    const VideoPlayback& playback_;
    uint64_t shown_ = ~uint64_t(0);
};

// The Video Player: plays one file in a fixed area with First, Backward,
// Play, Forward, Last and Stop (and a hidden Pause), a position slider in
// tenths of a second and a "position / duration" readout. Play shows a
// pause symbol while the video plays; the stepping buttons work whenever a
// file is open. Opened modally by the main window on the selected
// video of the file list.
class VideoPlayerDialog : public QDialog {
    Q_OBJECT
public:
    // `stillSelected` answers whether the file list still has a selected
    // entry (Play does nothing without one); none means it always has.
    explicit VideoPlayerDialog(const QString& path, std::function<bool()> stillSelected = {},
                               QWidget* parent = nullptr);
    ~VideoPlayerDialog() override;

    const VideoPlayback& playback() const { return playback_; }
    // Why the file could not be opened, empty when it was.
    QString OpenError() const { return openError_; }
    bool PositionTimerActive() const { return positionTimer_.isActive(); }

public slots:
    void OnFirst();
    void OnBackward();
    void OnPlay();
    void OnForward();
    void OnLast();
    void OnStop();
    void OnPause();

protected:
    void paintEvent(QPaintEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void closeEvent(QCloseEvent* event) override;

private:
    void UpdateButtons();
    void OnPositionTimer();
    void UpdateTimeReadout();

    VideoPlayback playback_;
    std::function<bool()> stillSelected_;
    QString openError_;
    QPixmap background_;
    CVideoArea* video_ = nullptr;
    QSlider* slider_ = nullptr;
    QLabel* time_ = nullptr;
    CBitmapButton* first_ = nullptr;
    CBitmapButton* backward_ = nullptr;
    CBitmapButton* forward_ = nullptr;
    CBitmapButton* last_ = nullptr;
    CBitmapButton* stop_ = nullptr;
    CLatchButton* play_ = nullptr;
    CLatchButton* pause_ = nullptr;
    QTimer positionTimer_;  // 370: the slider follows the playback
    QTimer keepFrameTimer_; // 372: the video area shows the newest frame, the readout its time
};

} // namespace tvx

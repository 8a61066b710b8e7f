#pragma once

#include "capture/live_surface.h"

#include <QFont>
#include <QString>
#include <QWidget>
#include <atomic>

namespace tvx {

// The live picture area of the main window. It paints from its LiveSurface,
// then writes the connection message in the middle and, in full screen, the
// hint in the top right corner. Repaint requests from the streaming thread
// are coalesced: while one is pending, further frames do not queue another.
// It hands the picture to the graphics hardware where there is some
// (LiveGlCanvas); otherwise the processor draws it.
class LiveGlCanvas;

class CLiveView : public QWidget {
    Q_OBJECT
public:
    explicit CLiveView(QWidget* parent = nullptr);
    ~CLiveView() override;

    LiveSurface& surface() { return surface_; }

    // Green text in the middle of the view, one centred line per line of `text`.
    void SetCentreMessage(const QString& text);
    void SetFullScreenHint(const QString& text);
    void SetTextFont(const QFont& font);

    void ClearSurface();
    void EnterFullScreen();
    void LeaveFullScreen();

    // Number of repaints the streaming thread has asked for (coalesced).
    int updateRequests() const { return updateRequests_.load(); }

protected:
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

private:
    void RequestUpdate(); // streaming thread
    void Repaint();
    void PaintTexts(QPainter& p);
    void UseGraphicsHardware();
    void NoteFirstFrame();

    LiveSurface surface_;
    QString centreMessage_;
    QString fullScreenHint_;
    QFont textFont_;
    LiveGlCanvas* canvas_ = nullptr;
    bool firstFrameShown_ = false;
    std::atomic<bool> updatePending_{
        false};                          // set by the streaming thread, cleared by the UI thread
    std::atomic<int> updateRequests_{0}; // written by the streaming thread
};

} // namespace tvx

#pragma once

#include "measure/measure_canvas.h"

#include <QImage>
#include <QWidget>

namespace tvx {

// The child window of the Photo Measure dialog that shows the picture and
// turns clicks into shapes (the logic is MeasureCanvasModel). Paints from an
// off-screen RGB32 copy: full repaints redraw it from the model; rubber bands
// are XOR-drawn straight into it and vanish at the next full repaint.
class CMeasureCanvas : public QWidget, public CanvasHost {
    Q_OBJECT
public:
    // Loads the picture (telling the user when it cannot be read) and sizes
    // itself to the canvas bitmap.
    CMeasureCanvas(QWidget* parent, const QString& picturePath, int initialTool,
                   double magnification);
    ~CMeasureCanvas() override;

    MeasureCanvasModel& model() { return model_; }
    const MeasureCanvasModel& model() const { return model_; }
    // What the window shows now, rubber bands included.
    const QImage& screen() const { return screen_; }
    bool pointerHeld() const { return held_; }

    // CanvasHost
    void Repaint(const QRect& area) override;
    void HoldPointer(const QRect& area) override;
    void ReleasePointer() override;
    QSize TextExtent(const QString& text, const QFont& font) override;
    std::optional<double> Calibrate(double pixels, const MeasureContext& ctx) override;
    void HistoryChanged() override;

signals:
    // Whether Undo (there are shapes) and Redo (something was undone) can act.
    void historyChanged(bool canUndo, bool canRedo);
    // A calibration line was confirmed: calibrationState() holds the new
    // magnification. Emitted while the line's click is still being handled.
    void calibrated();

protected:
    void paintEvent(QPaintEvent* e) override;
    void mousePressEvent(QMouseEvent* e) override;
    void mouseDoubleClickEvent(QMouseEvent* e) override;
    void mouseMoveEvent(QMouseEvent* e) override;

private:
    void RedrawIfDirty();
    // Takes the last rubber band off the screen copy and draws the current one.
    void UpdateRubber();
    QPoint Held(QPoint p);

    MeasureCanvasModel model_;
    QImage screen_;
    bool dirty_ = true;
    Figure shown_; // the rubber band XOR-drawn on screen_ now
    QPoint lastSolid_;
    bool held_ = false;
    QRect holdArea_;
};

} // namespace tvx

#pragma once

#include "measure/canvas_zoom.h"
#include "measure/measure_canvas.h"

#include <QImage>
#include <QWidget>

namespace tvx {

class SettingsStore;

class Prompts;

struct CalibrationState;

// The child window of the Photo Measure dialog that shows the picture and
// turns clicks into shapes (the logic is MeasureCanvasModel). It takes the
// space it is given and shows the canvas fitted into it or zoomed: Ctrl+0
// fits, Ctrl+1 is 100 %, Ctrl++ and Ctrl+- step, Ctrl + wheel zooms about
// the pointer; the wheel, the middle button and Space + left button pan.
// Paints from an off-screen RGB32 copy of what is in view: full repaints
// redraw it from the model; rubber bands are XOR-drawn straight into it and
// vanish at the next full repaint.
class CMeasureCanvas : public QWidget, public CanvasHost {
    Q_OBJECT
public:
    // Loads the picture (telling the user when it cannot be read), fitted.
    // A calibration line leaves its magnification in `calibration`.
    CMeasureCanvas(QWidget* parent, CalibrationState& calibration, Prompts& prompts,
                   const SettingsStore& settings, const QString& picturePath, int initialTool,
                   double magnification);
    ~CMeasureCanvas() override;

    MeasureCanvasModel& model() { return model_; }
    const MeasureCanvasModel& model() const { return model_; }
    // What the window shows now, rubber bands included.
    const QImage& screen() const { return screen_; }
    bool pointerHeld() const { return held_; }
    // Canvas coordinates to this widget's pixels, as shown now.
    ViewMapping mapping() const { return zoom_.mapping(size()); }
    // The zoom shown now, in percent of the picture's own pixels.
    int zoomPercent() const;
    bool fitted() const { return zoom_.fitted(); }
    void ZoomToFit();
    // `factor` of the picture's pixels, about the middle of the view.
    void ZoomTo(double factor);
    void ZoomStep(bool in);
    QSize sizeHint() const override;

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
    // A calibration line was confirmed: the calibration state holds the new
    // magnification. Emitted while the line's click is still being handled.
    void calibrated();
    // The zoom or the part in view has changed.
    void zoomChanged();

protected:
    void paintEvent(QPaintEvent* e) override;
    void mousePressEvent(QMouseEvent* e) override;
    void mouseDoubleClickEvent(QMouseEvent* e) override;
    void mouseMoveEvent(QMouseEvent* e) override;
    void mouseReleaseEvent(QMouseEvent* e) override;
    void wheelEvent(QWheelEvent* e) override;
    void keyPressEvent(QKeyEvent* e) override;
    void keyReleaseEvent(QKeyEvent* e) override;
    void focusOutEvent(QFocusEvent* e) override;
    void resizeEvent(QResizeEvent* e) override;

private:
    void RedrawIfDirty();
    // Takes the last rubber band off the screen copy and draws the current one.
    void UpdateRubber();
    // A figure in canvas coordinates as drawn in the view.
    Figure ViewFigure(const Figure& f) const;
    // The canvas point under a view point, kept inside the hold area while
    // the pointer is held.
    QPoint Held(QPoint p);
    void ViewChanged();
    bool StartPan(QMouseEvent* e);
    void SetPanCursor();
    // Space held turns the left button into panning; true for Space.
    bool SpaceKey(QKeyEvent* e, bool down);

    CalibrationState& calibration_;
    Prompts& prompts_;
    const SettingsStore& settings_;
    MeasureCanvasModel model_;
    CanvasZoom zoom_;
    QImage screen_;
    ViewMapping screenMapping_; // the mapping screen_ was drawn with
    bool dirty_ = true;
    Figure shown_; // the rubber band XOR-drawn on screen_ now, in view pixels
    bool spaceHeld_ = false;
    bool panning_ = false;
    QPoint panFrom_;
    QPoint lastSolid_;
    bool held_ = false;
    QRect holdArea_;
};

} // namespace tvx

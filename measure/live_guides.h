#pragma once

#include "measure/measure_tools.h"

#include <QFont>
#include <QSize>
#include <QString>
#include <mutex>
#include <optional>

class QPainter;

namespace tvx {

// What the two magnification boxes of the main window say. The calibrated
// value wins unless the user asked for the nominal one (a calibration is
// being started from it).
struct MagnificationInput {
    QString calibrated; // box of the calibration value
    QString nominal;    // box of the magnification the user typed
    bool useNominal = false;
};
struct MagnificationReading {
    std::optional<double> magnification; // nothing: ask the user for one
    double entered = 0;                  // the nominal box's number, kept by the window
};
// Nothing in `magnification` when neither box holds a usable number; the
// caller then shows "Please input the zoomIn scale!" (key "EnterRate").
MagnificationReading ReadMagnification(const MagnificationInput& input);

// The spacing of the ruler and the circle grid: the live magnification and
// the pixels one tenth of the unit covers at it. Fixed when a guide is
// switched on, so later edits of the boxes do not move a visible guide.
struct GuideScale {
    double magnification = 21.0;
    double step = 0.02963;
};
// a = M / (unit per pixel × 10).
GuideScale ComputeGuideScale(double magnification, double unitPerPixel);

// A copy of the guide switches and their scale, taken once per frame.
struct GuideSnapshot {
    bool crossLine = false;
    bool ruler = false;
    bool circleGrid = false;
    bool fullScreen = false;
    GuideScale scale;
};

// The guide switches of the live view. Switched on the UI thread, read by the
// streaming thread through Snapshot(); every member is guarded by mutex_.
class GuideState {
public:
    enum class Toggle { Changed, Ignored, NeedsMagnification };

    // Each does nothing while no device is connected. The ruler and the grid
    // take the magnification only when they are switched on; without one they
    // stay off and the caller asks the user for it.
    Toggle ToggleCrossLine(bool connected);
    Toggle ToggleRuler(bool connected, std::optional<double> magnification, double unitPerPixel);
    Toggle ToggleCircleGrid(bool connected, std::optional<double> magnification,
                            double unitPerPixel);
    void SetFullScreen(bool on);
    // Device gone: the scale goes back to its neutral value, the switches stay.
    void ResetScale();

    GuideSnapshot Snapshot() const;

private:
    Toggle ToggleScaled(bool& on, bool connected, std::optional<double> magnification,
                        double unitPerPixel);

    mutable std::mutex mutex_;
    GuideSnapshot state_; // guarded by mutex_; written by the UI thread
};

// The ruler's spacing in pixels for one magnification and scale step; any of
// them may come out as 0 for tiny magnifications.
struct RulerSpacing {
    int tick = 0;          // pixels between ticks
    int labelStep = 0;     // loop step of the labels
    int labelDistance = 0; // pixels between labels (a multiple of labelStep)
};
RulerSpacing LiveRulerSpacing(const GuideScale& scale);
// Value one label step stands for: 0.01 inch, 10 mil, 0.1 cm, else 1.
double RulerValueStep(const QString& unit);

// The guides as figures, for drawing and for tests: labels carry their
// top-left corner; labels far outside the view are left out.
Figure CrossLineFigure(QSize client);
Figure RulerFigure(QSize client, const GuideScale& scale, const QString& unit);
Figure CircleGridFigure(QSize client, const GuideScale& scale);
// The red guides of a still picture; the white cross line goes to `crossLine`.
Figure PictureGuidesFigure(QSize capture, const GuideSnapshot& guides, const QString& unit,
                           Figure* crossLine);

// The live guides and texts, each in client pixels of a W × H view. Each
// leaves the painter's pen, brush and font as it found them.
void DrawCrossLine(QPainter& p, QSize client);
void DrawRuler(QPainter& p, QSize client, const GuideScale& scale, const QString& unit,
               const QFont& font);
void DrawCircleGrid(QPainter& p, QSize client, const GuideScale& scale);
void DrawCentreMessage(QPainter& p, QSize client, const QString& text, const QFont& font);
void DrawFullScreenHint(QPainter& p, QSize client, const QString& text, const QFont& font);
// The switched-on guides of `guides`, in drawing order.
void DrawLiveGuides(QPainter& p, QSize client, const GuideSnapshot& guides, const QString& unit,
                    const QFont& font);

// The switched-on guides drawn into a still picture of the capture size,
// centred on (w/2, h/2); a 320 × 240 capture halves the scale step.
void DrawGuidesOnPicture(QPainter& p, QSize capture, const GuideSnapshot& guides,
                         const QString& unit, const QFont& font);

} // namespace tvx

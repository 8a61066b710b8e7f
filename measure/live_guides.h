#pragma once

#include "measure/geometry.h"
#include "measure/measure_tools.h"
#include "measure/view_mapping.h"

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

// The scale of the ruler and the circle grid: the live magnification and the
// unit. The pixel pitch comes from the size of the picture drawn over, so the
// guides follow a change of capture size by themselves.
struct GuideScale {
    double magnification = 21.0;
    QString unit = QStringLiteral("mm"); // as the settings store it, or kPixelUnit
    bool pitchKnown = true;              // false: a camera without a pitch of its own

    // Picture pixels that measure one unit, M / (unit per pixel × 10), as a
    // line of that length reads with the measuring tools (1 in kPixelUnit,
    // whatever M); 0 when unusable.
    double PixelsPerUnit(QSize picture) const;
};

// A copy of the guide switches and their scale, taken once per frame.
struct GuideSnapshot {
    bool crossLine = false;
    bool ruler = false;
    bool circleGrid = false;
    bool scaleBar = false;
    bool fullScreen = false;
    GuideScale scale;
};

// The guide switches of the live view. Switched on the UI thread, read by the
// streaming thread through Snapshot(); every member is guarded by mutex_.
class GuideState {
public:
    enum class Toggle { Changed, Ignored, NeedsMagnification };

    // Without a scope the guides measure the microscope's pixels.
    explicit GuideState(const MeasuringScope* scope = nullptr) : scope_(scope) {}

    // Each does nothing while no device is connected. The ruler and the grid
    // need a magnification to go on; without one they stay off and the
    // caller asks the user for it.
    Toggle ToggleCrossLine(bool connected);
    Toggle ToggleRuler(bool connected, std::optional<double> magnification, const QString& unit);
    Toggle ToggleCircleGrid(bool connected, std::optional<double> magnification,
                            const QString& unit);
    // The scale bar is the user's setting, kept across runs: it may be on
    // before any device is there.
    Toggle SetScaleBar(bool on, std::optional<double> magnification, const QString& unit);
    void SetFullScreen(bool on);
    // The magnification, unit or capture size changed: the guides follow at
    // once, so they never disagree with the measuring tools. Nothing (no
    // usable magnification) keeps the scale they have.
    void Rescale(std::optional<double> magnification, const QString& unit);

    GuideSnapshot Snapshot() const;

private:
    Toggle ToggleScaled(bool& on, bool connected, std::optional<double> magnification,
                        const QString& unit);

    const MeasuringScope* scope_; // read at each snapshot: a change of camera shows at once
    mutable std::mutex mutex_;
    GuideSnapshot state_; // guarded by mutex_; written by the UI thread
};

// Where the ruler puts its labels: every label step, a round value of the
// unit from the 1–2–5 series, far enough apart to be read; ticks at a
// tenth of it. The circle grid's rings are a label step apart.
struct RulerSpacing {
    double labelValue = 0;  // units between labels; 0 when the scale is unusable
    double labelPixels = 0; // picture pixels between labels
    int ticksPerLabel = 10;
    int decimals = 0; // digits a label needs to show its value exactly
};
constexpr double kMinLabelPixels = 60;
RulerSpacing ChooseRulerSpacing(double pixelsPerUnit, double minLabelPixels = kMinLabelPixels);

// The guides as figures in picture pixels, for drawing and for tests. A
// label's point is the tick it labels; its dx/dy place the text beside it.
Figure CrossLineFigure(QSize picture);
Figure RulerFigure(QSize picture, const GuideScale& scale);
Figure CircleGridFigure(QSize picture, const GuideScale& scale);

// A bar of a round length of the unit (1, 2 or 5 times a power of ten),
// about a fifth of the picture's width, in its bottom right corner, with its
// length written above it. Picture pixels; nothing for an unusable scale.
struct ScaleBar {
    QRect bar; // the bar's pixels: its width measures `value` units
    double value = 0;
    QString label; // e.g. "500 µm"
};
std::optional<ScaleBar> ChooseScaleBar(QSize picture, const GuideScale& scale);
// White with a thin dark outline, so it reads on light and dark specimens.
void DrawScaleBar(QPainter& p, const ViewMapping& map, const ScaleBar& bar, const QFont& font);

// The switched-on guides of `guides`, in drawing order, over a picture shown
// through `map` (a still: the identity). Each leaves the painter as it found it.
void DrawLiveGuides(QPainter& p, const ViewMapping& map, const GuideSnapshot& guides,
                    const QFont& font);
// The connection message and the full-screen hint, in view pixels.
void DrawCentreMessage(QPainter& p, QSize client, const QString& text, const QFont& font);
void DrawFullScreenHint(QPainter& p, QSize client, const QString& text, const QFont& font);

} // namespace tvx

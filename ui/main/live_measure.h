#pragma once

#include "capture/live_surface.h"
#include "measure/font_record.h"
#include "measure/shape_drawing.h"
#include "measure/tool_registry.h"
#include "session/live_shapes.h"

#include <QColor>
#include <QFont>
#include <QObject>
#include <QPen>
#include <QPointer>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>

class QWidget;

namespace tvx {

class SettingsStore;

class Prompts;

struct CalibrationState;

// Measuring on the live picture: the tool buttons choose a tool, the
// mouse on the live view drives it, finished shapes go into the live list,
// and the shapes overlay draws them over every frame and into stills.
class LiveMeasure : public QObject, public LiveOverlay {
    Q_OBJECT
public:
    struct Hooks {
        // The live magnification read from the window's boxes (the nominal
        // one when asked), or nothing after the user was told to enter one.
        std::function<std::optional<double>(bool useNominal)> readMagnification;
        // The same without telling the user anything.
        std::function<std::optional<double>(bool useNominal)> currentMagnification;
        // The pressed look of a measuring button.
        std::function<void(int id, bool pressed)> setPressed;
        std::function<bool(int id)> isPressed;
        // Where the picture lies in the view; its size picks the pixel pitch.
        std::function<ViewMapping()> mapping;
    };

    // `view` is the live view whose mouse is watched; dialogs open over
    // `window`.
    // A calibration line leaves its magnification in `calibration`.
    LiveMeasure(LiveShapes& shapes, CalibrationState& calibration, Prompts& prompts,
                const SettingsStore& settings, QWidget* view, QWidget* window, Hooks hooks);
    ~LiveMeasure() override;

    // A measuring tool's button (its command in the tool registry): choose
    // the tool, or drop it when its button is pressed already.
    void ChooseTool(int buttonId);
    // Drops the tool and the shape under way; finished shapes stay.
    void Cancel();
    // Drops only the shape under way; the tool stays chosen.
    void CancelShape();
    // The pressed look of every measuring button goes.
    void ReleaseButtons();

    int liveTool() const { return tool_ ? tool_->kind() : 0; }
    bool calibrating() const { return calibrating_; }
    const CMeasureTool* tool() const { return tool_.get(); }
    bool underWay() const { return tool_ && tool_->underWay(); }

    // The measurement labels' font ("Measurefont.ini" at start-up).
    void SetLabelFont(const FontRecord& font) { labelFont_ = font; }
    const FontRecord& labelFont() const { return labelFont_; }

    // What the next click does, for the status strip; empty without a tool.
    QString StepHint() const;

    // LiveOverlay: the shape under way and the finished shapes.
    void Draw(QPainter& painter, const ViewMapping& map) override;

signals:
    // The tool, or the step of the shape under way, changed.
    void stepChanged();
    // A calibration line was confirmed: the calibration state holds the new
    // magnification to show and store. Emitted inside the line's click.
    void calibrated();

protected:
    bool eventFilter(QObject* watched, QEvent* e) override;

private:
    // What the overlay draws of the shape under way, set on the UI thread.
    struct Pending {
        Figure figure;
        QPen pen;
        QFont font;
        QColor labelColour;
    };

    ToolSettings CurrentToolSettings(double magnification) const;
    // A new shape takes the magnification, unit, capture size, pen and font
    // in force when it starts, as the guides do.
    void RefreshSettings();
    std::optional<double> RunCalibration(double pixels);
    // Runs one pointer event on the tool, then hands finished shapes to the
    // live list and the figure under way to the overlay.
    template <class Fn> void Drive(Fn&& fn);
    void Publish();
    void HoldPointer(bool hold);

    LiveShapes& shapes_;
    CalibrationState& calibration_;
    Prompts& prompts_;
    const SettingsStore& settings_;
    QPointer<QWidget> view_;
    QPointer<QWidget> window_;
    Hooks hooks_;
    FontRecord labelFont_;

    // UI thread only.
    std::unique_ptr<CMeasureTool> tool_;
    ShapeList finished_; // the tool appends here; moved on to shapes_ at once
    int button_ = 0;
    bool calibrating_ = false;
    int presses_ = 0; // points placed on the shape under way
    bool holding_ = false;
    bool inDialog_ = false; // the Calibration dialog is open

    mutable std::mutex pendingMutex_;
    Pending pending_;    // guarded by pendingMutex_; written on the UI thread
    MeasureContext ctx_; // guarded by pendingMutex_; written on the UI thread
};

} // namespace tvx

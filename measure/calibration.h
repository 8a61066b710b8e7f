#pragma once

#include "measure/geometry.h"
#include "measure/measure_shape.h"

#include <QString>
#include <optional>

namespace tvx {

// The Calibration dialog asks for millimetres; the unit table turns them into
// the unit (an unknown unit text counts as millimetres).
double MillimetresToUnit(double mm, const QString& unit);

// The actual distance typed into the dialog (its leading number, in mm),
// converted into the unit. Nothing when it is 0, negative or not finite: no
// line has such a length, and a magnification made from it would turn every
// later length into nonsense.
std::optional<double> ActualDistanceFromText(const QString& text, const QString& unit);

// The magnifications a calibration may set or the calibration file may give.
// No microscope magnifies less than 0.1× or more than 100 000×; a value
// outside would only make every later length read 0.000 or overflow.
constexpr double kMinMagnification = 0.1;
constexpr double kMaxMagnification = 100000;
bool SaneMagnification(double magnification);

// The magnification at which a line of `pixelLength` pixels, measured as
// m = Length(pixelLength) at ctx's magnification M, is `actualDistance` long:
// m / a × M. Nothing when that is not a sane magnification (a line of length
// 0, an invalid context, a distance far too short or long for the line).
std::optional<double> CalibratedMagnification(double pixelLength, const MeasureContext& ctx,
                                              double actualDistance);

// The calibration values of a run, shared by the live view, Photo Measure
// and the magnification boxes. Written and read on the UI thread only, but
// for the scope's flags (see MeasuringScope).
struct CalibrationState {
    double calibrated = 0;     // the calibrated magnification
    double calibratedCopy = 0; // the copy the main window reads
    double nominal = 0;        // the number of the nominal magnification box
    double actualDistance = 0; // last entered distance, in the unit
    MeasuringScope scope;      // whose pixels, set by the capture session
};

struct CalibrationOutcome {
    bool calibrated = false;  // a new magnification was set
    double magnification = 0; // the magnification now in force for the line
    QString label;            // the line's new "L:%.*f%s" label
};
// What happens after the dialog closes. `actualDistance` is nothing after
// Cancel. On success the calibrated magnification and its copy (and the
// entered distance) are stored in `state`. The label is the line's length at
// the magnification in force afterwards: after OK it shows the entered
// distance, after Cancel the length at ctx's magnification.
CalibrationOutcome FinishCalibration(CalibrationState& state, double pixelLength,
                                     const MeasureContext& ctx,
                                     std::optional<double> actualDistance);

} // namespace tvx

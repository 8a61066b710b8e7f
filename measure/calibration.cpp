#include "measure/calibration.h"

#include <cmath>

namespace tvx {

double MillimetresToUnit(double mm, const QString& unit) {
    return mm * UnitFor(unit).perMillimetre;
}

bool SaneMagnification(double magnification) {
    return std::isfinite(magnification) && magnification >= kMinMagnification &&
           magnification <= kMaxMagnification;
}

std::optional<double> ActualDistanceFromText(const QString& text, const QString& unit) {
    const double a = MillimetresToUnit(LeadingNumber(text), unit);
    if (!std::isfinite(a) || a <= 0) return std::nullopt;
    return a;
}

std::optional<double> CalibratedMagnification(double pixelLength, const MeasureContext& ctx,
                                              double actualDistance) {
    if (!ctx.valid() || !std::isfinite(actualDistance) || actualDistance <= 0) return std::nullopt;
    const double measured = ctx.Length(pixelLength);
    const double magnification = measured / actualDistance * ctx.magnification;
    if (!SaneMagnification(magnification)) return std::nullopt;
    return magnification;
}

CalibrationOutcome FinishCalibration(CalibrationState& state, double pixelLength,
                                     const MeasureContext& ctx,
                                     std::optional<double> actualDistance) {
    CalibrationOutcome out;
    out.magnification = ctx.magnification;
    if (actualDistance) {
        if (const auto m = CalibratedMagnification(pixelLength, ctx, *actualDistance)) {
            state.actualDistance = *actualDistance;
            state.calibrated = *m;
            state.calibratedCopy = *m;
            out.calibrated = true;
            out.magnification = *m;
        }
    }
    MeasureContext after = ctx;
    after.magnification = out.magnification;
    if (after.valid()) out.label = FormatLength(after, "L:", after.Length(pixelLength));
    return out;
}

} // namespace tvx

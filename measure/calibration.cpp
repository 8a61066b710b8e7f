#include "measure/calibration.h"

#include "platform/language.h"
#include "platform/prompts.h"

#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <cmath>

namespace tvx {

double MillimetresToUnit(double mm, const QString& unit) {
    if (unit == QLatin1String("inch")) return mm * kMmToInch;
    if (unit == QLatin1String("mil")) return mm * kMmToMil;
    if (unit == QLatin1String("cm")) return mm * kMmToCm;
    return mm;
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
    if (!std::isfinite(magnification) || magnification <= 0) return std::nullopt;
    return magnification;
}

CalibrationState& calibrationState() {
    static CalibrationState state;
    return state;
}

CalibrationOutcome FinishCalibration(double pixelLength, const MeasureContext& ctx,
                                     std::optional<double> actualDistance) {
    CalibrationOutcome out;
    out.magnification = ctx.magnification;
    if (actualDistance) {
        if (const auto m = CalibratedMagnification(pixelLength, ctx, *actualDistance)) {
            CalibrationState& state = calibrationState();
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

CalibrationDialog::CalibrationDialog(const QString& unit, QWidget* parent)
    : QDialog(parent), unit_(unit) {
    setWindowTitle(Text("TipCalibration", "Calibration"));
    setFixedSize(300, 112);
    prompt_ = new QLabel(Text("EnterActualDistance", "Please enter actual distance (mm)"), this);
    prompt_->setGeometry(12, 10, 276, 20);
    edit_ = new QLineEdit(this);
    edit_->setGeometry(12, 36, 276, 24);
    auto* ok = new QPushButton(Text("OK", "OK"), this);
    ok->setGeometry(116, 74, 80, 26);
    ok->setDefault(true);
    auto* cancel = new QPushButton(Text("Cancel", "Cancel"), this);
    cancel->setGeometry(208, 74, 80, 26);
    connect(ok, &QPushButton::clicked, this, &CalibrationDialog::accept);
    connect(cancel, &QPushButton::clicked, this, &CalibrationDialog::reject);
    edit_->setFocus();
}

void CalibrationDialog::accept() {
    const auto a = ActualDistanceFromText(edit_->text(), unit_);
    if (!a) {
        prompts().Message(windowTitle(), Text("EnterDigital", "Please enter digital!"),
                          Prompts::Icon::Warning);
        edit_->setFocus();
        return;
    }
    actual_ = *a;
    QDialog::accept();
}

bool Calibrate(QWidget* parent, double pixelLength, const MeasureContext& ctx, CMeasureShape* line,
               int message) {
    std::optional<double> actual;
    {
        CalibrationDialog dialog(ctx.unit, parent);
        if (dialog.exec() == QDialog::Accepted) actual = dialog.actualDistance();
    }
    const CalibrationOutcome out = FinishCalibration(pixelLength, ctx, actual);
    if (out.calibrated) PostAppMessage(parent, message);
    if (line && !out.label.isEmpty()) {
        if (line->labels.isEmpty())
            line->labels.append(out.label);
        else
            line->labels[0] = out.label;
    }
    return out.calibrated;
}

} // namespace tvx

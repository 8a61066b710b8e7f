#pragma once

#include "measure/calibration.h"
#include "measure/measure_shape.h"

#include <QDialog>
#include <QString>

class QLabel;
class QLineEdit;
class QWidget;

namespace tvx {

class Prompts;

// Asks for the actual distance of a line just drawn in calibration mode.
class CalibrationDialog : public QDialog {
    Q_OBJECT
public:
    CalibrationDialog(const QString& unit, Prompts& prompts, QWidget* parent = nullptr);
    // The line being calibrated: OK then also refuses a distance that would
    // give it no sane magnification (SaneMagnification).
    void SetLine(double pixelLength, const MeasureContext& ctx);

    // The distance accepted with OK, in the unit.
    double actualDistance() const { return actual_; }
    QLineEdit* edit() const { return edit_; }

public slots:
    // Stays open, after telling the user, while the text holds no distance.
    void accept() override;

private:
    QString unit_;
    Prompts& prompts_;
    std::optional<double> pixelLength_;
    MeasureContext ctx_;
    QLineEdit* edit_ = nullptr;
    QLabel* prompt_ = nullptr;
    double actual_ = 0;
};

// Runs the Calibration dialog for a line of `pixelLength` pixels measured at
// ctx. After OK or Cancel, label 0 of `line` (when given) becomes its length
// at the magnification then in force. Returns whether a new magnification was
// set (the caller tells whoever records it); the value is then
// `state.calibrated`.
bool Calibrate(CalibrationState& state, Prompts& prompts, QWidget* parent, double pixelLength,
               const MeasureContext& ctx, CMeasureShape* line = nullptr);

} // namespace tvx

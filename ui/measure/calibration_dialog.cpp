#include "ui/measure/calibration_dialog.h"

#include "platform/language.h"
#include "platform/prompts.h"
#include "ui/skin/plain_text.h"

#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

namespace tvx {

CalibrationDialog::CalibrationDialog(const QString& unit, QWidget* parent)
    : QDialog(parent), unit_(unit) {
    setWindowTitle(Text("TipCalibration", "Calibration"));
    setFixedSize(300, 112);
    prompt_ = new QLabel(this);
    SetPlainLabelText(prompt_, Text("EnterActualDistance", "Please enter actual distance (mm)"));
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

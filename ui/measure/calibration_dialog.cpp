#include "ui/measure/calibration_dialog.h"

#include "platform/language.h"
#include "ui/skin/error_sink.h"
#include "ui/skin/plain_text.h"

#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <algorithm>

namespace tvx {

CalibrationDialog::CalibrationDialog(const QString& unit, Prompts& prompts, QWidget* parent)
    : QDialog(parent), unit_(unit), prompts_(prompts) {
    setWindowTitle(Text("TipCalibration", "Calibration"));
    prompt_ = new QLabel(this);
    SetPlainLabelText(prompt_, Text("EnterActualDistance", "Please enter actual distance (mm)"));
    // As wide as the prompt needs: translations run longer than the English.
    const int w = std::max(300, prompt_->sizeHint().width() + 24);
    setFixedSize(w, 112);
    prompt_->setGeometry(12, 10, w - 24, 20);
    edit_ = new QLineEdit(this);
    edit_->setGeometry(12, 36, w - 24, 24);
    auto* ok = new QPushButton(Text("OK", "OK"), this);
    ok->setGeometry(w - 184, 74, 80, 26);
    ok->setDefault(true);
    auto* cancel = new QPushButton(Text("Cancel", "Cancel"), this);
    cancel->setGeometry(w - 92, 74, 80, 26);
    connect(ok, &QPushButton::clicked, this, &CalibrationDialog::accept);
    connect(cancel, &QPushButton::clicked, this, &CalibrationDialog::reject);
    edit_->setFocus();
}

void CalibrationDialog::SetLine(double pixelLength, const MeasureContext& ctx) {
    pixelLength_ = pixelLength;
    ctx_ = ctx;
}

void CalibrationDialog::accept() {
    auto a = ActualDistanceFromText(edit_->text(), unit_);
    if (a && pixelLength_ && !CalibratedMagnification(*pixelLength_, ctx_, *a)) a.reset();
    if (!a) {
        ShowMessage(prompts_, windowTitle(), Text("EnterDigital", "Please enter digital!"),
                    Prompts::Icon::Warning);
        edit_->setFocus();
        return;
    }
    actual_ = *a;
    QDialog::accept();
}

bool Calibrate(CalibrationState& state, Prompts& prompts, QWidget* parent, double pixelLength,
               const MeasureContext& ctx, CMeasureShape* line) {
    std::optional<double> actual;
    {
        CalibrationDialog dialog(ctx.unit, prompts, parent);
        dialog.SetLine(pixelLength, ctx);
        if (dialog.exec() == QDialog::Accepted) actual = dialog.actualDistance();
    }
    const CalibrationOutcome out = FinishCalibration(state, pixelLength, ctx, actual);
    if (line && !out.label.isEmpty()) {
        if (line->labels.isEmpty())
            line->labels.append(out.label);
        else
            line->labels[0] = out.label;
    }
    return out.calibrated;
}

} // namespace tvx

#include "ui/main/prompt_dlg.h"

#include "platform/language.h"
#include "platform/settings.h"

#include <QCheckBox>
#include <QDialogButtonBox>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QVBoxLayout>

namespace tvx {

CalibrationReminderDialog::CalibrationReminderDialog(SettingsStore& settings, QWidget* parent)
    : QDialog(parent), settings_(settings) {
    setWindowTitle(Text("MsgTitle", "Tavolux"));
    text_ = new QPlainTextEdit(
        Text("TipMeasurementCalibration", "Please Calibration before measurement."), this);
    text_->setReadOnly(true);
    text_->setFixedHeight(64);
    again_ = new QCheckBox(Text("TipPrompt", "Pop-up window next time."), this);
    again_->setChecked(true);
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok, this);
    buttons->button(QDialogButtonBox::Ok)->setText(Text("Ok", "OK"));
    connect(buttons, &QDialogButtonBox::accepted, this, &CalibrationReminderDialog::accept);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(text_);
    layout->addWidget(again_);
    layout->addWidget(buttons);
    setFixedWidth(340);
}

bool CalibrationReminderDialog::showNextTime() const {
    return again_->isChecked();
}
void CalibrationReminderDialog::setShowNextTime(bool on) {
    again_->setChecked(on);
}
QString CalibrationReminderDialog::message() const {
    return text_->toPlainText();
}

void CalibrationReminderDialog::accept() {
    settings_.WriteSysDate(again_->isChecked() ? 1 : 0);
    QDialog::accept();
}

} // namespace tvx

#pragma once

#include <QDialog>

class QCheckBox;
class QPlainTextEdit;

namespace tvx {

class SettingsStore;

// The start-up reminder to calibrate before measuring, with the choice to
// see it again next time.
class CalibrationReminderDialog : public QDialog {
    Q_OBJECT
public:
    explicit CalibrationReminderDialog(SettingsStore& settings, QWidget* parent = nullptr);

    bool showNextTime() const;
    void setShowNextTime(bool on);
    QString message() const;

    // OK stores the check box in sys_date.
    void accept() override;

private:
    SettingsStore& settings_;
    QPlainTextEdit* text_ = nullptr;
    QCheckBox* again_ = nullptr;
};

} // namespace tvx

#pragma once

#include <QDialog>

class QCheckBox;
class QPlainTextEdit;

namespace tvx {

// The start-up reminder to calibrate before measuring, with the choice to
// see it again next time.
class CalibrationReminderDialog : public QDialog {
    Q_OBJECT
public:
    explicit CalibrationReminderDialog(QWidget* parent = nullptr);

    bool showNextTime() const;
    void setShowNextTime(bool on);
    QString message() const;

    // OK stores the check box in sys_date.
    void accept() override;

private:
    QPlainTextEdit* text_ = nullptr;
    QCheckBox* again_ = nullptr;
};

} // namespace tvx

#pragma once

#include <QObject>
#include <QPoint>
#include <QString>
#include <optional>

class QLineEdit;
class QWidget;

namespace tvx {

class Prompts;

struct CalibrationState;

// The magnification box the user types into and the read-only box beside
// it with the calibrated value for that magnification, looked up in the
// calibration file. Every measuring feature reads the magnification here.
// UI thread.
class MagnificationBoxes : public QObject {
    Q_OBJECT
public:
    // The boxes are made side by side on one widget, a child of `parent`
    // until it is placed (see pair());
    // `calibration` is where the calibration dialog leaves a new value.
    MagnificationBoxes(QWidget* parent, CalibrationState& calibration, Prompts& prompts,
                       QString calibrationFile);
    CalibrationState& calibration() const { return calibration_; }
    Prompts& prompts() const { return prompts_; }

    QLineEdit* magnificationBox() const { return magBox_; }
    QLineEdit* calibrationBox() const { return calBox_; }
    // Both boxes as they sit in the skin's slots, at kPairAt on the band.
    QWidget* pair() const { return pair_; }
    static constexpr QPoint kPairAt{721, 4};
    QString magnificationText() const;
    QString calibrationText() const;

    // The magnification in force: the calibrated one when there is one.
    // Nothing when the boxes hold no usable number.
    std::optional<double> Current() const;
    // The same for a measurement about to start; the nominal value alone
    // when `useNominal` (a calibration line). Without a usable number the
    // user is told to enter one, with `dialogParent`'s title; a camera that
    // measures in pixels asks once to be calibrated.
    std::optional<double> ReadForMeasuring(bool useNominal, QWidget* dialogParent);

    // A calibration was confirmed: store it and show it.
    void ShowNewCalibration();
    // The reminder to calibrate, for a magnification without a calibration.
    bool Uncalibrated() const;
    void SetVisible(bool on);
    // Looks the calibration up again: the camera or its capture size changed.
    void Refresh();

signals:
    // Either box changed: the magnification in force may be another.
    void changed();

private:
    void lookUpCalibration();
    QString calibrationFile() const;

    CalibrationState& calibration_;
    Prompts& prompts_;
    QString calibrationFile_;       // the microscope's
    bool askedToCalibrate_ = false; // for the camera and size in use
    QWidget* pair_ = nullptr;
    QLineEdit* magBox_ = nullptr; // edit 1112
    QLineEdit* calBox_ = nullptr; // edit 1205, read-only
};

} // namespace tvx

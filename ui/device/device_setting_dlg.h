#pragma once

#include "capture/video_proc_amp.h"

#include <QDialog>
#include <array>

class QComboBox;
class QGroupBox;
class QLabel;
class QLineEdit;
class QSlider;
class QToolButton;

namespace tvx {

class CaptureEngine;

// The arrows of one property row: each press steps the row's value by one.
class CSpin : public QWidget {
    Q_OBJECT
public:
    explicit CSpin(QWidget* parent = nullptr);
    void Up();   // line up: one more
    void Down(); // line down: one less

signals:
    void stepped(int delta);
};

// The "Video Setting" dialog: the microscope among the attached ones, the
// capture resolution and video norm (while the microscope's button object is
// open), and six picture properties of the device. Every change goes to the
// device at once; OK applies the resolution once more and closes, Exit
// closes. Works through the capture engine's public calls only.
class DeviceSettingsDialog : public QDialog {
    Q_OBJECT
public:
    explicit DeviceSettingsDialog(CaptureEngine& engine, QWidget* parent = nullptr);

    // The values read from the device at the last filling, per row.
    struct Row {
        ProcAmpRange range;
        int value = 0;
    };
    const Row& row(int i) const { return rows_[size_t(i)]; }

public slots:
    // Fills the lists and properties again from the engine: the main window
    // calls it when a device came or went.
    void Refill();
    void OnDefault();
    void OnOk();

private:
    struct RowControls {
        QSlider* slider = nullptr;
        QLabel* label = nullptr;
        QLineEdit* edit = nullptr;
        CSpin* spin = nullptr;
    };
    void ApplySlider(int row);
    void StepRow(int row, int delta);
    void SwitchDevice(int index);
    void ApplyResolution();
    void ApplyNorm();
    void ShowRow(int row, bool shown);
    void FitTexts();

    CaptureEngine& engine_;
    std::array<Row, 6> rows_{};
    std::array<RowControls, 6> controls_{};
    QGroupBox* deviceGroup_ = nullptr;
    QGroupBox* settingGroup_ = nullptr;
    QGroupBox* propertiesGroup_ = nullptr;
    QLabel* deviceLabel_ = nullptr;
    QLabel* resolutionLabel_ = nullptr;
    QLabel* normLabel_ = nullptr;
    QComboBox* devices_ = nullptr;
    QComboBox* resolutions_ = nullptr;
    QComboBox* norms_ = nullptr;
    QWidget* defaultButton_ = nullptr;
    QWidget* okButton_ = nullptr;
    QWidget* exitButton_ = nullptr;
    int selectedDevice_ = -1;
    bool filling_ = false; // the controls are being set from the device
};

} // namespace tvx

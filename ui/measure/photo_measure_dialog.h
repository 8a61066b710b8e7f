#pragma once

#include "measure/font_record.h"
#include "measure/measure_export.h"

#include <QDialog>
#include <QImage>
#include <QPixmap>
#include <QSize>
#include <functional>

class QAction;
class QComboBox;
class QFrame;
class QLabel;
class QLineEdit;

namespace tvx {

class SettingsStore;

class Prompts;

class CLatchButton;
class CMenuXP;
class CMeasureCanvas;
struct CalibrationState;

// One stored picture to draw and measure on: a toolbar of nine buttons, two
// popup menus of tools, the magnification boxes and calibration, save, open,
// undo and redo (also Ctrl+Z, Ctrl+Y and Ctrl+Shift+Z) around the measuring
// canvas, the zoom under it, and the measurements exported as on the live
// view. Resizable; opens large enough for the picture where the screen
// allows. Modal; closes only through the close box, after a confirmation
// when drawings would be lost.
class PhotoMeasureDialog : public QDialog {
    Q_OBJECT
public:
    // Calibrations made here are left in `calibration`.
    PhotoMeasureDialog(CalibrationState& calibration, Prompts& prompts, SettingsStore& settings,
                       const QString& picturePath, QWidget* parent = nullptr);
    ~PhotoMeasureDialog() override;

    // Null when the picture could not be read.
    CMeasureCanvas* canvas() const { return canvas_; }
    CLatchButton* button(int id) const;
    QLineEdit* calibratedEdit() const { return calibrated_; }
    QLineEdit* toolNameEdit() const { return toolName_; }
    QLineEdit* nominalEdit() const { return nominal_; }
    QComboBox* zoomBox() const { return zoomBox_; }
    // The zoom in percent as shown ("200 %").
    QLabel* zoomLabel() const { return zoomLabel_; }
    double magnification() const { return magnification_; }
    QString picturePath() const { return path_; }
    // The capture size lengths are measured by (the canvas size when unset).

    // The menus, as the popup buttons show them.
    void BuildDrawingMenu(CMenuXP& menu) const;
    void BuildMeasuringMenu(CMenuXP& menu) const;
    // A menu entry chosen (also by tests, without showing the menu).
    void OnMenuCommand(int command);
    // Called before a menu opens: no tool while it is open.
    void PrepareMenu(int buttonId);

    // The toolbar commands.
    void OnDrawingTools();
    void OnMeasuringTools();
    void OnPenSettings();
    void OnText();
    void OnDelete();
    void OnResume();
    void OnCalibration();
    void OnSave();
    void OnOpen();
    // The measuring menu's export entries.
    bool OnExportMeasurements();
    bool OnCopyMeasurements();
    // One row per shape, numbered as the canvas numbers its kinds.
    QVector<MeasurementRow> MeasurementRowsNow() const;
    // Runs before a measuring tool and by Calibration: whether M is known.
    bool CheckMagnification();
    // Drawings that closing would lose: a shape under way, shapes drawn
    // since the picture was opened, or a picture that differs from what
    // the last Save wrote.
    bool HasUnsavedWork() const;

public slots:
    // Escape does not close the dialog.
    void reject() override {}

signals:
    // A picture was written where the user chose.
    void pictureSaved(const QString& path);
    // A calibration was confirmed: the calibration state holds the nominal and
    // the calibrated magnification, which the file now keeps.
    void calibrationStored();

protected:
    void paintEvent(QPaintEvent* e) override;
    void closeEvent(QCloseEvent* e) override;
    void keyPressEvent(QKeyEvent* e) override;

private:
    // Puts the picture on a new canvas and sets everything up for it as for
    // the first one. A picture that cannot be read is refused (the canvas
    // tells the user) and the current one stays as it is.
    bool ShowPicture(const QString& path);
    // Sized for the picture now shown, within the screen; never smaller
    // than the window is once it is up.
    void SizeForPicture();
    void OnZoomChosen(int index);
    void ShowZoom();
    void UpdateHistory(bool canUndo, bool canRedo);
    void ReleasePopups();
    void OnNominalChanged(const QString& text);
    // The picture's scale for the scale bar and TIFF saves, from the boxes.
    void UpdatePictureScale();
    void OnCalibrated();
    void SetToolName(const char* key, const char* defaultText);

    CalibrationState& calibration_;
    Prompts& prompts_;
    SettingsStore& settings_;
    QString path_;
    CMeasureCanvas* canvas_ = nullptr;
    double magnification_ = 0;
    bool calibrationPending_ = false;
    // What the last Save wrote; null before the first Save of this picture.
    QImage savedRender_;
    QLineEdit* calibrated_ = nullptr;
    QLineEdit* toolName_ = nullptr;
    QLineEdit* nominal_ = nullptr;
    QFrame* frame_ = nullptr;
    QComboBox* zoomBox_ = nullptr;
    QLabel* zoomLabel_ = nullptr;
    QAction* undoAction_ = nullptr;
    QAction* redoAction_ = nullptr;
};

// Opens the picture for measuring as the main window does when the file list
// opens one: a picture that cannot be opened for reading is refused with a
// message; otherwise the dialog runs modally. `calibrated` runs on `parent`'s
// turn of the event loop after each calibrationStored; `saved` hears of
// every picture the dialog writes. Answers whether the dialog ran.
bool RunPhotoMeasure(CalibrationState& calibration, Prompts& prompts, SettingsStore& settings,
                     QWidget* parent, const QString& path,
                     const std::function<void()>& calibrated = {},
                     const std::function<void(const QString&)>& saved = {});
// The Pen Setting dialog as the main window's settings menu opens it; the
// colours go to the settings store (the dialog stores them at once).
struct PenSettingsOutcome {
    bool accepted = false;
    // The measurement label font as the dialog left it. A font chosen with
    // its Font button is stored at once, so it holds after Cancel too.
    FontRecord labelFont;
};
PenSettingsOutcome RunPenSettings(Prompts& prompts, SettingsStore& settings, QWidget* parent);

} // namespace tvx

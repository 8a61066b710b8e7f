#pragma once

#include "ui/device/device_setting_dlg.h"

#include <QObject>
#include <QPointer>

class QAction;
class QWidget;

namespace tvx {

class CaptureSession;

// Opens the device settings dialog from its command (1016) and, while it is
// open, has it fill its lists again after every connection check, so a
// microscope that comes or goes shows up there at once. UI thread.
class DeviceSettingsGlue : public QObject {
    Q_OBJECT
public:
    DeviceSettingsGlue(CaptureSession& session, QAction* command, QWidget* window);

    // Runs the dialog modally.
    void Open();
    // The dialog while it is open; null otherwise.
    DeviceSettingsDialog* dialog() const { return dialog_; }

private:
    CaptureSession& session_;
    QWidget* window_;
    QPointer<DeviceSettingsDialog> dialog_;
};

} // namespace tvx

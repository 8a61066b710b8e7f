#include "ui/main/device_settings_glue.h"

#include "session/capture_session.h"
#include "ui/device/device_setting_dlg.h"

#include <QAction>

namespace tvx {

DeviceSettingsGlue::DeviceSettingsGlue(CaptureSession& session, QAction* command, QWidget* window)
    : QObject(window), session_(session), window_(window) {
    if (command) connect(command, &QAction::triggered, this, &DeviceSettingsGlue::Open);
    // Queued rather than called: the dialog fills itself once the check that
    // rebuilt the devices has returned.
    connect(&session_, &CaptureSession::connectionChecked, this, [this] {
        if (dialog_)
            QMetaObject::invokeMethod(dialog_.data(), &DeviceSettingsDialog::Refill,
                                      Qt::QueuedConnection);
    });
}

void DeviceSettingsGlue::Open() {
    if (dialog_ || !session_.engine()) return;
    DeviceSettingsDialog dlg(*session_.engine(), window_);
    dialog_ = &dlg;
    dlg.exec();
}

} // namespace tvx

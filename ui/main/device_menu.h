#pragma once

#include <QObject>

class QMenu;
class QMenuBar;
class QWidget;

namespace tvx {

class CaptureSession;

// The Device menu: the capture devices by name, the current one checked,
// and the picture sizes the current one offers, a camera's at each of its
// rates where it has several. Choosing a device makes it the current one
// and remembers it; choosing a size (and rate) switches to it. Filled
// afresh each time it opens, so it follows plugging and unplugging.
// UI thread.
class DeviceMenu : public QObject {
    Q_OBJECT
public:
    DeviceMenu(CaptureSession& session, QWidget* window);
    // Puts the menu at the end of `bar` (after the bar was rebuilt, in the
    // current language).
    void AddTo(QMenuBar* bar);
    QMenu* menu() const { return menu_; }

private:
    void fill();

    CaptureSession& session_;
    QMenu* menu_;
};

} // namespace tvx

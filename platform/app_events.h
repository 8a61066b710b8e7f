#pragma once

#include <QCoreApplication>
#include <QEvent>
#include <QObject>
#include <cstdint>

namespace tvx {

// Messages the windows post to each other. Each is a QEvent of type
// QEvent::User + n, safe to post from any thread.
enum AppMessage : int {
    kMsgStill = 1,              // a still is to be saved; wParam 1 = the microscope's button
    kMsgGraphEvent = 3,         // capture graph event, drained and ignored
    kMsgPlaybackEvent = 4,      // playback graph event
    kMsgDeviceChanged = 5,      // to the device settings dialog: fill the lists again
    kMsgCalibrated = 6,         // a calibration was confirmed
    kMsgOpenPicture = 10,       // open the selected picture for measuring
    kMsgOpenVideo = 11,         // open the selected video in the player
    kMsgMagnification = 12,     // show and store a new magnification
    kMsgCalibrationPrompt = 13, // show the calibration prompt
};

class AppEvent : public QEvent {
public:
    static QEvent::Type TypeFor(int message) { return QEvent::Type(QEvent::User + message); }
    static bool Is(const QEvent* e, int message) { return e->type() == TypeFor(message); }

    explicit AppEvent(int message, std::intptr_t wParam = 0, std::intptr_t lParam = 0)
        : QEvent(TypeFor(message)), message_(message), wParam_(wParam), lParam_(lParam) {}

    int message() const { return message_; }
    std::intptr_t wParam() const { return wParam_; }
    std::intptr_t lParam() const { return lParam_; }

private:
    int message_;
    std::intptr_t wParam_;
    std::intptr_t lParam_;
};

inline void PostAppMessage(QObject* target, int message, std::intptr_t wParam = 0,
                           std::intptr_t lParam = 0) {
    if (target) QCoreApplication::postEvent(target, new AppEvent(message, wParam, lParam));
}

} // namespace tvx

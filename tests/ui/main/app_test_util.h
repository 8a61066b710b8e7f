#pragma once

#include "capture/capture_engine.h"
#include "capture/device_source.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QThread>

namespace tvx::test {

// Runs the event loop until `done` holds or the time is up.
template <class F> bool WaitFor(F done, int ms = 5000) {
    QElapsedTimer t;
    t.start();
    while (!done() && t.elapsed() < ms) {
        QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
        QThread::msleep(2);
    }
    return done();
}

// Runs the event loop for `ms` milliseconds.
inline void Pump(int ms) {
    WaitFor([] { return false; }, ms);
}

// A machine without any camera.
class NoDevices : public DeviceProvider {
public:
    bool Start() override { return true; }
    std::vector<std::shared_ptr<CaptureDevice>> Devices() override { return {}; }
};

inline std::unique_ptr<CaptureEngine> EngineWithoutCamera() {
    return std::make_unique<CaptureEngine>(std::vector<DeviceProvider*>{new NoDevices});
}

} // namespace tvx::test

#pragma once

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QThread>

namespace tvx::test {

// Runs the event loop until `done` holds or the time is up; answers `done`.
template <class F> bool WaitFor(F done, int ms = 10000) {
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

} // namespace tvx::test

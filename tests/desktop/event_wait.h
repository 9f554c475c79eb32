#pragma once

// Waiting in tests of the real components, with the event loop running.

#include <QApplication>
#include <QElapsedTimer>
#include <QThread>
#include <functional>

namespace kelvara::test {

// Runs the event loop until `done` holds or the time is up.
inline bool run_until(const std::function<bool()>& done, int timeout_ms = 8000) {
    QElapsedTimer clock;
    clock.start();
    while (!done()) {
        if (clock.elapsed() > timeout_ms)
            return false;
        QApplication::processEvents(QEventLoop::AllEvents, 10);
        QThread::msleep(5);
    }
    return true;
}

// Runs the event loop for `ms`.
inline void pump(int ms) {
    run_until([] { return false; }, ms);
}

} // namespace kelvara::test

#pragma once

// Helpers for tests that run the built client as a separate process.

#include <QByteArray>
#include <QElapsedTimer>
#include <QFile>
#include <QThread>
#include <functional>

namespace kelvara::test {

// Polls `ready` every 50 ms until it holds or `ms` have passed.
inline bool poll_until(const std::function<bool()>& ready, int ms) {
    QElapsedTimer t;
    t.start();
    while (t.elapsed() < ms) {
        if (ready())
            return true;
        QThread::msleep(50);
    }
    return ready();
}

// The bytes of a file; `missing` when it cannot be read.
inline QByteArray file_bytes(const QString& path, const QByteArray& missing = {}) {
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : missing;
}

} // namespace kelvara::test

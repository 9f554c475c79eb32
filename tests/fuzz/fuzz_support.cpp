#include "fuzz_support.h"

#include <QDir>
#include <QTemporaryDir>

namespace kelvara::fuzz {

QString scratch_folder() {
    static QTemporaryDir* const folder = [] {
        const QString base = QDir(QStringLiteral("/dev/shm")).exists() ? QStringLiteral("/dev/shm")
                                                                       : QDir::tempPath();
        return new QTemporaryDir(base + QStringLiteral("/kelvara-fuzz-XXXXXX"));
    }();
    return folder->path();
}

} // namespace kelvara::fuzz

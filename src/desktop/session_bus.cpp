#include "desktop/session_bus.h"

#include <QFileInfo>

namespace kelvara {

std::optional<QDBusConnection> session_bus() {
    const QByteArray runtime_dir = qgetenv("XDG_RUNTIME_DIR");
    const bool known = !qEnvironmentVariableIsEmpty("DBUS_SESSION_BUS_ADDRESS") ||
                       (!runtime_dir.isEmpty() &&
                        QFileInfo(QString::fromLocal8Bit(runtime_dir) + "/bus").exists());
    if (!known)
        return std::nullopt;
    QDBusConnection bus = QDBusConnection::sessionBus();
    if (!bus.isConnected())
        return std::nullopt;
    return bus;
}

} // namespace kelvara

#pragma once

#include <QDBusConnection>
#include <optional>

namespace kelvara {

// The user's session bus, when the desktop runs one. Without a known bus
// address nothing is connected: libdbus would otherwise start a bus of its
// own for the X display (autolaunch), which nobody listens on.
std::optional<QDBusConnection> session_bus();

} // namespace kelvara

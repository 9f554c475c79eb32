#pragma once

#include <QString>
#include <QStringList>
#include <optional>
#include <sys/types.h>

namespace kelvara {

// Starts `program` with `args` in `folder` as a process of its own session
// that outlives the client: its standard streams are /dev/null and it
// inherits no other descriptor, so a service such as the QVOD terminal holds
// neither the client's output pipes nor the browser engine's sockets open
// after the client ended. The process id, or nothing when it could not start.
std::optional<pid_t> start_detached_process(const QString& program, const QStringList& args,
                                            const QString& folder);

} // namespace kelvara

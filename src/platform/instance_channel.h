#pragma once

#include <QByteArray>
#include <QString>
#include <functional>

namespace kelvara {

// Makes the first instance of the client the only one: later starts hand it
// their command text.
class InstanceChannel {
public:
    virtual ~InstanceChannel() = default;
    // True when this process is now the first instance; false when another
    // one already runs.
    virtual bool claim() = 0;
    // Second instance: delivers the whole command text to the first one.
    virtual bool send(const QByteArray& command) = 0;
    // First instance: a command text arrived.
    std::function<void(const QString& command)> on_command;
};

} // namespace kelvara

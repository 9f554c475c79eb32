#pragma once

#include <QByteArray>
#include <QString>
#include <QStringList>
#include <functional>
#include <utility>

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

    // First instance: where command texts go once it is ready for them.
    // Texts that arrived while it was still starting are held until then and
    // handed over now, in the order they came.
    void set_on_command(std::function<void(const QString& command)> handler) {
        on_command_ = std::move(handler);
        const QStringList held = std::exchange(held_, {});
        for (const QString& command : held)
            on_command_(command);
    }

protected:
    // A command text arrived.
    void deliver(const QString& command) {
        if (on_command_)
            on_command_(command);
        else
            held_.append(command);
    }

private:
    std::function<void(const QString& command)> on_command_;
    QStringList held_;
};

} // namespace kelvara

#pragma once

#include "platform/instance_channel.h"

#include <QLocalServer>
#include <memory>

namespace kelvara {

// The single-instance channel: a local socket, owner-only, per user and
// application folder. A later start connects and writes its whole command
// text; the first instance reads it to the end and hands it on.
class LocalSocketChannel : public InstanceChannel {
public:
    explicit LocalSocketChannel(const QString& app_dir);
    ~LocalSocketChannel() override;
    bool claim() override;
    bool send(const QByteArray& command) override;

    QString server_name() const { return name_; }

private:
    void accept();

    QString name_;
    std::unique_ptr<QLocalServer> server_;
};

// Longest command text the first instance accepts.
constexpr qsizetype kMaxCommandBytes = 32 * 1024;

} // namespace kelvara

#pragma once

#include "platform/instance_channel.h"

#include <QLocalServer>
#include <memory>

class QLocalSocket;

namespace kelvara {

// The single-instance channel: a local socket per user and application
// folder, in a folder only the user can enter, with an owner-only socket file
// and a peer check. A lock held for the life of the first instance decides
// who is first, so that two starts at once never both become it and a socket
// left by a crashed instance never blocks the next start. A later start
// connects and writes its whole command text; the first instance reads it to
// the end and hands it on when it is text of at most kMaxCommandBytes.
class LocalSocketChannel : public InstanceChannel {
public:
    explicit LocalSocketChannel(const QString& app_dir);
    ~LocalSocketChannel() override;
    bool claim() override;
    bool send(const QByteArray& command) override;

    // The socket's path.
    QString server_name() const { return name_; }
    bool listening() const { return server_ && server_->isListening(); }

private:
    void accept();
    void receive(QLocalSocket* socket);
    bool first_answers();

    QString name_;
    QString lock_path_;
    int lock_fd_ = -1;
    std::unique_ptr<QLocalServer> server_;
};

// Longest command text the first instance accepts.
constexpr qsizetype kMaxCommandBytes = 32 * 1024;

// A received command as text: valid UTF-8 of at most kMaxCommandBytes without
// control characters other than tab; empty optional otherwise.
std::optional<QString> command_text(const QByteArray& bytes);

} // namespace kelvara

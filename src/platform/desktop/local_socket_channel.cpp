#include "platform/desktop/local_socket_channel.h"

#include <QCryptographicHash>
#include <QLocalSocket>
#include <QStringDecoder>
#include <sys/socket.h>
#include <unistd.h>

namespace kelvara {

namespace {

bool peer_is_owner(QLocalSocket* socket) {
    ucred cred{};
    socklen_t len = sizeof cred;
    if (getsockopt(static_cast<int>(socket->socketDescriptor()), SOL_SOCKET, SO_PEERCRED, &cred,
                   &len) != 0)
        return false;
    return cred.uid == getuid();
}

// Text only: valid UTF-8 without control characters other than tab.
std::optional<QString> command_text(const QByteArray& bytes) {
    if (bytes.size() > kMaxCommandBytes)
        return std::nullopt;
    QStringDecoder decode(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
    const QString text = decode(bytes);
    if (decode.hasError())
        return std::nullopt;
    for (const QChar c : text) {
        if (c.unicode() < 0x20 && c != u'\t')
            return std::nullopt;
    }
    return text;
}

} // namespace

LocalSocketChannel::LocalSocketChannel(const QString& app_dir) {
    const QByteArray hash =
        QCryptographicHash::hash(app_dir.toUtf8(), QCryptographicHash::Sha1).toHex().left(12);
    name_ = QStringLiteral("kelvara-%1-%2").arg(getuid()).arg(QString::fromLatin1(hash));
}

LocalSocketChannel::~LocalSocketChannel() = default;

bool LocalSocketChannel::claim() {
    {
        QLocalSocket probe;
        probe.connectToServer(name_);
        if (probe.waitForConnected(1000)) {
            probe.disconnectFromServer();
            return false;
        }
    }
    // Nobody answers: a socket file left by a crashed instance goes.
    QLocalServer::removeServer(name_);
    server_ = std::make_unique<QLocalServer>();
    server_->setSocketOptions(QLocalServer::UserAccessOption);
    if (!server_->listen(name_))
        return true; // run on without the channel rather than not at all
    QObject::connect(server_.get(), &QLocalServer::newConnection, [this] { accept(); });
    return true;
}

void LocalSocketChannel::accept() {
    while (QLocalSocket* socket = server_->nextPendingConnection()) {
        if (!peer_is_owner(socket)) {
            socket->abort();
            socket->deleteLater();
            continue;
        }
        auto buffer = std::make_shared<QByteArray>();
        QObject::connect(socket, &QLocalSocket::readyRead, socket, [socket, buffer] {
            buffer->append(socket->readAll());
            if (buffer->size() > kMaxCommandBytes)
                socket->abort();
        });
        QObject::connect(socket, &QLocalSocket::disconnected, socket, [this, socket, buffer] {
            buffer->append(socket->readAll());
            socket->deleteLater();
            const std::optional<QString> text = command_text(*buffer);
            if (text && on_command)
                on_command(*text);
        });
    }
}

bool LocalSocketChannel::send(const QByteArray& command) {
    QLocalSocket socket;
    socket.connectToServer(name_);
    if (!socket.waitForConnected(3000))
        return false;
    socket.write(command);
    const bool written = socket.waitForBytesWritten(3000) || socket.bytesToWrite() == 0;
    socket.disconnectFromServer();
    if (socket.state() != QLocalSocket::UnconnectedState)
        socket.waitForDisconnected(3000);
    return written;
}

} // namespace kelvara

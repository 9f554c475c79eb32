#include "desktop/local_socket_channel.h"

#include <QCryptographicHash>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QLocalSocket>
#include <QLoggingCategory>
#include <QStringDecoder>
#include <QThread>
#include <QTimer>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>

namespace kelvara {

namespace {

Q_LOGGING_CATEGORY(lc_channel, "kelvara.channel", QtWarningMsg)

// A sender that neither finishes nor goes away is dropped after this long.
constexpr int kReceiveTimeoutMs = 10000;
// How long a later start waits for the first instance to listen.
constexpr int kConnectWaitMs = 5000;

bool peer_is_owner(QLocalSocket* socket) {
    ucred cred{};
    socklen_t len = sizeof cred;
    if (getsockopt(static_cast<int>(socket->socketDescriptor()), SOL_SOCKET, SO_PEERCRED, &cred,
                   &len) != 0)
        return false;
    return cred.uid == getuid();
}

// A folder of the user's own (not a link) without the `forbidden` mode bits.
bool users_folder(const QByteArray& path, mode_t forbidden) {
    struct stat st {};
    return ::lstat(path.constData(), &st) == 0 && S_ISDIR(st.st_mode) && st.st_uid == getuid() &&
           (st.st_mode & forbidden) == 0;
}

// Room in a socket address for the path (Qt binds in a shorter temporary
// path beside it before it moves the owner-only socket into place).
bool fits_socket_address(const QString& path) {
    return QFile::encodeName(path).size() + 10 <
           static_cast<qsizetype>(sizeof(sockaddr_un{}.sun_path));
}

// The folder for the socket, best first: the user's runtime folder, a private
// folder of the user's in the temporary folder, the application folder when
// nobody else can write to it. Empty when none will do.
QString socket_folder(const QString& app_dir, const QString& file_name) {
    QList<QByteArray> candidates;
    const QByteArray runtime = qgetenv("XDG_RUNTIME_DIR");
    if (!runtime.isEmpty() && users_folder(runtime, 077))
        candidates.append(runtime);
    const QByteArray own =
        QFile::encodeName(QDir::tempPath() + QStringLiteral("/kelvara-%1").arg(getuid()));
    ::mkdir(own.constData(), 0700);
    if (users_folder(own, 0))
        ::chmod(own.constData(), 0700);
    if (users_folder(own, 077))
        candidates.append(own);
    const QByteArray app = QFile::encodeName(app_dir);
    if (users_folder(app, 022))
        candidates.append(app);
    for (const QByteArray& folder : candidates) {
        const QString name = QFile::decodeName(folder);
        if (fits_socket_address(name + u'/' + file_name))
            return name;
    }
    return {};
}

} // namespace

std::optional<QString> command_text(const QByteArray& bytes) {
    if (bytes.size() > kMaxCommandBytes)
        return std::nullopt;
    QStringDecoder decode(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
    const QString text = decode(bytes);
    if (decode.hasError() || !QUtf8StringView(bytes).isValidUtf8())
        return std::nullopt;
    for (const QChar c : text) {
        if ((c.unicode() < 0x20 && c != u'\t') || c.unicode() == 0x7f)
            return std::nullopt;
    }
    return text;
}

LocalSocketChannel::LocalSocketChannel(const QString& app_dir) {
    const QString hash = QString::fromLatin1(
        QCryptographicHash::hash(app_dir.toUtf8(), QCryptographicHash::Sha1).toHex().left(12));
    const QString file_name = QStringLiteral("kelvara-") + hash;
    const QString folder = socket_folder(app_dir, file_name);
    if (!folder.isEmpty()) {
        name_ = folder + u'/' + file_name;
        lock_path_ = name_ + QLatin1String(".lock");
    } else {
        // Qt's temporary folder; the socket file and the peer check still
        // keep other users out.
        name_ = QStringLiteral("kelvara-%1-%2").arg(getuid()).arg(hash);
    }
}

LocalSocketChannel::~LocalSocketChannel() {
    server_.reset();
    if (lock_fd_ >= 0)
        ::close(lock_fd_);
}

bool LocalSocketChannel::first_answers() {
    QLocalSocket probe;
    probe.connectToServer(name_);
    if (!probe.waitForConnected(1000))
        return false;
    probe.disconnectFromServer();
    return true;
}

bool LocalSocketChannel::claim() {
    if (lock_fd_ >= 0 || server_)
        return true; // claimed already
    if (!lock_path_.isEmpty()) {
        // Not inherited by the programs the client starts: the lock ends
        // with this process, however it ends.
        lock_fd_ = ::open(QFile::encodeName(lock_path_).constData(),
                          O_RDWR | O_CREAT | O_CLOEXEC | O_NOFOLLOW, 0600);
    }
    if (lock_fd_ >= 0) {
        if (::flock(lock_fd_, LOCK_EX | LOCK_NB) != 0) {
            ::close(lock_fd_);
            lock_fd_ = -1;
            return false;
        }
    } else if (first_answers()) {
        return false;
    }
    // Nobody holds the channel: a socket file left by a crashed instance goes.
    QLocalServer::removeServer(name_);
    server_ = std::make_unique<QLocalServer>();
    server_->setSocketOptions(QLocalServer::UserAccessOption);
    if (!server_->listen(name_)) {
        qCWarning(lc_channel) << "cannot listen on" << name_ << server_->errorString();
        return true; // run on without the channel rather than not at all
    }
    QObject::connect(server_.get(), &QLocalServer::newConnection, [this] { accept(); });
    return true;
}

void LocalSocketChannel::accept() {
    while (QLocalSocket* socket = server_->nextPendingConnection()) {
        if (!peer_is_owner(socket)) {
            qCWarning(lc_channel) << "refused a connection of another user";
            socket->abort();
            socket->deleteLater();
            continue;
        }
        receive(socket);
    }
}

void LocalSocketChannel::receive(QLocalSocket* socket) {
    struct Incoming {
        QByteArray bytes;
        bool refused = false;
    };
    auto in = std::make_shared<Incoming>();
    const auto refuse = [socket, in] {
        in->refused = true;
        socket->abort();
    };
    QObject::connect(socket, &QLocalSocket::readyRead, socket, [socket, in, refuse] {
        if (in->refused)
            return;
        in->bytes.append(socket->readAll());
        if (in->bytes.size() > kMaxCommandBytes) {
            qCInfo(lc_channel) << "refused a command longer than" << kMaxCommandBytes;
            refuse();
        }
    });
    QObject::connect(socket, &QLocalSocket::disconnected, socket, [this, socket, in] {
        socket->deleteLater();
        if (in->refused)
            return;
        in->refused = true; // delivered once
        in->bytes.append(socket->readAll());
        const std::optional<QString> text = command_text(in->bytes);
        if (!text) {
            qCInfo(lc_channel) << "refused a command that is not text";
            return;
        }
        deliver(*text);
    });
    QTimer::singleShot(kReceiveTimeoutMs, socket, refuse);
}

bool LocalSocketChannel::send(const QByteArray& command) {
    QLocalSocket socket;
    QElapsedTimer waited;
    waited.start();
    // The first instance listens a moment after it took the lock.
    for (;;) {
        socket.connectToServer(name_);
        if (socket.waitForConnected(1000))
            break;
        socket.abort();
        if (waited.elapsed() > kConnectWaitMs)
            return false;
        QThread::msleep(50);
    }
    socket.write(command);
    while (socket.bytesToWrite() > 0 && socket.waitForBytesWritten(3000)) {
    }
    const bool written = socket.bytesToWrite() == 0;
    socket.disconnectFromServer();
    if (socket.state() != QLocalSocket::UnconnectedState)
        socket.waitForDisconnected(3000);
    return written;
}

} // namespace kelvara

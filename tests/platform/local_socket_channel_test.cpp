// The single-instance channel between two channels of one process, and
// against a process of another user.

#include "desktop/local_socket_channel.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>
#include <QThread>
#include <gtest/gtest.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <sys/wait.h>
#include <unistd.h>

using namespace kelvara;

namespace {

class Channel : public ::testing::Test {
protected:
    void SetUp() override {
        first = std::make_unique<LocalSocketChannel>(app.path());
        first->set_on_command([this](const QString& text) { received.append(text); });
    }

    // Runs the event loop until `count` commands arrived or `ms` passed.
    bool wait_for(qsizetype count, int ms = 3000) {
        QElapsedTimer t;
        t.start();
        while (received.size() < count && t.elapsed() < ms) {
            QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
            QThread::msleep(5);
        }
        return received.size() >= count;
    }
    void settle(int ms = 200) { wait_for(received.size() + 1, ms); }
    bool send(const QByteArray& bytes) { return LocalSocketChannel(app.path()).send(bytes); }

    QTemporaryDir app;
    std::unique_ptr<LocalSocketChannel> first;
    QStringList received;
};

mode_t mode_of(const QString& path) {
    struct stat st {};
    return ::lstat(QFile::encodeName(path).constData(), &st) == 0 ? st.st_mode : 0;
}

} // namespace

TEST_F(Channel, SocketIsTheOwnersOnlyInAPrivateFolder) {
    ASSERT_TRUE(first->claim());
    ASSERT_TRUE(first->listening());
    const QString path = first->server_name();
    ASSERT_TRUE(path.startsWith('/')) << path.toStdString();
    const mode_t socket_mode = mode_of(path);
    EXPECT_TRUE(S_ISSOCK(socket_mode));
    EXPECT_EQ(socket_mode & 077, 0u) << std::oct << socket_mode;
    const mode_t folder_mode = mode_of(QFileInfo(path).path());
    EXPECT_TRUE(S_ISDIR(folder_mode));
    EXPECT_EQ(folder_mode & 077, 0u) << std::oct << folder_mode;

    // Another application folder has a channel of its own.
    QTemporaryDir other;
    LocalSocketChannel elsewhere(other.path());
    EXPECT_NE(elsewhere.server_name(), path);
    EXPECT_TRUE(elsewhere.claim());
}

TEST_F(Channel, RuntimeFolderIsUsedOnlyWhenItIsPrivate) {
    const QByteArray saved = qgetenv("XDG_RUNTIME_DIR");
    QTemporaryDir runtime;
    qputenv("XDG_RUNTIME_DIR", QFile::encodeName(runtime.path()));
    ::chmod(QFile::encodeName(runtime.path()).constData(), 0700);
    const QString private_name = LocalSocketChannel(app.path()).server_name();
    ::chmod(QFile::encodeName(runtime.path()).constData(), 0777);
    const QString open_name = LocalSocketChannel(app.path()).server_name();
    if (saved.isNull())
        qunsetenv("XDG_RUNTIME_DIR");
    else
        qputenv("XDG_RUNTIME_DIR", saved);
    EXPECT_TRUE(private_name.startsWith(runtime.path() + "/kelvara-"))
        << private_name.toStdString();
    EXPECT_FALSE(open_name.startsWith(runtime.path())) << open_name.toStdString();
    EXPECT_EQ(QFileInfo(open_name).fileName(), QFileInfo(private_name).fileName());
}

TEST_F(Channel, SecondClaimFailsAndItsCommandReachesTheFirst) {
    ASSERT_TRUE(first->claim());
    EXPECT_TRUE(first->claim()); // the owner keeps it
    LocalSocketChannel second(app.path());
    EXPECT_FALSE(second.claim());
    EXPECT_FALSE(second.claim());
    EXPECT_FALSE(second.listening());
    EXPECT_TRUE(second.send("\"/home/u/my films/第一集.mp4\""));
    ASSERT_TRUE(wait_for(1));
    EXPECT_EQ(received[0], "\"/home/u/my films/第一集.mp4\"");

    EXPECT_TRUE(send(""));
    ASSERT_TRUE(wait_for(2));
    EXPECT_EQ(received[1], "");

    // Commands arrive whole and in order.
    EXPECT_TRUE(send("/a.mp4"));
    EXPECT_TRUE(send("/b.mp4"));
    ASSERT_TRUE(wait_for(4));
    EXPECT_EQ(received.mid(2), (QStringList{"/a.mp4", "/b.mp4"}));
}

TEST_F(Channel, CommandsThatAreTooLongOrNotTextAreRefused) {
    ASSERT_TRUE(first->claim());
    const QByteArray longest(kMaxCommandBytes, 'a');
    EXPECT_TRUE(send(longest));
    ASSERT_TRUE(wait_for(1));
    EXPECT_EQ(received[0].size(), kMaxCommandBytes);

    for (const QByteArray& bad :
         {QByteArray(kMaxCommandBytes + 1, 'a'), QByteArray("\xff\xfe/a"), QByteArray("/a\xe4\xb8"),
          QByteArray("/\xc0\xaf"), QByteArray("/\xed\xa0\x80"), QByteArray("/a\0b", 4),
          QByteArray("/a\nrm -rf /"), QByteArray("/a\x1b[2J")}) {
        send(bad);
    }
    EXPECT_TRUE(send("/still/works.mp4"));
    ASSERT_TRUE(wait_for(2));
    settle();
    EXPECT_EQ(received.size(), 2);
    EXPECT_EQ(received.last(), "/still/works.mp4");
}

TEST_F(Channel, StaleSocketOfACrashedInstanceDoesNotBlockTheNextStart) {
    // A socket file nobody listens on, as a killed instance leaves it.
    const QByteArray path = QFile::encodeName(first->server_name());
    const int fd = ::socket(AF_UNIX, SOCK_STREAM, 0);
    sockaddr_un addr{};
    addr.sun_family = AF_UNIX;
    std::strncpy(addr.sun_path, path.constData(), sizeof addr.sun_path - 1);
    ::unlink(path.constData());
    ASSERT_EQ(::bind(fd, reinterpret_cast<sockaddr*>(&addr), sizeof addr), 0);
    ASSERT_EQ(::listen(fd, 1), 0);
    ::close(fd);
    ASSERT_TRUE(S_ISSOCK(mode_of(first->server_name())));

    EXPECT_TRUE(first->claim());
    EXPECT_TRUE(first->listening());
    EXPECT_TRUE(send("/after/crash.mp4"));
    ASSERT_TRUE(wait_for(1));
    EXPECT_EQ(received[0], "/after/crash.mp4");
}

TEST_F(Channel, TheChannelEndsWithItsOwner) {
    ASSERT_TRUE(first->claim());
    first.reset();
    LocalSocketChannel next(app.path());
    next.set_on_command([this](const QString& text) { received.append(text); });
    EXPECT_TRUE(next.claim());
    EXPECT_TRUE(send("/next.mp4"));
    ASSERT_TRUE(wait_for(1));
    EXPECT_EQ(received[0], "/next.mp4");
}

TEST_F(Channel, AnotherUserCannotSendCommands) {
    if (::getuid() != 0)
        GTEST_SKIP() << "needs root to run a process as another user";
    ASSERT_TRUE(first->claim());
    const QByteArray path = QFile::encodeName(first->server_name());
    const QByteArray folder = QFile::encodeName(QFileInfo(first->server_name()).path());

    // Connects as nobody and writes a command; exit code 0 when it connected.
    const auto try_as_nobody = [&] {
        const pid_t child = ::fork();
        if (child == 0) {
            if (::setgid(65534) != 0 || ::setuid(65534) != 0)
                ::_exit(3);
            const int fd = ::socket(AF_UNIX, SOCK_STREAM, 0);
            sockaddr_un addr{};
            addr.sun_family = AF_UNIX;
            std::strncpy(addr.sun_path, path.constData(), sizeof addr.sun_path - 1);
            if (::connect(fd, reinterpret_cast<sockaddr*>(&addr), sizeof addr) != 0)
                ::_exit(1);
            const char command[] = "/from/nobody.mp4";
            if (::write(fd, command, sizeof command - 1) < 0)
                ::_exit(2);
            ::close(fd);
            ::_exit(0);
        }
        int status = 0;
        ::waitpid(child, &status, 0);
        return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    };

    EXPECT_EQ(try_as_nobody(), 1); // the folder and the socket keep it out
    settle();

    // With the file permissions opened up, the peer check still refuses it.
    struct stat folder_st {};
    ::stat(folder.constData(), &folder_st);
    ASSERT_EQ(::chmod(folder.constData(), 0755), 0);
    ASSERT_EQ(::chmod(path.constData(), 0777), 0);
    const int opened = try_as_nobody();
    ::chmod(folder.constData(), folder_st.st_mode & 07777);
    EXPECT_EQ(opened, 0);
    settle();
    EXPECT_TRUE(received.isEmpty()) << received.join(", ").toStdString();

    EXPECT_TRUE(send("/from/owner.mp4"));
    ASSERT_TRUE(wait_for(1));
    EXPECT_EQ(received, QStringList{"/from/owner.mp4"});
}

TEST(CommandText, TakesValidTextOnly) {
    EXPECT_EQ(command_text("\"C:/a b\"\t/c"), "\"C:/a b\"\t/c");
    EXPECT_EQ(command_text("/电影/片.mp4"), "/电影/片.mp4");
    EXPECT_EQ(command_text(""), "");
    EXPECT_FALSE(command_text("/a\xe4\xb8").has_value());
    EXPECT_FALSE(command_text("/\xc0\xaf").has_value());
    EXPECT_FALSE(command_text("/a\r").has_value());
    EXPECT_FALSE(command_text("/a\x7f").has_value());
    EXPECT_FALSE(command_text(QByteArray(kMaxCommandBytes + 1, 'x')).has_value());
}

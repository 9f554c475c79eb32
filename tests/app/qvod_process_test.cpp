// The QVOD process check and the quit against real processes: copies of
// sleep under the QVOD programs' names, started and ended by the test.

#include "desktop/detached_process.h"
#include "desktop/proc_processes.h"
#include "fakes/simulated_client.h"
#include "window/main_window.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QTemporaryDir>
#include <QThread>
#include <fcntl.h>
#include <gtest/gtest.h>
#include <memory>
#include <unistd.h>

using namespace kelvara;
using namespace kelvara::test;

namespace {

// A stand-in program with a QVOD name, running until the test ends it.
class StandIn {
public:
    StandIn(const QString& folder, const QString& name) {
        const QString path = QDir(folder).filePath(name);
        if (!QFile::exists(path))
            QFile::copy(QStringLiteral("/bin/sleep"), path);
        QFile::setPermissions(path, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
        process_.start(path, {QStringLiteral("60")});
        process_.waitForStarted(5000);
    }
    ~StandIn() {
        if (process_.state() != QProcess::NotRunning) {
            process_.kill();
            process_.waitForFinished(5000);
        }
    }
    bool running() { return process_.state() == QProcess::Running; }
    // True when the process ended within the time.
    bool ends(int ms = 5000) {
        return process_.state() == QProcess::NotRunning || process_.waitForFinished(ms);
    }
    qint64 pid() const { return process_.processId(); }

private:
    QProcess process_;
};

// Waits until the machine's process list shows the stand-in by its name.
bool listed(Processes& table, qint64 pid, const QString& name) {
    for (int i = 0; i < 100; ++i) {
        for (const ProcessInfo& p : table.list()) {
            if (p.pid == pid && p.name == name)
                return true;
        }
        QThread::msleep(20);
    }
    return false;
}

class QvodProcesses : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_TRUE(QDir().mkpath(folder)); }
    ProcProcesses machine;
    SimulatedClient client{machine};
    // The client's own QVOD folder with its fresh settings.
    const QString folder = client.dir.filePath("Qvod");
};

} // namespace

TEST_F(QvodProcesses, CheckEndsThePlayerAndKeepsTheTerminal) {
    StandIn player(folder, "QvodPlayer.exe");
    StandIn terminal(folder, "QvodTerminal.exe");
    ASSERT_TRUE(listed(machine, player.pid(), "QvodPlayer.exe"));
    ASSERT_TRUE(listed(machine, terminal.pid(), "QvodTerminal.exe"));
    client.start();
    client.clock.advance(10);
    EXPECT_TRUE(player.ends());
    EXPECT_TRUE(terminal.running());
    EXPECT_EQ(client.setting("S_q", "qvodw"), folder + "/");
}

TEST_F(QvodProcesses, CheckStartsTheTerminalFromThePlayersFolder) {
    QFile::copy(QStringLiteral("/bin/true"), QDir(folder).filePath("QvodTerminal.exe"));
    StandIn player(folder, "QvodPlayer.exe");
    ASSERT_TRUE(listed(machine, player.pid(), "QvodPlayer.exe"));
    client.start();
    client.clock.advance(10);
    EXPECT_TRUE(player.ends());
    EXPECT_EQ(client.events.passes, 1);
    EXPECT_EQ(client.setting("S_q", "qvodw"), folder + "/");
}

TEST_F(QvodProcesses, QuitEndsThemWhenAskedTo) {
    MainWindow& w = client.start();
    client.set_setting("S_q", "qvodk", "2");
    StandIn player(folder, "QvodPlayer.exe");
    StandIn terminal(folder, "QvodTerminal.exe");
    ASSERT_TRUE(listed(machine, terminal.pid(), "QvodTerminal.exe"));
    w.quit_client();
    EXPECT_TRUE(player.ends());
    EXPECT_TRUE(terminal.ends());
}

TEST_F(QvodProcesses, QuitLeavesThemRunningOtherwise) {
    MainWindow& w = client.start();
    client.set_setting("S_q", "qvodk", "1");
    StandIn player(folder, "QvodPlayer.exe");
    StandIn terminal(folder, "QvodTerminal.exe");
    ASSERT_TRUE(listed(machine, terminal.pid(), "QvodTerminal.exe"));
    w.quit_client();
    QThread::msleep(200);
    EXPECT_TRUE(player.running());
    EXPECT_TRUE(terminal.running());
}

TEST_F(QvodProcesses, ProgramsOfAnotherFolderAreNeitherAdoptedNorEnded) {
    QTemporaryDir other; // another client's QVOD folder
    StandIn player(other.path(), "QvodPlayer.exe");
    StandIn terminal(other.path(), "QvodTerminal.exe");
    ASSERT_TRUE(listed(machine, terminal.pid(), "QvodTerminal.exe"));
    MainWindow& w = client.start();
    client.clock.advance(10);
    EXPECT_EQ(client.setting("S_q", "qvodw"), "0");
    client.set_setting("S_q", "qvodk", "2");
    w.quit_client();
    QThread::msleep(200);
    EXPECT_TRUE(player.running());
    EXPECT_TRUE(terminal.running());
}

// The terminal is started as a service of its own: a session of its own, in
// its folder, /dev/null for its streams and none of the client's other
// descriptors (the engine's sockets, the client's pipes); once it ends it
// leaves no zombie behind.
TEST(DetachedProcess, RunsAloneInItsFolderAndLeavesNoZombie) {
    QTemporaryDir folder;
    const int held = ::open("/dev/null", O_RDONLY); // not O_CLOEXEC: a fork would pass it on
    ASSERT_GE(held, 3);
    const std::optional<pid_t> pid = start_detached_process(QStringLiteral("/bin/sleep"),
                                                            {QStringLiteral("0.5")}, folder.path());
    ::close(held);
    ASSERT_TRUE(pid);
    const QString proc = QStringLiteral("/proc/%1/").arg(*pid);
    // Until the exec, the process is still the client's copy.
    for (int i = 0; i < 100 && QFile::symLinkTarget(proc + "exe") !=
                                   QFileInfo("/bin/sleep").canonicalFilePath();
         ++i)
        QThread::msleep(5);
    EXPECT_EQ(QDir(proc + "fd").entryList(QDir::NoDotAndDotDot | QDir::AllEntries),
              QStringList({"0", "1", "2"}));
    EXPECT_EQ(QFile::symLinkTarget(proc + "fd/1"), QStringLiteral("/dev/null"));
    EXPECT_EQ(QFile::symLinkTarget(proc + "cwd"), QDir(folder.path()).canonicalPath());
    QFile stat(proc + "stat");
    ASSERT_TRUE(stat.open(QIODevice::ReadOnly));
    const QList<QByteArray> fields = stat.readAll().split(')').last().trimmed().split(' ');
    EXPECT_EQ(fields.value(3).toLongLong(), *pid) << "not a session of its own";
    bool gone = false;
    for (int i = 0; i < 250 && !gone; ++i) {
        gone = !QFile::exists(proc);
        if (!gone)
            QThread::msleep(20);
    }
    EXPECT_TRUE(gone) << "the ended service stays as a zombie";
    EXPECT_FALSE(start_detached_process(folder.filePath("missing"), {}, folder.path()));
}

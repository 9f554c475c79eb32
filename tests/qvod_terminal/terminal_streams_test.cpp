// The client's side: TerminalStreams starts the QVOD folder's own
// QvodTerminal.exe and hands the player a local stream address.

#include "desktop/qvod_folder.h"
#include "desktop/terminal_streams.h"
#include "logic/settings/qvod_settings.h"
#include "shared/gbk.h"
#include "terminal_fixture.h"
#include "terminal_settings.h"

#include <csignal>
#include <fcntl.h>
#include <filesystem>
#include <fstream>
#include <httplib.h>
#include <sys/file.h>
#include <thread>

namespace kelvara::testing {
namespace {

using namespace std::chrono_literals;
using Clock = std::chrono::steady_clock;

class Streams : public ::testing::Test {
protected:
    Streams() {
        char pattern[] = "/tmp/terminal-streams-test-XXXXXX";
        root_ = ::mkdtemp(pattern);
        folder_ = root_ + "/Qvod";
        std::filesystem::create_directories(folder_);
        std::filesystem::copy_file(terminal_program(), folder_ + "/QvodTerminal.exe");
        server_.set("a", {});
        write_settings(folder_, root_ + "/Media/", {server_.base("a")});
    }

    ~Streams() override {
        // The terminal runs detached; end it through the pid in its port file.
        if (const pid_t pid = terminal_pid(); pid > 0) {
            ::kill(pid, SIGTERM);
            const auto deadline = Clock::now() + 5s;
            while (running(pid) && Clock::now() < deadline)
                std::this_thread::sleep_for(20ms);
        }
        std::filesystem::remove_all(root_);
    }

    pid_t terminal_pid() const {
        const std::string port_file = read_file(folder_ + "/" + terminal_api::kPortFile);
        const size_t line = port_file.find('\n');
        return line == std::string::npos ? 0 : std::atoi(port_file.c_str() + line + 1);
    }

    // Not yet ended: a detached process's zombie waits for a reaper we do
    // not control.
    static bool running(pid_t pid) {
        const std::string stat = read_file("/proc/" + std::to_string(pid) + "/stat");
        const size_t paren = stat.rfind(')');
        return paren != std::string::npos && paren + 2 < stat.size() && stat[paren + 2] != 'Z';
    }

    QString address_of(const std::string& name, const std::string& content) {
        const std::string sha1 = sha1_of(content);
        server_.add_file(sha1, content);
        return QString::fromStdString("qvod://" + std::to_string(content.size()) + "|" + sha1 +
                                      "|" + name + "|");
    }

    // The body of a local stream address.
    static std::optional<std::string> fetch(const QString& url) {
        const std::string text = url.toStdString();
        const size_t colon = text.find(':', 7);
        const size_t slash = text.find('/', colon);
        httplib::Client client("127.0.0.1", std::atoi(text.c_str() + colon + 1));
        client.set_read_timeout(20, 0);
        const auto reply = client.Get(text.substr(slash));
        if (!reply || reply->status != 200)
            return std::nullopt;
        return reply->body;
    }

    std::string root_;
    std::string folder_;
    SourceServer server_;
};

TEST_F(Streams, StartsTheFoldersTerminalAndStreamsTheAddress) {
    const std::string content = make_content(300 * 1024, 21);
    const QString address = address_of("第一集.mp4", content);
    TerminalStreams streams(QString::fromStdString(folder_));
    EXPECT_FALSE(streams.status(address)) << "no terminal runs yet";

    const QString url = streams.open(address);
    ASSERT_TRUE(url.startsWith("http://127.0.0.1:")) << url.toStdString();
    EXPECT_TRUE(url.contains("/stream/" + QString::fromStdString(sha1_of(content))));
    const auto body = fetch(url);
    ASSERT_TRUE(body);
    EXPECT_TRUE(*body == content);

    std::optional<QvodStreams::Status> status;
    const auto deadline = Clock::now() + 10s;
    while (Clock::now() < deadline) {
        const auto asked = Clock::now();
        status = streams.status(address);
        EXPECT_LT(Clock::now() - asked, 100ms);
        if (status && status->permille == 1000)
            break;
        std::this_thread::sleep_for(20ms);
    }
    ASSERT_TRUE(status);
    EXPECT_EQ(status->permille, 1000);
    EXPECT_FALSE(status->connecting || status->reconnecting || status->failed);

    // The window asks on its own thread: a round trip takes well under the
    // 40 ms that TCP's delayed acknowledgement would add to each.
    auto quickest = Clock::duration::max();
    for (int i = 0; i < 10; ++i) {
        const auto asked = Clock::now();
        EXPECT_TRUE(streams.status(address));
        EXPECT_FALSE(streams.open(address).isEmpty());
        quickest = std::min(quickest, Clock::now() - asked);
    }
    EXPECT_LT(quickest, 20ms);
    EXPECT_TRUE(read_file(root_ + "/Media/第一集.mp4") == content);
}

TEST_F(Streams, ReusesTheRunningTerminalAndReplacesADeadOne) {
    std::ofstream(folder_ + "/" + terminal_api::kPortFile) << "1\n";
    const QString address = address_of("a.mp4", make_content(64 * 1024, 22));
    TerminalStreams first(QString::fromStdString(folder_));
    const QString url = first.open(address);
    ASSERT_FALSE(url.isEmpty()) << "a stale port file must not stop the start";
    const int port = first.running_port();
    EXPECT_GT(port, 1);
    TerminalStreams second(QString::fromStdString(folder_));
    EXPECT_EQ(second.open(address), url);
    EXPECT_EQ(second.running_port(), port);
}

TEST_F(Streams, StartsAStoppedTerminalAgainAtOnceButWaitsOutOneThatCannotStart) {
    const QString address = address_of("a.mp4", make_content(64 * 1024, 24));
    TerminalStreams streams(QString::fromStdString(folder_));
    ASSERT_FALSE(streams.open(address).isEmpty());
    const std::string port_file = folder_ + "/" + terminal_api::kPortFile;
    // Ends as a restart of the terminal does: the old one may still be
    // letting go of its connections when the next address is opened.
    const auto stop_terminal = [&] {
        const pid_t pid = terminal_pid();
        EXPECT_GT(pid, 0);
        if (pid > 0)
            ::kill(pid, SIGTERM);
        const auto deadline = Clock::now() + 5s;
        while (std::filesystem::exists(port_file) && Clock::now() < deadline)
            std::this_thread::sleep_for(5ms);
        return pid;
    };
    stop_terminal();
    const QString url = streams.open(address);
    ASSERT_FALSE(url.isEmpty()) << "a stopped terminal is started again at once";
    const int port = streams.running_port();
    EXPECT_GT(port, 0);
    EXPECT_TRUE(url.startsWith(QStringLiteral("http://127.0.0.1:%1/").arg(port)))
        << "the new terminal's stream, not the ending one's";

    // Another process holds the folder: each terminal started ends at once.
    const pid_t ended = stop_terminal();
    const auto deadline = Clock::now() + 5s;
    while (running(ended) && Clock::now() < deadline)
        std::this_thread::sleep_for(20ms);
    const int lock = ::open((folder_ + "/" + terminal_api::kLockFile).c_str(),
                            O_RDWR | O_CREAT | O_CLOEXEC, 0644);
    ASSERT_EQ(::flock(lock, LOCK_EX | LOCK_NB), 0);
    auto asked = Clock::now();
    EXPECT_TRUE(streams.open(address).isEmpty());
    EXPECT_LT(Clock::now() - asked, 2500ms) << "a terminal that ended is not waited for";
    asked = Clock::now();
    EXPECT_TRUE(streams.open(address).isEmpty());
    EXPECT_LT(Clock::now() - asked, 300ms) << "no second start right after a failed one";
    ::close(lock);
}

TEST_F(Streams, PreloadsAndRefusesOtherAddresses) {
    const std::string content = make_content(200 * 1024, 23);
    const QString address = address_of("下一集.mkv", content);
    TerminalStreams streams(QString::fromStdString(folder_));
    EXPECT_TRUE(streams.open(QStringLiteral("http://127.0.0.1/a.mp4")).isEmpty());
    EXPECT_TRUE(streams.open(QStringLiteral("qvod://12|nothash|a.mp4|")).isEmpty());
    EXPECT_EQ(streams.running_port(), 0) << "no terminal is started for those";

    streams.preload(address);
    const auto deadline = Clock::now() + 10s;
    while (Clock::now() < deadline && !std::filesystem::exists(root_ + "/Media/下一集.mkv"))
        std::this_thread::sleep_for(20ms);
    EXPECT_TRUE(read_file(root_ + "/Media/下一集.mkv") == content);
    const auto status = streams.status(address);
    ASSERT_TRUE(status);
    EXPECT_EQ(status->permille, 1000);
}

TEST(ClientSetUp, WritesSettingsTheTerminalReads) {
    const QString text = default_qvod_settings(QStringLiteral("/home/u/影视/"),
                                               {QStringLiteral("http://127.0.0.1:8/seed/?a=1&b=2"),
                                                QStringLiteral("http://127.0.0.1:9/seed/")});
    EXPECT_TRUE(
        text.contains(QStringLiteral("<Config Defaultsavepath=\"/home/u/影视/\"/>\r\n<Source")));
    const TerminalSettings settings = parse_settings(to_gbk(text), "/q");
    EXPECT_EQ(settings.save_folder, "/home/u/影视/");
    ASSERT_EQ(settings.sources.size(), 2u);
    EXPECT_EQ(settings.sources[0], "http://127.0.0.1:8/seed/?a=1&b=2");
    EXPECT_EQ(settings.sources[1], "http://127.0.0.1:9/seed/");
}

// Folders with what XML escapes, and a character GBK cannot hold, as the
// set-up, the demo run and the settings dialog write them.
TEST(ClientSetUp, EveryWriterOfTheSettingsGivesTheTerminalTheSameFolder) {
    const QStringList folders{QStringLiteral("/home/u/Films & \"TV\" <new>/"),
                              QStringLiteral("/home/u/\U0001F3AC 影视/")};
    const QString seed = QStringLiteral("http://127.0.0.1:8/seed/?a=1&b=\"2\"");
    for (const QString& folder : folders) {
        SCOPED_TRACE(folder.toStdString());
        const QByteArray written = to_gbk(with_only_source(default_qvod_settings(folder), seed));
        TerminalSettings settings = parse_settings(written, "/q");
        EXPECT_EQ(settings.save_folder, folder.toStdString());
        ASSERT_EQ(settings.sources.size(), 1u);
        EXPECT_EQ(settings.sources[0], seed.toStdString());

        const QString changed = folder + QStringLiteral("&more/");
        settings = parse_settings(to_gbk(with_qvod_save_path(from_gbk(written), changed)), "/q");
        EXPECT_EQ(settings.save_folder, changed.toStdString());
    }
}

} // namespace
} // namespace kelvara::testing

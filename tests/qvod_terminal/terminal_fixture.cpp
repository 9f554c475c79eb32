#include "terminal_fixture.h"

#include "shared/gbk.h"

#include <QString>
#include <csignal>
#include <filesystem>
#include <fstream>
#include <httplib.h>
#include <sstream>
#include <sys/resource.h>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>

namespace kelvara::testing {

using namespace std::chrono_literals;

TerminalProcess::~TerminalProcess() {
    if (pid_ > 0) {
        ::kill(pid_, SIGKILL);
        ::waitpid(pid_, nullptr, 0);
    }
}

bool TerminalProcess::start(const std::string& program, const std::vector<std::string>& args,
                            int64_t file_size_limit) {
    std::vector<char*> argv;
    argv.push_back(const_cast<char*>(program.c_str()));
    for (const std::string& arg : args)
        argv.push_back(const_cast<char*>(arg.c_str()));
    argv.push_back(nullptr);
    pid_ = ::fork();
    if (pid_ == 0) {
        if (file_size_limit >= 0) {
            const rlimit limit{rlim_t(file_size_limit), rlim_t(file_size_limit)};
            ::setrlimit(RLIMIT_FSIZE, &limit);
        }
        ::execv(program.c_str(), argv.data());
        ::_exit(127);
    }
    return pid_ > 0;
}

void TerminalProcess::signal(int number) {
    if (pid_ > 0)
        ::kill(pid_, number);
}

int TerminalProcess::wait(std::chrono::milliseconds timeout) {
    const auto deadline = std::chrono::steady_clock::now() + timeout;
    while (pid_ > 0) {
        int status = 0;
        if (::waitpid(pid_, &status, WNOHANG) == pid_) {
            pid_ = -1;
            return WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
        }
        if (std::chrono::steady_clock::now() > deadline)
            return -1;
        std::this_thread::sleep_for(10ms);
    }
    return -1;
}

std::string terminal_program() {
    return KELVARA_TERMINAL_EXE;
}

std::string read_file(const std::string& path) {
    std::ifstream file(path, std::ios::binary);
    std::ostringstream text;
    text << file.rdbuf();
    return text.str();
}

bool file_exists(const std::string& path) {
    return std::filesystem::exists(path);
}

void write_settings(const std::string& qvod_folder, const std::string& save_folder,
                    const std::vector<std::string>& sources) {
    QString text = QStringLiteral("<?xml version=\"1.0\" encoding=\"GBK\"?>\r\n<QvodPlayer>\r\n"
                                  "<Config Defaultsavepath=\"%1\"/>\r\n")
                       .arg(QString::fromStdString(save_folder));
    for (const std::string& source : sources)
        text += QStringLiteral("<Source url=\"%1\"/>\r\n").arg(QString::fromStdString(source));
    text += QStringLiteral("</QvodPlayer>\r\n");
    std::ofstream file(qvod_folder + "/" + terminal_api::kSettingsFile, std::ios::binary);
    const QByteArray bytes = to_gbk(text);
    file.write(bytes.constData(), bytes.size());
}

std::optional<terminal_api::Endpoint> wait_for_port(const std::string& qvod_folder,
                                                    std::chrono::milliseconds timeout) {
    const auto deadline = std::chrono::steady_clock::now() + timeout;
    while (std::chrono::steady_clock::now() < deadline) {
        const auto endpoint =
            terminal_api::parse_port_file(read_file(qvod_folder + "/" + terminal_api::kPortFile));
        if (endpoint) {
            httplib::Client client("127.0.0.1", endpoint->port);
            client.set_connection_timeout(0, 200000);
            const auto reply = client.Get(std::string(terminal_api::kHelloPath) + "?" +
                                          terminal_api::kSecretParam + "=" + endpoint->secret);
            if (reply && reply->body == terminal_api::kHelloReply)
                return endpoint;
        }
        std::this_thread::sleep_for(20ms);
    }
    return std::nullopt;
}

TerminalTest::TerminalTest() {
    char pattern[] = "/tmp/qvod-terminal-test-XXXXXX";
    root_ = ::mkdtemp(pattern);
    qvod_folder_ = root_ + "/Qvod";
    save_folder_ = root_ + "/影片/";
    std::filesystem::create_directories(qvod_folder_);
}

TerminalTest::~TerminalTest() {
    terminal_.signal(SIGKILL);
    terminal_.wait(5s);
    std::filesystem::remove_all(root_);
}

TerminalTest::File TerminalTest::add_file(const std::string& name, int64_t size, uint32_t seed) {
    File file{"", name, make_content(size, seed)};
    file.sha1 = sha1_of(file.content);
    server_.add_file(file.sha1, file.content);
    return file;
}

int TerminalTest::start_terminal(const std::vector<std::string>& sources, int64_t file_size_limit) {
    sources_ = sources;
    write_settings(qvod_folder_, save_folder_, sources);
    // Short timings, so that stalls and retries take moments.
    std::vector<std::string> args = {"--folder", qvod_folder_};
    args.insert(args.end(), {"--piece-kib", std::to_string(piece_ / 1024)});
    args.insert(args.end(), {"--stall-ms", "1200", "--backoff-ms", "100"});
    args.insert(args.end(), {"--read-timeout-ms", "10000"});
    EXPECT_TRUE(terminal_.start(terminal_program(), args, file_size_limit));
    const auto endpoint = wait_for_port(qvod_folder_, 5s);
    EXPECT_TRUE(endpoint.has_value()) << "the terminal did not come up";
    port_ = endpoint ? endpoint->port : 0;
    secret_ = endpoint ? endpoint->secret : "";
    return port_;
}

void TerminalTest::restart_terminal(int signal_number) {
    terminal_.signal(signal_number);
    terminal_.wait(5s);
    start_terminal(sources_);
}

std::string TerminalTest::target(const char* route, const File& file) const {
    const QvodAddress address{file.size(), QString::fromStdString(file.sha1),
                              QString::fromStdString(file.name)};
    QString path = QString(route) == QLatin1String("stream") ? terminal_api::stream_target(address)
                   : QString(route) == QLatin1String("preload")
                       ? terminal_api::preload_target(address)
                       : terminal_api::status_target(address);
    return terminal_api::with_secret(path, secret_).toStdString();
}

std::string TerminalTest::with_key(const std::string& target) const {
    return terminal_api::with_secret(QString::fromStdString(target), secret_).toStdString();
}

std::string TerminalTest::data_path(const File& file) const {
    return save_folder_ + terminal_api::data_file_name(file.sha1);
}

std::string TerminalTest::record_path(const File& file) const {
    return save_folder_ + terminal_api::record_file_name(file.sha1);
}

std::unique_ptr<httplib::Client> TerminalTest::client() const {
    auto client = std::make_unique<httplib::Client>("127.0.0.1", port_);
    client->set_connection_timeout(1, 0);
    client->set_read_timeout(20, 0);
    return client;
}

std::optional<terminal_api::Status> TerminalTest::status(const File& file) {
    const auto reply = client()->Get(target("status", file));
    if (!reply || reply->status != 200)
        return std::nullopt;
    return terminal_api::parse_status(reply->body);
}

std::optional<terminal_api::Status>
TerminalTest::wait_status(const File& file,
                          const std::function<bool(const terminal_api::Status&)>& done,
                          std::chrono::milliseconds timeout) {
    const auto deadline = std::chrono::steady_clock::now() + timeout;
    std::optional<terminal_api::Status> last;
    while (std::chrono::steady_clock::now() < deadline) {
        last = status(file);
        if (last && done(*last))
            return last;
        std::this_thread::sleep_for(20ms);
    }
    return last;
}

std::optional<std::string> TerminalTest::get_stream(const File& file, const std::string& range,
                                                    int* status) {
    httplib::Headers headers;
    if (!range.empty())
        headers.emplace("Range", "bytes=" + range);
    const auto reply = client()->Get(target("stream", file), headers);
    if (!reply)
        return std::nullopt;
    if (status)
        *status = reply->status;
    return reply->body;
}

} // namespace kelvara::testing

// The terminal's HTTP side as any local process can reach it: the bytes of
// one connection, requests, headers, ranges and all, go to a real terminal
// server on 127.0.0.1 with no sources.
//
// Input: the bytes a client sends before it closes its side; "{key}" stands
// for the terminal's secret and "{host}" for its own Host, so that seeds can
// pass the checks its own client passes.

#include "downloads.h"
#include "fuzz_support.h"
#include "local_server.h"

#include <QDir>
#include <arpa/inet.h>
#include <cerrno>
#include <chrono>
#include <csignal>
#include <cstdlib>
#include <deque>
#include <filesystem>
#include <fstream>
#include <future>
#include <memory>
#include <netinet/in.h>
#include <poll.h>
#include <sys/resource.h>
#include <sys/socket.h>
#include <unistd.h>

using namespace kelvara;

namespace {

// Reads of missing bytes give up at once, and downloads stay small: the
// files a run creates are capped by the file size limit and thrown away
// with the terminal every few hundred inputs.
constexpr int kReadTimeoutMs = 2;
constexpr rlim_t kLargestFileBytes = 256 * 1024;
constexpr int kInputsPerTerminal = 256;
constexpr auto kReplyWait = std::chrono::seconds(10);
constexpr auto kWaitSlice = std::chrono::milliseconds(100);
constexpr size_t kRecentInputs = 16;
constexpr char kSecret[] = "0f1e2d3c4b5a69788796a5b4c3d2e1f0";

class Terminal {
public:
    explicit Terminal(const std::string& folder)
        : downloads_(config(folder)), server_(downloads_, kSecret) {
        port_ = server_.bind();
        FUZZ_CHECK(port_ > 0);
        downloads_.start();
        serving_ = std::async(std::launch::async, [this] { server_.run(); });
    }
    ~Terminal() {
        downloads_.stop();
        server_.stop();
        serving_.wait();
    }
    int port() const { return port_; }

private:
    static DownloadConfig config(const std::string& folder) {
        DownloadConfig c;
        c.save_folder = folder + "/";
        c.read_timeout_ms = kReadTimeoutMs;
        c.stall_ms = 200;
        c.backoff_ms = 10;
        return c;
    }

    Downloads downloads_;
    LocalServer server_;
    int port_ = -1;
    std::future<void> serving_;
};

// The input with its stand-ins for the secret and the Host filled in.
std::string request_bytes(int port, const uint8_t* data, size_t size) {
    std::string bytes(reinterpret_cast<const char*>(data), size);
    const auto fill = [&bytes](const std::string& from, const std::string& to) {
        for (size_t at = bytes.find(from); at != std::string::npos;
             at = bytes.find(from, at + to.size()))
            bytes.replace(at, from.size(), to);
    };
    fill("{key}", kSecret);
    fill("{host}", "127.0.0.1:" + std::to_string(port));
    return bytes;
}

// The inputs given to the terminal before, the last one last.
std::deque<std::string>& recent_inputs() {
    static std::deque<std::string> inputs;
    return inputs;
}

std::string escaped(const std::string& bytes, size_t most) {
    std::string text;
    for (const unsigned char c : bytes.substr(0, most)) {
        char code[8];
        std::snprintf(code, sizeof code, c >= 0x20 && c < 0x7f && c != '\\' ? "%c" : "\\x%02x", c);
        text += code;
    }
    return bytes.size() > most ? text + "..." : text;
}

// A held connection may show only deep into a run: what the process holds
// then (its threads' stacks, its descriptors, the sockets of the terminal's
// port) and the inputs before are all there is to find it by.
void report_held_connection(int port) {
    std::ifstream status("/proc/self/status");
    for (std::string line; std::getline(status, line);) {
        if (line.starts_with("Threads:"))
            std::fprintf(stderr, "%s\n", line.c_str());
    }
    const auto fds = std::distance(std::filesystem::directory_iterator("/proc/self/fd"),
                                   std::filesystem::directory_iterator());
    std::fprintf(stderr, "open descriptors: %ld\n", long(fds));
    std::fprintf(stderr, "inputs before, oldest first:\n");
    for (const std::string& input : recent_inputs())
        std::fprintf(stderr, "  \"%s\"\n", escaped(input, 400).c_str());
    std::fflush(stderr);
    const std::string p = std::to_string(port);
    const std::string pid = std::to_string(::getpid());
    const std::string commands = "ss -tnap '( sport = :" + p + " or dport = :" + p + " )' >&2; " +
                                 "gdb -p " + pid + " -batch -ex 'thread apply all bt' >&2";
    [[maybe_unused]] const int ignored = std::system(commands.c_str());
}

// Connects to the terminal; a signal may interrupt a connect that then
// goes on by itself.
int connect_to(int port) {
    const int sock = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    FUZZ_CHECK(sock >= 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_port = htons(uint16_t(port));
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    const auto to = reinterpret_cast<sockaddr*>(&address);
    int result = ::connect(sock, to, sizeof address);
    while (result != 0 && (errno == EINTR || errno == EALREADY)) {
        pollfd writable{sock, POLLOUT, 0};
        ::poll(&writable, 1, 10);
        result = ::connect(sock, to, sizeof address);
        if (result != 0 && errno == EISCONN)
            result = 0;
    }
    FUZZ_CHECK(result == 0);
    return sock;
}

// Waits until the server sends or closes; false when it did neither for
// kReplyWait of time in which this process ran. A wait is counted in short
// slices, each at most twice its length: a stopped or starved process
// (SIGSTOP while others measure, a loaded machine) gives the server no time
// to answer, and a signal (libFuzzer's alarm) ends a wait early, so neither
// is a connection the server held.
bool reply_comes(int sock) {
    using Clock = std::chrono::steady_clock;
    Clock::duration waited{};
    while (waited < kReplyWait) {
        pollfd readable{sock, POLLIN, 0};
        const auto start = Clock::now();
        if (::poll(&readable, 1, int(kWaitSlice.count())) > 0)
            return true;
        waited += std::min<Clock::duration>(Clock::now() - start, 2 * kWaitSlice);
    }
    return false;
}

// The reply to the bytes, read until the server closes the connection.
std::string exchange(int port, const std::string& bytes) {
    const int sock = connect_to(port);
    size_t sent = 0;
    while (sent < bytes.size()) {
        const ssize_t n = ::send(sock, bytes.data() + sent, bytes.size() - sent, MSG_NOSIGNAL);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            break; // the server may close before it read everything
        sent += size_t(n);
    }
    ::shutdown(sock, SHUT_WR);
    std::string reply;
    char buffer[16384];
    for (;;) {
        // A connection the server holds on to after its client closed is a
        // thread of its pool lost.
        if (!reply_comes(sock)) {
            report_held_connection(port);
            FUZZ_CHECK(!"the terminal let go of the connection");
        }
        const ssize_t n = ::recv(sock, buffer, sizeof buffer, MSG_DONTWAIT);
        if (n == 0 || (n < 0 && errno == ECONNRESET))
            break;
        if (n < 0 && (errno == EINTR || errno == EAGAIN))
            continue;
        FUZZ_CHECK(n > 0);
        reply.append(buffer, size_t(n));
    }
    ::close(sock);
    return reply;
}

std::string folder_for_terminal() {
    static int round = 0;
    const std::string folder =
        fuzz::scratch_folder().toStdString() + "/downloads-" + std::to_string(round++);
    std::filesystem::create_directories(folder);
    return folder;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    static const bool limited = [] {
        std::signal(SIGXFSZ, SIG_IGN);
        const rlimit limit{kLargestFileBytes, kLargestFileBytes};
        return ::setrlimit(RLIMIT_FSIZE, &limit) == 0;
    }();
    FUZZ_CHECK(limited);
    static std::unique_ptr<Terminal> terminal;
    static std::string folder;
    static int inputs = 0;
    if (!terminal || inputs++ % kInputsPerTerminal == 0) {
        terminal.reset();
        if (!folder.empty())
            std::filesystem::remove_all(folder);
        folder = folder_for_terminal();
        terminal = std::make_unique<Terminal>(folder);
    }

    const std::string bytes = request_bytes(terminal->port(), data, size);
    const std::string reply = exchange(terminal->port(), bytes);
    recent_inputs().push_back(bytes);
    if (recent_inputs().size() > kRecentInputs)
        recent_inputs().pop_front();
    FUZZ_CHECK(reply.empty() || reply.rfind("HTTP/1.1 ", 0) == 0);
    return 0;
}

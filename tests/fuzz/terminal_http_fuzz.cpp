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
#include <csignal>
#include <filesystem>
#include <future>
#include <memory>
#include <netinet/in.h>
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
constexpr int kReplyWaitSeconds = 10;
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

// The reply to the bytes, read until the server closes the connection.
std::string exchange(int port, const std::string& bytes) {
    const uint8_t* data = reinterpret_cast<const uint8_t*>(bytes.data());
    const size_t size = bytes.size();
    const int sock = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    FUZZ_CHECK(sock >= 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_port = htons(uint16_t(port));
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    FUZZ_CHECK(::connect(sock, reinterpret_cast<sockaddr*>(&address), sizeof address) == 0);
    const timeval wait{kReplyWaitSeconds, 0};
    ::setsockopt(sock, SOL_SOCKET, SO_RCVTIMEO, &wait, sizeof wait);
    size_t sent = 0;
    while (sent < size) {
        const ssize_t n = ::send(sock, data + sent, size - sent, MSG_NOSIGNAL);
        if (n <= 0)
            break; // the server may close before it read everything
        sent += size_t(n);
    }
    ::shutdown(sock, SHUT_WR);
    std::string reply;
    char buffer[16384];
    for (;;) {
        const ssize_t n = ::recv(sock, buffer, sizeof buffer, 0);
        if (n == 0 || (n < 0 && errno == ECONNRESET))
            break;
        // A connection the server holds on to after its client closed is a
        // thread of its pool lost.
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

    const std::string reply =
        exchange(terminal->port(), request_bytes(terminal->port(), data, size));
    FUZZ_CHECK(reply.empty() || reply.rfind("HTTP/1.1 ", 0) == 0);
    return 0;
}

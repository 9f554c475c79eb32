// The QVOD terminal under load: 100 readers of random ranges, thousands of
// malformed requests and hundreds of idle connections at once, while a film
// downloads from a throttled source. Measures how fast a status request is
// answered meanwhile, the terminal's memory and the download's progress, and
// checks that the film completes with its SHA-1 and every byte read was
// right. Exit status 0 when every limit held.
//
//     terminal_load [seconds of load, default 12]

#include "qvod_terminal/source_server.h"
#include "qvod_terminal/terminal_fixture.h"

#include <QString>
#include <algorithm>
#include <arpa/inet.h>
#include <atomic>
#include <chrono>
#include <csignal>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <map>
#include <mutex>
#include <netinet/in.h>
#include <optional>
#include <random>
#include <sstream>
#include <sys/socket.h>
#include <thread>
#include <unistd.h>
#include <vector>

using namespace kelvara;
using namespace kelvara::testing;
using namespace std::chrono_literals;
using Clock = std::chrono::steady_clock;

namespace {

constexpr int kReaders = 100;
constexpr int kMalformedSenders = 4;
constexpr int kIdleConnections = 300;
constexpr int64_t kFilmBytes = 24 * 1024 * 1024;
constexpr int64_t kSourceRate = 512 * 1024; // bytes a second: it downloads all along
constexpr int64_t kReadBytes = 64 * 1024;
constexpr auto kStatusLimit = 100ms;
constexpr int64_t kMemoryGrowthLimitKib = 64 * 1024;

struct Target {
    int port = 0;
    std::string secret; // the per-start secret from the terminal's port file
};

int connect_to(int port) {
    const int sock = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_port = htons(uint16_t(port));
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    if (::connect(sock, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0) {
        ::close(sock);
        return -1;
    }
    return sock;
}

// How a request ends: the sending side stays open, as a player keeps it
// (the terminal writes no reply to a client whose sending side has closed),
// or closes, so that the terminal sees that nothing more comes.
enum class Ending { KeepSending, CloseSending };

// Sends `bytes` and reads the reply until the terminal closes; empty when the
// connection failed or the reply did not end within `wait`.
std::optional<std::string> exchange(int port, const std::string& bytes, std::chrono::seconds wait,
                                    Ending ending = Ending::KeepSending) {
    const int sock = connect_to(port);
    if (sock < 0)
        return std::nullopt;
    const timeval limit{wait.count(), 0};
    ::setsockopt(sock, SOL_SOCKET, SO_RCVTIMEO, &limit, sizeof limit);
    size_t sent = 0;
    while (sent < bytes.size()) {
        const ssize_t n = ::send(sock, bytes.data() + sent, bytes.size() - sent, MSG_NOSIGNAL);
        if (n <= 0)
            break;
        sent += size_t(n);
    }
    if (ending == Ending::CloseSending)
        ::shutdown(sock, SHUT_WR);
    std::string reply;
    char buffer[65536];
    bool ended = false;
    for (;;) {
        const ssize_t n = ::recv(sock, buffer, sizeof buffer, 0);
        if (n == 0 || (n < 0 && errno == ECONNRESET)) {
            ended = true;
            break;
        }
        if (n < 0)
            break;
        reply.append(buffer, size_t(n));
    }
    ::close(sock);
    return ended ? std::optional(reply) : std::nullopt;
}

std::string request(const Target& target, const std::string& path, const std::string& extra = "") {
    const char joint = path.find('?') == std::string::npos ? '?' : '&';
    const std::string keyed = path + joint + terminal_api::kSecretParam + "=" + target.secret;
    return "GET " + keyed + " HTTP/1.1\r\nHost: 127.0.0.1:" + std::to_string(target.port) +
           "\r\nConnection: close\r\n" + extra + "\r\n";
}

int reply_status(const std::string& reply) {
    return reply.rfind("HTTP/1.1 ", 0) == 0 ? std::atoi(reply.c_str() + 9) : 0;
}

std::string reply_body(const std::string& reply) {
    const size_t end = reply.find("\r\n\r\n");
    return end == std::string::npos ? std::string() : reply.substr(end + 4);
}

int64_t rss_kib(pid_t pid) {
    std::ifstream status("/proc/" + std::to_string(pid) + "/status");
    std::string line;
    while (std::getline(status, line)) {
        if (line.rfind("VmRSS:", 0) == 0)
            return std::atoll(line.c_str() + 6);
    }
    return -1;
}

// The malformed requests, by kind; a few thousand are sent in turn.
std::vector<std::pair<const char*, std::string>> malformed_requests(const Target& target,
                                                                    const std::string& stream) {
    const std::string huge(128 * 1024, 'a');
    std::string many_headers;
    for (int i = 0; i < 2000; ++i)
        many_headers += "X-" + std::to_string(i) + ": v\r\n";
    std::string many_ranges = "Range: bytes=";
    for (int i = 0; i < 3000; ++i)
        many_ranges += std::to_string(i * 10) + "-" + std::to_string(i * 10 + 5) + ",";
    many_ranges += "0-1\r\n";
    return {
        {"overlong request line", "GET /" + huge + " HTTP/1.1\r\n\r\n"},
        {"overlong header", request(target, "/hello", "X-Long: " + huge + "\r\n")},
        {"2000 headers", request(target, "/hello", many_headers)},
        {"line without end", "GET /hello HTTP/1.1\r\nX: " + huge},
        {"range not a number", request(target, stream, "Range: bytes=abc-def\r\n")},
        {"range backwards", request(target, stream, "Range: bytes=5000-10\r\n")},
        {"range huge", request(target, stream, "Range: bytes=99999999999999999999999-\r\n")},
        {"range beyond the end", request(target, stream, "Range: bytes=999999999999-\r\n")},
        {"suffix range huge", request(target, stream, "Range: bytes=-99999999999999999999\r\n")},
        {"3000 ranges", request(target, stream, many_ranges)},
        {"huge Content-Length",
         request(target, "/hello", "Content-Length: 999999999999999999999\r\n") + "abc"},
        {"negative Content-Length", request(target, "/hello", "Content-Length: -5\r\n")},
        {"chunked body without end",
         "POST /hello HTTP/1.1\r\nTransfer-Encoding: chunked\r\n\r\nffffffffffffffff\r\nxx"},
        {"bad size", request(target, "/stream/0123456789abcdef0123456789abcdef01234567?size=-1")},
        {"giant size",
         request(target,
                 "/stream/0123456789abcdef0123456789abcdef01234567?size=99999999999999999999")},
        {"binary", std::string("\x16\x03\x01\x02\x00\x01\x00\x01\xfc\x03\x03\0\0\r\n\r\n", 20)},
        {"half a request", "GET /status/"},
    };
}

struct Figures {
    std::mutex mutex;
    std::vector<double> status_ms;
    int status_failed = 0;
    int64_t reads = 0;
    int64_t read_failed = 0;
    int64_t read_short = 0; // ended early: the bytes were not there in time
    int64_t read_busy = 0;  // turned away with 503: every place for a stream taken
    int64_t wrong_bytes = 0;
    int malformed = 0;
    int malformed_unanswered = 0;
    std::map<std::string, std::map<int, int>> malformed_status;
    int64_t rss_start = 0;
    int64_t rss_peak = 0;
    std::vector<std::pair<double, int64_t>> progress; // seconds, bytes on disk
};

struct Load {
    Target target;
    pid_t pid;
    std::string stream;
    std::string status_path;
    const std::string& content;
};

struct Phase {
    const char* name;
    int readers;
    int malformed_senders;
    int idle_connections;
};

// Runs one load for `seconds` while the player's status poll asks every
// 200 ms; prints the figures and whether every limit held.
bool run_phase(const Load& load, const Phase& phase, int seconds) {
    const Target& target = load.target;
    Figures figures;
    figures.rss_start = rss_kib(load.pid);
    figures.rss_peak = figures.rss_start;
    std::atomic<bool> loading{true};
    std::vector<std::thread> threads;
    const auto began = Clock::now();

    // Idle connections: opened, a request begun or nothing sent, left open.
    std::vector<int> idle;
    for (int i = 0; i < phase.idle_connections; ++i) {
        const int sock = connect_to(target.port);
        if (sock >= 0 && i % 2 == 0)
            ::send(sock, "GET /hello HTTP/1.1\r\n", 21, MSG_NOSIGNAL);
        idle.push_back(sock);
    }

    for (int r = 0; r < phase.readers; ++r) {
        threads.emplace_back([&, r] {
            std::mt19937_64 random(r);
            while (loading) {
                const int64_t first = int64_t(random() % uint64_t(kFilmBytes - kReadBytes));
                const auto reply =
                    exchange(target.port,
                             request(target, load.stream,
                                     "Range: bytes=" + std::to_string(first) + "-" +
                                         std::to_string(first + kReadBytes - 1) + "\r\n"),
                             30s);
                const std::string body = reply ? reply_body(*reply) : std::string();
                std::unique_lock lock(figures.mutex);
                ++figures.reads;
                if (reply && reply_status(*reply) == 503) {
                    ++figures.read_busy;
                    lock.unlock();
                    // A player turned away tries again a little later.
                    std::this_thread::sleep_for(50ms);
                } else if (!reply || reply_status(*reply) != 206)
                    ++figures.read_failed;
                else if (body != load.content.substr(size_t(first), body.size()))
                    ++figures.wrong_bytes;
                else if (int64_t(body.size()) < kReadBytes)
                    ++figures.read_short;
            }
        });
    }

    const auto kinds = malformed_requests(target, load.stream);
    for (int s = 0; s < phase.malformed_senders; ++s) {
        threads.emplace_back([&, s] {
            for (size_t i = size_t(s); loading; i += size_t(phase.malformed_senders)) {
                const auto& [kind, bytes] = kinds[i % kinds.size()];
                const auto reply = exchange(target.port, bytes, 15s);
                std::lock_guard lock(figures.mutex);
                ++figures.malformed;
                if (!reply)
                    ++figures.malformed_unanswered;
                else
                    ++figures.malformed_status[kind][reply_status(*reply)];
            }
        });
    }

    // The player's status poll, and the terminal's memory, meanwhile.
    while (Clock::now() - began < std::chrono::seconds(seconds)) {
        const auto asked = Clock::now();
        const auto reply = exchange(target.port, request(target, load.status_path), 10s);
        const double ms = std::chrono::duration<double, std::milli>(Clock::now() - asked).count();
        const auto status = reply ? terminal_api::parse_status(reply_body(*reply)) : std::nullopt;
        {
            std::lock_guard lock(figures.mutex);
            figures.status_ms.push_back(ms);
            if (!status)
                ++figures.status_failed;
            else
                figures.progress.push_back(
                    {std::chrono::duration<double>(Clock::now() - began).count(), status->have});
            figures.rss_peak = std::max(figures.rss_peak, rss_kib(load.pid));
        }
        std::this_thread::sleep_for(200ms);
    }
    loading = false;
    for (std::thread& t : threads)
        t.join();
    for (int sock : idle) {
        if (sock >= 0)
            ::close(sock);
    }
    const double load_s = std::chrono::duration<double>(Clock::now() - began).count();

    std::vector<double> ms = figures.status_ms;
    std::sort(ms.begin(), ms.end());
    const auto quantile = [&](double q) {
        return ms.empty() ? 0.0 : ms[std::min(ms.size() - 1, size_t(q * double(ms.size())))];
    };
    const int64_t first_have = figures.progress.empty() ? 0 : figures.progress.front().second;
    const int64_t last_have = figures.progress.empty() ? 0 : figures.progress.back().second;
    const bool finished = last_have >= kFilmBytes;

    std::printf("== %s, %.1f s\n", phase.name, load_s);
    std::printf("   status: %zu asked, %d failed, median %.1f ms, p99 %.1f ms, worst %.1f ms\n",
                ms.size(), figures.status_failed, quantile(0.5), quantile(0.99),
                ms.empty() ? 0.0 : ms.back());
    if (phase.readers > 0)
        std::printf("   range reads: %lld, turned away (503) %lld, failed %lld, ended early "
                    "(bytes not there in time) %lld, wrong bytes %lld\n",
                    (long long)figures.reads, (long long)figures.read_busy,
                    (long long)figures.read_failed, (long long)figures.read_short,
                    (long long)figures.wrong_bytes);
    if (phase.malformed_senders > 0) {
        std::printf("   malformed requests: %d, not closed within 15 s %d\n", figures.malformed,
                    figures.malformed_unanswered);
        for (const auto& [kind, statuses] : figures.malformed_status) {
            std::printf("       %-26s", kind.c_str());
            for (const auto& [code, count] : statuses)
                std::printf(" %d x%d", code, count);
            std::printf("\n");
        }
    }
    std::printf("   memory: %lld KiB before, peak %lld KiB\n", (long long)figures.rss_start,
                (long long)figures.rss_peak);
    std::printf("   download: %lld -> %lld bytes (%.0f KiB/s)\n", (long long)first_have,
                (long long)last_have, double(last_have - first_have) / 1024.0 / load_s);

    bool held = true;
    const auto verdict = [&](bool ok, const char* what) {
        if (!ok) {
            std::printf("   FAILED: %s\n", what);
            held = false;
        }
    };
    verdict(!ms.empty() && ms.back() <= double(kStatusLimit.count()) && figures.status_failed == 0,
            "every status request answered within 100 ms");
    verdict(figures.read_failed == 0 && figures.wrong_bytes == 0, "every range read right");
    verdict(figures.malformed_unanswered == 0, "every malformed request closed within 15 s");
    verdict(figures.rss_peak - figures.rss_start <= kMemoryGrowthLimitKib, "memory bounded");
    verdict(finished || last_have > first_have, "the download went on");
    return held;
}

} // namespace

int main(int argc, char** argv) {
    const int load_seconds = argc > 1 ? std::atoi(argv[1]) : 12;
    char pattern[] = "/tmp/qvod-load-XXXXXX";
    const std::string root = ::mkdtemp(pattern);
    const std::string qvod_folder = root + "/Qvod";
    const std::string save_folder = root + "/影片 下载/";
    std::filesystem::create_directories(qvod_folder);
    std::filesystem::create_directories(save_folder);

    SourceServer sources;
    const std::string content = make_content(kFilmBytes, 7);
    const std::string sha1 = sha1_of(content);
    sources.add_file(sha1, content);
    sources.set("a", {.rate = kSourceRate});
    write_settings(qvod_folder, save_folder, {sources.base("a")});

    TerminalProcess terminal;
    if (!terminal.start(terminal_program(), {"--folder", qvod_folder, "--read-timeout-ms", "3000"}))
        return 2;
    const std::optional<terminal_api::Endpoint> endpoint = wait_for_port(qvod_folder, 10s);
    if (!endpoint) {
        std::fprintf(stderr, "the terminal did not come up\n");
        return 2;
    }
    const Target target{endpoint->port, endpoint->secret};
    const std::string port_text = read_file(qvod_folder + "/" + terminal_api::kPortFile);
    const pid_t pid = pid_t(std::atoi(port_text.substr(port_text.find('\n') + 1).c_str()));

    const std::string name = "长河 落日.mp4";
    const QvodAddress address{kFilmBytes, QString::fromStdString(sha1),
                              QString::fromStdString(name)};
    const std::string stream = terminal_api::stream_target(address).toStdString();
    const std::string status_path = terminal_api::status_target(address).toStdString();
    // The player starts the film; from then on it downloads.
    const std::string first =
        exchange(target.port, request(target, stream, "Range: bytes=0-1023\r\n"), 10s)
            .value_or("(no reply)");
    if (reply_status(first) != 206) {
        std::fprintf(stderr, "the film does not play: %s\n", first.substr(0, 200).c_str());
        return 2;
    }

    const Load load{target, pid, stream, status_path, content};
    const Phase phases[] = {
        {"100 range readers", kReaders, 0, 0},
        {"malformed requests", 0, kMalformedSenders, 0},
        {"300 idle connections", 0, 0, kIdleConnections},
        {"all at once", kReaders, kMalformedSenders, kIdleConnections},
    };
    bool held = true;
    for (const Phase& phase : phases)
        held = run_phase(load, phase, load_seconds) && held;

    // The download goes on to the end and keeps the checked film.
    std::optional<terminal_api::Status> last;
    const auto deadline = Clock::now() + 180s;
    while (Clock::now() < deadline) {
        const auto reply = exchange(target.port, request(target, status_path), 10s);
        last = reply ? terminal_api::parse_status(reply_body(*reply)) : std::nullopt;
        if (last && (last->state == terminal_api::State::Complete ||
                     last->state == terminal_api::State::Failed))
            break;
        std::this_thread::sleep_for(200ms);
    }
    const bool complete = last && last->state == terminal_api::State::Complete &&
                          read_file(save_folder + name) == content;
    // A terminal that ended on its own shows how: a signal from outside (128
    // + its number) or a crash.
    const int ended = terminal.wait(0ms);
    if (ended >= 0)
        std::printf("the terminal ended during the run with status %d\n", ended);
    std::printf("after the load: %s\n", complete ? "the film completed with its SHA-1"
                                                 : "FAILED: the film did not complete");
    held = held && complete;
    terminal.signal(SIGTERM);
    terminal.wait(5s);
    std::filesystem::remove_all(root);
    return held ? 0 : 1;
}

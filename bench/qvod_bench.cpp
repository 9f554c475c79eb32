// Benchmark of QvodTerminal.exe on 127.0.0.1 (not a test): the throughput of
// a large download against curl fetching the same file from the same
// server, and how long a read far ahead in a file not yet downloaded waits.
//
//   qvod_bench [--size-mb 200] [--rounds 5] [--seek-rate-mb 10]
//              [--terminal <QvodTerminal.exe>]

#include "shared/qvod_terminal_api.h"

#include <QCryptographicHash>
#include <algorithm>
#include <chrono>
#include <csignal>
#include <cstdio>
#include <fcntl.h>
#include <filesystem>
#include <fstream>
#include <httplib.h>
#include <random>
#include <spawn.h>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>

using namespace kelvara;
using namespace std::chrono_literals;
using Clock = std::chrono::steady_clock;

extern char** environ;

namespace {

double seconds_since(Clock::time_point start) {
    return std::chrono::duration<double>(Clock::now() - start).count();
}

std::string read_all(const std::string& path) {
    std::ifstream file(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(file), {});
}

// Writes `size` pseudo-random bytes; their SHA-1.
std::string make_file(const std::string& path, int64_t size) {
    std::ofstream file(path, std::ios::binary);
    QCryptographicHash hash(QCryptographicHash::Sha1);
    std::mt19937_64 generator(7);
    std::vector<uint64_t> block(1 << 17);
    for (int64_t done = 0; done < size;) {
        for (uint64_t& word : block)
            word = generator();
        const int64_t n = std::min<int64_t>(size - done, int64_t(block.size() * 8));
        file.write(reinterpret_cast<const char*>(block.data()), n);
        hash.addData(QByteArrayView(reinterpret_cast<const char*>(block.data()), n));
        done += n;
    }
    return hash.result().toHex().toStdString();
}

// Serves files of a folder under /s/<name> with byte ranges; each reply at
// most `rate` bytes a second when it is not 0.
class FileServer {
public:
    FileServer(std::string folder) : folder_(std::move(folder)) {
        server_.new_task_queue = [] { return new httplib::ThreadPool(16); };
        server_.Get(R"(/s/(\w+))", [this](const httplib::Request& req, httplib::Response& res) {
            serve(req.matches[1], res);
        });
        port_ = server_.bind_to_any_port("127.0.0.1");
        thread_ = std::thread([this] { server_.listen_after_bind(); });
    }
    ~FileServer() {
        server_.stop();
        thread_.join();
    }
    std::string base() const { return "http://127.0.0.1:" + std::to_string(port_) + "/s/"; }
    void set_rate(int64_t rate) { rate_ = rate; }

private:
    void serve(const std::string& name, httplib::Response& res) {
        const std::string path = folder_ + "/" + name;
        const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
        if (fd < 0) {
            res.status = 404;
            return;
        }
        const auto size = size_t(std::filesystem::file_size(path));
        const int64_t rate = rate_;
        const auto started = Clock::now();
        auto sent = std::make_shared<int64_t>(0);
        auto buffer = std::make_shared<std::vector<char>>(256 * 1024);
        res.set_content_provider(
            size, "application/octet-stream",
            [=](size_t offset, size_t length, httplib::DataSink& sink) {
                const size_t n = std::min(length, buffer->size());
                if (::pread(fd, buffer->data(), n, off_t(offset)) != ssize_t(n))
                    return false;
                if (rate > 0) {
                    const auto due =
                        started + std::chrono::microseconds((*sent + int64_t(n)) * 1000000 / rate);
                    std::this_thread::sleep_until(due);
                }
                *sent += int64_t(n);
                return sink.write(buffer->data(), n);
            },
            [fd](bool) { ::close(fd); });
    }

    std::string folder_;
    httplib::Server server_;
    std::thread thread_;
    int port_ = 0;
    std::atomic<int64_t> rate_{0};
};

double run_curl(const std::string& url, const std::string& output) {
    const char* argv[] = {"curl", "-s", "-o", output.c_str(), url.c_str(), nullptr};
    pid_t pid = 0;
    const auto start = Clock::now();
    if (posix_spawnp(&pid, "curl", nullptr, nullptr, const_cast<char**>(argv), environ) != 0)
        return -1;
    int status = 0;
    waitpid(pid, &status, 0);
    return status == 0 ? seconds_since(start) : -1;
}

class Terminal {
public:
    Terminal(const std::string& program, const std::string& folder, const std::string& save,
             const std::string& source)
        : folder_(folder) {
        std::filesystem::create_directories(folder);
        std::ofstream(folder + "/" + terminal_api::kSettingsFile)
            << "<?xml version=\"1.0\" encoding=\"GBK\"?>\r\n<QvodPlayer>\r\n"
            << "<Config Defaultsavepath=\"" << save << "\"/>\r\n"
            << "<Source url=\"" << source << "\"/>\r\n</QvodPlayer>\r\n";
        const char* argv[] = {program.c_str(), "--folder", folder.c_str(), nullptr};
        // In a session of its own, as the client starts it: where the kernel
        // groups processes by session, its download threads, which give way
        // to the others of their group, do not give way to curl and the
        // source.
        posix_spawnattr_t attributes;
        posix_spawnattr_init(&attributes);
        posix_spawnattr_setflags(&attributes, POSIX_SPAWN_SETSID);
        posix_spawn(&pid_, program.c_str(), nullptr, &attributes, const_cast<char**>(argv),
                    environ);
        posix_spawnattr_destroy(&attributes);
        const auto deadline = Clock::now() + 5s;
        while (port_ == 0 && Clock::now() < deadline) {
            std::this_thread::sleep_for(10ms);
            const auto endpoint =
                terminal_api::parse_port_file(read_all(folder + "/" + terminal_api::kPortFile));
            port_ = endpoint ? endpoint->port : 0;
            secret_ = endpoint ? endpoint->secret : "";
        }
    }
    ~Terminal() {
        kill(pid_, SIGTERM);
        waitpid(pid_, nullptr, 0);
    }
    int port() const { return port_; }
    // The query parameter every request carries.
    std::string key() const { return std::string(terminal_api::kSecretParam) + "=" + secret_; }
    // Peak resident memory, KiB.
    long peak_kib() const {
        const std::string status = read_all("/proc/" + std::to_string(pid_) + "/status");
        const size_t at = status.find("VmHWM:");
        return at == std::string::npos ? -1 : std::atol(status.c_str() + at + 6);
    }

private:
    std::string folder_;
    pid_t pid_ = 0;
    int port_ = 0;
    std::string secret_;
};

std::optional<terminal_api::Status> status_of(httplib::Client& client, const Terminal& terminal,
                                              const std::string& sha1) {
    const auto reply = client.Get("/status/" + sha1 + "?" + terminal.key());
    return reply && reply->status == 200 ? terminal_api::parse_status(reply->body) : std::nullopt;
}

std::string stream_path(const Terminal& terminal, const std::string& sha1, int64_t size,
                        const std::string& name) {
    return "/stream/" + sha1 + "?size=" + std::to_string(size) + "&name=" + name + "&" +
           terminal.key();
}

struct Download {
    double on_disk = -1;
    double complete = -1;
    long peak_kib = -1;
};

double median(std::vector<double> values) {
    std::sort(values.begin(), values.end());
    return values.empty() ? -1 : values[values.size() / 2];
}

// Streams a file through a fresh terminal: the times until all of it was on
// disk and until its SHA-1 matched. With `player`, curl plays the player and
// takes the whole stream meanwhile; without, one byte is read, which starts
// the download.
Download download(const std::string& program, const std::string& folder, const std::string& save,
                  const std::string& source, const std::string& sha1, int64_t size, bool player) {
    Download result;
    Terminal terminal(program, folder, save, source);
    httplib::Client client("127.0.0.1", terminal.port());
    client.set_read_timeout(120, 0);
    const std::string path = stream_path(terminal, sha1, size, "film.bin");
    const auto start = Clock::now();
    std::thread reader([&] {
        const std::string url = "http://127.0.0.1:" + std::to_string(terminal.port()) + path;
        if (player) {
            run_curl(url, "/dev/null");
        } else {
            httplib::Client stream("127.0.0.1", terminal.port());
            stream.Get(path, {{"Range", "bytes=0-0"}});
        }
    });
    while (seconds_since(start) < 300) {
        const auto status = status_of(client, terminal, sha1);
        if (status && status->have == size && result.on_disk < 0)
            result.on_disk = seconds_since(start);
        if (status && status->state == terminal_api::State::Complete) {
            result.complete = seconds_since(start);
            break;
        }
        std::this_thread::sleep_for(5ms);
    }
    reader.join();
    result.peak_kib = terminal.peak_kib();
    return result;
}

} // namespace

int main(int argc, char** argv) {
    int64_t size_mb = 200;
    int64_t seek_rate_mb = 10;
    int rounds = 5;
    std::string program =
        std::filesystem::path(argv[0]).parent_path().string() + "/Qvod/QvodTerminal.exe";
    for (int i = 1; i + 1 < argc; i += 2) {
        const std::string flag = argv[i];
        if (flag == "--size-mb")
            size_mb = std::atoll(argv[i + 1]);
        else if (flag == "--seek-rate-mb")
            seek_rate_mb = std::atoll(argv[i + 1]);
        else if (flag == "--rounds")
            rounds = std::max(1, std::atoi(argv[i + 1]));
        else if (flag == "--terminal")
            program = argv[i + 1];
    }
    std::signal(SIGPIPE, SIG_IGN);
    char pattern[] = "/tmp/qvod-bench-XXXXXX";
    const std::string work = mkdtemp(pattern);
    std::filesystem::create_directories(work + "/src");
    const int64_t size = size_mb * 1024 * 1024;
    std::printf("file: %lld MiB\n", (long long)size_mb);
    const std::string sha1 = make_file(work + "/src/film", size);
    std::filesystem::rename(work + "/src/film", work + "/src/" + sha1);
    FileServer server(work + "/src");

    // The machine is shared, so curl and the terminal take turns, round
    // after round, and the medians count. The first curl warms the cache.
    run_curl(server.base() + sha1, work + "/curl.out");
    std::vector<double> curl_times, played_times, played_checked, plain_times;
    long peak = 0;
    for (int round = 0; round < rounds; ++round) {
        std::filesystem::remove(work + "/curl.out");
        curl_times.push_back(run_curl(server.base() + sha1, work + "/curl.out"));
        std::filesystem::remove(work + "/curl.out");
        for (const bool player : {true, false}) {
            const std::string tag = std::to_string(round) + (player ? "p" : "d");
            const Download run = download(program, work + "/Qvod-" + tag, work + "/dl-" + tag + "/",
                                          server.base(), sha1, size, player);
            (player ? played_times : plain_times).push_back(run.on_disk);
            if (player)
                played_checked.push_back(run.complete);
            peak = std::max(peak, run.peak_kib);
            std::filesystem::remove_all(work + "/dl-" + tag);
        }
        std::printf("round %d: curl %.2f s, terminal %.2f s with a player reading along, "
                    "%.2f s alone\n",
                    round + 1, curl_times.back(), played_times.back(), plain_times.back());
    }
    const auto report = [&](const char* what, const std::vector<double>& times) {
        const double time = median(times), best = *std::min_element(times.begin(), times.end());
        std::printf("%-34s median %.2f s %4.0f MiB/s %3.0f %% of curl | best %.2f s %4.0f MiB/s "
                    "%3.0f %%\n",
                    what, time, double(size_mb) / time, 100 * median(curl_times) / time, best,
                    double(size_mb) / best,
                    100 * *std::min_element(curl_times.begin(), curl_times.end()) / best);
    };
    std::printf("over %d rounds:\n", rounds);
    report("curl", curl_times);
    report("terminal, player reading along", played_times);
    report("  same, until the SHA-1 matched", played_checked);
    report("terminal, nobody reading", plain_times);
    std::printf("terminal peak memory: %ld KiB\n", peak);

    for (const int64_t rate : {int64_t(0), seek_rate_mb * 1024 * 1024}) {
        server.set_rate(rate);
        const std::string tag = rate == 0 ? "unthrottled" : std::to_string(seek_rate_mb) + " MiB/s";
        Terminal terminal(program, work + "/Qvod2", work + "/dl-" + std::to_string(rate) + "/",
                          server.base());
        httplib::Client client("127.0.0.1", terminal.port());
        client.set_read_timeout(60, 0);
        const std::string path = stream_path(terminal, sha1, size, "seek.bin");
        client.Get(path, {{"Range", "bytes=0-1048575"}});
        const int64_t at = size * 8 / 10;
        const auto start = Clock::now();
        const auto reply = client.Get(path, {{"Range", "bytes=" + std::to_string(at) + "-" +
                                                           std::to_string(at + 256 * 1024 - 1)}});
        const double waited = seconds_since(start);
        const auto status = status_of(client, terminal, sha1);
        std::printf("seek to 80 %% (%s source): %.3f s for the first 256 KiB (%s), "
                    "%d permille on disk then\n",
                    tag.c_str(), waited, reply && reply->status == 206 ? "206" : "failed",
                    status ? status->permille : -1);
    }
    std::filesystem::remove_all(work);
    return 0;
}

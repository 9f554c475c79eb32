#pragma once

#include <httplib.h>

#include <QString>
#include <atomic>
#include <chrono>
#include <condition_variable>
#include <map>
#include <mutex>
#include <string>
#include <thread>

namespace kelvara::test {

// Serves one file under any number of names on 127.0.0.1, with range
// requests, an optional rate limit, and a gate that holds every answer
// until it is opened. Counts the requests per path.
class ClipServer {
public:
    explicit ClipServer(std::string body) : body_(std::move(body)) {
        server_.Get(R"(/([\w.]+))", [this](const httplib::Request& req, httplib::Response& res) {
            {
                std::lock_guard lock(mutex_);
                ++requests_[req.path];
            }
            if (req.path.ends_with(".missing")) {
                res.status = 404;
                return;
            }
            wait_for_gate();
            res.set_content_provider(body_.size(), "video/mp4",
                                     [this](size_t offset, size_t length, httplib::DataSink& sink) {
                                         return send(offset, length, sink);
                                     });
        });
        port_ = server_.bind_to_any_port("127.0.0.1");
        thread_ = std::thread([this] { server_.listen_after_bind(); });
    }

    ~ClipServer() {
        open_gate();
        stopping_ = true;
        server_.stop();
        thread_.join();
    }

    QString url(const char* name) const {
        return QStringLiteral("http://127.0.0.1:%1/%2").arg(port_).arg(QLatin1String(name));
    }

    int requests(const std::string& path) const {
        std::lock_guard lock(mutex_);
        const auto it = requests_.find(path);
        return it == requests_.end() ? 0 : it->second;
    }

    // Bytes per second; 0 sends as fast as the socket takes them.
    void set_rate(int bytes_per_second) { rate_ = bytes_per_second; }

    void close_gate() {
        std::lock_guard lock(mutex_);
        gate_open_ = false;
    }

    void open_gate() {
        {
            std::lock_guard lock(mutex_);
            gate_open_ = true;
        }
        gate_changed_.notify_all();
    }

private:
    void wait_for_gate() {
        std::unique_lock lock(mutex_);
        gate_changed_.wait(lock, [this] { return gate_open_; });
    }

    bool send(size_t offset, size_t length, httplib::DataSink& sink) {
        constexpr size_t kChunk = 4096;
        const size_t n = std::min(length, kChunk);
        if (!sink.write(body_.data() + offset, n))
            return false;
        if (const int rate = rate_; rate > 0 && !stopping_)
            std::this_thread::sleep_for(std::chrono::microseconds(n * 1'000'000 / rate));
        return true;
    }

    std::string body_;
    httplib::Server server_;
    int port_ = 0;
    std::thread thread_;
    std::atomic_int rate_{0};
    std::atomic_bool stopping_{false};
    mutable std::mutex mutex_;
    std::condition_variable gate_changed_;
    bool gate_open_ = true;
    std::map<std::string, int> requests_;
};

} // namespace kelvara::test

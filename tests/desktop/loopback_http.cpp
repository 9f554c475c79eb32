#include "desktop/loopback_http.h"

#include <stdexcept>

namespace kelvara::test {

LoopbackHttp::LoopbackHttp() {
    server_.Get(".*", [this](const httplib::Request& request, httplib::Response& response) {
        std::lock_guard lock(mutex_);
        targets_.push_back(request.target);
        const auto it = replies_.find(request.path);
        if (it == replies_.end()) {
            response.status = 404;
            response.set_content("<html><body>missing</body></html>", "text/html");
            return;
        }
        response.status = it->second.status;
        response.set_content(it->second.body, it->second.content_type.c_str());
    });
    port_ = server_.bind_to_any_port("127.0.0.1");
    if (port_ <= 0)
        throw std::runtime_error("no loopback port");
    thread_ = std::thread([this] { server_.listen_after_bind(); });
    while (!server_.is_running())
        std::this_thread::yield();
}

LoopbackHttp::~LoopbackHttp() {
    server_.stop();
    thread_.join();
}

void LoopbackHttp::set(const std::string& path, Reply reply) {
    std::lock_guard lock(mutex_);
    replies_[path] = std::move(reply);
}

std::vector<std::string> LoopbackHttp::targets() {
    std::lock_guard lock(mutex_);
    return targets_;
}

QString LoopbackHttp::url(const QString& path) const {
    return QStringLiteral("http://127.0.0.1:%1%2").arg(port_).arg(path);
}

} // namespace kelvara::test

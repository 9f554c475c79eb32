#pragma once

#include <QString>
#include <httplib.h>
#include <map>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

namespace kelvara::test {

// A small HTTP server on 127.0.0.1 serving fixed replies by path, on its own
// thread so the user-interface thread of a test may block or wait.
class LoopbackHttp {
public:
    struct Reply {
        std::string body;
        std::string content_type = "text/html; charset=utf-8";
        int status = 200;
    };

    LoopbackHttp();
    ~LoopbackHttp();
    LoopbackHttp(const LoopbackHttp&) = delete;
    LoopbackHttp& operator=(const LoopbackHttp&) = delete;

    void set(const std::string& path, Reply reply);
    // Every request target as it arrived ("/page?x=%u6D41"), in order.
    std::vector<std::string> targets();
    QString url(const QString& path) const;
    int port() const { return port_; }

private:
    httplib::Server server_;
    std::mutex mutex_;
    std::map<std::string, Reply> replies_;
    std::vector<std::string> targets_;
    int port_ = 0;
    std::thread thread_;
};

} // namespace kelvara::test

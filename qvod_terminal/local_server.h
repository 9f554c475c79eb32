#pragma once

#include <atomic>
#include <memory>
#include <string>

namespace httplib {
struct Request;
} // namespace httplib

namespace kelvara {

class ConnectionServer;
class Downloads;

// The terminal's HTTP side on 127.0.0.1: the routes of
// shared/qvod_terminal_api.h over the downloads, for the client that knows
// `secret` only.
class LocalServer {
public:
    LocalServer(Downloads& downloads, std::string secret);
    ~LocalServer();
    LocalServer(const LocalServer&) = delete;
    LocalServer& operator=(const LocalServer&) = delete;

    // Binds a free port of 127.0.0.1; -1 when none could be bound.
    int bind();
    // Serves until stop().
    void run();
    void stop();

private:
    void add_routes();
    bool from_own_client(const httplib::Request& request) const;

    Downloads& downloads_;
    const std::string secret_;
    int port_ = 0;
    std::atomic<int> streams_{0}; // stream replies being served; outlives server_
    std::unique_ptr<ConnectionServer> server_;
};

} // namespace kelvara

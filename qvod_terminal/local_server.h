#pragma once

#include <memory>

namespace httplib {
class Server;
}

namespace kelvara {

class Downloads;

// The terminal's HTTP side on 127.0.0.1: the routes of
// common/qvod_terminal_api.h over the downloads.
class LocalServer {
public:
    explicit LocalServer(Downloads& downloads);
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

    Downloads& downloads_;
    std::unique_ptr<httplib::Server> server_;
};

} // namespace kelvara

#pragma once

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <httplib.h>
#include <list>
#include <memory>
#include <mutex>

namespace kelvara {

// An HTTP server on 127.0.0.1 that gives each connection a thread of its
// own, so that a connection that waits (for its request, or for bytes of a
// film not downloaded yet) holds up no other. At most `most_connections`
// are open; a connection beyond that closes the one that has waited longest
// for its next request, and when every one is busy serving and none frees
// soon, it is answered 503 and closed. The routes are httplib's.
class ConnectionServer : public httplib::Server {
public:
    struct Limits {
        int most_connections = 64;
        std::chrono::milliseconds idle{5000};   // for a request, or its next byte
        std::chrono::milliseconds write{60000}; // for the player to take a reply's bytes
        int requests_per_connection = 1000;
    };

    explicit ConnectionServer(Limits limits);
    ~ConnectionServer() override;
    ConnectionServer(const ConnectionServer&) = delete;
    ConnectionServer& operator=(const ConnectionServer&) = delete;

    // Listens on a free port of 127.0.0.1; the port, or -1.
    int listen_on_loopback();
    // Accepts and serves until stop().
    void serve();
    // Ends serve() and every connection; callable from any thread.
    void stop();

    // The request on the calling connection's thread is being served: its
    // connection is no longer one to close for room. The routes' handlers
    // run on that thread (call it before routing).
    void mark_serving();

    // Writes `length` bytes of the open file `fd` from `offset` through a
    // content provider's `sink`, as the next bytes of the reply. On a
    // connection's thread the kernel moves them from the file to the socket
    // (sendfile) and `room` is not touched; elsewhere, or when the file
    // cannot be sent so, they are read into `room` (of `length` bytes) and
    // written from there. False when the reply cannot go on.
    static bool send_file_part(httplib::DataSink& sink, int fd, int64_t offset, size_t length,
                               char* room);

private:
    struct Connection;

    void admit(int fd);
    bool make_room(std::chrono::milliseconds grace);
    void serve_connection(Connection& connection);
    void set_waiting(Connection& connection, bool waiting);
    void reap_ended();

    const Limits limits_;
    int listener_ = -1;
    std::atomic<bool> stopping_{false};
    bool turning_away_ = false; // the last connection was turned away
    std::mutex mutex_;
    std::condition_variable room_; // a connection ended or waits for a request
    std::list<std::unique_ptr<Connection>> connections_; // guarded by mutex_
    static thread_local Connection* current_;            // the calling thread's
};

} // namespace kelvara

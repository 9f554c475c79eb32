#include "connection_server.h"

#include "part_file.h"

#include <algorithm>
#include <arpa/inet.h>
#include <cerrno>
#include <cstring>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <optional>
#include <poll.h>
#include <string_view>
#include <sys/sendfile.h>
#include <sys/socket.h>
#include <system_error>
#include <thread>
#include <unistd.h>

namespace kelvara {

namespace {

using Clock = std::chrono::steady_clock;

constexpr auto kWaitForRoom = std::chrono::milliseconds(5);
// How long a new connection has to send its request before it may be closed
// to make room: for another that has sent nothing whole yet, and for one that
// has (a status request outranks a connection that holds a place idle).
constexpr auto kGrace = std::chrono::milliseconds(100);
constexpr auto kGraceForARequest = std::chrono::milliseconds(10);

// Waits until `fd` is ready for `events`, or has failed or been shut down;
// false when the time ran out first.
bool wait_for(int fd, short events, std::chrono::milliseconds timeout) {
    const auto deadline = Clock::now() + timeout;
    pollfd ready{fd, events, 0};
    for (;;) {
        const auto left =
            std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now());
        const int n = ::poll(&ready, 1, int(std::max<int64_t>(left.count(), 0)));
        if (n >= 0)
            return n > 0;
        if (errno != EINTR)
            return false;
    }
}

// The whole head of a request is there to be read.
bool request_arrived(int fd) {
    char head[2048];
    const ssize_t n = ::recv(fd, head, sizeof head, MSG_PEEK | MSG_DONTWAIT);
    return n > 0 && std::string_view(head, size_t(n)).find("\r\n\r\n") != std::string_view::npos;
}

void address_of(int fd, bool peer, std::string& ip, int& port) {
    sockaddr_in address{};
    socklen_t length = sizeof address;
    const int result = peer ? ::getpeername(fd, reinterpret_cast<sockaddr*>(&address), &length)
                            : ::getsockname(fd, reinterpret_cast<sockaddr*>(&address), &length);
    char text[INET_ADDRSTRLEN] = {};
    if (result != 0 || !::inet_ntop(AF_INET, &address.sin_addr, text, sizeof text))
        return;
    ip = text;
    port = ntohs(address.sin_port);
}

// Bytes of a reply that lie in a file. httplib writes them from `room`,
// which stands for them and is only filled when the file cannot be sent
// from directly.
struct FilePart {
    int fd = -1;
    int64_t offset = 0;
    char* room = nullptr;
    size_t length = 0;

    bool holds(const char* data, size_t size) const {
        return data >= room && data + size <= room + length;
    }
};

// A connection's socket for httplib, read through a buffer: the request
// parser asks for one byte at a time.
class SocketStream : public httplib::Stream {
public:
    SocketStream(int fd, const ConnectionServer::Limits& limits) : fd_(fd), limits_(limits) {}

    // Writes of the part's room send the file's bytes instead, until
    // drop_file_part().
    void take_file_part(const FilePart& part) { file_part_ = part; }
    void drop_file_part() { file_part_.reset(); }

    bool is_readable() const override {
        return begin_ < end_ || wait_for(fd_, POLLIN, limits_.idle);
    }

    bool is_writable() const override {
        return wait_for(fd_, POLLOUT, limits_.write) && peer_open();
    }

    ssize_t read(char* ptr, size_t size) override {
        if (begin_ == end_) {
            if (!wait_for(fd_, POLLIN, limits_.idle))
                return -1;
            ssize_t n;
            do {
                n = ::recv(fd_, buffer_, sizeof buffer_, 0);
            } while (n < 0 && errno == EINTR);
            if (n <= 0)
                return n;
            begin_ = 0;
            end_ = size_t(n);
        }
        const size_t n = std::min(size, end_ - begin_);
        std::memcpy(ptr, buffer_ + begin_, n);
        begin_ += n;
        return ssize_t(n);
    }

    ssize_t write(const char* ptr, size_t size) override {
        if (!wait_for(fd_, POLLOUT, limits_.write))
            return -1;
        if (file_part_ && file_part_->holds(ptr, size))
            return send_from_file(ptr, size);
        ssize_t n;
        do {
            n = ::send(fd_, ptr, size, MSG_NOSIGNAL);
        } while (n < 0 && errno == EINTR);
        return n;
    }

    void get_remote_ip_and_port(std::string& ip, int& port) const override {
        address_of(fd_, true, ip, port);
    }
    void get_local_ip_and_port(std::string& ip, int& port) const override {
        address_of(fd_, false, ip, port);
    }
    socket_t socket() const override { return fd_; }

private:
    // The kernel copies from the file to the socket: the bytes do not pass
    // through this process. A file it cannot send from (sendfile refuses
    // some file systems) is read into the room and sent from there.
    ssize_t send_from_file(const char* ptr, size_t size) {
        const FilePart part = *file_part_;
        const size_t from = size_t(ptr - part.room);
        off_t offset = off_t(part.offset + int64_t(from));
        ssize_t n;
        do {
            n = ::sendfile(fd_, part.fd, &offset, size);
        } while (n < 0 && errno == EINTR);
        if (n > 0)
            return n;
        if (n == 0 || (errno != EINVAL && errno != ENOSYS))
            return -1; // the file ended early, or the player went
        file_part_.reset();
        const size_t rest = part.length - from;
        if (read_all_at(part.fd, part.room + from, int64_t(rest), part.offset + int64_t(from)) != 0)
            return -1;
        return write(ptr, size);
    }

    // The player has not closed its side: nothing to read, or more to read.
    bool peer_open() const {
        if (begin_ < end_ || !wait_for(fd_, POLLIN, std::chrono::milliseconds(0)))
            return true;
        char byte;
        return ::recv(fd_, &byte, 1, MSG_PEEK | MSG_DONTWAIT) > 0;
    }

    const int fd_;
    const ConnectionServer::Limits& limits_;
    char buffer_[4096];
    size_t begin_ = 0;
    size_t end_ = 0;
    std::optional<FilePart> file_part_;
};

} // namespace

struct ConnectionServer::Connection {
    int fd = -1;
    std::thread thread;
    // Waiting for a request (or for the rest of one): may be closed for room.
    bool waiting = true;
    Clock::time_point waiting_since = Clock::now();
    bool closed_for_room = false;
    bool ended = false;
    SocketStream* stream = nullptr; // while it serves
};

thread_local ConnectionServer::Connection* ConnectionServer::current_ = nullptr;

ConnectionServer::ConnectionServer(Limits limits) : limits_(limits) {}

ConnectionServer::~ConnectionServer() {
    stop();
    if (listener_ >= 0)
        ::close(listener_);
}

int ConnectionServer::listen_on_loopback() {
    const int fd = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    if (fd < 0)
        return -1;
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t length = sizeof address;
    if (::bind(fd, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0 ||
        ::listen(fd, SOMAXCONN) != 0 ||
        ::getsockname(fd, reinterpret_cast<sockaddr*>(&address), &length) != 0) {
        ::close(fd);
        return -1;
    }
    listener_ = fd;
    // httplib ends the replies it streams once this is no longer valid.
    svr_sock_ = fd;
    return ntohs(address.sin_port);
}

void ConnectionServer::serve() {
    while (!stopping_ && listener_ >= 0) {
        pollfd incoming{listener_, POLLIN, 0};
        // Wakes now and then to join the threads of ended connections.
        const int ready = ::poll(&incoming, 1, 1000);
        reap_ended();
        if (ready <= 0 || stopping_)
            continue;
        const int fd = ::accept4(listener_, nullptr, nullptr, SOCK_CLOEXEC);
        if (fd < 0) {
            if (errno == EMFILE || errno == ENFILE)
                std::this_thread::sleep_for(std::chrono::milliseconds(10));
            continue;
        }
        admit(fd);
    }
    std::list<std::unique_ptr<Connection>> last;
    {
        std::lock_guard lock(mutex_);
        for (const auto& connection : connections_) {
            if (!connection->ended)
                ::shutdown(connection->fd, SHUT_RDWR);
        }
        last.swap(connections_);
    }
    for (const auto& connection : last)
        connection->thread.join();
}

void ConnectionServer::stop() {
    if (stopping_.exchange(true))
        return;
    svr_sock_ = INVALID_SOCKET;
    if (listener_ >= 0)
        ::shutdown(listener_, SHUT_RDWR);
    std::lock_guard lock(mutex_);
    for (const auto& connection : connections_) {
        if (!connection->ended)
            ::shutdown(connection->fd, SHUT_RDWR);
    }
    room_.notify_all();
}

void ConnectionServer::mark_serving() {
    if (current_)
        set_waiting(*current_, false);
}

void ConnectionServer::admit(int fd) {
    // Replies go out in several writes (headers, then the body); held back
    // until the first is acknowledged, each small reply would wait out the
    // client's delayed acknowledgement, some 40 ms.
    const int on = 1;
    ::setsockopt(fd, IPPROTO_TCP, TCP_NODELAY, &on, sizeof on);
    std::unique_lock lock(mutex_);
    const auto grace = request_arrived(fd) ? kGraceForARequest : kGrace;
    const auto has_room = [this, grace] {
        const auto open =
            std::count_if(connections_.begin(), connections_.end(),
                          [](const auto& c) { return !c->ended && !c->closed_for_room; });
        return stopping_ || open < limits_.most_connections || make_room(grace);
    };
    // A place frees as soon as a short request is answered: wait for one a
    // little before turning the connection away, unless the one before was
    // turned away too (a flood of connections goes fast, and a status
    // request behind it is not kept waiting).
    const bool placed = turning_away_ ? has_room() : room_.wait_for(lock, kWaitForRoom, has_room);
    turning_away_ = !placed;
    if (!placed || stopping_) {
        lock.unlock();
        static const char busy[] = "HTTP/1.1 503 Service Unavailable\r\nContent-Length: 0\r\n"
                                   "Connection: close\r\n\r\n";
        [[maybe_unused]] const ssize_t sent =
            ::send(fd, busy, sizeof busy - 1, MSG_NOSIGNAL | MSG_DONTWAIT);
        ::close(fd);
        return;
    }
    connections_.push_back(std::make_unique<Connection>());
    Connection& connection = *connections_.back();
    connection.fd = fd;
    try {
        connection.thread = std::thread([this, &connection] { serve_connection(connection); });
    } catch (const std::system_error&) {
        connections_.pop_back();
        ::close(fd);
    }
}

// Closes the connection that has waited longest for a request, if that is
// longer than `grace`; false when there is none.
bool ConnectionServer::make_room(std::chrono::milliseconds grace) {
    Connection* oldest = nullptr;
    for (const auto& c : connections_) {
        if (!c->ended && !c->closed_for_room && c->waiting &&
            (!oldest || c->waiting_since < oldest->waiting_since))
            oldest = c.get();
    }
    if (!oldest || Clock::now() - oldest->waiting_since < grace)
        return false;
    ::shutdown(oldest->fd, SHUT_RDWR);
    oldest->closed_for_room = true;
    return true;
}

void ConnectionServer::serve_connection(Connection& connection) {
    current_ = &connection;
    SocketStream stream(connection.fd, limits_);
    connection.stream = &stream;
    for (int left = limits_.requests_per_connection; left > 0 && !stopping_; --left) {
        set_waiting(connection, true);
        if (!stream.is_readable())
            break;
        bool closed = false;
        if (!process_request(stream, left == 1, closed, nullptr) || closed)
            break;
    }
    current_ = nullptr;
    connection.stream = nullptr;
    // The socket is closed under the lock: make_room() and stop() shut
    // down only sockets that are still this connection's.
    std::lock_guard lock(mutex_);
    ::shutdown(connection.fd, SHUT_RDWR);
    ::close(connection.fd);
    connection.ended = true;
    room_.notify_all();
}

bool ConnectionServer::send_file_part(httplib::DataSink& sink, int fd, int64_t offset,
                                      size_t length, char* room) {
    SocketStream* const stream = current_ ? current_->stream : nullptr;
    if (!stream)
        return read_all_at(fd, room, int64_t(length), offset) == 0 && sink.write(room, length);
    stream->take_file_part({fd, offset, room, length});
    const bool written = sink.write(room, length);
    stream->drop_file_part();
    return written;
}

void ConnectionServer::set_waiting(Connection& connection, bool waiting) {
    std::lock_guard lock(mutex_);
    connection.waiting = waiting;
    connection.waiting_since = Clock::now();
    if (waiting)
        room_.notify_all();
}

void ConnectionServer::reap_ended() {
    std::list<std::unique_ptr<Connection>> ended;
    {
        std::lock_guard lock(mutex_);
        for (auto it = connections_.begin(); it != connections_.end();) {
            const auto next = std::next(it);
            if ((*it)->ended)
                ended.splice(ended.end(), connections_, it);
            it = next;
        }
    }
    for (const auto& connection : ended)
        connection->thread.join();
}

} // namespace kelvara

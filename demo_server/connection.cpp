#include "connection.h"

#include <arpa/inet.h>
#include <cstdlib>
#include <dirent.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>

namespace kelvara::demo {

namespace {

using EndFunction = int (*)(int, sockaddr*, socklen_t*);

int port_of(int socket, EndFunction end) {
    sockaddr_storage address{};
    socklen_t length = sizeof address;
    if (end(socket, reinterpret_cast<sockaddr*>(&address), &length) != 0)
        return -1;
    if (address.ss_family == AF_INET)
        return ntohs(reinterpret_cast<sockaddr_in*>(&address)->sin_port);
    if (address.ss_family == AF_INET6)
        return ntohs(reinterpret_cast<sockaddr_in6*>(&address)->sin6_port);
    return -1;
}

} // namespace

int find_connection(int local_port, int remote_port) {
    DIR* dir = opendir("/proc/self/fd");
    if (!dir)
        return -1;
    int found = -1;
    while (const dirent* entry = readdir(dir)) {
        char* end = nullptr;
        const long fd = std::strtol(entry->d_name, &end, 10);
        if (end == entry->d_name || *end != '\0')
            continue;
        const int socket = static_cast<int>(fd);
        if (port_of(socket, getsockname) == local_port &&
            port_of(socket, getpeername) == remote_port) {
            found = socket;
            break;
        }
    }
    closedir(dir);
    return found;
}

bool drop_connection(int local_port, int remote_port) {
    const int socket = find_connection(local_port, remote_port);
    return socket >= 0 && shutdown(socket, SHUT_RDWR) == 0;
}

bool peer_closed(int socket) {
    pollfd p{socket, POLLRDHUP, 0};
    if (poll(&p, 1, 0) <= 0)
        return false;
    return (p.revents & (POLLRDHUP | POLLHUP | POLLERR | POLLNVAL)) != 0;
}

} // namespace kelvara::demo

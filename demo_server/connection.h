#pragma once

namespace kelvara::demo {

// cpp-httplib does not hand a handler its socket, so these find the accepted
// socket of a request by its two ports among the process's descriptors.

// The socket whose local port is `local_port` and whose peer's port is
// `remote_port`, or -1.
int find_connection(int local_port, int remote_port);
// Shuts the connection down both ways: the client sees it close without a
// byte of reply, and the server's own writes fail. False when not found.
bool drop_connection(int local_port, int remote_port);
// True when the peer has closed or reset the connection.
bool peer_closed(int socket);

} // namespace kelvara::demo

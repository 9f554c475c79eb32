// kelvara-demo-server: runs the demo content server in the foreground until
// interrupted, printing its base URL.

#include "demo_server.h"

#include <csignal>
#include <cstdlib>
#include <cstring>
#include <iostream>
#include <pthread.h>
#include <string>

namespace {

void usage() {
    std::cerr << "usage: kelvara-demo-server [--port N] [--media DIR]\n"
                 "  --port N     listen on 127.0.0.1:N (default: a free port)\n"
                 "  --media DIR  folder of the clips (default: the installed ones)\n";
}

} // namespace

int main(int argc, char** argv) {
    int port = 0;
    std::string media;
    for (int i = 1; i < argc; ++i) {
        const bool has_value = i + 1 < argc;
        if (std::strcmp(argv[i], "--port") == 0 && has_value) {
            port = std::atoi(argv[++i]);
        } else if (std::strcmp(argv[i], "--media") == 0 && has_value) {
            media = argv[++i];
        } else {
            usage();
            return std::strcmp(argv[i], "--help") == 0 ? 0 : 2;
        }
    }

    // The server's threads inherit this mask, so only sigwait sees the signals.
    sigset_t stop_signals;
    sigemptyset(&stop_signals);
    sigaddset(&stop_signals, SIGINT);
    sigaddset(&stop_signals, SIGTERM);
    pthread_sigmask(SIG_BLOCK, &stop_signals, nullptr);

    kelvara::DemoServer server;
    if (!server.start(port, media)) {
        std::cerr << "kelvara-demo-server: cannot listen on 127.0.0.1:" << port << "\n";
        return 1;
    }
    std::cout << server.base_url() << std::endl;
    int signal = 0;
    sigwait(&stop_signals, &signal);
    server.stop();
    return 0;
}

// QvodTerminal.exe: downloads the files of qvod:// addresses for the player
// control and serves them on 127.0.0.1 while they download. One runs per
// QVOD folder; see shared/qvod_terminal_api.h.

#include "downloads.h"
#include "local_server.h"
#include "shared/hex.h"
#include "shared/qvod_terminal_api.h"
#include "terminal_log.h"
#include "terminal_options.h"
#include "terminal_settings.h"

#include <cerrno>
#include <chrono>
#include <csignal>
#include <cstdio>
#include <curl/curl.h>
#include <fcntl.h>
#include <future>
#include <optional>
#include <string>
#include <sys/file.h>
#include <sys/random.h>
#include <sys/stat.h>
#include <unistd.h>

namespace kelvara {

namespace {

// Takes the folder's lock: its descriptor, or -1 when another terminal
// holds it.
int lock_folder(const std::string& folder) {
    const std::string path = folder + "/" + terminal_api::kLockFile;
    const int fd = ::open(path.c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0644);
    if (fd < 0)
        return -1;
    if (::flock(fd, LOCK_EX | LOCK_NB) != 0) {
        ::close(fd);
        return -1;
    }
    return fd;
}

// 128 random bits as hexadecimal digits, new at every start.
std::optional<std::string> make_secret() {
    unsigned char bytes[16];
    if (::getrandom(bytes, sizeof bytes, 0) != ssize_t(sizeof bytes))
        return std::nullopt;
    return hex_of(bytes, sizeof bytes);
}

// The port file is readable by its owner only: it holds the secret.
bool write_port_file(const std::string& path, int port, const std::string& secret) {
    const std::string temp = path + ".new";
    ::unlink(temp.c_str());
    const int fd = ::open(temp.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0600);
    if (fd < 0)
        return false;
    const std::string text =
        std::to_string(port) + "\n" + std::to_string(::getpid()) + "\n" + secret + "\n";
    const bool written = ::write(fd, text.data(), text.size()) == ssize_t(text.size());
    if (::close(fd) != 0 || !written || std::rename(temp.c_str(), path.c_str()) != 0) {
        std::remove(temp.c_str());
        return false;
    }
    return true;
}

// Signals the terminal ends on; the main thread waits for them.
sigset_t ending_signals() {
    sigset_t set;
    sigemptyset(&set);
    sigaddset(&set, SIGTERM);
    sigaddset(&set, SIGINT);
    return set;
}

// Returns on an ending signal, or once the terminal's folder is gone: a
// terminal whose folder was removed (an application folder deleted, a test's
// temporary folder) has no client left to serve.
void wait_for_end(const sigset_t& ending, const std::string& folder) {
    const timespec poll{5, 0};
    for (;;) {
        if (sigtimedwait(&ending, nullptr, &poll) > 0)
            return;
        struct stat folder_stat {};
        if (::stat(folder.c_str(), &folder_stat) != 0 && errno == ENOENT)
            return;
    }
}

int run(const TerminalOptions& options) {
    const int lock = lock_folder(options.folder);
    if (lock < 0)
        return 0; // this folder's terminal already runs
    const auto secret = make_secret();
    if (!secret) {
        qCWarning(lcTerminal) << "no random numbers for a secret";
        return 1;
    }
    const TerminalSettings settings = read_settings(options.folder);
    Downloads downloads(DownloadConfig{options, settings.save_folder, settings.sources,
                                       settings.share, settings.upload_kbs});
    LocalServer server(downloads, *secret);
    const int port = server.bind();
    if (port <= 0) {
        qCWarning(lcTerminal) << "cannot listen on 127.0.0.1";
        return 1;
    }
    downloads.start();
    auto serving = std::async(std::launch::async, [&server] { server.run(); });
    const std::string port_file = options.folder + "/" + terminal_api::kPortFile;
    if (!write_port_file(port_file, port, *secret)) {
        qCWarning(lcTerminal) << "cannot write" << port_file.c_str();
        downloads.stop();
        server.stop();
        return 1;
    }

    wait_for_end(ending_signals(), options.folder);

    downloads.stop();
    std::remove(port_file.c_str());
    // The files are done with: a new terminal may start while this one
    // lets go of its players.
    ::close(lock);
    server.stop();
    // A player that stopped reading holds a connection until the write
    // time-out; the partial files are safe by now, so do not wait for it.
    if (serving.wait_for(std::chrono::seconds(2)) != std::future_status::ready)
        std::_Exit(0);
    return 0;
}

} // namespace

} // namespace kelvara

int main(int argc, char** argv) {
    using namespace kelvara;
    // Block the ending signals before any thread starts, so that every
    // thread inherits the mask and only the main thread's wait sees them.
    const sigset_t ending = ending_signals();
    pthread_sigmask(SIG_BLOCK, &ending, nullptr);
    std::signal(SIGPIPE, SIG_IGN);
    std::signal(SIGHUP, SIG_IGN);  // a background service outlives its terminal
    std::signal(SIGXFSZ, SIG_IGN); // a size limit shows as EFBIG instead

    std::string error;
    const auto options = parse_options(argc, argv, error);
    if (!options) {
        std::fprintf(stderr, "QvodTerminal: %s\n", error.c_str());
        return 2;
    }
    curl_global_init(CURL_GLOBAL_DEFAULT);
    const int status = run(*options);
    curl_global_cleanup();
    return status;
}

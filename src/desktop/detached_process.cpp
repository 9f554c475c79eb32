#include "desktop/detached_process.h"

#include <QFile>
#include <csignal>
#include <fcntl.h>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

namespace kelvara {

namespace {

// In the started process, between fork and exec: async-signal-safe calls only.
[[noreturn]] void become(const char* program, char* const argv[], const char* folder) {
    sigset_t none;
    sigemptyset(&none);
    sigprocmask(SIG_SETMASK, &none, nullptr);
    const int null = ::open("/dev/null", O_RDWR);
    if (null < 0 || ::dup2(null, 0) < 0 || ::dup2(null, 1) < 0 || ::dup2(null, 2) < 0)
        ::_exit(127);
    if (::close_range(3, ~0U, 0) != 0) {
        for (int fd = 3, last = int(::sysconf(_SC_OPEN_MAX)); fd < last; ++fd)
            ::close(fd);
    }
    if (::chdir(folder) != 0)
        ::_exit(127);
    ::execv(program, argv);
    ::_exit(127);
}

} // namespace

std::optional<pid_t> start_detached_process(const QString& program, const QStringList& args,
                                            const QString& folder) {
    std::vector<QByteArray> words{QFile::encodeName(program)};
    for (const QString& arg : args)
        words.push_back(QFile::encodeName(arg));
    std::vector<char*> argv;
    for (QByteArray& word : words)
        argv.push_back(word.data());
    argv.push_back(nullptr);
    const QByteArray dir = QFile::encodeName(folder);

    int report[2];
    if (::pipe2(report, O_CLOEXEC) != 0)
        return std::nullopt;
    // Two forks, so that the service is no child of the client's and leaves
    // no zombie behind; the middle process tells the service's id.
    const pid_t middle = ::fork();
    if (middle == 0) {
        ::setsid();
        const pid_t service = ::fork();
        if (service == 0)
            become(words.front().constData(), argv.data(), dir.constData());
        (void)!::write(report[1], &service, sizeof service);
        ::_exit(0);
    }
    ::close(report[1]);
    pid_t service = -1;
    if (middle > 0) {
        ::waitpid(middle, nullptr, 0);
        if (::read(report[0], &service, sizeof service) != ssize_t(sizeof service))
            service = -1;
    }
    ::close(report[0]);
    if (service <= 0)
        return std::nullopt;
    return service;
}

} // namespace kelvara

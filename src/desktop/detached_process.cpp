#include "desktop/detached_process.h"

#include <QFile>
#include <cerrno>
#include <csignal>
#include <fcntl.h>
#include <spawn.h>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>
#include <vector>

namespace kelvara {

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

    posix_spawn_file_actions_t files;
    posix_spawn_file_actions_init(&files);
    posix_spawn_file_actions_addopen(&files, 0, "/dev/null", O_RDWR, 0);
    posix_spawn_file_actions_adddup2(&files, 0, 1);
    posix_spawn_file_actions_adddup2(&files, 0, 2);
    posix_spawn_file_actions_addclosefrom_np(&files, 3);
    posix_spawn_file_actions_addchdir_np(&files, dir.constData());
    posix_spawnattr_t attributes;
    posix_spawnattr_init(&attributes);
    sigset_t none, all;
    sigemptyset(&none);
    sigfillset(&all);
    posix_spawnattr_setsigmask(&attributes, &none);
    posix_spawnattr_setsigdefault(&attributes, &all);
    posix_spawnattr_setflags(&attributes,
                             POSIX_SPAWN_SETSID | POSIX_SPAWN_SETSIGMASK | POSIX_SPAWN_SETSIGDEF);
    // posix_spawn shares the client's memory until the exec: a fork, and a
    // fork of the fork to leave no child behind, copied the page tables of
    // the client and its engine twice while the client waited, as its panes
    // load.
    pid_t service = -1;
    const int error = ::posix_spawn(&service, words.front().constData(), &files, &attributes,
                                    argv.data(), environ);
    posix_spawnattr_destroy(&attributes);
    posix_spawn_file_actions_destroy(&files);
    if (error != 0 || service <= 0)
        return std::nullopt;
    // The service is the client's child: it is waited for when it ends, so
    // that it leaves no zombie behind, and outlives the client as any
    // process of its own session does.
    std::thread([service] {
        while (::waitpid(service, nullptr, 0) < 0 && errno == EINTR) {
        }
    }).detach();
    return service;
}

} // namespace kelvara

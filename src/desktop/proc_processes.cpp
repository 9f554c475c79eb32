#include "desktop/proc_processes.h"

#include "desktop/detached_process.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <algorithm>
#include <csignal>
#include <sys/stat.h>
#include <unistd.h>

namespace kelvara {

ProcProcesses::ProcProcesses(QString proc_root) : proc_root_(std::move(proc_root)) {}

std::vector<ProcessInfo> ProcProcesses::list() {
    std::vector<ProcessInfo> out;
    const QStringList entries = QDir(proc_root_).entryList(QDir::Dirs | QDir::NoDotAndDotDot);
    for (const QString& entry : entries) {
        bool numeric = false;
        const qint64 pid = entry.toLongLong(&numeric);
        if (!numeric)
            continue;
        QString path = QFileInfo(proc_root_ + u'/' + entry + QLatin1String("/exe")).symLinkTarget();
        if (path.isEmpty())
            continue; // kernel threads and processes of other users
        const QString deleted = QStringLiteral(" (deleted)");
        if (path.endsWith(deleted))
            path.chop(deleted.size());
        struct stat entry_stat {};
        const QByteArray entry_path = QFile::encodeName(proc_root_ + u'/' + entry);
        if (::stat(entry_path.constData(), &entry_stat) != 0)
            continue; // ended meanwhile
        out.push_back({pid, QFileInfo(path).fileName(), path, entry_stat.st_uid});
    }
    std::sort(out.begin(), out.end(),
              [](const ProcessInfo& a, const ProcessInfo& b) { return a.pid < b.pid; });
    return out;
}

uint ProcProcesses::user_id() const {
    return ::geteuid();
}

bool ProcProcesses::terminate(qint64 pid) {
    if (pid <= 0)
        return false;
    return ::kill(static_cast<pid_t>(pid), SIGTERM) == 0;
}

bool ProcProcesses::start_detached(const QString& program, const QStringList& args, bool) {
    if (program.isEmpty() || !QFileInfo(program).isExecutable() || QFileInfo(program).isDir())
        return false;
    return start_detached_process(program, args, QFileInfo(program).absolutePath()).has_value();
}

} // namespace kelvara

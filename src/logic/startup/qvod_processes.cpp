#include "logic/startup/qvod_processes.h"

#include "logic/text/text_helpers.h"
#include "platform/processes.h"

#include <QDir>
#include <QFileInfo>

namespace kelvara {

QString qvod_folder(const QString& qvodw, const QString& app_dir) {
    const bool chosen = QDir::isAbsolutePath(qvodw) && QFileInfo(qvodw).isDir();
    const QString folder = chosen ? qvodw : join_path(app_dir, QStringLiteral("Qvod"));
    return folder.endsWith(u'/') ? folder : folder + u'/';
}

bool runs_from(const Processes& processes, const ProcessInfo& process, const QString& folder) {
    if (process.uid != processes.user_id() || folder.isEmpty())
        return false;
    // The program's path is the real one; the folder may be named through a
    // link.
    const QString program_dir = QDir::cleanPath(QFileInfo(process.path).absolutePath());
    const QString canonical = QFileInfo(folder).canonicalFilePath();
    return program_dir == QDir::cleanPath(folder) ||
           (!canonical.isEmpty() && program_dir == canonical);
}

qint64 find_process_id(Processes& processes, const QString& name, const QString& folder) {
    for (const ProcessInfo& p : processes.list()) {
        if (p.name.contains(name, Qt::CaseSensitive) && runs_from(processes, p, folder))
            return p.pid;
    }
    return 0;
}

bool kill_process_id(Processes& processes, qint64 id) {
    if (id <= 0)
        return false;
    return processes.terminate(id);
}

void kill_process_by_name(Processes& processes, const QString& name, const QString& folder) {
    const qint64 id = find_process_id(processes, name, folder);
    if (id != 0)
        kill_process_id(processes, id);
}

} // namespace kelvara

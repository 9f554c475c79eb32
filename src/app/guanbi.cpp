#include "app/guanbi.h"

#include "platform/processes.h"

namespace kelvara {

qint64 find_process_id(Processes& processes, const QString& name) {
    for (const ProcessInfo& p : processes.list()) {
        if (p.name.contains(name, Qt::CaseSensitive))
            return p.pid;
    }
    return 0;
}

bool kill_process_id(Processes& processes, qint64 id) {
    if (id <= 0)
        return false;
    return processes.terminate(id);
}

void kill_process_by_name(Processes& processes, const QString& name) {
    const qint64 id = find_process_id(processes, name);
    if (id != 0)
        kill_process_id(processes, id);
}

} // namespace kelvara

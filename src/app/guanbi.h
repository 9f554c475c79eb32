#pragma once

#include <QString>

namespace kelvara {

class Processes;

// The id of the first process whose executable file name contains `name`
// (exact case); 0 when none does.
qint64 find_process_id(Processes& processes, const QString& name);
// True when the process was terminated.
bool kill_process_id(Processes& processes, qint64 id);
// Terminates at most one process: the first that find_process_id finds.
void kill_process_by_name(Processes& processes, const QString& name);

} // namespace kelvara

#pragma once

#include <QString>

namespace kelvara {

class Processes;
struct ProcessInfo;

// The client's QVOD folder, ending in "/": the folder `qvodw` names when it
// is an absolute path of an existing folder (set there on purpose), else the
// client's own <application folder>/Qvod/. "0", empty, relative or stale
// values never lead elsewhere.
QString qvod_folder(const QString& qvodw, const QString& app_dir);

// True when the process belongs to this user and runs a program that lies
// directly in `folder`: only such QVOD programs are adopted or ended.
bool runs_from(const Processes& processes, const ProcessInfo& process, const QString& folder);

// The id of the first of the user's processes running from `folder` whose
// executable file name contains `name` (exact case); 0 when none does.
qint64 find_process_id(Processes& processes, const QString& name, const QString& folder);
// True when the process was terminated.
bool kill_process_id(Processes& processes, qint64 id);
// Terminates at most one process: the first that find_process_id finds.
void kill_process_by_name(Processes& processes, const QString& name, const QString& folder);

} // namespace kelvara

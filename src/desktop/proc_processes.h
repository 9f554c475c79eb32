#pragma once

#include "platform/processes.h"

namespace kelvara {

// Processes from /proc: the name is the file name of the executable the
// `exe` link points to (not `comm`, which is cut at 15 bytes), the owner
// that of its /proc entry.
class ProcProcesses : public Processes {
public:
    explicit ProcProcesses(QString proc_root = QStringLiteral("/proc"));
    std::vector<ProcessInfo> list() override;
    uint user_id() const override;
    bool terminate(qint64 pid) override;
    bool start_detached(const QString& program, const QStringList& args, bool minimised) override;

private:
    QString proc_root_;
};

} // namespace kelvara

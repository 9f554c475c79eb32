#pragma once

#include <QString>
#include <QStringList>
#include <vector>

namespace kelvara {

struct ProcessInfo {
    qint64 pid = 0;
    QString name; // file name of the process's executable
    QString path; // full path of the executable
    uint uid = 0; // owner
};

// The machine's processes.
class Processes {
public:
    virtual ~Processes() = default;
    // Every process of the machine that can be seen, in ascending process id.
    virtual std::vector<ProcessInfo> list() = 0;
    // The user this client runs as: the owner of its own processes.
    virtual uint user_id() const = 0;
    // Ends a process; true when it was signalled.
    virtual bool terminate(qint64 pid) = 0;
    // Starts a program without waiting for it. `minimised` asks for a
    // minimised first window where the program has one.
    virtual bool start_detached(const QString& program, const QStringList& args,
                                bool minimised) = 0;
};

} // namespace kelvara

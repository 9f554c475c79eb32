#pragma once

#include "platform/desktop/qvod_streams.h"

#include <QByteArray>
#include <chrono>
#include <optional>

namespace kelvara {

// The player control's link to the QVOD terminal of a QVOD folder: starts
// <folder>/QvodTerminal.exe when it does not run and talks to it on
// 127.0.0.1 (see common/qvod_terminal_api.h).
//
// Every call runs on the caller's (the window's) thread, so none waits
// long: a start is waited for at most a second, and less when the started
// process ends at once; while a terminal is still starting, or cannot
// start, calls answer at once and no second one is started for a while.
class TerminalStreams : public QvodStreams {
public:
    explicit TerminalStreams(QString qvod_folder);
    ~TerminalStreams() override;
    TerminalStreams(const TerminalStreams&) = delete;
    TerminalStreams& operator=(const TerminalStreams&) = delete;

    // "http://127.0.0.1:<port>/stream/<sha1>?size=…&name=…", or empty when
    // the address is not a qvod address or the terminal cannot be reached.
    QString open(const QString& qvod_address) override;
    // Quick: asks the running terminal only (a few ms on loopback); empty
    // when it does not run or does not know the address.
    std::optional<Status> status(const QString& qvod_address) override;
    void preload(const QString& qvod_address) override;

    // The port of the folder's terminal when it runs and answers, else 0.
    int running_port();

private:
    int ensure_running();
    int start_terminal();
    int port_from_file() const;
    std::optional<QByteArray> get(int port, const QString& target,
                                  std::chrono::milliseconds timeout);

    QString folder_;
    void* curl_ = nullptr;
    int port_ = 0;
    std::optional<std::chrono::steady_clock::time_point> last_start_;
};

} // namespace kelvara

#pragma once

#include "desktop/qvod_streams.h"
#include "shared/qvod_terminal_api.h"

#include <QByteArray>
#include <chrono>
#include <optional>
#include <string>

namespace kelvara {

// The player control's link to the QVOD terminal of a QVOD folder: starts
// <folder>/QvodTerminal.exe when it does not run and talks to it on
// 127.0.0.1 (see shared/qvod_terminal_api.h).
//
// Every call runs on the caller's (the window's) thread, so none waits
// long: a start is waited for at most three seconds, and less when the
// started process ends at once. After a start that did not answer in time,
// calls answer at once: no terminal is started for a few seconds, then one
// is started without waiting for it, until one answers. A terminal that ran
// and was stopped is started again at once.
class TerminalStreams : public QvodStreams {
public:
    explicit TerminalStreams(QString qvod_folder);
    ~TerminalStreams() override;
    TerminalStreams(const TerminalStreams&) = delete;
    TerminalStreams& operator=(const TerminalStreams&) = delete;

    // "http://127.0.0.1:<port>/stream/<sha1>?size=…&name=…&key=<secret>", or
    // empty when the address is not a qvod address or the terminal cannot be
    // reached.
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
    // The port and secret of the port file; port 0 when it is missing.
    terminal_api::Endpoint endpoint_from_file() const;
    bool still_listening() const;
    std::optional<QByteArray> get(int port, const QString& target,
                                  std::chrono::milliseconds timeout);

    QString folder_;
    void* curl_ = nullptr;
    int port_ = 0;
    std::string secret_; // of the terminal on port_
    // When a terminal last failed to answer in time after its start.
    std::optional<std::chrono::steady_clock::time_point> failed_start_;
};

} // namespace kelvara

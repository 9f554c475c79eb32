#pragma once

#include "logic/playback/mpv_state.h"

#include <QString>
#include <optional>

namespace kelvara {

// How the player control reaches the QVOD terminal for qvod:// addresses
// ("qvod://<size>|<sha1>|<name>|"): the terminal downloads the file and
// serves it on 127.0.0.1 while it downloads.
class QvodStreams {
public:
    virtual ~QvodStreams() = default;

    // The player control keeps the status as it comes.
    using Status = TerminalStatus;

    // The local http address the player reads the file from; starts the
    // terminal when it is not running. Empty when it cannot be reached.
    virtual QString open(const QString& qvod_address) = 0;
    // Progress of an address opened or preloaded before.
    virtual std::optional<Status> status(const QString& qvod_address) = 0;
    // Starts downloading an address in the background, at lower priority.
    virtual void preload(const QString& qvod_address) = 0;
};

} // namespace kelvara

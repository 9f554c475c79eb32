#pragma once

#include "panes/qvod_address.h"

#include <QString>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

// How the player control and the QVOD terminal (QvodTerminal.exe) talk.
//
// The terminal runs once per QVOD folder (the folder of its executable):
// an exclusive flock on <folder>/QvodTerminal.lock keeps a second one out
// (it exits at once with status 0). An ending terminal lets go of the lock
// once its port file is gone, before its last replies end. It listens on 127.0.0.1 on a free port
// and writes "<port>\n<pid>\n" to <folder>/QvodTerminal.port once it
// listens; the file goes away when it exits on SIGTERM or SIGINT.
//
// Settings: <folder>/QvodPlayer.xml, GBK text, read at start. The line
// holding Defaultsavepath="<folder/>" names the download folder; each line
// <Source url="<base>"/> names a source, which is asked for <base><sha1>
// (lower-case hash) with byte ranges.
//
// Routes (all GET; sha1 is 40 hexadecimal digits in any case):
//   /hello                          "QvodTerminal\n": the terminal answers.
//   /stream/<sha1>?size=<n>&name=<percent-encoded UTF-8 name>
//                                   The file, with Range support. Starts or
//                                   steers its download to the bytes read; a
//                                   read of bytes not yet on disk waits for
//                                   them (up to a time-out, then the reply
//                                   ends early). 503 with a status text when
//                                   the download has failed.
//   /preload/<sha1>?size=<n>&name=<…>
//                                   Starts a background download (one
//                                   connection) and answers the status text.
//   /status/<sha1>                  The status text below; 404 when the
//                                   terminal knows no such download.
//
// Status text, one "key=value" line each: state (connecting, downloading,
// reconnecting, complete, failed), permille (0–1000 of the file on disk),
// rate (KB/s over the last seconds), have and size (bytes), reason (why it
// failed: disk-full, unwritable, checksum) and path (the finished file).
//
// On disk, in the download folder: <name>.kvtmp holds the file while it
// downloads and <name>.kvpart the record of the pieces on disk; after the
// SHA-1 matched, <name>.kvtmp becomes <name> and the record goes away.

namespace kelvara::terminal_api {

inline constexpr char kProgram[] = "QvodTerminal.exe";
inline constexpr char kSettingsFile[] = "QvodPlayer.xml";
inline constexpr char kPortFile[] = "QvodTerminal.port";
inline constexpr char kLockFile[] = "QvodTerminal.lock";
inline constexpr char kHelloPath[] = "/hello";
inline constexpr char kHelloReply[] = "QvodTerminal\n";
// Larger files are refused (4 TiB), which keeps a download's bookkeeping small.
inline constexpr int64_t kLargestFile = int64_t(1) << 42;

enum class State { Connecting, Downloading, Reconnecting, Complete, Failed };

const char* state_name(State state);
std::optional<State> state_from_name(std::string_view name);

struct Status {
    State state = State::Connecting;
    int permille = 0;
    int rate_kbs = 0;
    int64_t have = 0;
    int64_t size = 0;
    std::string reason;
    std::string path;
};

std::string format_status(const Status& status);
// Unknown keys are skipped; empty when there is no valid state line.
std::optional<Status> parse_status(std::string_view text);

// Request targets (path and query) for an address.
// The download folder when the settings name none: "Media/" in the home
// folder.
QString default_download_folder();

QString stream_target(const QvodAddress& address);
QString preload_target(const QvodAddress& address);
QString status_target(const QvodAddress& address);

} // namespace kelvara::terminal_api

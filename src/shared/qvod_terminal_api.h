#pragma once

#include "shared/qvod_file.h"

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
// once its port file is gone, before its last replies end. It listens on
// 127.0.0.1 on a free port and, once it listens, writes
// "<port>\n<pid>\n<secret>\n" to <folder>/QvodTerminal.port, readable by its
// owner only; the secret (32 hexadecimal digits) is new at every start. The
// file goes away when it exits on SIGTERM or SIGINT.
//
// It answers only its own client: every request must carry the secret as the
// query parameter key=<secret> and a Host of 127.0.0.1:<port> or
// localhost:<port> (a web page that rebinds a name to 127.0.0.1 sends its
// own name); anything else gets 403. No reply carries CORS headers. A request
// line or header line is at most 8 KiB, a connection idle for 5 s is closed,
// and at most 64 connections are served or queued at once (more wait in the
// kernel's backlog).
//
// Settings: <folder>/QvodPlayer.xml, GBK text, read at start (at most 1 MiB).
// The line holding Defaultsavepath="<folder/>" names the download folder;
// each line <Source url="<base>"/> names a source (at most 16, 2 KiB each),
// which is asked for <base><sha1> (lower-case hash) with byte ranges.
// Share="0" turns sharing off; Uploadrate="<KB/s>" caps the upload (0: no
// cap; default kDefaultUploadKbs). While sharing is on, a film whose source
// offers <base><sha1>.torrent comes through its BitTorrent swarm, with the
// source as web seed, and the films it finished are seeded while it runs;
// the torrent is kept as .<sha1>.kvswarm beside the download's record.
//
// Routes (all GET; sha1 is 40 hexadecimal digits in any case; sizes are
// 1 byte to 1 TiB; a name is made safe and cut to 200 bytes):
//   /hello                          "QvodTerminal\n": the terminal answers.
//   /stream/<sha1>?size=<n>&name=<percent-encoded UTF-8 name>
//                                   The file, with Range support as HTTP/1.1
//                                   has it (206 with Content-Range ending at
//                                   the last byte; 416 with "bytes */<size>"
//                                   for a range wholly past the end). Starts or
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
// failed: disk-full, unwritable, checksum) and path (the finished file, whose
// name may differ from the address's, see below).
//
// On disk, in the download folder, the terminal creates only these files:
// .<sha1>.kvpart, the download's record (see DownloadRecord), written before
// anything else and kept as long as the download or its film is there;
// .<sha1>.kvtmp, the file while it downloads, reserved whole at once; and the
// finished film. Only after the SHA-1 matched does .kvtmp become the film,
// under the address's name or, when that name is taken, the first free
// "<stem> (2).<ext>", "<stem> (3).<ext>"…, never replacing a file. A file
// already there under the address's name is taken as the film only when its
// size and SHA-1 match (hashed once, beside the download, and noted in the
// record). A film that does not fit in the free space fails at once with
// reason disk-full and leaves nothing behind; a disk that fills during a
// download keeps what arrived and goes on when there is room again. A record
// that cannot be read is removed with its .kvtmp, and the download starts
// over. The client finds a download's files through its record, even while
// no terminal runs.

namespace kelvara::terminal_api {

inline constexpr char kProgram[] = "QvodTerminal.exe";
inline constexpr char kSettingsFile[] = "QvodPlayer.xml";
inline constexpr char kPortFile[] = "QvodTerminal.port";
inline constexpr char kLockFile[] = "QvodTerminal.lock";
inline constexpr char kHelloPath[] = "/hello";
inline constexpr char kHelloReply[] = "QvodTerminal\n";
// Larger files are refused (1 TiB), which keeps a download's bookkeeping small.
inline constexpr int64_t kLargestFile = int64_t(1) << 40;
// The query parameter that carries the terminal's secret.
inline constexpr char kSecretParam[] = "key";
// Where a download keeps its record and its bytes, by hash.
inline constexpr char kRecordSuffix[] = ".kvpart";
inline constexpr char kDataSuffix[] = ".kvtmp";
// The swarm's upload cap in KB/s when the settings name none, and the most.
inline constexpr int kDefaultUploadKbs = 256;
inline constexpr int kMostUploadKbs = 1024 * 1024;

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

// What the port file tells a client.
struct Endpoint {
    int port = 0;
    std::string secret;
};
std::optional<Endpoint> parse_port_file(std::string_view text);

// A download's record, .<sha1>.kvpart in the download folder. Text lines
// "key=value" after the header line "QvodTerminal part 2": sha1, size, piece
// (bytes), name (the film's file name in the folder), state (partial or
// complete), asked (when it was last asked for, seconds since 1970), have
// (the pieces on disk, hexadecimal, partial only), and for a complete one the
// inode and modification time (ns) its SHA-1 was checked at.
struct DownloadRecord {
    std::string sha1;
    int64_t size = 0;
    int64_t piece = 0;
    std::string name;
    bool complete = false;
    int64_t asked = 0;
    std::string have;
    uint64_t inode = 0;
    int64_t mtime_ns = 0;
};

std::string format_download_record(const DownloadRecord& record);
// Empty for a text that is not a whole, plausible record: wrong header, a
// hash that is not 40 lower-case digits, a size of 0 or over kLargestFile, a
// piece size outside 4 KiB–16 MiB or more than 2^20 pieces, a name that is
// not a plain file name.
std::optional<DownloadRecord> parse_download_record(std::string_view text);
// ".<sha1>.kvpart" and ".<sha1>.kvtmp".
std::string record_file_name(std::string_view sha1);
std::string data_file_name(std::string_view sha1);

// Request targets (path and query) for an address.
// The download folder when the settings name none: "Media/" in the home
// folder.
QString default_download_folder();

QString stream_target(const QvodAddress& address);
QString preload_target(const QvodAddress& address);
QString status_target(const QvodAddress& address);
// A target with the secret added to its query.
QString with_secret(const QString& target, const std::string& secret);

} // namespace kelvara::terminal_api

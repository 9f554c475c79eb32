#pragma once

#include <chrono>
#include <cstdint>

// How the downloads of a terminal share out its connections and time.
namespace kelvara::download_limits {

constexpr int kWorkers = 6;
constexpr int kWorkerNice = 10; // the workers' niceness; replies keep the process's
// The SHA-1 along the file runs only on time nothing else wants: it keeps up
// with a source at network speed, and never slows a download or a reply.
constexpr int kHasherNice = 19;
constexpr int kForegroundConnections = 4;
constexpr int kConnectionsPerSource = 2;
constexpr int kBackgroundConnections = 1;
constexpr int64_t kSpanBytes = 8 * 1024 * 1024; // one range request at most
constexpr int64_t kSoonBytes = 256 * 1024;      // at least this far counts as near
constexpr auto kSaveInterval = std::chrono::seconds(1);
constexpr auto kLongestBackoff = std::chrono::seconds(30);
constexpr int kFailuresBeforeNextSource = 3;
constexpr int64_t kHashRunBytes = 4 * 1024 * 1024; // hashed in one go
// A film just opened for playing is fetched on one connection until its
// player has this much, or for this long: its first frame comes before the
// other connections take the processor.
constexpr int64_t kFirstBytes = 2 * 1024 * 1024;
constexpr auto kFirstBytesWait = std::chrono::milliseconds(200);
// For its first second a film opened for playing is fetched no further than
// this ahead of what its player has read: the player decoding its first
// frame gets the processor before the rest of the film. A reader that had
// to wait for its bytes within the last kReaderPause, as one that takes them
// as they come or a player on a source slower than itself does, holds
// nothing back; nor does a film that nobody reads any more, nor one whose
// readers took kPlayerFirstBytes already: a player reads a few seconds of
// the film before its first frame, a copy reads on and on.
constexpr int64_t kPlayerLeadBytes = 2 * 1024 * 1024;
constexpr auto kPlayerLeadTime = std::chrono::seconds(1);
constexpr int64_t kPlayerFirstBytes = 8 * 1024 * 1024;
constexpr auto kReaderPause = std::chrono::milliseconds(10);
constexpr auto kSpaceRetry = std::chrono::seconds(2); // after a full disk
constexpr int kMostNumberedNames = 1000;              // "<stem> (1000).<ext>" at most

} // namespace kelvara::download_limits

namespace kelvara {

// How a terminal's downloads are cut into pieces and timed. The defaults are
// the installed program's; tests and the benchmark shorten the timings.
struct DownloadTuning {
    // Piece size of new downloads: a read waits for a whole piece, so small
    // pieces let a film start soon from a slow source.
    int64_t piece_bytes = 64 * 1024;
    int stall_ms = 15000;        // a source silent this long has stalled
    int backoff_ms = 1000;       // first wait after a source failed
    int read_timeout_ms = 90000; // longest wait of a read for its bytes
};

} // namespace kelvara

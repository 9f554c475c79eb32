#pragma once

#include "file_check.h"
#include "piece_map.h"

#include <atomic>
#include <chrono>
#include <cstdint>
#include <deque>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace kelvara {

using Clock = std::chrono::steady_clock;

// The file an address names.
struct FileKey {
    std::string sha1; // lower-case
    int64_t size = 0;
    std::string name;
};

// Bytes per second over the last two seconds.
class RateMeter {
public:
    void add(int64_t bytes, Clock::time_point now);
    int64_t per_second(Clock::time_point now);

private:
    void drop_old(Clock::time_point now);
    std::deque<std::pair<Clock::time_point, int64_t>> samples_;
    int64_t sum_ = 0;
};

// An open file descriptor, closed with its last user: readers copy the
// handle, so a download that starts over never closes a file under them.
class FileHandle {
public:
    explicit FileHandle(int fd) : fd_(fd) {}
    ~FileHandle();
    FileHandle(const FileHandle&) = delete;
    FileHandle& operator=(const FileHandle&) = delete;
    int fd() const { return fd_; }

private:
    int fd_;
};

struct Task;
struct FilmTorrent;

// One range request of a download: pieces first..fetch_end-1 from one
// source, of which it still claims next..end-1 (a reader far ahead may cut
// the claim short).
enum class JobKind {
    Fetch,  // pieces from a source
    Verify, // the SHA-1 of the whole file, once every piece is there
    Adopt,  // the SHA-1 of a file of the same name found in the folder
};

struct Job {
    std::shared_ptr<Task> task;
    JobKind kind = JobKind::Fetch;
    int source = 0;
    int first = 0;
    int fetch_end = 0;
    int end = 0;
    int next = 0;                     // the piece being fetched
    std::atomic<bool> abandon{false}; // set when the bytes are wanted elsewhere
    int io_error = 0;                 // a write to the file failed
};

// A source as one download sees it.
struct SourceSlot {
    int connections = 0;
    int failures = 0; // in a row
    Clock::time_point retry_at{};
};

enum class Phase { Active, Complete, Failed };

// One file being downloaded or served. Every field is guarded by the
// download manager's mutex.
struct Task {
    FileKey key;            // its name is the one asked for
    std::string final_path; // the film, once complete
    std::string data_path;  // .<sha1>.kvtmp
    std::string part_path;  // .<sha1>.kvpart
    std::shared_ptr<FileHandle> file;
    int64_t asked = 0; // seconds since 1970

    // A file of the asked-for name and size that was already in the folder:
    // it becomes the film if its SHA-1 matches.
    std::string adopt_path;
    bool adopting = false;

    Phase phase = Phase::Active;
    std::string reason;
    bool busy = false; // being checked or reset: no fetches meanwhile
    bool foreground = false;
    uint64_t order = 0;
    // Since it became the foreground download: bytes given to its readers,
    // the end of the furthest of them, until when it keeps to one connection
    // for their first bytes, and until when its fetches keep near them.
    int64_t served = 0;
    int64_t served_end = 0;
    Clock::time_point first_bytes_until{};
    Clock::time_point keep_near_until{};
    Clock::time_point reader_waited{}; // last had to wait for its bytes
    int readers = 0;                   // streams open on it
    int held_fetches = 0;              // waiting for the readers to come nearer

    PieceMap pieces;
    std::vector<uint8_t> claimed; // a job is fetching the piece
    std::vector<SourceSlot> sources;
    std::vector<Job*> jobs;
    int connections = 0;
    int focus = 0; // first piece wanted by a reader

    int mismatches = 0;
    int only_source = -1; // after a mismatch: the one source to fetch from

    // The disk filled during the download: fetches wait until then.
    std::optional<Clock::time_point> out_of_space_until;

    bool any_data = false;
    bool had_failure = false;
    Clock::time_point last_data{};
    Clock::time_point last_failure{};
    RateMeter rate;

    // The SHA-1 runs along the file as its pieces arrive from the start, on
    // a thread of its own, so that little is left to check when the last
    // one comes.
    Sha1 hash;
    int hashed = 0; // pieces 0..hashed-1 are in the hash
    bool hashing = false;

    bool dirty = false; // pieces not yet in the record
    bool saving = false;

    // The film's torrent, when its source offers one: libtorrent fetches the
    // pieces (swarm), the workers only check the file.
    std::shared_ptr<const FilmTorrent> torrent;
    bool swarm = false;
};

} // namespace kelvara

#pragma once

#include "download_limits.h"
#include "download_task.h"
#include "part_file.h"
#include "shared/qvod_terminal_api.h"
#include "swarm.h"

#include <condition_variable>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <thread>
#include <vector>

namespace kelvara {

class SourceFetch;
struct FetchOutcome;

struct DownloadConfig : DownloadTuning {
    std::string save_folder; // ends in "/"
    std::vector<std::string> sources;
    bool share = true;  // films with a torrent come through the swarm, and are seeded
    int upload_kbs = 0; // the swarm's upload cap; 0: none
};

// Bytes of a download that lie on disk: `length` of them, in `file`, from
// where they were asked for. The handle keeps the file open while they are
// sent.
struct BytesOnDisk {
    std::shared_ptr<FileHandle> file;
    int64_t length = 0;
};

// The downloads of a terminal: a fixed pool of workers fetches pieces from
// the sources into the download folder, the file being played first and
// nearest to where it is read, the others with one connection each.
class Downloads : private SwarmListener {
public:
    explicit Downloads(DownloadConfig config);
    ~Downloads();
    Downloads(const Downloads&) = delete;
    Downloads& operator=(const Downloads&) = delete;

    // Starts the workers and resumes the partial files of the folder.
    void start();
    // Ends every fetch and records the pieces on disk; readers give up.
    void stop();

    // The download of a file, started when it is new or had failed. The
    // foreground download (the one played) gets the most connections.
    std::shared_ptr<Task> open(const FileKey& key, bool foreground);
    // Bytes at `offset` (up to `most`, as many as lie on disk in one run),
    // first waiting for them and steering the download to them. Length 0
    // when they did not come in time, the download failed or the terminal
    // stops.
    BytesOnDisk bytes_at(Task& task, int64_t offset, int64_t most);
    // A stream of the download opens or ends: while one is open, a film
    // just opened for playing is fetched near where it is read.
    void reader_opened(Task& task);
    void reader_closed(Task& task);

    std::optional<terminal_api::Status> status(const std::string& sha1);
    terminal_api::Status status(Task& task);

private:
    bool swarm_piece_done(const std::string& sha1, int piece) override;
    void swarm_refused(const std::string& sha1) override;
    void find_torrent(Task& task, bool resumed);
    void join_swarm(const std::shared_ptr<Task>& task);
    void seed_held_film(const PartRecord& record);

    void run_worker();
    std::unique_ptr<Job> next_job();
    std::unique_ptr<Job> job_for(const std::shared_ptr<Task>& task, Clock::time_point now,
                                 Clock::time_point& wake);
    int pick_source(Task& task, Clock::time_point now, Clock::time_point& wake) const;
    bool pick_span(const Task& task, int& first, int& end) const;
    bool awaits_first_bytes(const Task& task, Clock::time_point now) const;
    bool keeps_near_readers(const Task& task, int piece, Clock::time_point now) const;
    int connection_cap(const Task& task) const;
    int span_pieces(const Task& task) const;

    void fetch(SourceFetch& fetch, Job& job);
    friend class JobSink;
    void count_bytes(Task& task, size_t length);
    bool piece_written(Job& job, bool more_follow);
    void finish_job(Job& job, const FetchOutcome& outcome);
    void run_hasher();
    int hash_run_end(const Task& task) const;
    void wake_hasher(const Task& task);
    void restart_hash(Task& task);
    void verify(const std::shared_ptr<Task>& task);
    int keep_finished_file(Task& task);
    void adopt(const std::shared_ptr<Task>& task);
    void run_saver();
    void save_record(Task& task);
    void save_complete_record(Task& task);

    void steer(Task& task, int piece);
    void fail(Task& task, const std::string& reason);
    void make_foreground(Task& task);
    std::shared_ptr<Task> find(const std::string& sha1) const;
    std::shared_ptr<Task> prepare(FileKey key);
    std::shared_ptr<Task> resume(std::shared_ptr<Task> task, const PartRecord& record);
    void resume_partials();
    void make_room_for_one_more();
    void forget_old_tasks();
    void forget_deleted_films();

    const DownloadConfig config_;
    mutable std::mutex mutex_;
    std::condition_variable work_cv_; // a job may be ready
    std::condition_variable data_cv_; // pieces arrived or a download changed
    std::condition_variable stop_cv_;
    std::condition_variable hash_cv_; // pieces to hash arrived
    std::vector<std::shared_ptr<Task>> tasks_;
    uint64_t next_order_ = 0;
    bool stopping_ = false;
    std::mutex open_mutex_; // one download prepared at a time
    std::vector<std::thread> workers_;
    std::thread saver_;
    std::thread hasher_;
    std::unique_ptr<Swarm> swarm_; // none while sharing is off
};

} // namespace kelvara

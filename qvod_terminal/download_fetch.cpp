// Fetching pieces into the file, and checking the file once it is whole.

#include "downloads.h"

#include "download_limits.h"
#include "file_check.h"
#include "part_file.h"
#include "source_fetch.h"
#include "terminal_log.h"

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <sys/resource.h>
#include <unistd.h>

namespace kelvara {

using namespace download_limits;

// Takes the bytes of one fetch straight into the file. They belong to the
// piece the job fetches, which stays its own (a claim is cut only after it);
// a piece counts as on disk once all of it is written.
class JobSink : public FetchSink {
public:
    JobSink(Downloads& downloads, Job& job, int fd) : downloads_(downloads), job_(job), fd_(fd) {}

    bool take(const char* data, size_t length) override {
        if (job_.abandon)
            return false;
        downloads_.count_bytes(*job_.task, length);
        const PieceMap& geometry = job_.task->pieces; // sizes never change
        while (length > 0) {
            const int64_t piece_length = geometry.length_of(job_.next);
            const size_t n = size_t(std::min<int64_t>(int64_t(length), piece_length - filled_));
            job_.io_error =
                write_all_at(fd_, data, int64_t(n), geometry.begin_of(job_.next) + filled_);
            if (job_.io_error != 0)
                return false;
            filled_ += int64_t(n);
            data += n;
            length -= n;
            if (filled_ < piece_length)
                continue;
            // Readers are woken once for the whole pieces of these bytes,
            // not once a piece: a fast source hands over 256 KiB at a time.
            const bool more_follow = job_.next + 1 < geometry.count() &&
                                     int64_t(length) >= geometry.length_of(job_.next + 1);
            if (!downloads_.piece_written(job_, more_follow))
                return false;
            filled_ = 0;
        }
        return true;
    }

    bool keep_going() override { return !job_.abandon; }

private:
    Downloads& downloads_;
    Job& job_;
    int fd_;
    int64_t filled_ = 0; // bytes of the piece written so far
};

void Downloads::fetch(SourceFetch& fetcher, Job& job) {
    Task& task = *job.task;
    std::string url;
    std::shared_ptr<FileHandle> file;
    {
        std::lock_guard lock(mutex_);
        url = config_.sources[size_t(job.source)] + task.key.sha1;
        file = task.file;
    }
    const PieceMap& geometry = task.pieces;
    const int64_t first = geometry.begin_of(job.first);
    const int64_t last =
        geometry.begin_of(job.fetch_end - 1) + geometry.length_of(job.fetch_end - 1) - 1;
    JobSink sink(*this, job, file->fd());
    const FetchOutcome outcome = fetcher.fetch(url, first, last, task.key.size, sink);
    if (outcome.result == FetchResult::Failed || outcome.result == FetchResult::Stalled)
        qCDebug(lcTerminal) << "source" << job.source << "failed:"
                            << (outcome.result == FetchResult::Stalled ? "stalled"
                                                                       : outcome.detail.c_str());
    finish_job(job, outcome);
}

void Downloads::count_bytes(Task& task, size_t length) {
    const auto now = Clock::now();
    std::lock_guard lock(mutex_);
    task.rate.add(int64_t(length), now);
    task.any_data = true;
    task.last_data = now;
}

bool Downloads::piece_written(Job& job, bool more_follow) {
    std::unique_lock lock(mutex_);
    Task& task = *job.task;
    task.pieces.set(job.next);
    task.claimed[size_t(job.next)] = 0;
    task.dirty = true;
    wake_hasher(task);
    if (task.out_of_space_until) {
        task.out_of_space_until.reset();
        task.reason.clear();
    }
    ++job.next;
    const auto held = [&] {
        return !job.abandon && !stopping_ && job.next < job.end &&
               keeps_near_readers(task, job.next, Clock::now());
    };
    if (!more_follow || held())
        data_cv_.notify_all();
    // The source's reply waits meanwhile; the connection stays.
    while (held()) {
        ++task.held_fetches;
        data_cv_.wait_until(lock, task.keep_near_until);
        --task.held_fetches;
    }
    // A claim cut short ends the fetch there; one that runs to the end of
    // the range lets the reply finish, which keeps the connection.
    return !job.abandon && !(job.next >= job.end && job.end < job.fetch_end);
}

void Downloads::finish_job(Job& job, const FetchOutcome& outcome) {
    std::lock_guard lock(mutex_);
    Task& task = *job.task;
    for (int piece = job.next; piece < job.end; ++piece)
        task.claimed[size_t(piece)] = 0;
    --task.connections;
    SourceSlot& slot = task.sources[size_t(job.source)];
    --slot.connections;
    std::erase(task.jobs, &job);
    const FetchResult result = outcome.result;
    if (job.io_error != 0 && io_failure_reason(job.io_error) == "disk-full") {
        // What arrived stays; the fetches wait for room and go on.
        task.out_of_space_until = Clock::now() + kSpaceRetry;
        task.reason = "disk-full";
    } else if (job.io_error != 0) {
        fail(task, io_failure_reason(job.io_error));
    } else if (result == FetchResult::Failed || result == FetchResult::Stalled) {
        const auto now = Clock::now();
        ++slot.failures;
        const auto wait = std::chrono::milliseconds(int64_t(config_.backoff_ms)
                                                    << std::min(slot.failures - 1, 10));
        slot.retry_at = now + std::min<Clock::duration>(wait, kLongestBackoff);
        task.had_failure = true;
        task.last_failure = now;
        if (task.only_source == job.source && slot.failures >= kFailuresBeforeNextSource)
            task.only_source = (job.source + 1) % int(task.sources.size());
    } else if (outcome.bytes > 0 || result == FetchResult::Done) {
        slot.failures = 0;
    }
    work_cv_.notify_all();
    data_cv_.notify_all();
}

// The end of the next run of pieces to hash: a run's worth on disk after
// the hashed ones, or all the rest of the file; `hashed` when there is none.
// A film just opened for playing is not hashed while its player starts.
int Downloads::hash_run_end(const Task& task) const {
    if (task.hashing || task.busy || task.phase != Phase::Active ||
        (task.foreground && Clock::now() < task.first_bytes_until))
        return task.hashed;
    const int run = int(std::max<int64_t>(1, kHashRunBytes / task.pieces.piece_size()));
    int end = task.hashed;
    while (end < task.pieces.count() && end - task.hashed < run && task.pieces.has(end))
        ++end;
    return end - task.hashed == run || end == task.pieces.count() ? end : task.hashed;
}

// A piece arrived: it may complete the run the hasher waits for.
void Downloads::wake_hasher(const Task& task) {
    if (hash_run_end(task) > task.hashed)
        hash_cv_.notify_one();
}

// Hashes, run after run, the pieces that follow the hashed ones of every
// download, reading them back from the file.
void Downloads::run_hasher() {
    ::setpriority(PRIO_PROCESS, ::gettid(), kHasherNice);
    std::unique_lock lock(mutex_);
    while (!stopping_) {
        std::shared_ptr<Task> task;
        int end = 0;
        for (const auto& candidate : tasks_) {
            end = hash_run_end(*candidate);
            if (end > candidate->hashed) {
                task = candidate;
                break;
            }
        }
        if (!task) {
            hash_cv_.wait(lock);
            continue;
        }
        task->hashing = true;
        const int64_t from = task->pieces.begin_of(task->hashed);
        const int64_t to = std::min(task->pieces.begin_of(end), task->key.size);
        const std::shared_ptr<FileHandle> file = task->file;
        lock.unlock();
        const bool read = hash_file_bytes(task->hash, file->fd(), from, to);
        lock.lock();
        if (read)
            task->hashed = end;
        else
            restart_hash(*task);
        task->hashing = false;
        data_cv_.notify_all();
    }
}

void Downloads::restart_hash(Task& task) {
    task.hash.reset();
    task.hashed = 0;
}

// Checks a file whose pieces are all on disk. A match becomes the finished
// file; a mismatch is thrown away and fetched again, from one source at a
// time when there are several, until every source had its round.
void Downloads::verify(const std::shared_ptr<Task>& task) {
    Task& t = *task;
    std::shared_ptr<FileHandle> file;
    int64_t hashed_bytes = 0;
    {
        std::unique_lock lock(mutex_);
        data_cv_.wait(lock, [&] { return !t.saving && !t.hashing; });
        file = t.file;
        hashed_bytes = std::min(t.pieces.begin_of(t.hashed), t.key.size);
    }
    const bool match = file_has_size(file->fd(), t.key.size) &&
                       hash_file_bytes(t.hash, file->fd(), hashed_bytes, t.key.size) &&
                       t.hash.hex() == t.key.sha1;
    if (match) {
        // The record says complete before anyone hears it: a kill right
        // after must not leave a finished film the terminal calls unknown.
        const int error = keep_finished_file(t);
        if (error == 0)
            save_complete_record(t);
        bool seed = false;
        {
            std::lock_guard lock(mutex_);
            t.busy = false;
            if (error != 0) {
                fail(t, io_failure_reason(error));
            } else {
                t.phase = Phase::Complete;
                t.dirty = false;
                seed = t.swarm;
                qCDebug(lcTerminal) << "finished" << t.final_path.c_str();
            }
        }
        if (seed && swarm_)
            swarm_->finished(t.key.sha1, t.final_path);
        data_cv_.notify_all();
        return;
    }
    bool give_up = false;
    bool left_swarm = false;
    {
        std::lock_guard lock(mutex_);
        const int sources = int(t.sources.size());
        // The torrent is not of this film: the sources' HTTP takes over.
        left_swarm = t.swarm;
        t.swarm = false;
        if (!left_swarm)
            ++t.mismatches;
        qCInfo(lcTerminal) << "checksum mismatch" << t.mismatches << "of" << t.key.name.c_str();
        give_up = !left_swarm && t.mismatches >= (sources > 1 ? sources + 1 : 2);
        t.pieces.clear();
        restart_hash(t);
        t.dirty = true;
        if (give_up)
            fail(t, "checksum");
        else
            t.only_source = sources > 1 ? (t.mismatches - 1) % sources : -1;
    }
    if (left_swarm && swarm_) {
        qCInfo(lcTerminal) << "the torrent of" << t.key.sha1.c_str() << "is another film";
        swarm_->leave(t.key.sha1, true);
    }
    if (give_up) {
        ::unlink(t.data_path.c_str());
        ::unlink(t.part_path.c_str());
    } else {
        int error = ::ftruncate(file->fd(), 0) == 0 ? 0 : errno;
        if (error == 0)
            error = preallocate(file->fd(), t.key.size);
        std::lock_guard lock(mutex_);
        if (error != 0)
            fail(t, io_failure_reason(error));
    }
    {
        std::lock_guard lock(mutex_);
        t.busy = false;
    }
    save_record(t);
    work_cv_.notify_all();
    data_cv_.notify_all();
}

// Gives the checked file its name: the one asked for or, when a file has it,
// the first free numbered one. Nothing is ever replaced: the rename refuses
// a name that is taken, and where the file system cannot refuse, a hard link
// (which never replaces) takes the name instead. 0, or the error number.
int Downloads::keep_finished_file(Task& task) {
    const std::string& folder = config_.save_folder;
    for (int n = 1; n <= kMostNumberedNames; ++n) {
        const std::string path = folder + numbered_name(task.key.name, n);
        if (::renameat2(AT_FDCWD, task.data_path.c_str(), AT_FDCWD, path.c_str(),
                        RENAME_NOREPLACE) == 0) {
            std::lock_guard lock(mutex_);
            task.final_path = path;
            return 0;
        }
        int error = errno;
        if (error == EINVAL || error == ENOSYS) {
            error = ::link(task.data_path.c_str(), path.c_str()) == 0 ? 0 : errno;
            if (error == 0) {
                ::unlink(task.data_path.c_str());
                std::lock_guard lock(mutex_);
                task.final_path = path;
                return 0;
            }
        }
        if (error != EEXIST)
            return error;
    }
    return EEXIST;
}

// Hashes the file of the asked-for name found in the folder, away from the
// readers, while the download goes on. When it is the film, it is served and
// kept as the finished file and the download's own file goes.
void Downloads::adopt(const std::shared_ptr<Task>& task) {
    Task& t = *task;
    std::string path;
    {
        std::lock_guard lock(mutex_);
        path = t.adopt_path;
    }
    const int fd = ::open(path.c_str(), O_RDONLY | O_NOFOLLOW | O_CLOEXEC);
    Sha1 hash;
    const bool match = fd >= 0 && file_has_size(fd, t.key.size) &&
                       hash_file_bytes(hash, fd, 0, t.key.size) && hash.hex() == t.key.sha1;
    {
        std::unique_lock lock(mutex_);
        data_cv_.wait(lock, [&] { return !t.saving && !t.hashing; });
        t.adopt_path.clear();
        t.adopting = false;
        if (!match || t.phase != Phase::Active || t.busy) {
            if (fd >= 0)
                ::close(fd);
            work_cv_.notify_all();
            return;
        }
        // Readers may read either file from here on: the bytes are the same.
        t.busy = true;
        for (Job* job : t.jobs)
            job->abandon = true;
        t.file = std::make_shared<FileHandle>(fd);
        t.final_path = path;
    }
    // The record first: a kill in between leaves a record that names the
    // film, and a .kvtmp the next start removes.
    save_complete_record(t);
    ::unlink(t.data_path.c_str());
    {
        std::lock_guard lock(mutex_);
        for (int piece = 0; piece < t.pieces.count(); ++piece)
            t.pieces.set(piece);
        t.phase = Phase::Complete;
        t.busy = false;
        t.dirty = false;
        qCDebug(lcTerminal) << "adopted" << path.c_str();
    }
    data_cv_.notify_all();
    work_cv_.notify_all();
}

} // namespace kelvara

#include "downloads.h"

#include "file_check.h"
#include "part_file.h"
#include "source_fetch.h"
#include "terminal_log.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace kelvara {

namespace {

constexpr int kWorkers = 6;
constexpr int kForegroundConnections = 4;
constexpr int kConnectionsPerSource = 2;
constexpr int kBackgroundConnections = 1;
constexpr int64_t kSpanBytes = 8 * 1024 * 1024;
constexpr int64_t kSoonBytes = 256 * 1024; // at least this far counts as near
constexpr auto kSaveInterval = std::chrono::seconds(1);
constexpr auto kLongestBackoff = std::chrono::seconds(30);
constexpr int kFailuresBeforeNextSource = 3;
constexpr int kHashRun = 64; // pieces hashed at most in one go
const std::string kDataSuffix = ".kvtmp";
const std::string kRecordSuffix = ".kvpart";

bool is_regular_file(const std::string& path, int64_t* size = nullptr) {
    struct stat info {};
    if (::stat(path.c_str(), &info) != 0 || !S_ISREG(info.st_mode))
        return false;
    if (size)
        *size = info.st_size;
    return true;
}

PartRecord record_of(const Task& task) {
    return PartRecord{task.key.sha1, task.key.size, task.key.name, task.pieces};
}

} // namespace

// Takes the bytes of one fetch into the job's pieces: a piece is written to
// the file when it is whole, and only then counts as on disk.
class JobSink : public FetchSink {
public:
    JobSink(Downloads& downloads, Job& job, int fd, std::vector<char>& buffer)
        : downloads_(downloads), job_(job), fd_(fd), buffer_(buffer) {}

    bool take(const char* data, size_t length) override {
        if (job_.abandon)
            return false;
        downloads_.count_bytes(*job_.task, length);
        const PieceMap& geometry = job_.task->pieces; // sizes never change
        while (length > 0) {
            const int64_t piece_length = geometry.length_of(job_.next);
            const size_t n = size_t(std::min<int64_t>(int64_t(length), piece_length - filled_));
            std::memcpy(buffer_.data() + filled_, data, n);
            filled_ += int64_t(n);
            data += n;
            length -= n;
            if (filled_ < piece_length)
                continue;
            job_.io_error =
                write_all_at(fd_, buffer_.data(), piece_length, geometry.begin_of(job_.next));
            if (job_.io_error != 0 || !downloads_.piece_written(job_))
                return false;
            filled_ = 0;
            downloads_.hash_ahead(*job_.task, job_.next - 1, buffer_);
        }
        return true;
    }

    bool keep_going() override { return !job_.abandon; }

private:
    Downloads& downloads_;
    Job& job_;
    int fd_;
    std::vector<char>& buffer_;
    int64_t filled_ = 0;
};

Downloads::Downloads(DownloadConfig config) : config_(std::move(config)) {}

Downloads::~Downloads() {
    stop();
}

void Downloads::start() {
    resume_partials();
    for (int i = 0; i < kWorkers; ++i)
        workers_.emplace_back([this] { run_worker(); });
    saver_ = std::thread([this] { run_saver(); });
}

void Downloads::stop() {
    {
        std::lock_guard lock(mutex_);
        if (stopping_)
            return;
        stopping_ = true;
        for (const auto& task : tasks_) {
            for (Job* job : task->jobs)
                job->abandon = true;
        }
    }
    work_cv_.notify_all();
    data_cv_.notify_all();
    stop_cv_.notify_all();
    for (std::thread& worker : workers_)
        worker.join();
    workers_.clear();
    if (saver_.joinable())
        saver_.join();
    std::vector<std::shared_ptr<Task>> tasks;
    {
        std::lock_guard lock(mutex_);
        tasks = tasks_;
    }
    for (const auto& task : tasks)
        save_record(*task);
}

void Downloads::resume_partials() {
    DIR* folder = ::opendir(config_.save_folder.c_str());
    if (!folder)
        return;
    std::vector<std::string> records;
    while (const dirent* entry = ::readdir(folder)) {
        const std::string name = entry->d_name;
        if (name.size() > kRecordSuffix.size() && name.ends_with(kRecordSuffix))
            records.push_back(config_.save_folder + name);
    }
    ::closedir(folder);
    std::sort(records.begin(), records.end());
    for (const std::string& path : records) {
        const auto record = load_part_record(path);
        if (record && path == config_.save_folder + record->name + kRecordSuffix) {
            qCDebug(lcTerminal) << "resuming" << record->name.c_str();
            open(FileKey{record->sha1, record->size, record->name}, false);
        }
    }
}

std::shared_ptr<Task> Downloads::open(const FileKey& key, bool foreground) {
    std::lock_guard opening(open_mutex_);
    {
        std::lock_guard lock(mutex_);
        if (stopping_)
            return nullptr;
        const auto known = find(key.sha1);
        // A failed download starts again; so does a finished one whose file
        // was deleted.
        const bool usable = known && known->phase != Phase::Failed &&
                            (known->phase != Phase::Complete || is_regular_file(known->final_path));
        if (usable) {
            if (foreground)
                make_foreground(*known);
            work_cv_.notify_all();
            return known;
        }
    }
    const std::shared_ptr<Task> task = prepare(key);
    {
        std::lock_guard lock(mutex_);
        const auto known = std::find_if(tasks_.begin(), tasks_.end(),
                                        [&](const auto& t) { return t->key.sha1 == key.sha1; });
        if (known != tasks_.end())
            *known = task;
        else
            tasks_.push_back(task);
        task->order = next_order_++;
        if (foreground)
            make_foreground(*task);
    }
    work_cv_.notify_all();
    return task;
}

// Opens the file of a download: a finished file is served as it is, a
// partial one resumes from its record, anything else starts from nothing.
std::shared_ptr<Task> Downloads::prepare(FileKey key) {
    auto task = std::make_shared<Task>();
    std::string name = safe_file_name(key.name, key.sha1);
    {
        // Two files of the same name must not share a partial file.
        std::lock_guard lock(mutex_);
        for (const auto& other : tasks_) {
            if (other->key.sha1 != key.sha1 && other->key.name == name) {
                name = key.sha1.substr(0, 8) + "_" + name;
                break;
            }
        }
    }
    key.name = name;
    task->key = key;
    task->final_path = config_.save_folder + name;
    task->data_path = task->final_path + kDataSuffix;
    task->part_path = task->final_path + kRecordSuffix;
    task->sources.resize(config_.sources.size());
    task->pieces = PieceMap(key.size, choose_piece_size(key.size, config_.piece_bytes));
    task->claimed.assign(size_t(task->pieces.count()), 0);
    const auto failed = [&](int error) {
        task->phase = Phase::Failed;
        task->reason = io_failure_reason(error);
        qCInfo(lcTerminal) << "cannot download" << name.c_str() << std::strerror(error);
        return task;
    };

    if (const int error = make_folders(config_.save_folder))
        return failed(error);
    int64_t final_size = 0;
    if (is_regular_file(task->final_path, &final_size) && final_size == key.size &&
        !is_regular_file(task->data_path)) {
        const int fd = ::open(task->final_path.c_str(), O_RDONLY | O_CLOEXEC);
        if (fd < 0)
            return failed(errno);
        task->file = std::make_shared<FileHandle>(fd);
        for (int piece = 0; piece < task->pieces.count(); ++piece)
            task->pieces.set(piece);
        task->phase = Phase::Complete;
        return task;
    }
    const int fd = ::open(task->data_path.c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0644);
    if (fd < 0)
        return failed(errno);
    task->file = std::make_shared<FileHandle>(fd);
    const auto record = load_part_record(task->part_path);
    struct stat info {};
    ::fstat(fd, &info);
    if (record && record->sha1 == key.sha1 && record->size == key.size &&
        info.st_size == key.size) {
        task->pieces = record->pieces;
        task->claimed.assign(size_t(task->pieces.count()), 0);
    } else if (::ftruncate(fd, 0) != 0) {
        return failed(errno);
    }
    if (const int error = preallocate(fd, key.size))
        return failed(error);
    if (!save_part_record(task->part_path, record_of(*task)))
        return failed(errno);
    return task;
}

std::shared_ptr<Task> Downloads::find(const std::string& sha1) const {
    for (const auto& task : tasks_) {
        if (task->key.sha1 == sha1)
            return task;
    }
    return nullptr;
}

void Downloads::make_foreground(Task& task) {
    for (const auto& other : tasks_)
        other->foreground = false;
    task.foreground = true;
}

void Downloads::run_worker() {
    SourceFetch fetcher(config_.stall_ms);
    std::vector<char> buffer;
    while (const std::unique_ptr<Job> job = next_job()) {
        if (job->verify)
            verify(job->task);
        else
            fetch(fetcher, buffer, *job);
    }
}

std::unique_ptr<Job> Downloads::next_job() {
    std::unique_lock lock(mutex_);
    while (!stopping_) {
        const auto now = Clock::now();
        auto wake = now + std::chrono::seconds(1);
        std::vector<std::shared_ptr<Task>> order;
        for (const auto& task : tasks_) {
            if (task->foreground)
                order.insert(order.begin(), task);
            else
                order.push_back(task);
        }
        for (const auto& task : order) {
            if (auto job = job_for(task, now, wake))
                return job;
        }
        work_cv_.wait_until(lock, wake);
    }
    return nullptr;
}

std::unique_ptr<Job> Downloads::job_for(const std::shared_ptr<Task>& task, Clock::time_point now,
                                        Clock::time_point& wake) {
    Task& t = *task;
    if (t.phase != Phase::Active || t.busy)
        return nullptr;
    auto job = std::make_unique<Job>();
    job->task = task;
    if (t.pieces.complete()) {
        if (t.connections > 0)
            return nullptr;
        t.busy = true;
        job->verify = true;
        return job;
    }
    if (t.connections >= connection_cap(t))
        return nullptr;
    const int source = pick_source(t, now, wake);
    if (source < 0 || !pick_span(t, job->first, job->end))
        return nullptr;
    job->source = source;
    job->next = job->first;
    job->fetch_end = job->end;
    for (int piece = job->first; piece < job->end; ++piece)
        t.claimed[size_t(piece)] = 1;
    ++t.connections;
    ++t.sources[size_t(source)].connections;
    t.jobs.push_back(job.get());
    return job;
}

int Downloads::connection_cap(const Task& task) const {
    if (!task.foreground)
        return kBackgroundConnections;
    const int sources = task.only_source >= 0 ? 1 : int(task.sources.size());
    return std::min(kForegroundConnections, kConnectionsPerSource * sources);
}

int Downloads::span_pieces(const Task& task) const {
    return int(std::max<int64_t>(1, kSpanBytes / task.pieces.piece_size()));
}

// The usable source with the fewest connections; `wake` learns when a source
// waiting out its back-off may be asked again.
int Downloads::pick_source(Task& task, Clock::time_point now, Clock::time_point& wake) const {
    int best = -1;
    for (int i = 0; i < int(task.sources.size()); ++i) {
        const SourceSlot& slot = task.sources[size_t(i)];
        if (task.only_source >= 0 && i != task.only_source)
            continue;
        if (slot.connections >= kConnectionsPerSource)
            continue;
        if (slot.retry_at > now) {
            wake = std::min(wake, slot.retry_at);
            continue;
        }
        const SourceSlot* chosen = best < 0 ? nullptr : &task.sources[size_t(best)];
        if (!chosen || slot.connections < chosen->connections ||
            (slot.connections == chosen->connections && slot.failures < chosen->failures))
            best = i;
    }
    return best;
}

// The first missing piece nobody fetches at or after the focus (else before
// it), and the free pieces that follow it.
bool Downloads::pick_span(const Task& task, int& first, int& end) const {
    const int count = task.pieces.count();
    const auto free_piece = [&](int piece) {
        return !task.pieces.has(piece) && !task.claimed[size_t(piece)];
    };
    first = -1;
    for (int piece = task.focus; piece < count && first < 0; ++piece) {
        if (free_piece(piece))
            first = piece;
    }
    for (int piece = 0; piece < task.focus && first < 0; ++piece) {
        if (free_piece(piece))
            first = piece;
    }
    if (first < 0)
        return false;
    end = first + 1;
    while (end < count && end - first < span_pieces(task) && free_piece(end))
        ++end;
    return true;
}

void Downloads::fetch(SourceFetch& fetcher, std::vector<char>& buffer, Job& job) {
    Task& task = *job.task;
    std::string url;
    std::shared_ptr<FileHandle> file;
    {
        std::lock_guard lock(mutex_);
        url = config_.sources[size_t(job.source)] + task.key.sha1;
        file = task.file;
    }
    const PieceMap& geometry = task.pieces;
    buffer.resize(size_t(geometry.piece_size()));
    const int64_t first = geometry.begin_of(job.first);
    const int64_t last =
        geometry.begin_of(job.fetch_end - 1) + geometry.length_of(job.fetch_end - 1) - 1;
    JobSink sink(*this, job, file->fd(), buffer);
    const FetchOutcome outcome = fetcher.fetch(url, first, last, task.key.size, sink);
    if (outcome.result == FetchResult::Failed || outcome.result == FetchResult::Stalled)
        qCDebug(lcTerminal) << "source" << job.source << "failed:"
                            << (outcome.result == FetchResult::Stalled ? "stalled"
                                                                       : outcome.detail.c_str());
    finish_job(job, int(outcome.result), outcome.bytes);
}

void Downloads::count_bytes(Task& task, size_t length) {
    const auto now = Clock::now();
    std::lock_guard lock(mutex_);
    task.rate.add(int64_t(length), now);
    task.any_data = true;
    task.last_data = now;
}

bool Downloads::piece_written(Job& job) {
    std::lock_guard lock(mutex_);
    Task& task = *job.task;
    task.pieces.set(job.next);
    task.claimed[size_t(job.next)] = 0;
    task.dirty = true;
    ++job.next;
    data_cv_.notify_all();
    // A claim cut short ends the fetch there; one that runs to the end of
    // the range lets the reply finish, which keeps the connection.
    return !job.abandon && !(job.next >= job.end && job.end < job.fetch_end);
}

void Downloads::finish_job(Job& job, int result, int64_t bytes) {
    std::lock_guard lock(mutex_);
    Task& task = *job.task;
    for (int piece = job.next; piece < job.end; ++piece)
        task.claimed[size_t(piece)] = 0;
    --task.connections;
    SourceSlot& slot = task.sources[size_t(job.source)];
    --slot.connections;
    std::erase(task.jobs, &job);
    const auto outcome = FetchResult(result);
    if (job.io_error != 0) {
        fail(task, io_failure_reason(job.io_error));
    } else if (outcome == FetchResult::Failed || outcome == FetchResult::Stalled) {
        const auto now = Clock::now();
        ++slot.failures;
        const auto wait = std::chrono::milliseconds(int64_t(config_.backoff_ms)
                                                    << std::min(slot.failures - 1, 10));
        slot.retry_at = now + std::min<Clock::duration>(wait, kLongestBackoff);
        task.had_failure = true;
        task.last_failure = now;
        if (task.only_source == job.source && slot.failures >= kFailuresBeforeNextSource)
            task.only_source = (job.source + 1) % int(task.sources.size());
    } else if (bytes > 0 || outcome == FetchResult::Done) {
        slot.failures = 0;
    }
    work_cv_.notify_all();
    data_cv_.notify_all();
}

// Hashes the pieces that follow the hashed ones, when they are on disk; the
// piece just written comes from its buffer.
void Downloads::hash_ahead(Task& task, int written, const std::vector<char>& buffer) {
    int from = 0, to = 0;
    std::shared_ptr<FileHandle> file;
    {
        std::lock_guard lock(mutex_);
        if (task.hashing || task.busy || task.phase != Phase::Active)
            return;
        from = to = task.hashed;
        while (to < task.pieces.count() && task.pieces.has(to) && to - from < kHashRun)
            ++to;
        if (to == from)
            return;
        task.hashing = true;
        file = task.file;
    }
    const PieceMap& geometry = task.pieces;
    bool read = true;
    for (int piece = from; piece < to && read; ++piece) {
        const int64_t begin = geometry.begin_of(piece);
        if (piece == written)
            task.hash.add(buffer.data(), size_t(geometry.length_of(piece)));
        else
            read = hash_file_bytes(task.hash, file->fd(), begin, begin + geometry.length_of(piece));
    }
    std::lock_guard lock(mutex_);
    if (read)
        task.hashed = to;
    else
        restart_hash(task);
    task.hashing = false;
    data_cv_.notify_all();
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
        const int error = ::rename(t.data_path.c_str(), t.final_path.c_str()) == 0 ? 0 : errno;
        if (error == 0)
            ::unlink(t.part_path.c_str());
        std::lock_guard lock(mutex_);
        t.busy = false;
        if (error != 0) {
            fail(t, io_failure_reason(error));
        } else {
            t.phase = Phase::Complete;
            t.dirty = false;
            qCDebug(lcTerminal) << "finished" << t.key.name.c_str();
        }
        data_cv_.notify_all();
        return;
    }
    bool give_up = false;
    {
        std::lock_guard lock(mutex_);
        const int sources = int(t.sources.size());
        ++t.mismatches;
        qCInfo(lcTerminal) << "checksum mismatch" << t.mismatches << "of" << t.key.name.c_str();
        give_up = t.mismatches >= (sources > 1 ? sources + 1 : 2);
        t.pieces.clear();
        restart_hash(t);
        t.dirty = true;
        if (give_up)
            fail(t, "checksum");
        else
            t.only_source = sources > 1 ? (t.mismatches - 1) % sources : -1;
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

// Records the pieces on disk of every download once a second, away from the
// fetches: the data is flushed first, so a record never names a piece that
// a power cut could lose.
void Downloads::run_saver() {
    std::unique_lock lock(mutex_);
    while (!stopping_) {
        stop_cv_.wait_for(lock, kSaveInterval);
        const std::vector<std::shared_ptr<Task>> tasks = tasks_;
        lock.unlock();
        for (const auto& task : tasks)
            save_record(*task);
        lock.lock();
    }
}

void Downloads::save_record(Task& task) {
    PartRecord record;
    std::shared_ptr<FileHandle> file;
    {
        std::lock_guard lock(mutex_);
        if (!task.dirty || task.saving || task.busy || task.phase == Phase::Complete ||
            task.reason == "checksum" || !task.file)
            return;
        task.saving = true;
        task.dirty = false;
        record = record_of(task);
        file = task.file;
    }
    ::fdatasync(file->fd());
    const bool saved = save_part_record(task.part_path, record);
    std::lock_guard lock(mutex_);
    task.saving = false;
    if (!saved)
        task.dirty = true;
    data_cv_.notify_all();
}

void Downloads::fail(Task& task, const std::string& reason) {
    task.phase = Phase::Failed;
    task.reason = reason;
    for (Job* job : task.jobs)
        job->abandon = true;
    qCInfo(lcTerminal) << "download failed:" << task.key.name.c_str() << reason.c_str();
    data_cv_.notify_all();
}

int64_t Downloads::read(Task& task, int64_t offset, char* buffer, int64_t capacity) {
    if (offset < 0 || offset >= task.key.size || capacity <= 0)
        return 0;
    std::unique_lock lock(mutex_);
    const auto deadline = Clock::now() + std::chrono::milliseconds(config_.read_timeout_ms);
    const int piece = task.pieces.piece_at(offset);
    while (!task.pieces.has(piece)) {
        if (stopping_ || task.phase == Phase::Failed || Clock::now() >= deadline)
            return 0;
        steer(task, piece);
        data_cv_.wait_until(lock, deadline);
    }
    const int64_t length = std::min(capacity, task.pieces.contiguous_from(offset));
    const std::shared_ptr<FileHandle> file = task.file;
    lock.unlock();
    return read_all_at(file->fd(), buffer, length, offset) == 0 ? length : 0;
}

// A reader waits for `piece`: make it the focus. A job that claims it but
// will not reach it within about a second gives up the claim from there on;
// when every connection of the download is busy elsewhere, the connections
// far from the piece are taken back.
void Downloads::steer(Task& task, int piece) {
    if (task.focus != piece) {
        task.focus = piece;
        work_cv_.notify_all();
    }
    const int64_t soon = std::max<int64_t>(task.rate.per_second(Clock::now()), kSoonBytes);
    for (Job* job : task.jobs) {
        if (job->abandon || piece < job->next || piece >= job->end)
            continue;
        if (task.pieces.begin_of(piece) - task.pieces.begin_of(job->next) <= soon)
            return;
        for (int p = piece; p < job->end; ++p)
            task.claimed[size_t(p)] = 0;
        job->end = piece;
    }
    if (task.connections < connection_cap(task))
        return;
    const int window = 2 * span_pieces(task);
    bool freeing = false;
    Job* farthest = nullptr;
    for (Job* job : task.jobs) {
        if (job->abandon) {
            freeing = true;
        } else if (job->next < piece || job->next >= piece + window) {
            job->abandon = true;
            freeing = true;
        } else if (!farthest || job->next > farthest->next) {
            farthest = job;
        }
    }
    if (!freeing && farthest)
        farthest->abandon = true;
}

std::optional<terminal_api::Status> Downloads::status(const std::string& sha1) {
    std::shared_ptr<Task> task;
    {
        std::lock_guard lock(mutex_);
        task = find(sha1);
    }
    if (!task)
        return std::nullopt;
    return status(*task);
}

terminal_api::Status Downloads::status(Task& task) {
    using terminal_api::State;
    std::lock_guard lock(mutex_);
    const auto now = Clock::now();
    terminal_api::Status s;
    s.size = task.key.size;
    s.have = task.pieces.have_bytes();
    s.permille = int(s.have * 1000 / s.size);
    s.rate_kbs = int(task.rate.per_second(now) / 1024);
    s.reason = task.reason;
    if (task.phase == Phase::Complete) {
        s.state = State::Complete;
        s.permille = 1000;
        s.path = task.final_path;
    } else if (task.phase == Phase::Failed) {
        s.state = State::Failed;
    } else if (task.pieces.complete() || (task.any_data && task.last_data >= task.last_failure)) {
        s.state = State::Downloading;
    } else if (task.had_failure) {
        s.state = State::Reconnecting;
    } else {
        s.state = State::Connecting;
        if (task.sources.empty())
            s.reason = "no-source";
    }
    return s;
}

} // namespace kelvara

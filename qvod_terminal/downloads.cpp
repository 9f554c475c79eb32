#include "downloads.h"

#include "download_limits.h"
#include "part_file.h"
#include "terminal_log.h"

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstring>
#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace kelvara {

using namespace download_limits;

namespace {

constexpr int kMostUnfinished = 16;         // partial downloads kept in a folder
constexpr size_t kMostTasks = 64;           // downloads kept in memory
constexpr int64_t kRecordRoom = 1 << 20;    // free space left beside a reservation
constexpr char kSwarmSuffix[] = ".kvswarm"; // a download's torrent, see Swarm

int64_t seconds_since_1970() {
    return std::chrono::duration_cast<std::chrono::seconds>(
               std::chrono::system_clock::now().time_since_epoch())
        .count();
}

// The hash in one of the terminal's own file names, ".<sha1><suffix>".
std::optional<std::string> own_file_hash(const std::string& name, const std::string& suffix) {
    if (name.size() != 41 + suffix.size() || name[0] != '.' || !name.ends_with(suffix))
        return std::nullopt;
    const std::string sha1 = name.substr(1, 40);
    for (const char c : sha1) {
        if (!((c >= '0' && c <= '9') || (c >= 'a' && c <= 'f')))
            return std::nullopt;
    }
    return sha1;
}

bool is_regular_file(const std::string& path, int64_t* size = nullptr) {
    struct stat info {};
    if (::lstat(path.c_str(), &info) != 0 || !S_ISREG(info.st_mode))
        return false;
    if (size)
        *size = info.st_size;
    return true;
}

std::vector<std::string> folder_entries(const std::string& folder) {
    std::vector<std::string> names;
    DIR* dir = ::opendir(folder.c_str());
    if (!dir)
        return names;
    while (const dirent* entry = ::readdir(dir))
        names.emplace_back(entry->d_name);
    ::closedir(dir);
    std::sort(names.begin(), names.end());
    return names;
}

PartRecord record_of(const Task& task) {
    PartRecord record{task.key.sha1, task.key.size, task.key.name, task.pieces};
    record.asked = task.asked;
    return record;
}

} // namespace

Downloads::~Downloads() {
    stop();
}

void Downloads::start() {
    if (swarm_)
        swarm_->start();
    resume_partials();
    for (int i = 0; i < kWorkers; ++i)
        workers_.emplace_back([this] { run_worker(); });
    saver_ = std::thread([this] { run_saver(); });
    hasher_ = std::thread([this] { run_hasher(); });
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
    hash_cv_.notify_all();
    if (swarm_)
        swarm_->stop();
    for (std::thread& worker : workers_)
        worker.join();
    workers_.clear();
    if (saver_.joinable())
        saver_.join();
    if (hasher_.joinable())
        hasher_.join();
    std::vector<std::shared_ptr<Task>> tasks;
    {
        std::lock_guard lock(mutex_);
        tasks = tasks_;
    }
    for (const auto& task : tasks)
        save_record(*task);
}

// Resumes the partial downloads of the folder, and removes what a stop at a
// bad moment left of the terminal's own files: records that cannot be read
// or whose files are gone, reserved files no partial record names, records
// half written.
void Downloads::resume_partials() {
    const std::string& folder = config_.save_folder;
    const std::vector<std::string> names = folder_entries(folder);
    std::vector<PartRecord> partials;
    std::vector<PartRecord> held;
    std::vector<std::string> recorded;
    std::vector<std::string> all_recorded;
    for (const std::string& name : names) {
        if (own_file_hash(name, std::string(terminal_api::kRecordSuffix) + ".new") ||
            own_file_hash(name, std::string(kSwarmSuffix) + ".new")) {
            ::unlink((folder + name).c_str());
            continue;
        }
        const auto sha1 = own_file_hash(name, terminal_api::kRecordSuffix);
        if (!sha1)
            continue;
        const auto record = load_part_record(folder + name);
        const bool usable =
            record && record->sha1 == *sha1 &&
            (record->complete ? is_regular_file(folder + record->name)
                              : is_regular_file(folder + terminal_api::data_file_name(*sha1)));
        if (!usable) {
            qCInfo(lcTerminal) << "discarding the record" << name.c_str();
            ::unlink((folder + name).c_str());
            continue;
        }
        all_recorded.push_back(*sha1);
        if (!record->complete) {
            recorded.push_back(*sha1);
            partials.push_back(*record);
        } else {
            held.push_back(*record);
        }
    }
    for (const std::string& name : names) {
        const auto sha1 = own_file_hash(name, terminal_api::kDataSuffix);
        if (sha1 && std::find(recorded.begin(), recorded.end(), *sha1) == recorded.end()) {
            qCInfo(lcTerminal) << "removing the unrecorded" << name.c_str();
            ::unlink((folder + name).c_str());
        }
        // A torrent stays as long as its download or film has a record.
        const auto swarm_sha1 = own_file_hash(name, kSwarmSuffix);
        if (swarm_sha1 &&
            std::find(all_recorded.begin(), all_recorded.end(), *swarm_sha1) == all_recorded.end())
            ::unlink((folder + name).c_str());
    }
    for (const PartRecord& record : held)
        seed_held_film(record);
    for (const PartRecord& record : partials) {
        qCDebug(lcTerminal) << "resuming" << record.name.c_str();
        if (const auto task = open(FileKey{record.sha1, record.size, record.name}, false)) {
            std::lock_guard lock(mutex_);
            task->asked = record.asked;
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
            known->asked = seconds_since_1970();
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
        forget_old_tasks();
    }
    join_swarm(task);
    work_cv_.notify_all();
    return task;
}

// Opens the files of a download: a finished one is served as it is, a
// partial one resumes from its record, anything else starts from nothing,
// with its record written before its file is reserved.
std::shared_ptr<Task> Downloads::prepare(FileKey key) {
    auto task = std::make_shared<Task>();
    const std::string& folder = config_.save_folder;
    key.name = safe_file_name(key.name, key.sha1);
    task->key = key;
    task->asked = seconds_since_1970();
    task->final_path = folder + key.name;
    task->data_path = folder + terminal_api::data_file_name(key.sha1);
    task->part_path = folder + terminal_api::record_file_name(key.sha1);
    task->sources.resize(config_.sources.size());
    task->pieces = PieceMap(key.size, choose_piece_size(key.size, config_.piece_bytes));
    task->claimed.assign(size_t(task->pieces.count()), 0);
    const auto failed = [&](int error) {
        if (task->swarm)
            ::unlink((folder + Swarm::store_name(key.sha1)).c_str());
        task->swarm = false;
        task->phase = Phase::Failed;
        task->reason = io_failure_reason(error);
        qCInfo(lcTerminal) << "cannot download" << key.name.c_str() << std::strerror(error);
        return task;
    };

    if (const int error = make_folders(folder))
        return failed(error);
    const auto record = load_part_record(task->part_path);
    if (record && record->sha1 == key.sha1 && record->size == key.size) {
        if (const auto resumed = resume(task, *record)) {
            find_torrent(*resumed, true);
            return resumed;
        }
    }
    ::unlink(task->part_path.c_str());
    ::unlink(task->data_path.c_str());

    forget_deleted_films();
    const int64_t free = free_bytes(folder);
    if (free >= 0 && free < key.size + kRecordRoom)
        return failed(ENOSPC);
    make_room_for_one_more();
    // Unflushed: the player waits for the first bytes meanwhile, and the
    // saver flushes the record once pieces arrived.
    if (!save_part_record(task->part_path, record_of(*task), RecordSync::Unflushed))
        return failed(errno);
    const int fd =
        ::open(task->data_path.c_str(), O_RDWR | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0644);
    int error = fd < 0 ? errno : preallocate(fd, key.size);
    if (fd >= 0)
        task->file = std::make_shared<FileHandle>(fd);
    if (error != 0) {
        task->file.reset();
        if (fd >= 0)
            ::unlink(task->data_path.c_str());
        ::unlink(task->part_path.c_str());
        return failed(error);
    }
    find_torrent(*task, false);
    int64_t size = 0;
    if (is_regular_file(task->final_path, &size) && size == key.size)
        task->adopt_path = task->final_path;
    return task;
}

// The download as its record left it; empty when its files are gone or
// changed.
std::shared_ptr<Task> Downloads::resume(std::shared_ptr<Task> task, const PartRecord& record) {
    const std::string path = record.complete ? config_.save_folder + record.name : task->data_path;
    const int fd =
        ::open(path.c_str(), (record.complete ? O_RDONLY : O_RDWR) | O_NOFOLLOW | O_CLOEXEC);
    if (fd < 0)
        return nullptr;
    auto file = std::make_shared<FileHandle>(fd);
    struct stat info {};
    if (::fstat(fd, &info) != 0 || !S_ISREG(info.st_mode) || info.st_size != task->key.size)
        return nullptr;
    task->file = file;
    task->pieces = record.pieces;
    task->claimed.assign(size_t(task->pieces.count()), 0);
    if (record.complete) {
        // A film changed since its check is checked again, as a new download.
        const int64_t mtime = int64_t(info.st_mtim.tv_sec) * 1000000000 + info.st_mtim.tv_nsec;
        if (info.st_ino != record.inode || mtime != record.mtime_ns)
            return nullptr;
        task->phase = Phase::Complete;
        task->final_path = path;
        return task;
    }
    // What arrived stays; a disk that is full now fails the download until
    // it is asked for again.
    if (const int error = preallocate(fd, task->key.size)) {
        task->phase = Phase::Failed;
        task->reason = io_failure_reason(error);
    }
    return task;
}

// Keeps at most kMostUnfinished partial downloads in the folder: the one
// asked for least recently goes, with its file, to make room for a new one.
void Downloads::make_room_for_one_more() {
    const std::string& folder = config_.save_folder;
    std::vector<std::pair<int64_t, std::string>> partials; // asked, hash
    for (const std::string& name : folder_entries(folder)) {
        const auto sha1 = own_file_hash(name, terminal_api::kRecordSuffix);
        if (!sha1)
            continue;
        const auto record = load_part_record(folder + name);
        if (record && !record->complete)
            partials.emplace_back(record->asked, *sha1);
    }
    if (int(partials.size()) < kMostUnfinished)
        return;
    std::sort(partials.begin(), partials.end());
    int excess = int(partials.size()) - kMostUnfinished + 1;
    std::lock_guard lock(mutex_);
    for (const auto& [asked, sha1] : partials) {
        if (excess <= 0)
            break;
        const auto known = find(sha1);
        if (known && known->foreground)
            continue;
        qCInfo(lcTerminal) << "removing the unfinished download" << sha1.c_str();
        if (known) {
            fail(*known, "removed");
            known->dirty = false;
            std::erase(tasks_, known);
        }
        ::unlink((folder + terminal_api::record_file_name(sha1)).c_str());
        ::unlink((folder + terminal_api::data_file_name(sha1)).c_str());
        --excess;
    }
}

// Lets go of finished films the user deleted: the space they held comes back
// once the last reader is done with them.
void Downloads::forget_deleted_films() {
    std::lock_guard lock(mutex_);
    std::erase_if(tasks_, [](const std::shared_ptr<Task>& task) {
        struct stat info {};
        return task->phase == Phase::Complete && task->file &&
               ::fstat(task->file->fd(), &info) == 0 && info.st_nlink == 0;
    });
}

// Keeps the downloads in memory few: finished and failed ones that nobody
// plays go first, oldest first. Their files stay.
void Downloads::forget_old_tasks() {
    while (tasks_.size() > kMostTasks) {
        auto oldest = tasks_.end();
        for (auto it = tasks_.begin(); it != tasks_.end(); ++it) {
            const Task& t = **it;
            if (t.phase != Phase::Active && !t.foreground && !t.saving && !t.busy &&
                (oldest == tasks_.end() || t.order < (*oldest)->order))
                oldest = it;
        }
        if (oldest == tasks_.end())
            return;
        tasks_.erase(oldest);
    }
}

std::shared_ptr<Task> Downloads::find(const std::string& sha1) const {
    for (const auto& task : tasks_) {
        if (task->key.sha1 == sha1)
            return task;
    }
    return nullptr;
}

void Downloads::make_foreground(Task& task) {
    if (task.foreground)
        return;
    task.served = 0;
    task.served_end = 0;
    const auto now = Clock::now();
    task.first_bytes_until = now + kFirstBytesWait;
    task.keep_near_until = now + kPlayerLeadTime;
    for (const auto& other : tasks_)
        other->foreground = false;
    task.foreground = true;
    if (swarm_)
        swarm_->set_foreground(task.key.sha1);
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
            task.reason == "checksum" || task.reason == "removed" || !task.file)
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

void Downloads::save_complete_record(Task& task) {
    PartRecord record;
    std::shared_ptr<FileHandle> file;
    {
        std::lock_guard lock(mutex_);
        record = record_of(task);
        record.name = task.final_path.substr(task.final_path.rfind('/') + 1);
        record.complete = true;
        file = task.file;
    }
    struct stat info {};
    if (::fstat(file->fd(), &info) != 0)
        return;
    record.inode = info.st_ino;
    record.mtime_ns = int64_t(info.st_mtim.tv_sec) * 1000000000 + info.st_mtim.tv_nsec;
    save_part_record(task.part_path, record);
}

void Downloads::fail(Task& task, const std::string& reason) {
    if (task.phase == Phase::Complete)
        return; // a download finished by another way meanwhile
    task.phase = Phase::Failed;
    task.reason = reason;
    for (Job* job : task.jobs)
        job->abandon = true;
    if (task.swarm && swarm_)
        swarm_->leave(task.key.sha1, true);
    task.swarm = false;
    qCInfo(lcTerminal) << "download failed:" << task.key.name.c_str() << reason.c_str();
    data_cv_.notify_all();
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
    // The swarm reconnects on its own; a silent one shows as the HTTP
    // downloads' stalled source does.
    const bool swarm_silent = task.swarm && task.any_data &&
                              now - task.last_data > std::chrono::milliseconds(config_.stall_ms);
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
    } else if (task.phase == Phase::Failed || task.out_of_space_until) {
        s.state = State::Failed;
    } else if (task.pieces.complete() ||
               (task.any_data && task.last_data >= task.last_failure && !swarm_silent)) {
        s.state = State::Downloading;
    } else if (task.had_failure || swarm_silent) {
        s.state = State::Reconnecting;
    } else {
        s.state = State::Connecting;
        if (task.sources.empty())
            s.reason = "no-source";
    }
    return s;
}

} // namespace kelvara

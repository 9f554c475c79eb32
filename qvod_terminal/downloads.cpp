#include "downloads.h"

#include "download_limits.h"
#include "part_file.h"
#include "terminal_log.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace kelvara {

using namespace download_limits;

namespace {

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

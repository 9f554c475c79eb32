// The downloads that come through the swarm: their torrent, the pieces
// libtorrent finished, and the films seeded from the folder.

#include "downloads.h"

#include "part_file.h"
#include "swarm.h"
#include "terminal_log.h"

#include <sys/stat.h>

namespace kelvara {

namespace {

// The pieces of `have` in another piece size: a piece is there when all of
// its bytes are.
PieceMap in_piece_size(const PieceMap& have, int64_t piece_size) {
    PieceMap out(have.file_size(), piece_size);
    for (int piece = 0; piece < out.count(); ++piece) {
        if (have.contiguous_from(out.begin_of(piece), out.length_of(piece)) >= out.length_of(piece))
            out.set(piece);
    }
    return out;
}

} // namespace

Downloads::Downloads(DownloadConfig config) : config_(std::move(config)) {
    if (!config_.share)
        return;
    SwarmConfig swarm;
    swarm.save_folder = config_.save_folder;
    swarm.upload_kbs = config_.upload_kbs;
    swarm.stall_ms = config_.stall_ms;
    swarm.local_only = true;
    for (const std::string& source : config_.sources)
        swarm.local_only &= is_loopback_url(source);
    swarm_ = std::make_unique<Swarm>(swarm, static_cast<SwarmListener&>(*this));
}

// Looks for the film's torrent: the one kept beside a resumed download, else
// the sources'. A download whose pieces were cut otherwise takes the
// torrent's piece size, keeping what is on disk.
void Downloads::find_torrent(Task& task, bool resumed) {
    if (!swarm_ || task.phase != Phase::Active)
        return;
    std::optional<FilmTorrent> torrent = resumed ? swarm_->stored(task.key) : std::nullopt;
    if (torrent) {
        if (!config_.sources.empty())
            torrent->web_seed = config_.sources.front() + task.key.sha1;
    } else {
        torrent = swarm_->find(task.key, config_.sources);
        if (!torrent || !swarm_->keep(task.key.sha1, torrent->bytes))
            return;
    }
    if (task.pieces.piece_size() != torrent->piece_size) {
        task.pieces = in_piece_size(task.pieces, torrent->piece_size);
        task.claimed.assign(size_t(task.pieces.count()), 0);
        restart_hash(task);
        task.dirty = true;
    }
    task.torrent = std::make_shared<const FilmTorrent>(std::move(*torrent));
    task.swarm = true;
}

void Downloads::join_swarm(const std::shared_ptr<Task>& task) {
    std::shared_ptr<const FilmTorrent> torrent;
    std::vector<bool> have;
    bool foreground = false;
    {
        std::lock_guard lock(mutex_);
        if (!task->swarm || !task->torrent)
            return;
        torrent = task->torrent;
        foreground = task->foreground;
        for (int piece = 0; piece < task->pieces.count(); ++piece)
            have.push_back(task->pieces.has(piece));
    }
    if (swarm_ && swarm_->join(task->key, *torrent, have, foreground))
        return;
    // Over HTTP after all.
    std::lock_guard lock(mutex_);
    task->swarm = false;
    work_cv_.notify_all();
}

// libtorrent checked the piece; it counts once its bytes are in the file as
// the torrent's hash has them.
bool Downloads::swarm_piece_done(const std::string& sha1, int piece) {
    std::shared_ptr<Task> task;
    std::shared_ptr<FileHandle> file;
    int64_t begin = 0, length = 0;
    {
        std::lock_guard lock(mutex_);
        task = find(sha1);
        if (!task || !task->swarm || task->phase != Phase::Active || task->busy || piece < 0 ||
            piece >= task->pieces.count() || task->pieces.has(piece) || !task->file)
            return true;
        file = task->file;
        begin = task->pieces.begin_of(piece);
        length = task->pieces.length_of(piece);
    }
    std::vector<char> buffer(static_cast<size_t>(length));
    if (read_all_at(file->fd(), buffer.data(), length, begin) != 0 ||
        !swarm_->piece_matches(sha1, piece, buffer.data(), length))
        return false;
    {
        std::lock_guard lock(mutex_);
        if (!task->swarm || task->pieces.has(piece) || task->phase != Phase::Active)
            return true;
        const auto now = Clock::now();
        task->pieces.set(piece);
        task->dirty = true;
        task->rate.add(length, now);
        task->any_data = true;
        task->last_data = now;
        wake_hasher(*task);
        data_cv_.notify_all();
        if (task->pieces.complete())
            work_cv_.notify_all();
    }
    return true;
}

void Downloads::swarm_refused(const std::string& sha1) {
    std::lock_guard lock(mutex_);
    if (const auto task = find(sha1)) {
        task->swarm = false;
        task->torrent.reset();
    }
    work_cv_.notify_all();
}

// A film checked earlier whose torrent was kept is seeded while the terminal
// runs, unless it changed since its check.
void Downloads::seed_held_film(const PartRecord& record) {
    if (!swarm_)
        return;
    const std::string path = config_.save_folder + record.name;
    struct stat info {};
    if (::lstat(path.c_str(), &info) != 0 || !S_ISREG(info.st_mode) ||
        info.st_size != record.size || info.st_ino != record.inode ||
        int64_t(info.st_mtim.tv_sec) * 1000000000 + info.st_mtim.tv_nsec != record.mtime_ns)
        return;
    swarm_->seed(FileKey{record.sha1, record.size, record.name}, path);
}

} // namespace kelvara

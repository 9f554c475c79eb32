// Which piece each worker fetches next, and the readers that steer it.

#include "downloads.h"

#include "download_limits.h"
#include "part_file.h"
#include "source_fetch.h"

#include <algorithm>
#include <sys/resource.h>
#include <unistd.h>

namespace kelvara {

using namespace download_limits;

void Downloads::run_worker() {
    // Downloading gives way to the player's decoding and to the replies
    // that feed it, whenever the processor is short.
    ::setpriority(PRIO_PROCESS, ::gettid(), kWorkerNice);
    SourceFetch fetcher(config_.stall_ms);
    while (const std::unique_ptr<Job> job = next_job()) {
        switch (job->kind) {
        case JobKind::Fetch:
            fetch(fetcher, *job);
            break;
        case JobKind::Verify:
            verify(job->task);
            break;
        case JobKind::Adopt:
            adopt(job->task);
            break;
        }
    }
}

std::unique_ptr<Job> Downloads::next_job() {
    std::unique_lock lock(mutex_);
    while (!stopping_) {
        const auto now = Clock::now();
        auto wake = now + std::chrono::seconds(1);
        {
            // Not kept while waiting: a download dropped meanwhile must let
            // go of its file.
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
    if (!t.adopt_path.empty() && !t.adopting) {
        t.adopting = true;
        job->kind = JobKind::Adopt;
        return job;
    }
    if (t.pieces.complete()) {
        if (t.connections > 0)
            return nullptr;
        t.busy = true;
        job->kind = JobKind::Verify;
        return job;
    }
    if (t.swarm)
        return nullptr; // libtorrent fetches its pieces
    if (t.out_of_space_until) {
        if (now < *t.out_of_space_until) {
            wake = std::min(wake, *t.out_of_space_until);
            return nullptr;
        }
        t.out_of_space_until = now + kSpaceRetry; // cleared by the next piece written
    }
    if (t.connections >= connection_cap(t)) {
        if (awaits_first_bytes(t, now))
            wake = std::min(wake, t.first_bytes_until);
        return nullptr;
    }
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

bool Downloads::awaits_first_bytes(const Task& task, Clock::time_point now) const {
    return task.foreground && task.served < kFirstBytes && now < task.first_bytes_until;
}

// Whether a fetch that reached `piece` waits for the readers to come nearer:
// not while a reader has lately had to wait for its bytes, nor once they
// read more than a player does before its first frame.
bool Downloads::keeps_near_readers(const Task& task, int piece, Clock::time_point now) const {
    if (task.readers == 0 || now >= task.keep_near_until ||
        now - task.reader_waited < kReaderPause || task.served >= kPlayerFirstBytes)
        return false;
    const int64_t read_to = std::max(task.served_end, task.pieces.begin_of(task.focus));
    return task.pieces.begin_of(piece) >= read_to + kPlayerLeadBytes;
}

void Downloads::reader_opened(Task& task) {
    std::lock_guard lock(mutex_);
    ++task.readers;
}

void Downloads::reader_closed(Task& task) {
    std::lock_guard lock(mutex_);
    --task.readers;
    data_cv_.notify_all(); // nobody left to keep near
}

int Downloads::connection_cap(const Task& task) const {
    if (!task.foreground || awaits_first_bytes(task, Clock::now()))
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

BytesOnDisk Downloads::bytes_at(Task& task, int64_t offset, int64_t most) {
    if (offset < 0 || offset >= task.key.size || most <= 0)
        return {};
    std::unique_lock lock(mutex_);
    const auto deadline = Clock::now() + std::chrono::milliseconds(config_.read_timeout_ms);
    const int piece = task.pieces.piece_at(offset);
    while (!task.pieces.has(piece)) {
        if (stopping_ || task.phase == Phase::Failed || Clock::now() >= deadline)
            return {};
        task.reader_waited = Clock::now();
        if (task.held_fetches > 0)
            data_cv_.notify_all(); // a reader short of bytes: the fetches go on
        steer(task, piece);
        data_cv_.wait_until(lock, deadline);
    }
    const int64_t length = std::min(most, task.pieces.contiguous_from(offset, most));
    const bool had_first_bytes = task.served >= kFirstBytes;
    task.served += length;
    task.served_end = std::max(task.served_end, offset + length);
    if (!had_first_bytes && task.served >= kFirstBytes)
        work_cv_.notify_all(); // the other connections may start
    if (task.held_fetches > 0)
        data_cv_.notify_all(); // the readers came nearer
    return {task.file, length};
}

// A reader waits for `piece`: make it the focus. A job that claims it but
// will not reach it within about a second gives up the claim from there on;
// when every connection of the download is busy elsewhere, the connections
// far from the piece are taken back.
void Downloads::steer(Task& task, int piece) {
    if (task.swarm) {
        task.focus = piece;
        if (swarm_)
            swarm_->want(task.key.sha1, piece);
        return;
    }
    if (task.focus != piece) {
        task.focus = piece;
        work_cv_.notify_all();
        data_cv_.notify_all(); // a fetch kept near the readers may be on its way
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

} // namespace kelvara

#include "source_server.h"

#include <QCryptographicHash>
#include <chrono>
#include <httplib.h>
#include <random>

namespace kelvara::testing {

namespace {

constexpr size_t kChunk = 16 * 1024;

// Counts down a budget of misbehaving replies; -1 never runs out.
bool take_one(int& count) {
    if (count == 0)
        return false;
    if (count > 0)
        --count;
    return true;
}

} // namespace

SourceServer::SourceServer() : server_(std::make_unique<httplib::Server>()) {
    server_->new_task_queue = [] { return new httplib::ThreadPool(16); };
    server_->Get(R"(/(\w+)/([0-9a-f]{40}))",
                 [this](const httplib::Request& req, httplib::Response& res) {
                     serve(req.matches[1], req.matches[2], (void*)&req, &res);
                 });
    port_ = server_->bind_to_any_port("127.0.0.1");
    thread_ = std::thread([this] { server_->listen_after_bind(); });
}

SourceServer::~SourceServer() {
    stopping_ = true;
    server_->stop();
    thread_.join();
}

void SourceServer::add_file(const std::string& sha1, std::string content) {
    std::lock_guard lock(mutex_);
    files_[sha1].content = std::make_shared<const std::string>(std::move(content));
}

std::string SourceServer::base(const std::string& source) const {
    return "http://127.0.0.1:" + std::to_string(port_) + "/" + source + "/";
}

void SourceServer::set(const std::string& source, const SourceBehaviour& behaviour) {
    std::lock_guard lock(mutex_);
    sources_[source].behaviour = behaviour;
}

SourceStats SourceServer::stats(const std::string& source) const {
    std::lock_guard lock(mutex_);
    const auto found = sources_.find(source);
    return found == sources_.end() ? SourceStats() : found->second.stats;
}

int SourceServer::most_concurrent(const std::string& sha1) const {
    std::lock_guard lock(mutex_);
    const auto found = files_.find(sha1);
    return found == files_.end() ? 0 : found->second.most_concurrent;
}

void SourceServer::reset_stats() {
    std::lock_guard lock(mutex_);
    for (auto& [name, source] : sources_)
        source.stats = SourceStats();
    for (auto& [name, file] : files_)
        file.most_concurrent = file.concurrent;
}

void SourceServer::serve(const std::string& source, const std::string& sha1, void* request,
                         void* response) {
    const auto& req = *static_cast<const httplib::Request*>(request);
    auto& res = *static_cast<httplib::Response*>(response);
    std::shared_ptr<const std::string> content;
    SourceBehaviour plan;
    bool stall = false, corrupt = false;
    {
        std::lock_guard lock(mutex_);
        Source& s = sources_[source];
        ++s.stats.requests;
        s.stats.starts.push_back(req.ranges.empty() ? 0 : req.ranges.front().first);
        const auto file = files_.find(sha1);
        if (file == files_.end()) {
            res.status = 404;
            return;
        }
        if (s.behaviour.fail_status != 0 && take_one(s.behaviour.fail_count)) {
            res.status = s.behaviour.fail_status;
            return;
        }
        plan = s.behaviour;
        stall = plan.stall_after >= 0 && take_one(s.behaviour.stall_count);
        corrupt = plan.corrupt_at >= 0 && take_one(s.behaviour.corrupt_count);
        content = file->second.content;
        FileEntry& entry = file->second;
        entry.most_concurrent = std::max(entry.most_concurrent, ++entry.concurrent);
    }
    const auto started = std::chrono::steady_clock::now();
    auto sent = std::make_shared<int64_t>(0);
    res.set_header("Accept-Ranges", "bytes");
    res.set_content_provider(
        content->size(), "application/octet-stream",
        [=, this](size_t offset, size_t length, httplib::DataSink& sink) {
            if (plan.drop_after >= 0 && *sent >= plan.drop_after)
                return false;
            if (stall && *sent >= plan.stall_after) {
                const auto give_up = std::chrono::steady_clock::now() + std::chrono::seconds(5);
                while (!stopping_ && std::chrono::steady_clock::now() < give_up)
                    std::this_thread::sleep_for(std::chrono::milliseconds(20));
                return false;
            }
            size_t n = std::min(length, kChunk);
            if (plan.stall_after >= 0 && stall)
                n = size_t(std::min<int64_t>(int64_t(n), plan.stall_after - *sent));
            if (plan.drop_after >= 0)
                n = size_t(std::min<int64_t>(int64_t(n), plan.drop_after - *sent));
            std::string chunk = content->substr(offset, n);
            if (corrupt && plan.corrupt_at >= int64_t(offset) &&
                plan.corrupt_at < int64_t(offset + n))
                chunk[size_t(plan.corrupt_at - int64_t(offset))] ^= 0x5a;
            if (plan.rate > 0) {
                const auto due =
                    started + std::chrono::microseconds((*sent + int64_t(n)) * 1000000 / plan.rate);
                while (!stopping_ && std::chrono::steady_clock::now() < due)
                    std::this_thread::sleep_for(std::chrono::milliseconds(2));
            }
            if (!sink.write(chunk.data(), chunk.size()))
                return false;
            *sent += int64_t(n);
            std::lock_guard lock(mutex_);
            sources_[source].stats.bytes += int64_t(n);
            return true;
        },
        [this, sha1](bool) {
            std::lock_guard lock(mutex_);
            --files_[sha1].concurrent;
        });
}

std::string make_content(int64_t size, uint32_t seed) {
    std::mt19937 generator(seed);
    std::string content(size_t(size), '\0');
    for (char& c : content)
        c = char(generator() & 0xff);
    return content;
}

std::string sha1_of(const std::string& content) {
    return QCryptographicHash::hash(QByteArrayView(content.data(), qsizetype(content.size())),
                                    QCryptographicHash::Sha1)
        .toHex()
        .toStdString();
}

} // namespace kelvara::testing

#include "switches.h"

namespace kelvara::demo {

namespace {

template <typename Map>
auto value_or(const Map& map, const std::string& key, typename Map::mapped_type fallback) {
    const auto it = map.find(key);
    return it == map.end() ? fallback : it->second;
}

template <typename Map>
std::optional<typename Map::mapped_type> value_if_set(const Map& map, const std::string& key) {
    const auto it = map.find(key);
    if (it == map.end())
        return std::nullopt;
    return it->second;
}

template <typename Map>
void set_or_erase(Map& map, const std::string& key,
                  std::optional<typename Map::mapped_type> value) {
    if (value)
        map[key] = std::move(*value);
    else
        map.erase(key);
}

} // namespace

void Switches::set_delay(const std::string& path, std::chrono::milliseconds delay) {
    {
        std::lock_guard lock(mutex_);
        if (delay.count() > 0)
            delays_[path] = delay;
        else
            delays_.erase(path);
    }
    changed();
}

std::chrono::milliseconds Switches::delay(const std::string& path) const {
    std::lock_guard lock(mutex_);
    return value_or(delays_, path, std::chrono::milliseconds(0));
}

void Switches::set_failure(const std::string& path, DemoFailure failure) {
    {
        std::lock_guard lock(mutex_);
        if (failure == DemoFailure::none)
            failures_.erase(path);
        else
            failures_[path] = failure;
    }
    changed();
}

DemoFailure Switches::failure(const std::string& path) const {
    std::lock_guard lock(mutex_);
    return value_or(failures_, path, DemoFailure::none);
}

void Switches::set_fixed_body(const std::string& path, std::optional<std::string> body) {
    {
        std::lock_guard lock(mutex_);
        set_or_erase(fixed_bodies_, path, std::move(body));
    }
    changed();
}

std::optional<std::string> Switches::fixed_body(const std::string& path) const {
    std::lock_guard lock(mutex_);
    return value_if_set(fixed_bodies_, path);
}

void Switches::set_seed_rate(std::int64_t bytes_per_second) {
    {
        std::lock_guard lock(mutex_);
        seed_rate_ = bytes_per_second > 0 ? bytes_per_second : 0;
    }
    changed();
}

std::int64_t Switches::seed_rate() const {
    std::lock_guard lock(mutex_);
    return seed_rate_;
}

void Switches::set_seed_stall(const std::string& sha1, std::optional<std::int64_t> offset) {
    {
        std::lock_guard lock(mutex_);
        set_or_erase(seed_stalls_, sha1, offset);
    }
    changed();
}

std::optional<std::int64_t> Switches::seed_stall(const std::string& sha1) const {
    std::lock_guard lock(mutex_);
    return value_if_set(seed_stalls_, sha1);
}

void Switches::set_seed_corrupt(const std::string& sha1, bool corrupt) {
    {
        std::lock_guard lock(mutex_);
        if (corrupt)
            corrupt_seeds_.insert(sha1);
        else
            corrupt_seeds_.erase(sha1);
    }
    changed();
}

bool Switches::seed_corrupt(const std::string& sha1) const {
    std::lock_guard lock(mutex_);
    return corrupt_seeds_.count(sha1) > 0;
}

void Switches::reset() {
    {
        std::lock_guard lock(mutex_);
        delays_.clear();
        failures_.clear();
        fixed_bodies_.clear();
        seed_rate_ = 0;
        seed_stalls_.clear();
        corrupt_seeds_.clear();
    }
    changed();
}

void Switches::record(const std::string& path, const std::string& target) {
    std::lock_guard lock(mutex_);
    ++counts_[path];
    targets_.push_back(target);
}

int Switches::count(const std::string& path) const {
    std::lock_guard lock(mutex_);
    return value_or(counts_, path, 0);
}

std::vector<std::string> Switches::targets() const {
    std::lock_guard lock(mutex_);
    return targets_;
}

void Switches::clear_requests() {
    std::lock_guard lock(mutex_);
    counts_.clear();
    targets_.clear();
}

void Switches::set_stopping(bool stopping) {
    {
        std::lock_guard lock(mutex_);
        stopping_ = stopping;
    }
    changed();
}

bool Switches::stopping() const {
    std::lock_guard lock(mutex_);
    return stopping_;
}

bool Switches::sleep_until(std::chrono::steady_clock::time_point until) {
    std::unique_lock lock(mutex_);
    wake_.wait_until(lock, until, [this] { return stopping_; });
    return !stopping_;
}

bool Switches::wait(const std::function<bool()>& done, const std::function<bool()>& abandon) {
    // `done` and `abandon` read switches themselves, so they run unlocked.
    for (;;) {
        if (stopping())
            return false;
        if (done())
            return true;
        if (abandon())
            return false;
        std::unique_lock lock(mutex_);
        wake_.wait_for(lock, std::chrono::milliseconds(100));
    }
}

void Switches::changed() {
    wake_.notify_all();
}

} // namespace kelvara::demo

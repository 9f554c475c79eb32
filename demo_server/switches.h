#pragma once

#include "demo_server.h"

#include <chrono>
#include <condition_variable>
#include <functional>
#include <map>
#include <mutex>
#include <optional>
#include <set>
#include <string>
#include <vector>

namespace kelvara::demo {

// The switches and request counts of a DemoServer, shared by its handler
// threads and the test that sets them. Every change wakes the handlers that
// wait on a switch (a delay, a stalled seed), as does stopping.
class Switches {
public:
    void set_delay(const std::string& path, std::chrono::milliseconds delay);
    std::chrono::milliseconds delay(const std::string& path) const;
    void set_failure(const std::string& path, DemoFailure failure);
    DemoFailure failure(const std::string& path) const;
    void set_fixed_body(const std::string& path, std::optional<std::string> body);
    std::optional<std::string> fixed_body(const std::string& path) const;

    void set_seed_rate(std::int64_t bytes_per_second);
    std::int64_t seed_rate() const;
    void set_seed_stall(const std::string& sha1, std::optional<std::int64_t> offset);
    std::optional<std::int64_t> seed_stall(const std::string& sha1) const;
    void set_seed_corrupt(const std::string& sha1, bool corrupt);
    bool seed_corrupt(const std::string& sha1) const;

    void reset();

    void record(const std::string& path, const std::string& target);
    int count(const std::string& path) const;
    std::vector<std::string> targets() const;
    void clear_requests();

    // Handlers give up their waits while this is set.
    void set_stopping(bool stopping);
    bool stopping() const;
    // Sleeps until `until`, waking early only to stop; false when stopping.
    bool sleep_until(std::chrono::steady_clock::time_point until);
    // Waits until `done` holds (checked on every change, and every 100 ms
    // with `abandon`, which ends the wait with false). False when stopping.
    bool wait(const std::function<bool()>& done, const std::function<bool()>& abandon);

private:
    void changed();

    mutable std::mutex mutex_;
    std::condition_variable wake_;
    bool stopping_ = false;
    std::map<std::string, std::chrono::milliseconds> delays_;
    std::map<std::string, DemoFailure> failures_;
    std::map<std::string, std::string> fixed_bodies_;
    std::int64_t seed_rate_ = 0;
    std::map<std::string, std::int64_t> seed_stalls_;
    std::set<std::string> corrupt_seeds_;
    std::map<std::string, int> counts_;
    std::vector<std::string> targets_;
};

} // namespace kelvara::demo

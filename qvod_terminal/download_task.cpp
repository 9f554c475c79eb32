#include "download_task.h"

#include <algorithm>
#include <unistd.h>

namespace kelvara {

namespace {

constexpr auto kRateWindow = std::chrono::seconds(2);
constexpr auto kBucket = std::chrono::milliseconds(50);

} // namespace

void RateMeter::add(int64_t bytes, Clock::time_point now) {
    // Samples closer than a bucket share one, which keeps the queue short at
    // any speed.
    if (!samples_.empty() && now - samples_.back().first < kBucket)
        samples_.back().second += bytes;
    else
        samples_.emplace_back(now, bytes);
    sum_ += bytes;
    drop_old(now);
}

int64_t RateMeter::per_second(Clock::time_point now) {
    drop_old(now);
    if (samples_.empty())
        return 0;
    // A download younger than the window is measured over its own age.
    const auto span = std::clamp<Clock::duration>(now - samples_.front().first,
                                                  std::chrono::milliseconds(500), kRateWindow);
    return sum_ * 1000 / std::chrono::duration_cast<std::chrono::milliseconds>(span).count();
}

void RateMeter::drop_old(Clock::time_point now) {
    while (!samples_.empty() && now - samples_.front().first > kRateWindow) {
        sum_ -= samples_.front().second;
        samples_.pop_front();
    }
}

FileHandle::~FileHandle() {
    if (fd_ >= 0)
        ::close(fd_);
}

} // namespace kelvara

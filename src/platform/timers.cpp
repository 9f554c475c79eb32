#include "platform/timers.h"

namespace kelvara {

Timer::Timer(TimerHost& host, int interval_ms, bool enabled, std::function<void()> on_tick)
    : host_(host), interval_ms_(interval_ms), on_tick_(std::move(on_tick)) {
    set_enabled(enabled);
}

Timer::~Timer() {
    if (enabled_)
        host_.disarm(*this);
}

void Timer::set_enabled(bool on) {
    if (on == enabled_)
        return;
    enabled_ = on;
    if (on && interval_ms_ > 0)
        host_.arm(*this, interval_ms_);
    else
        host_.disarm(*this);
}

void Timer::set_interval(int interval_ms) {
    interval_ms_ = interval_ms;
    if (!enabled_)
        return;
    if (interval_ms_ > 0)
        host_.arm(*this, interval_ms_);
    else
        host_.disarm(*this);
}

void Timer::fire() {
    if (enabled_ && on_tick_)
        on_tick_();
}

} // namespace kelvara

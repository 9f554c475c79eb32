#pragma once

#include <functional>

namespace kelvara {

class Timer;

// Drives the countdowns of timers: Qt's event loop on the desktop, a manual
// clock in tests. A host calls Timer::fire() each time an armed countdown ends
// and keeps the timer armed with the same interval (timers are periodic).
class TimerHost {
public:
    virtual ~TimerHost() = default;
    // Starts the countdown of `timer` afresh with `interval_ms`.
    virtual void arm(Timer& timer, int interval_ms) = 0;
    virtual void disarm(Timer& timer) = 0;
};

// A window timer with the rule the whole client relies on: enabling a timer
// that is already enabled keeps its countdown running; disabling it and
// enabling it again starts a new countdown. Changing the interval of an
// enabled timer restarts its countdown.
class Timer {
public:
    Timer(TimerHost& host, int interval_ms, bool enabled, std::function<void()> on_tick = {});
    ~Timer();
    Timer(const Timer&) = delete;
    Timer& operator=(const Timer&) = delete;

    bool enabled() const { return enabled_; }
    void set_enabled(bool on);
    int interval() const { return interval_ms_; }
    void set_interval(int interval_ms);
    void set_on_tick(std::function<void()> on_tick) { on_tick_ = std::move(on_tick); }

    // Called by the host when the countdown ends.
    void fire();

private:
    TimerHost& host_;
    int interval_ms_;
    bool enabled_ = false;
    std::function<void()> on_tick_;
};

} // namespace kelvara

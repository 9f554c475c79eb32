#pragma once

#include "platform/event_loop.h"
#include "platform/timers.h"

#include <QtGlobal>

#include <functional>
#include <map>

namespace kelvara::test {

// Time for timers that moves only when a test says so.
class ManualClock : public TimerHost {
public:
    void arm(Timer& timer, int interval_ms) override;
    void disarm(Timer& timer) override;

    // Moves time forward, firing every countdown that ends on the way, in
    // order of their ends.
    void advance(qint64 ms);
    qint64 now() const { return now_; }
    bool armed(const Timer& timer) const;
    // Milliseconds until `timer` fires; -1 when it is not armed.
    qint64 remaining(const Timer& timer) const;

private:
    struct Countdown {
        qint64 due;
        int interval;
        qint64 order; // ties fire in the order the countdowns started
    };
    qint64 next_order_ = 0;
    qint64 now_ = 0;
    std::map<Timer*, Countdown> countdowns_;
};

// "Let pending messages run once": runs what a test queued for that moment.
class FakeEventLoop : public EventLoop {
public:
    void do_events() override;
    int passes = 0;
    std::function<void()> on_pass;
};

} // namespace kelvara::test

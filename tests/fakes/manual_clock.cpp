#include "fakes/manual_clock.h"

namespace kelvara::test {

void ManualClock::arm(Timer& timer, int interval_ms) {
    countdowns_[&timer] = {now_ + interval_ms, interval_ms, next_order_++};
}

void ManualClock::disarm(Timer& timer) {
    countdowns_.erase(&timer);
}

bool ManualClock::armed(const Timer& timer) const {
    return countdowns_.count(const_cast<Timer*>(&timer)) != 0;
}

qint64 ManualClock::remaining(const Timer& timer) const {
    const auto it = countdowns_.find(const_cast<Timer*>(&timer));
    return it == countdowns_.end() ? -1 : it->second.due - now_;
}

void ManualClock::advance(qint64 ms) {
    const qint64 target = now_ + ms;
    for (;;) {
        Timer* next = nullptr;
        qint64 due = target + 1;
        qint64 order = 0;
        for (const auto& [timer, countdown] : countdowns_) {
            if (countdown.due < due || (countdown.due == due && countdown.order < order)) {
                due = countdown.due;
                order = countdown.order;
                next = timer;
            }
        }
        if (!next)
            break;
        now_ = due;
        // Periodic: the next countdown starts now, unless the tick changes it.
        Countdown& c = countdowns_[next];
        c.due = due + c.interval;
        c.order = next_order_++;
        next->fire();
    }
    now_ = target;
}

void FakeEventLoop::do_events() {
    ++passes;
    if (on_pass) {
        auto run = std::move(on_pass);
        on_pass = nullptr;
        run();
    }
}

} // namespace kelvara::test

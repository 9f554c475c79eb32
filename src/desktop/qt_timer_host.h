#pragma once

#include "platform/event_loop.h"
#include "platform/timers.h"

#include <QTimer>
#include <map>
#include <memory>

namespace kelvara {

// Timers on Qt's event loop: one QTimer per client timer.
class QtTimerHost : public TimerHost {
public:
    ~QtTimerHost() override;
    void arm(Timer& timer, int interval_ms) override;
    void disarm(Timer& timer) override;

private:
    std::map<Timer*, std::unique_ptr<QTimer>> timers_;
};

class QtEventLoop : public EventLoop {
public:
    void do_events() override;
};

} // namespace kelvara

#pragma once

namespace kelvara {

// The user-interface thread's message loop.
class EventLoop {
public:
    virtual ~EventLoop() = default;
    // Lets pending window messages run once (one pass of the event loop).
    virtual void do_events() = 0;
};

} // namespace kelvara

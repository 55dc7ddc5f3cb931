// An auto-reset event: one waiter wakes per signal.  The threaded timer's
// worker sleeps on one between ticks; on Windows it is the system's own
// event, which a timed wait costs one round trip of the Wine server.
#pragma once

#include <memory>

namespace vexil {

class TAutoResetEvent {
public:
    TAutoResetEvent();
    ~TAutoResetEvent();
    TAutoResetEvent(const TAutoResetEvent&) = delete;
    TAutoResetEvent& operator=(const TAutoResetEvent&) = delete;

    void Set();
    // Waits at most ms (a negative ms: without end); true when signalled,
    // which resets the event.
    bool Wait(int ms);

private:
    struct TImpl;
    std::unique_ptr<TImpl> impl_;
};

}  // namespace vexil

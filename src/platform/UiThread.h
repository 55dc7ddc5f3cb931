// How work done on other threads reaches the window's thread.
#pragma once

#include <functional>

namespace vexil {

class IUiThread {
public:
    virtual ~IUiThread() = default;
    // Queues call to run on the window's thread, in order; callable from
    // any thread.  Calls still queued when the window goes are dropped.
    virtual void Post(std::function<void()> call) = 0;
    // Runs the window's pending messages and queued calls once, on the
    // window's thread; a wait that must keep the window alive calls it.
    virtual void ProcessMessages() = 0;
    // Waits until a message or a queued call arrives, at most maxMs, and
    // runs what came: a wait on another thread that keeps the window alive
    // without spinning.
    virtual void WaitAndProcess(int maxMs) = 0;
};

}  // namespace vexil

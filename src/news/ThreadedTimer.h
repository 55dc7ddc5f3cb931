// A timer whose ticks come from a worker thread and run on the window's
// thread: the news ticker's, fine-grained (5 to 30 ms) where a window timer
// is too coarse.  The worker sleeps on an auto-reset event until a tick is
// due and queues it to the window's thread, but only when the last one has
// run, so ticks never pile up behind a busy window; the ticks keep to their
// rate, a late one is not made up for.
#pragma once

#include <condition_variable>
#include <functional>
#include <memory>
#include <mutex>
#include <thread>

#include "platform/UiThread.h"

namespace vexil {

class TThreadedTimer {
public:
    explicit TThreadedTimer(IUiThread& ui);
    // Ends the worker; a tick already queued does nothing.
    ~TThreadedTimer();
    TThreadedTimer(const TThreadedTimer&) = delete;
    TThreadedTimer& operator=(const TThreadedTimer&) = delete;

    bool Enabled() const;
    // On: the next tick comes one interval from now.  Off: no tick is
    // delivered until it is on again (a queued one is dropped).
    void SetEnabled(bool enabled);
    unsigned Interval() const;
    // A new interval turns the timer off; the owner turns it on again.  The
    // same value changes nothing.  0 never ticks.
    void SetInterval(unsigned ms);

    // Runs on the window's thread.
    std::function<void()> OnTimer;

    // Ticks delivered so far.
    long long Ticks() const;

private:
    struct TState;
    void Run();

    IUiThread& ui_;
    std::shared_ptr<TState> state_;
    std::thread worker_;
};

}  // namespace vexil

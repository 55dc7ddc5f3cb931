// A timer whose ticks come from a worker thread and run on the window's
// thread: the news ticker's, fine-grained (5 to 30 ms) where a window timer
// is too coarse.  The worker sleeps on an auto-reset event until ticks are
// due and queues them to the window's thread, but only when the last ones
// have run, so ticks never pile up behind a busy window; the ticks keep to
// their rate, late ones are not made up for.
//
// Ticks faster than a screen's frame (kMinWakeMs) come in runs: the worker
// wakes once a frame and the window runs the ticks of that frame one after
// the other, then AfterTicks once.  Each wake of the window's thread costs
// far more than a tick (under Wine, several round trips to its server), and
// a screen shows no more than its frames anyway.
#pragma once

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

    // The shortest time between two wakes of the window's thread.
    static constexpr unsigned kMinWakeMs = 15;
    // The ticks run at each wake: 1 for intervals of kMinWakeMs and more.
    static unsigned TicksPerWake(unsigned intervalMs);

    // Run on the window's thread: OnTimer for each tick, then AfterTicks
    // once for the ticks of one wake (when at least one ran).
    std::function<void()> OnTimer;
    std::function<void()> AfterTicks;

    // Ticks delivered so far, and the wakes that delivered them.
    long long Ticks() const;
    long long Wakes() const;

private:
    struct TState;
    void Run();

    IUiThread& ui_;
    std::shared_ptr<TState> state_;
    std::thread worker_;
};

}  // namespace vexil

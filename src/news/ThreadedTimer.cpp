// The threaded timer.
//
// The worker sleeps until the next wake is due, or until it is told that
// something changed (on, off, a new interval, the end).  The ticks of a due
// wake are queued to the window's thread with the generation they were due
// in, unless the last ones have not run yet.  A tick whose generation is old
// by the time it runs (the timer was switched off or on meanwhile, also by
// an earlier tick of the same wake) does nothing.  The state is shared with
// the queued ticks, so ticks that run after the timer went do nothing
// either.
#include "news/ThreadedTimer.h"

#include <algorithm>
#include <chrono>

#include "platform/WaitEvent.h"

namespace vexil {

using Clock = std::chrono::steady_clock;

struct TThreadedTimer::TState {
    std::mutex Lock;
    TAutoResetEvent Wake;  // something changed
    bool Enabled = false;
    unsigned Interval = 1000;
    bool Terminate = false;
    unsigned long long Generation = 0;  // bumped by every change
    bool TickPending = false;           // queued, not run yet
    long long Ticks = 0;
    long long Wakes = 0;
    bool Alive = true;                  // the timer still exists (window's thread only)
};

TThreadedTimer::TThreadedTimer(IUiThread& ui) : ui_(ui), state_(std::make_shared<TState>()) {
    worker_ = std::thread([this] { Run(); });
}

TThreadedTimer::~TThreadedTimer() {
    {
        std::lock_guard<std::mutex> lock(state_->Lock);
        state_->Terminate = true;
        state_->Alive = false;
        ++state_->Generation;
    }
    state_->Wake.Set();
    worker_.join();
}

bool TThreadedTimer::Enabled() const {
    std::lock_guard<std::mutex> lock(state_->Lock);
    return state_->Enabled;
}

void TThreadedTimer::SetEnabled(bool enabled) {
    {
        std::lock_guard<std::mutex> lock(state_->Lock);
        if (state_->Enabled == enabled) return;
        state_->Enabled = enabled;
        ++state_->Generation;
    }
    state_->Wake.Set();
}

unsigned TThreadedTimer::Interval() const {
    std::lock_guard<std::mutex> lock(state_->Lock);
    return state_->Interval;
}

void TThreadedTimer::SetInterval(unsigned ms) {
    {
        std::lock_guard<std::mutex> lock(state_->Lock);
        if (state_->Interval == ms) return;
        state_->Enabled = false;
        state_->Interval = ms;
        ++state_->Generation;
    }
    state_->Wake.Set();
}

long long TThreadedTimer::Ticks() const {
    std::lock_guard<std::mutex> lock(state_->Lock);
    return state_->Ticks;
}

long long TThreadedTimer::Wakes() const {
    std::lock_guard<std::mutex> lock(state_->Lock);
    return state_->Wakes;
}

unsigned TThreadedTimer::TicksPerWake(unsigned intervalMs) {
    if (intervalMs == 0 || intervalMs >= kMinWakeMs) return 1;
    return (kMinWakeMs + intervalMs - 1) / intervalMs;
}

void TThreadedTimer::Run() {
    const std::shared_ptr<TState> s = state_;
    std::unique_lock<std::mutex> lock(s->Lock);
    while (!s->Terminate) {
        if (!s->Enabled || s->Interval == 0) {
            lock.unlock();
            s->Wake.Wait(-1);
            lock.lock();
            continue;
        }
        // A run of wakes at a fixed rate, until something changes.
        const unsigned long long generation = s->Generation;
        const unsigned perWake = TicksPerWake(s->Interval);
        const auto interval = std::chrono::milliseconds(s->Interval * perWake);
        auto due = Clock::now() + interval;
        for (;;) {
            // The wait between wakes is on the event: one system wait
            // a wake (a condition's timed wait costs Wine several).
            lock.unlock();
            bool signalled = false;
            for (auto now = Clock::now(); now < due && !signalled; now = Clock::now()) {
                // Rounded up: a wait that ends a little early costs a second
                // one for the rest.
                const auto left = std::chrono::ceil<std::chrono::milliseconds>(due - now);
                signalled = s->Wake.Wait(static_cast<int>(std::max<long long>(left.count(), 1)));
            }
            lock.lock();
            if (s->Terminate || s->Generation != generation) break;
            if (signalled) continue;  // a signal of an older change: on to the due time
            // One wake at a time: while the window has not run the last
            // ticks, ticks that fall due are dropped rather than queued.
            // The worker does not wait for the window, which keeps a wake
            // to a sleep and a post.
            if (!s->TickPending) {
                s->TickPending = true;
                TThreadedTimer* timer = this;
                ui_.Post([s, timer, generation, perWake] {
                    {
                        std::lock_guard<std::mutex> guard(s->Lock);
                        s->TickPending = false;
                        if (s->Alive && s->Generation == generation && s->Enabled) ++s->Wakes;
                    }
                    bool ran = false;
                    for (unsigned i = 0; i < perWake; ++i) {
                        {
                            std::lock_guard<std::mutex> guard(s->Lock);
                            if (!s->Alive || s->Generation != generation || !s->Enabled) break;
                            ++s->Ticks;
                        }
                        ran = true;
                        if (timer->OnTimer) timer->OnTimer();
                    }
                    if (!ran) return;
                    {
                        std::lock_guard<std::mutex> guard(s->Lock);
                        if (!s->Alive) return;
                    }
                    if (timer->AfterTicks) timer->AfterTicks();
                });
            }
            // The next wake keeps the rate; one that is already late comes
            // an interval after now, not at once.
            due += interval;
            const auto now = Clock::now();
            if (due < now) due = now + interval;
        }
    }
}

}  // namespace vexil

// The clock of one blocking call of a transport, and the loop of a send or
// receive.
#include <thread>

#include "pop3/Transport.h"
#include "pop3/WireErrors.h"

namespace vexil {

TWaitClock::TWaitClock(const TWaitControl& wait)
    : wait_(wait),
      deadline_(std::chrono::steady_clock::now() +
                std::chrono::milliseconds(wait.TimeoutMs > 0 ? wait.TimeoutMs : 0)) {}

int TWaitClock::NextSlice() const {
    const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
                          deadline_ - std::chrono::steady_clock::now())
                          .count();
    if (left <= 0) throw EWireSocketError(kWsaTimedOut);
    const int slice = wait_.SliceMs > 0 ? wait_.SliceMs : 1;
    return left < slice ? static_cast<int>(left) : slice;
}

void TWaitClock::Pass() const {
    if (wait_.Idle) wait_.Idle();
    if (wait_.Abandoned && wait_.Abandoned()) throw EWireSocketError(kWsaNotConnected);
}

int BlockingTransfer(const TWaitControl& wait, const std::function<int()>& attempt,
                     const std::function<bool(int ms)>& waitReady,
                     const std::function<bool()>& closed) {
    const TWaitClock clock(wait);
    const auto pass = [&] {
        clock.Pass();
        if (closed()) throw EWireSocketError(kWsaNotConnected);  // closed from the idle hook
    };
    for (bool first = true;; first = false) {
        const int moved = attempt();
        if (moved != kWouldBlock) return moved;
        if (!first) {
            // Ready, and still nothing moved: a pass like any other, and a
            // breath, so that such a socket cannot keep the processor busy.
            std::this_thread::sleep_for(std::chrono::milliseconds(1));
            pass();
        }
        while (!waitReady(clock.NextSlice())) pass();
    }
}

}  // namespace vexil

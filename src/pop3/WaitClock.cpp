// The clock of one blocking call of a transport.
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

}  // namespace vexil

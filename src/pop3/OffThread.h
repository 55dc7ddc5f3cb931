// Blocking work off the caller's thread.  Some calls of the system cannot be
// made to wait in slices (a name lookup, the check of a certificate's chain,
// whose first run in a process loads the system's root store); they run on a
// thread of their own while the caller waits for them as every other
// blocking call waits: in slices with the owner's idle hook, never longer
// than the time-out, and no longer once the owner gives the call up.
#pragma once

#include <functional>
#include <memory>
#include <optional>
#include <type_traits>
#include <utility>

#include "pop3/Transport.h"
#include "pop3/WireErrors.h"

namespace vexil {

// The one wait of every job off the thread.  The worker takes job over and
// destroys it, with all it captured, on its own thread as soon as it has run,
// before the caller hears that it ended.  The call ends with the job (what
// the job throws comes back as thrown), with EWireSocketError timeoutError
// once the wait's time-out has run out, or with 10057 when the owner
// abandons the call from its idle hook.  Such jobs cannot be cancelled, so
// the worker may outlive the call: it then ends on its own and its outcome
// is dropped.  job must therefore own everything it uses.
void RunJobOffThread(std::function<void()> job, const TWaitControl& wait, int timeoutError);

// The same for a job with a result: returns what job returned.
template <typename Job>
auto RunOffThread(Job job, const TWaitControl& wait, int timeoutError = kWsaTimedOut) {
    using TResult = decltype(job());
    if constexpr (std::is_void_v<TResult>) {
        RunJobOffThread(std::move(job), wait, timeoutError);
    } else {
        // Shared, so that a worker that outlives the wait still has somewhere
        // to put its answer.
        auto result = std::make_shared<std::optional<TResult>>();
        RunJobOffThread([job = std::move(job), result]() mutable { result->emplace(job()); }, wait,
                        timeoutError);
        return std::move(**result);
    }
}

}  // namespace vexil

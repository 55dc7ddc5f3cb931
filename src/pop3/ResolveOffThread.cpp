// Name lookups off the caller's thread.  The platform resolvers block, some
// for tens of seconds when a name server does not answer; the line client's
// owner is a window that must stay alive meanwhile.
#include <chrono>
#include <condition_variable>
#include <exception>
#include <memory>
#include <mutex>
#include <thread>

#include "pop3/Transport.h"
#include "pop3/WireErrors.h"

namespace vexil {

namespace {

constexpr int kWsaTryAgain = 11002;

// What the worker hands back.  Shared, so that a worker that outlives the
// wait still has somewhere to put its answer.
struct TLookup {
    std::mutex Mutex;
    std::condition_variable Done;
    bool Finished = false;
    std::uint32_t Address = 0;
    std::exception_ptr Error;
};

}  // namespace

std::uint32_t ResolveOffThread(const TBlockingResolver& resolve, const std::string& host,
                               const TWaitControl& wait) {
    const TWaitClock clock(wait);
    auto lookup = std::make_shared<TLookup>();
    std::thread([lookup, resolve, host] {
        std::uint32_t address = 0;
        std::exception_ptr error;
        try {
            address = resolve(host);
        } catch (...) {
            error = std::current_exception();
        }
        std::lock_guard<std::mutex> lock(lookup->Mutex);
        lookup->Address = address;
        lookup->Error = error;
        lookup->Finished = true;
        lookup->Done.notify_all();
    }).detach();

    for (;;) {
        int slice;
        try {
            slice = clock.NextSlice();
        } catch (const EWireSocketError&) {
            throw EWireSocketError(kWsaTryAgain);  // the lookup's own time-out
        }
        {
            std::unique_lock<std::mutex> lock(lookup->Mutex);
            lookup->Done.wait_for(lock, std::chrono::milliseconds(slice),
                                  [&] { return lookup->Finished; });
            if (lookup->Finished) {
                if (lookup->Error) std::rethrow_exception(lookup->Error);
                return lookup->Address;
            }
        }
        clock.Pass();
    }
}

}  // namespace vexil

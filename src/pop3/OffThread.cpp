// Jobs off the caller's thread, and the name lookup that runs as one.  The
// platform resolvers block, some for tens of seconds when a name server does
// not answer; the line client's owner is a window that must stay alive
// meanwhile.
#include "pop3/OffThread.h"

#include <chrono>
#include <condition_variable>
#include <exception>
#include <mutex>
#include <thread>

namespace vexil {

namespace {

constexpr int kWsaTryAgain = 11002;

// How a job ended.  Shared, so that a worker that outlives the wait still
// has somewhere to put it.
struct TJobEnd {
    std::mutex Mutex;
    std::condition_variable Done;
    bool Finished = false;
    std::exception_ptr Error;
};

}  // namespace

void RunJobOffThread(std::function<void()> job, const TWaitControl& wait, int timeoutError) {
    const TWaitClock clock(wait);
    auto end = std::make_shared<TJobEnd>();
    std::thread([end, job = std::move(job)]() mutable {
        std::exception_ptr error;
        try {
            job();
        } catch (...) {
            error = std::current_exception();
        }
        // What the job holds is let go here, on the worker, whether or not
        // anyone still waits for it.
        job = nullptr;
        std::lock_guard<std::mutex> lock(end->Mutex);
        end->Error = std::move(error);
        end->Finished = true;
        end->Done.notify_all();
    }).detach();

    for (;;) {
        int slice;
        try {
            slice = clock.NextSlice();
        } catch (const EWireSocketError&) {
            throw EWireSocketError(timeoutError);
        }
        std::unique_lock<std::mutex> lock(end->Mutex);
        if (end->Done.wait_for(lock, std::chrono::milliseconds(slice), [&] { return end->Finished; })) {
            // The error becomes ours alone, so that it ends on this thread
            // whenever the worker lets go of the rest.
            const std::exception_ptr error = std::move(end->Error);
            lock.unlock();
            if (error) std::rethrow_exception(error);
            return;
        }
        lock.unlock();
        clock.Pass();
    }
}

std::uint32_t ResolveOffThread(const TBlockingResolver& resolve, const std::string& host,
                               const TWaitControl& wait) {
    // A resolver that does not answer in time is a name server that did not.
    return RunOffThread([resolve, host] { return resolve(host); }, wait, kWsaTryAgain);
}

}  // namespace vexil

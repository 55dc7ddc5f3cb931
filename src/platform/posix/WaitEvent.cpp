// The auto-reset event on POSIX threads.
#include "platform/WaitEvent.h"

#include <chrono>
#include <condition_variable>
#include <mutex>

namespace vexil {

struct TAutoResetEvent::TImpl {
    std::mutex Lock;
    std::condition_variable Signal;
    bool Set = false;
};

TAutoResetEvent::TAutoResetEvent() : impl_(std::make_unique<TImpl>()) {}
TAutoResetEvent::~TAutoResetEvent() = default;

void TAutoResetEvent::Set() {
    {
        std::lock_guard<std::mutex> lock(impl_->Lock);
        impl_->Set = true;
    }
    impl_->Signal.notify_one();
}

bool TAutoResetEvent::Wait(int ms) {
    std::unique_lock<std::mutex> lock(impl_->Lock);
    if (ms < 0)
        impl_->Signal.wait(lock, [&] { return impl_->Set; });
    else if (!impl_->Signal.wait_for(lock, std::chrono::milliseconds(ms), [&] { return impl_->Set; }))
        return false;
    impl_->Set = false;
    return true;
}

}  // namespace vexil

// The auto-reset event of the Windows program: the system's own.
#include <windows.h>

#include "platform/WaitEvent.h"

namespace vexil {

struct TAutoResetEvent::TImpl {
    HANDLE Event = CreateEventA(nullptr, FALSE, FALSE, nullptr);
    ~TImpl() {
        if (Event) CloseHandle(Event);
    }
};

TAutoResetEvent::TAutoResetEvent() : impl_(std::make_unique<TImpl>()) {}
TAutoResetEvent::~TAutoResetEvent() = default;

void TAutoResetEvent::Set() { SetEvent(impl_->Event); }

bool TAutoResetEvent::Wait(int ms) {
    return WaitForSingleObject(impl_->Event, ms < 0 ? INFINITE : static_cast<DWORD>(ms)) ==
           WAIT_OBJECT_0;
}

}  // namespace vexil

// The ticks the news ticker's threaded timer actually delivers at each
// speed, through a window's message queue as in the program: ticks per
// second against 1000 / interval, 5 seconds each (or as many as the first
// argument says).
#include <windows.h>

#include <mmsystem.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <deque>
#include <functional>
#include <mutex>

#include "news/ThreadedTimer.h"

namespace {

constexpr UINT kRunQueued = WM_APP + 1;

// The window's thread as the program has it: calls queued by other threads,
// run when the window's doorbell message comes.
class TWindowThread : public vexil::IUiThread {
public:
    TWindowThread() {
        WNDCLASSA wc{};
        wc.lpfnWndProc = &Proc;
        wc.hInstance = GetModuleHandleA(nullptr);
        wc.lpszClassName = "VexilTickerRate";
        RegisterClassA(&wc);
        hwnd_ = CreateWindowExA(0, wc.lpszClassName, "", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr,
                                wc.hInstance, nullptr);
        SetWindowLongPtrA(hwnd_, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(this));
    }
    void Post(std::function<void()> call) override {
        std::lock_guard<std::mutex> lock(lock_);
        queue_.push_back(std::move(call));
        if (!rung_) rung_ = PostMessageA(hwnd_, kRunQueued, 0, 0) != FALSE;
    }
    void ProcessMessages() override {
        MSG msg;
        while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) DispatchMessageA(&msg);
    }
    void WaitAndProcess(int maxMs) override {
        MsgWaitForMultipleObjects(0, nullptr, FALSE, static_cast<DWORD>(maxMs), QS_ALLINPUT);
        ProcessMessages();
    }

private:
    static LRESULT CALLBACK Proc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp) {
        auto* self = reinterpret_cast<TWindowThread*>(GetWindowLongPtrA(hwnd, GWLP_USERDATA));
        if (msg == kRunQueued && self) {
            std::deque<std::function<void()>> calls;
            {
                std::lock_guard<std::mutex> lock(self->lock_);
                calls.swap(self->queue_);
                self->rung_ = false;
            }
            for (auto& call : calls) call();
            return 0;
        }
        return DefWindowProcA(hwnd, msg, wp, lp);
    }
    HWND hwnd_ = nullptr;
    std::mutex lock_;
    std::deque<std::function<void()>> queue_;
    bool rung_ = false;
};

}  // namespace

int main(int argc, char** argv) {
    const int seconds = argc > 1 ? std::atoi(argv[1]) : 5;
    timeBeginPeriod(1);  // as the program does
    TWindowThread ui;
    std::printf("%-8s %10s %12s %10s %8s %10s\n", "speed", "interval", "ticks/s", "goal", "ratio",
                "wakes/s");
    const struct {
        const char* name;
        unsigned ms;
    } speeds[] = {{"slow", 30}, {"normal", 15}, {"fast", 5}};
    for (const auto& s : speeds) {
        vexil::TThreadedTimer timer(ui);
        long long ticks = 0;
        timer.OnTimer = [&] { ++ticks; };
        timer.SetInterval(s.ms);
        timer.SetEnabled(true);
        const auto start = std::chrono::steady_clock::now();
        const auto end = start + std::chrono::seconds(seconds);
        while (std::chrono::steady_clock::now() < end) ui.WaitAndProcess(20);
        const double seconds =
            std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
        timer.SetEnabled(false);
        const double rate = static_cast<double>(ticks) / seconds;
        const double goal = 1000.0 / s.ms;
        const double wakes = static_cast<double>(timer.Wakes()) / seconds;
        std::printf("%-8s %8u ms %12.1f %10.1f %8.3f %10.1f\n", s.name, s.ms, rate, goal,
                    rate / goal, wakes);
    }
    return 0;
}

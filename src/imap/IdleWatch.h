// One IMAP account watched through IDLE: a connection of its own on a thread
// of its own waits for the server's news, so new mail is known the moment it
// arrives instead of at the next tick.  What it learns reaches the window's
// thread through IUiThread; the window never waits for it.
#pragma once

#include <atomic>
#include <condition_variable>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <thread>

#include "imap/WireIMAP.h"
#include "mail/Mailbox.h"
#include "platform/UiThread.h"

namespace vexil {

// What a watch tells, always on the window's thread.
struct TIdleEvents {
    // The mailbox changed (new mail, a message gone or flagged): check it.
    std::function<void()> Changed;
    // The watch idles now (true), or it does not (false: not yet, dropped,
    // or the server has no IDLE).
    std::function<void(bool idling)> Idling;
    // The connection dropped: the text for the account's status line
    // ("connection lost, trying again in 4 s").
    std::function<void(const std::string& text)> Dropped;
    // An account on automatic security logged in over TLS: what it needs
    // from now on.
    std::function<void(TSecurity security)> Secured;
    // The server offers no IDLE: the watch has ended; the timer checks the
    // account.
    std::function<void()> NoIdle;
};

struct TIdleTiming {
    int RenewMs = 28 * 60 * 1000;  // before the 29 minutes servers allow
    int FirstRetryMs = 1000;       // a drop retries after this, doubling
    int MaxRetryMs = 5 * 60 * 1000;
    int SliceMs = 250;             // how often the thread looks at a stop
};

class TIdleWatch {
public:
    using TSessionFactory = std::function<std::unique_ptr<TWireIMAP>()>;

    // Starts watching at once.
    TIdleWatch(const TMailServer& server, TSessionFactory makeSession, IUiThread& ui,
               TIdleEvents events, TIdleTiming timing = {});
    // Stop, then waits for the thread.
    ~TIdleWatch();
    TIdleWatch(const TIdleWatch&) = delete;
    TIdleWatch& operator=(const TIdleWatch&) = delete;

    // Ends the watch: DONE and LOGOUT on an idling connection, a connect or
    // login in progress given up.  Returns at once; the thread ends within
    // about SliceMs (its goodbye is not waited for).
    void Stop();

private:
    struct TShared;
    void Run();
    bool Stopping() const;
    // Waits ms or until Stop; false when stopped.
    bool Pause(int ms);
    void Post(std::function<void()> call);

    TMailServer server_;
    TSessionFactory makeSession_;
    IUiThread& ui_;
    TIdleTiming timing_;
    // Shared with the calls posted to the window: a call that runs after the
    // watch went does nothing.
    std::shared_ptr<TShared> shared_;
    std::atomic<bool> changedPending_{false};
    std::mutex lock_;
    std::condition_variable wake_;
    std::thread thread_;
};

}  // namespace vexil

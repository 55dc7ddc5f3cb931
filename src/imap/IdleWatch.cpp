// The IDLE watch's thread: connect, IDLE, renew, and after a drop the same
// again with a growing pause.
#include "imap/IdleWatch.h"

#include <algorithm>
#include <exception>
#include <utility>

namespace vexil {

struct TIdleWatch::TShared {
    std::mutex Lock;
    bool Gone = false;   // the watch stopped: posted calls do nothing
    TIdleEvents Events;  // read on the window's thread only
};

TIdleWatch::TIdleWatch(const TMailServer& server, TSessionFactory makeSession, IUiThread& ui,
                       TIdleEvents events, TIdleTiming timing)
    : server_(server),
      makeSession_(std::move(makeSession)),
      ui_(ui),
      timing_(timing),
      shared_(std::make_shared<TShared>()) {
    shared_->Events = std::move(events);
    thread_ = std::thread([this] { Run(); });
}

TIdleWatch::~TIdleWatch() {
    Stop();
    if (thread_.joinable()) thread_.join();
}

void TIdleWatch::Stop() {
    {
        std::lock_guard<std::mutex> guard(shared_->Lock);
        shared_->Gone = true;
    }
    std::lock_guard<std::mutex> guard(lock_);
    wake_.notify_all();
}

bool TIdleWatch::Stopping() const {
    std::lock_guard<std::mutex> guard(shared_->Lock);
    return shared_->Gone;
}

bool TIdleWatch::Pause(int ms) {
    std::unique_lock<std::mutex> guard(lock_);
    wake_.wait_for(guard, std::chrono::milliseconds(ms), [this] { return Stopping(); });
    return !Stopping();
}

void TIdleWatch::Post(std::function<void()> call) {
    std::shared_ptr<TShared> shared = shared_;
    ui_.Post([shared, call = std::move(call)] {
        {
            std::lock_guard<std::mutex> guard(shared->Lock);
            if (shared->Gone) return;
        }
        call();
    });
}

void TIdleWatch::Run() {
    TIdleEvents* events = &shared_->Events;  // touched on the window's thread only
    int retryMs = timing_.FirstRetryMs;
    while (!Stopping()) {
        std::unique_ptr<TWireIMAP> session = makeSession_();
        session->SetServer(server_);
        session->SliceMs = timing_.SliceMs;
        TWireIMAP* s = session.get();
        // A stop during a connect, a login or a renewal gives the call up.
        session->OnIdle = [this, s] {
            if (Stopping()) s->CloseSocket();
        };
        try {
            session->Connect();
            if (server_.Security == TSecurity::Auto && session->Secure()) {
                const TSecurity now = session->SecuredAs();
                server_.Security = now;
                Post([events, now] {
                    if (events->Secured) events->Secured(now);
                });
            }
            if (!session->Offers("IDLE")) {
                session->Disconnect();
                Post([events] {
                    if (events->NoIdle) events->NoIdle();
                });
                return;
            }
            retryMs = timing_.FirstRetryMs;
            const auto stop = [this] { return Stopping(); };
            const auto changed = [this, events] {
                // One check for a burst of news.
                if (changedPending_.exchange(true)) return;
                Post([this, events] {
                    changedPending_ = false;
                    if (events->Changed) events->Changed();
                });
            };
            // Once idling, the account is checked: what came between its
            // last check (or the drop) and now is known only that way.
            bool first = true;
            const auto started = [&] {
                if (!first) return;
                first = false;
                Post([events] {
                    if (events->Idling) events->Idling(true);
                });
                changed();
            };
            while (!Stopping()) session->Idle(timing_.RenewMs, stop, changed, started);
            session->Disconnect();  // LOGOUT, not waited for
            return;
        } catch (const std::exception&) {
            session->CloseSocket();
        }
        if (Stopping()) return;
        const int seconds = std::max(1, retryMs / 1000);
        Post([events, seconds] {
            if (events->Idling) events->Idling(false);
            if (events->Dropped)
                events->Dropped("connection lost, trying again in " + std::to_string(seconds) + " s");
        });
        if (!Pause(retryMs)) return;
        retryMs = std::min(retryMs * 2, timing_.MaxRetryMs);
    }
}

}  // namespace vexil

// The IMAP accounts kept up to date by IDLE while online: a watch for each
// active IMAP account, started when the program goes online and stopped when
// it goes offline, ends or reloads its accounts.  A watch's news checks its
// account at once; the timer passes idling accounts by.
#include "app/Vexil.h"

namespace vexil {

void TVexil::SyncWatches() {
    if (!cycle_.IsOnline() || cycle_.Closed()) {
        StopWatches();
        return;
    }
    if (watching_) return;
    watching_ = true;
    for (int i = 1; i <= accounts_.AccountCount; ++i) {
        const TPOPAcc& a = accounts_[i];
        if (a.AccInactive || a.AccProtocol != TProtocol::Imap) continue;
        const std::string name = a.AccName;
        TIdleEvents events;
        // While the message window or the settings dialog holds a session
        // or the accounts, the check waits for them.
        events.Changed = [this, i] {
            if (configOpen_ || msgOpen_)
                cycle_.DeferWatchedCheck(i);
            else
                cycle_.CheckWatchedAccount(i);
        };
        events.Idling = [this, i](bool idling) { cycle_.SetWatched(i, idling); };
        events.Dropped = [this, name](const std::string& text) {
            if (!cycle_.Busy()) display_.ShowStatus(name + " " + text);
        };
        events.Secured = [this, i](TSecurity security) {
            if (i <= accounts_.AccountCount && accounts_[i].AccSecurity == TSecurity::Auto)
                AccountSecured(i, security);
        };
        watches_.push_back(std::make_unique<TIdleWatch>(
            TMailServer{a.AccHost, a.AccPort, a.AccUser, a.AccPassword, a.AccSecurity}, idleSessions_,
            view_.UiThread(), std::move(events), idleTiming_));
    }
}

void TVexil::StopWatches() {
    // Told all at once, so that their goodbyes overlap; then each thread is
    // waited for (each ends within a slice of its wait).
    for (const auto& watch : watches_) watch->Stop();
    watches_.clear();
    cycle_.ForgetWatched();
    watching_ = false;
}

}  // namespace vexil

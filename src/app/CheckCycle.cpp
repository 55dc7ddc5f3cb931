// The mail check cycle: going online and offline, and the check of one
// account per tick.
#include "app/CheckCycle.h"

#include <climits>
#include <exception>

#include "base/Text.h"

namespace vexil {

namespace {

const char* const kNoValidAccount = "No valid account ! Please create/activate one!";
const char* const kPopConnectionFailed = "POP Connection failed. Check you account";
const char* const kDialFailed = "Check your modem. DUN connection failed to ";

}  // namespace

int CheckIntervalFor(int minutes) {
    if (minutes <= 0) return 0;
    const long long ms = static_cast<long long>(minutes) * 60000;
    return ms > INT_MAX ? INT_MAX : static_cast<int>(ms);
}

// A command that talks to the network, for as long as it runs: refused (and
// nothing changed) while another runs or after the program closed; on its way
// out a state it left busy falls back to online or offline, also when an
// error escapes it.
class TCheckCycle::TCommand {
public:
    TCommand(TCheckCycle& cycle, TState running) : cycle_(cycle) {
        started_ = !cycle.Busy() && !cycle.Closed();
        if (started_) cycle.SetState(running);
    }
    ~TCommand() {
        if (!started_) return;
        switch (cycle_.state_) {
            case TState::Connecting:
            case TState::Ending: cycle_.SetState(TState::Offline); break;
            case TState::Checking: cycle_.SetState(TState::Online); break;
            default: break;
        }
    }
    TCommand(const TCommand&) = delete;
    TCommand& operator=(const TCommand&) = delete;
    bool Started() const { return started_; }

private:
    TCheckCycle& cycle_;
    bool started_;
};

TCheckCycle::TCheckCycle(TMailboxes mailboxes, TWireMessage& msg, TRASControl& rasc,
                         TSettings& settings, const TAccountTable& accounts, ICheckView& view)
    : mailboxes_(mailboxes), current_(&mailboxes.For(TProtocol::Pop3)), msg_(msg), rasc_(rasc), settings_(settings), accounts_(accounts), view_(view) {}

void TCheckCycle::AccountsLoaded(const TCurrentAccount& current) {
    hasValidAccount_ = current.HasValidAccount;
    accountIndex_ = current.AccountIndex;
    if (current.HasValidAccount) {
        firstActiveAccount_ = current.FirstActiveAccount;
        PutAccountIntoPOP(accountIndex_);
    }
}

std::string TCheckCycle::AccountName() const {
    // No current account (none active: AccountIndex is AccountCount + 1)
    // has no name.
    if (accountIndex_ < 1 || accountIndex_ > accounts_.AccountCount) return std::string();
    return accounts_[accountIndex_].AccName;
}

void TCheckCycle::PutAccountIntoPOP(int index) {
    const TPOPAcc& a = accounts_[index];
    server_ = TMailServer{a.AccHost, a.AccPort, a.AccUser, a.AccPassword, a.AccSecurity};
    IMailbox& next = mailboxes_.For(a.AccProtocol);
    // The other protocol's session of the account before says goodbye.
    if (&next != current_ && current_->Connected()) {
        try {
            current_->Disconnect();
        } catch (const std::exception&) {
        }
    }
    current_ = &next;
    current_->SetServer(server_);
}

// --- Going online and offline ---

void TCheckCycle::ConnectClick() {
    if (Busy() || Closed()) return;
    if (hasValidAccount_)
        GoOnline();
    else
        view_.ShowMessage(kNoValidAccount);
}

void TCheckCycle::GoOnline() {
    Connect();
    RunPendingCheck();  // news that came while going online
}

void TCheckCycle::Connect() {
    const bool wasOnline = IsOnline();
    TCommand command(*this, TState::Connecting);
    if (!command.Started()) return;
    TTimersStopped timers(view_, *this);
    if (current_->Connected()) current_->Disconnect();
    if (settings_.RAS_connect) {
        Dial(wasOnline);
        if (Abandoned()) return;
    }
    securityFailure_.clear();
    try {
        current_->Connect();
    } catch (const ETlsError& e) {
        securityFailure_ = e.what();
        if (!Abandoned()) view_.ShowMessage(kPopConnectionFailed);
    } catch (const std::exception&) {
        if (!Abandoned()) view_.ShowMessage(kPopConnectionFailed);
    }
    if (Abandoned()) {  // Disconnect, or the window closed, while the server answered
        current_->CloseSocket();
        return;
    }
    if (current_->Connected()) {
        SetState(TState::Checking);
        NoteLogin();
    }
    memory_.Forget();
    msgCount_ = 0;
    view_.SetStatusText("Connected");
    view_.ShowOnlineState();
    CheckNow(false);
    // Offline again: the status line still says why the server was not used.
    if (!IsOnline() && !securityFailure_.empty() && !Abandoned())
        view_.ShowStatus(AccountName() + " " + securityFailure_);
    checkIntervalMs_ = CheckIntervalFor(settings_.minutes);
    if (IsOnline() && !Abandoned()) view_.NewsAfterConnect();
}

// Dials the chosen entry (the first one when the setting points past the
// list, or before it) unless the program is online already.
void TCheckCycle::Dial(bool wasOnline) {
    const int count = static_cast<int>(rasc_.Entries.size());
    if (settings_.RAS_num < 0 || settings_.RAS_num >= count) settings_.RAS_num = 0;
    if (count == 0) {
        // No dial-up entry at all: nothing to dial; say so and still try the
        // mail server, as after a failed dial.
        view_.ShowMessage(kDialFailed);
        return;
    }
    const std::string entry = rasc_.Entries[static_cast<size_t>(settings_.RAS_num)];
    view_.DrawStatus("Connecting to " + entry);
    view_.ProcessMessages();
    if (Abandoned() || wasOnline) return;
    try {
        rasc_.Dial(settings_.RAS_num);
    } catch (const std::exception&) {
        view_.ShowMessage(kDialFailed + entry);
    }
}

void TCheckCycle::DisconnectClick() {
    // Also while going online: the attempt ends there.
    if (!IsOnline() && state_ != TState::Connecting) return;
    const bool running = Busy();
    view_.StopTimers();
    msg_.Clear();
    memory_.Forget();
    msgCount_ = 0;
    SetState(running ? TState::Ending : TState::Offline);
    view_.ShowOnlineState();
    HangUp();
    current_->CloseSocket();
}

// Hangs up what this program dialled, and nothing else; a line that dropped
// by itself is only released.
void TCheckCycle::HangUp() {
    const int entry = rasc_.DialledEntry();
    if (entry < 0 || !rasc_.DialledLineUp()) {
        rasc_.ReleaseDial();
        return;
    }
    try {
        rasc_.HangUp(entry);
    } catch (const std::exception& e) {
        view_.ReportError(e.what());
    }
}

void TCheckCycle::Close() {
    const bool running = Busy();
    SetState(TState::Closed);
    if (running) current_->CloseSocket();  // the waiting command gives up at once
}

// --- The check of one account ---

void TCheckCycle::CheckAccount(bool Advance) {
    if (Busy() || Closed()) return;
    if (!IsOnline()) {
        view_.ShowOnlineState();
        return;
    }
    {
        TCommand command(*this, TState::Checking);
        CheckNow(Advance);
    }
    RunPendingCheck();
}

void TCheckCycle::TimerCheck() {
    if (Busy() || Closed()) return;
    if (!IsOnline()) {
        view_.ShowOnlineState();
        return;
    }
    if (AllActiveWatched()) return;
    {
        TCommand command(*this, TState::Checking);
        if (!AdvanceAccount(true)) {
            view_.ShowStatus("No active account");
            return;
        }
        PutAccountIntoPOP(accountIndex_);
        CheckNow(false, true);
    }
    RunPendingCheck();
}

void TCheckCycle::SetWatched(int index, bool watched) {
    if (watched)
        watched_.insert(index);
    else
        watched_.erase(index);
}

bool TCheckCycle::AllActiveWatched() const {
    if (watched_.empty()) return false;
    for (int i = 1; i <= accounts_.AccountCount; ++i)
        if (!accounts_[i].AccInactive && watched_.count(i) == 0) return false;
    return true;
}

void TCheckCycle::CheckWatchedAccount(int index) {
    if (Closed() || !IsOnline() || index < 1 || index > accounts_.AccountCount) return;
    if (Busy()) {
        pendingCheck_ = index;
        return;
    }
    {
        TCommand command(*this, TState::Checking);
        accountIndex_ = index;
        PutAccountIntoPOP(index);
        CheckNow(false, true);
    }
    RunPendingCheck();
}

// News that came while another command ran: checked now, once.
void TCheckCycle::RunPendingCheck() {
    const int index = pendingCheck_;
    pendingCheck_ = 0;
    if (index > 0) CheckWatchedAccount(index);
}

void TCheckCycle::CheckChosenAccount(int tag) {
    if (Busy() || Closed() || !IsOnline()) return;
    if (tag < 0 || tag >= accounts_.AccountCount) return;
    // The advance of the check moves on by one, onto the chosen account.
    accountIndex_ = tag;
    CheckAccount(true);
}

void TCheckCycle::CheckNow(bool Advance, bool connect) {
    if (!IsOnline()) {
        view_.ShowOnlineState();
        return;
    }
    if (Advance) {
        if (!AdvanceAccount()) {
            view_.ShowStatus("No active account");
            return;
        }
        PutAccountIntoPOP(accountIndex_);
    }
    bool failed = false;
    const int count = FetchCount(Advance || connect, failed);
    // Disconnect was pressed (or the window closed) while the server was
    // answering: the display already says so, and this check is over.
    if (Abandoned()) {
        current_->CloseSocket();
        return;
    }
    if (securityFailure_.empty())
        ShowResult(count, failed);
    else
        ShowSecurityFailure();
    if (failed && settings_.RAS_connect) LeaveIfLineDropped();
}

// Finds the next active account after AccountIndex, wrapping round; with one
// stored account that account is used even when inactive.  False when every
// one of several accounts is inactive.
bool TCheckCycle::AdvanceAccount(bool passWatched) {
    const int count = accounts_.AccountCount;
    if (count < 1) return false;
    if (count == 1) {
        accountIndex_ = 1;
        return !(passWatched && watched_.count(1));
    }
    for (int step = 0; step < count; ++step) {
        accountIndex_ = accountIndex_ >= count || accountIndex_ < 1 ? 1 : accountIndex_ + 1;
        if (!accounts_[accountIndex_].AccInactive && !(passWatched && watched_.count(accountIndex_)))
            return true;
    }
    return false;
}

// Connects when asked (else the caller's connection is used), counts the
// listing's lines and says goodbye.  A failed connect counts nothing; the
// listing's own failures are the client's status texts and a short count.
int TCheckCycle::FetchCount(bool connect, bool& failed) {
    if (connect) {
        securityFailure_.clear();
        try {
            current_->Connect();
            NoteLogin();
        } catch (const ETlsError& e) {
            securityFailure_ = e.what();
            failed = true;
        } catch (const std::exception&) {
            failed = true;
        }
    }
    if (Abandoned()) return 0;
    // A server that could not be trusted is asked nothing more.
    if (!securityFailure_.empty()) {
        failed = true;
        return msgCount_;
    }
    int count = msgCount_;
    try {
        count = current_->CheckMessages(&ids_);
        // A listing cut off is no count: it fails as a connection that
        // failed does, and the mail memory keeps the last good listing.
        if (!current_->ListingComplete()) {
            failed = true;
            count = 0;
        }
    } catch (const std::exception&) {
        failed = true;
    }
    if (!failed) {
        try {
            current_->Disconnect();
        } catch (const std::exception&) {
        }
    }
    return count;
}

void TCheckCycle::ShowResult(int count, bool failed) {
    msgCount_ = count;
    const std::string name = AccountName();
    // The count's hint lists the round: it starts afresh with the first
    // active account, and never holds more lines than there are accounts.
    if (accountIndex_ == firstActiveAccount_) round_.clear();
    if (round_.size() >= static_cast<size_t>(kMaxAccounts)) round_.erase(round_.begin());
    const bool notEncrypted = !failed && !loginSecure_;
    round_.push_back(name + " : " + std::to_string(count) + (notEncrypted ? " (not encrypted)" : ""));

    TCheckResult result;
    result.Account = name;
    result.Count = count;
    result.Failed = failed;
    result.NotEncrypted = notEncrypted;
    result.News = memory_.Record(name, count, failed, &ids_);
    for (const std::string& line : round_) {
        if (!result.CountHint.empty()) result.CountHint += '\r';
        result.CountHint += line;
    }
    view_.ShowCheckResult(result);
}

void TCheckCycle::SettingsLoaded() { checkIntervalMs_ = CheckIntervalFor(settings_.minutes); }

void TCheckCycle::NoteLogin() {
    loginSecure_ = current_->Secure();
    if (!loginSecure_ || accountIndex_ < 1 || accountIndex_ > accounts_.AccountCount) return;
    if (accounts_[accountIndex_].AccSecurity != TSecurity::Auto) return;
    // What automatic security did this time is what the account needs now:
    // TLS from the first byte, else the protocol's STARTTLS.
    const TSecurity now = current_->SecuredAs();
    server_.Security = now;
    current_->SetServer(server_);
    view_.AccountSecured(accountIndex_, now);
}

// The reason goes on the status line; what the account showed before stays,
// since nothing was learnt about its mailbox.
void TCheckCycle::ShowSecurityFailure() {
    TCheckResult result;
    result.Account = AccountName();
    result.Count = msgCount_;
    result.Failed = true;
    result.SecurityFailure = securityFailure_;
    view_.ShowCheckResult(result);
}

// A failed check with dial-up: is the line still up?  If not, the program
// goes offline, and a line this program dialled is released so that the next
// Connect can dial again.
void TCheckCycle::LeaveIfLineDropped() {
    const int entry = settings_.RAS_num;
    if (entry < 0 || entry >= static_cast<int>(rasc_.Entries.size())) return;
    TRasConnStatus status;
    try {
        rasc_.GetConnectStatus(rasc_.Entries[static_cast<size_t>(entry)], status);
    } catch (const std::exception&) {
        status.State = kRasDisconnected;
    }
    if (status.State == kRasConnected) return;
    if (!rasc_.DialledLineUp()) rasc_.ReleaseDial();
    SetState(TState::Ending);
    view_.StopTimers();
    view_.ShowOnlineState();
}

void TCheckCycle::POPStatus(const std::string& status) {
    if (Abandoned()) return;
    view_.DrawStatus(AccountName() + " " + Trim(status));
    view_.ProcessMessages();
    if (!Abandoned()) view_.SetStatusText(status);
}

}  // namespace vexil

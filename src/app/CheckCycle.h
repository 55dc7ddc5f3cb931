// The mail check cycle: going online and offline (dialling and hanging up
// around it), the check of one account per tick, and the new-mail decision.
// It owns the cycle's state and reaches the main window only through
// ICheckView, so it is driven in tests against a real server with no window.
#pragma once

#include <set>
#include <string>
#include <vector>

#include "app/NewMail.h"
#include "config/Accounts.h"
#include "config/Settings.h"
#include "dialup/RASControl.h"
#include "mail/Mailbox.h"
#include "pop3/UniqueIds.h"
#include "pop3/WireMessage.h"

namespace vexil {

// What a check found, as the main window shows it.
struct TCheckResult {
    std::string Account;     // the account's name
    int Count = 0;           // messages waiting (0 when the check failed)
    bool Failed = false;     // the server could not be reached or refused the login
    // A secure connection could not be had or trusted: the reason ("Certificate
    // expired"), shown after the account's name.  The count, picture and new
    // mail memory stay as they were.
    std::string SecurityFailure;
    TMailNews News;          // mail waiting, new mail
    std::string CountHint;   // the round so far: "name : count" per account, CR between
    // The check logged in over a connection without TLS: the password went
    // in the clear, which the window says.
    bool NotEncrypted = false;
};

// What the check cycle asks of the main window.
class ICheckView {
public:
    virtual ~ICheckView() = default;
    // The status line.  ShowStatus makes text the status text, draws it and
    // holds it on view a while (an outcome, like a result); DrawStatus only
    // draws (the client's progress, "Connecting to ..."), and SetStatusText
    // only keeps.
    virtual void ShowStatus(const std::string& text) = 0;
    virtual void DrawStatus(const std::string& text) = 0;
    virtual void SetStatusText(const std::string& text) = 0;
    // One account's result: status text, count, mail picture, tray icon and,
    // for new mail, the window shown and the sound played.
    virtual void ShowCheckResult(const TCheckResult& result) = 0;
    // The online or offline state, with the count now in force.
    virtual void ShowOnlineState() = 0;
    virtual void ShowMessage(const std::string& text) = 0;
    // The general error report.
    virtual void ReportError(const std::string& text) = 0;
    // Runs the window's pending messages (clicks, paints, ticks).
    virtual void ProcessMessages() = 0;
    virtual void StopTimers() = 0;
    virtual void ResumeTimers() = 0;
    // Online after going online: the news sources and the news come again,
    // and the periodic news refresh counts from 0.
    virtual void NewsAfterConnect() = 0;
    // An account on automatic security logged in over TLS: from now on it
    // needs TLS (`security` is now `tls` or `starttls`), so that someone on
    // the path who strips the server's STLS offer later gets no password.
    // The window keeps the change in the accounts and in Accounts.ini.
    virtual void AccountSecured(int index, TSecurity security) = 0;
};

class TCheckCycle {
public:
    TCheckCycle(TMailboxes mailboxes, TWireMessage& msg, TRASControl& rasc, TSettings& settings,
                const TAccountTable& accounts, ICheckView& view);

    // The accounts were (re)loaded: the first active one becomes current and
    // goes into the POP3 client.
    void AccountsLoaded(const TCurrentAccount& current);

    // Commands.  Each one that talks to the network is refused while another
    // runs (Busy), before it changes anything.
    void ConnectClick();
    void GoOnline();
    void CheckAccount(bool Advance);
    // The check timer's tick: the next active account that no IDLE watch
    // keeps up to date; nothing when every active account is watched.
    void TimerCheck();
    // The accounts whose server reports news through IDLE: the timer passes
    // them by.
    void SetWatched(int index, bool watched);
    void ForgetWatched() {
        watched_.clear();
        pendingCheck_ = 0;
    }
    bool IsWatched(int index) const { return watched_.count(index) != 0; }
    // A watched account's server reported news: that account is checked now,
    // or as soon as the command that runs has ended.
    void CheckWatchedAccount(int index);
    // The same once the caller's own use of the session has ended: it says
    // so with CheckPending.
    void DeferWatchedCheck(int index) { pendingCheck_ = index; }
    void CheckPending() { RunPendingCheck(); }
    // The account menu: checks account tag + 1 (or the next active one after
    // it), online only.
    void CheckChosenAccount(int tag);
    // Goes offline; a check that waits on its server ends there.
    void DisconnectClick();
    // The program ends: a check that waits ends without showing anything, and
    // no command runs any more.
    void Close();

    // The POP3 client's status event.
    void POPStatus(const std::string& status);

    // The options were read again: the check timer's interval follows
    // `minutes` (the timer itself is the window's, resumed by the caller).
    void SettingsLoaded();

    // The count on view goes back to 0 (the mail program was started with
    // the reset option); the accounts' previous counts stay.
    void ResetCount() { msgCount_ = 0; }

    bool IsOnline() const { return state_ == TState::Online || state_ == TState::Checking; }
    // A command is talking to the network (or ending); commands that would
    // change accounts, the skin or the connection are refused meanwhile.
    bool Busy() const {
        return state_ == TState::Connecting || state_ == TState::Checking ||
               state_ == TState::Ending;
    }
    bool Closed() const { return state_ == TState::Closed; }
    bool HasValidAccount() const { return hasValidAccount_; }
    int AccountIndex() const { return accountIndex_; }
    int MsgCount() const { return msgCount_; }
    // The mailbox of the account in use, logged into that account by the
    // next Connect.
    IMailbox& Mailbox() { return *current_; }
    // The name of the account in use, "" when there is none.
    std::string AccountName() const;
    // The check timer's interval: minutes as milliseconds, within what a
    // window timer takes.
    int CheckIntervalMs() const { return checkIntervalMs_; }

private:
    enum class TState {
        Offline,
        Online,
        Connecting,  // GoOnline runs; not online yet
        Checking,    // a check runs while online
        Ending,      // a command runs that was told to end (Disconnect, a dropped line)
        Closed,      // the program ends
    };
    class TCommand;
    // Going online: dial, log in, the first check.
    void Connect();
    void SetState(TState state) { state_ = state; }
    // Disconnect or Exit came while the command waited.
    bool Abandoned() const { return state_ == TState::Ending || state_ == TState::Closed; }

    // The steps of a check, each its own routine.
    // Advance moves on to the next active account; connect logs in first
    // (Advance does too), else the session open now is used.
    void CheckNow(bool Advance, bool connect = false);
    bool AdvanceAccount(bool passWatched = false);
    bool AllActiveWatched() const;
    void RunPendingCheck();
    void PutAccountIntoPOP(int index);
    int FetchCount(bool connect, bool& failed);
    void ShowResult(int count, bool failed);
    void ShowSecurityFailure();
    void LeaveIfLineDropped();
    // Dial-up around going online and offline.
    void Dial(bool wasOnline);
    void HangUp();
    // After a login: whether it went over TLS, and an automatic account that
    // got TLS keeps needing it.
    void NoteLogin();

    TMailboxes mailboxes_;
    IMailbox* current_;   // the current account's session
    TMailServer server_;  // the current account's, as the mailbox has it
    TWireMessage& msg_;
    TRASControl& rasc_;
    TSettings& settings_;
    const TAccountTable& accounts_;
    ICheckView& view_;

    TState state_ = TState::Offline;
    bool hasValidAccount_ = false;
    int accountIndex_ = 1;
    int firstActiveAccount_ = 0;
    int msgCount_ = 0;
    int checkIntervalMs_ = 60000;
    std::vector<std::string> round_;  // "name : count" of the accounts checked this round
    TMailMemory memory_;
    TUniqueIds ids_;                 // the listing of the check that runs
    std::string securityFailure_;    // why the check's connection could not be secured
    bool loginSecure_ = false;       // the last login went over TLS
    std::set<int> watched_;          // accounts kept up to date by IDLE
    int pendingCheck_ = 0;           // a watched account to check once not busy
};

// Both timers stopped for as long as it lives (a command that talks to the
// network), resumed when it ends, also when an error escapes the command; not
// after the program closed meanwhile.
class TTimersStopped {
public:
    TTimersStopped(ICheckView& view, const TCheckCycle& cycle) : view_(view), cycle_(cycle) {
        view_.StopTimers();
    }
    ~TTimersStopped() {
        if (!cycle_.Closed()) view_.ResumeTimers();
    }
    TTimersStopped(const TTimersStopped&) = delete;
    TTimersStopped& operator=(const TTimersStopped&) = delete;

private:
    ICheckView& view_;
    const TCheckCycle& cycle_;
};

// The check timer's interval for `minutes`: 0 or less never fires; the most a
// window timer takes is 0x7FFFFFFF ms (about 24.8 days).
int CheckIntervalFor(int minutes);

}  // namespace vexil

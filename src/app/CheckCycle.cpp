// The mail check cycle: going online and offline, and the check of one
// account per tick.
#include <exception>

#include "app/Vexil.h"
#include "base/Text.h"

namespace vexil {

namespace {

const char* const kNoValidAccount = "No valid account ! Please create/activate one!";
const char* const kPopConnectionFailed = "POP Connection failed. Check you account";
const char* const kDialFailed = "Check your modem. DUN connection failed to ";

}  // namespace

// Marks a command that talks to the network for as long as it runs; a second
// one that arrives meanwhile (through the messages the client pumps) is
// refused instead of entering the same connection.
class TVexil::TNetworkCommand {
public:
    explicit TNetworkCommand(TVexil& owner) : owner_(owner), started_(!owner.NetworkBusy) {
        if (started_) {
            owner_.NetworkBusy = true;
            owner_.checkAbandoned_ = false;
        }
    }
    ~TNetworkCommand() {
        if (started_) owner_.NetworkBusy = false;
    }
    bool Started() const { return started_; }

private:
    TVexil& owner_;
    bool started_;
};

void TVexil::PutAccountIntoPOP(int index) {
    const TPOPAcc& a = Accounts[index];
    POP->Host = a.AccHost;
    POP->UserID = a.AccUser;
    POP->Password = a.AccPassword;
    POP->Port = a.AccPort;
}

void TVexil::ConnectClick() {
    if (NetworkBusy) return;
    if (HasValidAccount)
        GoOnline();
    else
        messages_.ShowMessage(kNoValidAccount);
}

void TVexil::GoOnline() {
    TNetworkCommand command(*this);
    if (!command.Started()) return;
    StopTimers();
    if (POP->Connected()) POP->Disconnect();
    if (Settings.RAS_connect) {
        const int last = static_cast<int>(RASC.Entries.size()) - 1;
        if (Settings.RAS_num > last) Settings.RAS_num = 0;
        if (last < 0) {
            // No dial-up entry at all: nothing to dial; say so and still try
            // the mail server, as after a failed dial.
            messages_.ShowMessage(kDialFailed);
        } else {
            const std::string entry = RASC.Entries[Settings.RAS_num];
            DrawStatus("Connecting to " + entry);
            view_.ProcessMessages();
            if (!IsOnline) {
                try {
                    RASC.Dial(Settings.RAS_num);
                } catch (const std::exception&) {
                    messages_.ShowMessage(kDialFailed + entry);
                }
            }
        }
    }
    try {
        POP->Connect();
    } catch (const std::exception&) {
        if (!checkAbandoned_) messages_.ShowMessage(kPopConnectionFailed);
    }
    if (checkAbandoned_) {  // the window closed while the server answered
        POP->CloseSocket();
        return;
    }
    IsOnline = POP->Connected();
    NewsRefreshTicks = 0;
    PrevMsgCount = 0;
    PrevCounts.fill(0);
    MsgCount = 0;
    StatusText = "Connected";
    ShowOnlineState();
    CheckAccountNow(false);
    CheckIntervalMs = Settings.minutes * 60000;
    ResumeTimers();
}

void TVexil::TimerTimer() {
    if (NetworkBusy) return;
    ScrollEnabled = false;
    CheckAccount(true);
    ScrollEnabled = true;
}

void TVexil::CheckAccount(bool Advance) {
    TNetworkCommand command(*this);
    if (!command.Started()) return;
    CheckAccountNow(Advance);
}

// Finds the next active account after AccountIndex, wrapping round; with one
// stored account that account is used even when inactive.  False when every
// one of several accounts is inactive.
bool TVexil::AdvanceAccount() {
    const int count = Accounts.AccountCount;
    if (count < 1) return false;
    if (count == 1) {
        AccountIndex = 1;
        return true;
    }
    for (int step = 0; step < count; ++step) {
        AccountIndex = AccountIndex >= count ? 1 : AccountIndex + 1;
        if (!Accounts[AccountIndex].AccInactive) return true;
    }
    return false;
}

void TVexil::CheckAccountNow(bool Advance) {
    if (!IsOnline) {
        Online.Hint = "Disconnected";
        ShowOnlineState();
        return;
    }
    bool error = false;
    Online.Hint = "Connected";
    if (Advance) {
        if (!AdvanceAccount()) {
            StatusText = "No active account";
            DrawStatus(StatusText);
            TickerPaused = true;
            PauseTicks = 0;
            return;
        }
        PutAccountIntoPOP(AccountIndex);
        try {
            POP->Connect();
        } catch (const std::exception&) {
            error = true;
        }
    }
    if (checkAbandoned_) {
        POP->CloseSocket();  // the connect may have completed after the close
        return;
    }
    try {
        MsgCount = POP->CheckMessages();
    } catch (const std::exception&) {
        error = true;
    }
    if (!error) {
        try {
            POP->Disconnect();
        } catch (const std::exception&) {
        }
    }
    // Disconnect was pressed (or the window closed) while the server was
    // answering: the display already says so, and this check is over.
    if (checkAbandoned_) {
        POP->CloseSocket();
        return;
    }

    const std::string name = CurrentAccountName();
    std::string hint = AccountIndex == FirstActiveAccount ? std::string() : NBMSGBMP.Hint;
    if (!hint.empty()) hint += '\r';
    NBMSGBMP.Hint = hint + name + " : " + std::to_string(MsgCount);

    const int previous = PrevCounts[AccountIndex - 1];
    if (MsgCount > 0 && !error) {
        ShowMessageCount();
        SetTrayIcon(TTrayIcon::Mail);
        if (MsgCount > previous) NotifyNewMail();
    } else {
        StatusText = error ? name + " Access error to POP server" : name + " empty";
        DrawStatus(StatusText);
        if (MsgCount != PrevMsgCount) LoadFlagPicture(Skin.NoMailPath);
        SetTrayIcon(TTrayIcon::Con);
        if (error && Settings.RAS_connect && Settings.RAS_num >= 0 &&
            Settings.RAS_num < static_cast<int>(RASC.Entries.size())) {
            TRasConnStatus status;
            try {
                RASC.GetConnectStatus(RASC.Entries[Settings.RAS_num], status);
            } catch (const std::exception&) {
                status.State = kRasDisconnected;
            }
            if (status.State != kRasConnected) {
                IsOnline = false;
                StopTimers();
                ShowOnlineState();
            }
        }
    }
    DrawCount(std::to_string(MsgCount));
    PrevMsgCount = MsgCount;
    PrevCounts[AccountIndex - 1] = MsgCount;
    PauseTicks = 0;
    TickerPaused = true;
}

void TVexil::NotifyNewMail() {
    LoadFlagPicture(Skin.GotMailPath);
    if (!view_.IsVisible()) view_.ShowWindow();
    if (Settings.playsnd && !Settings.wavsnd.empty()) system_.PlayWave(Settings.wavsnd);
}

void TVexil::DisconnectClick() {
    if (!IsOnline) return;
    StopTimers();
    Msg.Clear();
    PrevMsgCount = 0;
    PrevCounts.fill(0);
    MsgCount = 0;
    IsOnline = false;
    if (NetworkBusy) checkAbandoned_ = true;
    ShowOnlineState();
    if (Settings.RAS_connect) RASC.HangUp(Settings.RAS_num);
    POP->CloseSocket();
}

void TVexil::POPStatus(const std::string& status) {
    if (checkAbandoned_) return;
    DrawStatus(CurrentAccountName() + " " + Trim(status));
    view_.ProcessMessages();
    StatusText = status;
}

void TVexil::POPWork() { view_.ProcessMessages(); }

}  // namespace vexil

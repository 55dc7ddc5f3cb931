// The check cycle driven through whole rounds: against a real Dovecot on
// loopback, a scripted server for what Dovecot will not do, and a fake
// dial-up service.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "app/VexilFolder.h"
#include "config/Scramble.h"
#include "support/Dovecot.h"
#include "support/ScriptedServer.h"

namespace vexil::test {
namespace {

std::string Message(int n) {
    return "From: Ann <ann@example.org>\nTo: demo@example.org\nSubject: Note " +
           std::to_string(n) + "\n\nHello number " + std::to_string(n) + ".\n";
}
std::vector<std::string> Messages(int count) {
    std::vector<std::string> out;
    for (int i = 1; i <= count; ++i) out.push_back(Message(i));
    return out;
}

struct TAccount {
    std::string Name, Host, User, Password;
    int Port = 110;
    bool Inactive = false;
};

class CheckCycle : public TDovecotTest, public TVexilFolderData {
protected:
    TAccount On(const TMailbox& box, const std::string& name) {
        return TAccount{name, "127.0.0.1", box.User, box.Password, Server().Port(), false};
    }
    void Accounts(const std::vector<TAccount>& accounts) {
        std::string text;
        int n = 0;
        for (const TAccount& a : accounts)
            text += "\r\n[Account" + std::to_string(++n) + "]\r\nacc_name = " + a.Name +
                    "\r\nhost_name = " + a.Host + "\r\nuser_name = " + a.User +
                    "\r\npassword = " + ScramblePassword(a.Password) +
                    "\r\nport_number = " + std::to_string(a.Port) + "\r\ninactive = " +
                    (a.Inactive ? "1" : "0") + "\r\n";
        WriteFileBytes(dir.File("Accounts.ini"), text);
    }
    void ExpectShown(const std::string& status, int count) {
        EXPECT_EQ(vexil.STATBMP.Picture(), Expected(status, false)) << status;
        EXPECT_EQ(vexil.NBMSGBMP.Picture(), Expected(std::to_string(count), true)) << count;
        EXPECT_EQ(vexil.MsgCount, count);
    }
    TImage32 StatePicture(const std::string& path) {
        return StatePictureFrame(LoadPictureFile(path));
    }
};

TEST_F(CheckCycle, OnlineWithMailThenTheSameCountThenARise) {
    const TMailbox box = Server().NewMailbox(Messages(3));
    Accounts({On(box, "Demo")});
    WriteIni("playsnd =1\r\nwavsnd = C:\\sounds\\mail.wav\r\nicon_tray =1\r\nautocheck =1\r\n"
             "minutes = 3\r\n");
    Start();
    vexil.ConnectClick();
    ASSERT_TRUE(vexil.IsOnline) << (messages.Shown.empty() ? "" : messages.Shown[0]);
    ExpectShown("DEMO 3 MESSAGES", 3);
    EXPECT_EQ(vexil.FLAG.Picture(), StatePicture(vexil.Skin.GotMailPath));
    EXPECT_EQ(vexil.TrayIcon, TTrayIcon::Mail);
    EXPECT_EQ(system.Played, std::vector<std::string>{"C:\\sounds\\mail.wav"});
    EXPECT_EQ(vexil.NBMSGBMP.Hint, "Demo : 3");
    EXPECT_EQ(vexil.Online.Hint, "Connected");
    EXPECT_TRUE(view.CheckTimerOn);
    EXPECT_EQ(view.CheckTimerInterval, 3 * 60000);

    vexil.TimerTimer();  // the same count: no sound
    ExpectShown("DEMO 3 MESSAGES", 3);
    EXPECT_EQ(system.Played.size(), 1u);

    Server().Deliver(box, Message(4));
    Server().Deliver(box, Message(5));
    vexil.RefreshBtnMouseDown(TMouseButton::Left, ssLeft, 1, 1);
    ExpectShown("DEMO 5 MESSAGES", 5);
    EXPECT_EQ(system.Played.size(), 2u);
    EXPECT_TRUE(view.CheckTimerOn);  // resumed after the click

    vexil.DisconnectClick();
    EXPECT_FALSE(vexil.IsOnline);
    ExpectShown("DISCONNECTED", 0);
    EXPECT_EQ(vexil.TrayIcon, TTrayIcon::Dis);
    EXPECT_FALSE(view.CheckTimerOn);
}

TEST_F(CheckCycle, NewMailIsJudgedPerAccount) {
    const TMailbox three = Server().NewMailbox(Messages(3));
    const TMailbox two = Server().NewMailbox(Messages(2));
    Accounts({On(three, "Ann"), On(two, "Bob")});
    WriteIni("playsnd =1\r\nwavsnd = a.wav\r\n");
    Start();
    vexil.ConnectClick();  // checks Ann (3): new
    ExpectShown("ANN 3 MESSAGES", 3);
    vexil.TimerTimer();  // Bob (2): new for Bob
    ExpectShown("BOB 2 MESSAGES", 2);
    EXPECT_EQ(vexil.NBMSGBMP.Hint, "Ann : 3\rBob : 2");
    EXPECT_EQ(system.Played.size(), 2u);
    for (int tick = 0; tick < 4; ++tick) vexil.TimerTimer();  // nothing new any more
    EXPECT_EQ(system.Played.size(), 2u);
    EXPECT_EQ(vexil.NBMSGBMP.Hint, "Ann : 3\rBob : 2");  // started afresh with Ann
}

TEST_F(CheckCycle, EmptyUnreachableAndInactiveAccounts) {
    const TMailbox empty = Server().NewMailbox();
    TAccount gone = On(empty, "Gone");
    gone.Port = TScriptedServer::UnusedPort();
    TAccount idle = On(empty, "Idle");
    idle.Inactive = true;
    Accounts({On(empty, "Zed"), idle, gone});
    Start();
    vexil.ConnectClick();
    ExpectShown("ZED EMPTY", 0);
    vexil.TimerTimer();  // Idle is skipped
    ExpectShown("GONE ACCESS ERROR TO POP SERVER", 0);
    EXPECT_TRUE(vexil.IsOnline);
    vexil.TimerTimer();
    ExpectShown("ZED EMPTY", 0);
}

TEST_F(CheckCycle, SingleInactiveAccountIsStillCheckedButSeveralInactiveAreNot) {
    const TMailbox box = Server().NewMailbox(Messages(1));
    TAccount only = On(box, "Solo");
    only.Inactive = true;
    Accounts({only});
    Start();
    // No active account: Connect refuses; a timed check still takes the one account.
    vexil.ConnectClick();
    EXPECT_EQ(messages.Shown, std::vector<std::string>{"No valid account ! Please create/activate one!"});
    vexil.IsOnline = true;
    vexil.TimerTimer();
    ExpectShown("SOLO 1 MESSAGE", 1);

    TAccount second = only;
    second.Name = "Duo";
    Accounts({only, second});
    vexil.Init();
    vexil.IsOnline = true;
    vexil.TimerTimer();  // must come back: every account is inactive
    EXPECT_EQ(vexil.STATBMP.Picture(), Expected("NO ACTIVE ACCOUNT", false));
}

TEST_F(CheckCycle, AccountMenuChecksTheChosenAccount) {
    const TMailbox one = Server().NewMailbox(Messages(1));
    const TMailbox three = Server().NewMailbox(Messages(3));
    TAccount two = On(one, "Two");
    two.Inactive = true;
    Accounts({On(one, "One"), two, On(three, "Three")});
    Start();
    vexil.ConnectClick();
    ExpectShown("ONE 1 MESSAGE", 1);
    vexil.RefreshBtnMouseDown(TMouseButton::Right, ssRight, 1, 1);
    EXPECT_EQ(Captions(*view.LastMenu), (std::vector<std::string>{"One", "Three"}));
    view.ChooseMenuItem({"Three"});
    EXPECT_EQ(vexil.AccountIndex, 3);
    ExpectShown("THREE 3 MESSAGES", 3);
}

TEST_F(CheckCycle, ServerRefusingUidlCountsAsEmpty) {
    TScript script;
    script.Send("+OK ready\r\n").Expect().Send("+OK\r\n").Expect().Send("+OK\r\n").Expect()
        .Send("-ERR UIDL not supported\r\n").Expect();
    TScriptedServer server({script});
    TAccount a{"Old", "127.0.0.1", "u", "p", server.Port(), false};
    Accounts({a});
    Start();
    vexil.ConnectClick();
    ASSERT_TRUE(vexil.IsOnline);
    ExpectShown("OLD EMPTY", 0);
    const auto lines = server.Lines(0, 4);  // going online checks on its own connection
    ASSERT_GE(lines.size(), 4u);
    EXPECT_EQ(lines[2], "UIDL");
    EXPECT_EQ(lines[3], "Quit");
}

TEST_F(CheckCycle, ZeroMinutesNeverTicksButManualChecksWork) {
    const TMailbox box = Server().NewMailbox(Messages(2));
    Accounts({On(box, "Demo")});
    WriteIni("autocheck =1\r\nminutes = 0\r\n");
    Start();
    vexil.ConnectClick();
    EXPECT_EQ(view.CheckTimerInterval, 0);  // a window timer of 0 ms is never set
    vexil.RefreshBtnMouseDown(TMouseButton::Left, ssLeft, 1, 1);
    ExpectShown("DEMO 2 MESSAGES", 2);
}

TEST_F(CheckCycle, NoSecondCheckWhileOneWaitsAndDisconnectEndsIt) {
    const TMailbox box = Server().NewMailbox(Messages(2));
    Accounts({On(box, "Demo")});
    Start();
    vexil.ConnectClick();
    ASSERT_TRUE(vexil.IsOnline);

    // Clicks and ticks that arrive while the client waits are refused.
    int nested = 0;
    view.OnProcessMessages = [&] {
        if (nested++ == 0) {
            vexil.TimerTimer();
            vexil.ConnectClick();
            vexil.RefreshBtnMouseDown(TMouseButton::Left, ssLeft, 1, 1);
        }
    };
    vexil.TimerTimer();
    view.OnProcessMessages = nullptr;
    EXPECT_GT(nested, 0);
    EXPECT_FALSE(vexil.NetworkBusy);
    ExpectShown("DEMO 2 MESSAGES", 2);

    // Disconnect in the middle of a check: the check ends, the window says
    // Disconnected.
    bool pressed = false;
    view.OnProcessMessages = [&] {
        if (!pressed) {
            pressed = true;
            vexil.DisconnectClick();
        }
    };
    vexil.TimerTimer();
    view.OnProcessMessages = nullptr;
    EXPECT_TRUE(pressed);
    EXPECT_FALSE(vexil.IsOnline);
    ExpectShown("DISCONNECTED", 0);
    EXPECT_FALSE(vexil.NetworkBusy);
}

TEST_F(CheckCycle, ClosingTheWindowDuringACheckEndsItAndSaves) {
    const TMailbox box = Server().NewMailbox(Messages(2));
    Accounts({On(box, "Demo")});
    Start();
    vexil.ConnectClick();
    ASSERT_TRUE(vexil.IsOnline);
    bool closed = false;
    size_t drawn = 0;
    view.OnProcessMessages = [&] {
        if (!closed) {
            closed = true;
            view.Left = 77;
            vexil.Exit1Click();
            drawn = view.Invalidated.size();
        }
    };
    vexil.TimerTimer();
    view.OnProcessMessages = nullptr;
    EXPECT_TRUE(view.Closed);
    EXPECT_FALSE(vexil.NetworkBusy);
    EXPECT_FALSE(vexil.POP->Connected());
    EXPECT_EQ(view.Invalidated.size(), drawn);  // nothing drawn after the close
    EXPECT_NE(ReadFileBytes(dir.File("Vexil.ini")).find("\r\nposX = 77\r\n"), std::string::npos);
}

TEST_F(CheckCycle, WindowStaysAliveWhileTheServerIsSlow) {
    TScript slow;
    slow.Pause(1000).Send("+OK ready\r\n").Expect().Pause(1000).Send("+OK\r\n").Expect()
        .Send("+OK\r\n").Expect().Send("+OK\r\n1 a\r\n.\r\n").Expect();
    TScriptedServer server({slow});
    Accounts({TAccount{"Slow", "127.0.0.1", "u", "p", server.Port(), false}});
    Start();
    vexil.IsOnline = true;
    vexil.TimerTimer();
    ExpectShown("SLOW 1 MESSAGE", 1);
    // Waits run in slices of at most 50 ms with the window's messages between.
    EXPECT_GE(view.ProcessMessagesCalls, 30);
}

class CheckCycleDialUp : public CheckCycle {
protected:
    void SetUp() override {
        CheckCycle::SetUp();
        system.Ras.AddEntry("Office", "jo", "555-0100");
    }
};

TEST_F(CheckCycleDialUp, DialThenFailedConnectLeavesTheLineUpAndRedialFails) {
    TAccount a{"Dead", "127.0.0.1", "u", "p", TScriptedServer::UnusedPort(), false};
    Accounts({a});
    WriteIni("RAS_connect =1\r\nRAS_num = 4\r\n");  // past the end: entry 0
    Start();
    vexil.ConnectClick();
    EXPECT_EQ(vexil.Settings.RAS_num, 0);
    ASSERT_EQ(system.Ras.Dialled.size(), 1u);
    EXPECT_EQ(system.Ras.Dialled[0].EntryName, "Office");
    EXPECT_FALSE(vexil.IsOnline);
    EXPECT_EQ(messages.Shown, std::vector<std::string>{"POP Connection failed. Check you account"});
    EXPECT_TRUE(vexil.RASC.Dialing);  // the line stays up

    messages.Shown.clear();
    vexil.ConnectClick();
    EXPECT_EQ(system.Ras.Dialled.size(), 1u);  // refused by the control
    ASSERT_EQ(messages.Shown.size(), 2u);
    EXPECT_EQ(messages.Shown[0], "Check your modem. DUN connection failed to Office");
    EXPECT_EQ(messages.Shown[1], "POP Connection failed. Check you account");
}

TEST_F(CheckCycleDialUp, CheckFailingOnADroppedLineGoesOffline) {
    const TMailbox box = Server().NewMailbox(Messages(1));
    TAccount good = On(box, "Good");
    TAccount bad = good;
    bad.Name = "Bad";
    bad.Port = TScriptedServer::UnusedPort();
    Accounts({good, bad});
    WriteIni("RAS_connect =1\r\n");
    Start();
    vexil.ConnectClick();
    ASSERT_TRUE(vexil.IsOnline);
    ExpectShown("GOOD 1 MESSAGE", 1);
    system.Ras.Connections.clear();  // the line dropped
    vexil.TimerTimer();              // Bad fails: is the line still up?
    EXPECT_FALSE(vexil.IsOnline);
    ExpectShown("DISCONNECTED", 0);
}

TEST_F(CheckCycle, DialUpWithoutAnyEntryStillTriesTheServer) {
    const TMailbox box = Server().NewMailbox(Messages(1));
    Accounts({On(box, "Demo")});
    WriteIni("RAS_connect =1\r\n");
    Start();
    vexil.ConnectClick();
    EXPECT_EQ(messages.Shown, std::vector<std::string>{"Check your modem. DUN connection failed to "});
    EXPECT_TRUE(vexil.IsOnline);
    ExpectShown("DEMO 1 MESSAGE", 1);
}

}  // namespace
}  // namespace vexil::test

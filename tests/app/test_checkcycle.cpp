// The check cycle driven through whole rounds: against a real Dovecot on
// loopback, a scripted server for what Dovecot will not do, and a fake
// dial-up service.
#include <gtest/gtest.h>

#include <functional>
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

class CheckCycle : public TDovecotTest, public TVexilFolderData {
protected:
    TAccount On(const TMailbox& box, const std::string& name) {
        return TAccount{name, "127.0.0.1", box.User, box.Password, Server().Port(), false};
    }
    void ExpectShown(const std::string& status, int count) {
        EXPECT_EQ(vexil.STATBMP().Picture(), Expected(status, false)) << status;
        EXPECT_EQ(vexil.NBMSGBMP().Picture(), Expected(std::to_string(count), true)) << count;
        EXPECT_EQ(vexil.Cycle().MsgCount(), count);
    }
    TImage32 StatePicture(const std::string& path) {
        return StatePictureFrame(LoadPictureFile(path));
    }
    // Whether the mail picture shows the skin's got-mail picture.
    bool FlagShowsMail() {
        const TImage32& shown = vexil.FLAG().Picture();
        EXPECT_TRUE(shown == StatePicture(vexil.Skin().GotMailPath) ||
                    shown == StatePicture(vexil.Skin().NoMailPath));
        return shown == StatePicture(vexil.Skin().GotMailPath);
    }
};

TEST_F(CheckCycle, OnlineWithMailThenTheSameCountThenARise) {
    const TMailbox box = Server().NewMailbox(Messages(3));
    Accounts({On(box, "Demo")});
    WriteIni("playsnd =1\r\nwavsnd = C:\\sounds\\mail.wav\r\nicon_tray =1\r\nautocheck =1\r\n"
             "minutes = 3\r\n");
    Start();
    vexil.ConnectClick();
    ASSERT_TRUE(vexil.Cycle().IsOnline()) << (messages.Shown.empty() ? "" : messages.Shown[0]);
    ExpectShown("DEMO 3 MESSAGES", 3);
    EXPECT_TRUE(FlagShowsMail());
    EXPECT_EQ(vexil.TrayIcon(), TTrayIcon::Mail);
    EXPECT_EQ(system.Played, std::vector<std::string>{"C:\\sounds\\mail.wav"});
    EXPECT_EQ(vexil.NBMSGBMP().Hint, "Demo : 3 (not encrypted)");
    // A login without TLS says so, in the count's hint and the tray's tip.
    EXPECT_EQ(vexil.TrayTip(), "Vexil: Demo not encrypted");
    EXPECT_EQ(vexil.Online().Hint, "Connected");
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
    EXPECT_FALSE(vexil.Cycle().IsOnline());
    ExpectShown("DISCONNECTED", 0);
    EXPECT_EQ(vexil.TrayIcon(), TTrayIcon::Dis);
    EXPECT_FALSE(view.CheckTimerOn);
}

// The mail picture shows mail exactly while the account on view has mail
// waiting; new mail (the sound) is judged per account.
TEST_F(CheckCycle, MailPictureAndTrayFollowTheAccountOnView) {
    struct TStep {
        bool Mail;
        TTrayIcon Tray;
        size_t Sounds;
    };
    const struct {
        const char* Name;
        int A, B, DeliveredToA;  // A and B at the start, then for A's second check
        TStep Steps[3];          // after A, B, then A again
    } cases[] = {
        {"A3 B0 A3", 3, 0, 0,
         {{true, TTrayIcon::Mail, 1}, {false, TTrayIcon::Con, 1}, {true, TTrayIcon::Mail, 1}}},
        {"A0 B2 A2", 0, 2, 2,
         {{false, TTrayIcon::Con, 0}, {true, TTrayIcon::Mail, 1}, {true, TTrayIcon::Mail, 2}}},
        {"A1 B1 A2", 1, 1, 1,
         {{true, TTrayIcon::Mail, 1}, {true, TTrayIcon::Mail, 2}, {true, TTrayIcon::Mail, 3}}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.Name);
        TVexilFolderData folder;
        const TMailbox a = Server().NewMailbox(Messages(c.A));
        const TMailbox b = Server().NewMailbox(Messages(c.B));
        const auto account = [&](const TMailbox& box, const char* name) {
            return "\r\n[Account" + std::string(name[0] == 'A' ? "1" : "2") + "]\r\nacc_name = " +
                   name + "\r\nhost_name = 127.0.0.1\r\nuser_name = " + box.User +
                   "\r\npassword = " + ScramblePassword(box.Password) +
                   "\r\nport_number = " + std::to_string(Server().Port()) + "\r\ninactive = 0\r\n";
        };
        WriteFileBytes(folder.dir.File("Accounts.ini"), account(a, "A") + account(b, "B"));
        folder.WriteIni("playsnd =1\r\nwavsnd = ding.wav\r\nicon_tray =1\r\n");
        folder.Start();
        for (int step = 0; step < 3; ++step) {
            if (step == 0) folder.vexil.ConnectClick();
            if (step == 2)
                for (int i = 0; i < c.DeliveredToA; ++i) Server().Deliver(a, Message(100 + i));
            if (step > 0) folder.vexil.TimerTimer();
            const TStep& want = c.Steps[step];
            const TSkin& skin = folder.vexil.Skin();
            EXPECT_EQ(folder.vexil.FLAG().Picture(),
                      StatePicture(want.Mail ? skin.GotMailPath : skin.NoMailPath))
                << "step " << step;
            EXPECT_EQ(folder.view.TrayShows, want.Tray) << "step " << step;
            EXPECT_EQ(folder.system.Played.size(), want.Sounds) << "step " << step;
        }
    }
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
    EXPECT_EQ(vexil.NBMSGBMP().Hint, "Ann : 3 (not encrypted)\rBob : 2 (not encrypted)");
    EXPECT_EQ(system.Played.size(), 2u);
    for (int tick = 0; tick < 4; ++tick) vexil.TimerTimer();  // nothing new any more
    EXPECT_EQ(system.Played.size(), 2u);
    EXPECT_TRUE(FlagShowsMail());
    EXPECT_EQ(vexil.NBMSGBMP().Hint, "Ann : 3 (not encrypted)\rBob : 2 (not encrypted)");  // started afresh with Ann
}

// An IMAP account beside a POP3 one: its count is the unseen messages, and
// its new mail is unseen mail that came since its last check.  Its server
// offers IDLE, so each change is checked as it comes.
TEST_F(CheckCycle, AnImapAccountShowsItsUnseenCountAndNewMail) {
    const TMailbox pop = Server().NewMailbox(Messages(2));
    const TMailbox imap = Server().NewMailbox(Messages(3));
    TAccount kept = On(imap, "Kept");
    kept.Port = Server().ImapPort();
    kept.Protocol = "imap";
    Accounts({On(pop, "Ann"), kept});
    WriteIni("playsnd =1\r\nwavsnd = a.wav\r\nminutes = 30\r\n");
    Start();
    vexil.ConnectClick();
    ExpectShown("ANN 2 MESSAGES", 2);
    // Idling, the account is checked once.
    ASSERT_TRUE(view.Ui.PumpUntil([&] { return vexil.Cycle().MsgCount() == 3; }));
    ExpectShown("KEPT 3 MESSAGES", 3);
    EXPECT_EQ(system.Played.size(), 2u);

    // Deleted by another client: fewer waiting, nothing new.
    {
        TWireIMAP other;
        other.SetServer({"127.0.0.1", Server().ImapPort(), imap.User, imap.Password, TSecurity::None});
        other.Connect();
        other.CheckMessages();
        ASSERT_TRUE(other.Delete(1));
        other.Disconnect();
    }
    ASSERT_TRUE(view.Ui.PumpUntil([&] { return vexil.Cycle().MsgCount() == 2; }));
    ExpectShown("KEPT 2 MESSAGES", 2);
    EXPECT_EQ(system.Played.size(), 2u);

    Server().Deliver(imap, Message(9));
    ASSERT_TRUE(view.Ui.PumpUntil([&] { return vexil.Cycle().MsgCount() == 3; }));
    ExpectShown("KEPT 3 MESSAGES", 3);
    EXPECT_EQ(system.Played.size(), 3u);
    EXPECT_TRUE(FlagShowsMail());
}

// An IMAP account whose server offers IDLE is kept up to date by it: mail
// delivered while online is announced with no tick, and the timer goes on
// with the other accounts only.
TEST_F(CheckCycle, NewMailOfAnIdlingImapAccountComesWithoutATick) {
    const TMailbox pop = Server().NewMailbox(Messages(2));
    const TMailbox imap = Server().NewMailbox(Messages(1));
    TAccount kept = On(imap, "Kept");
    kept.Port = Server().ImapPort();
    kept.Protocol = "imap";
    Accounts({kept, On(pop, "Ann")});
    WriteIni("playsnd =1\r\nwavsnd = a.wav\r\nminutes = 30\r\n");
    Start();
    vexil.ConnectClick();
    ExpectShown("KEPT 1 MESSAGE", 1);
    ASSERT_TRUE(view.Ui.PumpUntil([&] { return vexil.Cycle().IsWatched(1); }));

    Server().Deliver(imap, Message(7));
    ASSERT_TRUE(view.Ui.PumpUntil([&] { return vexil.Cycle().MsgCount() == 2; }));
    ExpectShown("KEPT 2 MESSAGES", 2);
    EXPECT_EQ(system.Played.size(), 2u);
    EXPECT_TRUE(FlagShowsMail());

    for (int tick = 0; tick < 2; ++tick) {
        vexil.TimerTimer();  // Ann, and Ann again: Kept needs no tick
        ExpectShown("ANN 2 MESSAGES", 2);
    }
    vexil.DisconnectClick();
    EXPECT_FALSE(vexil.Cycle().IsWatched(1));
    Server().Deliver(imap, Message(8));  // offline: nobody listens
    view.Ui.PumpUntil([] { return false; }, 500);
    EXPECT_EQ(system.Played.size(), 3u);
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
    EXPECT_TRUE(vexil.Cycle().IsOnline());
    vexil.TimerTimer();
    ExpectShown("ZED EMPTY", 0);
}

// New mail is a message the previous listing did not hold: one deleted from
// another device and one delivered between two checks leave the count as it
// was and still ring; the same ids do not.
TEST_F(CheckCycle, NewMailIsJudgedByMessageIdentity) {
    const TMailbox box = Server().NewMailbox(Messages(3));
    Accounts({On(box, "Demo")});
    WriteIni("playsnd =1\r\nwavsnd = a.wav\r\n");
    Start();
    vexil.ConnectClick();
    ExpectShown("DEMO 3 MESSAGES", 3);
    EXPECT_EQ(system.Played.size(), 1u);
    vexil.TimerTimer();
    EXPECT_EQ(system.Played.size(), 1u);

    {  // a phone deletes the first message
        TWirePOP3 phone;
        phone.Host = Server().Host();
        phone.Port = Server().Port();
        phone.UserID = box.User;
        phone.Password = box.Password;
        phone.Connect();
        ASSERT_TRUE(phone.Delete(1));
        phone.Disconnect();
    }
    Server().Deliver(box, Message(4));
    vexil.TimerTimer();
    ExpectShown("DEMO 3 MESSAGES", 3);
    EXPECT_EQ(system.Played.size(), 2u);
    vexil.TimerTimer();
    EXPECT_EQ(system.Played.size(), 2u);
}

// Without "UIDL" the count is STAT's, and only a rise of it is new mail.
TEST_F(CheckCycle, ServerWithoutUidlFallsBackToTheCount) {
    auto session = [](int count) {
        TScript script;
        GreetWithoutTls(script).Expect().Send("+OK\r\n").Expect().Send("+OK\r\n").Expect()
            .Send("-ERR no\r\n").Expect().Send("+OK " + std::to_string(count) + " 99\r\n")
            .Expect();
        return script;
    };
    TScriptedServer server({session(2), session(2), session(3), session(1), session(1)});
    Accounts({TAccount{"Old", "127.0.0.1", "u", "p", server.Port(), false}});
    WriteIni("playsnd =1\r\nwavsnd = a.wav\r\n");
    Start();
    vexil.ConnectClick();
    const std::size_t rings[] = {1, 1, 2, 2, 2};
    const int counts[] = {2, 2, 3, 1, 1};
    for (int i = 0; i < 5; ++i) {
        SCOPED_TRACE(i);
        if (i > 0) vexil.TimerTimer();
        EXPECT_EQ(vexil.Cycle().MsgCount(), counts[i]);
        EXPECT_EQ(system.Played.size(), rings[i]);
    }
}

// A listing cut off by the server is a failed check: it neither counts the
// lines that came nor forgets the ids, so the next whole listing of the same
// mail announces nothing.
TEST_F(CheckCycle, AListingCutOffIsAFailedCheckAndOldMailStaysOld) {
    auto cut = [] {
        TScript script;
        GreetWithoutTls(script).Expect().Send("+OK\r\n").Expect().Send("+OK\r\n").Expect()
            .Send("+OK\r\n1 uid1\r\n").Close();
        return script;
    };
    TScriptedServer server({PopSession(2), cut(), PopSession(2)});
    Accounts({TAccount{"Home", "127.0.0.1", "u", "p", server.Port(), false}});
    WriteIni("playsnd =1\r\nwavsnd = a.wav\r\n");
    Start();
    vexil.ConnectClick();
    ExpectShown("HOME 2 MESSAGES", 2);
    EXPECT_EQ(system.Played.size(), 1u);
    vexil.TimerTimer();
    ExpectShown("HOME ACCESS ERROR TO POP SERVER", 0);
    vexil.TimerTimer();
    ExpectShown("HOME 2 MESSAGES", 2);
    EXPECT_EQ(system.Played.size(), 1u) << "old mail announced again";
}

// A connection that could not be secured says why after the account's name
// and leaves the count, the picture and the new-mail memory as they were.
// (Natively there is no TLS at all: the reason is "TLS not available".)
TEST_F(CheckCycle, SecurityFailureShowsItsReasonAndKeepsTheCount) {
    const TMailbox box = Server().NewMailbox(Messages(2));
    TAccount secure = On(box, "Secure");
    secure.Security = "tls";
    Accounts({On(box, "Plain"), secure});
    WriteIni("playsnd =1\r\nwavsnd = a.wav\r\n");
    Start();
    vexil.ConnectClick();
    ExpectShown("PLAIN 2 MESSAGES", 2);
    EXPECT_TRUE(FlagShowsMail());
    vexil.TimerTimer();
    EXPECT_EQ(vexil.STATBMP().Picture(), Expected("SECURE TLS NOT AVAILABLE", false));
    EXPECT_EQ(vexil.Cycle().MsgCount(), 2);
    EXPECT_EQ(vexil.NBMSGBMP().Picture(), Expected("2", true));
    EXPECT_TRUE(FlagShowsMail());
    EXPECT_TRUE(vexil.Cycle().IsOnline());
    vexil.TimerTimer();
    ExpectShown("PLAIN 2 MESSAGES", 2);
    EXPECT_EQ(system.Played.size(), 1u);

    // Going online on such an account: the usual message, then the reason.
    vexil.DisconnectClick();
    Accounts({secure});
    Reload();
    vexil.ConnectClick();
    EXPECT_FALSE(vexil.Cycle().IsOnline());
    EXPECT_EQ(vexil.STATBMP().Picture(), Expected("SECURE TLS NOT AVAILABLE", false));
}

TEST_F(CheckCycle, SingleInactiveAccountIsStillCheckedButSeveralInactiveAreNot) {
    const TMailbox box = Server().NewMailbox(Messages(1));
    TAccount only = On(box, "Solo");
    only.Inactive = true;
    Accounts({only});
    Start();
    vexil.ConnectClick();
    EXPECT_EQ(messages.Shown,
              std::vector<std::string>{"No valid account ! Please create/activate one!"});

    // Online with the account active, then made inactive (and reloaded): the
    // timed checks still take it.
    only.Inactive = false;
    Accounts({only});
    Reload();
    vexil.ConnectClick();
    ASSERT_TRUE(vexil.Cycle().IsOnline());
    only.Inactive = true;
    Accounts({only});
    Reload();
    vexil.TimerTimer();
    ExpectShown("SOLO 1 MESSAGE", 1);

    TAccount second = only;
    second.Name = "Duo";
    Accounts({only, second});
    Reload();
    vexil.TimerTimer();  // must come back: every account is inactive
    EXPECT_EQ(vexil.STATBMP().Picture(), Expected("NO ACTIVE ACCOUNT", false));
    EXPECT_TRUE(vexil.Ticker().Paused());

    // With no current account, a name is never read out of the table.
    system.MailtoCommand = "C:\\m.exe";
    WriteIni("reset =1\r\n");
    Reload();
    vexil.MAILClick();
    EXPECT_EQ(vexil.StatusText(), " empty");
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
    EXPECT_EQ(vexil.Cycle().AccountIndex(), 3);
    ExpectShown("THREE 3 MESSAGES", 3);
    view.ChooseMenuItem({"One"});
    EXPECT_EQ(vexil.Cycle().AccountIndex(), 1);
    ExpectShown("ONE 1 MESSAGE", 1);
}

// UIDL is optional: a server without it is counted by STAT.
TEST_F(CheckCycle, ServerRefusingUidlIsCountedByStat) {
    TScript script;
    GreetWithoutTls(script).Expect().Send("+OK\r\n").Expect().Send("+OK\r\n").Expect()
        .Send("-ERR UIDL not supported\r\n").Expect().Send("+OK 2 640\r\n").Expect();
    TScriptedServer server({script});
    TAccount a{"Old", "127.0.0.1", "u", "p", server.Port(), false};
    Accounts({a});
    Start();
    vexil.ConnectClick();
    ASSERT_TRUE(vexil.Cycle().IsOnline());
    ExpectShown("OLD 2 MESSAGES", 2);
    const auto lines = server.Lines(0, 6);  // going online checks on its own connection
    ASSERT_GE(lines.size(), 6u);
    EXPECT_EQ(std::vector<std::string>(lines.begin() + 3, lines.begin() + 6),
              (std::vector<std::string>{"UIDL", "STAT", "Quit"}));
}

// minutes become the check timer's interval, within what a window timer
// takes; 0 never ticks, and manual checks still work.
TEST_F(CheckCycle, CheckIntervalFromMinutes) {
    const struct {
        int Minutes, Interval;
    } cases[] = {{0, 0}, {-5, 0}, {1, 60000}, {35791, 2147460000}, {40000, 2147483647},
                 {2147483647, 2147483647}};
    for (const auto& c : cases) EXPECT_EQ(CheckIntervalFor(c.Minutes), c.Interval) << c.Minutes;

    const TMailbox box = Server().NewMailbox(Messages(2));
    Accounts({On(box, "Demo")});
    WriteIni("autocheck =1\r\nminutes = 40000\r\n");
    Start();
    vexil.ConnectClick();
    EXPECT_TRUE(view.CheckTimerOn);
    EXPECT_EQ(view.CheckTimerInterval, 2147483647);

    WriteIni("autocheck =1\r\nminutes = 0\r\n");
    Reload();
    vexil.ConnectClick();
    EXPECT_EQ(view.CheckTimerInterval, 0);  // a window timer of 0 ms is never set
    vexil.RefreshBtnMouseDown(TMouseButton::Left, ssLeft, 1, 1);
    ExpectShown("DEMO 2 MESSAGES", 2);
}

// Every command of the menus and buttons, arriving while a check waits on a
// slow server: those that change accounts, the skin or the connection are
// refused before they touch anything; the check ends under its own account
// whatever came.
TEST_F(CheckCycle, CommandsArrivingDuringACheck) {
    const struct {
        const char* Name;
        std::function<void(TVexilFolderData&)> Command;
    } commands[] = {
        {"account menu, first entry", [](TVexilFolderData& f) { f.vexil.MnuClick(0); }},
        {"Skins menu", [](TVexilFolderData& f) { f.vexil.SkinItemClick("Amber"); }},
        {"check button, left",
         [](TVexilFolderData& f) { f.vexil.RefreshBtnMouseDown(TMouseButton::Left, ssLeft, 1, 1); }},
        {"check button, right",
         [](TVexilFolderData& f) { f.vexil.RefreshBtnMouseDown(TMouseButton::Right, ssRight, 1, 1); }},
        {"Connect", [](TVexilFolderData& f) { f.vexil.ConnectClick(); }},
        {"timer tick", [](TVexilFolderData& f) { f.vexil.TimerTimer(); }},
        {"news source", [](TVexilFolderData& f) { f.vexil.NewsItemClick(3); }},
        {"Refresh List", [](TVexilFolderData& f) { f.vexil.Actualiser1Click(); }},
        {"Configure", [](TVexilFolderData& f) { f.vexil.Config1Click(); }},
        // These touch neither accounts, skin nor connection: they do their
        // work, and the check goes on all the same.
        {"On Top", [](TVexilFolderData& f) { f.vexil.OnTopClick(); }},
        {"Help", [](TVexilFolderData& f) { f.vexil.AideClick(); }},
        {"Other Skins", [](TVexilFolderData& f) { f.vexil.OtherSkinClick(); }},
        {"mail program", [](TVexilFolderData& f) { f.vexil.MAILClick(); }},
    };
    for (const auto& c : commands) {
        SCOPED_TRACE(c.Name);
        TScriptedServer fast({PopSession(1)});
        TScriptedServer slow({PopSession(2, 400)});
        TVexilFolderData f;
        f.WriteIni("autocheck =1\r\n");
        f.WriteAccounts({{"Ann", false}, {"Bob", false}}, {fast.Port(), slow.Port()});
        f.Start();
        f.vexil.ConnectClick();  // Ann, at once
        ASSERT_TRUE(f.vexil.Cycle().IsOnline());
        const std::string skin = f.vexil.Settings().current_skin;

        f.AtNextWait([&] {
            ASSERT_TRUE(f.vexil.Cycle().Busy());
            const int timerCalls = f.view.CheckTimerCalls, menus = f.view.MenusShown;
            const bool ticker = f.vexil.Ticker().Enabled();
            c.Command(f);
            EXPECT_EQ(f.view.CheckTimerCalls, timerCalls);
            EXPECT_EQ(f.vexil.Ticker().Enabled(), ticker);
            EXPECT_EQ(f.view.MenusShown, menus);
            EXPECT_EQ(f.vexil.Cycle().AccountIndex(), 2);
            EXPECT_EQ(f.vexil.Settings().current_skin, skin);
            EXPECT_EQ(f.vexil.Settings().srv_news, 0);
        });
        f.vexil.TimerTimer();  // Bob, slowly
        EXPECT_TRUE(f.ActedAtWait());
        EXPECT_EQ(f.vexil.STATBMP().Picture(), f.Expected("BOB 2 MESSAGES", false));
        EXPECT_EQ(f.vexil.NBMSGBMP().Hint, "Ann : 1 (not encrypted)\rBob : 2 (not encrypted)");
        EXPECT_EQ(f.vexil.Cycle().AccountIndex(), 2);
        EXPECT_FALSE(f.vexil.Cycle().Busy());
        EXPECT_TRUE(f.view.CheckTimerOn);
        EXPECT_EQ(f.vexil.Settings().current_skin, skin);
        EXPECT_EQ(fast.Accepted() + slow.Accepted(), 2);  // no other connection
    }
}

// An error that escapes a command (here a drawing error as the result shows)
// leaves neither the program busy nor the timers stopped: the next command
// and the next tick run as usual.
TEST_F(CheckCycle, AnErrorEscapingACommandLeavesNothingBehind) {
    const TMailbox box = Server().NewMailbox(Messages(2));
    Accounts({On(box, "Demo")});
    WriteIni("autocheck =1\r\n");
    Start();
    vexil.ConnectClick();
    ASSERT_TRUE(vexil.Cycle().IsOnline());
    view.OnProcessMessages = [&] { view.FailNextInvalidate = true; };
    EXPECT_THROW(vexil.RefreshBtnMouseDown(TMouseButton::Left, ssLeft, 1, 1), std::runtime_error);
    view.OnProcessMessages = nullptr;
    EXPECT_FALSE(vexil.Cycle().Busy());
    EXPECT_TRUE(vexil.Cycle().IsOnline());
    EXPECT_TRUE(view.CheckTimerOn);
    EXPECT_TRUE(vexil.Ticker().Enabled());

    view.OnProcessMessages = [&] { view.FailNextInvalidate = true; };
    EXPECT_THROW(vexil.TimerTimer(), std::runtime_error);
    view.OnProcessMessages = nullptr;
    EXPECT_FALSE(vexil.Cycle().Busy());
    EXPECT_TRUE(vexil.Ticker().Enabled());

    vexil.TimerTimer();
    ExpectShown("DEMO 2 MESSAGES", 2);
}

TEST_F(CheckCycle, DisconnectDuringACheckEndsIt) {
    const TMailbox box = Server().NewMailbox(Messages(2));
    Accounts({On(box, "Demo")});
    Start();
    vexil.ConnectClick();
    ASSERT_TRUE(vexil.Cycle().IsOnline());
    AtNextWait([&] { vexil.DisconnectClick(); });
    vexil.TimerTimer();
    EXPECT_TRUE(ActedAtWait());
    EXPECT_FALSE(vexil.Cycle().IsOnline());
    EXPECT_FALSE(vexil.Cycle().Busy());
    ExpectShown("DISCONNECTED", 0);
    EXPECT_EQ(vexil.StatusText(), "Disconnected");  // not the client's last status
    EXPECT_FALSE(view.CheckTimerOn);
}

// Disconnect while going online ends the attempt there: offline, no error.
TEST_F(CheckCycle, DisconnectWhileGoingOnlineEndsTheAttempt) {
    TScriptedServer server({PopSession(1, 1000)});
    WriteAccounts({{"Slow", false}}, server.Port());
    Start();
    AtNextWait([&] { vexil.DisconnectClick(); });
    vexil.ConnectClick();
    EXPECT_TRUE(ActedAtWait());
    EXPECT_FALSE(vexil.Cycle().IsOnline());
    EXPECT_FALSE(vexil.Cycle().Busy());
    EXPECT_TRUE(messages.Shown.empty());
    ExpectShown("DISCONNECTED", 0);
    EXPECT_EQ(server.Accepted(), 0);  // pressed as it began: not even connected
}

TEST_F(CheckCycle, ClosingTheWindowDuringACheckEndsItAndSaves) {
    const TMailbox box = Server().NewMailbox(Messages(2));
    Accounts({On(box, "Demo")});
    Start();
    vexil.ConnectClick();
    ASSERT_TRUE(vexil.Cycle().IsOnline());
    size_t drawn = 0;
    AtNextWait([&] {
        view.Left = 77;
        vexil.Exit1Click();
        drawn = view.Invalidated.size();
    });
    vexil.TimerTimer();
    EXPECT_TRUE(ActedAtWait());
    EXPECT_TRUE(view.Closed);
    EXPECT_FALSE(vexil.Cycle().Busy());
    EXPECT_FALSE(vexil.POP->Connected());
    EXPECT_EQ(view.Invalidated.size(), drawn);  // nothing drawn after the close
    EXPECT_FALSE(view.CheckTimerOn);
    EXPECT_NE(ReadFileBytes(dir.File("Vexil.ini")).find("\r\nposX = 77\r\n"), std::string::npos);
}

TEST_F(CheckCycle, WindowStaysAliveWhileTheServerIsSlow) {
    TScriptedServer server({PopSession(0), PopSession(1, 1000)});
    WriteAccounts({{"Slow", false}}, server.Port());
    Start();
    vexil.ConnectClick();
    ASSERT_TRUE(vexil.Cycle().IsOnline());
    const int before = view.ProcessMessagesCalls;
    vexil.TimerTimer();
    ExpectShown("SLOW 1 MESSAGE", 1);
    // Waits run in slices of at most 50 ms with the window's messages between.
    EXPECT_GE(view.ProcessMessagesCalls - before, 15);
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
    EXPECT_EQ(vexil.Settings().RAS_num, 0);
    ASSERT_EQ(system.Ras.Dialled.size(), 1u);
    EXPECT_EQ(system.Ras.Dialled[0].EntryName, "Office");
    EXPECT_FALSE(vexil.Cycle().IsOnline());
    EXPECT_EQ(messages.Shown, std::vector<std::string>{"POP Connection failed. Check you account"});
    EXPECT_TRUE(vexil.RASC.Dialing);  // the line stays up

    messages.Shown.clear();
    vexil.ConnectClick();
    EXPECT_EQ(system.Ras.Dialled.size(), 1u);  // refused by the control
    ASSERT_EQ(messages.Shown.size(), 2u);
    EXPECT_EQ(messages.Shown[0], "Check your modem. DUN connection failed to Office");
    EXPECT_EQ(messages.Shown[1], "POP Connection failed. Check you account");
}

TEST_F(CheckCycleDialUp, NegativeEntryNumberDialsTheFirstEntry) {
    const TMailbox box = Server().NewMailbox(Messages(1));
    Accounts({On(box, "Demo")});
    WriteIni("RAS_connect =1\r\nRAS_num = -1\r\n");
    Start();
    vexil.ConnectClick();
    EXPECT_TRUE(messages.Errors.empty());
    EXPECT_EQ(vexil.Settings().RAS_num, 0);
    ASSERT_EQ(system.Ras.Dialled.size(), 1u);
    EXPECT_EQ(system.Ras.Dialled[0].EntryName, "Office");
    EXPECT_TRUE(vexil.Cycle().IsOnline());
}

// A check that fails on a line that dropped by itself goes offline and lets
// go of the line, so the next Connect can dial again.
TEST_F(CheckCycleDialUp, CheckFailingOnADroppedLineGoesOfflineAndReleasesIt) {
    const TMailbox box = Server().NewMailbox(Messages(1));
    TAccount good = On(box, "Good");
    TAccount bad = good;
    bad.Name = "Bad";
    bad.Port = TScriptedServer::UnusedPort();
    Accounts({good, bad});
    WriteIni("RAS_connect =1\r\n");
    Start();
    vexil.ConnectClick();
    ASSERT_TRUE(vexil.Cycle().IsOnline());
    ExpectShown("GOOD 1 MESSAGE", 1);
    system.Ras.Connections.clear();  // the line dropped
    vexil.TimerTimer();              // Bad fails: is the line still up?
    EXPECT_FALSE(vexil.Cycle().IsOnline());
    ExpectShown("DISCONNECTED", 0);
    EXPECT_TRUE(system.Ras.Open.empty());  // the dial's handle was hung up
    EXPECT_FALSE(vexil.RASC.Dialing);

    // Connect dials again (no "Check your modem"); the server tried is the
    // account last checked, as ever.
    vexil.ConnectClick();
    EXPECT_EQ(system.Ras.Dialled.size(), 2u);
    EXPECT_EQ(messages.Shown, std::vector<std::string>{"POP Connection failed. Check you account"});
}

// Disconnect hangs up what was dialled and nothing else: no entry, a dial
// that failed or a line that dropped give no error.
TEST_F(CheckCycleDialUp, DisconnectHangsUpOnlyWhatWasDialled) {
    const TMailbox box = Server().NewMailbox(Messages(1));
    Accounts({On(box, "Demo")});
    WriteIni("RAS_connect =1\r\n");
    const struct {
        const char* Name;
        std::function<void(TFakeRas&)> Before;  // what the phonebook does meanwhile
        size_t HungUp;
    } cases[] = {
        {"dialled and up", [](TFakeRas&) {}, 1},
        {"dial failed", [](TFakeRas& ras) { ras.DialError = 678; }, 0},
        {"line dropped", [](TFakeRas&) {}, 1},
        {"no entry at all", [](TFakeRas& ras) { ras.Phonebook.clear(); }, 0},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.Name);
        TVexilFolderData f;
        f.WriteIni("RAS_connect =1\r\n");
        WriteFileBytes(f.dir.File("Accounts.ini"), ReadFileBytes(dir.File("Accounts.ini")));
        f.system.Ras.AddEntry("Office", "jo", "555-0100");
        c.Before(f.system.Ras);
        f.Start();
        f.vexil.ConnectClick();
        ASSERT_TRUE(f.vexil.Cycle().IsOnline());
        if (std::string(c.Name) == "line dropped") f.system.Ras.Connections.clear();
        f.messages.Errors.clear();
        f.vexil.DisconnectClick();
        f.vexil.ConnectClick();
        f.vexil.DisconnectClick();  // and again: never an error
        EXPECT_TRUE(f.messages.Errors.empty()) << f.messages.Errors[0];
        EXPECT_FALSE(f.vexil.Cycle().IsOnline());
        EXPECT_TRUE(f.system.Ras.Open.empty());
        EXPECT_FALSE(f.vexil.RASC.Dialing);
    }
}

// Closing the window while "Connecting to ..." shows: nothing is dialled and
// no server is asked any more.
TEST_F(CheckCycleDialUp, ClosingWhileConnectingDialsNothing) {
    TScriptedServer server({PopSession(1)});
    WriteAccounts({{"Demo", false}}, server.Port());
    WriteIni("RAS_connect =1\r\n");
    Start();
    AtNextWait([&] {
        EXPECT_EQ(vexil.STATBMP().Picture(), Expected("CONNECTING TO OFFICE", false));
        vexil.Exit1Click();
    });
    vexil.ConnectClick();
    EXPECT_TRUE(ActedAtWait());
    EXPECT_TRUE(view.Closed);
    EXPECT_TRUE(system.Ras.Dialled.empty());
    EXPECT_EQ(server.Accepted(), 0);
    EXPECT_FALSE(vexil.Cycle().IsOnline());
}

TEST_F(CheckCycle, DialUpWithoutAnyEntryStillTriesTheServer) {
    const TMailbox box = Server().NewMailbox(Messages(1));
    Accounts({On(box, "Demo")});
    WriteIni("RAS_connect =1\r\n");
    Start();
    vexil.ConnectClick();
    EXPECT_EQ(messages.Shown, std::vector<std::string>{"Check your modem. DUN connection failed to "});
    EXPECT_TRUE(vexil.Cycle().IsOnline());
    ExpectShown("DEMO 1 MESSAGE", 1);
}

}  // namespace
}  // namespace vexil::test

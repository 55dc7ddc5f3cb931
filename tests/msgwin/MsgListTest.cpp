// The message window's logic against a real POP3 server: the lines shown,
// navigation, headers only and Read Mail, the filter alert's two answers,
// delete, reply, attachments and the notepad, with the window, the alert and
// the main window faked.
#include "msgwin/MsgList.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <optional>

#include "msgwin/MemoFile.h"
#include "pop3/WirePOP3.h"
#include "support/Dovecot.h"
#include "support/FakeMainWindow.h"
#include "support/FakeMessages.h"
#include "support/FakeMsgView.h"
#include "support/ScriptedServer.h"
#include "support/TempDir.h"

namespace vexil {
namespace {

using Lines = std::vector<std::string>;
using test::TFakeMsgView;
using test::TMailbox;

class TFakeAlert : public IFilterAlert {
public:
    TAlertAnswer Answer = TAlertAnswer::Ignore;
    struct TAsk {
        std::string From, Subject, Size;
        int Flags;
    };
    std::vector<TAsk> Asked;
    TAlertAnswer Ask(const std::string& from, const std::string& subject, const std::string& size,
                     int flags) override {
        Asked.push_back({from, subject, size, flags});
        return Answer;
    }
};

class TFakeHost : public IMsgListHost {
public:
    explicit TFakeHost(TWirePOP3& pop) : pop_(pop) {}
    int Count = 0;
    bool Notepad = false;
    std::vector<std::string> Opened;
    int MsgCount() override { return Count; }
    bool NotepadMode() override { return Notepad; }
    bool OnTopChecked() override { return false; }
    void CountAndClose() override {
        Count = pop_.CheckMessages();
        pop_.Disconnect();
    }
    void ShellOpen(const std::string& target) override { Opened.push_back(target); }

private:
    TWirePOP3& pop_;
};

std::string Mail(const std::string& headers, const std::string& body) {
    return "From: \"Ann Smith\" <ann@example.org>\nDate: Tue, 1 Dec 2026 10:20:30 +0100\n" +
           headers + "\n" + body;
}

// The window's logic with its fakes, over one POP3 session.
struct TMsgWindowParts {
    TWirePOP3 pop;
    TWireMessage msg;
    TSettings settings;
    TFilterTable filters;
    TFakeMsgView view;
    TFakeAlert alert;
    TFakeHost host{pop};
    test::TFakeMessages messages;
    TMsgList window{view, alert, host, messages, pop, msg, settings, filters};
};

class MsgList : public test::TDovecotTest, protected TMsgWindowParts {
protected:
    void Open(const std::vector<std::string>& messages) {
        box = Server().NewMailbox(messages);
        pop.Host = Server().Host();
        pop.Port = Server().Port();
        pop.UserID = box.User;
        pop.Password = box.Password;
        pop.TimeoutMs = 10000;
        pop.Connect();
        host.Count = pop.CheckMessages();
    }
    int ServerCount() {
        TWirePOP3 other;
        other.Host = pop.Host, other.Port = pop.Port, other.UserID = pop.UserID;
        other.Password = pop.Password;
        other.Connect();
        const int n = other.CheckMessages();
        other.Disconnect();
        return n;
    }

    TMailbox box;
};

const std::string kUtf8Mail = Mail(
    "Subject: =?UTF-8?B?0J/RgNC40LLQtdGC?= =?UTF-8?Q?_=E6=97=A5?=\n"
    "Content-Type: text/plain; charset=UTF-8\nContent-Transfer-Encoding: quoted-printable\n",
    "=D0=9F=D1=80=D0=B8=D0=B2=D0=B5=D1=82, =E6=97=\n=A5=E6=9C=AC\nsecond line\n");
const std::string kHtmlMail =
    Mail("Subject: html\nContent-Type: text/html\n", "<!doctype html>\n<p>hi</p>\n");
const std::string kFilesMail = Mail(
    "Subject: files\nContent-Type: multipart/mixed; boundary=b\n",
    "--b\nContent-Type: text/plain\n\nSee attached.\n--b\nContent-Type: text/plain\n"
    "Content-Disposition: attachment; filename=\"..\\..\\Startup\\a.txt\"\n\nalpha\n"
    "--b\nContent-Type: application/octet-stream; name=b.bin\nContent-Transfer-Encoding: base64\n\n"
    "AAEC\n--b--\n");

// A sender's header field stays on its line: an encoded CR LF in a subject
// cannot start a forged "From :" line, nor a direction mark turn an
// attachment's name round.
TEST_F(MsgList, HeaderFieldsCannotForgeLines) {
    Open({Mail("Subject: =?UTF-8?Q?Hi=0D=0AFrom_:_boss@bank.example?=\n"
               "Content-Type: multipart/mixed; boundary=b\n",
               "--b\nContent-Type: text/plain\n\nBody.\n--b\n"
               "Content-Type: application/octet-stream; name=\"=?UTF-8?Q?invoice=E2=80=AEfdp.exe?=\"\n\n"
               "x\n--b--\n")});
    window.ShowMsg(1, 0);
    ASSERT_GE(view.Text.size(), 5u);
    EXPECT_EQ(view.Text[1], "Subj : HiFrom : boss@bank.example");
    EXPECT_EQ(view.Text[4], "File(s) : invoicefdp.exe ");
    for (const std::string& line : view.Text)
        EXPECT_EQ(line.find_first_of("\r\n"), std::string::npos) << line;
}

TEST_F(MsgList, ShowsEachMessageInItsScriptAndWrapsAround) {
    Open({kUtf8Mail, kHtmlMail, kFilesMail});
    window.ShowMsg(1, 0);
    EXPECT_EQ(view.Shown.front(), Lines{kMsgReading});  // while the message comes
    const std::string size = std::to_string(test::SizeWithCrLf(kUtf8Mail));
    EXPECT_EQ(view.Text, (Lines{"From : \"Ann Smith\" <ann@example.org>",
                                "Subj : \xD0\x9F\xD1\x80\xD0\xB8\xD0\xB2\xD0\xB5\xD1\x82 \xE6\x97\xA5",
                                "Date : Tue, 1 Dec 2026 10:20", "Size : " + size + " bytes",
                                "File : 0", std::string(23, '_'), "",
                                "\xD0\x9F\xD1\x80\xD0\xB8\xD0\xB2\xD0\xB5\xD1\x82, \xE6\x97\xA5\xE6\x9C\xAC",
                                "second line"}));
    EXPECT_EQ(window.ReplyAddress, "\"Ann Smith\" <ann@example.org>");

    window.NextBtnClick();
    EXPECT_EQ(window.CurrentMsg, 2);
    EXPECT_EQ(view.Text.back(), kHtmlEmail);
    EXPECT_EQ(view.Text[view.Text.size() - 2], "");
    window.NextBtnClick();
    EXPECT_EQ(view.Text[4], "File(s) : ..\\..\\Startup\\a.txt b.bin ");
    window.NextBtnClick();
    EXPECT_EQ(window.CurrentMsg, 1);
    window.PrevBtnClick();
    EXPECT_EQ(window.CurrentMsg, 3);
    EXPECT_TRUE(messages.Shown.empty());
}

TEST_F(MsgList, HeadersOnlyThenReadMailOnce) {
    Open({kFilesMail});
    settings.header_only = true;
    window.ShowMsg(1, 0);
    EXPECT_EQ(view.Text.size(), 6u);  // four header lines, the underscores, the empty line
    EXPECT_EQ(view.Shown.size(), 1u);  // no waiting text: the body is not fetched
    EXPECT_TRUE(msg.Attachments.empty());

    window.MnuMsgPopup();
    EXPECT_TRUE(view.Menu->Find("Readmail")->Enabled);
    view.Menu->Find("Readmail")->OnClick();
    EXPECT_EQ(view.Text[4], "File(s) : ..\\..\\Startup\\a.txt b.bin ");
    EXPECT_EQ(view.Text.back(), "See attached.");
    EXPECT_TRUE(settings.header_only);
    settings.header_only = false;
    window.MnuMsgPopup();
    EXPECT_FALSE(view.Menu->Find("Readmail")->Enabled);
}

TEST_F(MsgList, FilterFlagsAndTheAlertsAnswers) {
    const std::string spam = Mail("Subject: Buy VIAGRA now\n", std::string(3000, 'x') + "\n");
    struct Case {
        std::vector<std::string> list;
        bool auth;
        int maxSize;
        int flags;
    };
    const Case cases[] = {
        {{"viagra"}, false, 0, ffSubject},
        {{"ann@example"}, false, 0, 0},        // the sender only with auth_fltr
        {{"ann@example"}, true, 0, ffSender},
        {{"nothing"}, false, 2, ffSize},         // 3 KB against 2
        {{"buy now"}, true, 3, ffSubject},       // 3 KB is not above 3
    };
    Open({spam});
    settings.filter = true;
    for (const Case& c : cases) {
        filters = TFilterTable();
        for (size_t i = 0; i < c.list.size(); ++i) filters.Filters[i] = c.list[i];
        filters.FilterCount = static_cast<int>(c.list.size());
        filters.auth_fltr = c.auth;
        filters.max_size = c.maxSize;
        alert.Asked.clear();
        window.ShowMsg(1, 0);
        if (c.flags == 0) {
            EXPECT_TRUE(alert.Asked.empty()) << c.list[0];
        } else {
            ASSERT_EQ(alert.Asked.size(), 1u) << c.list[0];
            EXPECT_EQ(alert.Asked[0].Flags, c.flags) << c.list[0];
            EXPECT_EQ(alert.Asked[0].Subject, "Buy VIAGRA now");
        }
        EXPECT_EQ(view.Text[1], "Subj : Buy VIAGRA now");  // Ignore: shown as usual
    }
    // Read Mail applies no filter.
    alert.Asked.clear();
    settings.header_only = true;
    window.ReadmailClick();
    EXPECT_TRUE(alert.Asked.empty());
    settings.header_only = false;

    // Delete: removed on the server and not shown; nothing else to read.
    filters.max_size = 0;
    alert.Answer = TAlertAnswer::Delete;
    view.Shown.clear();
    window.ShowMsg(1, 0);
    EXPECT_EQ(view.Text, Lines{kMsgEmpty});
    EXPECT_EQ(host.Count, 0);
    EXPECT_EQ(ServerCount(), 0);
    for (const Lines& shown : view.Shown) EXPECT_NE(shown.size(), 9u);  // never the message
}

TEST_F(MsgList, DeleteShowsTheFirstLeftAndReplyHasNoQuotes) {
    Open({kHtmlMail, kUtf8Mail});
    window.ShowMsg(2, 0);
    window.ReplyBtnClick();
    EXPECT_EQ(host.Opened, std::vector<std::string>{"mailto:ann@example.org"});
    window.DeleteBtnClick();
    EXPECT_EQ(host.Count, 1);
    EXPECT_EQ(window.CurrentMsg, 1);
    EXPECT_EQ(view.Text[1], "Subj : html");
    window.DeleteBtnClick();
    EXPECT_EQ(view.Text, Lines{kMsgEmpty});
    EXPECT_EQ(ServerCount(), 0);
}

TEST_F(MsgList, AReconnectionThatFailsLeavesTheWindowUsable) {
    Open({kHtmlMail});
    window.ShowMsg(1, 0);
    pop.Port = 1;  // the server is gone for the reconnection
    window.DeleteBtnClick();
    ASSERT_FALSE(view.Text.empty());
    EXPECT_NE(view.Text[0].find("connection to the server was lost"), std::string::npos);
    EXPECT_EQ(window.CurrentMsg, 0);
    EXPECT_FALSE(pop.Connected());
    window.ReplyBtnClick();  // nothing goes to a closed connection; no exception
}

TEST_F(MsgList, AttachmentsAreSavedUnderASafeName) {
    Open({kFilesMail});
    window.ShowMsg(1, 0);
    test::TTempDir dir;
    view.NextPath = dir.File("saved.bin");
    window.SaveClick();
    ASSERT_EQ(view.Dialogs.size(), 2u);
    EXPECT_EQ(view.Dialogs[0].FileName, "a.txt");
    EXPECT_EQ(view.Dialogs[1].FileName, "b.bin");
    EXPECT_EQ(test::ReadFileBytes(dir.File("saved.bin")), std::string("\x00\x01\x02", 3));

    const std::string cyrillic = dir.File("\xD0\xBE\xD1\x82\xD1\x87\xD1\x91\xD1\x82.bin");
    view.NextPath = cyrillic;
    window.SaveClick();
    EXPECT_EQ(test::ReadFileBytes(cyrillic), std::string("\x00\x01\x02", 3));

    view.NextPath = dir.File("no-such-folder") + kPathDelim + "x";
    window.SaveClick();
    ASSERT_EQ(messages.Shown.size(), 2u);  // one per attachment
    EXPECT_NE(messages.Shown[0].find("no-such-folder"), std::string::npos);
}

TEST_F(MsgList, TheNotepadSavesOpensAndPreparesItsMenu) {
    host.Notepad = true;
    test::TTempDir dir;
    view.SetLines({"caf\xC3\xA9", "note"});
    // The dialog adds ".txt" to a bare name before its overwrite question;
    // the name it gives back is the one written, nothing added afterwards.
    view.NextPath = dir.File("memo.txt");
    window.SavMemoClick();
    EXPECT_EQ(view.Dialogs.back().DefaultExt, "txt");
    EXPECT_EQ(view.Dialogs.back().FilterIndex, 3);
    EXPECT_EQ(window.MemoFileName, dir.File("memo.txt"));
    EXPECT_EQ(test::ReadFileBytes(dir.File("memo.txt")), "caf\xC3\xA9\r\nnote\r\n");
    view.NextPath = dir.File("plain");
    view.NextFilterIndex = 4;  // "all": kept as typed
    window.SavMemoClick();
    EXPECT_EQ(window.MemoFileName, dir.File("plain"));

    window.MnuMsgPopup();
    EXPECT_EQ(view.Menu->Find("QuickSav")->Caption, "Save plain");
    EXPECT_TRUE(view.Menu->Find("OpenMemo")->Enabled);
    EXPECT_FALSE(view.Menu->Find("Save")->Enabled);
    EXPECT_FALSE(view.Menu->Find("Readmail")->Enabled);

    view.NextFilterIndex = 0;
    view.NextPath = dir.File("memo.txt");
    view.SetLines({});
    window.OpenMemoClick();
    EXPECT_EQ(view.Text, (Lines{"caf\xC3\xA9", "note"}));
    // A file that cannot be read changes neither the text nor the file that
    // Save Memo writes to: one click must not replace the unread file.
    const std::string big = dir.File("big.txt");
    test::WriteFileBytes(big, "x");
    std::filesystem::resize_file(big, kMaxMemoBytes + 1);
    for (const std::string& path : {dir.File("missing.txt"), big}) {
        view.NextPath = path;
        window.OpenMemoClick();
        EXPECT_EQ(view.Text, (Lines{"caf\xC3\xA9", "note"})) << path;
        EXPECT_EQ(window.MemoFileName, dir.File("memo.txt")) << path;
    }
    EXPECT_EQ(messages.Shown.size(), 2u);
    EXPECT_EQ(std::filesystem::file_size(big), kMaxMemoBytes + 1);

    window.NextBtnClick();
    window.PrevBtnClick();
    window.PrevBtnClick();
    EXPECT_EQ(view.Pages, -1);
    window.DeleteBtnClick();  // clears the notepad
    EXPECT_TRUE(view.Text.empty());
    EXPECT_TRUE(window.MemoFileName.empty());
    window.MnuMsgPopup();
    EXPECT_FALSE(view.Menu->Find("SavMemo")->Enabled);
    EXPECT_EQ(view.Menu->Find("QuickSav")->Caption, "Save");
}

// Clicks that arrive while a message is read (the window is served from the
// read's waits): nothing goes on the wire in the middle of the reply, the
// message shown is the one read, and a Close waits for the read to end.
TEST(MsgListBusy, CommandsDuringAReadDoNothingAndCloseWaitsForIt) {
    const std::string message = "From: ann@example.org\r\nSubject: One\r\n\r\nFirst body\r\n.\r\n";
    test::TScript script;
    script.Send("+OK ready\r\n").Expect().Send("+OK\r\nUSER\r\nUIDL\r\n.\r\n")
        .Expect().Send("+OK\r\n").Expect().Send("+OK\r\n")
        .Expect().Send("+OK\r\n1 u1\r\n2 u2\r\n.\r\n")
        .Expect().Send("+OK 1 80\r\n")                                  // LIST 1
        .Expect().Send("+OK\r\nFrom: ann@example.org\r\nSubject: One\r\n\r\n.\r\n")  // TOP 1 0
        .Expect().Pause(600).Send("+OK 80 octets\r\n" + message);       // RETR 1, slowly
    test::TScriptedServer server({script});
    TMsgWindowParts parts;
    TWirePOP3& pop = parts.pop;
    TFakeMsgView& view = parts.view;
    TFakeHost& host = parts.host;
    TMsgList& window = parts.window;
    pop.Host = "127.0.0.1";
    pop.Port = server.Port();
    pop.UserID = "u";
    pop.Password = "p";
    pop.TimeoutMs = 10000;
    pop.Connect();
    host.Count = pop.CheckMessages();
    ASSERT_EQ(host.Count, 2);

    int idles = 0;
    pop.OnIdle = [&] {
        if (++idles != 2) return;
        EXPECT_TRUE(window.Busy());
        EXPECT_TRUE(view.Busy);
        window.NextBtnClick();
        window.DeleteBtnClick();
        window.PrevBtnClick();
        window.ReadmailClick();
        window.MnuMsgPopup();
        window.ExitBtnClick();
    };
    window.ShowMsg(1, 0);
    EXPECT_GE(idles, 2);
    EXPECT_FALSE(window.Busy());
    EXPECT_FALSE(view.Busy);
    EXPECT_EQ(window.CurrentMsg, 1);
    EXPECT_NE(std::find(view.Text.begin(), view.Text.end(), "First body"), view.Text.end());
    EXPECT_TRUE(view.Closed);      // the Close that came during the read, after it
    EXPECT_EQ(view.Menu, nullptr);  // no menu opened meanwhile
    const auto lines = server.Lines(0, 7, 500);  // waits a while for any line sent too many
    ASSERT_GE(lines.size(), 7u);
    EXPECT_EQ(std::vector<std::string>(lines.begin() + 4, lines.end()),
              (std::vector<std::string>{"LIST 1", "TOP 1 0", "RETR 1"}));
    pop.OnIdle = nullptr;
}

}  // namespace
}  // namespace vexil

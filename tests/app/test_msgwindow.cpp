// The double click on the mail picture, against a real Dovecot: online with
// mail the message window reads on a session of its own, which is counted
// and closed afterwards; offline, or when the mail went meanwhile, it opens
// as a notepad.
#include <gtest/gtest.h>

#include <functional>

#include "app/VexilFolder.h"
#include "support/Dovecot.h"
#include "support/FakeMsgView.h"

namespace vexil::test {
namespace {

class TIgnoringAlert : public IFilterAlert {
public:
    TAlertAnswer Ask(const std::string&, const std::string&, const std::string&, int) override {
        return TAlertAnswer::Ignore;
    }
};

std::string Numbered(int n) {
    return "From: ann@example.org\nSubject: Note " + std::to_string(n) + "\n\nBody " +
           std::to_string(n) + ".\n";
}

class MsgWindow : public TDovecotTest, public TVexilFolderData {
protected:
    void StartWith(const TMailbox& box) {
        Accounts({TAccount{"Demo", "127.0.0.1", box.User, box.Password, Server().Port(), false}});
        WriteIni("playsnd =0\r\n");
        Start();
        vexil.AttachMsgList(window, alert);
    }
    void DoubleClickFlag() { vexil.FLAGMouseDown(TMouseButton::Left, ssLeft | ssDouble, 1, 1); }

    TFakeMsgView window;
    TIgnoringAlert alert;
};

TEST_F(MsgWindow, ReadsTheWaitingMailThenCountsAgain) {
    const TMailbox box = Server().NewMailbox({Numbered(1), Numbered(2)});
    StartWith(box);
    vexil.ConnectClick();
    ASSERT_EQ(vexil.Cycle().MsgCount(), 2);
    window.OnModal = [this] {
        EXPECT_FALSE(vexil.MsgList() == nullptr);
        EXPECT_EQ(window.Text[1], "Subj : Note 1");
        EXPECT_FALSE(view.CheckTimerOn);
        vexil.MsgList()->DeleteBtnClick();  // the server drops it at the count's QUIT
        EXPECT_EQ(window.Text[1], "Subj : Note 2");
        vexil.MsgList()->ExitBtnClick();
    };
    DoubleClickFlag();
    EXPECT_EQ(window.Modals, 1);
    EXPECT_EQ(vexil.Cycle().MsgCount(), 1);
    EXPECT_EQ(vexil.StatusText(), "Demo 1 message");
    EXPECT_FALSE(vexil.POP->Connected());
    EXPECT_TRUE(vexil.Cycle().IsOnline());
    EXPECT_TRUE(messages.Shown.empty());
}

// An IMAP account: the window reads its unseen messages, reading marks none
// of them seen, and Delete removes the message on view from the server.
TEST_F(MsgWindow, ReadsAnImapAccountsUnseenMailAndDeletesOnTheServer) {
    const TMailbox box = Server().NewMailbox({Numbered(1), Numbered(2), Numbered(3)});
    TAccount kept{"Kept", "127.0.0.1", box.User, box.Password, Server().ImapPort(), false};
    kept.Protocol = "imap";
    Accounts({kept});
    WriteIni("playsnd =0\r\nminutes = 30\r\n");
    Start();
    vexil.AttachMsgList(window, alert);
    vexil.ConnectClick();
    ASSERT_EQ(vexil.Cycle().MsgCount(), 3);
    window.OnModal = [this] {
        EXPECT_EQ(window.Text[1], "Subj : Note 1");
        vexil.MsgList()->NextBtnClick();
        EXPECT_EQ(window.Text[1], "Subj : Note 2");
        vexil.MsgList()->DeleteBtnClick();
        EXPECT_EQ(window.Text[1], "Subj : Note 1");  // the list starts again at its first
        vexil.MsgList()->ExitBtnClick();
    };
    DoubleClickFlag();
    EXPECT_EQ(window.Modals, 1);
    EXPECT_EQ(vexil.Cycle().MsgCount(), 2);  // read, but still unseen; one deleted
    EXPECT_EQ(vexil.StatusText(), "Kept 2 messages");
    EXPECT_FALSE(vexil.IMAP->Connected());
    EXPECT_TRUE(messages.Shown.empty()) << (messages.Shown.empty() ? "" : messages.Shown.front());

    TWireIMAP other;
    other.SetServer({"127.0.0.1", Server().ImapPort(), box.User, box.Password, TSecurity::None});
    other.Connect();
    ASSERT_EQ(other.CheckMessages(), 2);
    TWireMessage msg;
    ASSERT_TRUE(other.RetrieveHeader(2, msg));
    EXPECT_EQ(msg.Subject(), "Note 3");
    other.Disconnect();
}

TEST_F(MsgWindow, ANotepadOfflineOrWhenTheMailWentMeanwhile) {
    const TMailbox box = Server().NewMailbox({Numbered(1)});
    StartWith(box);
    std::vector<std::string> seen;
    window.OnModal = [&] { seen = window.Text; };
    DoubleClickFlag();  // offline: no network at all
    EXPECT_EQ(window.Modals, 1);
    EXPECT_TRUE(seen.empty());

    vexil.ConnectClick();
    ASSERT_EQ(vexil.Cycle().MsgCount(), 1);
    // Read elsewhere: the server holds nothing when the window looks.
    TWirePOP3 other;
    other.Host = "127.0.0.1", other.Port = Server().Port(), other.UserID = box.User;
    other.Password = box.Password;
    other.Connect();
    other.CheckMessages();
    other.Delete(1);
    other.Disconnect();
    DoubleClickFlag();
    EXPECT_EQ(window.Modals, 2);
    EXPECT_EQ(seen, std::vector<std::string>{"Messages already read !"});
    EXPECT_EQ(vexil.Cycle().MsgCount(), 0);
}

}  // namespace
}  // namespace vexil::test

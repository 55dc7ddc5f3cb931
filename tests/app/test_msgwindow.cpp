// The double click on the mail picture, against a real Dovecot: online with
// mail the message window reads on a session of its own, which is counted
// and closed afterwards; offline, or when the mail went meanwhile, it opens
// as a notepad.
#include <gtest/gtest.h>

#include <functional>

#include "app/VexilFolder.h"
#include "support/Dovecot.h"

namespace vexil::test {
namespace {

class TModalMsgView : public IMsgListView {
public:
    std::vector<std::string> Text;
    std::function<void()> OnModal;
    int Modals = 0;
    bool Visible = false;
    TMaskRegionOps Regions;

    void ShowModal() override {
        ++Modals;
        Visible = true;
        if (OnModal) OnModal();
        Visible = false;
    }
    void Show() override { Visible = true; }
    void Hide() override { Visible = false; }
    bool IsVisible() override { return Visible; }
    void CloseWindow() override { Visible = false; }
    void SetBounds(int, int, int, int) override {}
    void GetPosition(int& l, int& t) override { l = t = 0; }
    void ScreenSize(int& w, int& h) override { w = 1024, h = 768; }
    void GetCursorPos(int& x, int& y) override { x = y = 0; }
    void SetTopmost(bool) override {}
    IRegionOps& RegionOps() override { return Regions; }
    void SetWindowRegion(IRegionOps::Handle region) override { Regions.Delete(region); }
    void Invalidate(const TRect&) override {}
    void SetTextArea(const TTextAreaStyle&) override {}
    void SetLines(const std::vector<std::string>& lines) override { Text = lines; }
    std::vector<std::string> Lines() override { return Text; }
    void PageText(bool) override {}
    void ProcessMessages() override {}
    bool SaveDialog(TMemoDialog&, std::string&) override { return false; }
    bool OpenDialog(TMemoDialog&, std::string&) override { return false; }
    void PopupMenu(const TMenuItem&, int, int) override {}
};

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

    TModalMsgView window;
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

// The Configure command of the main window: the options file read again
// first, the dialog shown modally, what changed applied after OK (and no
// second start-up) and nothing after Close; the skin preview on the live
// window.
#include <gtest/gtest.h>

#include "app/VexilFolder.h"
#include "support/FakeConfigView.h"
#include "support/ScriptedServer.h"

namespace vexil::test {
namespace {

using C = TConfigControl;

class Configure : public TVexilFolder {
protected:
    Configure() {
        WriteIni("icon_tray =1\r\nskin_dir = skins\r\nminutes = 5\r\n");
        Start();
        vexil.AttachConfig(dialog);
    }
    std::string SkinDir(const char* name) {
        return dir.Path() + "skins" + kPathDelim + name + kPathDelim;
    }

    TFakeConfigView dialog;
};

TEST_F(Configure, AnAccountAddedInTheDialogIsCheckedAfterOK) {
    dialog.OnModal = [this] {
        EXPECT_FALSE(view.CheckTimerOn);  // the timers hold while the dialog is open
        vexil.Config()->AccBtnClick();
        dialog.Type(C::NAccount, "Home");
        dialog.Type(C::HostTxt, "127.0.0.1");
        dialog.Type(C::UserName, "me");
        dialog.Type(C::Password, "secret");
        dialog.Type(C::PortTxt, "1");
        vexil.Config()->AddAccClick();
        dialog.Tick(C::ChkTray, false);
        vexil.Config()->ChkTrayClick();
        vexil.Config()->OKClick();
    };
    vexil.Config1Click();
    ASSERT_EQ(vexil.Accounts().AccountCount, 1);
    EXPECT_EQ(vexil.Accounts()[1].AccPassword, "secret");
    EXPECT_TRUE(vexil.Cycle().HasValidAccount());
    EXPECT_FALSE(vexil.Settings().icon_tray);
    EXPECT_FALSE(view.TrayShown);
    EXPECT_TRUE(messages.Shown.empty());
}

TEST_F(Configure, TheOptionsFileIsReadAgainBeforeTheDialogShowsIt) {
    WriteIni("icon_tray =1\r\nskin_dir = skins\r\nminutes = 42\r\nspeed = x\r\n");
    dialog.OnModal = [this] {
        EXPECT_EQ(dialog[C::UpDown].Position, 42);
        vexil.Config()->OKClick();  // Vexil.ini was not read whole: refused
    };
    vexil.Config1Click();
    EXPECT_EQ(dialog.Result, std::nullopt);
    ASSERT_EQ(messages.Errors.size(), 1u);
    EXPECT_NE(messages.Errors[0].find("speed"), std::string::npos);
    ASSERT_EQ(messages.Shown.size(), 1u);
    EXPECT_NE(messages.Shown[0].find("Vexil.ini"), std::string::npos);
    EXPECT_NE(ReadFileBytes(dir.File("Vexil.ini")).find("speed = x"), std::string::npos);
}

TEST_F(Configure, APreviewedSkinGoesWithCloseAndStaysWithOK) {
    const TImage32 defaultLook = vexil.Background();
    dialog.NextFile = SkinDir("Amber") + "skin.ini";
    dialog.OnModal = [this, &defaultLook] {
        vexil.Config()->SkinBtnClick();
        vexil.Config()->BrowseClick();
        EXPECT_FALSE(vexil.Background() == defaultLook);  // on the live window
        vexil.Config()->CancelClick();
    };
    vexil.Config1Click();
    EXPECT_TRUE(vexil.Background() == defaultLook);
    EXPECT_EQ(vexil.Settings().current_skin, "skins/Default/");
    EXPECT_EQ(view.Width, defaultLook.Width());

    dialog.OnModal = [this] {
        vexil.Config()->BrowseClick();
        vexil.Config()->OKClick();
    };
    vexil.Config1Click();
    EXPECT_EQ(vexil.Settings().current_skin, SkinDir("Amber"));
    EXPECT_FALSE(vexil.Background() == defaultLook);
    EXPECT_EQ(view.Width, vexil.Background().Width());
    EXPECT_NE(ReadFileBytes(dir.File("Vexil.ini")).find("current_skin = " + SkinDir("Amber")),
              std::string::npos);
    EXPECT_TRUE(messages.Shown.empty());
    EXPECT_TRUE(messages.Errors.empty());
}

TEST_F(Configure, RemovingTheAccountOnViewWhileOnlineThenOK) {
    TScriptedServer server({PopSession(3)});
    WriteAccounts({{"Only", false}}, server.Port());
    Reload();
    vexil.ConnectClick();
    ASSERT_TRUE(vexil.Cycle().IsOnline());
    dialog.OnModal = [this] {
        vexil.Config()->AccBtnClick();
        vexil.Config()->DelAccClick();
        dialog.Tick(C::ChkTray, false);
        vexil.Config()->ChkTrayClick();
        vexil.Config()->OKClick();
    };
    vexil.Config1Click();
    EXPECT_EQ(vexil.Accounts().AccountCount, 0);
    EXPECT_FALSE(view.TrayShown);
    vexil.TimerTimer();
    vexil.ShowOnlineState();
}

TEST_F(Configure, TheTrayMenuWaitsWhileTheDialogIsOpen) {
    dialog.OnModal = [this] {
        const int menus = view.MenusShown;
        vexil.TrayIconMessage(kTrayRightButtonDown);
        vexil.Config1Click();  // not a second dialog
        EXPECT_EQ(view.MenusShown, menus);
        vexil.Config()->CancelClick();
    };
    int shows = 0;
    dialog.OnModal = [this, inner = dialog.OnModal, &shows] {
        ++shows;
        inner();
    };
    vexil.Config1Click();
    EXPECT_EQ(shows, 1);
}

// OK while online, with autoconnect on and the window hidden after the mail
// was announced: the options take effect, but nothing of a start-up runs
// again: no new connection, no second sound, the window stays hidden, the
// news are not fetched again.
TEST(ConfigureOK, OnlineAppliesTheOptionsWithoutStartingAgain) {
    TScriptedServer server({PopSession(2)});  // one session: a second connect finds nobody
    TVexilFolderData f;
    f.Accounts({TAccount{"Home", "127.0.0.1", "u", "p", server.Port(), false}});
    f.WriteIni("autoconnect =1\r\nautocheck =1\r\nplaysnd =1\r\nwavsnd = a.wav\r\nicon_tray =1\r\n"
               "minutes = 5\r\nskin_dir = skins\r\n");
    f.Start();
    TFakeConfigView dialog;
    f.vexil.AttachConfig(dialog);
    ASSERT_TRUE(f.vexil.Cycle().IsOnline());
    ASSERT_EQ(f.system.Played.size(), 1u);
    f.view.Visible = false;  // the user hid it after the announcement
    const int newsRequests = f.system.HttpLog->Requests;

    dialog.OnModal = [&] {
        dialog.SetPosition(C::UpDown, 9);  // minutes
        f.vexil.Config()->OKClick();
    };
    f.vexil.Config1Click();
    EXPECT_EQ(dialog.Result, TModalResult::OK);
    EXPECT_EQ(server.Accepted(), 1);
    EXPECT_EQ(f.system.Played.size(), 1u);
    EXPECT_FALSE(f.view.Visible);
    EXPECT_EQ(f.system.HttpLog->Requests, newsRequests);
    EXPECT_TRUE(f.vexil.Cycle().IsOnline());
    EXPECT_EQ(f.vexil.Settings().minutes, 9);
    EXPECT_EQ(f.view.CheckTimerInterval, 9 * 60000);
    EXPECT_TRUE(f.view.CheckTimerOn);
    EXPECT_EQ(f.vexil.TrayIcon(), TTrayIcon::Mail);  // mail still waits
    EXPECT_TRUE(f.messages.Shown.empty());
}

// OK while offline with autoconnect on: still offline (autoconnect is for
// the start), and a tray switched on in the dialog appears.
TEST_F(Configure, OfflineOKStaysOfflineAndTheTrayFollowsTheBox) {
    TScriptedServer server({PopSession(1)});
    Accounts({TAccount{"Home", "127.0.0.1", "u", "p", server.Port(), false}});
    dialog.OnModal = [this] {
        dialog.Tick(C::ChkAuto, true);
        dialog.Tick(C::ChkTray, false);
        vexil.Config()->ChkTrayClick();
        vexil.Config()->OKClick();
    };
    vexil.Config1Click();
    EXPECT_TRUE(vexil.Settings().autoconnect);
    EXPECT_FALSE(vexil.Cycle().IsOnline());
    EXPECT_EQ(server.Accepted(), 0);
    EXPECT_FALSE(view.TrayShown);
    EXPECT_TRUE(vexil.Cycle().HasValidAccount());  // the accounts were read again
}

}  // namespace
}  // namespace vexil::test

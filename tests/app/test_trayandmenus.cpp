// The notification-area icon, the context menu and its submenus, the account
// menu, always-on-top and the window drag, driven on the shipped skins.
#include <gtest/gtest.h>

#include <filesystem>
#include <functional>
#include <string>
#include <vector>

#include "app/VexilFolder.h"
#include "skin/Picture.h"

namespace vexil {
namespace {

namespace fs = std::filesystem;
using Strings = std::vector<std::string>;

class TrayAndMenus : public test::TVexilFolder {
public:
    // A point of the window's background that no control covers.
    void BackgroundPoint(int& x, int& y) {
        const TRect controls[] = {vexil.Connect.BoundsRect(),    vexil.RefreshBtn.BoundsRect(),
                                  vexil.Disconnect.BoundsRect(), vexil.MAIL.BoundsRect(),
                                  vexil.STATBMP().BoundsRect(),    vexil.NBMSGBMP().BoundsRect(),
                                  vexil.FLAG().BoundsRect(),       vexil.Online().BoundsRect()};
        for (y = vexil.ClientHeight() / 2; y < vexil.ClientHeight(); ++y)
            for (x = vexil.ClientWidth() / 2; x < vexil.ClientWidth(); ++x) {
                if (SameRgb(vexil.Background().Pixel(x, y), kMagenta)) continue;
                bool free = true;
                for (const TRect& r : controls) free = free && !r.Contains(x, y);
                if (free) return;
            }
        FAIL() << "no free background";
    }
    void RightClickBackground() {
        int x = 0, y = 0;
        BackgroundPoint(x, y);
        vexil.MouseDown(TMouseButton::Right, ssRight, x, y);
    }
    const TMenuItem& Submenu(const char* name) {
        const TMenuItem* m = view.LastMenu->Find(name);
        EXPECT_NE(m, nullptr) << name;
        return *m;
    }
    void MakeSkinFolder(const fs::path& root, const std::string& name, const char* ini) {
        fs::create_directories(root / name);
        if (ini) test::WriteFileBytes((root / name / ini).string(), "[info]\r\n");
    }
};

TEST_F(TrayAndMenus, ContextMenuOpensAtTheCursorWithItsFixedItems) {
    Start();
    view.CursorX = 400;
    view.CursorY = 300;
    RightClickBackground();
    ASSERT_EQ(view.MenusShown, 1);
    EXPECT_EQ(view.MenuX, 400);
    EXPECT_EQ(view.MenuY, 300);
    EXPECT_EQ(test::Captions(*view.LastMenu),
              (Strings{"Configure", "-", "Skins", "News", "-", "On Top", "&Help", "-", "Exit"}));
    EXPECT_EQ(test::Captions(Submenu("SkinMnu")), (Strings{"Other Skins...", "-", "Amber", "Default"}));
    for (const char* name : {"SkinMnu", "OtherSkin", "NewsMnu", "Actualiser1", "Aide"})
        EXPECT_NE(view.LastMenu->Find(name)->PictureId, mpNone) << name;

    // A right click on the status line or another button opens it too.
    vexil.MouseDown(TMouseButton::Right, ssRight, vexil.STATBMP().Left + 1, vexil.STATBMP().Top + 1);
    vexil.MouseDown(TMouseButton::Right, ssRight, vexil.MAIL.Left + 1, vexil.MAIL.Top + 1);
    EXPECT_EQ(view.MenusShown, 3);

    view.ChooseMenuItem({"Skins", "Other Skins..."});
    EXPECT_EQ(system.Opened, Strings{"http://www.example.org/Vexil/skins/welcome.htm"});
    // Help: the old help file where there is one, else the help page.
    view.ChooseMenuItem({"&Help"});
    EXPECT_TRUE(system.Runs.empty());
    ASSERT_EQ(messages.Shown.size(), 1u);
    EXPECT_NE(messages.Shown[0].find("vxhelp.html"), std::string::npos);
    test::WriteFileBytes(dir.File("vxhelp.html"), "<html></html>");
    view.ChooseMenuItem({"&Help"});
    test::WriteFileBytes(dir.File("vxhelp.hlp"), "?_");
    view.ChooseMenuItem({"&Help"});
    EXPECT_EQ(system.Runs, (std::vector<test::TFakeSystem::TRun>{
                               {"OPEN", dir.Path() + "vxhelp.html", ""},
                               {"OPEN", dir.Path() + "vxhelp.hlp", ""}}));
}

TEST_F(TrayAndMenus, SkinsSubmenuListsSkinFoldersWithoutRegardToCase) {
    const fs::path root = fs::path(dir.Path()) / "myskins";
    MakeSkinFolder(root, "beta", "skin.ini");
    MakeSkinFolder(root, "Alpha", "Skin.INI");
    MakeSkinFolder(root, "alpha2", "skin.ini");
    MakeSkinFolder(root, "empty", nullptr);          // no skin.ini: not a skin
    MakeSkinFolder(root, "nested", "sub");           // nor is a folder of that name
    fs::create_directories(root / "nested" / "skin.ini");
    test::WriteFileBytes((root / "loose.ini").string(), "");
    WriteIni("skin_dir = myskins\r\n");
    Start();
    RightClickBackground();
    RightClickBackground();  // rebuilt at each opening, not added to
    EXPECT_EQ(test::Captions(Submenu("SkinMnu")),
              (Strings{"Other Skins...", "-", "Alpha", "alpha2", "beta"}));

    WriteIni("skin_dir = no such folder\r\n");
    vexil.Init();
    RightClickBackground();
    EXPECT_EQ(test::Captions(Submenu("SkinMnu")), (Strings{"Other Skins...", "-"}));
}

TEST_F(TrayAndMenus, ChoosingASkinAppliesItAndShowsTheWindow) {
    Start();
    const int width = view.Width, height = view.Height;
    view.Visible = false;
    RightClickBackground();
    view.ChooseMenuItem({"Skins", "Amber"});
    EXPECT_EQ(vexil.Settings().current_skin, dir.Path() + "skins" + kPathDelim + "Amber" + kPathDelim);
    EXPECT_EQ(vexil.Skin().MainPath.rfind(dir.Path() + "skins" + kPathDelim + "Amber", 0), 0u)
        << vexil.Skin().MainPath;
    EXPECT_TRUE(view.Width != width || view.Height != height);
    EXPECT_EQ(view.Width, vexil.Background().Width());
    EXPECT_TRUE(view.Visible);
    EXPECT_EQ(vexil.STATBMP().Picture(), Expected("DISCONNECTED", false));
    EXPECT_TRUE(messages.Shown.empty());
}

// A skin picked from the menu that cannot be used is refused with its
// message: the skin on view stays, window, shape and current_skin untouched,
// and the exit writes the skin that was on view.
TEST_F(TrayAndMenus, BrokenSkinFromTheMenuLeavesTheSkinOnView) {
    const struct {
        const char* Name;
        std::function<void(const fs::path& skin)> Break;
        const char* Message;  // shown in a message box; null: the general error report
    } cases[] = {
        {"missing background", [](const fs::path& d) { fs::remove(d / "main.bmp"); }, nullptr},
        {"no main line",
         [](const fs::path& d) {
             std::string ini = test::ReadFileBytes((d / "skin.ini").string());
             ini.erase(ini.find("main=main.bmp"), 13);
             test::WriteFileBytes((d / "skin.ini").string(), ini);
         },
         "Main Background not found in Skin.ini!\rsee section [Background] in Skin.ini, line : Main="},
        {"truncated background",
         [](const fs::path& d) {
             const std::string bytes = test::ReadFileBytes((d / "main.bmp").string());
             test::WriteFileBytes((d / "main.bmp").string(), bytes.substr(0, 300));
         },
         nullptr},
        {"malformed number",
         [](const fs::path& d) {
             std::string ini = test::ReadFileBytes((d / "skin.ini").string());
             ini.replace(ini.find("position=88,12"), 14, "position=88 ,12");
             test::WriteFileBytes((d / "skin.ini").string(), ini);
         },
         nullptr},
        {"broken button picture",
         [](const fs::path& d) { test::WriteFileBytes((d / "connect.bmp").string(), "BM"); },
         "INVALID FILE in SKIN.INI !\rCheck your bitmaps files in Skin.ini"},
        {"broken online picture",
         [](const fs::path& d) { test::WriteFileBytes((d / "online.bmp").string(), "BM"); },
         "Invalid file for section [Online]\rOnline= ... in Skin.ini"},
        {"broken font",
         [](const fs::path& d) { test::WriteFileBytes((d / "font.bmp").string(), "BM"); }, nullptr},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.Name);
        test::TVexilFolderData f;
        const fs::path broken = fs::path(f.dir.Path()) / "skins" / "Broken";
        fs::copy(fs::path(f.dir.Path()) / "skins" / "Default", broken);
        c.Break(broken);
        f.Start();
        TImage32 before, after;
        f.vexil.Paint(before);
        const IRegionOps::Handle region = f.view.Region;
        const int width = f.view.Width, left = f.view.Left;
        const std::string skin = f.vexil.Settings().current_skin;

        f.vexil.SkinItemClick("Broken");
        if (c.Message) {
            EXPECT_EQ(f.messages.Shown, std::vector<std::string>{c.Message});
            EXPECT_TRUE(f.messages.Errors.empty());
        } else {
            EXPECT_TRUE(f.messages.Shown.empty());
            EXPECT_EQ(f.messages.Errors.size(), 1u);
        }
        f.vexil.Paint(after);
        EXPECT_EQ(after, before);
        EXPECT_EQ(f.view.Region, region);
        EXPECT_EQ(f.view.Width, width);
        EXPECT_EQ(f.view.Left, left);
        EXPECT_TRUE(f.view.Visible);
        EXPECT_EQ(f.vexil.Settings().current_skin, skin);

        // The exit keeps the skin on view.
        f.vexil.Exit1Click();
        EXPECT_EQ(test::ReadFileBytes(f.dir.File("Vexil.ini")).rfind("current_skin = " + skin + "\r\n", 0),
                  0u);
    }
}

TEST(SplitNewsSource, FourTrimmedFields) {
    struct Case {
        const char* line;
        std::array<std::string, 4> fields;
    };
    const Case cases[] = {
        {"Vexil news|http://a/b.txt|Daily|http://a/", {"Vexil news", "http://a/b.txt", "Daily", "http://a/"}},
        {"  Name  |  http://x  ", {"Name", "", "", "http://x"}},
        {" just a line ", {"", "", "", "just a line"}},
        {"a|b|c|d|e", {"a", "b", "c", "d|e"}},
        {"||", {"", "", "", ""}},
        {"", {"", "", "", ""}},
    };
    for (const Case& c : cases) EXPECT_EQ(SplitNewsSource(c.line), c.fields) << c.line;
}

TEST_F(TrayAndMenus, NewsSubmenuListsTheSourcesByName) {
    test::TScriptedServer server({test::PopSession(0)});
    WriteIni("autocheck =1\r\n");
    WriteAccounts({{"Demo", false}}, server.Port());
    Start();
    vexil.ConnectClick();
    ASSERT_TRUE(vexil.Cycle().IsOnline());
    vexil.SetNewsSources({"First | http://one/ | a | http://one/n", "Second|http://two/|b|x"});
    RightClickBackground();
    const TMenuItem& news = Submenu("NewsMnu");
    EXPECT_EQ(test::Captions(news), (Strings{"Refresh List", "-", "First", "Second"}));
    EXPECT_EQ(news.Items[3].Tag, 1);
    view.ChooseMenuItem({"News", "Second"});
    EXPECT_EQ(vexil.Settings().srv_news, 1);
    EXPECT_TRUE(vexil.CheckTimerEnabled());  // resumed after the command

    vexil.SetNewsSources({"First | http://one/ | a | http://one/n"});
    RightClickBackground();
    EXPECT_EQ(test::Captions(Submenu("NewsMnu")), (Strings{"Refresh List", "-", "First"}));
}

TEST_F(TrayAndMenus, AccountMenuListsActiveAccountsAndChecksOnlyOnline) {
    WriteAccounts({{"One", false}, {"Two", true}, {"Three", false}});
    Start();
    view.CursorX = 50;
    view.CursorY = 60;
    vexil.MouseDown(TMouseButton::Right, ssRight, vexil.RefreshBtn.Left + 1, vexil.RefreshBtn.Top + 1);
    ASSERT_EQ(view.MenusShown, 1);  // the account menu only, not the window's
    EXPECT_EQ(view.MenuX, 50);
    EXPECT_EQ(test::Captions(*view.LastMenu), (Strings{"One", "Three"}));
    EXPECT_EQ(view.LastMenu->Items[0].Tag, 0);
    EXPECT_EQ(view.LastMenu->Items[1].Tag, 2);

    // Offline the choice does nothing.
    const int index = vexil.Cycle().AccountIndex();
    view.ChooseMenuItem({"Three"});
    EXPECT_EQ(vexil.Cycle().AccountIndex(), index);
    EXPECT_EQ(vexil.StatusText(), "Disconnected");

    // No accounts: an empty menu still opens.
    WriteAccounts({});
    vexil.Init();
    vexil.RefreshBtnMouseDown(TMouseButton::Right, ssRight, 0, 0);
    EXPECT_EQ(view.MenusShown, 2);
    EXPECT_TRUE(view.LastMenu->Items.empty());
}

TEST_F(TrayAndMenus, TrayIconFollowsTheSettingAndGoesAtExit) {
    WriteIni("icon_tray =1\r\n");
    Start();
    ASSERT_FALSE(view.TrayCalls.empty());
    EXPECT_EQ(view.TrayCalls[0].Op, "add");
    EXPECT_EQ(view.TrayCalls[0].Tip, "Vexil");
    EXPECT_TRUE(view.TrayShown);
    EXPECT_EQ(view.TrayShows, TTrayIcon::Dis);

    // The check cycle's icon changes, and the shell losing its icons.
    vexil.SetTrayIcon(TTrayIcon::Mail);
    EXPECT_EQ(view.TrayShows, TTrayIcon::Mail);
    view.TrayShown = false;
    vexil.TaskbarCreated();
    EXPECT_TRUE(view.TrayShown);
    EXPECT_EQ(view.TrayShows, TTrayIcon::Mail);
    // AfficheTray shows the online state's icon again.
    vexil.AfficheTray(true);
    EXPECT_EQ(view.TrayShows, TTrayIcon::Dis);
    test::TScriptedServer server({test::PopSession(0)});
    WriteAccounts({{"Demo", false}}, server.Port());
    Reload();
    vexil.ConnectClick();
    ASSERT_TRUE(vexil.Cycle().IsOnline());
    vexil.SetTrayIcon(TTrayIcon::Mail);
    vexil.AfficheTray(true);
    EXPECT_EQ(view.TrayShows, TTrayIcon::Con);

    vexil.Exit1Click();
    EXPECT_FALSE(view.TrayShown);
    EXPECT_NE(test::ReadFileBytes(dir.File("Vexil.ini")).find("\r\nicon_tray =1\r\n"),
              std::string::npos);
}

TEST_F(TrayAndMenus, NoTrayIconWithoutTheSetting) {
    Start();
    vexil.SetTrayIcon(TTrayIcon::Mail);
    vexil.TaskbarCreated();
    for (const auto& call : view.TrayCalls) EXPECT_EQ(call.Op, "delete");
    EXPECT_FALSE(view.TrayShown);
}

TEST_F(TrayAndMenus, TrayClicksToggleTheWindowAndOpenTheMenu) {
    WriteIni("icon_tray =1\r\n");
    Start();
    vexil.TrayIconMessage(kTrayLeftButtonDown);
    EXPECT_FALSE(view.Visible);
    EXPECT_FALSE(vexil.Ticker().Enabled());
    vexil.TrayIconMessage(kTrayLeftButtonDown);
    EXPECT_TRUE(view.Visible);
    EXPECT_TRUE(vexil.Ticker().Enabled());

    vexil.TrayIconMessage(512);  // a mere move
    EXPECT_TRUE(view.Visible);
    EXPECT_EQ(view.MenusShown, 0);

    view.CursorX = 1000;
    view.CursorY = 760;
    vexil.TrayIconMessage(kTrayRightButtonDown);
    EXPECT_EQ(view.BroughtToFront, 1);
    ASSERT_EQ(view.MenusShown, 1);
    EXPECT_EQ(view.MenuX, 1000);
    EXPECT_EQ(view.MenuY, 760);
    EXPECT_EQ(view.LastMenu->Items.back().Caption, "Exit");
    view.ChooseMenuItem({"Exit"});
    EXPECT_TRUE(view.Closed);
    EXPECT_FALSE(view.TrayShown);
}

TEST_F(TrayAndMenus, OnTopTogglesTheBandAndItsCheckMark) {
    WriteIni("ontop =1\r\n");
    Start();
    EXPECT_TRUE(view.Topmost);
    RightClickBackground();
    EXPECT_TRUE(view.LastMenu->Find("OnTop")->Checked);
    view.ChooseMenuItem({"On Top"});
    EXPECT_FALSE(view.Topmost);
    RightClickBackground();
    EXPECT_FALSE(view.LastMenu->Find("OnTop")->Checked);
    // The check mark is what the exit writes.
    vexil.Exit1Click();
    EXPECT_NE(test::ReadFileBytes(dir.File("Vexil.ini")).find("\r\nontop =0\r\n"),
              std::string::npos);
}

TEST_F(TrayAndMenus, DragMovesTheWindowAndSnapsToEdgesItMovesTowards) {
    Start();
    const int w = vexil.ClientWidth(), h = vexil.ClientHeight();
    const int sw = view.ScreenWidth, sh = view.ScreenHeight;
    struct Case {
        const char* name;
        int left, top, dx, dy, expectLeft, expectTop;
    };
    const Case cases[] = {
        {"plain move", 100, 100, 30, -20, 130, 80},
        {"to 5 px from the left, moving left", 20, 100, -15, 0, 0, 100},
        {"from the left edge, moving right", 0, 100, 5, 0, 5, 100},
        {"near the left edge, moving up", 5, 100, 0, -1, 5, 99},
        {"to 3 px from the top, moving up", 100, 13, 0, -10, 100, 0},
        {"to 4 px from the right, moving right", sw - w - 24, 100, 20, 0, sw - w, 100},
        {"4 px from the right, moving left", sw - w - 4, 100, -1, 0, sw - w - 5, 100},
        {"to 6 px from the bottom, moving down", 100, sh - h - 16, 0, 10, 100, sh - h},
        {"past the bottom, moving up", 100, sh - h + 5, 0, -1, 100, sh - h + 4},
    };
    int bx = 0, by = 0;
    BackgroundPoint(bx, by);
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        view.Left = c.left;
        view.Top = c.top;
        view.CursorX = c.left + bx;
        view.CursorY = c.top + by;
        vexil.MouseDown(TMouseButton::Left, ssLeft, bx, by);
        EXPECT_TRUE(view.Captured);
        view.CursorX += c.dx;
        view.CursorY += c.dy;
        vexil.MouseMove(bx, by, ssLeft);
        EXPECT_EQ(view.Left, c.expectLeft);
        EXPECT_EQ(view.Top, c.expectTop);
        EXPECT_EQ(view.Width, w);
        vexil.MouseUp(TMouseButton::Left, 0, bx, by);
        EXPECT_FALSE(view.Captured);
    }

    // Moves after the release, or with another key held, leave it alone; a
    // press on a control starts no drag.
    view.Left = view.Top = 100;
    view.CursorX += 50;
    vexil.MouseMove(bx, by, ssLeft);
    vexil.MouseDown(TMouseButton::Left, ssLeft, bx, by);
    view.CursorX += 50;
    vexil.MouseMove(bx, by, ssLeft | ssCtrl);
    vexil.MouseUp(TMouseButton::Left, 0, bx, by);
    vexil.MouseDown(TMouseButton::Left, ssLeft, vexil.STATBMP().Left + 1, vexil.STATBMP().Top + 1);
    view.CursorX += 50;
    vexil.MouseMove(vexil.STATBMP().Left + 1, vexil.STATBMP().Top + 1, ssLeft);
    EXPECT_EQ(view.Left, 100);
    EXPECT_EQ(view.Top, 100);
}

TEST(AppIcons, TrayIconsAndMenuPicturesAreSixteenPixelsSquare) {
    const fs::path res = fs::path(VEXIL_SOURCE_DIR) / "src" / "win32" / "res";
    for (const char* name : {"vxdis.ico", "vxcon.ico", "vxmail.ico", "skins.bmp", "otherskin.bmp",
                             "news.bmp", "refresh.bmp", "help.bmp"}) {
        SCOPED_TRACE(name);
        const TPicture picture = LoadPictureFile((res / name).string());
        ASSERT_FALSE(picture.Empty());
        EXPECT_EQ(picture.First().Width(), 16);
        EXPECT_EQ(picture.First().Height(), 16);
    }
}

}  // namespace
}  // namespace vexil

// The main window's logic driven through a whole start-up, its status display
// and its exit, on the shipped skins in a program folder of its own.
#include <gtest/gtest.h>

#include <filesystem>
#include <string>

#include "app/Vexil.h"
#include "config/IniFile.h"
#include "support/FakeMainWindow.h"
#include "support/FakeMessages.h"
#include "support/ScriptedServer.h"
#include "support/TempDir.h"
#include "app/VexilFolder.h"

namespace vexil {
namespace {

namespace fs = std::filesystem;

class VexilWindow : public ::testing::Test {
public:
    VexilWindow() {
        fs::copy(fs::path(VEXIL_SOURCE_DIR) / "skins", fs::path(dir.Path()) / "skins",
                 fs::copy_options::recursive);
        WriteIni(30, 40, "skins/Default/");
        test::WriteFileBytes(dir.File("Accounts.ini"), "");
        test::WriteFileBytes(dir.File("VxFilter.ini"), "");
        system.Dir = dir.Path();
    }

    void WriteIni(int posx, int posy, const std::string& skin, const std::string& extra = "") {
        test::WriteFileBytes(dir.File("Vexil.ini"),
                             "current_skin = " + skin + "\r\nposX = " + std::to_string(posx) +
                                 "\r\nposY = " + std::to_string(posy) + "\r\n" + extra);
    }
    std::string SkinFile(const std::string& skin = "Default") {
        return dir.Path() + "skins/" + skin + "/skin.ini";
    }
    // The full path of a picture named in the Default skin.
    std::string SkinPicture(const char* section, const char* key) {
        return dir.Path() + "skins/Default/" + FindInSkin(SkinFile(), section, key, false, nullptr);
    }
    // Starts the window; returns the exit code when the program halted, -1 otherwise.
    int Start() {
        try {
            vexil.FormCreate();
            vexil.FormShow();
        } catch (const TProgramHalted& h) {
            return h.Code;
        }
        return -1;
    }
    TImage32 Expected(const std::string& text, bool count) {
        return test::RenderedText(vexil, text, count);
    }

    test::TTempDir dir;
    test::TFakeMainWindow view;
    test::TFakeSystem system;
    test::TFakeMessages messages;
    TVexil vexil{view, system, messages};
};

TEST_F(VexilWindow, StartsOfflineWithTheSkinsShapeAndState) {
    ASSERT_EQ(Start(), -1);
    EXPECT_TRUE(messages.Shown.empty());
    EXPECT_EQ(view.Left, 30);
    EXPECT_EQ(view.Top, 40);
    ASSERT_FALSE(vexil.Background().Empty());
    EXPECT_EQ(view.Width, vexil.Background().Width());
    EXPECT_EQ(view.Height, vexil.Background().Height());

    // The window is exactly the background's non-magenta pixels.
    int inside = 0;
    for (int y = 0; y < view.Height; ++y)
        for (int x = 0; x < view.Width; ++x) {
            const bool opaque = !SameRgb(vexil.Background().Pixel(x, y), kMagenta);
            ASSERT_EQ(test::TMaskRegionOps::Contains(view.Region, x, y), opaque) << x << "," << y;
            inside += opaque;
        }
    EXPECT_LT(inside, view.Width * view.Height);  // the default skin is not a rectangle

    EXPECT_EQ(vexil.StatusText(), "Disconnected");
    EXPECT_EQ(vexil.STATBMP().Picture(), Expected("DISCONNECTED", false));
    EXPECT_EQ(vexil.STATBMP().Hint, "Disconnected");
    EXPECT_EQ(vexil.NBMSGBMP().Picture(), Expected("0", true));
    EXPECT_EQ(vexil.Online().Hint, "Disconnected");
    EXPECT_EQ(vexil.HintAt(vexil.Connect.Left + 1, vexil.Connect.Top + 1), "Connect to POP server");
    EXPECT_FALSE(vexil.CheckTimerEnabled());
    EXPECT_TRUE(vexil.Ticker().Enabled());  // FirstPaint still set

    // The news source list starts with the built-in source; offline, the
    // news are the built-in item.
    const TNewsAddresses product = ProductNewsAddresses(system.NewsHost());
    EXPECT_EQ(vexil.Ticker().NewsSources(), std::vector<std::string>{product.BuiltInSource});
    const auto source = SplitNewsSource(vexil.Ticker().NewsSources()[0]);
    EXPECT_EQ(source[0], "Brellin");
    EXPECT_EQ(source[2], "A Custom Windows - Skins skins skins !");
    EXPECT_EQ(vexil.Ticker().NewsLines(), std::vector<std::string>{product.BuiltInItem});
}

TEST_F(VexilWindow, PointerOverAButtonShowsItsSelectPicture) {
    ASSERT_EQ(Start(), -1);
    TImgBtn& b = vexil.MAIL;
    TImage32 before, after;
    vexil.Paint(before);
    vexil.MouseMove(b.Left + b.Width / 2, b.Top + b.Height / 2, 0);
    EXPECT_TRUE(b.PointerOver());
    vexil.Paint(after);
    EXPECT_FALSE(before == after);
    TImage32 over = before;
    over.DrawKeyed(b.PicOn(), b.Left + (b.Width - b.PicOn().Width()) / 2, b.Top, kMagenta);
    EXPECT_EQ(after, over);
    vexil.MouseLeaveWindow();
    vexil.Paint(after);
    EXPECT_EQ(after, before);
}

// The ticks of one wake of the ticker show the status strip alone, once,
// and composing that strip over the last picture gives what a whole new
// picture gives.
TEST_F(VexilWindow, TheTicksOfAWakeShowTheStatusStripOnce) {
    ASSERT_EQ(Start(), -1);
    vexil.SetNewsLines({" Ticker news scrolling by "});
    TImage32 stale;
    vexil.Paint(stale);
    vexil.DoScroll(100);  // the pause; its last tick draws
    view.Invalidated.clear();
    vexil.DoScroll(3);
    ASSERT_EQ(vexil.Ticker().ScrollOffset(), 4);
    const TRect strip = vexil.STATBMP().BoundsRect();
    ASSERT_EQ(view.Invalidated.size(), 1u);
    EXPECT_EQ(Intersect(view.Invalidated[0], strip), view.Invalidated[0]);
    TImage32 whole;
    vexil.Paint(whole);
    EXPECT_FALSE(whole == stale);
    vexil.PaintArea(stale, strip);
    EXPECT_EQ(stale, whole);
    // Nothing drawn, nothing shown.
    view.Invalidated.clear();
    vexil.DoScroll(0);
    EXPECT_TRUE(view.Invalidated.empty());
}

TEST_F(VexilWindow, BadSettingsAndSkinsEndWithTheirMessage) {
    struct Case {
        const char* name;
        void (*breakIt)(VexilWindow&);
        const char* message;  // nullptr: the general error report
    };
    const Case cases[] = {
        {"missing Vexil.ini", [](VexilWindow& t) { fs::remove(t.dir.File("Vexil.ini")); },
         kSkinPathNotFound},
        {"no current_skin",
         [](VexilWindow& t) { test::WriteFileBytes(t.dir.File("Vexil.ini"), "posX = 3\r\n"); },
         kSkinPathNotFound},
        {"skin without main",
         [](VexilWindow& t) {
             std::string ini = test::ReadFileBytes(t.SkinFile());
             const size_t at = ini.find("\nmain");
             ini.erase(at + 1, ini.find('\n', at + 1) - at);
             test::WriteFileBytes(t.SkinFile(), ini);
         },
         "Main Background not found in Skin.ini!\rsee section [Background] in Skin.ini, line : Main="},
        {"broken button picture",
         [](VexilWindow& t) {
             test::WriteFileBytes(t.SkinPicture("[connect]", "cnxbtnnormal"), "not a picture");
         },
         "INVALID FILE in SKIN.INI !\rCheck your bitmaps files in Skin.ini"},
        {"broken offline picture",
         [](VexilWindow& t) {
             test::WriteFileBytes(t.SkinPicture("[online]", "notonlinebmp"), "BM");
         },
         "Invalid file for section [Online]\rNotOnline= ... in Skin.ini"},
        {"truncated background",
         [](VexilWindow& t) {
             const std::string path = t.SkinPicture("[background]", "main");
             test::WriteFileBytes(path, test::ReadFileBytes(path).substr(0, 300));
         },
         nullptr},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        VexilWindow& t = *this;
        // Each case starts from a fresh copy of the folder.
        fs::remove_all(fs::path(dir.Path()) / "skins");
        fs::copy(fs::path(VEXIL_SOURCE_DIR) / "skins", fs::path(dir.Path()) / "skins",
                 fs::copy_options::recursive);
        WriteIni(30, 40, "skins/Default/");
        messages.Shown.clear();
        messages.Errors.clear();
        c.breakIt(t);
        TVexil fresh(view, system, messages);
        int code = -1;
        try {
            fresh.FormCreate();
        } catch (const TProgramHalted& h) {
            code = h.Code;
        }
        EXPECT_NE(code, -1);
        if (c.message) {
            ASSERT_EQ(messages.Shown.size(), 1u);
            EXPECT_EQ(messages.Shown[0], c.message);
        } else {
            EXPECT_TRUE(messages.Shown.empty());
            ASSERT_EQ(messages.Errors.size(), 1u);
        }
    }
}

TEST_F(VexilWindow, MalformedNumberIsReportedAndStartUpGoesOn) {
    WriteIni(30, 40, "skins/Default/", "minutes = ten\r\n");
    ASSERT_EQ(Start(), -1);
    ASSERT_EQ(messages.Errors.size(), 1u);
    EXPECT_NE(messages.Errors[0].find("ten"), std::string::npos);
    EXPECT_EQ(vexil.StatusText(), "Disconnected");
}

TEST_F(VexilWindow, ExitWritesTheSettingsWithTheWindowPosition) {
    WriteIni(30, 40, "skins/Default/", "icon_tray =1\r\nontop =1\r\n");
    ASSERT_EQ(Start(), -1);
    EXPECT_TRUE(view.Topmost);
    view.Left = 222;
    view.Top = 111;
    vexil.Exit1Click();
    EXPECT_TRUE(view.Closed);
    EXPECT_FALSE(vexil.Settings().icon_tray);  // the icon goes, the file keeps the user's choice
    const std::string ini = test::ReadFileBytes(dir.File("Vexil.ini"));
    EXPECT_NE(ini.find("\r\nposX = 222\r\nposY = 111\r\n"), std::string::npos) << ini;
    EXPECT_NE(ini.find("\r\nicon_tray =1\r\n"), std::string::npos);
    EXPECT_NE(ini.find("\r\nontop =1\r\n"), std::string::npos);

    // What was written starts the program again in the same place.
    TVexil again(view, system, messages);
    again.FormCreate();
    EXPECT_EQ(view.Left, 222);
    EXPECT_EQ(view.Top, 111);
}

// The exit writes the options as the settings dialog shows them: a sound file
// or mail program that was empty comes back empty, not "none".
TEST_F(VexilWindow, ExitWritesEmptyTextSettingsEmpty) {
    test::WriteFileBytes(dir.File("Vexil.ini"),
                         "current_skin = skins/Default/\r\nautocheck =1\r\nminutes = 5\r\n"
                         "posX = 30\r\nposY = 40\r\nplaysnd =1\r\nwavsnd = \r\nmy_mail_client =\r\n"
                         "skin_dir = myskins\r\nRAS_num = 2\r\nsrv_news =1\r\nspeed = 1\r\n");
    ASSERT_EQ(Start(), -1);
    vexil.Exit1Click();
    EXPECT_EQ(test::ReadFileBytes(dir.File("Vexil.ini")),
              "current_skin = skins/Default/\r\n"
              "autocheck =1\r\n"
              "autoconnect =0\r\n"
              "header_only =0\r\n"
              "ontop =0\r\n"
              "minutes = 5\r\n"
              "posX = 30\r\n"
              "posY = 40\r\n"
              "memo_posX = 50\r\n"
              "memo_posY = 100\r\n"
              "playsnd =1\r\n"
              "wavsnd = \r\n"
              "icon_tray =0\r\n"
              "run_my_client =0\r\n"
              "my_mail_client = \r\n"
              "reset =0\r\n"
              "skin_dir = myskins\r\n"
              "RAS_connect =0\r\n"
              "RAS_num = 2\r\n"
              "filter =0\r\n"
              "hidden =0\r\n"
              "srv_news =1\r\n"
              "speed = 1\r\n"
              "min_scroll = 20\r\n");
}

// The window's shape comes from the main background; when the platform
// refuses it, the program ends with that picture's message, not silently.
TEST_F(VexilWindow, ShapeThatCannotBeMadeEndsWithTheBackgroundsMessage) {
    ASSERT_EQ(Start(), -1);
    view.Regions.Refuse = true;
    EXPECT_THROW(vexil.MakeTransparent(), TProgramHalted);
    EXPECT_EQ(messages.Shown,
              std::vector<std::string>{
                  "Main Background not found in Skin.ini!\rsee section [Background] in Skin.ini, line : Main="});
}

// The message on hand when the program ends takes its attachment files with
// it: nothing is left in the temporary folder.
TEST_F(VexilWindow, ExitDeletesTheAttachmentFilesOfTheMessageOnHand) {
    const std::string message =
        "Content-Type: multipart/mixed; boundary=b\r\n\r\n--b\r\nContent-Type: text/plain\r\n\r\n"
        "text\r\n--b\r\nContent-Type: application/octet-stream\r\n"
        "Content-Disposition: attachment; filename=\"a.bin\"\r\n"
        "Content-Transfer-Encoding: base64\r\n\r\nTWFu\r\n--b--\r\n.\r\n";
    test::TScript script;
    test::GreetWithoutTls(script).Expect().Send("+OK\r\n").Expect().Send("+OK\r\n").Expect()
        .Send("+OK\r\n" + message);
    test::TScriptedServer server({script});
    ASSERT_EQ(Start(), -1);
    vexil.POP->Host = "127.0.0.1";
    vexil.POP->Port = server.Port();
    vexil.POP->Connect();
    ASSERT_TRUE(vexil.POP->Retrieve(1, vexil.Msg, static_cast<int>(message.size())));
    ASSERT_EQ(vexil.Msg.Attachments.size(), 1u);
    const std::string file = vexil.Msg.Attachments[0].StoredPathName;
    EXPECT_EQ(test::ReadFileBytes(file), "Man");
    vexil.Exit1Click();
    EXPECT_FALSE(test::FileExists(file));
}

TEST_F(VexilWindow, HiddenStartShowsOnePaintOnly) {
    WriteIni(30, 40, "skins/Default/", "hidden =1\r\n");
    ASSERT_EQ(Start(), -1);
    view.Visible = true;
    vexil.FormPaint();
    EXPECT_FALSE(view.Visible);
    EXPECT_FALSE(vexil.Ticker().Enabled());
    view.Visible = true;  // shown again later (tray icon, new mail)
    vexil.FormPaint();
    EXPECT_TRUE(view.Visible);
}

TEST_F(VexilWindow, CtrlClickOnTheStatusLineShowsHostAndTimeThenKeepsTheStatus) {
    ASSERT_EQ(Start(), -1);
    system.HostInfo = "BOX 10.1.2.3";
    system.Now = "12/10/2026 11:22:33";
    vexil.MouseDown(TMouseButton::Left, ssLeft | ssCtrl, vexil.STATBMP().Left + 2,
                    vexil.STATBMP().Top + 2);
    EXPECT_EQ(vexil.STATBMP().Picture(), Expected("BOX 10.1.2.3 12/10/2026 11:22:33", false));
    EXPECT_EQ(vexil.StatusText(), "Disconnected");
    EXPECT_TRUE(vexil.Ticker().Paused());
    EXPECT_EQ(vexil.Ticker().PauseTicks(), 20);

    // A plain left click on the flag puts the status text back on view.
    vexil.MouseDown(TMouseButton::Left, ssLeft, vexil.FLAG().Left + 1, vexil.FLAG().Top + 1);
    EXPECT_EQ(vexil.STATBMP().Picture(), Expected("DISCONNECTED", false));
    EXPECT_EQ(vexil.Ticker().PauseTicks(), 0);
}

TEST_F(VexilWindow, StatusLineLinkOpensThroughTheShell) {
    ASSERT_EQ(Start(), -1);
    vexil.SetNewsLines({" Plain news "});
    vexil.STATBMPMouseDown(TMouseButton::Left, ssLeft, 0, 0);
    EXPECT_TRUE(system.Opened.empty());
    vexil.SetNewsLines({" Release notes ###http://example.org/notes  "});
    vexil.STATBMPMouseDown(TMouseButton::Left, ssLeft, 0, 0);
    ASSERT_EQ(system.Opened.size(), 1u);
    EXPECT_EQ(system.Opened[0], "http://example.org/notes");
}

TEST_F(VexilWindow, AnotherSkinChangesSizeAndFont) {
    ASSERT_EQ(Start(), -1);
    const TSkin first = vexil.Skin();
    const int width = view.Width, height = view.Height;
    std::string other;
    for (const auto& e : fs::directory_iterator(fs::path(dir.Path()) / "skins"))
        if (e.path().filename() != "Default") other = e.path().filename().string();
    ASSERT_FALSE(other.empty());
    vexil.SkinItemClick(other);
    EXPECT_TRUE(view.Width != width || view.Height != height);
    EXPECT_TRUE(vexil.Skin().StatusW != first.StatusW || vexil.Skin().StatusH != first.StatusH);
    EXPECT_EQ(vexil.STATBMP().Picture(), Expected("DISCONNECTED", false));
    EXPECT_EQ(vexil.STATBMP().Height, vexil.Skin().StatusH + 1);
}

}  // namespace
}  // namespace vexil

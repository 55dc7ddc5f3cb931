// The MAIL button: the command lines it starts, and the reset of the count.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "app/VexilFolder.h"
#include "config/IniFile.h"

namespace vexil {
namespace {

using TRun = test::TFakeSystem::TRun;

class MailClient : public test::TVexilFolder {};

TEST_F(MailClient, StartsTheConfiguredOrRegisteredProgram) {
    struct Case {
        const char* name;
        const char* ini;       // lines added to Vexil.ini
        const char* registry;  // the registered mailto command
        std::vector<TRun> runs;
    };
    const Case cases[] = {
        {"own client with parameters", "run_my_client =1\r\nmy_mail_client = C:\\Mail\\m.exe,-compose\r\n",
         "", {{"OPEN", "C:\\Mail\\m.exe", "-compose"}}},
        {"own client split at the first comma only",
         "run_my_client =1\r\nmy_mail_client = D:\\m.exe, a,b \r\n", "",
         {{"OPEN", "D:\\m.exe", " a,b"}}},
        {"own client without parameters", "run_my_client =1\r\nmy_mail_client = D:\\mailer.exe\r\n",
         "\"C:\\other.exe\" %1", {{"OPEN", "D:\\mailer.exe", ""}}},
        {"quoted Netscape with its arguments", "",
         "\"C:\\Program Files\\Netscape\\Communicator\\Program\\netscape.exe\" -compose \"%1\"",
         {{"", "C:\\Program Files\\Netscape\\Communicator\\Program\\netscape.exe", " -mail"}}},
        {"unquoted path keeps its letters", "", "C:\\PROGRA~1\\OE\\MAIL.EXE /mailurl:%1",
         {{"", "C:\\PROGRA~1\\OE\\MAIL.EXE", ""}}},
        {"cut at the first .exe", "", "\"C:\\a.exe\" \"C:\\b.exe\" %1", {{"", "C:\\a.exe", ""}}},
        {"no .exe", "", "xdg-email %1", {}},
        {"nothing registered", "", "", {}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        WriteIni(c.ini);
        vexil.FormCreate();
        system.Runs.clear();
        system.MailtoCommand = c.registry;
        vexil.MAILClick();
        EXPECT_EQ(system.Runs, c.runs);
        // Nothing started: the status line says why, and keeps its text.
        EXPECT_EQ(vexil.STATBMP().Picture(),
                  Expected(c.runs.empty() ? "NO MAIL PROGRAM REGISTERED" : "DISCONNECTED", false));
        EXPECT_EQ(vexil.StatusText(), "Disconnected");
    }
}

TEST_F(MailClient, TheButtonStartsIt) {
    system.MailtoCommand = "C:\\m.exe %1";
    vexil.FormCreate();
    const TImgBtn& b = vexil.MAIL;
    vexil.MouseDown(TMouseButton::Left, ssLeft, b.Left + 2, b.Top + 2);
    vexil.MouseUp(TMouseButton::Left, 0, b.Left + 2, b.Top + 2);
    EXPECT_EQ(system.Runs, (std::vector<TRun>{{"", "C:\\m.exe", ""}}));
}

TEST_F(MailClient, ResetPutsTheCountBackToZero) {
    // Online with 3 messages on view, then the same 3 at the next check.
    test::TScriptedServer server({test::PopSession(3), test::PopSession(3)});
    WriteIni("reset =1\r\nicon_tray =1\r\nplaysnd =1\r\nwavsnd = ding.wav\r\n");
    WriteAccounts({{"Joe", false}}, server.Port());
    Start();
    system.MailtoCommand = "C:\\m.exe";
    const TImage32 noMail = vexil.FLAG().Picture();
    vexil.ConnectClick();
    ASSERT_EQ(vexil.Cycle().MsgCount(), 3);
    ASSERT_FALSE(vexil.FLAG().Picture() == noMail);
    ASSERT_EQ(view.TrayShows, TTrayIcon::Mail);
    ASSERT_EQ(system.Played.size(), 1u);

    vexil.MAILClick();
    EXPECT_EQ(system.Runs.size(), 1u);
    EXPECT_EQ(vexil.StatusText(), "Joe empty");
    EXPECT_EQ(vexil.STATBMP().Picture(), Expected("JOE EMPTY", false));
    EXPECT_EQ(vexil.NBMSGBMP().Picture(), Expected("0", true));
    EXPECT_EQ(vexil.FLAG().Picture(), noMail);
    EXPECT_EQ(vexil.Cycle().MsgCount(), 0);
    EXPECT_EQ(view.TrayShows, TTrayIcon::Con);

    // The same 3 at the next check are not new: no sound.
    vexil.TimerTimer();
    EXPECT_EQ(vexil.Cycle().MsgCount(), 3);
    EXPECT_EQ(vexil.STATBMP().Picture(), Expected("JOE 3 MESSAGES", false));
    EXPECT_EQ(system.Played.size(), 1u);
}

TEST_F(MailClient, ResetWithABrokenNoMailPictureEndsTheProgram) {
    WriteIni("reset =1\r\n");
    Start();
    const std::string skin = dir.Path() + "skins/Default/";
    test::WriteFileBytes(skin + FindInSkin(skin + "skin.ini", "[youhavemail]", "nomail", false, nullptr),
                         "BM");
    system.MailtoCommand = "C:\\m.exe";
    EXPECT_THROW(vexil.MAILClick(), TProgramHalted);
    EXPECT_EQ(messages.Shown,
              std::vector<std::string>{"Invalid file for section [youhavemail]\rOnline= ... in Skin.ini"});
}

}  // namespace
}  // namespace vexil

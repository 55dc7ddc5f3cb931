// The message window's real window: its text area keeps Unicode text of any
// size line for line, and a modal showing ends when the window is closed.
#include <windows.h>

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "msgwin/MsgList.h"
#include "pop3/WirePOP3.h"
#include "support/FakeMessages.h"
#include "win32/MsgListWindow.h"

using namespace vexil;

namespace {

class TNoAlert : public IFilterAlert {
public:
    TAlertAnswer Ask(const std::string&, const std::string&, const std::string&, int) override {
        return TAlertAnswer::Ignore;
    }
};

class TNoHost : public IMsgListHost {
public:
    int MsgCount() override { return 0; }
    bool NotepadMode() override { return true; }
    bool OnTopChecked() override { return false; }
    void CountAndClose() override {}
    void ShellOpen(const std::string&) override {}
};

TEST(MsgListWindowWin32, TextAreaKeepsUnicodeLinesOfAnySize) {
    TMsgListWindow window(GetModuleHandleA(nullptr), nullptr);
    TTextAreaStyle style;
    style.Bounds = TRect{10, 10, 330, 190};
    style.FontName = "Tahoma";
    style.FontSize = 8;
    window.SetTextArea(style);
    const std::vector<std::string> script = {
        "From : \xD0\x98\xD0\xB2\xD0\xB0\xD0\xBD", "\xE6\x97\xA5\xE6\x9C\xAC\xE8\xAA\x9E", "",
        "caf\xC3\xA9"};
    window.SetLines(script);
    EXPECT_EQ(window.Lines(), script);

    // Far beyond an edit control's default 32K characters.
    std::vector<std::string> many;
    for (int i = 0; i < 20000; ++i) many.push_back("line " + std::to_string(i) + " of a long message");
    window.SetLines(many);
    EXPECT_EQ(window.Lines(), many);
    window.SetLines({});
    EXPECT_TRUE(window.Lines().empty());
}

TEST(MsgListWindowWin32, AModalShowingEndsWithTheWindow) {
    HWND owner = CreateWindowExA(0, "STATIC", "owner", WS_POPUP, 0, 0, 10, 10, nullptr, nullptr,
                                 GetModuleHandleA(nullptr), nullptr);
    TMsgListWindow window(GetModuleHandleA(nullptr), owner);
    TNoAlert alert;
    TNoHost host;
    test::TFakeMessages messages;
    TWirePOP3 pop;
    TWireMessage msg;
    TSettings settings;
    TFilterTable filters;
    TMsgList logic(window, alert, host, messages, pop, msg, settings, filters);
    window.Bind(logic);
    window.SetBounds(40, 50, 200, 150);

    PostMessageA(window.Handle(), WM_CLOSE, 0, 0);
    window.ShowModal();
    EXPECT_FALSE(window.IsVisible());
    EXPECT_TRUE(IsWindowEnabled(owner));
    // Closing keeps where the window stood, for the settings file.
    EXPECT_EQ(settings.memo_posx, 40);
    EXPECT_EQ(settings.memo_posy, 50);
    DestroyWindow(owner);
}

}  // namespace

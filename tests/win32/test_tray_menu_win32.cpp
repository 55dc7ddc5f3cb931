// The notification-area icon and the popup menus on a real window: the shell
// takes the icon record, and a menu model becomes a Win32 menu with the
// items, submenus, check marks and commands it describes.
#include <windows.h>

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "support/FakeMessages.h"
#include "support/FakeMessages.h"
#include "win32/MainWindow.h"
#include "win32/ProgramFolderWin32.h"
#include "win32/Win32Menu.h"
#include "win32/Win32Services.h"

using namespace vexil;

namespace {

class TrayWin32 : public ::testing::Test {
protected:
    test::TFakeMessages messages;
    TWin32System system;
    TMainWindow window{GetModuleHandleA(nullptr), nullptr, system, messages};
};

TEST_F(TrayWin32, IconIsAddedChangedAndRemoved) {
    EXPECT_TRUE(window.TrayAdd(TTrayIcon::Dis, "Vexil"));
    EXPECT_TRUE(window.TrayModify(TTrayIcon::Mail, "Vexil"));
    EXPECT_TRUE(window.TrayModify(TTrayIcon::Con, "Vexil"));
    EXPECT_TRUE(window.TrayDelete());
    // Once gone, there is nothing left to change or remove.
    EXPECT_FALSE(window.TrayModify(TTrayIcon::Con, "Vexil"));
    EXPECT_FALSE(window.TrayDelete());
}

TEST_F(TrayWin32, IconComesBackWhenTheShellRestarts) {
    const UINT taskbarCreated = RegisterWindowMessageA("TaskbarCreated");
    // Without icon_tray nothing is added.
    SendMessageA(window.Handle(), taskbarCreated, 0, 0);
    EXPECT_FALSE(window.TrayDelete());

    test::TProgramFolderWin32 program("icon_tray =1\r\n");
    HWND main = program.window.Handle();
    EXPECT_TRUE(program.window.TrayDelete());  // added at start
    SendMessageA(main, taskbarCreated, 0, 0);
    EXPECT_TRUE(program.window.TrayDelete());
}

// A double click on a button is one click: the mail program starts once.
TEST(ButtonsWin32, DoubleClickIsOneClick) {
    test::TProgramFolderWin32 program;
    const TImgBtn& mail = program.window.Logic().MAIL;
    const LPARAM at = MAKELPARAM(mail.Left + mail.Width / 2, mail.Top + mail.Height / 2);
    HWND main = program.window.Handle();
    // What Windows sends for a double click.
    SendMessageA(main, WM_MOUSEMOVE, 0, at);
    SendMessageA(main, WM_LBUTTONDOWN, MK_LBUTTON, at);
    SendMessageA(main, WM_LBUTTONUP, 0, at);
    SendMessageA(main, WM_LBUTTONDBLCLK, MK_LBUTTON, at);
    SendMessageA(main, WM_LBUTTONUP, 0, at);
    program.Pump();
    EXPECT_EQ(program.system.Started, std::vector<std::string>{"C:\\mail\\mail.exe"});
    // The next single click starts it again.
    SendMessageA(main, WM_LBUTTONDOWN, MK_LBUTTON, at);
    SendMessageA(main, WM_LBUTTONUP, 0, at);
    EXPECT_EQ(program.system.Started.size(), 2u);
}

TEST_F(TrayWin32, CallbackMessageReachesTheLogic) {
    window.ShowWindow();
    ASSERT_TRUE(window.IsVisible());
    // A left click on the icon hides the window.
    SendMessageA(window.Handle(), TMainWindow::kTrayMessage, 1, WM_LBUTTONDOWN);
    EXPECT_FALSE(window.IsVisible());
    SendMessageA(window.Handle(), TMainWindow::kTrayMessage, 1, WM_LBUTTONDOWN);
    EXPECT_TRUE(window.IsVisible());
}

int Clicks = 0;

TMenuItem Command(const std::string& caption) {
    TMenuItem item;
    item.Caption = caption;
    item.OnClick = [] { ++Clicks; };
    return item;
}

UINT State(HMENU menu, UINT position) {
    MENUITEMINFOA info{};
    info.cbSize = sizeof info;
    info.fMask = MIIM_STATE | MIIM_FTYPE;
    EXPECT_TRUE(GetMenuItemInfoA(menu, position, TRUE, &info));
    return info.fState | (info.fType & MFT_SEPARATOR);
}

std::string Caption(HMENU menu, UINT position) {
    char text[128] = {};
    GetMenuStringA(menu, position, text, sizeof text, MF_BYPOSITION);
    return text;
}

TEST(PopupMenuWin32, ModelBecomesAMenu) {
    TMenuItem model;
    model.Items.push_back(Command("Configure"));
    model.Items.push_back(MenuSeparator());
    TMenuItem skins = Command("Skins");
    skins.PictureId = mpSkins;
    skins.Items = {Command("Other Skins..."), MenuSeparator(), Command("Amber"), Command("Default")};
    model.Items.push_back(skins);
    TMenuItem onTop = Command("On Top");
    onTop.Checked = true;
    model.Items.push_back(onTop);
    TMenuItem off = Command("Exit");
    off.Enabled = false;
    model.Items.push_back(off);

    std::vector<const TMenuItem*> commands;
    HMENU menu = BuildPopupMenu(model, commands);
    ASSERT_NE(menu, nullptr);
    ASSERT_EQ(GetMenuItemCount(menu), 5);
    EXPECT_EQ(Caption(menu, 0), "Configure");
    EXPECT_TRUE(State(menu, 1) & MFT_SEPARATOR);
    EXPECT_FALSE(State(menu, 0) & MFS_CHECKED);
    EXPECT_TRUE(State(menu, 3) & MFS_CHECKED);
    EXPECT_TRUE(State(menu, 4) & MFS_GRAYED);

    HMENU sub = GetSubMenu(menu, 2);
    ASSERT_NE(sub, nullptr);
    ASSERT_EQ(GetMenuItemCount(sub), 4);
    EXPECT_EQ(Caption(sub, 3), "Default");

    // Each command number leads back to its item of the model.
    ASSERT_EQ(commands.size(), 7u);  // separators are not commands
    for (size_t i = 0; i < commands.size(); ++i) {
        char text[128] = {};
        ASSERT_GT(GetMenuStringA(menu, static_cast<UINT>(i + 1), text, sizeof text, MF_BYCOMMAND), 0)
            << i;
        EXPECT_EQ(commands[i]->Caption, text);
    }
    Clicks = 0;
    commands[5]->OnClick();
    EXPECT_EQ(Clicks, 1);
    DestroyMenu(menu);
}

}  // namespace

// The settings dialog's real window: controls keep what the logic sets and
// give back what the user typed (spin fields within their range), and the
// dialog manager turns Escape and Enter into Close and OK while it is modal.
#include <windows.h>

#include <commctrl.h>
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "config/Config.h"
#include "config/Settings.h"
#include "support/FakeMessages.h"
#include "win32/ConfigDialog.h"

using namespace vexil;

namespace {

using C = TConfigControl;

class TNullHost : public IConfigHost {
public:
    std::vector<std::string> DialUpEntries() override { return {}; }
    std::vector<std::string> NewsSources() override { return {"One|http://a.example|x|u"}; }
    bool MainWindowVisible() override { return true; }
    void ShowMainWindow() override {}
    void WindowPlace(int& left, int& top, bool& onTop) override { left = top = 0, onTop = false; }
    bool PreviewSkin(const std::string&) override { return true; }
    void RestoreSkin() override {}
    bool MsgWindowVisible() override { return false; }
    void ShowMsgWindow() override {}
    void HideMsgWindow() override {}
    bool ReadWhole(const std::string&, std::string& report) override {
        report.clear();
        return true;
    }
    void OpenLink(const std::string&) override {}
};

std::string TempFolder() {
    char base[MAX_PATH] = {};
    GetTempPathA(MAX_PATH, base);
    const std::string dir = std::string(base) + "vexil-config-" + std::to_string(GetTickCount()) + "\\";
    CreateDirectoryA(dir.c_str(), nullptr);
    return dir;
}

BOOL CALLBACK FirstSpin(HWND w, LPARAM out) {
    char cls[64] = {};
    GetClassNameA(w, cls, sizeof cls);
    if (lstrcmpiA(cls, UPDOWN_CLASSA) != 0) return TRUE;
    *reinterpret_cast<HWND*>(out) = w;
    return FALSE;
}

HWND Owner() {
    return CreateWindowExA(0, "STATIC", "owner", WS_POPUP, 0, 0, 10, 10, nullptr, nullptr,
                           GetModuleHandleA(nullptr), nullptr);
}

TEST(ConfigDialogWin32, ControlsKeepWhatTheLogicSets) {
    HWND owner = Owner();
    TConfigDialog dialog(GetModuleHandleA(nullptr), owner);
    ASSERT_NE(dialog.Handle(), nullptr);
    RECT client{};
    GetClientRect(dialog.Handle(), &client);
    EXPECT_EQ(client.right, TConfigDialog::kClientWidth);
    EXPECT_EQ(client.bottom, TConfigDialog::kClientHeight);

    dialog.SetText(C::NAccount, "Home & away");
    EXPECT_EQ(dialog.Text(C::NAccount), "Home & away");
    dialog.SetChecked(C::ChkTray, true);
    EXPECT_TRUE(dialog.Checked(C::ChkTray));

    dialog.ListClear(C::LstAcc);
    for (const char* name : {"b", "a", "c"}) dialog.ListAdd(C::LstAcc, name);
    EXPECT_EQ(dialog.ListCount(C::LstAcc), 3);
    EXPECT_EQ(dialog.ListItem(C::LstAcc, 1), "a");  // kept in the order added
    EXPECT_EQ(dialog.ListIndex(C::LstAcc), -1);
    dialog.SetListIndex(C::LstAcc, 2);
    EXPECT_EQ(dialog.ListIndex(C::LstAcc), 2);
    dialog.ListDelete(C::LstAcc, 0);
    EXPECT_EQ(dialog.ListItem(C::LstAcc, 0), "a");

    // The spin field: what was set, then what the user typed, kept in range.
    dialog.SetRange(C::UpDown, 1, 99);
    dialog.SetPosition(C::UpDown, 42);
    EXPECT_EQ(dialog.Position(C::UpDown), 42);
    HWND spin = nullptr;
    EnumChildWindows(dialog.Handle(), FirstSpin, reinterpret_cast<LPARAM>(&spin));
    ASSERT_NE(spin, nullptr);  // the first one is the minutes' spin of the Options page
    HWND edit = reinterpret_cast<HWND>(SendMessageA(spin, UDM_GETBUDDY, 0, 0));
    ASSERT_NE(edit, nullptr);
    SetWindowTextA(edit, "150");
    EXPECT_EQ(dialog.Position(C::UpDown), 99);
    SetWindowTextA(edit, "0");
    EXPECT_EQ(dialog.Position(C::UpDown), 1);

    // The filter's edit and list keep any script (UTF-8 both ways), whatever
    // the system's code page.
    const std::string filter = "\xD0\x9F\xD1\x80\xD0\xB8\xD0\xB7 \xE6\x97\xA5\xE6\x9C\xAC";
    dialog.SetText(C::FilterEdit, filter);
    EXPECT_EQ(dialog.Text(C::FilterEdit), filter);
    dialog.ListClear(C::FilterLst);
    dialog.ListAdd(C::FilterLst, filter);
    EXPECT_EQ(dialog.ListItem(C::FilterLst, 0), filter);

    // The skin folder's caption shows "&" as it is: a group box takes a
    // single one as a shortcut mark, so the caption holds it doubled.  The
    // logic keeps the folder itself and never reads this caption back.
    dialog.ShowPage(TConfigPage::Skins);
    dialog.SetText(C::InfSk, "C:\\R&D\\skins\\");
    EXPECT_EQ(dialog.Text(C::InfSk), "C:\\R&&D\\skins\\");
    DestroyWindow(owner);
}

TEST(ConfigDialogWin32, EscapeClosesWithCancelAndEnterWithOK) {
    HWND owner = Owner();
    TConfigDialog dialog(GetModuleHandleA(nullptr), owner);
    test::TFakeMessages messages;
    TNullHost host;
    TSettings settings;
    settings.current_skin = "skins\\Default\\";
    TAccountTable accounts;
    TFilterTable filters;
    const std::string dir = TempFolder();
    TConfig logic(dialog, host, messages, settings, accounts, filters, dir);
    dialog.Bind(logic);
    logic.FormCreate();

    HWND ok = GetDlgItem(dialog.Handle(), IDOK);
    PostMessageA(ok, WM_KEYDOWN, VK_ESCAPE, 0);
    EXPECT_EQ(logic.Execute(), TModalResult::Cancel);
    EXPECT_TRUE(IsWindowEnabled(owner));
    EXPECT_FALSE(IsWindowVisible(dialog.Handle()));
    EXPECT_EQ(GetFileAttributesA((dir + "Vexil.ini").c_str()), INVALID_FILE_ATTRIBUTES);

    PostMessageA(ok, WM_KEYDOWN, VK_RETURN, 0);
    EXPECT_EQ(logic.Execute(), TModalResult::OK);
    EXPECT_NE(GetFileAttributesA((dir + "Vexil.ini").c_str()), INVALID_FILE_ATTRIBUTES);
    EXPECT_TRUE(messages.Shown.empty());
    DeleteFileA((dir + "Vexil.ini").c_str());
    DeleteFileA((dir + "VxFilter.ini").c_str());
    RemoveDirectoryA(dir.c_str());
    DestroyWindow(owner);
}

// A skin folder whose path holds "&" (an install folder "Tom & Jerry", a
// skin "R&B"): OK writes the path as it is, and the next start finds the skin.
TEST(ConfigDialogWin32, OKKeepsASkinPathWithAmpersands) {
    HWND owner = Owner();
    TConfigDialog dialog(GetModuleHandleA(nullptr), owner);
    test::TFakeMessages messages;
    TNullHost host;
    const std::string dir = TempFolder();
    const std::string skin = dir + "Tom & Jerry\\R&B\\";
    CreateDirectoryA((dir + "Tom & Jerry").c_str(), nullptr);
    CreateDirectoryA(skin.c_str(), nullptr);
    HANDLE ini = CreateFileA((skin + "skin.ini").c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
    ASSERT_NE(ini, INVALID_HANDLE_VALUE);
    DWORD written = 0;
    WriteFile(ini, "skin_name = R&B\r\n", 17, &written, nullptr);
    CloseHandle(ini);

    TSettings settings;
    settings.current_skin = skin;
    TAccountTable accounts;
    TFilterTable filters;
    TConfig logic(dialog, host, messages, settings, accounts, filters, dir);
    dialog.Bind(logic);
    logic.FormCreate();
    PostMessageA(GetDlgItem(dialog.Handle(), IDOK), WM_KEYDOWN, VK_RETURN, 0);
    ASSERT_EQ(logic.Execute(), TModalResult::OK);
    EXPECT_TRUE(messages.Shown.empty());
    EXPECT_EQ(settings.current_skin, skin);

    // The next start reads the same folder back.
    TSettings next;
    TLoadReport report;
    LitConfig(next, dir, false, messages, TConfigHooks{}, report);
    EXPECT_EQ(next.current_skin, skin);
    EXPECT_NE(GetFileAttributesA((next.current_skin + "skin.ini").c_str()), INVALID_FILE_ATTRIBUTES);

    for (const char* f : {"Vexil.ini", "VxFilter.ini"}) DeleteFileA((dir + f).c_str());
    DeleteFileA((skin + "skin.ini").c_str());
    RemoveDirectoryA(skin.c_str());
    RemoveDirectoryA((dir + "Tom & Jerry").c_str());
    RemoveDirectoryA(dir.c_str());
    DestroyWindow(owner);
}

}  // namespace

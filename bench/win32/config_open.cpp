// How long Configure takes to put the settings dialog on screen, side by side
// with a bare dialog of the same controls.  Configure: the options file read
// again, the dialog filled (accounts, filters, news sources, the skin page
// from skin.ini), shown and painted; the dialog itself is made once at start.
// The bare dialog: a dialog made from a template with the same controls,
// shown and painted, as a program without the settings logic would do on
// every opening.  Run by bench/config_dialog.sh under Wine.
#include <windows.h>

#include <commctrl.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <string>
#include <vector>

#include "config/Config.h"
#include "config/Settings.h"
#include "platform/Platform.h"
#include "win32/ConfigDialog.h"
#include "win32/ConfigLayout.h"

using namespace vexil;

namespace {

class TQuietMessages : public IMessages {
public:
    void ShowMessage(const std::string&) override {}
    void ReportError(const std::string&) override {}

protected:
    void EndProgram(int code) override { ExitProcess(static_cast<UINT>(code)); }
};

class THost : public IConfigHost {
public:
    std::vector<std::string> DialUpEntries() override { return {}; }
    std::vector<std::string> NewsSources() override {
        return {"Brellin|http://www.example.org|A comment|http://www.example.org/news.txt"};
    }
    bool MainWindowVisible() override { return true; }
    void ShowMainWindow() override {}
    void WindowPlace(int& left, int& top, bool& onTop) override { left = top = 0, onTop = true; }
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

double Ms(std::chrono::steady_clock::duration d) {
    return std::chrono::duration<double, std::milli>(d).count();
}

double Median(std::vector<double> v) {
    std::sort(v.begin(), v.end());
    return v[v.size() / 2];
}

void PaintNow(HWND w) {
    RedrawWindow(w, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_ALLCHILDREN | RDW_UPDATENOW);
    GdiFlush();
}

INT_PTR CALLBACK BareProc(HWND, UINT msg, WPARAM, LPARAM) { return msg == WM_INITDIALOG; }

std::vector<WORD> BareTemplate(DWORD style) {
    std::vector<WORD> t;
    const DWORD full = style | DS_SETFONT;
    t.push_back(LOWORD(full));
    t.push_back(HIWORD(full));
    t.push_back(0), t.push_back(0);  // extended style
    t.push_back(0);                  // no items
    for (int i = 0; i < 4; ++i) t.push_back(0);
    t.push_back(0), t.push_back(0), t.push_back(0);  // menu, class, title
    t.push_back(8);
    for (const wchar_t* f = L"MS Shell Dlg"; *f; ++f) t.push_back(static_cast<WORD>(*f));
    t.push_back(0);
    return t;
}

// The same controls in a plain dialog: five buttons, four pages of the page
// tables (the About page is like them), OK and Close.
HWND MakeBareDialog(HINSTANCE instance) {
    const std::vector<WORD> top = BareTemplate(WS_POPUP | WS_CAPTION | WS_SYSMENU | DS_MODALFRAME);
    HWND dlg = CreateDialogIndirectParamA(instance, reinterpret_cast<LPCDLGTEMPLATEA>(top.data()),
                                          nullptr, BareProc, 0);
    SetWindowPos(dlg, nullptr, 0, 0, TConfigDialog::kClientWidth + 6,
                 TConfigDialog::kClientHeight + 25, SWP_NOMOVE | SWP_NOZORDER);
    HFONT font = reinterpret_cast<HFONT>(SendMessageA(dlg, WM_GETFONT, 0, 0));
    auto make = [&](HWND parent, const char* cls, const char* text, DWORD style, DWORD ex, int x,
                    int y, int w, int h) {
        HWND c = CreateWindowExA(ex, cls, text, WS_CHILD | WS_VISIBLE | style, x, y, w, h, parent,
                                 nullptr, instance, nullptr);
        SendMessageA(c, WM_SETFONT, reinterpret_cast<WPARAM>(font), FALSE);
        return c;
    };
    for (int i = 0; i < 5; ++i) make(dlg, "BUTTON", "Page", BS_PUSHBUTTON, 0, 6, 6 + i * 55, 72, 55);
    const std::vector<WORD> child = BareTemplate(WS_CHILD | DS_CONTROL);
    for (int p = 0; p < 4; ++p) {
        HWND page = CreateDialogIndirectParamA(
            instance, reinterpret_cast<LPCDLGTEMPLATEA>(child.data()), dlg, BareProc, 0);
        SetWindowPos(page, nullptr, 84, 6, 320, 283, SWP_NOZORDER);
        for (size_t k = 0; k < kPageLayouts[p].Count; ++k) {
            const TControlPlace& s = kPageLayouts[p].Controls[k];
            using K = TControlKind;
            const char* cls = "STATIC";
            DWORD style = 0, ex = 0;
            switch (s.Kind) {
            case K::Group: cls = "BUTTON"; style = BS_GROUPBOX; break;
            case K::Check: cls = "BUTTON"; style = BS_AUTOCHECKBOX; break;
            case K::Radio:
            case K::RadioFirst: cls = "BUTTON"; style = BS_AUTORADIOBUTTON; break;
            case K::Button:
            case K::Link: cls = "BUTTON"; break;
            case K::Edit:
            case K::EditNumber:
            case K::Password: cls = "EDIT"; ex = WS_EX_CLIENTEDGE; break;
            case K::Combo: cls = "COMBOBOX"; style = CBS_DROPDOWNLIST; break;
            case K::Spin: cls = UPDOWN_CLASSA; style = UDS_AUTOBUDDY | UDS_ALIGNRIGHT; break;
            default: break;
            }
            make(page, cls, s.Text, style, ex, s.Left, s.Top, s.Width, s.Height);
        }
        if (p == 0) ShowWindow(page, SW_SHOW);
    }
    make(dlg, "BUTTON", "&OK", BS_DEFPUSHBUTTON, 0, 248, 324, 75, 25);
    make(dlg, "BUTTON", "&Close", BS_PUSHBUTTON, 0, 329, 324, 75, 25);
    return dlg;
}

void Pump() {
    MSG msg;
    while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) DispatchMessageA(&msg);
}

}  // namespace

int main(int argc, char** argv) {
    const int runs = argc > 1 ? std::max(1, std::atoi(argv[1])) : 20;
    const std::string dir = argc > 2 ? argv[2] : ".\\";
    INITCOMMONCONTROLSEX icc{sizeof icc, ICC_WIN95_CLASSES};
    InitCommonControlsEx(&icc);
    HINSTANCE instance = GetModuleHandleA(nullptr);
    HWND owner = CreateWindowExA(0, "STATIC", "owner", WS_POPUP, 0, 0, 1, 1, nullptr, nullptr,
                                 instance, nullptr);

    TQuietMessages messages;
    THost host;
    TSettings settings;
    TAccountTable accounts;
    TFilterTable filters;
    const auto made0 = std::chrono::steady_clock::now();
    TConfigDialog dialog(instance, owner);
    TConfig logic(dialog, host, messages, settings, accounts, filters, dir);
    dialog.Bind(logic);
    logic.FormCreate();
    const double made = Ms(std::chrono::steady_clock::now() - made0);

    std::vector<double> ours, bare;
    for (int i = 0; i < runs; ++i) {
        const auto t0 = std::chrono::steady_clock::now();
        TLoadReport report;
        LitConfig(settings, dir, false, messages, TConfigHooks(), report);
        logic.FormShow();
        ShowWindow(dialog.Handle(), SW_SHOW);
        PaintNow(dialog.Handle());
        ours.push_back(Ms(std::chrono::steady_clock::now() - t0));
        ShowWindow(dialog.Handle(), SW_HIDE);
        Pump();

        const auto b0 = std::chrono::steady_clock::now();
        HWND plain = MakeBareDialog(instance);
        ShowWindow(plain, SW_SHOW);
        PaintNow(plain);
        bare.push_back(Ms(std::chrono::steady_clock::now() - b0));
        DestroyWindow(plain);
        Pump();
    }
    std::printf("%-58s %8.2f ms\n", "settings dialog, made once at start:", made);
    std::printf("%-58s %8.2f ms\n", "Configure: read Vexil.ini, fill, show, paint (median):",
                Median(ours));
    std::printf("%-58s %8.2f ms\n", "bare dialog, same controls: make, show, paint (median):",
                Median(bare));
    std::printf("ratio: %.2f (goal: at most 1.5)\n", Median(ours) / Median(bare));
    return 0;
}

// The message window's Win32 side.
#include "win32/MsgListWindow.h"

#include <commctrl.h>
#include <commdlg.h>

#include <algorithm>

#include "base/Charsets.h"
#include "platform/Mouse.h"
#include "win32/Win32Draw.h"
#include "win32/Win32Menu.h"
#include "win32/Win32Services.h"
#include "win32/WideText.h"

namespace vexil {

namespace {

const char kClassName[] = "TMsgList";
// The timer that brings a long text's pieces into the text area.
constexpr UINT_PTR kFillTimer = 1;

}  // namespace

TMsgListWindow::TMsgListWindow(HINSTANCE instance, HWND owner) : instance_(instance), owner_(owner) {
    WNDCLASSEXA wc{};
    wc.cbSize = sizeof wc;
    wc.style = CS_DBLCLKS;
    wc.lpfnWndProc = WindowProc;
    wc.hInstance = instance;
    wc.hCursor = LoadCursor(nullptr, IDC_ARROW);
    wc.hIcon = LoadIcon(instance, MAKEINTRESOURCE(1));
    wc.lpszClassName = kClassName;
    RegisterClassExA(&wc);
    hwnd_ = CreateWindowExA(0, kClassName, "Vexil", WS_POPUP | WS_CLIPCHILDREN, 0, 0, 214, 220,
                            owner, nullptr, instance, this);
    text_ = std::make_unique<TTextArea>(instance, hwnd_, kFillTimer);
    edit_ = text_->Handle();
    textBrush_ = CreateSolidBrush(textBack_);
    tooltip_ = CreateWindowExA(WS_EX_TOPMOST | WS_EX_TOOLWINDOW, TOOLTIPS_CLASSA, nullptr,
                               WS_POPUP | TTS_NOPREFIX | TTS_ALWAYSTIP, CW_USEDEFAULT, CW_USEDEFAULT,
                               CW_USEDEFAULT, CW_USEDEFAULT, hwnd_, nullptr, instance, nullptr);
    TOOLINFOA ti{};
    ti.cbSize = TTTOOLINFOA_V1_SIZE;
    ti.uFlags = TTF_IDISHWND | TTF_SUBCLASS;
    ti.hwnd = hwnd_;
    ti.uId = reinterpret_cast<UINT_PTR>(hwnd_);
    ti.lpszText = LPSTR_TEXTCALLBACKA;
    SendMessageA(tooltip_, TTM_ADDTOOLA, 0, reinterpret_cast<LPARAM>(&ti));
}

TMsgListWindow::~TMsgListWindow() {
    if (tooltip_) DestroyWindow(tooltip_);
    if (hwnd_) DestroyWindow(hwnd_);
    if (font_) DeleteObject(font_);
    if (textBrush_) DeleteObject(textBrush_);
}

LRESULT CALLBACK TMsgListWindow::WindowProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp) {
    if (msg == WM_NCCREATE) {
        auto* cs = reinterpret_cast<CREATESTRUCTA*>(lp);
        SetWindowLongPtrA(hwnd, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(cs->lpCreateParams));
    }
    auto* self = reinterpret_cast<TMsgListWindow*>(GetWindowLongPtrA(hwnd, GWLP_USERDATA));
    if (!self || self->hwnd_ != hwnd) return DefWindowProcA(hwnd, msg, wp, lp);
    try {
        return self->Handle(msg, wp, lp);
    } catch (const std::exception& e) {
        // Nothing may escape into the system's code: the general error report.
        TWin32Messages().ReportError(e.what());
        return 0;
    }
}

LRESULT TMsgListWindow::Handle(UINT msg, WPARAM wp, LPARAM lp) {
    const int x = static_cast<short>(LOWORD(lp)), y = static_cast<short>(HIWORD(lp));
    switch (msg) {
    case WM_PAINT:
        OnPaint();
        return 0;
    case WM_ERASEBKGND:
        return 1;  // the paint covers everything
    case WM_SETFOCUS:
        // Back from a dialog or another program, the keys go to the text
        // again, as in any text window.
        SetFocus(edit_);
        return 0;
    case WM_CTLCOLOREDIT:
        if (reinterpret_cast<HWND>(lp) == edit_) {
            HDC dc = reinterpret_cast<HDC>(wp);
            SetTextColor(dc, textColor_);
            SetBkColor(dc, textBack_);
            return reinterpret_cast<LRESULT>(textBrush_);
        }
        break;
    case WM_MOUSEMOVE:
        if (!tracking_) {
            TRACKMOUSEEVENT tme{sizeof tme, TME_LEAVE, hwnd_, 0};
            tracking_ = TrackMouseEvent(&tme) != FALSE;
        }
        if (logic_) {
            // The buttons' hints: the tooltip asks for the text when it shows.
            const std::string hint = logic_->HintAt(x, y);
            if (hint != hint_) {
                hint_ = hint;
                SendMessageA(tooltip_, TTM_POP, 0, 0);
                SendMessageA(tooltip_, TTM_UPDATE, 0, 0);
            }
            logic_->MouseMove(x, y, ShiftFromKeys(wp));
        }
        return 0;
    case WM_NOTIFY: {
        auto* hdr = reinterpret_cast<NMHDR*>(lp);
        if (hdr->hwndFrom == tooltip_ && hdr->code == TTN_GETDISPINFOA) {
            reinterpret_cast<NMTTDISPINFOA*>(lp)->lpszText = const_cast<char*>(hint_.c_str());
            return 0;
        }
        break;
    }
    case WM_MOUSELEAVE:
        tracking_ = false;
        if (logic_) logic_->MouseLeaveWindow();
        return 0;
    case WM_LBUTTONDOWN:
    case WM_LBUTTONDBLCLK:
        SetCapture(hwnd_);
        if (logic_) logic_->MouseDown(TMouseButton::Left, ShiftFromKeys(wp), x, y);
        return 0;
    case WM_LBUTTONUP:
        ReleaseCapture();
        if (logic_) logic_->MouseUp(TMouseButton::Left, ShiftFromKeys(wp), x, y);
        return 0;
    case WM_RBUTTONDOWN:
        if (logic_) logic_->MouseDown(TMouseButton::Right, ShiftFromKeys(wp), x, y);
        return 0;
    case WM_SETCURSOR:
        if (busy_ && LOWORD(lp) == HTCLIENT) {
            // Still moving and painting, but waiting for the server.
            SetCursor(LoadCursor(nullptr, IDC_APPSTARTING));
            return TRUE;
        }
        break;
    case WM_TIMER:
        if (wp == kFillTimer && text_) {
            text_->Tick();
            return 0;
        }
        break;
    case WM_SHOWWINDOW:
        if (text_) text_->OwnerShown(wp != FALSE);
        break;
    case WM_CLOSE:
        if (logic_) logic_->ExitBtnClick();
        return 0;
    case WM_KEYDOWN:
        if (wp == VK_ESCAPE && logic_) logic_->ExitBtnClick();
        return 0;
    default:
        break;
    }
    return DefWindowProcA(hwnd_, msg, wp, lp);
}

void TMsgListWindow::OnPaint() {
    PAINTSTRUCT ps;
    HDC dc = BeginPaint(hwnd_, &ps);
    if (logic_) logic_->Paint(surface_);
    if (!surface_.Empty()) {
        DrawImage(dc, 0, 0, surface_);
        // The text area takes the colour of the skin behind it, so that it
        // reads as part of the picture and scrolls without smears.
        RECT r;
        GetWindowRect(edit_, &r);
        MapWindowPoints(nullptr, hwnd_, reinterpret_cast<POINT*>(&r), 2);
        unsigned long long red = 0, green = 0, blue = 0, n = 0;
        for (int py = std::max(0, static_cast<int>(r.top)); py < std::min(surface_.Height(), static_cast<int>(r.bottom)); ++py)
            for (int px = std::max(0, static_cast<int>(r.left)); px < std::min(surface_.Width(), static_cast<int>(r.right)); ++px) {
                const TColor32 c = surface_.Pixel(px, py);
                red += (c >> 16) & 0xFF, green += (c >> 8) & 0xFF, blue += c & 0xFF, ++n;
            }
        if (n) {
            const COLORREF back = RGB(red / n, green / n, blue / n);
            if (back != textBack_) {
                textBack_ = back;
                DeleteObject(textBrush_);
                textBrush_ = CreateSolidBrush(textBack_);
                InvalidateRect(edit_, nullptr, TRUE);
            }
        }
    }
    EndPaint(hwnd_, &ps);
}

// --- IMsgListView ---

void TMsgListWindow::SetBounds(int left, int top, int width, int height) {
    SetWindowPos(hwnd_, nullptr, left, top, width, height, SWP_NOZORDER | SWP_NOACTIVATE);
}

void TMsgListWindow::GetPosition(int& left, int& top) {
    RECT r;
    GetWindowRect(hwnd_, &r);
    left = r.left;
    top = r.top;
}

void TMsgListWindow::ScreenSize(int& width, int& height) {
    width = GetSystemMetrics(SM_CXSCREEN);
    height = GetSystemMetrics(SM_CYSCREEN);
}

void TMsgListWindow::GetCursorPos(int& x, int& y) {
    POINT p{};
    ::GetCursorPos(&p);
    x = p.x;
    y = p.y;
}

void TMsgListWindow::SetTopmost(bool onTop) {
    SetWindowPos(hwnd_, onTop ? HWND_TOPMOST : HWND_NOTOPMOST, 0, 0, 0, 0,
                 SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
}

void TMsgListWindow::SetWindowRegion(IRegionOps::Handle region) {
    SetWindowRgn(hwnd_, static_cast<HRGN>(region), TRUE);
}

void TMsgListWindow::Invalidate(const TRect& area) {
    RECT r{area.Left, area.Top, area.Right, area.Bottom};
    InvalidateRect(hwnd_, &r, FALSE);
}

void TMsgListWindow::ShowModal() {
    modal_ = true;
    EnableWindow(owner_, FALSE);
    ShowWindow(hwnd_, SW_SHOW);
    SetForegroundWindow(hwnd_);
    SetFocus(edit_);
    MSG msg;
    while (modal_ && IsWindowVisible(hwnd_)) {
        const BOOL got = GetMessageA(&msg, nullptr, 0, 0);
        if (got <= 0) {
            PostQuitMessage(static_cast<int>(msg.wParam));
            break;
        }
        // Escape in the text area closes the window as in a dialog.
        if (msg.message == WM_KEYDOWN && msg.wParam == VK_ESCAPE && msg.hwnd == edit_ && logic_) {
            logic_->ExitBtnClick();
            continue;
        }
        TranslateMessage(&msg);
        DispatchMessageA(&msg);
    }
    modal_ = false;
    EnableWindow(owner_, TRUE);
    ShowWindow(hwnd_, SW_HIDE);
}

void TMsgListWindow::Show() { ShowWindow(hwnd_, SW_SHOWNOACTIVATE); }

void TMsgListWindow::Hide() { ShowWindow(hwnd_, SW_HIDE); }

bool TMsgListWindow::IsVisible() { return IsWindowVisible(hwnd_) != FALSE; }

void TMsgListWindow::CloseWindow() {
    modal_ = false;
    ShowWindow(hwnd_, SW_HIDE);
}

void TMsgListWindow::SetTextArea(const TTextAreaStyle& style) {
    // Each change of the area's size, font or margins lays its whole text
    // out again: the look the area already has is left as it is.
    if (styled_ && style == style_) return;
    styled_ = true;
    style_ = style;
    MoveWindow(edit_, style.Bounds.Left, style.Bounds.Top, style.Bounds.Right - style.Bounds.Left,
               style.Bounds.Bottom - style.Bounds.Top, TRUE);
    textColor_ = RGB((style.Color >> 16) & 0xFF, (style.Color >> 8) & 0xFF, style.Color & 0xFF);
    HDC dc = GetDC(nullptr);
    const int height = -MulDiv(style.FontSize > 0 ? style.FontSize : 8, GetDeviceCaps(dc, LOGPIXELSY), 72);
    ReleaseDC(nullptr, dc);
    HFONT font = CreateFontW(height, 0, 0, 0, style.Bold ? FW_BOLD : FW_NORMAL, style.Italic, FALSE,
                             FALSE, DEFAULT_CHARSET, OUT_DEFAULT_PRECIS, CLIP_DEFAULT_PRECIS,
                             DEFAULT_QUALITY, DEFAULT_PITCH | FF_DONTCARE, ToWide(style.FontName).c_str());
    SendMessageW(edit_, WM_SETFONT, reinterpret_cast<WPARAM>(font), TRUE);
    // A little room on the left, so the caret does not sit on the first letter.
    SendMessageW(edit_, EM_SETMARGINS, EC_LEFTMARGIN | EC_RIGHTMARGIN, MAKELPARAM(3, 3));
    if (font_) DeleteObject(font_);
    font_ = font;
}

void TMsgListWindow::SetLines(const std::vector<std::string>& lines) {
    std::string text;
    for (size_t i = 0; i < lines.size(); ++i) {
        if (i) text += "\r\n";
        text += lines[i];
    }
    text_->SetText(ToWide(text));
}

std::vector<std::string> TMsgListWindow::Lines() {
    const std::string text = FromWide(text_->Text());
    std::vector<std::string> lines;
    if (text.empty()) return lines;
    size_t start = 0;
    for (;;) {
        const size_t end = text.find("\r\n", start);
        lines.push_back(text.substr(start, end == std::string::npos ? std::string::npos : end - start));
        if (end == std::string::npos) break;
        start = end + 2;
    }
    return lines;
}

void TMsgListWindow::PageText(bool down) {
    SendMessageW(edit_, EM_SCROLL, down ? SB_PAGEDOWN : SB_PAGEUP, 0);
}

void TMsgListWindow::SetBusy(bool busy) {
    if (busy == busy_) return;
    busy_ = busy;
    if (edit_) SendMessageW(edit_, EM_SETREADONLY, busy ? TRUE : FALSE, 0);
    // The pointer changes at once where it stands over the window.
    POINT at{};
    RECT r{};
    if (::GetCursorPos(&at) && GetWindowRect(hwnd_, &r) && PtInRect(&r, at))
        SendMessageA(hwnd_, WM_SETCURSOR, reinterpret_cast<WPARAM>(hwnd_), MAKELPARAM(HTCLIENT, WM_MOUSEMOVE));
}

void TMsgListWindow::ProcessMessages() {
    MSG msg;
    while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
        if (msg.message == WM_QUIT) {
            PostQuitMessage(static_cast<int>(msg.wParam));
            return;
        }
        TranslateMessage(&msg);
        DispatchMessageA(&msg);
    }
}

// The system's wide dialog, names in UTF-8 both ways, so a file or folder
// named in any script can be chosen.
bool TMsgListWindow::FileDialog(TMemoDialog& dialog, std::string& path, bool save) {
    std::wstring filter;
    size_t start = 0;
    for (;;) {
        const size_t bar = dialog.Filter.find('|', start);
        filter += ToWide(dialog.Filter.substr(start, bar == std::string::npos ? std::string::npos : bar - start));
        filter += L'\0';
        if (bar == std::string::npos) break;
        start = bar + 1;
    }
    filter += L'\0';
    std::vector<wchar_t> file(32768, L'\0');
    const std::wstring proposed = ToWide(dialog.FileName);
    proposed.copy(file.data(), std::min(proposed.size(), file.size() - 1));
    OPENFILENAMEW ofn{};
    ofn.lStructSize = sizeof ofn;
    ofn.hwndOwner = hwnd_;
    ofn.lpstrFilter = filter.c_str();
    ofn.nFilterIndex = static_cast<DWORD>(dialog.FilterIndex);
    ofn.lpstrFile = file.data();
    ofn.nMaxFile = static_cast<DWORD>(file.size());
    const std::wstring ext = ToWide(dialog.DefaultExt.substr(dialog.DefaultExt.find_last_of('.') + 1));
    ofn.lpstrDefExt = ext.empty() ? nullptr : ext.c_str();
    ofn.Flags = OFN_EXPLORER | OFN_HIDEREADONLY | OFN_NOCHANGEDIR | OFN_PATHMUSTEXIST |
                (save ? OFN_OVERWRITEPROMPT : OFN_FILEMUSTEXIST);
    const BOOL ok = save ? GetSaveFileNameW(&ofn) : GetOpenFileNameW(&ofn);
    if (!ok) return false;
    dialog.FilterIndex = static_cast<int>(ofn.nFilterIndex);
    path = FromWide(file.data());
    return true;
}

bool TMsgListWindow::SaveDialog(TMemoDialog& dialog, std::string& path) {
    return FileDialog(dialog, path, true);
}

bool TMsgListWindow::OpenDialog(TMemoDialog& dialog, std::string& path) {
    return FileDialog(dialog, path, false);
}

void TMsgListWindow::PopupMenu(const TMenuItem& menu, int screenX, int screenY) {
    SetForegroundWindow(hwnd_);
    const std::function<void()> chosen = TrackMenu(hwnd_, menu, screenX, screenY);
    if (chosen) chosen();
}

}  // namespace vexil

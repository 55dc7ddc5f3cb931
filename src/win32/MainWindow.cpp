// The main window: message dispatch, painting, mouse, hints, exit.
#include "win32/MainWindow.h"

#include <commctrl.h>
#include <shellapi.h>
#include <windowsx.h>

#include <cstring>
#include <exception>

#include "win32/Win32Draw.h"
#include "win32/resource.h"

namespace vexil {

namespace {

const char kClassName[] = "TVexil";
const UINT_PTR kCheckTimerId = 1;
const UINT_PTR kAnimationTimerId = 2;
const UINT kTrayIconId = 1;
// The record of the shell's first version: every shell takes it.  Its size
// is the width's own (88 bytes in a 32-bit program, more in a 64-bit one,
// where handles are 8 bytes).
const DWORD kTrayRecordSize = NOTIFYICONDATAA_V1_SIZE;
static_assert(sizeof(void*) != 4 || NOTIFYICONDATAA_V1_SIZE == 88, "the first shell's record");

// The window whose notification-area icon goes when the program halts at
// once (a fatal skin error ends it without the Exit command).
HWND gTrayOwner = nullptr;

void RemoveTrayIconBeforeHalt() {
    if (!gTrayOwner) return;
    NOTIFYICONDATAA data{};
    data.cbSize = kTrayRecordSize;
    data.hWnd = gTrayOwner;
    data.uID = kTrayIconId;
    Shell_NotifyIconA(NIM_DELETE, &data);
}

void RegisterClassOnce(HINSTANCE instance) {
    static bool done = false;
    if (done) return;
    WNDCLASSEXA wc{};
    wc.cbSize = sizeof wc;
    // A device context of its own: the ticker draws without asking for one
    // 200 times a second.
    wc.style = CS_DBLCLKS | CS_OWNDC;
    wc.lpfnWndProc = DefWindowProcA;  // replaced per window below
    wc.hInstance = instance;
    wc.hCursor = LoadCursor(nullptr, IDC_ARROW);
    wc.hIcon = LoadIcon(instance, MAKEINTRESOURCE(1));
    wc.lpszClassName = kClassName;
    RegisterClassExA(&wc);
    done = true;
}

}  // namespace

TMainWindow::TMainWindow(HINSTANCE instance, HWND owner, ISystemServices& system,
                         IMessages& messages)
    : messages_(messages), menuPictures_(instance) {
    RegisterClassOnce(instance);
    hwnd_ = CreateWindowExA(0, kClassName, "Vexil", WS_POPUP, 0, 0, 0, 0, owner, nullptr,
                            instance, nullptr);
    SetWindowLongPtrA(hwnd_, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(this));
    SetWindowLongPtrA(hwnd_, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(&WindowProc));

    // The tip belongs to the application window, not to the main window: a
    // topmost window owned by the main window would keep the main window from
    // entering the topmost band itself.
    tooltip_ = CreateWindowExA(WS_EX_TOPMOST | WS_EX_TOOLWINDOW, TOOLTIPS_CLASSA, nullptr,
                               WS_POPUP | TTS_NOPREFIX | TTS_ALWAYSTIP, CW_USEDEFAULT,
                               CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT, owner, nullptr,
                               instance, nullptr);
    TOOLINFOA ti{};
    ti.cbSize = TTTOOLINFOA_V1_SIZE;
    // The mouse messages are handed to the tip by OnMouse: a subclassed
    // window pays for the subclass on every message it gets (three property
    // look-ups in Wine), the ticker's hundreds a second among them.
    ti.uFlags = TTF_IDISHWND;
    ti.hwnd = hwnd_;
    ti.uId = reinterpret_cast<UINT_PTR>(hwnd_);
    ti.lpszText = LPSTR_TEXTCALLBACKA;
    SendMessageA(tooltip_, TTM_ADDTOOLA, 0, reinterpret_cast<LPARAM>(&ti));
    SendMessageA(tooltip_, TTM_SETMAXTIPWIDTH, 0, 400);

    const int trayIconIds[] = {IDI_VXDIS, IDI_VXCON, IDI_VXMAIL};
    for (int i = 0; i < 3; ++i)
        trayIcons_[i] = static_cast<HICON>(LoadImageA(instance, MAKEINTRESOURCEA(trayIconIds[i]),
                                                      IMAGE_ICON, 16, 16, LR_DEFAULTCOLOR));
    taskbarCreated_ = RegisterWindowMessageA("TaskbarCreated");
    gTrayOwner = hwnd_;
    if (auto* win32 = dynamic_cast<TWin32Messages*>(&messages)) {
        win32->BeforeHalt = &RemoveTrayIconBeforeHalt;
        win32->Owner = hwnd_;
    }

    vexil_ = std::make_unique<TVexil>(*this, system, messages);
}

TMainWindow::~TMainWindow() {
    if (gTrayOwner == hwnd_) gTrayOwner = nullptr;
    for (HICON icon : trayIcons_)
        if (icon) DestroyIcon(icon);
    if (tooltip_) DestroyWindow(tooltip_);
    if (hwnd_) {
        SetWindowLongPtrA(hwnd_, GWLP_USERDATA, 0);
        DestroyWindow(hwnd_);
    }
}

LRESULT CALLBACK TMainWindow::WindowProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp) {
    auto* self = reinterpret_cast<TMainWindow*>(GetWindowLongPtrA(hwnd, GWLP_USERDATA));
    if (!self) return DefWindowProcA(hwnd, msg, wp, lp);
    try {
        return self->Handle(msg, wp, lp);
    } catch (const std::exception& e) {
        // Nothing escapes into the system's code: an error nobody handled
        // goes to the general error report and the program goes on.
        self->messages_.ReportError(e.what());
        return 0;
    }
}

LRESULT TMainWindow::Handle(UINT msg, WPARAM wp, LPARAM lp) {
    switch (msg) {
    case WM_ERASEBKGND:
        return 1;  // the skin paints the whole window
    case WM_PAINT:
        OnPaint();
        return 0;
    case WM_SHOWWINDOW:
        if (wp) vexil_->FormShow();
        break;
    case WM_MOUSEMOVE:
    case WM_LBUTTONDOWN:
    case WM_LBUTTONDBLCLK:
    case WM_LBUTTONUP:
    case WM_RBUTTONDOWN:
    case WM_RBUTTONUP:
    case WM_MBUTTONDOWN:
        OnMouse(msg, wp, lp);
        return 0;
    case WM_MOUSELEAVE:
        tracking_ = false;
        vexil_->MouseLeaveWindow();
        return 0;
    case WM_CAPTURECHANGED:
        // Taking or releasing the capture ends the leave tracking.
        tracking_ = false;
        return 0;
    case WM_NOTIFY: {
        auto* hdr = reinterpret_cast<NMHDR*>(lp);
        if (hdr->hwndFrom == tooltip_ && hdr->code == TTN_GETDISPINFOA) {
            auto* info = reinterpret_cast<NMTTDISPINFOA*>(lp);
            info->lpszText = const_cast<char*>(hint_.c_str());
            return 0;
        }
        break;
    }
    case kTrayMessage:
        vexil_->TrayIconMessage(static_cast<int>(lp));
        return 0;
    case kRunQueued:
        RunQueued();
        return 0;
    case WM_SETCURSOR:
        // The hand over the status line while a news item with a link shows.
        if (LOWORD(lp) == HTCLIENT && linkCursor_) {
            POINT p;
            ::GetCursorPos(&p);
            ScreenToClient(hwnd_, &p);
            const TRect r = vexil_->STATBMP().BoundsRect();
            if (r.Contains(p.x, p.y)) {
                SetCursor(LoadCursorA(nullptr, reinterpret_cast<LPCSTR>(IDC_HAND)));
                return TRUE;
            }
        }
        break;
    case WM_MEASUREITEM:
        if (menuPictures_.Measure(*reinterpret_cast<MEASUREITEMSTRUCT*>(lp))) return TRUE;
        break;
    case WM_DRAWITEM:
        if (menuPictures_.Draw(*reinterpret_cast<DRAWITEMSTRUCT*>(lp))) return TRUE;
        break;
    case WM_TIMER:
        if (wp == kAnimationTimerId) vexil_->AnimationTick(TVexil::kAnimationStepMs);
        if (wp == kCheckTimerId) vexil_->TimerTimer();
        return 0;
    case WM_CLOSE:
    case WM_ENDSESSION:
        // Every way out runs the Exit command, so the settings are written.
        if (msg == WM_ENDSESSION && !wp) return 0;
        if (!exiting_) {
            exiting_ = true;
            vexil_->Exit1Click();
        }
        return 0;
    case WM_QUERYENDSESSION:
        return TRUE;
    case WM_DESTROY:
        PostQuitMessage(0);
        return 0;
    }
    if (msg == taskbarCreated_ && taskbarCreated_ != 0) {
        vexil_->TaskbarCreated();
        return 0;
    }
    return DefWindowProcA(hwnd_, msg, wp, lp);
}

void TMainWindow::OnPaint() {
    PAINTSTRUCT ps;
    HDC dc = BeginPaint(hwnd_, &ps);
    // Only what needs painting is composed (a tick of the ticker: the status
    // strip); the system clips the copy to it.
    const TRect area{ps.rcPaint.left, ps.rcPaint.top, ps.rcPaint.right, ps.rcPaint.bottom};
    vexil_->PaintArea(surface_, area);
    DrawImageArea(dc, surface_, area);
    EndPaint(hwnd_, &ps);
    vexil_->FormPaint();
}

void TMainWindow::RelayToTip(UINT msg, WPARAM wp, LPARAM lp) {
    MSG relayed{hwnd_, msg, wp, lp, static_cast<DWORD>(GetMessageTime()), {}};
    const DWORD at = GetMessagePos();
    relayed.pt = {GET_X_LPARAM(at), GET_Y_LPARAM(at)};
    SendMessageA(tooltip_, TTM_RELAYEVENT, 0, reinterpret_cast<LPARAM>(&relayed));
}

void TMainWindow::OnMouse(UINT msg, WPARAM wp, LPARAM lp) {
    // A move reaches the tip after the hint has changed, so that the new
    // one shows without waiting for another move; a click hides it first.
    if (msg != WM_MOUSEMOVE) RelayToTip(msg, wp, lp);
    const int x = GET_X_LPARAM(lp), y = GET_Y_LPARAM(lp);
    TShiftState shift = ShiftFromKeys(wp);
    switch (msg) {
    case WM_MOUSEMOVE:
        if (!tracking_) {
            TRACKMOUSEEVENT tme{sizeof tme, TME_LEAVE, hwnd_, 0};
            tracking_ = TrackMouseEvent(&tme) != FALSE;
        }
        UpdateHint(x, y);
        RelayToTip(msg, wp, lp);
        vexil_->MouseMove(x, y, shift);
        break;
    case WM_LBUTTONDOWN:
        vexil_->MouseDown(TMouseButton::Left, shift, x, y);
        break;
    case WM_LBUTTONDBLCLK:
        vexil_->MouseDown(TMouseButton::Left, shift | ssDouble, x, y);
        break;
    case WM_RBUTTONDOWN:
        vexil_->MouseDown(TMouseButton::Right, shift, x, y);
        break;
    case WM_MBUTTONDOWN:
        vexil_->MouseDown(TMouseButton::Middle, shift, x, y);
        break;
    case WM_LBUTTONUP: {
        vexil_->MouseUp(TMouseButton::Left, shift, x, y);
        // Released outside the window: no leave message will come for it.
        POINT p;
        ::GetCursorPos(&p);
        if (WindowFromPoint(p) != hwnd_) {
            tracking_ = false;
            vexil_->MouseLeaveWindow();
        } else {
            // The capture's end cancelled the leave tracking: ask again.
            TRACKMOUSEEVENT tme{sizeof tme, TME_LEAVE, hwnd_, 0};
            tracking_ = TrackMouseEvent(&tme) != FALSE;
        }
        break;
    }
    case WM_RBUTTONUP:
        vexil_->MouseUp(TMouseButton::Right, shift, x, y);
        break;
    }
}

void TMainWindow::UpdateHint(int x, int y) {
    std::string hint = vexil_->HintAt(x, y);
    if (hint == hint_) return;
    hint_ = hint;
    // Hide the old tip; the tooltip asks for the new text when it shows again.
    SendMessageA(tooltip_, TTM_POP, 0, 0);
    SendMessageA(tooltip_, TTM_UPDATE, 0, 0);
}

void TMainWindow::SetBounds(int left, int top, int width, int height) {
    if (!hwnd_) return;

    SetWindowPos(hwnd_, nullptr, left, top, width, height, SWP_NOZORDER | SWP_NOACTIVATE);
}

void TMainWindow::GetPosition(int& left, int& top) {
    if (!hwnd_) return;

    RECT r;
    GetWindowRect(hwnd_, &r);
    left = r.left;
    top = r.top;
}

bool TMainWindow::IsVisible() { return hwnd_ && IsWindowVisible(hwnd_) != FALSE; }

void TMainWindow::ShowWindow() { ::ShowWindow(hwnd_, SW_SHOWNOACTIVATE); }

void TMainWindow::HideWindow() { ::ShowWindow(hwnd_, SW_HIDE); }

void TMainWindow::CloseWindow() {
    HWND h = hwnd_;
    hwnd_ = nullptr;
    SetWindowLongPtrA(h, GWLP_USERDATA, 0);
    DestroyWindow(h);
    PostQuitMessage(0);
}

void TMainWindow::SetTopmost(bool onTop) {
    if (!hwnd_) return;

    SetWindowPos(hwnd_, onTop ? HWND_TOPMOST : HWND_NOTOPMOST, 0, 0, 0, 0,
                 SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
}

void TMainWindow::SetWindowRegion(IRegionOps::Handle region) {
    if (!hwnd_) {
        DeleteObject(static_cast<HRGN>(region));
        return;
    }

    SetWindowRgn(hwnd_, static_cast<HRGN>(region), TRUE);
}

void TMainWindow::RepaintNow(const TRect& area) {
    if (!hwnd_ || area.Empty()) return;
    // Composed from the present state, so a paint still pending for the
    // area changes nothing; no question is asked of the system per tick.
    if (!ownDc_) ownDc_ = GetDC(hwnd_);
    vexil_->PaintArea(surface_, area);
    DrawImageArea(ownDc_, surface_, area);
}

void TMainWindow::Invalidate(const TRect& area) {
    if (!hwnd_) return;  // closed while a command was still running

    if (area.Empty()) return;
    RECT r{area.Left, area.Top, area.Right, area.Bottom};
    InvalidateRect(hwnd_, &r, FALSE);
}

void TMainWindow::SetMouseCapture(bool capture) {
    if (capture)
        SetCapture(hwnd_);
    else if (GetCapture() == hwnd_)
        ReleaseCapture();
}

void TMainWindow::SetCheckTimer(bool enabled, int intervalMs) {
    if (!hwnd_) return;

    if (enabled && intervalMs > 0)
        SetTimer(hwnd_, kCheckTimerId, static_cast<UINT>(intervalMs), nullptr);
    else
        KillTimer(hwnd_, kCheckTimerId);
}

}  // namespace vexil

namespace vexil {

void TMainWindow::SetAnimationTimer(bool enabled) {
    if (!hwnd_) return;

    if (enabled)
        SetTimer(hwnd_, kAnimationTimerId, TVexil::kAnimationStepMs, nullptr);
    else
        KillTimer(hwnd_, kAnimationTimerId);
}

}  // namespace vexil

namespace vexil {

void TMainWindow::BringToFront() { SetForegroundWindow(hwnd_); }

void TMainWindow::GetCursorPos(int& x, int& y) {
    POINT p{0, 0};
    ::GetCursorPos(&p);
    x = p.x;
    y = p.y;
}

void TMainWindow::ScreenSize(int& width, int& height) {
    width = GetSystemMetrics(SM_CXSCREEN);
    height = GetSystemMetrics(SM_CYSCREEN);
}

void TMainWindow::PopupMenu(const TMenuItem& menu, int screenX, int screenY) {
    const std::function<void()> chosen = TrackMenu(hwnd_, menu, screenX, screenY);
    if (chosen) chosen();
}

bool TMainWindow::NotifyTray(DWORD action, TTrayIcon icon, const std::string& tip) {
    NOTIFYICONDATAA data{};
    data.cbSize = kTrayRecordSize;
    data.hWnd = hwnd_;
    data.uID = kTrayIconId;
    data.uFlags = NIF_MESSAGE | NIF_ICON | NIF_TIP;
    data.uCallbackMessage = kTrayMessage;
    data.hIcon = trayIcons_[static_cast<int>(icon)];
    strncpy(data.szTip, tip.c_str(), 63);  // the rest of the 64 bytes stays zero
    return Shell_NotifyIconA(action, &data) != FALSE;
}

bool TMainWindow::TrayAdd(TTrayIcon icon, const std::string& tip) {
    return NotifyTray(NIM_ADD, icon, tip);
}

bool TMainWindow::TrayModify(TTrayIcon icon, const std::string& tip) {
    return NotifyTray(NIM_MODIFY, icon, tip);
}

bool TMainWindow::TrayDelete() {
    NOTIFYICONDATAA data{};
    data.cbSize = kTrayRecordSize;
    data.hWnd = hwnd_;
    data.uID = kTrayIconId;
    return Shell_NotifyIconA(NIM_DELETE, &data) != FALSE;
}

}  // namespace vexil

namespace vexil {

void TMainWindow::Post(std::function<void()> call) {
    std::lock_guard<std::mutex> lock(queueLock_);
    queue_.push_back(std::move(call));
    if (!doorbellRung_ && hwnd_) doorbellRung_ = PostMessageA(hwnd_, kRunQueued, 0, 0) != FALSE;
}

void TMainWindow::RunQueued() {
    std::deque<std::function<void()>> calls;
    {
        std::lock_guard<std::mutex> lock(queueLock_);
        calls.swap(queue_);
        doorbellRung_ = false;
    }
    for (auto& call : calls) call();
}

void TMainWindow::WaitAndProcess(int maxMs) {
    MsgWaitForMultipleObjects(0, nullptr, FALSE, static_cast<DWORD>(maxMs < 0 ? 0 : maxMs),
                              QS_ALLINPUT);
    ProcessMessages();
}

void TMainWindow::ProcessMessages() {
    MSG msg;
    while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
        if (msg.message == WM_QUIT) {
            // The loop in WinMain must still see it.
            PostQuitMessage(static_cast<int>(msg.wParam));
            return;
        }
        TranslateMessage(&msg);
        DispatchMessageA(&msg);
    }
}

}  // namespace vexil

// The main window of the program: a borderless, shaped Win32 window that
// turns messages into calls on TVexil and paints what TVexil composes.
#pragma once

#include <windows.h>

#include <deque>
#include <functional>
#include <memory>
#include <mutex>

#include "app/Vexil.h"
#include "win32/Win32Menu.h"
#include "win32/Win32Region.h"
#include "win32/Win32Services.h"

namespace vexil {

class TMainWindow : public IMainWindowView, private IUiThread {
public:
    TMainWindow(HINSTANCE instance, HWND owner, ISystemServices& system, IMessages& messages);
    ~TMainWindow() override;

    HWND Handle() const { return hwnd_; }
    TVexil& Logic() { return *vexil_; }

    // IMainWindowView
    void SetBounds(int left, int top, int width, int height) override;
    void GetPosition(int& left, int& top) override;
    bool IsVisible() override;
    void ShowWindow() override;
    void HideWindow() override;
    void CloseWindow() override;
    void SetTopmost(bool onTop) override;
    IRegionOps& RegionOps() override { return regions_; }
    void SetWindowRegion(IRegionOps::Handle region) override;
    void Invalidate(const TRect& area) override;
    void RepaintNow(const TRect& area) override;
    void SetMouseCapture(bool capture) override;
    void SetCheckTimer(bool enabled, int intervalMs) override;
    void SetAnimationTimer(bool enabled) override;
    void ProcessMessages() override;
    void BringToFront() override;
    void GetCursorPos(int& x, int& y) override;
    void ScreenSize(int& width, int& height) override;
    void PopupMenu(const TMenuItem& menu, int screenX, int screenY) override;
    bool TrayAdd(TTrayIcon icon, const std::string& tip) override;
    bool TrayModify(TTrayIcon icon, const std::string& tip) override;
    bool TrayDelete() override;
    IUiThread& UiThread() override { return *this; }
    void SetLinkCursor(bool hand) override { linkCursor_ = hand; }

    // The callback message of the notification-area icon.
    static constexpr UINT kTrayMessage = WM_USER + 100;
    // Calls of other threads are waiting in the queue.
    static constexpr UINT kRunQueued = WM_APP + 1;

private:
    // IUiThread: calls of other threads, run by the window's messages.
    void Post(std::function<void()> call) override;
    void WaitAndProcess(int maxMs) override;
    void RunQueued();

    static LRESULT CALLBACK WindowProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp);
    LRESULT Handle(UINT msg, WPARAM wp, LPARAM lp);
    void OnPaint();
    void OnMouse(UINT msg, WPARAM wp, LPARAM lp);
    // Hands a mouse message to the tip, which is not subclassing the window.
    void RelayToTip(UINT msg, WPARAM wp, LPARAM lp);
    void UpdateHint(int x, int y);
    bool NotifyTray(DWORD action, TTrayIcon icon, const std::string& tip);

    HWND hwnd_ = nullptr;
    HWND tooltip_ = nullptr;
    IMessages& messages_;
    TWin32RegionOps regions_;
    // Before vexil_: its threads may still post while it goes.
    std::mutex queueLock_;
    std::deque<std::function<void()>> queue_;
    bool doorbellRung_ = false;
    std::unique_ptr<TVexil> vexil_;
    bool linkCursor_ = false;
    HDC ownDc_ = nullptr;  // the window's own device context (CS_OWNDC)
    TImage32 surface_;
    bool tracking_ = false;
    bool exiting_ = false;
    std::string hint_;
    HICON trayIcons_[3] = {};
    TMenuPictures menuPictures_;
    UINT taskbarCreated_ = 0;  // the shell's message after it restarted
};

}  // namespace vexil

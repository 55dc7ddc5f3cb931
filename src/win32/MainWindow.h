// The main window of the program: a borderless, shaped Win32 window that
// turns messages into calls on TVexil and paints what TVexil composes.
#pragma once

#include <windows.h>

#include <memory>

#include "app/Vexil.h"
#include "win32/Win32Menu.h"
#include "win32/Win32Region.h"
#include "win32/Win32Services.h"

namespace vexil {

class TMainWindow : public IMainWindowView {
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

    // The callback message of the notification-area icon.
    static constexpr UINT kTrayMessage = WM_USER + 100;

private:
    static LRESULT CALLBACK WindowProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp);
    LRESULT Handle(UINT msg, WPARAM wp, LPARAM lp);
    void OnPaint();
    void OnMouse(UINT msg, WPARAM wp, LPARAM lp);
    void UpdateHint(int x, int y);
    bool NotifyTray(DWORD action, TTrayIcon icon, const std::string& tip);

    HWND hwnd_ = nullptr;
    HWND tooltip_ = nullptr;
    IMessages& messages_;
    TWin32RegionOps regions_;
    std::unique_ptr<TVexil> vexil_;
    TImage32 surface_;
    bool tracking_ = false;
    bool exiting_ = false;
    std::string hint_;
    HICON trayIcons_[3] = {};
    TMenuPictures menuPictures_;
    UINT taskbarCreated_ = 0;  // the shell's message after it restarted
};

}  // namespace vexil

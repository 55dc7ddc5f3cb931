// What the main window's logic (TVexil) asks of its window and of the system.
// The Win32 front end implements it; tests use a fake that records the calls.
#pragma once

#include <memory>
#include <string>

#include "app/Menu.h"
#include "news/HttpFetch.h"
#include "platform/UiThread.h"
#include "skin/Image.h"
#include "skin/Picture.h"
#include "dialup/RasInterface.h"
#include "skin/Region.h"

namespace vexil {

// The three notification-area icons: offline, online without mail, online
// with mail waiting.
enum class TTrayIcon { Dis, Con, Mail };

class IMainWindowView {
public:
    virtual ~IMainWindowView() = default;

    virtual void SetBounds(int left, int top, int width, int height) = 0;
    virtual void GetPosition(int& left, int& top) = 0;
    virtual bool IsVisible() = 0;
    virtual void ShowWindow() = 0;
    virtual void HideWindow() = 0;
    // Closes the main window, which ends the program.
    virtual void CloseWindow() = 0;
    // Topmost band on or off, without moving, sizing or activating the window.
    virtual void SetTopmost(bool onTop) = 0;

    // Region operations of the platform and the hand-over of a region to the
    // window (which owns it afterwards and redraws).
    virtual IRegionOps& RegionOps() = 0;
    virtual void SetWindowRegion(IRegionOps::Handle region) = 0;

    // Asks for a repaint of part of the window (client coordinates).
    virtual void Invalidate(const TRect& area) = 0;
    // Composes and shows area at once, without a paint message: the news
    // ticker's strip, 200 times a second at its fastest.
    virtual void RepaintNow(const TRect& area) = 0;
    // Mouse capture while a button is held over a control.
    virtual void SetMouseCapture(bool capture) = 0;

    // The check timer: a message-driven window timer.
    virtual void SetCheckTimer(bool enabled, int intervalMs) = 0;
    // A timer that calls TVexil::AnimationTick every kAnimationStepMs while
    // an animated picture shows.
    virtual void SetAnimationTimer(bool enabled) = 0;
    // Runs the messages waiting for the program's windows (clicks, paints,
    // timer ticks) while a network command waits for its server.
    virtual void ProcessMessages() = 0;

    // Brings the window to the foreground (a menu opened from the
    // notification area needs it to close when the user clicks elsewhere).
    virtual void BringToFront() = 0;
    // The cursor position in screen pixels; the primary screen's size.
    virtual void GetCursorPos(int& x, int& y) = 0;
    virtual void ScreenSize(int& width, int& height) = 0;
    // Opens the menu at a screen point and waits for the choice; the chosen
    // item's OnClick runs after the menu has closed.
    virtual void PopupMenu(const TMenuItem& menu, int screenX, int screenY) = 0;

    // The window's one notification-area icon.  False when the shell refused
    // (no notification area, an icon that already exists or is missing);
    // callers ignore it.
    virtual bool TrayAdd(TTrayIcon icon, const std::string& tip) = 0;
    virtual bool TrayModify(TTrayIcon icon, const std::string& tip) = 0;
    virtual bool TrayDelete() = 0;

    // Where work of other threads (downloads, the ticker's ticks) comes back.
    virtual IUiThread& UiThread() = 0;
    // The hand pointer over the status line (an item with a link is on view).
    virtual void SetLinkCursor(bool hand) = 0;
};

// System services of the logic that are not about the window.
class ISystemServices {
public:
    virtual ~ISystemServices() = default;
    // The program's own directory, with its trailing separator.
    virtual std::string ExeDir() = 0;
    // Renders a WMF or EMF file; raises EPictureError when it cannot.
    virtual TPicture LoadMetafile(const std::string& path) = 0;
    // "host address": this computer's name and the last address its name resolves to.
    virtual std::string HostNameAndAddress() = 0;
    // The current date in the short date format and the time in the long time format.
    virtual std::string NowDateTime() = 0;
    // Shell "open" of a document or address, normal show; the result is ignored.
    virtual void ShellOpen(const std::string& target) = 0;
    // Shell execution of file with a verb and parameters, empty working
    // directory, normal show; the result is ignored.
    virtual void ShellRun(const std::string& verb, const std::string& file,
                          const std::string& parameters) = 0;
    // Runs a program with its default action (the extended shell call without
    // a verb), normal show; the result is ignored.
    virtual void RunProgram(const std::string& program, const std::string& parameters) = 0;
    // The command line registered for mailto links (the default value of
    // mailto\shell\open\command under the classes root), "" when there is none.
    virtual std::string ReadMailtoCommand() = 0;
    // Plays a wave file asynchronously; a file that cannot be played gives the
    // system's default sound.  Errors are ignored.
    virtual void PlayWave(const std::string& path) = 0;
    // The platform's dial-up networking.
    virtual IRasApi& RasApi() = 0;
    // A request over the platform's HTTP client.
    virtual std::unique_ptr<IHttpRequest> NewHttpRequest() = 0;
    // The host the news come from: the product's, unless the tests point it
    // elsewhere (VEXIL_TEST_NEWS_HOST).
    virtual std::string NewsHost() = 0;
};

}  // namespace vexil

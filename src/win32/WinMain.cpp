// Program entry: the application's hidden owner window, the four windows of
// the program, and the message loop.
#include <winsock2.h>
#include <windows.h>
#include <commctrl.h>
#include <ole2.h>
#include <mmsystem.h>

#include "win32/ConfigDialog.h"
#include "win32/FilterAlert.h"
#include "win32/MsgListWindow.h"
#include "win32/MainWindow.h"
#include "win32/Win32Services.h"

namespace {

const char kAppClass[] = "TApplication";

// The application window owns every top-level window of the program. It is
// never shown and has the tool-window style, so the program has no taskbar
// button.
HWND CreateApplicationWindow(HINSTANCE instance) {
    WNDCLASSEXA wc{};
    wc.cbSize = sizeof wc;
    wc.lpfnWndProc = DefWindowProcA;
    wc.hInstance = instance;
    wc.lpszClassName = kAppClass;
    RegisterClassExA(&wc);
    return CreateWindowExA(WS_EX_TOOLWINDOW, kAppClass, "Vexil", WS_POPUP, 0, 0, 0, 0, nullptr,
                           nullptr, instance, nullptr);
}

}  // namespace

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR, int) {
    INITCOMMONCONTROLSEX icc{sizeof icc, ICC_WIN95_CLASSES};
    InitCommonControlsEx(&icc);
    // The folder dialog of the settings is a shell dialog that needs COM.
    OleInitialize(nullptr);
    WSADATA wsa;
    WSAStartup(MAKEWORD(1, 1), &wsa);
    // The news ticker ticks every 5 to 30 ms: sleeps to the millisecond.
    timeBeginPeriod(1);

    static vexil::TWin32Messages messages;
    static vexil::TWin32System system;

    HWND app = CreateApplicationWindow(instance);
    vexil::TMainWindow main(instance, app, system, messages);
    main.Logic().FormCreate();

    ::ShowWindow(main.Handle(), SW_SHOWNORMAL);
    UpdateWindow(main.Handle());

    // The settings dialog is made once, hidden, and shown by Configure; made
    // after the first paint, so that the window comes up without waiting for it.
    vexil::TConfigDialog config(instance, main.Handle());
    main.Logic().AttachConfig(config);
    config.Bind(*main.Logic().Config());
    // The message window and its filter alert, likewise made once.
    vexil::TMsgListWindow msgList(instance, main.Handle());
    vexil::TFilterAlertDialog alert(instance, main.Handle());
    main.Logic().AttachMsgList(msgList, alert);
    msgList.Bind(*main.Logic().MsgList());

    MSG msg;
    while (GetMessageA(&msg, nullptr, 0, 0) > 0) {
        TranslateMessage(&msg);
        DispatchMessageA(&msg);
    }
    WSACleanup();
    OleUninitialize();
    return 0;
}

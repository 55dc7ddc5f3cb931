// The smallest Win32 program that shows a window: the floor against which the
// start-up of vexil.exe under Wine is measured.
#include <windows.h>

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR, int) {
    WNDCLASSA wc{};
    wc.lpfnWndProc = DefWindowProcA;
    wc.hInstance = instance;
    wc.hbrBackground = static_cast<HBRUSH>(GetStockObject(GRAY_BRUSH));
    wc.lpszClassName = "EmptyWindow";
    RegisterClassA(&wc);
    HWND w = CreateWindowExA(0, "EmptyWindow", "EmptyWindow", WS_POPUP, 50, 50, 300, 64, nullptr,
                             nullptr, instance, nullptr);
    ShowWindow(w, SW_SHOW);
    UpdateWindow(w);
    MSG msg;
    while (GetMessageA(&msg, nullptr, 0, 0) > 0) DispatchMessageA(&msg);
    return 0;
}

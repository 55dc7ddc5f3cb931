// Shared drawing and mouse helpers of the program's windows.
#include "win32/Win32Draw.h"

namespace vexil {

BITMAPINFO TopDownBitmapInfo(int width, int height) {
    BITMAPINFO bi{};
    bi.bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
    bi.bmiHeader.biWidth = width;
    bi.bmiHeader.biHeight = -height;  // top-down rows
    bi.bmiHeader.biPlanes = 1;
    bi.bmiHeader.biBitCount = 32;
    bi.bmiHeader.biCompression = BI_RGB;
    return bi;
}

void DrawImage(HDC dc, int x, int y, const TImage32& image) {
    if (image.Empty()) return;
    const BITMAPINFO bi = TopDownBitmapInfo(image.Width(), image.Height());
    SetDIBitsToDevice(dc, x, y, static_cast<DWORD>(image.Width()),
                      static_cast<DWORD>(image.Height()), 0, 0, 0,
                      static_cast<UINT>(image.Height()), image.Pixels().data(), &bi,
                      DIB_RGB_COLORS);
}

void DrawImageArea(HDC dc, const TImage32& image, const TRect& area) {
    const TRect a = Intersect(area, TRect{0, 0, image.Width(), image.Height()});
    if (a.Empty()) return;
    // A bitmap of the area's rows alone: its source rectangle is then the
    // same whichever way up the system counts rows.
    const BITMAPINFO bi = TopDownBitmapInfo(image.Width(), a.Height());
    SetDIBitsToDevice(dc, a.Left, a.Top, static_cast<DWORD>(a.Width()), static_cast<DWORD>(a.Height()),
                      a.Left, 0, 0, static_cast<UINT>(a.Height()), image.Row(a.Top), &bi,
                      DIB_RGB_COLORS);
}

TShiftState ShiftFromKeys(WPARAM keys) {
    TShiftState s = 0;
    if (keys & MK_SHIFT) s |= ssShift;
    if (keys & MK_CONTROL) s |= ssCtrl;
    if (keys & MK_LBUTTON) s |= ssLeft;
    if (keys & MK_RBUTTON) s |= ssRight;
    if (keys & MK_MBUTTON) s |= ssMiddle;
    if (GetKeyState(VK_MENU) < 0) s |= ssAlt;
    return s;
}

}  // namespace vexil

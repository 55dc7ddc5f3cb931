// Drawing the program's composed pictures and reading the mouse's keys: what
// every window of the program does the same way.
#pragma once

#include <windows.h>

#include "platform/Mouse.h"
#include "skin/Image.h"

namespace vexil {

// The header of a 32-bit top-down picture of that size (the layout of TImage32).
BITMAPINFO TopDownBitmapInfo(int width, int height);

// Copies image onto dc with its top-left corner at x, y.
void DrawImage(HDC dc, int x, int y, const TImage32& image);
// Copies only area of image (placed at 0, 0) to the same place of dc: the
// rows of the area are handed over as they lie in the image, nothing else.
void DrawImageArea(HDC dc, const TImage32& image, const TRect& area);

// The keys and buttons a mouse message says were held, and the Alt key.
TShiftState ShiftFromKeys(WPARAM keys);

}  // namespace vexil

// Dialog templates made in memory: the program's dialogs place their
// controls in pixels after creation, so a template only gives the frame and
// the system's dialog font.
#pragma once

#include <windows.h>

#include <vector>

namespace vexil {

// A template with no items, in the system's dialog font (MS Shell Dlg, 8
// points); style gets DS_SETFONT.  Its size is set in pixels afterwards.
std::vector<WORD> EmptyTemplate(DWORD style, const wchar_t* title);

// Moves and sizes a dialog so that its client area is width x height pixels.
void SetClientSize(HWND dialog, int width, int height);

}  // namespace vexil

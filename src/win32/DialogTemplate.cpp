// In-memory dialog templates.
#include "win32/DialogTemplate.h"

namespace vexil {

std::vector<WORD> EmptyTemplate(DWORD style, const wchar_t* title) {
    std::vector<WORD> t;
    auto dword = [&t](DWORD v) {
        t.push_back(LOWORD(v));
        t.push_back(HIWORD(v));
    };
    auto text = [&t](const wchar_t* s) {
        for (; *s; ++s) t.push_back(static_cast<WORD>(*s));
        t.push_back(0);
    };
    dword(style | DS_SETFONT);
    dword(0);                                    // extended style
    t.push_back(0);                              // no items
    for (int i = 0; i < 4; ++i) t.push_back(0);  // x, y, cx, cy: set in pixels later
    t.push_back(0);                              // no menu
    t.push_back(0);                              // the dialog class
    text(title);
    t.push_back(8);                              // point size
    text(L"MS Shell Dlg");
    return t;
}

void SetClientSize(HWND dialog, int width, int height) {
    RECT r{0, 0, width, height};
    AdjustWindowRectEx(&r, static_cast<DWORD>(GetWindowLongPtrA(dialog, GWL_STYLE)), FALSE,
                       static_cast<DWORD>(GetWindowLongPtrA(dialog, GWL_EXSTYLE)));
    SetWindowPos(dialog, nullptr, 0, 0, r.right - r.left, r.bottom - r.top,
                 SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
}

}  // namespace vexil

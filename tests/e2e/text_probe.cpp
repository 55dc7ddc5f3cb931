// Prints, in UTF-8, the text that a window of vexil.exe holds, so that the
// whole-program tests read what the window shows, not only its pixels:
//   text_probe            the message window's text area (the edit control
//                         inside the first visible window of class TMsgList)
//   text_probe TITLE      the file name field of the visible file dialog
//                         so titled
// Exit code 1 when there is no such window.
#include <windows.h>

#include <cstdio>
#include <string>

#include "win32/WideText.h"

namespace {

// The file dialog's file name field: a combo box in the Explorer style, an
// edit control in the older one.
constexpr int kFileNameCombo = 0x47c;
constexpr int kFileNameEdit = 0x480;

std::wstring TextOf(HWND control) {
    const LRESULT n = SendMessageW(control, WM_GETTEXTLENGTH, 0, 0);
    std::wstring text(static_cast<size_t>(n) + 1, L'\0');
    const LRESULT got = SendMessageW(control, WM_GETTEXT, static_cast<WPARAM>(n + 1),
                                     reinterpret_cast<LPARAM>(&text[0]));
    text.resize(static_cast<size_t>(got));
    return text;
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
    HWND control = nullptr;
    if (argc > 1) {
        HWND dialog = FindWindowW(nullptr, argv[1]);
        if (!dialog || !IsWindowVisible(dialog)) return 1;
        control = GetDlgItem(dialog, kFileNameCombo);
        if (!control) control = GetDlgItem(dialog, kFileNameEdit);
    } else {
        HWND window = nullptr;
        while ((window = FindWindowExA(nullptr, window, "TMsgList", nullptr)) != nullptr)
            if (IsWindowVisible(window)) break;
        if (window) control = FindWindowExW(window, nullptr, L"EDIT", nullptr);
    }
    if (!control) return 1;
    const std::string out = vexil::FromWide(TextOf(control));
    std::fwrite(out.data(), 1, out.size(), stdout);
    return 0;
}

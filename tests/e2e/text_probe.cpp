// Prints, in UTF-8, the text of the message window's text area (the edit
// control inside the first visible window of class TMsgList), so that the
// whole-program tests read what the window shows, not only its pixels.
// Exit code 1 when there is no such window.
#include <windows.h>

#include <cstdio>
#include <string>

int main() {
    HWND window = nullptr;
    while ((window = FindWindowExA(nullptr, window, "TMsgList", nullptr)) != nullptr)
        if (IsWindowVisible(window)) break;
    if (!window) return 1;
    HWND edit = FindWindowExW(window, nullptr, L"EDIT", nullptr);
    if (!edit) return 1;
    const LRESULT n = SendMessageW(edit, WM_GETTEXTLENGTH, 0, 0);
    std::wstring text(static_cast<size_t>(n) + 1, L'\0');
    const LRESULT got = SendMessageW(edit, WM_GETTEXT, static_cast<WPARAM>(n + 1),
                                     reinterpret_cast<LPARAM>(&text[0]));
    text.resize(static_cast<size_t>(got));
    const int size = WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()),
                                         nullptr, 0, nullptr, nullptr);
    std::string out(static_cast<size_t>(size), '\0');
    if (size > 0)
        WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), &out[0], size,
                            nullptr, nullptr);
    std::fwrite(out.data(), 1, out.size(), stdout);
    return 0;
}

// The settings dialog's controls as the logic sees them (IConfigView): checks,
// texts, links, lists and spins.  The filter's edit and list and the file and
// folder names are Unicode windows, so that a filter or a path in any script
// is kept as typed (UTF-8 inside).
#include "win32/ConfigDialog.h"

#include <commctrl.h>

#include <algorithm>

#include "base/Text.h"
#include "win32/ConfigLayout.h"
#include "win32/WideText.h"

namespace vexil {

using C = TConfigControl;

std::string DoubleAmpersands(const std::string& text) {
    std::string out;
    for (const char ch : text) {
        out += ch;
        if (ch == '&') out += '&';
    }
    return out;
}

// Filters are kept as typed; file and folder names are UTF-8 as everywhere.
bool IsUnicodeControl(C c) {
    switch (c) {
    case C::FilterEdit:
    case C::FilterLst:
    case C::SndFile:
    case C::MailClient:
    case C::InfSk:
    case C::SkinRep: return true;
    default: return false;
    }
}

namespace {

std::string WindowTextW(HWND w) {
    const int n = GetWindowTextLengthW(w);
    if (n <= 0) return "";
    std::wstring text(static_cast<size_t>(n) + 1, L'\0');
    const int got = GetWindowTextW(w, &text[0], n + 1);
    text.resize(static_cast<size_t>(std::max(got, 0)));
    return FromWide(text);
}

}  // namespace

HWND TConfigDialog::Control(C c) const {
    const auto it = controls_.find(c);
    return it == controls_.end() ? nullptr : it->second;
}

void TConfigDialog::SetChecked(C c, bool checked) {
    for (size_t i = 0; i < 5; ++i)
        if (pageButtonWindows_[i] == Control(c)) {
            pageButtons_[i].SetChecked(checked);
            return;
        }
    if (HWND w = Control(c)) SendMessageA(w, BM_SETCHECK, checked ? BST_CHECKED : BST_UNCHECKED, 0);
}

bool TConfigDialog::Checked(C c) {
    HWND w = Control(c);
    return w && SendMessageA(w, BM_GETCHECK, 0, 0) == BST_CHECKED;
}

void TConfigDialog::SetEnabled(C c, bool enabled) {
    if (HWND w = Control(c)) EnableWindow(w, enabled);
}

void TConfigDialog::SetText(C c, const std::string& text) {
    HWND w = Control(c);
    if (!w) return;
    // A group box's caption takes "&" as a shortcut mark.
    const std::string shown = c == C::InfSk ? DoubleAmpersands(text) : text;
    if (IsUnicodeControl(c))
        SetWindowTextW(w, ToWide(shown).c_str());
    else
        SetWindowTextA(w, shown.c_str());
}

std::string TConfigDialog::Text(C c) {
    HWND w = Control(c);
    if (!w) return "";
    if (IsUnicodeControl(c)) return WindowTextW(w);
    const int n = GetWindowTextLengthA(w);
    if (n <= 0) return "";
    std::string text(static_cast<size_t>(n) + 1, '\0');
    const int got = GetWindowTextA(w, &text[0], n + 1);
    text.resize(static_cast<size_t>(std::max(got, 0)));
    return text;
}

void TConfigDialog::ShowLink(HWND link, const TLink& value) {
    // The caption is drawn as it is; the window text only names the button
    // (doubled "&" so that no letter of it becomes a shortcut).
    SetWindowTextA(link, DoubleAmpersands(value.Caption).c_str());
    LONG_PTR style = GetWindowLongPtrA(link, GWL_STYLE);
    style = value.Target.empty() ? style & ~static_cast<LONG_PTR>(WS_TABSTOP) : style | WS_TABSTOP;
    SetWindowLongPtrA(link, GWL_STYLE, style);
    InvalidateRect(link, nullptr, TRUE);
}

void TConfigDialog::SetLink(C c, const std::string& caption, const std::string& target) {
    HWND w = Control(c);
    if (!w) return;
    links_[w] = TLink{caption, target};
    ShowLink(w, links_[w]);
}

void TConfigDialog::ListClear(C c) {
    if (HWND w = Control(c)) SendMessageA(w, CB_RESETCONTENT, 0, 0);
}

void TConfigDialog::ListAdd(C c, const std::string& text) {
    HWND w = Control(c);
    if (!w) return;
    if (IsUnicodeControl(c)) {
        const std::wstring wide = ToWide(text);
        SendMessageW(w, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(wide.c_str()));
    } else {
        SendMessageA(w, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(text.c_str()));
    }
}

void TConfigDialog::ListDelete(C c, int index) {
    if (HWND w = Control(c)) SendMessageA(w, CB_DELETESTRING, static_cast<WPARAM>(index), 0);
}

int TConfigDialog::ListCount(C c) {
    HWND w = Control(c);
    return w ? static_cast<int>(SendMessageA(w, CB_GETCOUNT, 0, 0)) : 0;
}

std::string TConfigDialog::ListItem(C c, int index) {
    HWND w = Control(c);
    if (!w) return "";
    if (IsUnicodeControl(c)) {
        const LRESULT n = SendMessageW(w, CB_GETLBTEXTLEN, static_cast<WPARAM>(index), 0);
        if (n == CB_ERR || n <= 0) return "";
        std::wstring text(static_cast<size_t>(n) + 1, L'\0');
        const LRESULT got = SendMessageW(w, CB_GETLBTEXT, static_cast<WPARAM>(index),
                                         reinterpret_cast<LPARAM>(&text[0]));
        text.resize(got == CB_ERR ? 0 : static_cast<size_t>(got));
        return FromWide(text);
    }
    const LRESULT n = SendMessageA(w, CB_GETLBTEXTLEN, static_cast<WPARAM>(index), 0);
    if (n == CB_ERR || n <= 0) return "";
    std::string text(static_cast<size_t>(n) + 1, '\0');
    const LRESULT got = SendMessageA(w, CB_GETLBTEXT, static_cast<WPARAM>(index),
                                     reinterpret_cast<LPARAM>(&text[0]));
    text.resize(got == CB_ERR ? 0 : static_cast<size_t>(got));
    return text;
}

int TConfigDialog::ListIndex(C c) {
    HWND w = Control(c);
    return w ? static_cast<int>(SendMessageA(w, CB_GETCURSEL, 0, 0)) : -1;
}

void TConfigDialog::SetListIndex(C c, int index) {
    if (HWND w = Control(c)) SendMessageA(w, CB_SETCURSEL, static_cast<WPARAM>(index), 0);
}

void TConfigDialog::SetRange(C c, int low, int high) {
    HWND w = Control(c);
    if (!w) return;
    ranges_[w] = {low, high};
    SendMessageA(w, UDM_SETRANGE32, static_cast<WPARAM>(low), high);
}

void TConfigDialog::SetPosition(C c, int position) {
    if (HWND w = Control(c)) SendMessageA(w, UDM_SETPOS32, 0, position);
}

// The edit beside the spin buttons may hold anything typed or pasted: read
// it, and keep it within the range.
int TConfigDialog::Position(C c) {
    HWND w = Control(c);
    if (!w) return 0;
    const auto range = ranges_.count(w) ? ranges_[w] : std::pair<int, int>(0, 100);
    HWND buddy = reinterpret_cast<HWND>(SendMessageA(w, UDM_GETBUDDY, 0, 0));
    char text[32] = {};
    if (buddy) GetWindowTextA(buddy, text, sizeof text);
    int value = range.first;
    try {
        value = StrToInt(Trim(text));
    } catch (const EConvertError&) {
        value = static_cast<int>(SendMessageA(w, UDM_GETPOS32, 0, 0));
    }
    return std::max(range.first, std::min(value, range.second));
}

void TConfigDialog::Focus(C c) {
    if (HWND w = Control(c)) SendMessageA(hwnd_, WM_NEXTDLGCTL, reinterpret_cast<WPARAM>(w), TRUE);
}

}  // namespace vexil

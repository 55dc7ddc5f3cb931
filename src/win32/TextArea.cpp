// The message window's text area: an edit control filled a piece at a time.
#include "win32/TextArea.h"

#include <algorithm>

namespace vexil {

namespace {

// The text area holds far more than any message shows.
constexpr size_t kTextLimit = 64 * 1024 * 1024;

// Lines too wide for the area break after white space (msgwin/TextFill.h
// says why the system's own rule is not used).
int CALLBACK BreakAfterSpaces(LPWSTR text, int at, int size, int action) {
    if (!text || at < 0 || size < 0) return 0;
    const size_t i = static_cast<size_t>(at), n = static_cast<size_t>(size);
    switch (action) {
    case WB_LEFT:
        return static_cast<int>(WordStartBefore(text, std::min(i, n)));
    case WB_RIGHT:
        return static_cast<int>(WordStartAfter(text, i, n));
    case WB_ISDELIMITER:
        return i < n && IsBreakingSpace(text[i]) ? TRUE : FALSE;
    default:
        return 0;
    }
}

}  // namespace

TTextArea::TTextArea(HINSTANCE instance, HWND owner, UINT_PTR timerId)
    : owner_(owner), timerId_(timerId) {
    edit_ = CreateWindowExW(0, L"EDIT", L"",
                            WS_CHILD | WS_VISIBLE | WS_VSCROLL | ES_MULTILINE | ES_AUTOVSCROLL |
                                ES_WANTRETURN | ES_NOHIDESEL,
                            0, 0, 10, 10, owner, nullptr, instance, nullptr);
    RaiseLimit(kTextLimit);
    SendMessageW(edit_, EM_SETWORDBREAKPROC, 0, reinterpret_cast<LPARAM>(BreakAfterSpaces));
}

void TTextArea::SetText(std::wstring text) {
    fill_.Start(std::move(text));
    // Text the program puts in is never cut at the typing limit.
    RaiseLimit(fill_.PendingSize());
    const std::wstring first = fill_.Take(kFirstTextPiece);
    SetWindowTextW(edit_, first.c_str());
    SendMessageW(edit_, EM_SETSEL, 0, 0);
    SendMessageW(edit_, EM_SCROLLCARET, 0, 0);
    if (fill_.Pending() && IsWindowVisible(owner_))
        StartTimer();
    else if (!fill_.Pending())
        StopTimer();
}

std::wstring TTextArea::Text() const {
    const int n = GetWindowTextLengthW(edit_);
    std::wstring text(static_cast<size_t>(std::max(n, 0)) + 1, L'\0');
    const int got = GetWindowTextW(edit_, &text[0], n + 1);
    text.resize(static_cast<size_t>(std::max(got, 0)));
    return text + fill_.Rest();
}

void TTextArea::Tick() {
    if (!fill_.Pending() || !IsWindowVisible(owner_)) {
        StopTimer();
        return;
    }
    // A drag in progress (a selection, the scroll bar's thumb, the window
    // itself) or an open menu is left alone: the next tick tries again.
    if (GetCapture()) return;
    Append(fill_.Take(kTextPiece));
    if (!fill_.Pending()) StopTimer();
}

void TTextArea::OwnerShown(bool shown) {
    if (shown && fill_.Pending())
        StartTimer();
    else if (!shown)
        StopTimer();
}

// The piece goes in at the end, which moves the selection and the view
// there; both go back to where the user had them (a selection made
// backwards comes back forwards: the control tells its ends, not which one
// the caret was at).  Drawing is off where the control honours that, and it
// paints once, at the end, before the message loop's next turn.  The caret
// stays hidden meanwhile: the scrolling there and back would otherwise leave
// an image of it behind.
void TTextArea::Append(const std::wstring& piece) {
    DWORD selStart = 0, selEnd = 0;
    SendMessageW(edit_, EM_GETSEL, reinterpret_cast<WPARAM>(&selStart), reinterpret_cast<LPARAM>(&selEnd));
    const LRESULT top = SendMessageW(edit_, EM_GETFIRSTVISIBLELINE, 0, 0);
    const int length = GetWindowTextLengthW(edit_);
    RaiseLimit(static_cast<size_t>(std::max(length, 0)) + piece.size());
    const bool caretHidden = HideCaret(edit_) != FALSE;
    SendMessageW(edit_, WM_SETREDRAW, FALSE, 0);
    SendMessageW(edit_, EM_SETSEL, static_cast<WPARAM>(length), static_cast<LPARAM>(length));
    SendMessageW(edit_, EM_REPLACESEL, FALSE, reinterpret_cast<LPARAM>(piece.c_str()));
    SendMessageW(edit_, EM_SETSEL, selStart, static_cast<LPARAM>(selEnd));
    const LRESULT now = SendMessageW(edit_, EM_GETFIRSTVISIBLELINE, 0, 0);
    if (now != top) SendMessageW(edit_, EM_LINESCROLL, 0, top - now);
    SendMessageW(edit_, WM_SETREDRAW, TRUE, 0);
    RedrawWindow(edit_, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_FRAME | RDW_UPDATENOW);
    if (caretHidden) ShowCaret(edit_);
}

void TTextArea::RaiseLimit(size_t length) {
    if (length <= limit_) return;
    limit_ = length;
    SendMessageW(edit_, EM_SETLIMITTEXT, static_cast<WPARAM>(limit_), 0);
}

void TTextArea::StartTimer() {
    if (!ticking_) ticking_ = SetTimer(owner_, timerId_, USER_TIMER_MINIMUM, nullptr) != 0;
}

void TTextArea::StopTimer() {
    if (ticking_) KillTimer(owner_, timerId_);
    ticking_ = false;
}

}  // namespace vexil

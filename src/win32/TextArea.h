// The message window's text area: a Unicode multi-line edit control that
// takes a long text a piece at a time.  The edit control lays out a whole
// text when it gets it, which for a long message holds the window for
// seconds; here the first screens show at once and the rest follows from the
// owner's timer, one piece per tick, while the window paints, scrolls,
// selects and closes in between.  The text the logic reads is always the
// whole text, whatever part of it the control holds yet.
#pragma once

#include <windows.h>

#include <string>

#include "msgwin/TextFill.h"

namespace vexil {

class TTextArea {
public:
    // owner: the window the control lives in, whose WM_TIMER for timerId
    // and WM_SHOWWINDOW it passes on to Tick and OwnerShown.
    TTextArea(HINSTANCE instance, HWND owner, UINT_PTR timerId);
    TTextArea(const TTextArea&) = delete;
    TTextArea& operator=(const TTextArea&) = delete;

    HWND Handle() const { return edit_; }

    // Replaces the text: the first piece at once with the caret at its
    // start, the rest on the owner's timer while the owner shows.
    void SetText(std::wstring text);
    // The whole text: what the control holds (with the user's changes)
    // followed by what is still to come.
    std::wstring Text() const;
    // Some of the text is still to come.
    bool Filling() const { return fill_.Pending(); }

    // The owner's timer ticked: the next piece.
    void Tick();
    // The owner was shown (the fill goes on) or hidden (it waits).
    void OwnerShown(bool shown);

private:
    void Append(const std::wstring& piece);
    void RaiseLimit(size_t length);
    void StartTimer();
    void StopTimer();

    HWND owner_;
    UINT_PTR timerId_;
    HWND edit_ = nullptr;
    size_t limit_ = 0;
    bool ticking_ = false;
    TTextFill<wchar_t> fill_;
};

}  // namespace vexil

// The message window's real window: its text area keeps Unicode text of any
// size line for line, takes a long text in pieces while the window answers
// (scrolling, selecting, editing, switching and closing meanwhile), and a
// modal showing ends when the window is closed.
#include <windows.h>

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "msgwin/MsgList.h"
#include "msgwin/TextFill.h"
#include "pop3/WirePOP3.h"
#include "support/FakeMessages.h"
#include "win32/MsgListWindow.h"
#include "win32/WideText.h"

using namespace vexil;

namespace {

class TNoAlert : public IFilterAlert {
public:
    TAlertAnswer Ask(const std::string&, const std::string&, const std::string&, int) override {
        return TAlertAnswer::Ignore;
    }
};

class TNoHost : public IMsgListHost {
public:
    int MsgCount() override { return 0; }
    bool NotepadMode() override { return true; }
    bool OnTopChecked() override { return false; }
    void CountAndClose() override {}
    void ShellOpen(const std::string&) override {}
};

TEST(MsgListWindowWin32, TextAreaKeepsUnicodeLinesOfAnySize) {
    TMsgListWindow window(GetModuleHandleA(nullptr), nullptr);
    TTextAreaStyle style;
    style.Bounds = TRect{10, 10, 330, 190};
    style.FontName = "Tahoma";
    style.FontSize = 8;
    window.SetTextArea(style);
    const std::vector<std::string> script = {
        "From : \xD0\x98\xD0\xB2\xD0\xB0\xD0\xBD", "\xE6\x97\xA5\xE6\x9C\xAC\xE8\xAA\x9E", "",
        "caf\xC3\xA9"};
    window.SetLines(script);
    EXPECT_EQ(window.Lines(), script);

    // Far beyond an edit control's default 32K characters.
    std::vector<std::string> many;
    for (int i = 0; i < 20000; ++i) many.push_back("line " + std::to_string(i) + " of a long message");
    window.SetLines(many);
    EXPECT_EQ(window.Lines(), many);
    window.SetLines({});
    EXPECT_TRUE(window.Lines().empty());
}

TEST(MsgListWindowWin32, AModalShowingEndsWithTheWindow) {
    HWND owner = CreateWindowExA(0, "STATIC", "owner", WS_POPUP, 0, 0, 10, 10, nullptr, nullptr,
                                 GetModuleHandleA(nullptr), nullptr);
    TMsgListWindow window(GetModuleHandleA(nullptr), owner);
    TNoAlert alert;
    TNoHost host;
    test::TFakeMessages messages;
    TWirePOP3 pop;
    TWireMessage msg;
    TSettings settings;
    TFilterTable filters;
    TMsgList logic(window, alert, host, messages, pop, msg, settings, filters);
    window.Bind(logic);
    window.SetBounds(40, 50, 200, 150);

    PostMessageA(window.Handle(), WM_CLOSE, 0, 0);
    window.ShowModal();
    EXPECT_FALSE(window.IsVisible());
    EXPECT_TRUE(IsWindowEnabled(owner));
    // Closing keeps where the window stood, for the settings file.
    EXPECT_EQ(settings.memo_posx, 40);
    EXPECT_EQ(settings.memo_posy, 50);
    DestroyWindow(owner);
}

// --- A long text, filled in pieces ---

std::vector<std::string> LongText(const std::string& name, int lines) {
    std::vector<std::string> text;
    for (int i = 0; i < lines; ++i)
        text.push_back(name + " " + std::to_string(i) + ": the quick brown fox jumps over the lazy dog \xE2\x9C\x89 \xF0\x9F\x98\x80");
    return text;
}

std::wstring Joined(const std::vector<std::string>& lines) {
    std::string text;
    for (size_t i = 0; i < lines.size(); ++i) text += (i ? "\r\n" : "") + lines[i];
    return ToWide(text);
}

// Whether the text area holding text[0, end) would end inside a character
// (half a surrogate pair) or between CR and LF.
bool EndsInsideAPair(const std::wstring& text, size_t end) {
    if (end == 0 || end >= text.size()) return false;
    const wchar_t a = text[end - 1], b = text[end];
    return (a >= 0xD800 && a <= 0xDBFF && b >= 0xDC00 && b <= 0xDFFF) || (a == L'\r' && b == L'\n');
}

// A long text whose first two cuts would fall inside a surrogate pair and
// between a CR and its LF: lines of dots placed to move them there.
std::vector<std::string> TextWithPairsAtTheCuts() {
    std::vector<std::string> lines = LongText("line", 8000);
    lines.insert(lines.begin(), "");
    lines.insert(lines.begin() + 300, "");
    const size_t cuts[] = {kFirstTextPiece, kFirstTextPiece - 1 + kTextPiece};
    const size_t padded[] = {0, 300};
    for (int i = 0; i < 2; ++i) {
        for (;; lines[padded[i]] += '.') {
            if (lines[padded[i]].size() > 200) return {};
            const std::wstring whole = Joined(lines);
            const wchar_t c = whole[cuts[i] - 1];
            if (i == 0 ? c >= 0xD800 && c <= 0xDBFF : c == L'\r') break;
        }
    }
    return lines;
}

// The message window on screen (a fill runs while it shows), and its text
// area as the user sees it.
struct TShownWindow {
    TMsgListWindow window{GetModuleHandleA(nullptr), nullptr};

    TShownWindow() {
        TTextAreaStyle style;
        style.Bounds = TRect{10, 10, 330, 190};
        style.FontName = "Tahoma";
        style.FontSize = 8;
        window.SetTextArea(style);
        window.SetBounds(40, 50, 340, 200);
        window.Show();
    }
    HWND Area() const { return window.TextArea(); }
    size_t Length() const { return static_cast<size_t>(GetWindowTextLengthW(Area())); }
    std::wstring Text() const {
        std::wstring text(Length() + 1, L'\0');
        text.resize(static_cast<size_t>(GetWindowTextW(Area(), &text[0], static_cast<int>(text.size()))));
        return text;
    }
    // Serves the thread's messages until done() or for at most wait ms (a
    // fill that never ends fails the test instead of hanging it).
    template <class Done>
    bool ServeUntil(Done done, DWORD wait = 120000) {
        const DWORD start = GetTickCount();
        while (!done()) {
            if (GetTickCount() - start > wait) return false;
            MSG msg;
            if (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
                TranslateMessage(&msg);
                DispatchMessageW(&msg);
            } else {
                MsgWaitForMultipleObjects(0, nullptr, FALSE, 20, QS_ALLINPUT);
            }
        }
        return true;
    }
    // Serves messages for a while: whatever is still running gets its turns.
    void ServeFor(DWORD ms) { ServeUntil([] { return false; }, ms); }
};

TEST(MsgListWindowWin32, ALongTextFillsInPiecesWhileTheWindowAnswers) {
    TShownWindow shown;
    const std::vector<std::string> lines = TextWithPairsAtTheCuts();
    ASSERT_FALSE(lines.empty());
    const std::wstring whole = Joined(lines);
    shown.window.SetLines(lines);

    // The first screens at once, the whole text already there for the logic.
    const size_t first = shown.Length();
    EXPECT_GT(first, 0u);
    EXPECT_LE(first, kFirstTextPiece);
    EXPECT_FALSE(EndsInsideAPair(whole, first)) << first;
    EXPECT_EQ(shown.Text(), whole.substr(0, first));
    EXPECT_EQ(shown.window.Lines(), lines);

    // Between two pieces the thread serves its queue: a message posted after
    // a piece is taken before the next piece comes.
    const UINT marker = WM_APP + 17;
    size_t before = first;
    int pieces = 0, markers = 0;
    bool waiting = PostThreadMessageW(GetCurrentThreadId(), marker, 0, 0) != FALSE;
    const DWORD start = GetTickCount();
    while (shown.Length() < whole.size() && GetTickCount() - start < 120000) {
        MSG msg;
        if (!PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
            MsgWaitForMultipleObjects(0, nullptr, FALSE, 20, QS_ALLINPUT);
            continue;
        }
        if (msg.message == marker) {
            waiting = false;
            ++markers;
            continue;
        }
        DispatchMessageW(&msg);
        const size_t now = shown.Length();
        if (now == before) continue;
        ++pieces;
        EXPECT_FALSE(waiting) << "a piece came before the message posted ahead of it";
        EXPECT_LE(now - before, kTextPiece);
        EXPECT_FALSE(EndsInsideAPair(whole, now)) << now;
        before = now;
        waiting = PostThreadMessageW(GetCurrentThreadId(), marker, 0, 0) != FALSE;
    }
    EXPECT_GT(pieces, 2);
    EXPECT_GE(markers, pieces);
    EXPECT_EQ(shown.Text(), whole);
    EXPECT_EQ(shown.window.Lines(), lines);
}

TEST(MsgListWindowWin32, AnotherTextMidFillLeavesOnlyTheNewText) {
    const std::vector<std::string> next[] = {LongText("next", 3000), {"a short one"}, {}};
    for (const std::vector<std::string>& lines : next) {
        TShownWindow shown;
        const std::vector<std::string> old = LongText("old", 8000);
        shown.window.SetLines(old);
        const size_t first = shown.Length();
        ASSERT_LT(first, Joined(old).size()) << "the text fills in pieces";
        ASSERT_TRUE(shown.ServeUntil([&] { return shown.Length() > first; }));
        ASSERT_LT(shown.Length(), Joined(old).size()) << "the old text is still filling";

        shown.window.SetLines(lines);
        const std::wstring whole = Joined(lines);
        ASSERT_TRUE(shown.ServeUntil([&] { return shown.Length() >= whole.size(); }));
        shown.ServeFor(300);
        EXPECT_EQ(shown.Text(), whole) << lines.size() << " lines";
        EXPECT_EQ(shown.window.Lines(), lines);
    }
}

TEST(MsgListWindowWin32, ClosingStopsTheFillAndShowingAgainEndsIt) {
    TShownWindow shown;
    const std::vector<std::string> lines = LongText("line", 8000);
    const std::wstring whole = Joined(lines);
    shown.window.SetLines(lines);
    const size_t first = shown.Length();
    ASSERT_LT(first, whole.size()) << "the text fills in pieces";
    ASSERT_TRUE(shown.ServeUntil([&] { return shown.Length() > first; }));

    shown.window.CloseWindow();
    const size_t closed = shown.Length();
    ASSERT_LT(closed, whole.size());
    shown.ServeFor(300);
    EXPECT_EQ(shown.Length(), closed) << "nothing is laid out for a closed window";
    // Nothing is lost: what is still to come is the window's text all the same.
    EXPECT_EQ(shown.window.Lines(), lines);

    shown.window.Show();
    ASSERT_TRUE(shown.ServeUntil([&] { return shown.Length() >= whole.size(); }));
    EXPECT_EQ(shown.Text(), whole);
}

TEST(MsgListWindowWin32, TheUserScrollsSelectsEditsAndCopiesWhileItFills) {
    TShownWindow shown;
    const std::vector<std::string> lines = LongText("line", 8000);
    const std::wstring whole = Joined(lines);
    shown.window.SetLines(lines);
    const size_t first = shown.Length();
    ASSERT_LT(first, whole.size()) << "the text fills in pieces";
    ASSERT_TRUE(shown.ServeUntil([&] { return shown.Length() > first; }));
    ASSERT_LT(shown.Length(), whole.size());

    // Typed at the start, a selection further on, the view scrolled down.
    SetFocus(shown.Area());
    SendMessageW(shown.Area(), EM_SETSEL, 0, 0);
    for (wchar_t c : std::wstring(L"Hi! "))
        SendMessageW(shown.Area(), WM_CHAR, c, 0);
    SendMessageW(shown.Area(), EM_SETSEL, 100, 180);
    SendMessageW(shown.Area(), EM_LINESCROLL, 0, 40);
    const LRESULT top = SendMessageW(shown.Area(), EM_GETFIRSTVISIBLELINE, 0, 0);
    ASSERT_GT(top, 0);

    ASSERT_TRUE(shown.ServeUntil([&] { return shown.Length() >= whole.size() + 4; }));
    shown.ServeFor(100);
    EXPECT_EQ(shown.Text(), L"Hi! " + whole);
    DWORD selStart = 0, selEnd = 0;
    SendMessageW(shown.Area(), EM_GETSEL, reinterpret_cast<WPARAM>(&selStart), reinterpret_cast<LPARAM>(&selEnd));
    EXPECT_EQ(selStart, 100u);
    EXPECT_EQ(selEnd, 180u);
    EXPECT_EQ(SendMessageW(shown.Area(), EM_GETFIRSTVISIBLELINE, 0, 0), top);
    // The caret stands at the selection's end, in view.
    POINT caret{};
    ASSERT_TRUE(GetCaretPos(&caret));
    const LRESULT at = SendMessageW(shown.Area(), EM_POSFROMCHAR, selEnd, 0);
    EXPECT_EQ(caret.x, static_cast<short>(LOWORD(at)));
    EXPECT_EQ(caret.y, static_cast<short>(HIWORD(at)));
    std::vector<std::string> edited = lines;
    edited[0] = "Hi! " + edited[0];
    EXPECT_EQ(shown.window.Lines(), edited);

    // The last lines came in the last piece: they copy as any others.
    const size_t from = whole.size() - 200;
    SendMessageW(shown.Area(), EM_SETSEL, static_cast<WPARAM>(from + 4), static_cast<LPARAM>(whole.size() + 4));
    SendMessageW(shown.Area(), WM_COPY, 0, 0);
    std::wstring copied;
    if (OpenClipboard(shown.window.Handle())) {
        if (HANDLE data = GetClipboardData(CF_UNICODETEXT)) {
            if (const auto* text = static_cast<const wchar_t*>(GlobalLock(data))) copied = text;
            GlobalUnlock(data);
        }
        CloseClipboard();
    }
    EXPECT_EQ(copied, whole.substr(from));
}

TEST(MsgListWindowWin32, TheSameLookAgainLeavesTheTextAreaAsItIs) {
    TShownWindow shown;
    shown.window.SetLines(LongText("line", 100));
    const auto font = [&] { return SendMessageW(shown.Area(), WM_GETFONT, 0, 0); };
    const LRESULT first = font();
    TTextAreaStyle style;
    style.Bounds = TRect{10, 10, 330, 190};
    style.FontName = "Tahoma";
    style.FontSize = 8;
    shown.window.SetTextArea(style);
    EXPECT_EQ(font(), first) << "the same look was applied again";
    style.Bold = true;
    shown.window.SetTextArea(style);
    EXPECT_NE(font(), first);
    EXPECT_EQ(shown.window.Lines(), LongText("line", 100));
}

TEST(MsgListWindowWin32, LongLinesWrapAtSpacesOrWhereTheAreaIsFull) {
    TShownWindow shown;
    const std::string words = "Lorem ipsum dolor sit amet, consectetur adipiscing elit, sed do eiusmod tempor "
                              "incididunt ut labore et dolore magna aliqua. Ut enim ad minim veniam.";
    std::string unbroken;
    for (int i = 0; i < 60; ++i) unbroken += "\xE6\x97\xA5\xE6\x9C\xAC";
    const std::pair<std::string, bool> cases[] = {{words, true}, {unbroken, false}};
    for (const auto& [line, atSpaces] : cases) {
        shown.window.SetLines({line});
        const std::wstring text = shown.Text();
        ASSERT_EQ(text, ToWide(line));
        const LRESULT rows = SendMessageW(shown.Area(), EM_GETLINECOUNT, 0, 0);
        EXPECT_GT(rows, 1) << line;
        for (LRESULT row = 1; row < rows; ++row) {
            const LRESULT at = SendMessageW(shown.Area(), EM_LINEINDEX, static_cast<WPARAM>(row), 0);
            ASSERT_GT(at, 0);
            ASSERT_LT(static_cast<size_t>(at), text.size());
            if (atSpaces) {
                EXPECT_TRUE(text[at - 1] == L' ' && text[at] != L' ') << "row " << row << " starts inside a word";
            }
        }
    }
}

}  // namespace

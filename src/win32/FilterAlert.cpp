// The filter alert's dialog.
#include "win32/FilterAlert.h"

#include <algorithm>

#include "win32/DialogTemplate.h"
#include "win32/WideText.h"

namespace vexil {

namespace {

constexpr int kIgnore = IDCANCEL;  // Escape and the close box read the message too
constexpr int kDelete = 100;

}  // namespace

TAlertAnswer TFilterAlertDialog::Ask(const std::string& from, const std::string& subject,
                                     const std::string& size, int flags) {
    from_ = from;
    subject_ = subject;
    size_ = size;
    flags_ = flags;
    const std::vector<WORD> t =
        EmptyTemplate(WS_POPUP | WS_CAPTION | WS_SYSMENU | DS_MODALFRAME | DS_CENTER, L"Vexil Filter !");
    const INT_PTR result = DialogBoxIndirectParamW(
        instance_, reinterpret_cast<LPCDLGTEMPLATEW>(t.data()), owner_, DialogProc,
        reinterpret_cast<LPARAM>(this));
    if (bold_) {
        DeleteObject(bold_);
        bold_ = nullptr;
    }
    return result == kDelete ? TAlertAnswer::Delete : TAlertAnswer::Ignore;
}

void TFilterAlertDialog::Build(HWND dialog) {
    SetClientSize(dialog, kClientWidth, kClientHeight);
    RECT work{}, r{};
    SystemParametersInfoA(SPI_GETWORKAREA, 0, &work, 0);
    GetWindowRect(dialog, &r);
    SetWindowPos(dialog, HWND_TOPMOST, work.left + (work.right - work.left - (r.right - r.left)) / 2,
                 work.top + (work.bottom - work.top - (r.bottom - r.top)) / 2, 0, 0, SWP_NOSIZE);
    HFONT font = reinterpret_cast<HFONT>(SendMessageA(dialog, WM_GETFONT, 0, 0));
    LOGFONTA lf{};
    if (font && GetObjectA(font, sizeof lf, &lf)) {
        lf.lfWeight = FW_BOLD;
        bold_ = CreateFontIndirectA(&lf);
    }
    auto make = [&](const char* cls, const char* text, DWORD style, int x, int y, int w, int h,
                    int id, HFONT f) {
        HWND c = CreateWindowExA(0, cls, text, WS_CHILD | WS_VISIBLE | style, x, y, w, h, dialog,
                                 reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)), instance_, nullptr);
        SendMessageA(c, WM_SETFONT, reinterpret_cast<WPARAM>(f), FALSE);
        return c;
    };
    make("BUTTON", " Filtered message : ", BS_GROUPBOX, 8, 6, 314, 112, 0xFFFF, font);
    const char* labels[3] = {" From :", " Subj. :", " Size :"};
    const std::string* values[3] = {&from_, &subject_, &size_};
    for (int i = 0; i < 3; ++i) {
        make("STATIC", labels[i], SS_LEFT, 18, 30 + i * 28, 56, 16, 0xFFFF, bold_ ? bold_ : font);
        values_[i] = CreateWindowExW(0, L"STATIC", ToWide(*values[i]).c_str(),
                                     WS_CHILD | WS_VISIBLE | SS_LEFT | SS_NOPREFIX | SS_ENDELLIPSIS,
                                     78, 30 + i * 28, 236, 16, dialog, nullptr, instance_, nullptr);
        SendMessageW(values_[i], WM_SETFONT, reinterpret_cast<WPARAM>(font), FALSE);
    }
    HWND ignore = make("BUTTON", "&Ignore", BS_DEFPUSHBUTTON | WS_TABSTOP | WS_GROUP, 158, 130, 78,
                       25, kIgnore, font);
    make("BUTTON", "&Delete", BS_PUSHBUTTON | WS_TABSTOP | WS_GROUP, 244, 130, 78, 25, kDelete, font);
    SetFocus(ignore);
}

INT_PTR CALLBACK TFilterAlertDialog::DialogProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp) {
    auto* self = reinterpret_cast<TFilterAlertDialog*>(GetWindowLongPtrW(hwnd, DWLP_USER));
    switch (msg) {
    case WM_INITDIALOG:
        SetWindowLongPtrW(hwnd, DWLP_USER, lp);
        reinterpret_cast<TFilterAlertDialog*>(lp)->Build(hwnd);
        return FALSE;  // the focus is set
    case WM_CTLCOLORSTATIC:
        if (self) {
            // What matched shows in red: 1 the subject, 2 the sender, 4 the size.
            const HWND label = reinterpret_cast<HWND>(lp);
            const int bits[3] = {ffSender, ffSubject, ffSize};
            for (int i = 0; i < 3; ++i)
                if (label == self->values_[i]) {
                    HDC dc = reinterpret_cast<HDC>(wp);
                    SetTextColor(dc, (self->flags_ & bits[i]) ? RGB(255, 0, 0) : RGB(0, 0, 0));
                    SetBkMode(dc, TRANSPARENT);
                    return reinterpret_cast<INT_PTR>(GetSysColorBrush(COLOR_BTNFACE));
                }
        }
        return FALSE;
    case WM_COMMAND:
        if (LOWORD(wp) == kIgnore || LOWORD(wp) == kDelete) {
            EndDialog(hwnd, LOWORD(wp));
            return TRUE;
        }
        return FALSE;
    default:
        return FALSE;
    }
}

}  // namespace vexil

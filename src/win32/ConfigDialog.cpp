// The settings dialog's window.  The dialog and its pages are real dialogs
// (made from small templates in memory, in the system's dialog font), so the
// dialog manager gives Tab, the "&" shortcuts, Enter for OK and Escape for
// Close; the controls are placed in pixels from the page tables.
#include "win32/ConfigDialog.h"

#include <commctrl.h>
#include <commdlg.h>
#include <shlobj.h>

#include <algorithm>
#include <cstdlib>
#include <vector>

#include "base/Text.h"
#include "skin/Picture.h"
#include "win32/DialogTemplate.h"
#include "win32/Win32Draw.h"
#include "win32/Win32Services.h"
#include "win32/WideText.h"
#include "win32/resource.h"

namespace vexil {

namespace {

using C = TConfigControl;

constexpr int kIdBase = 1000;
constexpr int kPageLeft = 84, kPageTop = 6, kPageWidth = 320, kPageHeight = 283;
constexpr int kPageButtonLeft = 6, kPageButtonTop = 6, kPageButtonWidth = 72,
              kPageButtonHeight = 55;
const char kOldProcProp[] = "VexilPageButtonProc";

// Replaces a control's window procedure, keeping the old one for the new.
void Subclass(HWND w, WNDPROC proc) {
    SetPropA(w, kOldProcProp,
             reinterpret_cast<HANDLE>(
                 SetWindowLongPtrA(w, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(proc))));
}

LRESULT CallOldProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp) {
    auto old = reinterpret_cast<WNDPROC>(GetPropA(hwnd, kOldProcProp));
    if (msg == WM_NCDESTROY) {
        SetWindowLongPtrA(hwnd, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(old));
        RemovePropA(hwnd, kOldProcProp);
    }
    return CallWindowProcA(old, hwnd, msg, wp, lp);
}

TColor32 FromColorRef(COLORREF c) { return Rgb(GetRValue(c), GetGValue(c), GetBValue(c)); }


// The page buttons' captions, drawn with GDI after the pictures.
class TCaptionPainter : public ITextPainter {
public:
    struct TText {
        int X, Y;
        std::string Text;
        bool Opaque;
        TColor32 Background;
    };
    HFONT Font = nullptr;
    std::vector<TText> Drawn;

    void TextExtent(const std::string& text, int& w, int& h) override {
        HDC dc = GetDC(nullptr);
        HGDIOBJ old = SelectObject(dc, Font);
        SIZE size{};
        GetTextExtentPoint32A(dc, text.c_str(), DrawnLength(text), &size);
        SelectObject(dc, old);
        ReleaseDC(nullptr, dc);
        w = size.cx;
        h = size.cy;
    }
    void DrawText(TImage32&, int x, int y, const std::string& text, bool opaque,
                  TColor32 background) override {
        Drawn.push_back({x, y, text, opaque, background});
    }
};

TCaptionPainter& CaptionPainter() {
    static TCaptionPainter painter;
    return painter;
}

TPicture ResourcePicture(HINSTANCE instance, int id) {
    HRSRC res = FindResourceA(instance, MAKEINTRESOURCEA(id), MAKEINTRESOURCEA(10));  // RT_RCDATA
    if (!res) return TPicture();
    HGLOBAL data = LoadResource(instance, res);
    const void* bytes = data ? LockResource(data) : nullptr;
    if (!bytes) return TPicture();
    return DecodeBmp(static_cast<const std::uint8_t*>(bytes), SizeofResource(instance, res));
}

}  // namespace

TConfigDialog::TConfigDialog(HINSTANCE instance, HWND owner) : instance_(instance), owner_(owner) {
    icon_ = static_cast<HICON>(
        LoadImageA(instance, MAKEINTRESOURCEA(IDI_VEXIL), IMAGE_ICON, 32, 32, 0));
    const std::vector<WORD> t =
        EmptyTemplate(WS_POPUP | WS_CAPTION | WS_SYSMENU | DS_MODALFRAME, L"Vexil Configuration");
    hwnd_ = CreateDialogIndirectParamA(instance, reinterpret_cast<LPCDLGTEMPLATEA>(t.data()),
                                       owner, DialogProc, reinterpret_cast<LPARAM>(this));
    if (!hwnd_) return;
    SetClientSize(hwnd_, kClientWidth, kClientHeight);
    font_ = reinterpret_cast<HFONT>(SendMessageA(hwnd_, WM_GETFONT, 0, 0));
    LOGFONTA lf{};
    if (font_ && GetObjectA(font_, sizeof lf, &lf)) {
        lf.lfUnderline = TRUE;
        underlined_ = CreateFontIndirectA(&lf);
        lf.lfUnderline = FALSE;
        lf.lfWeight = FW_BOLD;
        bold_ = CreateFontIndirectA(&lf);
    }
    CreateControls();
}

TConfigDialog::~TConfigDialog() {
    if (hwnd_) DestroyWindow(hwnd_);
    if (bold_) DeleteObject(bold_);
    if (underlined_) DeleteObject(underlined_);
    if (icon_) DestroyIcon(icon_);
}

// --- Making the window ---

void TConfigDialog::CreateControls() {
    CreatePageButtons();
    for (size_t i = 0; i < pages_.size(); ++i) {
        pages_[i] = CreatePage(kPageLeft, kPageTop);
        if (i < 4) {
            for (size_t k = 0; k < kPageLayouts[i].Count; ++k)
                CreateControl(pages_[i], kPageLayouts[i].Controls[k]);
        } else {
            CreateAboutPage(pages_[i]);
        }
    }
    const int buttonTop = kClientHeight - 8 - 25;
    HWND ok = CreateWindowExA(0, "BUTTON", "&OK",
                              WS_CHILD | WS_VISIBLE | WS_TABSTOP | WS_GROUP | BS_DEFPUSHBUTTON,
                              kClientWidth - 8 - 75 - 6 - 75, buttonTop, 75, 25, hwnd_,
                              reinterpret_cast<HMENU>(static_cast<INT_PTR>(IDOK)), instance_,
                              nullptr);
    HWND cancel = CreateWindowExA(0, "BUTTON", "&Close",
                                  WS_CHILD | WS_VISIBLE | WS_TABSTOP | WS_GROUP | BS_PUSHBUTTON,
                                  kClientWidth - 8 - 75, buttonTop, 75, 25, hwnd_,
                                  reinterpret_cast<HMENU>(static_cast<INT_PTR>(IDCANCEL)),
                                  instance_, nullptr);
    for (HWND b : {ok, cancel}) SendMessageA(b, WM_SETFONT, reinterpret_cast<WPARAM>(font_), FALSE);
    controls_[C::OK] = ok;
    controls_[C::Cancel] = cancel;
}

HWND TConfigDialog::CreatePage(int left, int top) {
    const std::vector<WORD> t = EmptyTemplate(WS_CHILD | DS_CONTROL, L"");
    HWND page = CreateDialogIndirectParamA(instance_, reinterpret_cast<LPCDLGTEMPLATEA>(t.data()),
                                           hwnd_, PageProc, reinterpret_cast<LPARAM>(this));
    SetWindowPos(page, HWND_BOTTOM, left, top, kPageWidth, kPageHeight, SWP_NOACTIVATE);
    return page;
}

HWND TConfigDialog::CreateControl(HWND parent, const TControlPlace& place) {
    using K = TControlKind;
    const char* cls = "STATIC";
    DWORD style = WS_CHILD | WS_VISIBLE;
    DWORD exStyle = 0;
    int limit = 0;
    switch (place.Kind) {
    case K::Group: cls = "BUTTON"; style |= BS_GROUPBOX; break;
    case K::Label: style |= SS_LEFT; break;
    case K::PlainLabel:
    case K::BoldLabel: style |= SS_LEFT | SS_NOPREFIX | SS_ENDELLIPSIS; break;
    case K::WrapLabel: style |= SS_LEFT | SS_NOPREFIX; break;
    case K::Check: cls = "BUTTON"; style |= BS_AUTOCHECKBOX | WS_TABSTOP | WS_GROUP; break;
    case K::RadioFirst: cls = "BUTTON"; style |= BS_AUTORADIOBUTTON | WS_TABSTOP | WS_GROUP; break;
    case K::Radio: cls = "BUTTON"; style |= BS_AUTORADIOBUTTON; break;
    case K::Edit:
        cls = "EDIT";
        style |= ES_AUTOHSCROLL | WS_TABSTOP | WS_GROUP;
        exStyle = WS_EX_CLIENTEDGE;
        limit = MAX_PATH;
        break;
    case K::EditNumber:
        cls = "EDIT";
        style |= ES_AUTOHSCROLL | ES_NUMBER | WS_TABSTOP | WS_GROUP;
        exStyle = WS_EX_CLIENTEDGE;
        limit = 10;
        break;
    case K::Password:
        cls = "EDIT";
        style |= ES_AUTOHSCROLL | ES_PASSWORD | WS_TABSTOP | WS_GROUP;
        exStyle = WS_EX_CLIENTEDGE;
        limit = 255;
        break;
    case K::Combo: cls = "COMBOBOX"; style |= CBS_DROPDOWNLIST | WS_VSCROLL | WS_TABSTOP | WS_GROUP; break;
    case K::Button: cls = "BUTTON"; style |= BS_PUSHBUTTON | WS_TABSTOP | WS_GROUP; break;
    case K::Spin:
        cls = UPDOWN_CLASSA;
        style |= UDS_SETBUDDYINT | UDS_ALIGNRIGHT | UDS_ARROWKEYS | UDS_NOTHOUSANDS | UDS_AUTOBUDDY;
        break;
    case K::Link: cls = "BUTTON"; style |= BS_OWNERDRAW | WS_GROUP; break;
    case K::Icon: style |= SS_ICON; break;
    }
    const HMENU id = reinterpret_cast<HMENU>(
        static_cast<INT_PTR>(place.Id >= 0 ? kIdBase + place.Id : 0xFFFF));
    HWND w = nullptr;
    if (place.Id >= 0 && IsUnicodeControl(static_cast<TConfigControl>(place.Id))) {
        const std::wstring wideClass = ToWide(cls), wideText = ToWide(place.Text);
        w = CreateWindowExW(exStyle, wideClass.c_str(), wideText.c_str(), style, place.Left, place.Top,
                            place.Width, place.Height, parent, id, instance_, nullptr);
    } else {
        w = CreateWindowExA(exStyle, cls, place.Text, style, place.Left, place.Top, place.Width,
                            place.Height, parent, id, instance_, nullptr);
    }
    if (!w) return nullptr;
    if (place.Kind == K::Link) {
        links_[w] = TLink();
        Subclass(w, LinkProc);
    }
    SendMessageA(w, WM_SETFONT,
                 reinterpret_cast<WPARAM>(place.Kind == K::BoldLabel && bold_ ? bold_ : font_), FALSE);
    if (limit) SendMessageA(w, EM_LIMITTEXT, static_cast<WPARAM>(limit), 0);
    if (place.Id >= 0) controls_[static_cast<C>(place.Id)] = w;
    return w;
}

void TConfigDialog::CreatePageButtons() {
    const char* const captions[] = {"Options", "Accounts", "Filters/News", "Skins", "About"};
    const int pictures[][2] = {{IDR_PAGE_OPTIONS, IDR_PAGE_OPTIONS_ON},
                               {IDR_PAGE_ACCOUNTS, IDR_PAGE_ACCOUNTS_ON},
                               {IDR_PAGE_FILTERS, IDR_PAGE_FILTERS_ON},
                               {IDR_PAGE_SKINS, IDR_PAGE_SKINS_ON},
                               {IDR_PAGE_ABOUT, IDR_PAGE_ABOUT_ON}};
    const C ids[] = {C::OptBtn, C::AccBtn, C::FiltreBtn, C::SkinBtn, C::InfoBtn};
    CaptionPainter().Font = font_;
    for (size_t i = 0; i < 5; ++i) {
        TImgBtn& b = pageButtons_[i];
        b.SetAutosize(false);
        b.Width = kPageButtonWidth;
        b.Height = kPageButtonHeight;
        b.SetFrame(true);
        b.CheckButton = true;
        b.FrameColor = FromColorRef(GetSysColor(COLOR_BTNFACE));
        b.CheckColor = FromColorRef(GetSysColor(COLOR_HIGHLIGHT));
        b.Text = &CaptionPainter();
        b.SetCaption(captions[i]);
        b.SetPicOff(ResourcePicture(instance_, pictures[i][0]));
        b.SetPicOn(ResourcePicture(instance_, pictures[i][1]));
        HWND w = CreateWindowExA(
            0, "BUTTON", captions[i], WS_CHILD | WS_VISIBLE | WS_TABSTOP | WS_GROUP | BS_OWNERDRAW,
            kPageButtonLeft, kPageButtonTop + static_cast<int>(i) * kPageButtonHeight,
            kPageButtonWidth, kPageButtonHeight, hwnd_,
            reinterpret_cast<HMENU>(static_cast<INT_PTR>(kIdBase + static_cast<int>(ids[i]))),
            instance_, nullptr);
        SendMessageA(w, WM_SETFONT, reinterpret_cast<WPARAM>(font_), FALSE);
        SetWindowLongPtrA(w, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(&b));
        Subclass(w, PageButtonProc);
        b.OnRepaint = [w](const TRect&) { InvalidateRect(w, nullptr, FALSE); };
        pageButtonWindows_[i] = w;
        controls_[ids[i]] = w;
    }
}

// --- Messages ---

INT_PTR CALLBACK TConfigDialog::DialogProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp) {
    if (msg == WM_INITDIALOG) {
        SetWindowLongPtrA(hwnd, DWLP_USER, lp);
        auto* self = reinterpret_cast<TConfigDialog*>(lp);
        self->hwnd_ = hwnd;
        return FALSE;
    }
    auto* self = reinterpret_cast<TConfigDialog*>(GetWindowLongPtrA(hwnd, DWLP_USER));
    return self ? self->Guarded(msg, wp, lp) : FALSE;
}

// Nothing may escape into the system's code: the general error report.
INT_PTR TConfigDialog::Guarded(UINT msg, WPARAM wp, LPARAM lp) {
    try {
        return Handle(msg, wp, lp);
    } catch (const std::exception& e) {
        TWin32Messages().ReportError(e.what());
        return TRUE;
    }
}

// The pages hand their controls' notifications and drawing to the dialog.
INT_PTR CALLBACK TConfigDialog::PageProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp) {
    if (msg == WM_INITDIALOG) {
        SetWindowLongPtrA(hwnd, DWLP_USER, lp);
        return FALSE;
    }
    auto* self = reinterpret_cast<TConfigDialog*>(GetWindowLongPtrA(hwnd, DWLP_USER));
    if (self && (msg == WM_COMMAND || msg == WM_DRAWITEM)) {
        self->Guarded(msg, wp, lp);
        return TRUE;
    }
    return FALSE;
}

// The page buttons follow the pointer, as the image buttons of the skins do.
LRESULT CALLBACK TConfigDialog::PageButtonProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp) {
    auto* b = reinterpret_cast<TImgBtn*>(GetWindowLongPtrA(hwnd, GWLP_USERDATA));
    switch (msg) {
    case WM_MOUSEMOVE:
        if (b && !b->PointerOver()) {
            TRACKMOUSEEVENT tme{sizeof tme, TME_LEAVE, hwnd, 0};
            TrackMouseEvent(&tme);
            b->MouseEnter();
        }
        break;
    case WM_MOUSELEAVE:
        if (b) b->MouseLeave();
        break;
    default:
        break;
    }
    return CallOldProc(hwnd, msg, wp, lp);
}

// A link shows the hand over it while it has somewhere to go.
LRESULT CALLBACK TConfigDialog::LinkProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp) {
    if (msg == WM_SETCURSOR && (GetWindowLongPtrA(hwnd, GWL_STYLE) & WS_TABSTOP)) {
        SetCursor(LoadCursor(nullptr, IDC_HAND));
        return TRUE;
    }
    return CallOldProc(hwnd, msg, wp, lp);
}

INT_PTR TConfigDialog::Handle(UINT msg, WPARAM wp, LPARAM lp) {
    switch (msg) {
    case WM_COMMAND:
        OnCommand(LOWORD(wp), HIWORD(wp), reinterpret_cast<HWND>(lp));
        return TRUE;
    case WM_DRAWITEM: {
        const auto& item = *reinterpret_cast<DRAWITEMSTRUCT*>(lp);
        const auto link = links_.find(item.hwndItem);
        if (link != links_.end())
            DrawLink(item, link->second);
        else
            DrawPageButton(item);
        return TRUE;
    }
    case WM_CLOSE:
        if (logic_) logic_->CancelClick();
        return TRUE;
    default:
        return FALSE;
    }
}

void TConfigDialog::OnCommand(int id, int code, HWND from) {
    if (!logic_) return;
    const auto link = links_.find(from);
    if (link != links_.end()) {
        // The target is ours, never what the link's text says.
        if (code == BN_CLICKED && !link->second.Target.empty())
            logic_->LinkClick(static_cast<C>(id - kIdBase), link->second.Target);
        return;
    }
    if (id == IDOK) {
        logic_->OKClick();
        return;
    }
    if (id == IDCANCEL) {
        logic_->CancelClick();
        return;
    }
    const C c = static_cast<C>(id - kIdBase);
    if (code == BN_CLICKED) {
        switch (c) {
        case C::OptBtn: logic_->OptBtnClick(); break;
        case C::AccBtn: logic_->AccBtnClick(); break;
        case C::FiltreBtn: logic_->FiltreBtnClick(); break;
        case C::SkinBtn: logic_->SkinBtnClick(); break;
        case C::InfoBtn: logic_->InfoBtnClick(); break;
        case C::ChkTray: logic_->ChkTrayClick(); break;
        case C::SndBr: logic_->SndBrClick(); break;
        case C::BrClient: logic_->BrClientClick(); break;
        case C::BrSkin: logic_->BrSkinClick(); break;
        case C::Browse: logic_->BrowseClick(); break;
        case C::AddAcc: logic_->AddAccClick(); break;
        case C::Modify: logic_->ModifyClick(); break;
        case C::DelAcc: logic_->DelAccClick(); break;
        case C::ChkAct: logic_->ChkActClick(); break;
        case C::ChkInact: logic_->ChkInactClick(); break;
        case C::AddFilt: logic_->AddFiltClick(); break;
        case C::DelFilt: logic_->DelFiltClick(); break;
        default: break;
        }
    } else if (code == CBN_SELCHANGE) {
        switch (c) {
        case C::LstRAS: logic_->LstRASChange(); break;
        case C::LstSrv: logic_->LstSrvChange(); break;
        case C::LstAcc: logic_->LstAccSel(); break;
        case C::Security: logic_->SecurityChange(); break;
        case C::Protocol: logic_->ProtocolChange(); break;
        case C::FilterLst: logic_->FilterLstChange(); break;
        default: break;
        }
    } else if (code == CBN_SELENDOK && c == C::LstAcc) {
        // Choosing the entry already chosen shows that account again.
        logic_->LstAccSel();
    }
}

void TConfigDialog::DrawPageButton(const DRAWITEMSTRUCT& item) {
    size_t i = 0;
    while (i < 5 && pageButtonWindows_[i] != item.hwndItem) ++i;
    if (i == 5) return;
    TImgBtn& b = pageButtons_[i];
    const int w = item.rcItem.right - item.rcItem.left, h = item.rcItem.bottom - item.rcItem.top;
    TImage32 surface(w, h, b.FrameColor);
    TCaptionPainter& painter = CaptionPainter();
    painter.Drawn.clear();
    b.Paint(surface);

    DrawImage(item.hDC, item.rcItem.left, item.rcItem.top, surface);

    HGDIOBJ old = SelectObject(item.hDC, font_);
    for (const TCaptionPainter::TText& t : painter.Drawn) {
        SIZE size{};
        GetTextExtentPoint32A(item.hDC, t.Text.c_str(), DrawnLength(t.Text), &size);
        RECT r{t.X - 3, t.Y - 1, t.X + size.cx + 3, t.Y + size.cy + 1};
        if (t.Opaque) {
            HBRUSH brush = GetSysColorBrush(COLOR_HIGHLIGHT);
            FillRect(item.hDC, &r, brush);
            SetTextColor(item.hDC, GetSysColor(COLOR_HIGHLIGHTTEXT));
        } else {
            SetTextColor(item.hDC, GetSysColor(COLOR_BTNTEXT));
        }
        SetBkMode(item.hDC, TRANSPARENT);
        TextOutA(item.hDC, t.X, t.Y, t.Text.c_str(), DrawnLength(t.Text));
    }
    SelectObject(item.hDC, old);
    if (item.itemState & ODS_FOCUS) {
        RECT focus = item.rcItem;
        InflateRect(&focus, -3, -3);
        DrawFocusRect(item.hDC, &focus);
    }
}

void TConfigDialog::DrawLink(const DRAWITEMSTRUCT& item, const TLink& link) {
    RECT r = item.rcItem;
    FillRect(item.hDC, &r, GetSysColorBrush(COLOR_BTNFACE));
    const bool live = !link.Target.empty();
    HGDIOBJ old = SelectObject(item.hDC, live && underlined_ ? underlined_ : font_);
    SetBkMode(item.hDC, TRANSPARENT);
    // The blue of links everywhere; a text that opens nothing is plain text.
    SetTextColor(item.hDC, live ? RGB(0, 102, 204) : GetSysColor(COLOR_BTNTEXT));
    const int length = DrawnLength(link.Caption);
    DrawTextA(item.hDC, link.Caption.c_str(), length, &r,
              DT_SINGLELINE | DT_NOPREFIX | DT_END_ELLIPSIS);
    if ((item.itemState & ODS_FOCUS) && live) {
        RECT text = r;
        DrawTextA(item.hDC, link.Caption.c_str(), length, &text,
                  DT_SINGLELINE | DT_NOPREFIX | DT_CALCRECT);
        text.right = std::min(text.right + 3, r.right);
        DrawFocusRect(item.hDC, &text);
    }
    SelectObject(item.hDC, old);
}

// --- IConfigView (the controls' accessors are in ConfigControls.cpp) ---

void TConfigDialog::ShowPage(TConfigPage page) {
    const size_t shown = static_cast<size_t>(page);
    HWND focus = GetFocus();
    for (size_t i = 0; i < 5; ++i) {
        pageButtons_[i].SetChecked(i == shown);
        if (i != shown) ShowWindow(pages_[i], SW_HIDE);
    }
    ShowWindow(pages_[shown], SW_SHOW);
    // The focus never stays in a page that went away.
    if (focus && !IsWindowVisible(focus) && modal_)
        SendMessageA(hwnd_, WM_NEXTDLGCTL, reinterpret_cast<WPARAM>(pageButtonWindows_[shown]), TRUE);
}

TModalResult TConfigDialog::ShowModal() {
    if (!hwnd_) return TModalResult::Cancel;
    RECT r{}, work{};
    GetWindowRect(hwnd_, &r);
    SystemParametersInfoA(SPI_GETWORKAREA, 0, &work, 0);
    SetWindowPos(hwnd_, nullptr, work.left + (work.right - work.left - (r.right - r.left)) / 2,
                 work.top + (work.bottom - work.top - (r.bottom - r.top)) / 2, 0, 0,
                 SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
    result_ = TModalResult::None;
    modal_ = true;
    EnableWindow(owner_, FALSE);
    ShowWindow(hwnd_, SW_SHOW);
    SetForegroundWindow(hwnd_);
    SendMessageA(hwnd_, WM_NEXTDLGCTL, reinterpret_cast<WPARAM>(pageButtonWindows_[0]), TRUE);

    MSG msg;
    while (result_ == TModalResult::None) {
        const BOOL got = GetMessageA(&msg, nullptr, 0, 0);
        if (got <= 0) {
            // The program ends: the loop above ours gets the quit message too.
            PostQuitMessage(static_cast<int>(msg.wParam));
            result_ = TModalResult::Cancel;
            break;
        }
        if (!IsDialogMessageA(hwnd_, &msg)) {
            TranslateMessage(&msg);
            DispatchMessageA(&msg);
        }
    }
    // The owner first, so that it is the window that comes to the front.
    EnableWindow(owner_, TRUE);
    ShowWindow(hwnd_, SW_HIDE);
    modal_ = false;
    return result_;
}

void TConfigDialog::EndModal(TModalResult result) { result_ = result; }

bool TConfigDialog::OpenFileDialog(const TFileDialogRequest& request, std::string& path) {
    // "Description | pattern" becomes the system's pairs of strings.  Wide
    // throughout: the file may lie in a folder named in any script.
    std::wstring filter;
    size_t start = 0;
    while (start <= request.Filter.size()) {
        const size_t bar = request.Filter.find('|', start);
        filter += ToWide(Trim(request.Filter.substr(start, bar == std::string::npos ? std::string::npos
                                                                                      : bar - start)));
        filter += L'\0';
        if (bar == std::string::npos) break;
        start = bar + 1;
    }
    filter += L'\0';
    std::vector<wchar_t> file(32768, L'\0');
    const std::wstring proposed = ToWide(request.FileName);
    proposed.copy(file.data(), std::min(proposed.size(), file.size() - 1));
    const std::wstring initialDir = ToWide(request.InitialDir);
    OPENFILENAMEW ofn{};
    ofn.lStructSize = sizeof ofn;
    ofn.hwndOwner = hwnd_;
    ofn.lpstrFilter = filter.c_str();
    ofn.lpstrFile = file.data();
    ofn.nMaxFile = static_cast<DWORD>(file.size());
    ofn.lpstrInitialDir = initialDir.empty() ? nullptr : initialDir.c_str();
    ofn.Flags = OFN_EXPLORER | OFN_FILEMUSTEXIST | OFN_PATHMUSTEXIST | OFN_HIDEREADONLY |
                OFN_NOCHANGEDIR;
    if (!GetOpenFileNameW(&ofn)) return false;
    path = FromWide(file.data());
    return true;
}

bool TConfigDialog::BrowseForFolder(const std::string& title, std::string& folder) {
    LPITEMIDLIST drives = nullptr;
    SHGetSpecialFolderLocation(hwnd_, CSIDL_DRIVES, &drives);
    const std::wstring wideTitle = ToWide(title);
    BROWSEINFOW bi{};
    bi.hwndOwner = hwnd_;
    bi.pidlRoot = drives;
    bi.lpszTitle = wideTitle.c_str();
    bi.ulFlags = BIF_RETURNONLYFSDIRS | BIF_NEWDIALOGSTYLE;
    LPITEMIDLIST chosen = SHBrowseForFolderW(&bi);
    bool ok = false;
    if (chosen) {
        wchar_t path[MAX_PATH] = {};
        ok = SHGetPathFromIDListW(chosen, path) && path[0];
        if (ok) folder = FromWide(path);
        CoTaskMemFree(chosen);
    }
    if (drives) CoTaskMemFree(drives);
    return ok;
}

}  // namespace vexil

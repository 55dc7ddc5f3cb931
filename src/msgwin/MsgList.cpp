// The message window's logic: showing a message, navigation, the window's
// shape and drag.  The commands of its buttons and menu are in
// MsgActions.cpp.
#include "msgwin/MsgList.h"

#include <exception>

#include "base/Charsets.h"
#include "base/Text.h"
#include "config/Filters.h"
#include "skin/Picture.h"
#include "platform/Platform.h"
#include "pop3/WireErrors.h"

namespace vexil {

const char* const kMsgEmpty = "Empty";
const char* const kMsgReading = "Reading message...please wait";
const char* const kMsgButtonsMissing = "Bitmap not found for [Memo_msgWindow] in skin.ini";
const char* const kHtmlEmail = "=HTML EMAIL=";

namespace {

TColor32 SkinColor(std::uint32_t bgr) {
    return Rgb(static_cast<std::uint8_t>(bgr & 0xFF), static_cast<std::uint8_t>((bgr >> 8) & 0xFF),
               static_cast<std::uint8_t>((bgr >> 16) & 0xFF));
}

}  // namespace

TMsgList::TMsgList(IMsgListView& view, IFilterAlert& alert, IMsgListHost& host,
                   IMessages& messages, IMailbox& mailbox, TWireMessage& msg, TSettings& settings,
                   const TFilterTable& filters)
    : view_(view),
      alert_(alert),
      host_(host),
      messages_(messages),
      mailbox_(&mailbox),
      msg_(msg),
      settings_(settings),
      filters_(filters) {
    PrevBtn.Hint = "previous message";
    NextBtn.Hint = "next message";
    ReplyBtn.Hint = "reply to sender";
    DeleteBtn.Hint = "delete message";
    ExitBtn.Hint = "close window";
    PrevBtn.OnClick = [this] { PrevBtnClick(); };
    NextBtn.OnClick = [this] { NextBtnClick(); };
    ReplyBtn.OnClick = [this] { ReplyBtnClick(); };
    DeleteBtn.OnClick = [this] { DeleteBtnClick(); };
    ExitBtn.OnClick = [this] { ExitBtnClick(); };
    for (TImgBtn* b : Buttons()) b->OnRepaint = [this](const TRect& r) { view_.Invalidate(r); };
    BuildMenu();
}

void TMsgList::FormShow(const TSkin& skin, const TImage32& background) {
    int screenW = 0, screenH = 0;
    view_.ScreenSize(screenW, screenH);
    const int left = settings_.memo_posx < 0 || settings_.memo_posx >= screenW ? 0 : settings_.memo_posx;
    const int top = settings_.memo_posy < 0 || settings_.memo_posy >= screenH ? 0 : settings_.memo_posy;

    TTextAreaStyle style;
    style.Bounds = TRect{skin.MemoX, skin.MemoY, skin.MemoX + skin.MemoW, skin.MemoY + skin.MemoH};
    style.Color = SkinColor(skin.FontColor);
    style.FontName = skin.FontName;
    style.FontSize = skin.FontSize;
    const TFontStyle fs = ParseFontStyle(skin.FontStyle);
    style.Bold = fs.Bold;
    style.Italic = fs.Italic;
    view_.SetTextArea(style);
    view_.SetTopmost(host_.OnTopChecked());

    const TSkinButton* values[5] = {&skin.Prev, &skin.Next, &skin.Reply, &skin.Delete, &skin.Close};
    try {
        const auto buttons = Buttons();
        for (size_t i = 0; i < buttons.size(); ++i) {
            buttons[i]->SetFrame(false);
            buttons[i]->SetAutosize(true);
            buttons[i]->SetPicOff(LoadPictureFile(values[i]->Normal));
            buttons[i]->SetPicOn(LoadPictureFile(values[i]->Select));
            buttons[i]->Top = values[i]->Y;
            buttons[i]->Left = values[i]->X;
        }
    } catch (const std::exception&) {
        messages_.ShowMessage(kMsgButtonsMissing);
    }

    background_ = background;
    view_.SetBounds(left, top, background_.Width(), background_.Height());
    view_.SetWindowRegion(RegionFromBitmap(&background_, kMagenta, view_.RegionOps()));
    view_.Invalidate(TRect{0, 0, background_.Width(), background_.Height()});
}

void TMsgList::Paint(TImage32& surface) const {
    if (surface.Width() != background_.Width() || surface.Height() != background_.Height())
        surface = TImage32(background_.Width(), background_.Height());
    surface.CopyFrom(background_, 0, 0, background_.Width(), background_.Height(), 0, 0);
    for (const TImgBtn* b : Buttons()) b->Paint(surface);
}

// --- Showing a message ---

int TMsgList::FilterFlags(const std::string& subject, const std::string& from,
                          const std::string& size) {
    int flags = 0;
    if (!PassesFilters(subject, filters_)) flags |= ffSubject;
    if (filters_.auth_fltr && !PassesFilters(from, filters_)) flags |= ffSender;
    if (filters_.max_size != 0) {
        try {
            if (StrToInt(size) / 1024 > filters_.max_size) flags |= ffSize;
        } catch (const EConvertError& e) {
            // The server gave no size: the size test cannot say anything.
            messages_.ReportError(e.what());
        }
    }
    return flags;
}

std::vector<std::string> TMsgList::MessageLines(const std::string& from, const std::string& subject,
                                                const std::string& size) const {
    std::vector<std::string> lines;
    // What the sender wrote stays on its own line: no control character
    // can start another (a forged "From :"), no direction mark can turn a
    // file name round.
    lines.push_back("From : " + ShownLine(from));
    lines.push_back("Subj : " + ShownLine(subject));
    lines.push_back("Date : " + ShownLine(RawToUtf8(msg_.FullDate())));
    lines.push_back("Size : " + ShownLine(size) + " bytes");
    if (!settings_.header_only) {
        if (msg_.Attachments.empty()) {
            lines.push_back("File : 0");
        } else {
            std::string files = "File(s) : ";
            for (const TAttachment& a : msg_.Attachments)
                files += WithoutBidiControls(ShownLine(a.FileName)) + " ";
            lines.push_back(files);
        }
    }
    lines.push_back(std::string(23, '_'));
    lines.push_back("");
    if (!settings_.header_only) {
        for (const std::string& line : msg_.Text) {
            if (line.size() >= 9 && SameText(line.substr(0, 9), "<!DOCTYPE")) {
                lines.push_back(kHtmlEmail);
                break;
            }
            lines.push_back(line);
        }
    }
    return lines;
}

void TMsgList::ShowMsg(int n, int mode) {
    if (busy_) return;
    const TServerCall call(*this);
    ReadAndShow(n, mode);
}

void TMsgList::ReadAndShow(int n, int mode) {
    if (n == 0) {
        view_.SetLines({kMsgEmpty});
        CurrentMsg = 0;
        return;
    }
    MemoFileName.clear();
    msg_.Clear();
    msg_.UnicodeText = true;
    std::string size;
    try {
        size = mailbox_->GetMessageSize(n);
        msg_.ExtractAttachments = true;
        mailbox_->RetrieveHeader(n, msg_);
    } catch (const std::exception&) {
        messages_.ShowMessage("Error reading header");
    }
    const std::string from = RawToUtf8(msg_.From());
    const std::string subject = DecodeHeaderUtf8(msg_.Subject());

    if (settings_.filter && mode == 0) {
        const int flags = FilterFlags(subject, from, size);
        if (flags != 0) {
            const TAlertAnswer answer = alert_.Ask(from, subject, size + " bytes", flags);
            if (answer == TAlertAnswer::Delete) {
                CurrentMsg = n;
                DeleteCurrent();
                return;
            }
        }
    }

    if (!settings_.header_only) {
        view_.SetLines({kMsgReading});
        view_.ProcessMessages();
        msg_.ExtractAttachments = true;
        try {
            mailbox_->Retrieve(n, msg_, StrToInt(size));
        } catch (const std::exception&) {
            messages_.ShowMessage("Error reading message");
        }
    }
    ReplyAddress = msg_.From();
    view_.SetLines(MessageLines(from, subject, size));
    CurrentMsg = n;
}

void TMsgList::ShowNote(const std::string& line) {
    view_.SetLines({line});
    MemoFileName.clear();
}

// --- Navigation ---

// One message on (+1) or back (-1), wrapping round; in the notepad a page.
void TMsgList::Step(int direction) {
    if (host_.NotepadMode()) {
        view_.PageText(direction > 0);
        return;
    }
    const int count = host_.MsgCount();
    if (count < 1) {
        ShowMsg(0, 0);
        return;
    }
    const int n = CurrentMsg + direction;
    ShowMsg(n > count ? 1 : n < 1 ? count : n, 0);
}

void TMsgList::NextBtnClick() {
    if (!busy_) Step(1);
}

void TMsgList::PrevBtnClick() {
    if (!busy_) Step(-1);
}

// --- Mouse: buttons and the drag ---

TImgBtn* TMsgList::ButtonAt(int x, int y) {
    const auto buttons = Buttons();
    for (size_t i = buttons.size(); i-- > 0;)
        if (buttons[i]->Visible && buttons[i]->BoundsRect().Contains(x, y)) return buttons[i];
    return nullptr;
}

std::string TMsgList::HintAt(int x, int y) {
    const TImgBtn* b = ButtonAt(x, y);
    return b ? b->Hint : std::string();
}

void TMsgList::MouseDown(TMouseButton button, TShiftState shift, int x, int y) {
    if (TImgBtn* b = ButtonAt(x, y)) {
        if (button == TMouseButton::Left) pointer_.Press(b);
        b->MouseDown(button, shift, x - b->Left, y - b->Top);
        return;
    }
    if (button == TMouseButton::Right) {
        MnuMsgPopup();
        return;
    }
    if (shift == ssLeft) {
        view_.GetCursorPos(dragX_, dragY_);
        dragging_ = true;
    }
}

void TMsgList::MouseMove(int x, int y, TShiftState shift) {
    if (dragging_) {
        if (shift != ssLeft) {
            dragging_ = false;
            return;
        }
        int cx = 0, cy = 0, left = 0, top = 0;
        view_.GetCursorPos(cx, cy);
        view_.GetPosition(left, top);
        view_.SetBounds(left + cx - dragX_, top + cy - dragY_, background_.Width(),
                        background_.Height());
        dragX_ = cx;
        dragY_ = cy;
        return;
    }
    pointer_.Move(ButtonAt(x, y));
}

void TMsgList::MouseUp(TMouseButton button, TShiftState shift, int x, int y) {
    dragging_ = false;
    if (button != TMouseButton::Left) return;
    // The click may close the window or show another message: it runs last.
    if (TImgBtn* b = pointer_.Release()) b->MouseUp(button, shift, x - b->Left, y - b->Top);
}

void TMsgList::MouseLeaveWindow() { pointer_.Leave(); }

}  // namespace vexil

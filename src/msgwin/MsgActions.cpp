// The message window's commands: reply, delete, close, Read Mail, saving
// attachments, the notepad's files and the popup menu.
#include <exception>

#include "base/Charsets.h"
#include "base/Text.h"
#include "msgwin/Mailto.h"
#include "msgwin/MemoFile.h"
#include "msgwin/MsgList.h"
#include "msgwin/SaveName.h"
#include "platform/Platform.h"

namespace vexil {

namespace {

const char kSaveFilter[] = "zip file (*.zip)|*.zip|exe file (*.exe)|*.exe|text (*.txt)|*.txt|all (*.*)|*.*";
const char kOpenFilter[] = "text file (*.txt)|*.txt|all (*.*)|*.*";
constexpr int kTextFilter = 3;

TMenuItem MenuItem(const std::string& name, const std::string& caption, std::function<void()> click) {
    TMenuItem item;
    item.Name = name;
    item.Caption = caption;
    item.OnClick = std::move(click);
    return item;
}

// The file name part of a path: what follows its last '\' or ':' (and '/').
std::string FileNamePart(const std::string& path) {
    const size_t at = path.find_last_of("\\/:");
    return at == std::string::npos ? path : path.substr(at + 1);
}

}  // namespace

void TMsgList::BuildMenu() {
    mnuMsg_ = TMenuItem();
    mnuMsg_.Name = "MnuMsg";
    auto& items = mnuMsg_.Items;
    items.push_back(MenuItem("Readmail", "Read Mail", [this] { ReadmailClick(); }));
    TMenuItem save = MenuItem("Save", "Save attachments", [this] { SaveClick(); });
    save.Enabled = false;
    items.push_back(std::move(save));
    items.push_back(MenuSeparator());
    items.push_back(MenuItem("OpenMemo", "Open Memo", [this] { OpenMemoClick(); }));
    items.push_back(MenuItem("QuickSav", "Save Memo", [this] { QuickSavClick(); }));
    items.push_back(MenuItem("SavMemo", "Save Memo as...", [this] { SavMemoClick(); }));
    items.push_back(MenuSeparator("N2"));
    items.push_back(MenuItem("CloseMsg", "Close window", [this] { ExitBtnClick(); }));
}

void TMsgList::MnuMsgPopup() {
    if (busy_) return;
    const bool notepad = host_.NotepadMode();
    const bool hasLines = !view_.Lines().empty();
    mnuMsg_.Find("Readmail")->Enabled = settings_.header_only && mailbox_->Connected() && !notepad;
    TMenuItem& quick = *mnuMsg_.Find("QuickSav");
    quick.Enabled = !MemoFileName.empty() && hasLines;
    quick.Caption = quick.Enabled ? "Save " + FileNamePart(MemoFileName) : "Save";
    mnuMsg_.Find("SavMemo")->Enabled = hasLines;
    mnuMsg_.Find("Save")->Enabled = !notepad && !msg_.Attachments.empty();
    mnuMsg_.Find("OpenMemo")->Enabled = notepad;
    int x = 0, y = 0;
    view_.GetCursorPos(x, y);
    view_.PopupMenu(mnuMsg_, x, y);
}

// --- Reply, delete, close, Read Mail ---

void TMsgList::ReplyBtnClick() {
    if (busy_ || host_.NotepadMode()) return;
    for (char& c : ReplyAddress)
        if (c == '"') c = ' ';
    view_.ProcessMessages();
    // The sender's address alone, percent-encoded: what the mail handler
    // receives is an address and never extra fields or arguments.
    host_.ShellOpen(MailtoUrl(RawToUtf8(ReplyAddress)));
}

void TMsgList::DeleteBtnClick() {
    if (busy_) return;
    if (host_.NotepadMode()) {
        view_.SetLines({});
        MemoFileName.clear();
        return;
    }
    const TServerCall call(*this);
    DeleteCurrent();
}

void TMsgList::DeleteCurrent() {
    try {
        mailbox_->Delete(CurrentMsg);
    } catch (const std::exception&) {
        // The count that follows shows what the server kept.
    }
    host_.CountAndClose();
    try {
        mailbox_->Connect();
    } catch (const std::exception& e) {
        // Without a session nothing more can be read: say so, and send no
        // command on a closed connection.
        view_.SetLines({"The connection to the server was lost: " + std::string(e.what()),
                        "Close the window and try again."});
        CurrentMsg = 0;
        return;
    }
    ReadAndShow(host_.MsgCount() >= 1 ? 1 : 0, 0);
}

void TMsgList::ExitBtnClick() {
    if (busy_) {
        closeWhenDone_ = true;
        return;
    }
    view_.GetPosition(settings_.memo_posx, settings_.memo_posy);
    view_.CloseWindow();
}

void TMsgList::ReadmailClick() {
    if (busy_ || !mailbox_->Connected() || !settings_.header_only) return;
    settings_.header_only = false;
    struct TRestore {
        bool& value;
        ~TRestore() { value = true; }
    } restore{settings_.header_only};
    ShowMsg(CurrentMsg, 1);
}

// --- Attachments ---

void TMsgList::SaveClick() {
    if (busy_ || CurrentMsg <= 0) return;
    for (const TAttachment& a : msg_.Attachments) {
        TMemoDialog dialog{kSaveFilter, SafeAttachmentName(a.FileName), "", 4};
        std::string path;
        if (!view_.SaveDialog(dialog, path)) continue;
        if (!a.SaveToFile(path))
            messages_.ShowMessage("Cannot save the attachment to " + FromUtf8(path) +
                                  " (the folder may be read-only or the disk full)");
    }
}

// --- The notepad ---

void TMsgList::WriteMemoReported(const std::string& path) {
    try {
        WriteMemo(path, view_.Lines());
    } catch (const EFileWriteError& e) {
        messages_.ShowMessage(e.what());
    }
}

void TMsgList::SavMemoClick() {
    if (busy_) return;
    // The dialog adds ".txt" to a name typed without an extension, before it
    // asks whether to replace a file of that name: the name it confirmed is
    // the one written, never one made up after the question.
    TMemoDialog dialog{kSaveFilter, "", "txt", kTextFilter};
    std::string path;
    if (!view_.SaveDialog(dialog, path)) return;
    MemoFileName = path;
    WriteMemoReported(MemoFileName);
}

void TMsgList::QuickSavClick() {
    if (busy_ || MemoFileName.empty()) return;
    WriteMemoReported(MemoFileName);
}

void TMsgList::OpenMemoClick() {
    if (busy_) return;
    TMemoDialog dialog{kOpenFilter, "", "*.txt", 1};
    std::string path;
    if (!view_.OpenDialog(dialog, path)) return;
    try {
        view_.SetLines(ReadMemo(path));
    } catch (const EMemoReadError& e) {
        // The text and the file Save Memo writes to stay as they were: a file
        // that could not be read (too large, locked) must not be replaced by
        // one click with text that never came from it.
        messages_.ShowMessage(e.what());
        return;
    }
    MemoFileName = path;
}

}  // namespace vexil

// The message window's logic: the waiting messages read one at a time
// through the mailbox of the account on view, the filter alert before a
// suspect one, reply, delete, attachments, and the text area as a notepad.
// Text is shown in Unicode (UTF-8 here, the window shows it in its own script).
#pragma once

#include <array>
#include <string>
#include <vector>

#include "app/Menu.h"
#include "config/Settings.h"
#include "msgwin/MsgListView.h"
#include "platform/Mouse.h"
#include "mail/Mailbox.h"
#include "pop3/WireMessage.h"
#include "skin/ImgBtn.h"
#include "skin/SkinFile.h"

namespace vexil {

class IMessages;

// The texts of the window.
extern const char* const kMsgEmpty;
extern const char* const kMsgReading;
extern const char* const kMsgButtonsMissing;
extern const char* const kHtmlEmail;

class TMsgList {
public:
    TMsgList(IMsgListView& view, IFilterAlert& alert, IMsgListHost& host, IMessages& messages,
             IMailbox& mailbox, TWireMessage& msg, TSettings& settings, const TFilterTable& filters);

    // The mailbox the next showing reads from (the account on view's).
    void UseMailbox(IMailbox& mailbox) { mailbox_ = &mailbox; }

    // Before each showing: position, text area, buttons and shape from the
    // skin in use.
    void FormShow(const TSkin& skin, const TImage32& background);
    void Paint(TImage32& surface) const;

    // Fetches message n and shows it; mode 1 (Read Mail) applies no filter.
    void ShowMsg(int n, int mode);

    void NextBtnClick();
    void PrevBtnClick();
    void ReplyBtnClick();
    void DeleteBtnClick();
    void ExitBtnClick();
    void ReadmailClick();
    void SaveClick();
    void OpenMemoClick();
    void QuickSavClick();
    void SavMemoClick();
    // Prepares and opens the popup menu at the cursor.
    void MnuMsgPopup();
    const TMenuItem& MnuMsg() const { return mnuMsg_; }

    // Mouse input from the window, client coordinates; the drag uses the
    // screen cursor.
    void MouseDown(TMouseButton button, TShiftState shift, int x, int y);
    void MouseMove(int x, int y, TShiftState shift);
    void MouseUp(TMouseButton button, TShiftState shift, int x, int y);
    void MouseLeaveWindow();
    // The hint of the button at the point ("" for none).
    std::string HintAt(int x, int y);

    // The text of the "Messages already read !" case: the window shows it as
    // a notepad.
    void ShowNote(const std::string& line);

    // A call to the POP3 server runs.  The window's messages are served
    // meanwhile (it paints and moves), but every command is refused at its
    // entry: a click would otherwise send its own commands into the middle
    // of the reply being read, or act on a message that is being replaced.
    // Closing waits for the call to end.
    bool Busy() const { return busy_; }

    int CurrentMsg = 0;
    std::string ReplyAddress;
    std::string MemoFileName;
    TImgBtn PrevBtn, NextBtn, ReplyBtn, DeleteBtn, ExitBtn;

private:
    class TServerCall;
    // The bodies of ShowMsg and of Delete, for use inside a server call.
    void ReadAndShow(int n, int mode);
    void DeleteCurrent();
    std::array<TImgBtn*, 5> Buttons() { return {&PrevBtn, &NextBtn, &ReplyBtn, &DeleteBtn, &ExitBtn}; }
    std::array<const TImgBtn*, 5> Buttons() const {
        return {&PrevBtn, &NextBtn, &ReplyBtn, &DeleteBtn, &ExitBtn};
    }
    TImgBtn* ButtonAt(int x, int y);
    void Step(int direction);
    int FilterFlags(const std::string& subject, const std::string& from, const std::string& size);
    std::vector<std::string> MessageLines(const std::string& from, const std::string& subject,
                                          const std::string& size) const;
    void WriteMemoReported(const std::string& path);
    void BuildMenu();

    IMsgListView& view_;
    IFilterAlert& alert_;
    IMsgListHost& host_;
    IMessages& messages_;
    IMailbox* mailbox_;
    TWireMessage& msg_;
    TSettings& settings_;
    const TFilterTable& filters_;
    TImage32 background_;
    TMenuItem mnuMsg_;
    int dragX_ = 0, dragY_ = 0;
    bool dragging_ = false;
    TButtonPointer pointer_;
    bool busy_ = false;
    bool closeWhenDone_ = false;  // Close came during a server call
};

// The busy state for as long as a server call runs, whatever way it ends; a
// Close that came meanwhile closes the window then.
class TMsgList::TServerCall {
public:
    explicit TServerCall(TMsgList& list) : list_(list) {
        list_.busy_ = true;
        list_.view_.SetBusy(true);
    }
    ~TServerCall() {
        list_.busy_ = false;
        list_.view_.SetBusy(false);
        if (list_.closeWhenDone_) {
            list_.closeWhenDone_ = false;
            list_.ExitBtnClick();
        }
    }
    TServerCall(const TServerCall&) = delete;
    TServerCall& operator=(const TServerCall&) = delete;

private:
    TMsgList& list_;
};

}  // namespace vexil

// What the settings dialog's logic (TConfig) asks of its window and of the
// main window.  The Win32 dialog implements IConfigView; the main window's
// logic implements IConfigHost.  Tests implement both with fakes.
#pragma once

#include <string>
#include <vector>

namespace vexil {

// The dialog's controls, by the names the program gives them.
enum class TConfigControl {
    // The page buttons.
    OptBtn, AccBtn, FiltreBtn, SkinBtn, InfoBtn,
    // Options page.
    ChkAuto, ChkLan, ChkRAS, LstRAS, ChkMin, UpDown, ChkHead, ChkTray, ChkHide, ChkSnd, SndFile,
    SndBr, ChkMail, MailClient, BrClient, ChkRAZ,
    // Accounts page.
    LstAcc, NAccount, HostTxt, UserName, Password, PortTxt, Security, ChkAct, ChkInact, AddAcc,
    Modify, DelAcc, Protocol,
    // Filters/News page.
    ChkFltr, ChkAutFltr, FilterLst, FilterEdit, AddFilt, DelFilt, SizeAtt, LstSrv, WebInfo,
    WebComment, NewsUpDown, ScrollSpeed,
    // Skins page.
    InfSk, SkName, SkAuthor, ChkPreview, Browse, SkinRep, BrSkin, SkEmail, SkWeb, SkInfo,
    // The dialog's own buttons.
    OK, Cancel,
};

// The five pages, top to bottom in the page button column.
enum class TConfigPage { Options, Accounts, FiltersNews, Skins, About };

enum class TModalResult { None, OK, Cancel };

// A file open dialog of the system.  Filter is "Description | pattern".
struct TFileDialogRequest {
    std::string Filter;
    std::string InitialDir;  // "" for the system's choice
    std::string FileName;    // proposed file name, "" for none
};

class IConfigView {
public:
    virtual ~IConfigView() = default;

    // Check boxes and radio buttons.
    virtual void SetChecked(TConfigControl c, bool checked) = 0;
    virtual bool Checked(TConfigControl c) = 0;
    virtual void SetEnabled(TConfigControl c, bool enabled) = 0;
    // Edit texts, label texts and group box captions.
    virtual void SetText(TConfigControl c, const std::string& text) = 0;
    virtual std::string Text(TConfigControl c) = 0;
    // A link label: its caption and what a click opens ("" for plain text).
    virtual void SetLink(TConfigControl c, const std::string& caption,
                         const std::string& target) = 0;
    // Drop-down lists.  An index of -1 is no entry chosen.
    virtual void ListClear(TConfigControl c) = 0;
    virtual void ListAdd(TConfigControl c, const std::string& text) = 0;
    virtual void ListDelete(TConfigControl c, int index) = 0;
    virtual int ListCount(TConfigControl c) = 0;
    virtual std::string ListItem(TConfigControl c, int index) = 0;
    virtual int ListIndex(TConfigControl c) = 0;
    // Chooses an entry without raising the list's change event.
    virtual void SetListIndex(TConfigControl c, int index) = 0;
    // Spin controls: position and range.
    virtual void SetRange(TConfigControl c, int low, int high) = 0;
    virtual void SetPosition(TConfigControl c, int position) = 0;
    virtual int Position(TConfigControl c) = 0;
    virtual void Focus(TConfigControl c) = 0;

    // Shows the page's panel alone and holds its page button down.
    virtual void ShowPage(TConfigPage page) = 0;

    // Shows the dialog modally; returns the result EndModal gave.
    virtual TModalResult ShowModal() = 0;
    virtual void EndModal(TModalResult result) = 0;

    // The system's file open dialog; false when cancelled.
    virtual bool OpenFileDialog(const TFileDialogRequest& request, std::string& path) = 0;
    // The system's folder selection dialog, folders only; false when cancelled.
    virtual bool BrowseForFolder(const std::string& title, std::string& folder) = 0;
};

// What the dialog needs of the main window.
class IConfigHost {
public:
    virtual ~IConfigHost() = default;
    // The names of the dial-up entries and the news source lines, in order.
    virtual std::vector<std::string> DialUpEntries() = 0;
    virtual std::vector<std::string> NewsSources() = 0;

    virtual bool MainWindowVisible() = 0;
    virtual void ShowMainWindow() = 0;
    // The main window's left and top edges and its stay-on-top check mark,
    // which the options file records.
    virtual void WindowPlace(int& left, int& top, bool& onTopMark) = 0;

    // Shows the skin of dir on the main window without making it the
    // current skin.  False, after telling the user why, when that skin
    // cannot be used; the main window then keeps its skin.
    virtual bool PreviewSkin(const std::string& dir) = 0;
    // Puts the current skin back on the main window after a preview.
    virtual void RestoreSkin() = 0;

    virtual bool MsgWindowVisible() = 0;
    virtual void ShowMsgWindow() = 0;
    virtual void HideMsgWindow() = 0;

    // False when the last load of that settings file ("Vexil.ini",
    // "Accounts.ini", "VxFilter.ini") met values it could not read; report
    // then holds what they were.
    virtual bool ReadWhole(const std::string& file, std::string& report) = 0;

    // Opens a link's target with the shell.
    virtual void OpenLink(const std::string& target) = 0;
};

}  // namespace vexil

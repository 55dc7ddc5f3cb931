// What the message window's logic (TMsgList) asks of its window, of the
// filter alert and of the main window.  The Win32 front end implements the
// views; tests use fakes.
#pragma once

#include <string>
#include <vector>

#include "app/Menu.h"
#include "skin/Image.h"
#include "skin/Region.h"

namespace vexil {

// The text area's look, from the skin's [memo_msgwindow] section.
struct TTextAreaStyle {
    TRect Bounds;
    TColor32 Color = 0;
    std::string FontName;
    int FontSize = 0;
    bool Bold = false, Italic = false;

    bool operator==(const TTextAreaStyle& o) const {
        return Bounds == o.Bounds && Color == o.Color && FontName == o.FontName && FontSize == o.FontSize &&
               Bold == o.Bold && Italic == o.Italic;
    }
};

// A save or open dialog of the system.  Filter is "Description|pattern|..."
// pairs; FilterIndex counts from 1 and comes back as the user left it.
// FileName and the chosen path are UTF-8, as every file name inside.
struct TMemoDialog {
    std::string Filter, FileName, DefaultExt;
    int FilterIndex = 1;
};

class IMsgListView {
public:
    virtual ~IMsgListView() = default;

    // The window: bounds, band, shape and repaint (client coordinates).
    virtual void SetBounds(int left, int top, int width, int height) = 0;
    virtual void GetPosition(int& left, int& top) = 0;
    virtual void ScreenSize(int& width, int& height) = 0;
    virtual void GetCursorPos(int& x, int& y) = 0;
    virtual void SetTopmost(bool onTop) = 0;
    virtual IRegionOps& RegionOps() = 0;
    virtual void SetWindowRegion(IRegionOps::Handle region) = 0;
    virtual void Invalidate(const TRect& area) = 0;
    // Shows the window modally: back when it is closed.
    virtual void ShowModal() = 0;
    // Shown without waiting (a skin's preview), hidden, or closed (which
    // ends a modal showing).
    virtual void Show() = 0;
    virtual void Hide() = 0;
    virtual bool IsVisible() = 0;
    virtual void CloseWindow() = 0;

    // The text area: its look, and its lines in UTF-8.  SetLines replaces
    // the text and puts the caret at its start.
    virtual void SetTextArea(const TTextAreaStyle& style) = 0;
    virtual void SetLines(const std::vector<std::string>& lines) = 0;
    virtual std::vector<std::string> Lines() = 0;
    // Page Down or Page Up in the text area.
    virtual void PageText(bool down) = 0;
    // Lets the windows paint and answer while a long command runs.
    virtual void ProcessMessages() = 0;
    // A call to the server runs (true) or has ended: the window shows that
    // it waits (its clicks are not taken meanwhile).
    virtual void SetBusy(bool busy) = 0;

    // The system's file dialogs; false when cancelled.
    virtual bool SaveDialog(TMemoDialog& dialog, std::string& path) = 0;
    virtual bool OpenDialog(TMemoDialog& dialog, std::string& path) = 0;
    // Opens a menu at a screen point; the chosen item's OnClick runs after.
    virtual void PopupMenu(const TMenuItem& menu, int screenX, int screenY) = 0;
};

// What made a message suspect: 1 its subject, 2 its sender, 4 its size.
enum TFilterFlag { ffSubject = 1, ffSender = 2, ffSize = 4 };

// The filter alert's answer.
enum class TAlertAnswer { Ignore, Delete };

// The filter alert (the "Vexil Filter !" dialog), shown modally.
class IFilterAlert {
public:
    virtual ~IFilterAlert() = default;
    // from, subject (UTF-8) and size text as shown; the flagged ones in red.
    virtual TAlertAnswer Ask(const std::string& from, const std::string& subject,
                             const std::string& size, int flags) = 0;
};

// What the message window needs of the main window.
class IMsgListHost {
public:
    virtual ~IMsgListHost() = default;
    // The count of the last check, and whether the window is a notepad.
    virtual int MsgCount() = 0;
    virtual bool NotepadMode() = 0;
    // The stay-on-top check mark of the main window's menu.
    virtual bool OnTopChecked() = 0;
    // Counts the messages on the open session, ends it (the server then
    // removes what was deleted) and shows the count.
    virtual void CountAndClose() = 0;
    // Opens a document or address with the shell.
    virtual void ShellOpen(const std::string& target) = 0;
};

}  // namespace vexil

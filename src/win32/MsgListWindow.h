// The message window: a borderless window shaped and painted from the skin's
// message background, with its five picture buttons, and a real multi-line
// edit control (Unicode) as the text area: selection, copy and paste,
// keyboard scrolling and the mouse wheel work as in any text box.  A long
// text fills the text area in pieces while the window answers.
#pragma once

#include <windows.h>

#include <memory>
#include <string>
#include <vector>

#include "msgwin/MsgList.h"
#include "win32/TextArea.h"
#include "win32/Win32Region.h"

namespace vexil {

class TMsgListWindow : public IMsgListView {
public:
    // owner: the main window, kept disabled while the window is modal.
    TMsgListWindow(HINSTANCE instance, HWND owner);
    ~TMsgListWindow() override;
    TMsgListWindow(const TMsgListWindow&) = delete;
    TMsgListWindow& operator=(const TMsgListWindow&) = delete;

    void Bind(TMsgList& logic) { logic_ = &logic; }
    HWND Handle() const { return hwnd_; }
    HWND TextArea() const { return edit_; }
    // Part of the text is still to come into the text area.
    bool TextFilling() const { return text_->Filling(); }

    // IMsgListView
    void SetBounds(int left, int top, int width, int height) override;
    void GetPosition(int& left, int& top) override;
    void ScreenSize(int& width, int& height) override;
    void GetCursorPos(int& x, int& y) override;
    void SetTopmost(bool onTop) override;
    IRegionOps& RegionOps() override { return regions_; }
    void SetWindowRegion(IRegionOps::Handle region) override;
    void Invalidate(const TRect& area) override;
    void ShowModal() override;
    void Show() override;
    void Hide() override;
    bool IsVisible() override;
    void CloseWindow() override;
    void SetTextArea(const TTextAreaStyle& style) override;
    void SetLines(const std::vector<std::string>& lines) override;
    std::vector<std::string> Lines() override;
    void PageText(bool down) override;
    void ProcessMessages() override;
    void SetBusy(bool busy) override;
    bool SaveDialog(TMemoDialog& dialog, std::string& path) override;
    bool OpenDialog(TMemoDialog& dialog, std::string& path) override;
    void PopupMenu(const TMenuItem& menu, int screenX, int screenY) override;

private:
    static LRESULT CALLBACK WindowProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp);
    LRESULT Handle(UINT msg, WPARAM wp, LPARAM lp);
    void OnPaint();
    bool FileDialog(TMemoDialog& dialog, std::string& path, bool save);

    HINSTANCE instance_;
    HWND owner_;
    HWND hwnd_ = nullptr;
    std::unique_ptr<TTextArea> text_;
    HWND edit_ = nullptr;  // the text area's control
    HWND tooltip_ = nullptr;
    std::string hint_;
    HFONT font_ = nullptr;
    HBRUSH textBrush_ = nullptr;
    COLORREF textColor_ = 0, textBack_ = RGB(255, 255, 255);
    TTextAreaStyle style_;  // the text area's look, once styled_
    bool styled_ = false;
    TMsgList* logic_ = nullptr;
    TWin32RegionOps regions_;
    TImage32 surface_;
    bool modal_ = false;
    bool tracking_ = false;
    bool busy_ = false;  // a server call runs: the wait cursor, the text read-only
};

}  // namespace vexil

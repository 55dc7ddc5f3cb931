// A test double of the message window: the text area's lines, the file
// dialogs with set answers, the menu last opened, and a modal showing that
// runs the test's clicks.
#pragma once

#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "msgwin/MsgListView.h"
#include "support/FakeMainWindow.h"

namespace vexil::test {

class TFakeMsgView : public IMsgListView {
public:
    std::vector<std::string> Text;
    std::vector<std::vector<std::string>> Shown;  // every SetLines, in order
    int Left = 0, Top = 0, Width = 0, Height = 0, Pages = 0;
    bool Closed = false, Visible = false;
    int Modals = 0;
    // Runs while the window is shown modally: the user's clicks.
    std::function<void()> OnModal;
    std::optional<std::string> NextPath;
    int NextFilterIndex = 0;  // 0: as the dialog was given
    std::vector<TMemoDialog> Dialogs;
    const TMenuItem* Menu = nullptr;
    TMaskRegionOps Regions;

    void SetBounds(int l, int t, int w, int h) override { Left = l, Top = t, Width = w, Height = h; }
    void GetPosition(int& l, int& t) override { l = Left, t = Top; }
    void ScreenSize(int& w, int& h) override { w = 1024, h = 768; }
    void GetCursorPos(int& x, int& y) override { x = y = 0; }
    void SetTopmost(bool) override {}
    IRegionOps& RegionOps() override { return Regions; }
    void SetWindowRegion(IRegionOps::Handle region) override { Regions.Delete(region); }
    void Invalidate(const TRect&) override {}
    void ShowModal() override {
        ++Modals;
        Visible = true;
        if (OnModal) OnModal();
        Visible = false;
    }
    void Show() override { Visible = true; }
    void Hide() override { Visible = false; }
    bool IsVisible() override { return Visible; }
    void CloseWindow() override {
        Closed = true;
        Visible = false;
    }
    void SetTextArea(const TTextAreaStyle&) override {}
    void SetLines(const std::vector<std::string>& lines) override {
        Text = lines;
        Shown.push_back(lines);
    }
    std::vector<std::string> Lines() override { return Text; }
    void PageText(bool down) override { Pages += down ? 1 : -1; }
    void ProcessMessages() override {}
    void SetBusy(bool busy) override {
        Busy = busy;
        if (busy) ++BusyTimes;
    }
    bool Busy = false;
    int BusyTimes = 0;
    bool SaveDialog(TMemoDialog& d, std::string& path) override { return Answer(d, path); }
    bool OpenDialog(TMemoDialog& d, std::string& path) override { return Answer(d, path); }
    void PopupMenu(const TMenuItem& menu, int, int) override { Menu = &menu; }

private:
    bool Answer(TMemoDialog& d, std::string& path) {
        Dialogs.push_back(d);
        if (NextFilterIndex) d.FilterIndex = NextFilterIndex;
        if (!NextPath) return false;
        path = *NextPath;
        return true;
    }
};

}  // namespace vexil::test

// Test doubles of the main window's platform: a window that records what the
// logic asked of it, region operations that keep regions as pixel masks, and
// system services with fixed answers.
#pragma once

#include <functional>
#include <memory>
#include <set>
#include <stdexcept>
#include <string>
#include <utility>
#include <vector>

#include "app/MainWindowView.h"
#include "support/FakeHttp.h"
#include "support/FakeRas.h"
#include "skin/Region.h"

namespace vexil::test {

// A region is the set of pixels it covers; handles stay valid until deleted.
class TMaskRegionOps : public IRegionOps {
public:
    using TPixels = std::set<std::pair<int, int>>;  // (y, x)

    bool Refuse = false;  // the platform is out of regions
    Handle CreateFromRects(const TRegionRect* rects, int count, const TRegionRect&) override {
        if (Refuse) throw std::runtime_error("no region");
        auto* region = new TPixels;
        for (int i = 0; i < count; ++i)
            for (int y = rects[i].Top; y < rects[i].Bottom; ++y)
                for (int x = rects[i].Left; x < rects[i].Right; ++x) region->insert({y, x});
        live_.insert(region);
        return region;
    }
    void CombineOr(Handle dst, Handle src) override {
        auto* d = static_cast<TPixels*>(dst);
        auto* s = static_cast<TPixels*>(src);
        d->insert(s->begin(), s->end());
    }
    void Delete(Handle h) override {
        live_.erase(static_cast<TPixels*>(h));
        delete static_cast<TPixels*>(h);
    }
    ~TMaskRegionOps() override {
        for (TPixels* p : live_) delete p;
    }
    static bool Contains(Handle h, int x, int y) {
        return h && static_cast<TPixels*>(h)->count({y, x}) != 0;
    }

private:
    std::set<TPixels*> live_;
};

class TFakeMainWindow : public IMainWindowView {
public:
    int Left = 0, Top = 0, Width = 0, Height = 0;
    bool Visible = false, Closed = false, Topmost = false, Captured = false;
    bool CheckTimerOn = false;
    int CheckTimerInterval = 0;
    IRegionOps::Handle Region = nullptr;
    std::vector<TRect> Invalidated;
    TMaskRegionOps Regions;

    void SetBounds(int l, int t, int w, int h) override { Left = l, Top = t, Width = w, Height = h; }
    void GetPosition(int& l, int& t) override { l = Left, t = Top; }
    bool IsVisible() override { return Visible; }
    void ShowWindow() override { Visible = true; }
    void HideWindow() override { Visible = false; }
    void CloseWindow() override { Closed = true, Visible = false; }
    void SetTopmost(bool on) override { Topmost = on; }
    IRegionOps& RegionOps() override { return Regions; }
    void SetWindowRegion(IRegionOps::Handle r) override {
        if (Region) Regions.Delete(Region);
        Region = r;
    }
    // Set, the next repaint asked for fails (a drawing error of the platform).
    bool FailNextInvalidate = false;
    // Shown at once: recorded with the invalidations.
    void RepaintNow(const TRect& area) override { Invalidate(area); }
    void Invalidate(const TRect& area) override {
        if (FailNextInvalidate) {
            FailNextInvalidate = false;
            throw std::runtime_error("drawing failed");
        }
        Invalidated.push_back(area);
    }
    void SetMouseCapture(bool c) override { Captured = c; }
    int CheckTimerCalls = 0;  // every change asked for, even to the same state
    void SetCheckTimer(bool enabled, int ms) override {
        ++CheckTimerCalls;
        CheckTimerOn = enabled, CheckTimerInterval = ms;
    }
    bool AnimationTimerOn = false;
    void SetAnimationTimer(bool enabled) override { AnimationTimerOn = enabled; }
    // Counts the calls; a test may hang work on them (a click arriving while
    // the server is slow to answer).
    int ProcessMessagesCalls = 0;
    std::function<void()> OnProcessMessages;
    // Calls of other threads wait here until the window's messages run.
    TFakeUiThread Ui;
    IUiThread& UiThread() override { return Ui; }
    bool LinkCursor = false;
    void SetLinkCursor(bool hand) override { LinkCursor = hand; }
    void ProcessMessages() override {
        ++ProcessMessagesCalls;
        Ui.ProcessMessages();
        if (OnProcessMessages) OnProcessMessages();
    }

    int CursorX = 0, CursorY = 0;
    int ScreenWidth = 1024, ScreenHeight = 768;
    int BroughtToFront = 0;
    void BringToFront() override { ++BroughtToFront; }
    void GetCursorPos(int& x, int& y) override { x = CursorX, y = CursorY; }
    void ScreenSize(int& w, int& h) override { w = ScreenWidth, h = ScreenHeight; }

    // The last menu opened, as it was at that moment, and where.
    std::unique_ptr<TMenuItem> LastMenu;
    int MenuX = 0, MenuY = 0, MenusShown = 0;
    void PopupMenu(const TMenuItem& menu, int x, int y) override {
        LastMenu = std::make_unique<TMenuItem>(menu);
        MenuX = x, MenuY = y;
        ++MenusShown;
    }
    // Chooses an item of the last menu by its path of captions, as the
    // window does after the menu closed.
    void ChooseMenuItem(const std::vector<std::string>& path) {
        const TMenuItem* menu = LastMenu.get();
        for (const std::string& caption : path) {
            const TMenuItem* found = nullptr;
            for (const TMenuItem& item : menu->Items)
                if (item.Caption == caption) found = &item;
            if (!found) throw std::runtime_error("no menu item " + caption);
            menu = found;
        }
        // Held by value: the handler may rebuild the menus.
        const std::function<void()> onClick = menu->OnClick;
        if (onClick) onClick();
    }

    // The shell's side of the notification area: one icon that exists or
    // not; adding one that exists or changing a missing one fails.
    struct TTrayCall {
        std::string Op;  // "add", "modify" or "delete"
        TTrayIcon Icon;
        std::string Tip;
    };
    std::vector<TTrayCall> TrayCalls;
    bool TrayShown = false;
    TTrayIcon TrayShows = TTrayIcon::Dis;
    bool TrayAdd(TTrayIcon icon, const std::string& tip) override {
        TrayCalls.push_back({"add", icon, tip});
        if (TrayShown) return false;
        TrayShown = true, TrayShows = icon;
        return true;
    }
    bool TrayModify(TTrayIcon icon, const std::string& tip) override {
        TrayCalls.push_back({"modify", icon, tip});
        if (!TrayShown) return false;
        TrayShows = icon;
        return true;
    }
    bool TrayDelete() override {
        TrayCalls.push_back({"delete", TTrayIcon::Dis, ""});
        const bool was = TrayShown;
        TrayShown = false;
        return was;
    }
};

class TFakeSystem : public ISystemServices {
public:
    std::string Dir;  // with trailing separator
    std::string HostInfo = "testhost 127.0.0.1";
    std::string Now = "10/12/2026 11:22:33";
    std::vector<std::string> Opened;
    // ShellRun and RunProgram calls; RunProgram has no verb.
    struct TRun {
        std::string Verb, File, Parameters;
        bool operator==(const TRun& o) const {
            return Verb == o.Verb && File == o.File && Parameters == o.Parameters;
        }
    };
    std::vector<TRun> Runs;
    std::string MailtoCommand;

    std::string ExeDir() override { return Dir; }
    TPicture LoadMetafile(const std::string&) override {
        throw EPictureError("Metafiles are not supported here.");
    }
    std::string HostNameAndAddress() override { return HostInfo; }
    std::string NowDateTime() override { return Now; }
    void ShellOpen(const std::string& target) override { Opened.push_back(target); }
    void ShellRun(const std::string& verb, const std::string& file,
                  const std::string& parameters) override {
        Runs.push_back({verb, file, parameters});
    }
    void RunProgram(const std::string& program, const std::string& parameters) override {
        Runs.push_back({"", program, parameters});
    }
    std::string ReadMailtoCommand() override { return MailtoCommand; }
    std::vector<std::string> Played;
    void PlayWave(const std::string& path) override { Played.push_back(path); }
    TFakeRas Ras;
    IRasApi& RasApi() override { return Ras; }
    // No news host unless a test gives one: the news fall back to the
    // built-in entries at once.  Downloads answer with HttpReplies in turn
    // (no server after the last).
    std::string NewsHostName;
    std::vector<THttpScript> HttpReplies;
    std::shared_ptr<THttpLog> HttpLog = std::make_shared<THttpLog>();
    std::string NewsHost() override { return NewsHostName; }
    std::unique_ptr<IHttpRequest> NewHttpRequest() override {
        const THttpScript script =
            nextReply_ < HttpReplies.size() ? HttpReplies[nextReply_++] : THttpScript{true, 0, false, "", ""};
        return std::make_unique<TFakeHttpRequest>(script, HttpLog);
    }

private:
    size_t nextReply_ = 0;
};

}  // namespace vexil::test

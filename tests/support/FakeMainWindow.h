// Test doubles of the main window's platform: a window that records what the
// logic asked of it, region operations that keep regions as pixel masks, and
// system services with fixed answers.
#pragma once

#include <memory>
#include <set>
#include <string>
#include <utility>
#include <vector>

#include "app/MainWindowView.h"
#include "skin/Region.h"

namespace vexil::test {

// A region is the set of pixels it covers; handles stay valid until deleted.
class TMaskRegionOps : public IRegionOps {
public:
    using TPixels = std::set<std::pair<int, int>>;  // (y, x)

    Handle CreateFromRects(const TRegionRect* rects, int count, const TRegionRect&) override {
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
    void Invalidate(const TRect& area) override { Invalidated.push_back(area); }
    void SetMouseCapture(bool c) override { Captured = c; }
    void SetCheckTimer(bool enabled, int ms) override { CheckTimerOn = enabled, CheckTimerInterval = ms; }
    bool AnimationTimerOn = false;
    void SetAnimationTimer(bool enabled) override { AnimationTimerOn = enabled; }
};

class TFakeSystem : public ISystemServices {
public:
    std::string Dir;  // with trailing separator
    std::string HostInfo = "testhost 127.0.0.1";
    std::string Now = "10/12/2026 11:22:33";
    std::vector<std::string> Opened;

    std::string ExeDir() override { return Dir; }
    TPicture LoadMetafile(const std::string&) override {
        throw EPictureError("Metafiles are not supported here.");
    }
    std::string HostNameAndAddress() override { return HostInfo; }
    std::string NowDateTime() override { return Now; }
    void ShellOpen(const std::string& target) override { Opened.push_back(target); }
};

}  // namespace vexil::test

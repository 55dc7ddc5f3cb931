// The state of the news ticker that the main window keeps: its timer, the
// pause that holds a status text on view before the news scrolls again, and
// the news itself.  The ticker's scrolling and downloads build on it.
#pragma once

#include <functional>
#include <string>
#include <utility>
#include <vector>

namespace vexil {

class TTickerState {
public:
    // The ticker's timer.
    bool Enabled() const { return enabled_; }
    void SetEnabled(bool on) { enabled_ = on; }
    int IntervalMs() const { return intervalMs_; }
    void SetIntervalMs(int ms) { intervalMs_ = ms; }

    // Holds the status line as it is for a while; ticks counts up from
    // `ticks` to the pause's length.
    void Pause(int ticks = 0) {
        paused_ = true;
        pauseTicks_ = ticks;
    }
    bool Paused() const { return paused_; }
    int PauseTicks() const { return pauseTicks_; }

    int ScrollOffset() const { return scrollOffset_; }
    void ResetScroll() { scrollOffset_ = 0; }

    // The news sources ("name|url|comment|news url" lines) and the news
    // lines of the chosen one, with the line now on view.
    const std::vector<std::string>& NewsSources() const { return sources_; }
    void SetNewsSources(std::vector<std::string> sources) { sources_ = std::move(sources); }
    const std::vector<std::string>& NewsLines() const { return lines_; }
    void SetNewsLines(std::vector<std::string> lines) {
        lines_ = std::move(lines);
        index_ = 0;
    }
    // The news line on view ("" when there is none).
    const std::string& NewsLine() const {
        static const std::string kNone;
        return index_ >= 0 && index_ < static_cast<int>(lines_.size()) ? lines_[index_] : kNone;
    }
    void ShowNewsItem(int index) { index_ = index; }
    void ClearNews() {
        lines_.clear();
        sources_.clear();
        index_ = 0;
    }
    void ResetRefresh() { refreshTicks_ = 0; }

private:
    bool enabled_ = false;
    int intervalMs_ = 30;
    bool paused_ = false;
    int pauseTicks_ = 0;
    int scrollOffset_ = 0;
    int refreshTicks_ = 0;
    std::vector<std::string> sources_, lines_;
    int index_ = 0;
};

// The ticker's timer off for as long as it lives, and on again afterwards
// (also when an error escapes) unless the program is ending.
class TTickerHeld {
public:
    template <class TStillRunning>
    TTickerHeld(TTickerState& ticker, TStillRunning stillRunning)
        : ticker_(ticker), stillRunning_(stillRunning) {
        ticker_.SetEnabled(false);
    }
    ~TTickerHeld() {
        if (stillRunning_()) ticker_.SetEnabled(true);
    }
    TTickerHeld(const TTickerHeld&) = delete;
    TTickerHeld& operator=(const TTickerHeld&) = delete;

private:
    TTickerState& ticker_;
    std::function<bool()> stillRunning_;
};

}  // namespace vexil

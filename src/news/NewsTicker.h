// The news ticker: the list of news sources, the news of the chosen one, and
// the line of news that scrolls through the status line, one item after the
// other, with a pause before each.  An item may carry a link ("text###http…")
// that a click on the status line opens.
//
// Downloads never hold the window: the ticker starts them and reads the file
// when the download has ended, so the old news keep scrolling meanwhile.
// Reloads that come while one runs are queued behind it.
#pragma once

#include <deque>
#include <functional>
#include <string>
#include <vector>

#include "config/Settings.h"
#include "news/HttpFetch.h"
#include "news/ThreadedTimer.h"

namespace vexil {

// What the ticker asks of the main window.
class INewsView {
public:
    virtual ~INewsView() = default;
    // Draws text on the status line shifted left by offset pixels; true
    // when the whole text has scrolled out to the left.
    virtual bool DrawNews(const std::string& text, int offset) = 0;
    // Puts on the screen what DrawNews drew since the last time; called
    // once for the ticks of one wake of the scroll timer.
    virtual void ShowNews() = 0;
    // Draws a text of the ticker's own ("reading news...") on the status
    // line, and the status text again.
    virtual void DrawStatus(const std::string& text) = 0;
    virtual void DrawStatusText() = 0;
    // The hand pointer over the status line while an item with a link shows.
    virtual void SetLinkCursor(bool hand) = 0;
    virtual bool IsOnline() = 0;
    virtual void ResumeTimers() = 0;
};

// Where the news come from: the product's host unless a test points it
// elsewhere.
struct TNewsAddresses {
    std::string SourceList;     // the list of sources, without "http://"
    std::string BuiltInSource;  // name|url|comment|news url, always first
    std::string BuiltInItem;    // the news when none could be read
};
TNewsAddresses ProductNewsAddresses(const std::string& host);

class TNewsTicker {
public:
    // ui: where the next download is started once the last one's events
    // are over (the component refuses a start from inside them).
    TNewsTicker(INewsView& view, THttpFetch& getNews, TThreadedTimer& scroll, IUiThread& ui,
                const TSettings& settings, TNewsAddresses addresses);

    // The folder of LstSrv.Txt and VxNews.Txt (the program's).
    void SetDirectory(const std::string& dir) { dir_ = dir; }

    // The scroll timer.
    bool Enabled() const { return scroll_.Enabled(); }
    // With min_scroll 0 nothing ever moves: the timer stays off.
    void SetEnabled(bool on) { scroll_.SetEnabled(on && !closed_ && settings_.min_scroll != 0); }
    int IntervalMs() const { return static_cast<int>(scroll_.Interval()); }
    void SetIntervalMs(int ms) { scroll_.SetInterval(static_cast<unsigned>(ms < 0 ? 0 : ms)); }

    // Holds the status line as it is; ticks counts up from `ticks` to the
    // pause's length.
    void Pause(int ticks = 0) {
        paused_ = true;
        pauseTicks_ = ticks;
    }
    bool Paused() const { return paused_; }
    int PauseTicks() const { return pauseTicks_; }
    int ScrollOffset() const { return scrollOffset_; }
    void ResetScroll() { scrollOffset_ = 0; }
    // The periodic refresh counts again from 0 (a connection was made).
    void ResetRefresh() { refreshTicks_ = 0; }
    int RefreshTicks() const { return refreshTicks_; }

    // The sources ("name|url|comment|news url", blanks around) and the
    // news items ("text" or "text###link", blanks around).
    const std::vector<std::string>& NewsSources() const { return sources_; }
    const std::vector<std::string>& NewsLines() const { return lines_; }
    int NewsIndex() const { return index_; }
    // Puts lists in place as a download would (the first item on view).
    void SetNewsSources(std::vector<std::string> sources) { sources_ = std::move(sources); }
    void SetNewsLines(std::vector<std::string> lines) {
        lines_ = std::move(lines);
        ShowItem(0);
    }
    // The item on view as stored, and its text as shown (before "###http").
    std::string CurrentItem() const;
    const std::string& NewsLine() const { return newsLine_; }

    // Reloads the source list (downloaded while online) and the news of the
    // chosen source.  Offline both fall back to the built-in entries at once.
    void LitSrvNews();
    void LitVxNews();
    // The download's events.
    void GetNewsDoneFile(const std::string& fileName, int fileSize);
    // One tick of the scroll timer (what it draws shows with ShowNews).
    void DoScroll();
    // A left click on the status line: opens the link of the item on view,
    // if it has one that is a web address (the address goes to open).  True
    // when it had one.
    bool LinkClick(const std::function<void(const std::string&)>& open);
    // An item's link target, "" when it has none or it is no web address.
    static std::string LinkTarget(const std::string& item);
    // The program ends: the download stops and nothing more is done.
    void Close();

    // The pause before an item at each speed (3 seconds), 0 for others.
    int PauseLength() const;

private:
    enum class TJob { Sources, News };
    void Queue(TJob job);
    void StartNext();
    void DownloadEnded();
    // The download of the first job has ended (or could not start): its
    // file is read and the job is done.
    void ReadFirstJobsFile();
    void ReadSources();
    void ReadNews();
    // Shows item index: its text, the cursor, the start of the scroll.
    void ShowItem(int index);
    // The lines of a downloaded file, split at CR, LF and CR LF; false when
    // it cannot be read.  The file is deleted; a failed delete is false too.
    bool TakeLines(const std::string& file, std::vector<std::string>& lines);
    long long RefreshPeriodTicks() const;

    INewsView& view_;
    THttpFetch& getNews_;
    TThreadedTimer& scroll_;
    IUiThread& ui_;
    const TSettings& settings_;
    TNewsAddresses addresses_;
    std::string dir_;

    std::vector<std::string> sources_, lines_;
    int index_ = 0;
    std::string newsLine_;
    int scrollOffset_ = 0;
    bool lineScrolledOut_ = false;  // the last drawing left nothing on view
    bool paused_ = false;
    int pauseTicks_ = 0;
    long long refreshTicks_ = 0;
    bool refreshDue_ = false;  // a refresh fell due while a download ran
    std::deque<TJob> jobs_;    // downloads waiting, the running one first
    bool closed_ = false;
};

// The ticker's timer off for as long as it lives, and on again afterwards
// (also when an error escapes) unless the program is ending.
class TTickerHeld {
public:
    TTickerHeld(TNewsTicker& ticker, std::function<bool()> stillRunning)
        : ticker_(ticker), stillRunning_(std::move(stillRunning)) {
        ticker_.SetEnabled(false);
    }
    ~TTickerHeld() {
        if (stillRunning_()) ticker_.SetEnabled(true);
    }
    TTickerHeld(const TTickerHeld&) = delete;
    TTickerHeld& operator=(const TTickerHeld&) = delete;

private:
    TNewsTicker& ticker_;
    std::function<bool()> stillRunning_;
};

}  // namespace vexil

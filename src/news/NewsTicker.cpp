// The news ticker.
#include "news/NewsTicker.h"

#include <cstdio>
#include <fstream>
#include <iterator>

#include "base/FileNames.h"
#include "base/Text.h"
#include "base/WebLink.h"
#include "config/NewsSource.h"

namespace vexil {

namespace {

const char* const kSourceListFile = "LstSrv.Txt";
const char* const kNewsFile = "VxNews.Txt";
const char* const kLinkMark = "###http";
// Source lists and news files are a few kilobytes; more is not read.
constexpr std::size_t kMaxNewsFileBytes = 1 << 20;
// The news files come over plain HTTP from anyone on the way: what is kept
// of them is bounded, and what is drawn is text only.
constexpr std::size_t kMaxNewsSources = 100;
constexpr std::size_t kMaxNewsItems = 1000;
constexpr std::size_t kMaxNewsItemBytes = 512;

// One line of a news file as it is kept: no control characters, at most
// kMaxNewsItemBytes, cut between whole UTF-8 characters.
std::string KeptNewsLine(const std::string& line) {
    std::string shown = ShownLine(line);
    if (shown.size() > kMaxNewsItemBytes) {
        size_t cut = kMaxNewsItemBytes;
        while (cut > 0 && (static_cast<unsigned char>(shown[cut]) & 0xC0) == 0x80) --cut;
        shown.resize(cut);
    }
    return shown;
}

std::string Padded(const std::string& line) { return " " + line + " "; }

}  // namespace

TNewsAddresses ProductNewsAddresses(const std::string& host) {
    TNewsAddresses a;
    a.SourceList = host + "/Vexil/lstsrven.txt";
    a.BuiltInSource = "Brellin|http://" + host +
                      "|A Custom Windows - Skins skins skins !|http://" + host + "/Vexil/vexilen.txt";
    a.BuiltInItem = Padded("Vexil, the skinnable mail checker by Brellin###http://" + host + "/Vexil/");
    return a;
}

TNewsTicker::TNewsTicker(INewsView& view, THttpFetch& getNews, TThreadedTimer& scroll,
                         IUiThread& ui, const TSettings& settings, TNewsAddresses addresses)
    : view_(view),
      getNews_(getNews),
      scroll_(scroll),
      ui_(ui),
      settings_(settings),
      addresses_(std::move(addresses)),
      sources_{addresses_.BuiltInSource} {
    getNews_.BinaryData = true;
    getNews_.WaitThread = false;
    getNews_.OnDoneFile = [this](const std::string& file, int size) {
        GetNewsDoneFile(file, size);
        DownloadEnded();
    };
    getNews_.OnError = [this] { DownloadEnded(); };
    scroll_.OnTimer = [this] { DoScroll(); };
    scroll_.AfterTicks = [this] { view_.ShowNews(); };
}

std::string TNewsTicker::CurrentItem() const {
    return index_ >= 0 && index_ < static_cast<int>(lines_.size()) ? lines_[static_cast<size_t>(index_)]
                                                                   : std::string();
}

int TNewsTicker::PauseLength() const {
    switch (settings_.speed) {
        case 0: return 100;
        case 1: return 200;
        case 2: return 600;
        default: return 0;
    }
}

// min_scroll minutes in ticks: 2000, 4000 or 12000 a minute at the three
// speeds (the ticks of 30, 15 and 5 ms).
long long TNewsTicker::RefreshPeriodTicks() const {
    long long perMinute = 2000;
    if (settings_.speed == 1) perMinute = 4000;
    if (settings_.speed == 2) perMinute = 12000;
    return static_cast<long long>(settings_.min_scroll) * perMinute;
}

// --- Loading ---

void TNewsTicker::LitSrvNews() {
    if (closed_) return;
    sources_ = {addresses_.BuiltInSource};
    if (!view_.IsOnline()) {
        view_.DrawStatusText();
        return;
    }
    Queue(TJob::Sources);
}

void TNewsTicker::LitVxNews() {
    if (closed_) return;
    if (!view_.IsOnline()) {
        lines_ = {addresses_.BuiltInItem};
        ShowItem(0);
        view_.DrawStatusText();
        Pause(0);
        return;
    }
    Queue(TJob::News);
}

void TNewsTicker::Queue(TJob job) {
    // The same reload waiting already brings the same file.
    for (size_t i = getNews_.Busy() ? 1 : 0; i < jobs_.size(); ++i)
        if (jobs_[i] == job) return;
    jobs_.push_back(job);
    StartNext();
}

void TNewsTicker::StartNext() {
    while (!closed_ && !jobs_.empty() && !getNews_.Busy()) {
        if (jobs_.front() == TJob::Sources) {
            getNews_.URL = addresses_.SourceList;
            view_.DrawStatus("reading news servers...");
            getNews_.FileName = dir_ + kSourceListFile;
        } else {
            // A hand-edited source number outside the list means the first.
            int source = settings_.srv_news;
            if (source < 0 || source >= static_cast<int>(sources_.size())) source = 0;
            getNews_.URL = SplitNewsSource(sources_[static_cast<size_t>(source)])[3];
            view_.DrawStatus("reading news...");
            getNews_.FileName = dir_ + kNewsFile;
        }
        // An address without a host is a download that cannot start: its
        // file is read (and missed) at once.
        if (!SplitHttpUrl(getNews_.URL).Host.empty()) {
            getNews_.GetFile();
            return;
        }
        ReadFirstJobsFile();
    }
}

void TNewsTicker::ReadFirstJobsFile() {
    const TJob job = jobs_.front();
    jobs_.pop_front();
    if (job == TJob::Sources)
        ReadSources();
    else
        ReadNews();
}

void TNewsTicker::DownloadEnded() {
    if (closed_ || jobs_.empty()) return;
    ReadFirstJobsFile();
    if (!jobs_.empty()) ui_.Post([this] { StartNext(); });
}

void TNewsTicker::GetNewsDoneFile(const std::string&, int fileSize) {
    if (fileSize != 0) return;
    lines_ = {addresses_.BuiltInItem};
    ShowItem(0);
    view_.ResumeTimers();
}

bool TNewsTicker::TakeLines(const std::string& file, std::vector<std::string>& lines) {
    lines.clear();
    std::ifstream in(FilePath(file), std::ios::binary);
    if (!in) return false;
    std::string text;
    char block[4096];
    while (text.size() <= kMaxNewsFileBytes && in.read(block, sizeof block).gcount() > 0)
        text.append(block, static_cast<size_t>(in.gcount()));
    const bool readWhole = !in.bad() && text.size() <= kMaxNewsFileBytes;
    in.close();
    if (readWhole) lines = SplitLines(text);
    const bool deleted = RemoveFile(file);
    return readWhole && deleted;
}

void TNewsTicker::ReadSources() {
    std::vector<std::string> lines;
    TakeLines(dir_ + kSourceListFile, lines);  // what could not be read is left out
    for (const std::string& line : lines) {
        if (sources_.size() >= kMaxNewsSources) break;
        sources_.push_back(Padded(KeptNewsLine(line)));
    }
    view_.DrawStatusText();
}

void TNewsTicker::ReadNews() {
    std::vector<std::string> items;
    const bool ok = TakeLines(dir_ + kNewsFile, items);
    lines_.clear();
    for (const std::string& item : items) {
        if (lines_.size() >= kMaxNewsItems) break;
        lines_.push_back(Padded(KeptNewsLine(item)));
    }
    // A file that could not be read (or not deleted) leaves the built-in
    // item where the error came; no item at all gets it (again) at the end.
    if (!ok) lines_.push_back(addresses_.BuiltInItem);
    if (items.empty()) lines_.push_back(addresses_.BuiltInItem);
    ShowItem(0);
    view_.DrawStatusText();
    Pause(0);
}

void TNewsTicker::ShowItem(int index) {
    index_ = index;
    const std::string item = CurrentItem();
    const size_t link = item.find(kLinkMark);
    newsLine_ = link == std::string::npos ? item : item.substr(0, link);
    view_.SetLinkCursor(!LinkTarget(item).empty());
    scrollOffset_ = 0;
    lineScrolledOut_ = false;
}

// --- Ticking ---

void TNewsTicker::DoScroll() {
    if (closed_) return;
    const int pause = PauseLength();
    if (settings_.min_scroll != 0) {
        ++refreshTicks_;
        if (refreshTicks_ == RefreshPeriodTicks()) {
            refreshTicks_ = 0;
            // A download still running brings its file first; the refresh
            // comes at the first tick after it.
            if (view_.IsOnline()) {
                if (getNews_.Busy())
                    refreshDue_ = true;
                else
                    LitVxNews();
            }
        }
    }
    if (refreshDue_ && !getNews_.Busy()) {
        refreshDue_ = false;
        if (view_.IsOnline()) LitVxNews();
    }
    if (refreshTicks_ == 0) return;

    if (paused_) {
        if (pause >= pauseTicks_ + 1) ++pauseTicks_;
        // A pause already past the length (a speed without one) ends too.
        paused_ = pauseTicks_ < pause;
    }
    if (paused_) return;
    ++scrollOffset_;
    if (lineScrolledOut_ && !lines_.empty()) {
        ShowItem((index_ + 1) % static_cast<int>(lines_.size()));
        Pause(30);
    }
    lineScrolledOut_ = view_.DrawNews(newsLine_, scrollOffset_);
}

// The item's link, when it is a web address: the news file comes over plain
// HTTP, so anyone on the way can write it, and the shell would start a
// program named by anything else ("httpd", "http\\..\\..\\x.exe").
std::string TNewsTicker::LinkTarget(const std::string& item) {
    const size_t link = item.find(kLinkMark);
    if (link == std::string::npos) return std::string();
    const std::string target = Trim(item.substr(link + 3));
    return IsWebUrl(target) ? target : std::string();
}

bool TNewsTicker::LinkClick(const std::function<void(const std::string&)>& open) {
    const std::string target = LinkTarget(CurrentItem());
    if (target.empty()) return false;
    open(target);
    Pause(0);
    return true;
}

void TNewsTicker::Close() {
    closed_ = true;
    scroll_.SetEnabled(false);
    jobs_.clear();
    getNews_.Stop();
}

}  // namespace vexil

// The news ticker over a scripted HTTP server and a status line that
// records what it is asked to draw: loading, the built-in item on failures,
// the pauses, the order of items, links, and the periodic refresh.
#include "news/NewsTicker.h"

#include "config/NewsSource.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "support/FakeHttp.h"
#include "support/TempDir.h"

namespace vexil {
namespace {

using test::THttpLog;
using test::THttpScript;

// A status line 7 pixels a character wide, as the scrolled-out rule says.
class TFakeNewsView : public INewsView {
public:
    bool DrawNews(const std::string& text, int offset) override {
        draws.push_back({text, offset});
        return static_cast<int>(text.size()) * 7 + 1 < offset;
    }
    void ShowNews() override { ++shown; }
    void DrawStatus(const std::string& text) override { status.push_back(text); }
    void DrawStatusText() override { status.push_back("<status text>"); }
    void SetLinkCursor(bool hand) override { handCursor = hand; }
    bool IsOnline() override { return online; }
    void ResumeTimers() override { ++resumed; }

    struct TDraw {
        std::string Text;
        int Offset;
    };
    std::vector<TDraw> draws;
    int shown = 0;
    std::vector<std::string> status;
    bool handCursor = false;
    bool online = true;
    int resumed = 0;
};

const TNewsAddresses kAddresses = ProductNewsAddresses("news.example.org");

class NewsTicker : public ::testing::Test {
protected:
    NewsTicker() { ticker.SetDirectory(dir.Path()); }
    // The next downloads answer with these scripts, in order.
    void Serve(std::vector<THttpScript> replies) {
        replies_ = std::move(replies);
        next_ = 0;
    }
    // Runs the window's queue until no download runs.
    void Settle() {
        // Twice: a download queued behind another starts once its events are over.
        for (int round = 0; round < 3; ++round) {
            ASSERT_TRUE(ui.PumpUntil([&] { return !getNews.Busy(); }));
            ui.ProcessMessages();
        }
    }
    std::vector<std::string> Items() const { return ticker.NewsLines(); }
    // Ticks n times; returns the texts that began to be drawn (offset 1)
    // with the tick they began at.
    std::vector<std::pair<std::string, int>> Tick(int n) {
        std::vector<std::pair<std::string, int>> starts;
        for (int i = 1; i <= n; ++i) {
            const size_t before = view.draws.size();
            ticker.DoScroll();
            if (view.draws.size() > before && view.draws.back().Offset == 1)
                starts.emplace_back(view.draws.back().Text, i);
        }
        return starts;
    }

    test::TTempDir dir;
    test::TFakeUiThread ui;
    std::shared_ptr<THttpLog> log = std::make_shared<THttpLog>();
    std::vector<THttpScript> replies_;
    size_t next_ = 0;
    THttpFetch getNews{[this] {
                           const THttpScript script =
                               next_ < replies_.size() ? replies_[next_++] : THttpScript{true, 0, false, "", ""};
                           return std::make_unique<test::TFakeHttpRequest>(script, log);
                       },
                       ui};
    TThreadedTimer scroll{ui};
    TSettings settings;
    TFakeNewsView view;
    TNewsTicker ticker{view, getNews, scroll, ui, settings, kAddresses};
};

THttpScript Reply(const std::string& body) { return THttpScript{false, 200, true, "", body}; }

TEST_F(NewsTicker, SourcesThenNewsWithLfOnlyLinesAndLinks) {
    Serve({Reply("Local|http://local/|Our own news|http://127.0.0.1:8080/news.txt\n"),
           Reply("First item\nSecond, with a link###http://example.org/more \nThird\n")});
    settings.srv_news = 1;
    ticker.LitSrvNews();
    ticker.LitVxNews();  // queued behind the list
    Settle();
    EXPECT_EQ(ticker.NewsSources(),
              (std::vector<std::string>{kAddresses.BuiltInSource,
                                        " Local|http://local/|Our own news|http://127.0.0.1:8080/news.txt "}));
    EXPECT_EQ(log->Last.Target.Host, "127.0.0.1");
    EXPECT_EQ(log->Last.Target.Port, 8080);
    EXPECT_EQ(Items(), (std::vector<std::string>{" First item ",
                                                 " Second, with a link###http://example.org/more  ",
                                                 " Third "}));
    EXPECT_EQ(view.status, (std::vector<std::string>{"reading news servers...", "<status text>",
                                                      "reading news...", "<status text>"}));
    EXPECT_TRUE(ticker.Paused());
    // The files are read once and gone.
    EXPECT_FALSE(std::ifstream(dir.File("VxNews.Txt")).good());
    EXPECT_FALSE(std::ifstream(dir.File("LstSrv.Txt")).good());

    // Item 0 after the first pause (100 ticks at speed 0), each next one
    // after it has scrolled out and a pause 30 ticks shorter.
    const auto starts = Tick(1000);
    ASSERT_GE(starts.size(), 4u);
    // " First item " is drawn at offset 1 on tick 100 and out of sight at
    // offset 86 (12 characters of 7 pixels, and one): the next tick shows
    // the next item, which waits 70 ticks.
    const int outOfSight = 100 + 85;
    EXPECT_EQ(starts[0], std::make_pair(std::string(" First item "), 100));
    EXPECT_EQ(starts[1].first, " Second, with a link");
    EXPECT_EQ(starts[1].second, outOfSight + 1 + 70);
    EXPECT_EQ(starts[2].first, " Third ");
    EXPECT_EQ(starts[3].first, " First item ");
}

TEST_F(NewsTicker, ALinkShowsItsTextAndTheHandAndAClickOpensIt) {
    Serve({Reply("Read more###http://example.org/page \nPlain\n")});
    ticker.LitVxNews();
    Settle();
    EXPECT_EQ(ticker.NewsLine(), " Read more");
    EXPECT_TRUE(view.handCursor);
    std::vector<std::string> opened;
    EXPECT_TRUE(ticker.LinkClick([&](const std::string& a) { opened.push_back(a); }));
    EXPECT_EQ(opened, std::vector<std::string>{"http://example.org/page"});
    EXPECT_TRUE(ticker.Paused());
    EXPECT_EQ(ticker.PauseTicks(), 0);
    // On to the plain item: the arrow again, and a click opens nothing.
    Tick(100 + 11 * 7 + 2);
    EXPECT_EQ(ticker.NewsLine(), " Plain ");
    EXPECT_FALSE(view.handCursor);
    EXPECT_FALSE(ticker.LinkClick([&](const std::string& a) { opened.push_back(a); }));
    EXPECT_EQ(opened.size(), 1u);
}

// The news file comes over plain HTTP: a link that is not an absolute web
// address with a host gets no hand and opens nothing.
TEST(NewsLinkTarget, OnlyWebAddressesWithAHost) {
    const std::pair<const char*, const char*> cases[] = {
        {"Read###http://example.org/page ", "http://example.org/page"},
        {"Read###https://Example.ORG:8443/a?b#c", "https://Example.ORG:8443/a?b#c"},
        {"Read###http://[::1]:8080/", "http://[::1]:8080/"},
        {"Read###http://192.0.2.7", "http://192.0.2.7"},
        {"Read###http\\..\\..\\Windows\\System32\\calc.exe", ""},
        {"Read###httpd", ""},
        {"Read###http:calc.exe", ""},
        {"Read###http:///etc/passwd", ""},
        {"Read###http://", ""},
        {"Read###http://a.example\\x.exe", ""},
        {"Read###http://evil.example@good.example/", ""},
        {"Read###http://a b.example/", ""},
        {"Read###http://a.example:99999/", ""},
        {"Read###http://a.example:/", ""},
        {"Read###http://..example/", ""},
        {"Read###http://a.example/\"x", ""},
        {"Read###http://a.example/\x01x", ""},
        {"No link at all", ""},
    };
    for (const auto& [item, target] : cases)
        EXPECT_EQ(vexil::TNewsTicker::LinkTarget(item), target) << item;
}

// Hostile news files: at most 100 sources and 1000 items are kept, an item
// is cut to 512 bytes between whole characters, control characters go.
TEST_F(NewsTicker, HostileFilesAreBoundedAndLoseTheirControlCharacters) {
    std::string sources, items;
    for (int i = 0; i < 150; ++i) sources += "S" + std::to_string(i) + "|http://s/|x|http://127.0.0.1/n\n";
    for (int i = 0; i < 1500; ++i) items += "item " + std::to_string(i) + "\n";
    const std::string longItem = "\x1B[2J" + std::string(509, 'a') + "\xE6\x97\xA5\xE6\x97\xA5tail";
    Serve({Reply(sources), Reply("bell\x07 and\ttab\x7F\n" + longItem + "\n" + items)});
    ticker.LitSrvNews();
    ticker.LitVxNews();
    Settle();
    EXPECT_EQ(ticker.NewsSources().size(), 100u);
    ASSERT_EQ(Items().size(), 1000u);
    EXPECT_EQ(Items()[0], " bell and tab ");
    // 509 letters and "[2J" fill 512 bytes; the first 3-byte character does
    // not fit whole, so the cut comes before it.
    EXPECT_EQ(Items()[1], " [2J" + std::string(509, 'a') + " ");
    EXPECT_EQ(Items()[999], " item 997 ");
}

TEST_F(NewsTicker, AHostileLinkGetsNoHandAndOpensNothing) {
    Serve({Reply("Free prize###httpd\n")});
    ticker.LitVxNews();
    Settle();
    EXPECT_EQ(ticker.NewsLine(), " Free prize");
    EXPECT_FALSE(view.handCursor);
    std::vector<std::string> opened;
    EXPECT_FALSE(ticker.LinkClick([&](const std::string& a) { opened.push_back(a); }));
    EXPECT_TRUE(opened.empty());
}

// A failed download leaves the built-in item: once when the file came empty,
// twice when no file came at all (each read deletes it).
TEST_F(NewsTicker, FailedDownloadsLeaveTheBuiltInItem) {
    const struct {
        const char* name;
        THttpScript reply;
        size_t builtIns;
    } cases[] = {
        {"an empty body", Reply(""), 1},
        {"no Content-Length", THttpScript{false, 200, false, "", "news"}, 2},
        {"a 404", THttpScript{false, 404, true, "", "Not here"}, 2},
        {"no server", THttpScript{true, 0, false, "", ""}, 2},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        Serve({c.reply});
        ticker.LitVxNews();
        Settle();
        EXPECT_EQ(Items(), std::vector<std::string>(c.builtIns, kAddresses.BuiltInItem));
    }
}

TEST(NewsAddresses, TheProductsHostUnlessATestGivesAnother) {
    const TNewsAddresses a = ProductNewsAddresses("www.example.org");
    EXPECT_EQ(a.SourceList, "www.example.org/Vexil/lstsrven.txt");
    EXPECT_EQ(SplitNewsSource(a.BuiltInSource)[3], "http://www.example.org/Vexil/vexilen.txt");
    EXPECT_EQ(SplitNewsSource(a.BuiltInSource)[1], "http://www.example.org");
    EXPECT_NE(a.BuiltInItem.find("###http://www.example.org/"), std::string::npos);
    EXPECT_EQ(SplitHttpUrl(ProductNewsAddresses("127.0.0.1:8080").SourceList).Port, 8080);
}

TEST_F(NewsTicker, OfflineAndSourcesOutsideTheList) {
    view.online = false;
    ticker.LitSrvNews();
    ticker.LitVxNews();
    EXPECT_EQ(log->Requests, 0);
    EXPECT_EQ(ticker.NewsSources(), std::vector<std::string>{kAddresses.BuiltInSource});
    EXPECT_EQ(Items(), std::vector<std::string>{kAddresses.BuiltInItem});

    view.online = true;
    for (const int source : {5, -2}) {
        SCOPED_TRACE(source);
        settings.srv_news = source;
        Serve({Reply("x\n")});
        ticker.LitVxNews();
        Settle();
        EXPECT_EQ(log->Last.Target.Host, "news.example.org");
        EXPECT_EQ(log->Last.Target.Path, "/Vexil/vexilen.txt");
    }
}

// min_scroll 0 never scrolls; otherwise the news come again every
// min_scroll minutes of ticks, and the tick of the refresh draws nothing.
TEST_F(NewsTicker, RefreshEveryMinScrollMinutesOfTicks) {
    Serve({Reply("a\n")});
    ticker.LitVxNews();
    Settle();
    settings.min_scroll = 0;
    Tick(3000);
    EXPECT_TRUE(view.draws.empty());

    const struct {
        int speed;
        int ticksPerMinute;
    } cases[] = {{0, 2000}, {1, 4000}, {2, 12000}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.speed);
        settings.speed = c.speed;
        settings.min_scroll = 1;
        ticker.ResetRefresh();
        Serve({Reply("b\n"), Reply("c\n")});
        const int before = log->Requests;
        Tick(c.ticksPerMinute - 1);
        EXPECT_EQ(log->Requests, before);
        const size_t draws = view.draws.size();
        ticker.DoScroll();
        EXPECT_EQ(view.draws.size(), draws);  // the refresh's tick draws nothing
        Settle();
        EXPECT_EQ(log->Requests, before + 1);
        EXPECT_EQ(Items(), std::vector<std::string>{" b "});
    }
}

// A refresh that falls due while a download runs comes at the first tick
// after that download has ended, and reads its own file.
TEST_F(NewsTicker, ARefreshDueDuringADownloadWaitsForIt) {
    settings.min_scroll = 1;
    THttpScript held = Reply("list\n");
    held.HoldFirstRead = true;
    Serve({held, Reply("fresh\n")});
    ticker.LitSrvNews();
    EXPECT_TRUE(getNews.Busy());
    ASSERT_TRUE(ui.PumpUntil([&] {
        std::lock_guard<std::mutex> lock(log->Lock);
        return log->Requests == 1;
    }));
    Tick(2000);  // the refresh falls due
    EXPECT_EQ(log->Requests, 1);
    log->Release();
    Settle();
    EXPECT_EQ(log->Requests, 1);  // nothing until the next tick
    ticker.DoScroll();
    EXPECT_TRUE(getNews.Busy());
    Settle();
    EXPECT_EQ(log->Requests, 2);
    EXPECT_EQ(Items(), std::vector<std::string>{" fresh "});
}

TEST_F(NewsTicker, CloseStopsTheDownloadAndEverythingAfter) {
    THttpScript held = Reply("late news\n");
    held.HoldFirstRead = true;
    Serve({held});
    ticker.LitVxNews();
    ticker.Close();
    EXPECT_FALSE(getNews.Busy());
    EXPECT_TRUE(log->Aborted);
    ticker.DoScroll();
    ticker.LitVxNews();
    EXPECT_TRUE(view.draws.empty());
    EXPECT_LE(log->Requests, 1);  // the one that was stopped, if it got that far
    EXPECT_FALSE(std::ifstream(dir.File("VxNews.Txt")).good() &&
                 test::ReadFileBytes(dir.File("VxNews.Txt")) == "late news\n");
}

}  // namespace
}  // namespace vexil

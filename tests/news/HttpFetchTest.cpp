// The download component over a scripted reply: the address split, what
// counts as success, what the file holds afterwards, the events and their
// order, and a stop in the middle of a download.
#include "news/HttpFetch.h"

#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "support/FakeHttp.h"
#include "support/TempDir.h"

namespace vexil {
namespace {

using test::THttpLog;
using test::THttpScript;

TEST(HttpUrl, SplitsHostPortAndPath) {
    const struct {
        const char* url;
        const char* host;
        int port;
        const char* path;
    } cases[] = {
        {"http://news.example.org/vexil/news.txt", "news.example.org", 80, "/vexil/news.txt"},
        {"news.example.org/vexil/news.txt", "news.example.org", 80, "/vexil/news.txt"},
        {"HTTP://news.example.org/a", "news.example.org", 80, "/a"},
        {"http://127.0.0.1:8080/list.txt", "127.0.0.1", 8080, "/list.txt"},
        {"localhost:65535/", "localhost", 65535, "/"},
        {"host:0/a", "", 80, "/a"},
        {"host:65536/a", "", 80, "/a"},
        {"host:http/a", "", 80, "/a"},
        {"host:/a", "", 80, "/a"},
        {"http://nohost", "", 80, "nohost"},
        {"", "", 80, ""},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.url);
        const THttpTarget t = SplitHttpUrl(c.url);
        EXPECT_EQ(t.Host, c.host);
        EXPECT_EQ(t.Port, c.port);
        EXPECT_EQ(t.Path, c.path);
    }
}

struct TDownload {
    explicit TDownload(const THttpScript& script, const std::string& url = "http://news.example.org/n.txt")
        : log(std::make_shared<THttpLog>()), fetch(test::FakeHttp(script, log), ui) {
        fetch.URL = url;
        fetch.FileName = dir.File("VxNews.Txt");
        fetch.BinaryData = true;
        fetch.WaitThread = true;
        fetch.OnProgress = [this](int total, int readed) {
            std::lock_guard<std::mutex> lock(progressLock);
            progress.emplace_back(total, readed);
        };
        fetch.OnDoneFile = [this](const std::string& file, int size) {
            events.push_back("done " + std::to_string(size) + (file == fetch.FileName ? "" : " " + file));
        };
        fetch.OnError = [this] { events.push_back("error"); };
    }
    test::TTempDir dir;
    test::TFakeUiThread ui;
    std::shared_ptr<THttpLog> log;
    THttpFetch fetch;
    std::mutex progressLock;
    std::vector<std::pair<int, int>> progress;
    std::vector<std::string> events;
};

// What counts as a download: a 2xx reply with its whole body; everything
// else fails, and the file is either untouched (nothing was written) or left
// empty (a body that came in part).
TEST(HttpFetch, SuccessAndFailuresAndWhatTheFileHolds) {
    const std::string body(3000, 'n');
    const struct {
        const char* name;
        THttpScript script;
        bool binary;
        const char* url;
        const char* event;
        const char* file;  // what the file holds afterwards ("old": untouched)
    } cases[] = {
        {"3000 bytes", {false, 200, true, "", body}, true, nullptr, "done 3000", nullptr},
        {"no Content-Length, binary", {false, 200, false, "", "news"}, true, nullptr, "error", "old"},
        {"no Content-Length, not binary", {false, 200, false, "", "news"}, false, nullptr, "done 0",
         "news"},
        {"an empty body", {false, 200, true, "", ""}, true, nullptr, "error", ""},
        {"a 404 with a body", {false, 404, true, "", "Not found"}, true, nullptr, "error", "old"},
        {"a 301", {false, 301, true, "", "Moved"}, true, nullptr, "error", "old"},
        {"a length that is not a number", {false, 200, true, "12abc", "news"}, true, nullptr,
         "error", "old"},
        {"cut short of its length", {false, 200, true, "100", "only part"}, true, nullptr, "error",
         ""},
        {"a read that fails on the way", {false, 200, true, "", body, 2050}, true, nullptr, "error",
         ""},
        {"no connection", {true, 200, true, "", ""}, true, nullptr, "error", "old"},
        {"no host in the address", {false, 200, true, "", "news"}, true, "http://nohost", "error",
         "old"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        TDownload d(c.script, c.url ? c.url : "http://news.example.org/n.txt");
        d.fetch.BinaryData = c.binary;
        test::WriteFileBytes(d.fetch.FileName, "old");
        d.fetch.GetFile();
        EXPECT_EQ(d.events, std::vector<std::string>{c.event});
        EXPECT_FALSE(d.fetch.Busy());
        EXPECT_EQ(test::ReadFileBytes(d.fetch.FileName), c.file ? c.file : c.script.Body);
    }
}

TEST(HttpFetch, BlocksOfAtMost1025WithTheirTotals) {
    const std::string body(3000, 'x');
    TDownload d({false, 200, true, "", body});
    d.fetch.GetFile();
    EXPECT_EQ(d.log->LargestRead, 1025);
    const std::vector<std::pair<int, int>> expected = {{3000, 1025}, {3000, 2050}, {3000, 3000}};
    EXPECT_EQ(d.progress, expected);
    EXPECT_EQ(d.log->Last.Target.Host, "news.example.org");
    EXPECT_EQ(d.log->Last.Target.Path, "/n.txt");
    EXPECT_EQ(d.log->Last.Agent, "Tessor HttpFetch");
}

// With WaitThread the events have run when GetFile returns, while the window
// went on meanwhile; without it they run at the window's next messages.  A
// second GetFile while one runs does nothing.
TEST(HttpFetch, EventsOnTheWindowsThreadInOrder) {
    THttpScript held{false, 200, true, "", "news"};
    held.HoldFirstRead = true;
    TDownload d(held);
    int windowMessages = 0;
    d.ui.OnProcess = [&] {
        if (++windowMessages == 3) {
            d.fetch.GetFile();  // refused: one runs
            d.log->Release();
        }
    };
    d.fetch.GetFile();
    EXPECT_GE(windowMessages, 3);
    EXPECT_EQ(d.events, std::vector<std::string>{"done 4"});
    EXPECT_EQ(d.log->Requests, 1);

    TDownload later({false, 200, true, "", "news"});
    later.fetch.WaitThread = false;
    later.fetch.GetFile();
    EXPECT_TRUE(later.fetch.Busy());
    EXPECT_TRUE(later.events.empty());
    ASSERT_TRUE(later.ui.PumpUntil([&] { return !later.fetch.Busy(); }));
    EXPECT_EQ(later.events, std::vector<std::string>{"done 4"});
}

// Exit in the middle of a download: Stop returns at once, no event follows,
// and nothing is written to the file any more.
TEST(HttpFetch, StopEndsADownloadAtOnce) {
    THttpScript held{false, 200, true, "", "fresh news"};
    held.HoldFirstRead = true;
    TDownload d(held);
    d.fetch.WaitThread = false;
    test::WriteFileBytes(d.fetch.FileName, "old");
    d.fetch.GetFile();
    const auto start = std::chrono::steady_clock::now();
    d.fetch.Stop();
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(1));
    EXPECT_TRUE(d.log->Aborted);
    EXPECT_FALSE(d.fetch.Busy());
    d.ui.PumpUntil([] { return false; }, 100);
    EXPECT_TRUE(d.events.empty());
    EXPECT_NE(test::ReadFileBytes(d.fetch.FileName), "fresh news");

    // The component is usable again.
    d.log->Aborted = false;
    d.log->Release();
    d.fetch.WaitThread = true;
    d.fetch.GetFile();
    EXPECT_EQ(d.events, std::vector<std::string>{"done 10"});
}

}  // namespace
}  // namespace vexil

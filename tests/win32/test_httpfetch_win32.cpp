// The download component over WinINet, against a real HTTP server (lighttpd,
// started by the test command, tests/support/http_server.sh) and a scripted
// one for what lighttpd will not do: no Content-Length, never answering.
#include <windows.h>

#include <gtest/gtest.h>

#include <chrono>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <memory>
#include <string>
#include <vector>

#include "news/HttpFetch.h"
#include "support/FakeHttp.h"
#include "support/ScriptedServer.h"
#include "win32/WinInetRequest.h"

namespace vexil {
namespace {

using Clock = std::chrono::steady_clock;

// The served folder and the port, from the test command.
struct TServer {
    std::string Www;  // with a trailing separator
    int Port = 0;
};

std::string ReadAll(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

void WriteAll(const std::string& path, const std::string& bytes) {
    std::ofstream(path, std::ios::binary | std::ios::trunc) << bytes;
}

bool Lighttpd(TServer& server) {
    const char* dir = std::getenv("VEXIL_HTTP_DIR");
    if (!dir || !*dir) return false;
    std::string base = dir;
    if (base[0] == '/') {
        for (char& c : base)
            if (c == '/') c = '\\';
        base = "Z:" + base;
    }
    server.Www = base + "\\www\\";
    server.Port = std::atoi(ReadAll(base + "\\port").c_str());
    return server.Port > 0;
}

struct TFetch {
    TFetch() : fetch(CreateWinInetRequest, ui) {
        char temp[MAX_PATH];
        GetTempPathA(sizeof temp, temp);
        file = std::string(temp) + "vexil-fetch-test.txt";
        fetch.FileName = file;
        fetch.BinaryData = true;
        fetch.WaitThread = true;
        fetch.OnProgress = [this](int total, int readed) {
            std::lock_guard<std::mutex> lock(progressLock);
            progress.emplace_back(total, readed);
        };
        fetch.OnDoneFile = [this](const std::string&, int size) {
            events.push_back("done " + std::to_string(size));
        };
        fetch.OnError = [this] { events.push_back("error"); };
        WriteAll(file, "old");
    }
    ~TFetch() { DeleteFileA(file.c_str()); }
    test::TFakeUiThread ui;
    THttpFetch fetch;
    std::string file;
    std::mutex progressLock;
    std::vector<std::pair<int, int>> progress;
    std::vector<std::string> events;
};

class HttpFetchLighttpd : public ::testing::Test {
protected:
    void SetUp() override {
        if (!Lighttpd(server))
            GTEST_SKIP() << "no HTTP server: the test command starts lighttpd and sets VEXIL_HTTP_DIR";
    }
    std::string Url(const std::string& path, bool prefix = true) const {
        return (prefix ? "http://" : "") + std::string("127.0.0.1:") + std::to_string(server.Port) + path;
    }
    TServer server;
};

TEST_F(HttpFetchLighttpd, AFileInBlocksWithItsTotals) {
    std::string body;
    for (int i = 0; i < 3000; ++i) body += static_cast<char>('a' + i % 26);
    WriteAll(server.Www + "b3000.txt", body);
    for (const bool prefix : {true, false}) {
        SCOPED_TRACE(prefix ? "with http://" : "without");
        TFetch f;
        f.fetch.URL = Url("/b3000.txt", prefix);
        f.fetch.GetFile();
        EXPECT_EQ(f.events, std::vector<std::string>{"done 3000"});
        EXPECT_EQ(ReadAll(f.file), body);
        const std::vector<std::pair<int, int>> blocks = {{3000, 1025}, {3000, 2050}, {3000, 3000}};
        EXPECT_EQ(f.progress, blocks);
    }
}

// An empty body and an error page are no news: the events say so, and the
// file is left empty (nothing came) or as it was (nothing was asked of it).
TEST_F(HttpFetchLighttpd, EmptyBodiesErrorPagesAndClosedPortsFail) {
    WriteAll(server.Www + "empty.txt", "");
    const struct {
        const char* name;
        std::string url;
        const char* file;
    } cases[] = {
        {"an empty file", Url("/empty.txt"), ""},
        {"a 404 with its page", Url("/missing.txt"), "old"},
        {"a closed port", "http://127.0.0.1:" + std::to_string(test::TScriptedServer::UnusedPort()) + "/x.txt", "old"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        TFetch f;
        f.fetch.URL = c.url;
        f.fetch.GetFile();
        EXPECT_EQ(f.events, std::vector<std::string>{"error"});
        EXPECT_EQ(ReadAll(f.file), c.file);
    }
}

// What no real server does on demand: a body without Content-Length, and a
// server that never answers.
TEST(HttpFetchScripted, WithoutContentLengthAndWithoutAnswer) {
    using test::TScript;
    const std::string reply = "HTTP/1.0 200 OK\r\nContent-Type: text/plain\r\n\r\nnews without length\n";
    test::TScriptedServer server({TScript().Expect().Pause(50).Send(reply).Close(),
                                  TScript().Expect().Pause(50).Send(reply).Close()});
    const std::string url = "127.0.0.1:" + std::to_string(server.Port()) + "/n.txt";
    {
        TFetch binary;
        binary.fetch.URL = url;
        binary.fetch.GetFile();
        EXPECT_EQ(binary.events, std::vector<std::string>{"error"});
        EXPECT_EQ(ReadAll(binary.file), "old");
    }
    {
        TFetch text;
        text.fetch.URL = url;
        text.fetch.BinaryData = false;
        text.fetch.GetFile();
        EXPECT_EQ(text.events, std::vector<std::string>{"done 0"});
        EXPECT_EQ(ReadAll(text.file), "news without length\n");
    }
    EXPECT_EQ(server.Lines(0, 1).at(0), "GET /n.txt HTTP/1.0");

    // Silence: the window's messages keep coming while the download waits,
    // and Stop (Exit) ends it at once.
    test::TScriptedServer silent({TScript().StaySilent()});
    TFetch f;
    f.fetch.URL = "127.0.0.1:" + std::to_string(silent.Port()) + "/n.txt";
    f.fetch.WaitThread = false;
    f.fetch.GetFile();
    int pumped = 0;
    const auto until = Clock::now() + std::chrono::milliseconds(500);
    while (Clock::now() < until) {
        f.ui.WaitAndProcess(10);
        ++pumped;
    }
    EXPECT_TRUE(f.fetch.Busy());
    EXPECT_GT(pumped, 10);
    const auto start = Clock::now();
    f.fetch.Stop();
    EXPECT_LT(Clock::now() - start, std::chrono::seconds(2));
    EXPECT_FALSE(f.fetch.Busy());
    f.ui.PumpUntil([] { return false; }, 100);
    EXPECT_TRUE(f.events.empty());
    EXPECT_EQ(ReadAll(f.file), "old");
}

}  // namespace
}  // namespace vexil

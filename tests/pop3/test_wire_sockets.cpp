// The line client over real sockets against the scripted server: closes at
// every point, trickled bytes, a megabyte line, silence, refusals, unknown
// hosts, and the exact commands on the wire.
#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <memory>
#include <string>
#include <vector>

#include "pop3/Wire.h"
#include "support/ScriptedServer.h"

namespace vexil {
namespace {

using test::TScript;
using test::TScriptedServer;
using TClock = std::chrono::steady_clock;

class TSocketClient : public TWireClient {
public:
    TSocketClient() : TWireClient(CreateSocketTransport()) {
        Host = "127.0.0.1";
        OnStatus = [this](TWireSocket&, const std::string& text) { Statuses.push_back(text); };
    }
    using TWireClient::Established;
    std::vector<std::string> Statuses;
};

long long MillisecondsSince(TClock::time_point start) {
    return std::chrono::duration_cast<std::chrono::milliseconds>(TClock::now() - start).count();
}

TEST(WireSockets, ExactCommandsAndRepliesOverTheWire) {
    TScriptedServer server({TScript()
                                .Send("+OK ready\r\n")
                                .Expect()
                                .Send("+OK user\r\n")
                                .Expect()
                                .SendSlowly("\r\n250-first\r\n250 last\r\n")
                                .Expect()});
    TSocketClient client;
    client.Port = server.Port();
    client.Connect();
    EXPECT_TRUE(client.Established());
    EXPECT_EQ(client.ResolvedAddress, "127.0.0.1");
    EXPECT_EQ(client.SendCmd(std::string(1, '\0'), 1), 1);
    EXPECT_EQ(client.SendCmd("User joe", 1, "*", 1), 1);
    EXPECT_EQ(client.SendCmd("NOOP", 250), 250);
    EXPECT_EQ(client.ReplyLines, (std::vector<std::string>{"250-first", "250 last"}));
    client.WriteLn("Quit");
    client.Disconnect();
    EXPECT_EQ(server.Lines(0, 3), (std::vector<std::string>{"User joe", "NOOP", "Quit"}));
    EXPECT_EQ(client.Statuses,
              (std::vector<std::string>{"Connecting to 127.0.0.1", "Socket Connected", "  +OK user",
                                        "Disconnecting", "Disconnected"}));
}

// A reply cut off at any byte: the client raises the graceful close, is
// disconnected, and never hands out the unfinished line.
TEST(WireSockets, CloseAtEveryPointOfAListing) {
    const std::string listing = "+OK 2\r\n1 a\r\n..2 b\r\n.\r\n";
    std::vector<TScript> scripts;
    for (size_t cut = 0; cut < listing.size(); ++cut)
        scripts.push_back(TScript().Send(listing.substr(0, cut)).Close());
    TScriptedServer server(scripts);
    for (size_t cut = 0; cut < listing.size(); ++cut) {
        SCOPED_TRACE("cut at " + std::to_string(cut));
        TSocketClient client;
        client.Port = server.Port();
        client.Connect();
        std::vector<std::string> lines;
        try {
            client.SendCmd(std::string(1, '\0'), 1);
            client.Capture(&lines, {"."});
            FAIL() << "the listing ended";
        } catch (const EWireConnClosedGraceful& e) {
            EXPECT_STREQ(e.what(), "Connection Closed Gracefully.");
        }
        EXPECT_FALSE(client.Connected());
        EXPECT_FALSE(client.Established());
        const std::vector<std::string> full = {"1 a", ".2 b"};
        const size_t complete = cut >= 19 ? 2 : cut >= 12 ? 1 : 0;
        EXPECT_EQ(lines, std::vector<std::string>(full.begin(), full.begin() + complete));
    }
}

TEST(WireSockets, BytesTricklingOneAtATime) {
    TScriptedServer server({TScript().SendSlowly("+OK hi\r\nline\rwith\nbits\r\n.\r\n", 1)});
    TSocketClient client;
    client.Port = server.Port();
    int reads = 0;
    client.OnDebugRead = [&reads](TWireSocket&) { ++reads; };
    client.Connect();
    EXPECT_EQ(client.SendCmd(std::string(1, '\0'), 1), 1);
    std::vector<std::string> lines;
    EXPECT_EQ(client.Capture(&lines, {"."}), 1);
    EXPECT_EQ(lines, std::vector<std::string>{"line\rwith\nbits"});
    EXPECT_GT(reads, 10);  // the bytes did come one receive at a time
}

TEST(WireSockets, MegabyteLineIsReadWhole) {
    const size_t size = 1 << 20;
    TScriptedServer server({TScript().LongLine(size).Send("+OK after\r\n")});
    TSocketClient client;
    client.Port = server.Port();
    client.Connect();
    const std::string line = client.ReadLn();
    ASSERT_EQ(line.size(), size);
    for (size_t i = 0; i < size; i += 4099)
        ASSERT_EQ(line[i], static_cast<char>('a' + i % 26)) << i;
    EXPECT_EQ(client.ReadLn(), "+OK after");
}

// No wait is endless, and the owner's idle hook runs all through it.
TEST(WireSockets, SilentServerTimesOutWhileTheIdleHookRuns) {
    struct TCase {
        const char* Name;
        TScript Script;
    };
    const std::vector<TCase> cases = {
        {"no greeting", TScript().StaySilent()},
        {"half a line", TScript().Send("+OK hal").StaySilent()},
    };
    for (const TCase& c : cases) {
        SCOPED_TRACE(c.Name);
        TScriptedServer server({c.Script});
        TSocketClient client;
        client.Port = server.Port();
        client.TimeoutMs = 300;
        int idles = 0;
        client.OnIdle = [&idles] { ++idles; };
        client.Connect();
        const auto start = TClock::now();
        try {
            client.ReadLn();
            FAIL() << "no time-out";
        } catch (const EWireSocketError& e) {
            EXPECT_EQ(e.LastError, 10060);
            EXPECT_STREQ(e.what(), "Socket Error #10060\r\nConnection timed out.");
        }
        const long long elapsed = MillisecondsSince(start);
        EXPECT_GE(elapsed, 280);
        EXPECT_LT(elapsed, 2000);
        EXPECT_GE(idles, 4);  // slices of at most 50 ms
        EXPECT_FALSE(client.Connected());
        EXPECT_TRUE(server.Ended(0));  // the client really let go of the socket
    }
}

// Urgent data never arrives through recv: a read that waits on it must go on
// waiting as usual, with the idle hook, until its time-out, instead of
// spinning on a socket that looks ready forever.
TEST(WireSockets, UrgentDataNeitherSpinsNorStarvesTheOwner) {
    TScriptedServer server({TScript().Send("+OK\r\n").Pause(100).SendUrgent("!").StaySilent()});
    TSocketClient client;
    client.Port = server.Port();
    client.TimeoutMs = 600;
    int idles = 0;
    client.OnIdle = [&idles] { ++idles; };
    client.Connect();
    EXPECT_EQ(client.ReadLn(), "+OK");
    const auto start = TClock::now();
    try {
        client.ReadLn();
        FAIL() << "no time-out";
    } catch (const EWireSocketError& e) {
        EXPECT_EQ(e.LastError, 10060);
    }
    const long long elapsed = MillisecondsSince(start);
    EXPECT_GE(elapsed, 550);
    EXPECT_LT(elapsed, 3000);
    EXPECT_GE(idles, 8);
}

// A peer that sends bytes without a line end cannot make the receive buffer
// grow past the line bound; the connection is dropped with a defined error.
TEST(WireSockets, EndlessLineIsCutAtItsBound) {
    TScriptedServer server({TScript().Send(std::string(400000, 'x')).StaySilent()});
    TSocketClient client;
    client.Port = server.Port();
    client.MaxLineBytes = 100000;
    std::size_t largest = 0;
    client.OnDebugRead = [&largest](TWireSocket& s) {
        largest = std::max(largest, s.BufferCapacity());
    };
    client.Connect();
    try {
        client.ReadLn();
        FAIL() << "a line without end was read";
    } catch (const EWireReplyTooLong& e) {
        EXPECT_STREQ(e.what(), "Reply line too long.");
    }
    EXPECT_FALSE(client.Connected());
    EXPECT_LE(largest, 100000u + 4 * 8192u);
    EXPECT_TRUE(server.Ended(0));
}

TEST(WireSockets, GarbageNeverCrashesTheLineReader) {
    std::vector<TScript> scripts;
    for (unsigned seed = 1; seed <= 4; ++seed)
        scripts.push_back(TScript().Garbage(200000, seed).Close());
    TScriptedServer server(scripts);
    for (unsigned seed = 1; seed <= 4; ++seed) {
        TSocketClient client;
        client.Port = server.Port();
        client.Connect();
        size_t total = 0;
        try {
            for (;;) total += client.ReadLn().size() + 2;
        } catch (const EWireConnClosedGraceful&) {
        }
        EXPECT_LE(total, 200000u);
        EXPECT_FALSE(client.Connected());
    }
}

TEST(WireSockets, ConnectFailuresReportTheirOwnCause) {
    struct TCase {
        const char* Name;
        std::string Host;
        int Port;
        int Code;
        const char* Message;
    };
    const std::vector<TCase> cases = {
        {"refused", "127.0.0.1", TScriptedServer::UnusedPort(), 10061,
         "Socket Error #10061\r\nConnection refused."},
        {"unknown host", "no-such-host.invalid", 110, 11001,
         "Socket Error #11001\r\nHost not found."},
    };
    for (const TCase& c : cases) {
        SCOPED_TRACE(c.Name);
        TSocketClient client;
        client.Host = c.Host;
        client.Port = c.Port;
        try {
            client.Connect();
            FAIL() << "connected";
        } catch (const EWireSocketError& e) {
            EXPECT_EQ(e.LastError, c.Code);
            EXPECT_STREQ(e.what(), c.Message);
        }
        EXPECT_FALSE(client.Connected());
        EXPECT_EQ(client.Statuses, (std::vector<std::string>{"Connecting to " + c.Host,
                                                             "Disconnecting", "Disconnected"}));
    }
}

TEST(WireSockets, LowerCaseLocalhostAndConnectWhileConnected) {
    TScriptedServer server({TScript().Send("+OK one\r\n").Expect().Send("+OK two\r\n")});
    TSocketClient client;
    client.Host = "localhost";
    client.Port = server.Port();
    client.Connect();
    EXPECT_EQ(client.ResolvedAddress, "127.0.0.1");
    try {
        client.Connect();
        FAIL() << "connected twice";
    } catch (const EWireAlreadyConnected& e) {
        EXPECT_STREQ(e.what(), "Already connected.");
    }
    EXPECT_TRUE(client.Connected());
    EXPECT_EQ(client.ReadLn(), "+OK one");
    EXPECT_EQ(client.SendCmd("STAT", 1), 1);
    EXPECT_EQ(client.ReplyText, "+OK two");
    EXPECT_EQ(server.Accepted(), 1);
}

// Wine's recv answers a reset with 0 bytes, so there it arrives as a close;
// Windows and Linux report 10054.
TEST(WireSockets, ResetByPeerEndsTheRead) {
    TScriptedServer server({TScript().Send("+OK\r\n").Pause(50).Reset()});
    TSocketClient client;
    client.Port = server.Port();
    client.Connect();
    EXPECT_EQ(client.ReadLn(), "+OK");
    try {
        client.ReadLn();
        FAIL() << "no error";
    } catch (const EWireSocketError& e) {
        EXPECT_EQ(e.LastError, 10054);
        EXPECT_STREQ(e.what(), "Socket Error #10054\r\nConnection reset by peer.");
#ifdef _WIN32
    } catch (const EWireConnClosedGraceful&) {
        EXPECT_FALSE(client.Connected());
#endif
    }
}

}  // namespace
}  // namespace vexil

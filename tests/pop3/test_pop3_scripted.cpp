// The POP3 session over real sockets against a scripted server: what a real
// mail server will not do on demand (bad greetings, refusals, hang-ups,
// trickling bytes, silence, garbage).
#include <gtest/gtest.h>

#include <chrono>
#include <string>
#include <vector>

#include "pop3/WirePOP3.h"
#include "support/ScriptedServer.h"

namespace vexil {
namespace {

using test::TScript;
using test::TScriptedServer;
using Clock = std::chrono::steady_clock;

const std::string kTimedOut = "Socket Error #10060\r\nConnection timed out.";

// A logged-in start: greeting, then "User" and "Pass" accepted.
TScript LoggedIn() {
    TScript s;
    s.Send("+OK ready\r\n").Expect().Send("+OK\r\n").Expect().Send("+OK Logged in.\r\n");
    return s;
}

struct TClient {
    explicit TClient(const TScriptedServer& server, int timeoutMs = 5000) {
        pop.Host = "127.0.0.1";
        pop.Port = server.Port();
        pop.UserID = "alice";
        pop.Password = "s3cret";
        pop.TimeoutMs = timeoutMs;
        pop.Security = TSecurity::None;  // the scripts play plain sessions
        pop.OnStatus = [this](TWireSocket&, const std::string& text) { status.push_back(text); };
    }
    TWirePOP3 pop;
    std::vector<std::string> status;
};

int ElapsedMs(Clock::time_point start) {
    return static_cast<int>(std::chrono::duration_cast<std::chrono::milliseconds>(Clock::now() - start).count());
}

TEST(POP3Scripted, EveryCommandAsTheServerReadsIt) {
    TScript script = LoggedIn();
    script.Expect().Send("+OK\r\n1 a\r\n2 b\r\n.\r\n")
        .Expect().Send("+OK 2 345\r\n")
        .Expect().Send("+OK\r\nSubject: One\r\n\r\n.\r\n")
        .Expect().Send("+OK 30 octets\r\nSubject: One\r\n\r\nHi\r\n.\r\n")
        .Expect().Send("+OK marked\r\n")
        .Expect();
    TScriptedServer server({script});
    TClient c(server);
    c.pop.Connect();
    EXPECT_EQ(c.pop.CheckMessages(), 2);
    EXPECT_EQ(c.pop.GetMessageSize(2), "345");
    TWireMessage msg;
    EXPECT_TRUE(c.pop.RetrieveHeader(1, msg));
    EXPECT_TRUE(c.pop.Retrieve(1, msg, 30));
    EXPECT_EQ(msg.Text, std::vector<std::string>{"Hi"});
    EXPECT_TRUE(c.pop.Delete(1));
    c.pop.Disconnect();
    EXPECT_EQ(server.Lines(0, 8), (std::vector<std::string>{"User alice", "Pass s3cret", "UIDL", "LIST 2",
                                                           "TOP 1 0", "RETR 1", "DELE 1", "Quit"}));
    EXPECT_TRUE(server.Ended(0));
}

TEST(POP3Scripted, RefusedGreetingSaysQuitAndCloses) {
    const std::vector<std::string> greetings = {"-ERR too many connections", "+ok lower case"};
    std::vector<TScript> scripts;
    for (const std::string& g : greetings) scripts.push_back(TScript().Send(g + "\r\n").Expect());
    TScriptedServer server(scripts);
    for (size_t i = 0; i < greetings.size(); ++i) {
        SCOPED_TRACE(greetings[i]);
        TClient c(server);
        try {
            c.pop.Connect();
            ADD_FAILURE() << "greeting accepted";
        } catch (const EWireConnectRefused& e) {
            EXPECT_EQ(std::string(e.what()), greetings[i]);
        }
        EXPECT_FALSE(c.pop.Connected());
        EXPECT_EQ(server.Lines(i, 1), std::vector<std::string>{"Quit"});
        EXPECT_TRUE(server.Ended(i));
        EXPECT_EQ(c.status, (std::vector<std::string>{"Connecting to 127.0.0.1", "Socket Connected",
                                                      "Disconnecting", "Disconnected"}));
    }
}

// A server that greets, takes the login and then hangs up, after every byte
// of its listing in turn: the count is what arrived whole, the status says why
// it stopped.
TEST(POP3Scripted, HangUpAtEveryPointOfAListing) {
    const std::string listing = "+OK\r\n1 a\r\n2 b\r\n.\r\n";
    std::vector<TScript> scripts;
    for (size_t cut = 0; cut < listing.size(); ++cut)
        scripts.push_back(LoggedIn().Expect().Send(listing.substr(0, cut)).Close());
    TScriptedServer server(scripts);
    for (size_t cut = 0; cut < listing.size(); ++cut) {
        SCOPED_TRACE(cut);
        TClient c(server);
        c.pop.Connect();
        const int expected = cut < 10 ? 0 : cut < 15 ? 1 : 2;
        EXPECT_EQ(c.pop.CheckMessages(), expected);
        EXPECT_EQ(c.status.back(), "Connection Closed Gracefully.");
        EXPECT_FALSE(c.pop.Connected());
        c.pop.Disconnect();  // nothing left to say goodbye to
        EXPECT_EQ(server.Lines(cut, 3), (std::vector<std::string>{"User alice", "Pass s3cret", "UIDL"}));
    }
}

TEST(POP3Scripted, HangUpInsideAMessageReachesTheCaller) {
    const std::string reply = "+OK\r\nSubject: s\r\n\r\nbody\r\n";
    std::vector<TScript> scripts;
    for (size_t cut : {size_t{0}, size_t{3}, size_t{12}, reply.size()})
        scripts.push_back(LoggedIn().Expect().Send(reply.substr(0, cut)).Close());
    TScriptedServer server(scripts);
    for (size_t i = 0; i < scripts.size(); ++i) {
        SCOPED_TRACE(i);
        TClient c(server);
        c.pop.Connect();
        TWireMessage msg;
        EXPECT_THROW(c.pop.Retrieve(1, msg, 100), EWireConnClosedGraceful);
        EXPECT_FALSE(c.pop.Connected());
    }
}

TEST(POP3Scripted, BytesTricklingOneAtATime) {
    TScript script;
    script.SendSlowly("+OK ready\r\n", 1).Expect().SendSlowly("+OK\r\n", 1).Expect().SendSlowly("+OK\r\n", 1)
        .Expect().SendSlowly("+OK\r\n1 a\r\n2 b\r\n3 c\r\n.\r\n", 1)
        .Expect().SendSlowly("+OK 12 octets\r\nSubject: Slow\r\n\r\n..dot\r\n.\r\n", 1)
        .Expect();
    TScriptedServer server({script});
    TClient c(server);
    c.pop.Connect();
    EXPECT_EQ(c.pop.CheckMessages(), 3);
    TWireMessage msg;
    EXPECT_TRUE(c.pop.Retrieve(3, msg, 12));
    EXPECT_EQ(msg.Subject(), "Slow");
    EXPECT_EQ(msg.Text, std::vector<std::string>{".dot"});
    c.pop.Disconnect();
    EXPECT_EQ(server.Lines(0, 5).back(), "Quit");
}

TEST(POP3Scripted, MegabyteLinesAreCountedAndSkipped) {
    TScript script = LoggedIn();
    script.Expect().Send("+OK\r\n1 a\r\n").LongLine(1 << 20).Send("3 c\r\n.\r\n")
        .Expect().Send("+OK\r\nSubject: big\r\nX-Long: ").LongLine(1 << 20).Send("\r\n.\r\n")
        .Expect().Send("+OK 1 9\r\n")
        .Expect();
    TScriptedServer server({script});
    TClient c(server);
    c.pop.Connect();
    EXPECT_EQ(c.pop.CheckMessages(), 3);
    TWireMessage msg;
    EXPECT_TRUE(c.pop.RetrieveHeader(1, msg));
    EXPECT_EQ(msg.Subject(), "big");
    EXPECT_EQ(msg.HeaderValue("X-Long").size(), size_t{1} << 20);
    EXPECT_EQ(c.pop.GetMessageSize(1), "9");
    c.pop.Disconnect();
}

// Silence at each stage: the wait ends at the time-out, the window is kept
// alive meanwhile, and the dead connection gets no goodbye.
TEST(POP3Scripted, SilentServerTimesOut) {
    TScriptedServer server({TScript().StaySilent(), LoggedIn().Expect().Send("+OK\r\n1 a\r\n").StaySilent()});
    {
        SCOPED_TRACE("greeting");
        TClient c(server, 300);
        int idles = 0;
        c.pop.OnIdle = [&idles] { ++idles; };
        const auto start = Clock::now();
        try {
            c.pop.Connect();
            ADD_FAILURE() << "connected";
        } catch (const EWireSocketError& e) {
            EXPECT_EQ(e.LastError, 10060);
            EXPECT_EQ(std::string(e.what()), kTimedOut);
        }
        EXPECT_GE(ElapsedMs(start), 250);
        EXPECT_LT(ElapsedMs(start), 3000);
        EXPECT_GE(idles, 3);
        EXPECT_FALSE(c.pop.Connected());
        EXPECT_TRUE(server.Ended(0));
        EXPECT_TRUE(server.Lines(0).empty());
    }
    {
        SCOPED_TRACE("listing");
        TClient c(server, 300);
        c.pop.Connect();
        const auto start = Clock::now();
        EXPECT_EQ(c.pop.CheckMessages(), 1);
        EXPECT_LT(ElapsedMs(start), 3000);
        EXPECT_EQ(c.status.back(), kTimedOut);
        EXPECT_FALSE(c.pop.Connected());
        EXPECT_TRUE(server.Ended(1));
        EXPECT_EQ(server.Lines(1), (std::vector<std::string>{"User alice", "Pass s3cret", "UIDL"}));
    }
}

TEST(POP3Scripted, QuitIsNotWaitedFor) {
    TScriptedServer server({LoggedIn().Expect().StaySilent()});
    TClient c(server, 5000);
    c.pop.Connect();
    const auto start = Clock::now();
    c.pop.Disconnect();
    EXPECT_LT(ElapsedMs(start), 1000);
    EXPECT_FALSE(c.pop.Connected());
    EXPECT_EQ(server.Lines(0, 3).back(), "Quit");
    EXPECT_TRUE(server.Ended(0));
}

TEST(POP3Scripted, GarbageNeverPassesForAReply) {
    std::vector<TScript> scripts = {
        TScript().Garbage(3000, 7).Send("\r\n").Expect(),
        LoggedIn().Expect().Garbage(3000, 11).Close(),
        LoggedIn().Expect().Send("+OK\r\n").Garbage(100000, 13).Close(),
        LoggedIn().Expect().Send("+OK\r\nContent-Type: multipart/mixed; boundary=\"b\"\r\n\r\n--b\r\n")
            .Garbage(100000, 17).Close(),
    };
    TScriptedServer server(scripts);
    {
        SCOPED_TRACE("greeting");
        const std::string bytes = scripts[0].Steps[0].Bytes;
        TClient c(server);
        try {
            c.pop.Connect();
            ADD_FAILURE() << "greeting accepted";
        } catch (const EWireConnectRefused& e) {
            // The message is a C string: it ends at the first NUL byte.
            const std::string line = bytes.substr(0, bytes.find("\r\n"));
            EXPECT_TRUE(c.pop.ReplyText == line);
            EXPECT_TRUE(std::string(e.what()) == line.substr(0, line.find('\0')));
        }
        EXPECT_FALSE(c.pop.Connected());
    }
    {
        SCOPED_TRACE("listing");
        // Every whole line counts until one is exactly "."; the rest is cut off
        // by the close.
        const std::string bytes = TScript().Garbage(3000, 11).Steps.back().Bytes;
        int lines = 0;
        bool ended = false;
        for (size_t from = 0, end; !ended && (end = bytes.find("\r\n", from)) != std::string::npos; from = end + 2) {
            ended = bytes.compare(from, end - from, ".") == 0;
            if (!ended) ++lines;
        }
        TClient c(server);
        c.pop.Connect();
        const int expected = lines > 0 ? lines - 1 : 0;  // the first line is the reply
        EXPECT_EQ(c.pop.CheckMessages(), expected);
        EXPECT_EQ(c.pop.Connected(), ended);
    }
    for (size_t i = 2; i < scripts.size(); ++i) {
        SCOPED_TRACE(i);
        TClient c(server);
        c.pop.Connect();
        TWireMessage msg;
        EXPECT_THROW(c.pop.Retrieve(1, msg, 1000), EWireConnClosedGraceful);
        EXPECT_FALSE(c.pop.Connected());
    }
}

TEST(POP3Scripted, ResetByPeerShowsInTheStatus) {
    TScriptedServer server({LoggedIn().Expect().Send("+OK\r\n1 a\r\n").Pause(50).Reset()});
    TClient c(server);
    c.pop.Connect();
    EXPECT_EQ(c.pop.CheckMessages(), 1);
#ifdef _WIN32
    // Wine's Winsock reports a reset after buffered data as an orderly close.
    if (c.status.back() == "Connection Closed Gracefully.") return;
#endif
    EXPECT_EQ(c.status.back(), "Socket Error #10054\r\nConnection reset by peer.");
}

// Nothing listens on the port: the refusal itself reaches the caller, not a
// failed goodbye on a socket that never connected.
TEST(POP3Scripted, RefusedPortReportsConnectionRefused) {
    TWirePOP3 pop;
    pop.Host = "127.0.0.1";
    pop.Port = TScriptedServer::UnusedPort();
    pop.TimeoutMs = 5000;
    std::vector<std::string> status;
    pop.OnStatus = [&status](TWireSocket&, const std::string& text) { status.push_back(text); };
    try {
        pop.Connect();
        ADD_FAILURE() << "connected";
    } catch (const EWireSocketError& e) {
        EXPECT_EQ(e.LastError, 10061);
        EXPECT_EQ(std::string(e.what()), "Socket Error #10061\r\nConnection refused.");
    }
    EXPECT_FALSE(pop.Connected());
    EXPECT_EQ(status, (std::vector<std::string>{"Connecting to 127.0.0.1", "Disconnecting", "Disconnected"}));
}

}  // namespace
}  // namespace vexil

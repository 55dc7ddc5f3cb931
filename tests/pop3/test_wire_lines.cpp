// The line client over a transport held in memory: line reads, the receive
// buffer, replies, captures, progress, status and connect bookkeeping.
#include <gtest/gtest.h>

#include <chrono>
#include <cstring>
#include <functional>
#include <memory>
#include <sstream>
#include <string>
#include <vector>

#include "pop3/MemoryTransport.h"
#include "pop3/Wire.h"
#include "support/TempDir.h"

namespace vexil {
namespace {

class TTestClient : public TWireClient {
public:
    explicit TTestClient(std::unique_ptr<ITransport> transport)
        : TWireClient(std::move(transport)) {}
    using TWireClient::Established;

    // What a protocol's goodbye would see.
    std::vector<bool> EstablishedAtDisconnect;
    void Disconnect() override {
        EstablishedAtDisconnect.push_back(Established());
        TWireClient::Disconnect();
    }
};

struct TMemoryClient {
    TMemoryTransport* Transport;
    std::unique_ptr<TTestClient> Client;
    std::vector<std::string> Statuses;

    explicit TMemoryClient(const std::string& incoming, int chunk = 65536, int bufferChunk = 8192) {
        auto transport = std::make_unique<TMemoryTransport>(incoming, chunk);
        Transport = transport.get();
        Client = std::make_unique<TTestClient>(std::move(transport));
        Client->Host = "mail.example.org";
        Client->Port = 110;
        Client->BufferChunk = bufferChunk;
        Client->OnStatus = [this](TWireSocket&, const std::string& text) {
            Statuses.push_back(text);
        };
    }
    TTestClient& operator*() { return *Client; }
    TTestClient* operator->() { return Client.get(); }
};

// --------------------------------------------------------------- line reads

struct TLineCase {
    const char* Name;
    std::string Incoming;
    std::vector<std::string> Lines;
};

TEST(WireLines, ReadLnSplitsOnCrLfOnlyWhateverTheChunking) {
    const std::vector<TLineCase> cases = {
        {"plain", "+OK one\r\ntwo\r\n", {"+OK one", "two"}},
        {"empty lines", "\r\n\r\nx\r\n", {"", "", "x"}},
        {"lone CR and LF stay inside", "a\rb\nc\r\n\n\r\r\n", {"a\rb\nc", "\n\r"}},
        {"CR before CR LF", "a\r\r\nb\r\n", {"a\r", "b"}},
        {"bytes with bit 7 and NUL",
         std::string("\xE9t\xE9\0x\r\n", 7),
         {std::string("\xE9t\xE9\0x", 5)}},
    };
    for (const TLineCase& c : cases) {
        for (int chunk : {65536, 1, 2, 3}) {
            SCOPED_TRACE(std::string(c.Name) + ", chunk " + std::to_string(chunk));
            TMemoryClient m(c.Incoming, chunk, 16);
            m->Connect();
            for (const std::string& expected : c.Lines) EXPECT_EQ(m->ReadLn(), expected);
            EXPECT_THROW(m->ReadLn(), EWireConnClosedGraceful);
        }
    }
}

TEST(WireLines, CloseWithoutLineEndRaisesGracefulAndDisconnects) {
    for (int chunk : {65536, 1}) {
        TMemoryClient m("+OK", chunk);
        m->Connect();
        m.Statuses.clear();
        try {
            m->ReadLn();
            FAIL() << "no exception";
        } catch (const EWireConnClosedGraceful& e) {
            EXPECT_STREQ(e.what(), "Connection Closed Gracefully.");
        }
        EXPECT_FALSE(m->Connected());
        EXPECT_TRUE(m->GracefulClose);
        EXPECT_EQ(m.Statuses, (std::vector<std::string>{"Disconnecting", "Disconnected"}));
        // The dead connection gets no goodbye.
        EXPECT_EQ(m->EstablishedAtDisconnect, std::vector<bool>{false});
        EXPECT_THROW(m->WriteLn("Quit"), EWireClosedSocket);
    }
}

TEST(WireLines, ReadNonBlankLnSkipsBlankLinesAndTrims) {
    TMemoryClient m("\r\n \t\r\n\x01\r\n  +OK hello \t\r\n");
    m->Connect();
    EXPECT_EQ(m->ReadNonBlankLn(), "+OK hello");
}

TEST(WireLines, ReadBufferTakesExactCountsAndZeroReceivesOnce) {
    TMemoryClient m("abcdefgh", 3);
    m->Connect();
    EXPECT_EQ(m->ReadBuffer(5), "abcde");
    const int receives = m.Transport->ReceiveCount;
    EXPECT_EQ(m->ReadBuffer(0), "");
    EXPECT_EQ(m.Transport->ReceiveCount, receives + 1);
    EXPECT_EQ(m->ReadBuffer(3), "fgh");
}

TEST(WireLines, AsciiFilterClearsBitSeven) {
    TMemoryClient m("\xC1\xE2z\r\n", 1);
    m->ASCIIFilter = true;
    m->Connect();
    EXPECT_EQ(m->ReadLn(), "Abz");
}

// A listing read line by line must cost time in proportion to its size, not
// to its size times the buffer's: moving the held bytes down after every line
// costs next to nothing with a small buffer and hours with a large one.
TEST(WireLines, LongListingIsReadInLinearTimeWithinABoundedBuffer) {
    constexpr int kLines = 200000;
    std::string listing = "+OK\r\n";
    for (int i = 1; i <= kLines; ++i)
        listing += std::to_string(i) + " 000000" + std::to_string(i) + "\r\n";
    listing += ".\r\n";
    std::vector<long long> times;  // milliseconds
    for (int chunk : {8192, 1 << 20}) {
        SCOPED_TRACE("chunk " + std::to_string(chunk));
        TMemoryClient m(listing, chunk, chunk);
        m->Connect();
        const auto start = std::chrono::steady_clock::now();
        EXPECT_EQ(m->SendCmd("UIDL", 1), 1);
        std::vector<std::string> lines;
        EXPECT_EQ(m->Capture(&lines, {"."}), 1);
        times.push_back(std::chrono::duration_cast<std::chrono::milliseconds>(
                            std::chrono::steady_clock::now() - start)
                            .count());
        ASSERT_EQ(lines.size(), static_cast<size_t>(kLines));
        EXPECT_EQ(lines.back(), "200000 000000200000");
        EXPECT_LE(m->BufferCapacity(), static_cast<size_t>(3 * chunk));
    }
    EXPECT_LT(times[1], 10 * times[0] + 300) << "ms with an 8 KB buffer: " << times[0];
}

TEST(WireLines, BufferGrowsForALongLineAndShrinksBackAfterwards) {
    const std::string longLine(1 << 20, 'x');
    std::string incoming = longLine + "\r\n";
    for (int i = 0; i < 3000; ++i) incoming += "short\r\n";
    TMemoryClient m(incoming, 8192, 8192);
    m->Connect();
    EXPECT_EQ(m->BufferCapacity(), 8192u);
    EXPECT_EQ(m->ReadLn(), longLine);
    EXPECT_GT(m->BufferCapacity(), static_cast<size_t>(1 << 20));
    EXPECT_LE(m.Transport->ReceiveCount, 2 * (1 << 20) / 8192);
    m.Transport->Chunk = 16;
    for (int i = 0; i < 3000; ++i) ASSERT_EQ(m->ReadLn(), "short");
    EXPECT_LE(m->BufferCapacity(), 3u * 8192u);
}

// ------------------------------------------------------------------ replies

struct TReplyCase {
    const char* Name;
    std::string Incoming;
    int Code;
    std::string Text;
    std::vector<std::string> Lines;
};

TEST(WireReplies, GetResponseCodesTextsAndMultiLineReplies) {
    const std::vector<TReplyCase> cases = {
        {"blank lines before", "\r\n   \r\n  +OK ready  \r\n", 1, "+OK ready", {}},
        {"+OK followed by anything", "+OKAY\r\n", 1, "+OKAY", {}},
        {"-ERR", "-ERR no such message\r\n", 0, "-ERR no such message", {}},
        {"lower-case +ok is no +OK", "+ok\r\n", 0, "+ok", {}},
        {"numeric", "550 denied\r\n", 550, "550 denied", {}},
        {"not a number", "ab1 x\r\n", 0, "ab1 x", {}},
        {"short", "42\r\n", 42, "42", {}},
        {"multi-line coded",
         "250-first\r\n\r\n250-second\r\n250 last\r\nnext\r\n",
         250,
         "250 last",
         {"250-first", "250-second", "250 last"}},
        {"other code inside a multi-line reply",
         "220-a\r\n221 b\r\n220 c\r\n",
         220,
         "220 c",
         {"220-a", "221 b", "220 c"}},
    };
    for (const TReplyCase& c : cases) {
        for (int chunk : {65536, 1}) {
            SCOPED_TRACE(std::string(c.Name) + ", chunk " + std::to_string(chunk));
            TMemoryClient m(c.Incoming + "tail\r\n", chunk);
            m->Connect();
            EXPECT_EQ(m->GetResponse(), c.Code);
            EXPECT_EQ(m->ReplyCode, c.Code);
            EXPECT_EQ(m->ReplyText, c.Text);
            EXPECT_EQ(m->ReplyLines, c.Lines);
        }
    }
}

// What a reply may make the client keep in memory is bounded: a multi-line
// reply without end, blank lines without end, a capture into a list.  Past
// the bound the connection is dropped and the rest of the stream left unread.
TEST(WireReplies, RepliesPastTheirBoundDropTheConnection) {
    struct TCase {
        const char* Name;
        std::string Incoming;
        std::function<void(TTestClient&)> Read;
    };
    std::string multiLine, blank, listing;
    for (int i = 0; i < 40000; ++i) {  // more than one receive's worth
        multiLine += "250-more of the same\r\n";
        blank += "\r\n";
        listing += std::to_string(i) + " some-unique-id\r\n";
    }
    const std::vector<TCase> cases = {
        {"multi-line reply", multiLine, [](TTestClient& c) { c.SendCmd("NOOP", -1); }},
        {"blank lines", blank, [](TTestClient& c) { c.SendCmd("NOOP", -1); }},
        {"captured lines", "+OK\r\n" + listing + ".\r\n",
         [](TTestClient& c) {
             std::vector<std::string> lines;
             c.SendCmd("LIST", 1);
             c.Capture(&lines, {"."});
         }},
    };
    for (const TCase& c : cases) {
        SCOPED_TRACE(c.Name);
        TMemoryClient client(c.Incoming);
        client->MaxReplyBytes = 4096;
        client->Connect();
        try {
            c.Read(*client);
            FAIL() << "the whole reply was kept";
        } catch (const EWireReplyTooLong& e) {
            EXPECT_STREQ(e.what(), "Reply too long.");
        }
        EXPECT_FALSE(client->Connected());
        EXPECT_LT(client.Transport->ReadPos, c.Incoming.size());
    }
    // The bound is per reply: replies that stay under it one by one pass.
    std::string replies;
    for (int i = 0; i < 20; ++i) replies += "+OK " + std::string(400, 'r') + "\r\n";
    TMemoryClient client(replies);
    client->MaxReplyBytes = 4096;
    client->Connect();
    for (int i = 0; i < 20; ++i) EXPECT_EQ(client->SendCmd("NOOP", 1), 1);
}

TEST(WireReplies, SendCmdSendsTheCommandAndChecksTheCode) {
    TMemoryClient m("+OK 2 messages\r\n-ERR unknown command\r\n-ERR again\r\n+OK marker\r\n");
    m->Connect();
    EXPECT_EQ(m->SendCmd("UIDL", 1), 1);
    EXPECT_EQ(m.Transport->Sent, "UIDL\r\n");
    try {
        m->SendCmd("TOP 1 0", 1);
        FAIL() << "no exception";
    } catch (const EWireResponseError& e) {
        EXPECT_STREQ(e.what(), "-ERR unknown command");
    }
    EXPECT_EQ(m->SendCmd("DELE 1", -1), 0);  // -1 takes any reply
    // The byte-0 marker reads a reply without sending anything.
    EXPECT_EQ(m->SendCmd(std::string(1, '\0'), 1), 1);
    EXPECT_EQ(m.Transport->Sent, "UIDL\r\nTOP 1 0\r\nDELE 1\r\n");
    EXPECT_TRUE(m->Connected());
}

TEST(WireReplies, SendCmdStatusTextsAndIndent) {
    TMemoryClient m("+OK a\r\n+OK b\r\n+OK c\r\n-ERR d\r\n");
    m->Connect();
    m.Statuses.clear();
    m->SendCmd("A", 1, "*", 1);
    m->SendCmd("B", 1, "User Account is valid", 1);
    m->SendCmd("C", 1, "", 3);
    EXPECT_THROW(m->SendCmd("D", 1, "never shown"), EWireResponseError);
    EXPECT_EQ(m.Statuses, (std::vector<std::string>{"  +OK a", "  User Account is valid"}));
}

TEST(WireReplies, WriteSendsEverythingAcrossPartialSends) {
    TMemoryClient m("");
    m.Transport->SendChunk = 3;
    m->Connect();
    m->WriteLn("Pass secret words");
    m->Write("");
    EXPECT_EQ(m.Transport->Sent, "Pass secret words\r\n");
}

// ----------------------------------------------------------------- captures

TEST(WireCapture, DotUnstuffingAndTerminators) {
    const std::string body = "..leading\r\n. \r\n...\r\nplain\r\n.\r\n+OK next\r\n";
    for (int chunk : {65536, 1}) {
        SCOPED_TRACE(chunk);
        TMemoryClient m(body, chunk);
        m->Connect();
        std::vector<std::string> lines;
        EXPECT_EQ(m->Capture(&lines, {"."}), 1);
        EXPECT_EQ(lines, (std::vector<std::string>{".leading", ". ", "..", "plain"}));
        EXPECT_EQ(m->ReadLn(), "+OK next");  // nothing read past the terminator
    }
}

TEST(WireCapture, DestinationsAndTerminatorIndex) {
    const std::string body = "..a\r\nb\r\n--end\r\n";
    {  // no unstuffing unless "." comes first
        TMemoryClient m(body);
        m->Connect();
        std::vector<std::string> lines;
        EXPECT_EQ(m->Capture(&lines, {"--stop", "--end", "."}), 2);
        EXPECT_EQ(lines, (std::vector<std::string>{"..a", "b"}));
    }
    {
        TMemoryClient m(body);
        m->Connect();
        std::ostringstream stream;
        EXPECT_EQ(m->Capture(stream, {".", "--end"}), 2);
        EXPECT_EQ(stream.str(), ".a\r\nb\r\n");
    }
    {
        TMemoryClient m(body);
        m->Connect();
        std::vector<std::string> seen;
        m->OnCaptureLine = [&seen](const std::string& line) { seen.push_back(line); };
        EXPECT_EQ(m->Capture(nullptr, {".", "--end"}), 2);
        EXPECT_EQ(seen, (std::vector<std::string>{".a", "b"}));
        m->OnCaptureLine = nullptr;  // no destination at all: lines dropped
    }
}

TEST(WireCapture, CaptureRunsIntoTheCloseWhenNoTerminatorComes) {
    TMemoryClient m("one\r\ntwo\r\n");
    m->Connect();
    std::vector<std::string> lines;
    EXPECT_THROW(m->Capture(&lines, {"."}), EWireConnClosedGraceful);
    EXPECT_EQ(lines, (std::vector<std::string>{"one", "two"}));
    EXPECT_FALSE(m->Connected());
}

TEST(WireCapture, CaptureDecodedQuotedPrintableKeepsLinesAndTerminators) {
    const std::string body =
        "caf=E9 cr=C3=A8me=\r\n"
        "soft break=20\r\n"
        "..dotted =3D\r\n"
        "=2E\r\n"
        "--==_b1==\r\n"
        "after\r\n"
        ".\r\n";
    TMemoryClient m(body, 1);
    m->Connect();
    std::vector<std::string> lines;
    EXPECT_EQ(m->CaptureDecoded(&lines, {".", "--==_b1==", "--==_b1==--"}, "Quoted-Printable"), 2);
    // A decoded "=" at the end still goes, as for any other encoding.
    EXPECT_EQ(lines,
              (std::vector<std::string>{"caf\xE9 cr\xC3\xA8me", "soft break ", ".dotted ", "."}));
    lines.clear();
    EXPECT_EQ(m->CaptureDecoded(&lines, {"."}, "8bit"), 1);
    EXPECT_EQ(lines, std::vector<std::string>{"after"});
}

// ----------------------------------------------------------------- progress

TEST(WireProgress, OnWorkFiresOncePerKilobyteAndAtTheEnd) {
    std::string body;
    for (int i = 0; i < 50; ++i) body += std::string(98, 'a') + "\r\n";  // 5000 bytes
    TMemoryClient m("+OK\r\n" + body + ".\r\n", 100);
    std::vector<std::pair<int, int>> work;
    m->OnWork = [&work](TWireSocket&, int bytes, int size) { work.emplace_back(bytes, size); };
    m->Connect();
    m->ReadLn();  // before any BeginWork: size 0, nothing reported below a kilobyte
    EXPECT_TRUE(work.empty());
    m->Capture(nullptr, {"."});
    const std::vector<std::pair<int, int>> expected = {
        {1024 + 76, -1}, {2048 + 52, -1}, {3072 + 28, -1}, {4096 + 4, -1}, {-1, -1}};
    EXPECT_EQ(work, expected);
    // After EndWork, nothing until the next BeginWork.
    TMemoryClient idle(std::string(3000, 'x') + "\r\n", 100);
    std::vector<int> seen;
    idle->OnWork = [&seen](TWireSocket&, int bytes, int) { seen.push_back(bytes); };
    idle->Connect();
    idle->EndWork();
    idle->ReadLn();
    EXPECT_EQ(seen, std::vector<int>{-1});
}

// ------------------------------------------------------------------- status

TEST(WireStatus, HandlerExceptionsComeBackAsTheirOwnClass) {
    const std::string suffix = " occurred in user's OnStatus Event.";
    struct TCase {
        const char* Name;
        std::function<void()> Raise;
        std::function<bool(const std::exception&)> SameClass;
        std::string Message;
    };
    const std::vector<TCase> cases = {
        {"response", [] { throw EWireResponseError("-ERR x"); },
         [](const std::exception& e) {
             return dynamic_cast<const EWireResponseError*>(&e) != nullptr;
         },
         "-ERR x"},
        {"socket", [] { throw EWireSocketError(10054); },
         [](const std::exception& e) {
             auto* s = dynamic_cast<const EWireSocketError*>(&e);
             return s && s->LastError == 10054;
         },
         "Socket Error #10054\r\nConnection reset by peer."},
        {"graceful", [] { throw EWireConnClosedGraceful(); },
         [](const std::exception& e) {
             return dynamic_cast<const EWireConnClosedGraceful*>(&e) != nullptr;
         },
         "Connection Closed Gracefully."},
        {"runtime", [] { throw std::runtime_error("boom"); },
         [](const std::exception& e) {
             return dynamic_cast<const std::runtime_error*>(&e) &&
                    !dynamic_cast<const EWireException*>(&e);
         },
         "boom"},
    };
    for (const TCase& c : cases) {
        SCOPED_TRACE(c.Name);
        TMemoryClient m("");
        m->OnStatus = [&c](TWireSocket&, const std::string&) { c.Raise(); };
        try {
            m->DoStatus("x");
            FAIL() << "no exception";
        } catch (const std::exception& e) {
            EXPECT_TRUE(c.SameClass(e));
            EXPECT_EQ(e.what(), c.Message + suffix);
        }
    }
}

TEST(WireStatus, DisconnectNeverRaisesAndDestructionFiresNoStatus) {
    TMemoryClient m("");
    m->Connect();
    m->OnStatus = [](TWireSocket&, const std::string&) { throw std::runtime_error("handler"); };
    EXPECT_NO_THROW(m->Disconnect());
    EXPECT_FALSE(m->Connected());

    auto fired = std::make_shared<int>(0);
    {
        TMemoryClient n("");
        n->Connect();
        n->OnStatus = [fired](TWireSocket&, const std::string&) { ++*fired; };
    }
    EXPECT_EQ(*fired, 0);
}

// ------------------------------------------------------------------ connect

TEST(WireConnect, StatusTextsAndAddressResolution) {
    struct TCase {
        std::string Host;
        std::string Resolved;
        bool LookedUp;
    };
    const std::vector<TCase> cases = {
        {"localhost", "127.0.0.1", false},
        {"LocalHost", "127.0.0.1", false},
        {"10.1.2.3", "10.1.2.3", false},
        {"255.255.255.255", "255.255.255.255", false},
        {"mail.example.org", "127.0.0.1", true},
        {"010.1.2.3", "127.0.0.1", true},
        {"1.2.3", "127.0.0.1", true},
        {"1.2.3.4.5", "127.0.0.1", true},
        {"256.1.1.1", "127.0.0.1", true},
        {"1.2.3.4 ", "127.0.0.1", true},
    };
    for (const TCase& c : cases) {
        SCOPED_TRACE(c.Host);
        TMemoryClient m("");
        m->Host = c.Host;
        m->Port = 995;
        m->Connect();
        EXPECT_EQ(m->ResolvedAddress, c.Resolved);
        EXPECT_EQ(m.Transport->ResolvedHosts.size(), c.LookedUp ? 1u : 0u);
        EXPECT_EQ(m.Transport->ConnectedPort, 995);
        EXPECT_EQ(m.Statuses,
                  (std::vector<std::string>{"Connecting to " + c.Host, "Socket Connected"}));
        EXPECT_TRUE(m->Established());
        m->Disconnect();
        EXPECT_EQ(m->ResolvedAddress, "");
        EXPECT_EQ(m.Statuses.back(), "Disconnected");
    }
    TMemoryClient dotted("");
    dotted->Host = "192.168.1.20";
    dotted->Connect();
    const unsigned char expected[4] = {192, 168, 1, 20};
    EXPECT_EQ(std::memcmp(&dotted.Transport->ConnectedAddress, expected, 4), 0);
}

TEST(WireConnect, ConnectWhileConnectedKeepsTheConnection) {
    TMemoryClient m("+OK hi\r\n");
    m->Connect();
    try {
        m->Connect();
        FAIL() << "no exception";
    } catch (const EWireAlreadyConnected& e) {
        EXPECT_STREQ(e.what(), "Already connected.");
    }
    EXPECT_TRUE(m->Connected());
    EXPECT_EQ(m.Transport->ConnectCount, 1);
    EXPECT_EQ(m->ReadLn(), "+OK hi");
}

TEST(WireConnect, FailedConnectReportsItsOwnErrorAndSaysNoGoodbye) {
    for (bool failResolve : {true, false}) {
        SCOPED_TRACE(failResolve ? "resolve" : "connect");
        TMemoryClient m("");
        (failResolve ? m.Transport->ResolveError : m.Transport->ConnectError) =
            failResolve ? kWsaHostNotFound : kWsaConnRefused;
        try {
            m->Connect();
            FAIL() << "no exception";
        } catch (const EWireSocketError& e) {
            EXPECT_EQ(e.LastError, failResolve ? 11001 : 10061);
        }
        EXPECT_FALSE(m->Connected());
        EXPECT_EQ(m->EstablishedAtDisconnect, std::vector<bool>{false});
        EXPECT_EQ(m.Statuses, (std::vector<std::string>{"Connecting to mail.example.org",
                                                        "Disconnecting", "Disconnected"}));
    }
}

TEST(WireConnect, NagleSwitchAndTimeOutDisconnects) {
    TMemoryClient m("+OK\r\n");
    m->UseNagle = false;
    m->Connect();
    EXPECT_TRUE(m.Transport->NoDelay);
    m.Transport->EndError = kWsaTimedOut;
    m->ReadLn();
    try {
        m->ReadLn();
        FAIL() << "no exception";
    } catch (const EWireSocketError& e) {
        EXPECT_EQ(e.LastError, 10060);
        EXPECT_STREQ(e.what(), "Socket Error #10060\r\nConnection timed out.");
    }
    EXPECT_FALSE(m->Connected());
    EXPECT_EQ(m->EstablishedAtDisconnect, std::vector<bool>{false});
}

TEST(WireConnect, LogFileHoldsTheExchange) {
    test::TTempDir dir;
    const std::string path = dir.File("wire.log");
    test::WriteFileBytes(path, "stale");
    TMemoryClient m("\r\n+OK ready\r\n250-a\r\n250 b\r\n");
    m->LogFile = path;
    m->Connect();
    m->SendCmd(std::string(1, '\0'), 1);
    m->SendCmd("NOOP", 250);
    m->Disconnect();
    EXPECT_EQ(test::ReadFileBytes(path),
              "I: +OK ready\r\n\r\nO: NOOP\r\nI: 250-a\r\n\r\nI: 250 b\r\n\r\n");
}

TEST(WireErrors, SocketErrorMessages) {
    EXPECT_EQ(SocketErrorText(10035), "Operation would block. ");
    EXPECT_EQ(SocketErrorText(11004), "Valid name, no data record (check DNS setup).");
    EXPECT_EQ(std::string(EWireSocketError(11001).what()),
              "Socket Error #11001\r\nHost not found.");
    EXPECT_EQ(std::string(EWireSocketError(12345).what()), "Socket Error #12345\r\n");
    EXPECT_EQ(EWireSocketError(10061).LastError, 10061);
}

}  // namespace
}  // namespace vexil

// The POP3 session over a server played from memory: the exact commands, the
// outcome of every refusal, and a connection that breaks at every point.
#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "pop3/MemoryTransport.h"
#include "pop3/WirePOP3.h"

namespace vexil {
namespace {

const std::string kLogin = "+OK Dovecot ready.\r\n+OK\r\n+OK Logged in.\r\n";
const std::string kLoginSent = "User alice\r\nPass s3cret\r\n";

// A session whose server says `incoming` (greeting and login included), handing
// out at most `chunk` bytes per receive.
struct TPlayedSession {
    explicit TPlayedSession(const std::string& incoming, int chunk = 65536) {
        auto transport = std::make_unique<TMemoryTransport>(incoming, chunk);
        wire = transport.get();
        pop = std::make_unique<TWirePOP3>(std::move(transport));
        pop->Host = "mail.example.org";
        pop->UserID = "alice";
        pop->Password = "s3cret";
        pop->Security = TSecurity::None;  // the session itself; its security has tests of its own
        pop->OnStatus = [this](TWireSocket&, const std::string& text) { status.push_back(text); };
    }
    // What the client sent after logging in.
    std::string SentAfterLogin() const {
        EXPECT_EQ(wire->Sent.compare(0, kLoginSent.size(), kLoginSent), 0) << wire->Sent;
        return wire->Sent.substr(std::min(kLoginSent.size(), wire->Sent.size()));
    }
    bool Saw(const std::string& text) const {
        return std::find(status.begin(), status.end(), text) != status.end();
    }

    TMemoryTransport* wire;
    std::unique_ptr<TWirePOP3> pop;
    std::vector<std::string> status;
};

TEST(POP3Session, DefaultPortIs110) {
    EXPECT_EQ(TWirePOP3().Port, 110);
}

TEST(POP3Session, LoginSendsUserAndPassAndReportsEachStep) {
    TPlayedSession s(kLogin);
    s.pop->Connect();
    EXPECT_EQ(s.wire->Sent, kLoginSent);
    EXPECT_TRUE(s.pop->Connected());
    EXPECT_EQ(s.wire->ConnectedPort, 110);
    EXPECT_EQ(s.status, (std::vector<std::string>{"Connecting to mail.example.org", "Socket Connected",
                                                  "Connected", "  User Account is valid",
                                                  "  Password is valid"}));
    EXPECT_EQ(s.pop->ReplyText, "+OK Logged in.");
}

// Each operation, the reply it gets, and the exact bytes it sends.
TEST(POP3Session, SendsEachCommandExactlyAsWritten) {
    struct TCase {
        const char* name;
        std::string reply;
        std::function<std::string(TWirePOP3&)> run;
        std::string sent, result;
    };
    TWireMessage msg;
    const std::vector<TCase> cases = {
        {"count", "+OK\r\n1 00000001\r\n2 00000002\r\n.\r\n",
         [](TWirePOP3& p) { return std::to_string(p.CheckMessages()); }, "UIDL\r\n", "2"},
        {"size", "+OK 2 345\r\n", [](TWirePOP3& p) { return p.GetMessageSize(2); }, "LIST 2\r\n", "345"},
        {"size, two digits", "+OK 12 7\r\n", [](TWirePOP3& p) { return p.GetMessageSize(12); },
         "LIST 12\r\n", "7"},
        {"header", "+OK\r\nSubject: Hi\r\n\r\n.\r\n",
         [&msg](TWirePOP3& p) { return std::to_string(p.RetrieveHeader(1, msg)); }, "TOP 1 0\r\n", "1"},
        {"message", "+OK 30 octets\r\nSubject: Hi\r\n\r\nHello\r\n.\r\n",
         [&msg](TWirePOP3& p) { return std::to_string(p.Retrieve(1, msg, 30)); }, "RETR 1\r\n", "1"},
        {"delete", "+OK\r\n", [](TWirePOP3& p) { return std::to_string(p.Delete(1)); }, "DELE 1\r\n", "1"},
        {"quit", "", [](TWirePOP3& p) { return p.Disconnect(), std::to_string(p.Connected()); },
         "Quit\r\n", "0"},
    };
    for (const TCase& c : cases) {
        SCOPED_TRACE(c.name);
        TPlayedSession s(kLogin + c.reply);
        s.pop->Connect();
        EXPECT_EQ(c.run(*s.pop), c.result);
        EXPECT_EQ(s.SentAfterLogin(), c.sent);
    }
}

TEST(POP3Session, GreetingMustStartWithOkExactly) {
    struct TCase {
        std::string greeting;
        bool accepted;
    };
    const std::vector<TCase> cases = {
        {"+OK", true},          {"+OKAY whatever follows", true},
        {"+ok POP3 ready", false}, {"-ERR too busy", false},
        {"+O", false},          {"", false},
        {" +OK leading blank", false}, {"220 smtp.example.org ESMTP", false},
    };
    for (const TCase& c : cases) {
        SCOPED_TRACE(c.greeting);
        TPlayedSession s(c.greeting + "\r\n+OK\r\n+OK\r\n");
        if (c.accepted) {
            EXPECT_NO_THROW(s.pop->Connect());
            EXPECT_EQ(s.wire->Sent, kLoginSent);
            continue;
        }
        try {
            s.pop->Connect();
            ADD_FAILURE() << "greeting accepted";
        } catch (const EWireConnectRefused& e) {
            EXPECT_EQ(std::string(e.what()), c.greeting);
        }
        // Goodbye said, nothing else; the socket is closed.
        EXPECT_EQ(s.wire->Sent, "Quit\r\n");
        EXPECT_FALSE(s.pop->Connected());
        EXPECT_FALSE(s.Saw("Connected"));
        EXPECT_EQ(s.status.back(), "Disconnected");
    }
}

TEST(POP3Session, RefusedLoginRaisesTheServersLineAndCloses) {
    struct TCase {
        std::string replies, sent, error;
    };
    const std::vector<TCase> cases = {
        {"+OK hi\r\n-ERR no such user\r\n", "User alice\r\nQuit\r\n", "-ERR no such user"},
        {"+OK hi\r\n+OK\r\n-ERR [AUTH] Authentication failed.\r\n", kLoginSent + "Quit\r\n",
         "-ERR [AUTH] Authentication failed."},
        // Blank lines before a reply are skipped, the reply itself trimmed.
        {"+OK hi\r\n+OK\r\n\r\n  -ERR [IN-USE] busy  \r\n", kLoginSent + "Quit\r\n", "-ERR [IN-USE] busy"},
    };
    for (const TCase& c : cases) {
        SCOPED_TRACE(c.error);
        TPlayedSession s(c.replies);
        try {
            s.pop->Connect();
            ADD_FAILURE() << "login accepted";
        } catch (const EWireResponseError& e) {
            EXPECT_EQ(std::string(e.what()), c.error);
        }
        EXPECT_EQ(s.wire->Sent, c.sent);
        EXPECT_FALSE(s.pop->Connected());
        EXPECT_FALSE(s.Saw("  Password is valid"));
    }
}

// A connection that never came up is not said goodbye to: the caller gets the
// connect's own error, not "Socket is not connected.".
TEST(POP3Session, FailedConnectKeepsItsOwnError) {
    struct TCase {
        int resolveError, connectError, expected;
        const char* text;
    };
    const std::vector<TCase> cases = {
        {0, kWsaConnRefused, 10061, "Socket Error #10061\r\nConnection refused."},
        {kWsaHostNotFound, 0, 11001, "Socket Error #11001\r\nHost not found."},
        {0, kWsaTimedOut, 10060, "Socket Error #10060\r\nConnection timed out."},
        {0, 10065, 10065, "Socket Error #10065\r\nNo route to host."},
    };
    for (const TCase& c : cases) {
        SCOPED_TRACE(c.expected);
        TPlayedSession s("+OK\r\n");
        s.wire->ResolveError = c.resolveError;
        s.wire->ConnectError = c.connectError;
        try {
            s.pop->Connect();
            ADD_FAILURE() << "connected";
        } catch (const EWireSocketError& e) {
            EXPECT_EQ(e.LastError, c.expected);
            EXPECT_EQ(std::string(e.what()), c.text);
        }
        EXPECT_EQ(s.wire->Sent, "");
        EXPECT_FALSE(s.pop->Connected());
        EXPECT_FALSE(s.Saw("Socket Connected"));
    }
}

// The login failed for a reason of its own; that the goodbye could not be
// sent either must not hide it.
TEST(POP3Session, RefusedGreetingStaysTheErrorWhenQuitCannotBeSent) {
    TPlayedSession s("-ERR go away\r\n");
    s.wire->SendError = 10054;
    EXPECT_THROW(s.pop->Connect(), EWireConnectRefused);
    EXPECT_FALSE(s.pop->Connected());
}

TEST(POP3Session, QuitThatCannotBeSentRaisesAfterClosing) {
    TPlayedSession s(kLogin);
    s.pop->Connect();
    s.wire->SendError = 10054;
    try {
        s.pop->Disconnect();
        ADD_FAILURE() << "no error";
    } catch (const EWireSocketError& e) {
        EXPECT_EQ(e.LastError, 10054);
    }
    EXPECT_FALSE(s.pop->Connected());
    EXPECT_EQ(s.status.back(), "Disconnected");
}

TEST(POP3Session, QuitReplyIsNotWaitedFor) {
    TPlayedSession s(kLogin);  // nothing follows: a read would meet the close
    s.pop->Connect();
    const int receives = s.wire->ReceiveCount;
    s.pop->Disconnect();
    EXPECT_EQ(s.wire->ReceiveCount, receives);
    EXPECT_EQ(s.SentAfterLogin(), "Quit\r\n");
    EXPECT_EQ(s.status, (std::vector<std::string>{"Connecting to mail.example.org", "Socket Connected",
                                                  "Connected", "  User Account is valid",
                                                  "  Password is valid", "Disconnecting", "Disconnected"}));
}

TEST(POP3Session, CountIsTheNumberOfUniqueIdLines) {
    struct TCase {
        std::string listing;
        int count;
    };
    const std::vector<TCase> cases = {
        {"+OK\r\n.\r\n", 0},
        {"+OK 3 messages\r\n1 a\r\n2 b\r\n3 c\r\n.\r\n", 3},
        // Only a line that is exactly "." ends the listing.
        {"+OK\r\n1 a\r\n. \r\n..\r\n\r\n.\r\n", 4},
    };
    for (const TCase& c : cases) {
        SCOPED_TRACE(c.listing);
        TPlayedSession s(kLogin + c.listing + "+OK 1 5\r\n");
        s.pop->Connect();
        EXPECT_EQ(s.pop->CheckMessages(), c.count);
        EXPECT_TRUE(s.Saw("Checking for messages"));
        // The listing was read to its end and no further.
        EXPECT_EQ(s.pop->GetMessageSize(1), "5");
    }
}

// What a "-ERR" does to each command, and that the session goes on after it.
TEST(POP3Session, RefusalOfEachCommand) {
    TWireMessage msg;
    msg.Headers = {"Subject=old"};
    struct TCase {
        const char* name;
        std::function<std::string(TWirePOP3&)> run;
        std::string result;  // "raise" when the refusal reaches the caller
        bool statusShowsReply;
    };
    const std::vector<TCase> cases = {
        {"LIST", [](TWirePOP3& p) { return p.GetMessageSize(9); }, "", true},
        {"TOP", [&msg](TWirePOP3& p) { return std::to_string(p.RetrieveHeader(9, msg)); }, "raise", false},
        {"RETR", [&msg](TWirePOP3& p) { return std::to_string(p.Retrieve(9, msg, 10)); }, "0", false},
        {"DELE", [](TWirePOP3& p) { return std::to_string(p.Delete(9)); }, "0", false},
    };
    for (const TCase& c : cases) {
        SCOPED_TRACE(c.name);
        TPlayedSession s(kLogin + "-ERR not here\r\n+OK 2 500\r\n");
        s.pop->Connect();
        if (c.result == "raise") {
            try {
                c.run(*s.pop);
                ADD_FAILURE() << "no error";
            } catch (const EWireResponseError& e) {
                EXPECT_EQ(std::string(e.what()), "-ERR not here");
            }
        } else {
            EXPECT_EQ(c.run(*s.pop), c.result);
        }
        EXPECT_EQ(s.Saw("-ERR not here"), c.statusShowsReply);
        // Nothing past the reply line was taken: the next command gets its own.
        EXPECT_TRUE(s.pop->Connected());
        EXPECT_EQ(s.pop->GetMessageSize(2), "500");
    }
    EXPECT_EQ(msg.Subject(), "old");  // a refused message leaves the object alone
}

// UIDL is optional (RFC 1939): without it the count comes from STAT, and the
// listing's ids are unknown.  A STAT refused too, or not a number, counts 0
// and shows the reply.
TEST(POP3Session, RefusedUidlIsCountedByStat) {
    const struct {
        const char* stat;
        int count;
        const char* shown;
    } cases[] = {
        {"+OK 2 500\r\n", 2, nullptr},
        {"+OK 0 0\r\n", 0, nullptr},
        {"-ERR no stat\r\n", 0, "-ERR no stat"},
        {"+OK many\r\n", 0, nullptr},
        {"+OK -3 0\r\n", 0, "+OK -3 0"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.stat);
        TPlayedSession s(kLogin + "-ERR no UIDL here\r\n" + c.stat + "+OK 1 7\r\n");
        s.pop->Connect();
        TUniqueIds ids;
        EXPECT_EQ(s.pop->CheckMessages(&ids), c.count);
        EXPECT_FALSE(ids.Known());
        EXPECT_EQ(s.SentAfterLogin(), "UIDL\r\nSTAT\r\n");
        if (c.shown) {
            EXPECT_TRUE(s.Saw(c.shown));
        }
        EXPECT_EQ(s.pop->GetMessageSize(1), "7");  // the session goes on
    }
}

TEST(POP3Session, SizeIsTheThirdWordOfTheReply) {
    struct TCase {
        std::string reply, size;
    };
    const std::vector<TCase> cases = {
        {"+OK 2 345", "345"},
        {"+OK 2 345 extra", "345 extra"},  // everything after the second blank
        {"+OK 2", ""},
        {"+OK", ""},
    };
    for (const TCase& c : cases) {
        SCOPED_TRACE(c.reply);
        TPlayedSession s(kLogin + c.reply + "\r\n");
        s.pop->Connect();
        EXPECT_EQ(s.pop->GetMessageSize(2), c.size);
    }
}

TEST(POP3Session, HeaderOnlyFillsTheMessageAndEndsAtTheDot) {
    TPlayedSession s(kLogin +
                     "+OK\r\nFrom: Bob <bob@example.org>\r\nTo: alice@example.org, carol@example.org\r\n"
                     "Subject: Lunch\r\n\tat noon\r\n\r\n.\r\n+OK 1 120\r\n");
    s.pop->Connect();
    TWireMessage msg;
    msg.Text = {"left over"};
    EXPECT_TRUE(s.pop->RetrieveHeader(1, msg));
    EXPECT_EQ(msg.From(), "Bob <bob@example.org>");
    EXPECT_EQ(msg.Subject(), "Lunch at noon");
    EXPECT_EQ(msg.Too, (std::vector<std::string>{"alice@example.org", "carol@example.org"}));
    EXPECT_TRUE(msg.Text.empty());
    EXPECT_TRUE(s.Saw("Retrieving headers"));
    EXPECT_EQ(s.pop->GetMessageSize(1), "120");
}

// A reply whose header block runs straight into the final "." has no empty
// line; the header ends there and nothing more is waited for.
TEST(POP3Session, HeaderCutShortByTheFinalDot) {
    TPlayedSession s(kLogin + "+OK\r\nSubject: Short\r\n.\r\n+OK 1 42\r\n" +
                     "+OK 42 octets\r\nSubject: Short\r\n.\r\n+OK 1 42\r\n");
    s.pop->TimeoutMs = 2000;
    s.pop->Connect();
    TWireMessage msg;
    EXPECT_TRUE(s.pop->RetrieveHeader(1, msg));
    EXPECT_EQ(msg.Subject(), "Short");
    EXPECT_EQ(s.pop->GetMessageSize(1), "42");
    EXPECT_TRUE(s.pop->Retrieve(1, msg, 42));
    EXPECT_EQ(msg.Subject(), "Short");
    EXPECT_TRUE(msg.Text.empty());
    EXPECT_EQ(s.pop->GetMessageSize(1), "42");
}

// A reply that goes wrong in its middle is still read to its final ".", so
// the next command reads its own reply: sizes and headers never belong to
// another message, and a delete never hits one the user has not seen.
TEST(POP3Session, AReplyThatGoesWrongIsReadToItsEndBeforeTheNextCommand) {
    const std::string nextSize = "+OK 2 345\r\n";
    TPlayedSession s(kLogin +
                     "+OK\r\nSubject: x\r\n\r\nbody line\r\n..\r\nmore\r\n.\r\n" + nextSize +
                     "+OK\r\nContent-Type: multipart/mixed\r\n\r\n--b\r\ntext\r\n.\r\n" + nextSize);
    s.pop->Connect();
    TWireMessage msg;
    EXPECT_FALSE(s.pop->RetrieveHeader(1, msg));  // more than the header came
    EXPECT_EQ(s.pop->GetMessageSize(2), "345");
    EXPECT_THROW(s.pop->Retrieve(1, msg, 100), EWireException);  // "Boundary error"
    EXPECT_EQ(s.pop->GetMessageSize(2), "345");
    EXPECT_TRUE(s.pop->Connected());
}

// A listing is a reply like any other: it cannot grow without bound.
TEST(POP3Session, EndlessListingIsCutAtItsBound) {
    std::string listing = "+OK\r\n";
    for (int i = 1; i <= 50000; ++i) listing += std::to_string(i) + " uid-" + std::to_string(i) + "\r\n";
    TPlayedSession s(kLogin + listing + ".\r\n");
    s.pop->MaxReplyBytes = 100000;
    s.pop->Connect();
    const int count = s.pop->CheckMessages();
    EXPECT_GT(count, 0);
    EXPECT_LT(count, 10000);
    EXPECT_TRUE(s.Saw("Reply too long."));
    EXPECT_FALSE(s.pop->Connected());
}

TEST(POP3Session, WholeMessageWithItsStatusLines) {
    TPlayedSession s(kLogin +
                     "+OK 97 octets\r\nFrom: bob@example.org\r\n"
                     "Subject: =?iso-8859-1?Q?Caf=E9_au_lait?=\r\n\r\n"
                     "First line\r\n..starts with a dot\r\n\r\nLast line\r\n.\r\n");
    s.pop->Connect();
    TWireMessage msg;
    ASSERT_TRUE(s.pop->Retrieve(1, msg, 97));
    EXPECT_EQ(msg.Text, (std::vector<std::string>{"First line", ".starts with a dot", "", "Last line"}));
    const std::vector<std::string> tail(s.status.end() - 3, s.status.end());
    EXPECT_EQ(tail, (std::vector<std::string>{"  +OK 97 octets", "    From: bob@example.org",
                                              "    Subject: Caf\xE9 au lait"}));
}

// The peer hangs up after every possible byte of a listing: the count is the
// lines read so far, the break is shown as status, no goodbye is attempted.
TEST(POP3Session, ListingCutAtEveryByte) {
    const std::string listing = "+OK 3\r\n1 aa\r\n2 bb\r\n3 cc\r\n.\r\n";
    for (size_t cut = 0; cut < listing.size(); ++cut) {
        SCOPED_TRACE(cut);
        const std::string part = listing.substr(0, cut);
        int complete = 0;
        for (size_t p = part.find("\r\n"); p != std::string::npos; p = part.find("\r\n", p + 2)) ++complete;
        TPlayedSession s(kLogin + part);
        s.pop->Connect();
        EXPECT_EQ(s.pop->CheckMessages(), complete > 0 ? complete - 1 : 0);
        EXPECT_EQ(s.status.back(), "Connection Closed Gracefully.");
        EXPECT_FALSE(s.pop->Connected());
        EXPECT_EQ(s.SentAfterLogin(), "UIDL\r\n");
    }
}

TEST(POP3Session, MessageCutAtEveryByte) {
    const std::string message =
        "+OK 60 octets\r\nFrom: a@b\r\nSubject: s\r\n\r\nline one\r\n..dot\r\nline two\r\n.\r\n";
    for (size_t cut = 0; cut < message.size(); ++cut) {
        SCOPED_TRACE(cut);
        TPlayedSession s(kLogin + message.substr(0, cut));
        s.pop->Connect();
        TWireMessage msg;
        EXPECT_THROW(s.pop->Retrieve(1, msg, 60), EWireConnClosedGraceful);
        EXPECT_FALSE(s.pop->Connected());
        EXPECT_EQ(s.SentAfterLogin(), "RETR 1\r\n");
    }
}

TEST(POP3Session, SizeCutShortShowsTheClose) {
    TPlayedSession s(kLogin + "+OK 1 4");
    s.pop->Connect();
    EXPECT_EQ(s.pop->GetMessageSize(1), "");
    EXPECT_EQ(s.status.back(), "Connection Closed Gracefully.");
    EXPECT_FALSE(s.pop->Connected());
}

// A whole session, once with the server's bytes handed over in one piece and
// once one byte at a time: the same commands and the same results.
TEST(POP3Session, SameResultsWhenBytesTrickle) {
    const std::string replies = kLogin + "+OK\r\n1 a\r\n2 b\r\n.\r\n+OK 2 51\r\n" +
                                "+OK\r\nSubject: Two\r\n\r\n.\r\n" +
                                "+OK 51 octets\r\nSubject: Two\r\n\r\nbody\r\n..\r\n.\r\n" + "+OK\r\n";
    for (int chunk : {65536, 1}) {
        SCOPED_TRACE(chunk);
        TPlayedSession s(replies, chunk);
        s.pop->Connect();
        EXPECT_EQ(s.pop->CheckMessages(), 2);
        EXPECT_EQ(s.pop->GetMessageSize(2), "51");
        TWireMessage msg;
        EXPECT_TRUE(s.pop->RetrieveHeader(2, msg));
        EXPECT_EQ(msg.Subject(), "Two");
        EXPECT_TRUE(s.pop->Retrieve(2, msg, 51));
        EXPECT_EQ(msg.Text, (std::vector<std::string>{"body", "."}));
        EXPECT_TRUE(s.pop->Delete(2));
        s.pop->Disconnect();
        EXPECT_EQ(s.SentAfterLogin(), "UIDL\r\nLIST 2\r\nTOP 2 0\r\nRETR 2\r\nDELE 2\r\nQuit\r\n");
        EXPECT_EQ(s.wire->ReadPos, s.wire->Incoming.size());
    }
}

// A server that falls silent: the wait runs out, the client is closed and says
// no goodbye on the dead connection.
TEST(POP3Session, SilentServerTimesOut) {
    const std::string timedOut = "Socket Error #10060\r\nConnection timed out.";
    {
        SCOPED_TRACE("greeting");
        TPlayedSession s("");
        s.wire->EndError = kWsaTimedOut;
        try {
            s.pop->Connect();
            ADD_FAILURE() << "connected";
        } catch (const EWireSocketError& e) {
            EXPECT_EQ(std::string(e.what()), timedOut);
        }
        EXPECT_EQ(s.wire->Sent, "");
        EXPECT_FALSE(s.pop->Connected());
    }
    {
        SCOPED_TRACE("listing");
        TPlayedSession s(kLogin + "+OK\r\n1 a\r\n");
        s.wire->EndError = kWsaTimedOut;
        s.pop->Connect();
        EXPECT_EQ(s.pop->CheckMessages(), 1);
        EXPECT_EQ(s.status.back(), timedOut);
        EXPECT_FALSE(s.pop->Connected());
        EXPECT_EQ(s.SentAfterLogin(), "UIDL\r\n");
    }
    {
        SCOPED_TRACE("message");
        TPlayedSession s(kLogin + "+OK\r\nSubject: x\r\n\r\nbody\r\n");
        s.wire->EndError = kWsaTimedOut;
        s.pop->Connect();
        TWireMessage msg;
        EXPECT_THROW(s.pop->Retrieve(1, msg, 10), EWireSocketError);
        EXPECT_FALSE(s.pop->Connected());
        EXPECT_EQ(s.SentAfterLogin(), "RETR 1\r\n");
    }
}

}  // namespace
}  // namespace vexil

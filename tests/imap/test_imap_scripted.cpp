// The IMAP session against scripted servers, for what a real server will not
// do on demand: no login but LOGIN where LOGINDISABLED is said, STARTTLS
// stripped, no UIDPLUS, a literal password, BYE in the middle, a literal past
// the caps.  The script is the server's whole side; the test reads back
// exactly what the session sent.
#include <gtest/gtest.h>

#include <memory>
#include <string>

#include "imap/WireIMAP.h"
#include "pop3/MemoryTransport.h"

namespace vexil {
namespace {

const std::string kGreeting = "* OK IMAP4rev1 ready\r\n";

struct TScripted {
    explicit TScripted(const std::string& incoming, TSecurity security = TSecurity::None,
                       int port = 143) {
        auto transport = std::make_unique<TMemoryTransport>(incoming, 7);
        wire = transport.get();
        imap = std::make_unique<TWireIMAP>(std::move(transport));
        imap->SetServer({"imap.example.org", port, "joe", "secret", security});
        imap->TimeoutMs = 2000;
    }
    TMemoryTransport* wire = nullptr;
    std::unique_ptr<TWireIMAP> imap;
};

TEST(ImapScripted, LogsInByPlainWithAnInitialResponseOrByLoginWhereThatIsAllThereIs) {
    struct TCase {
        const char* capability;
        const char* serverAfter;  // what follows the greeting and CAPABILITY
        const char* sent;         // after "V1 CAPABILITY"
    } cases[] = {
        {"IMAP4rev1 SASL-IR AUTH=PLAIN", "V2 OK [CAPABILITY IMAP4rev1 IDLE] done\r\n",
         "V2 AUTHENTICATE PLAIN AGpvZQBzZWNyZXQ=\r\n"},
        {"IMAP4rev1 AUTH=PLAIN", "+ \r\nV2 OK [CAPABILITY IMAP4rev1] done\r\n",
         "V2 AUTHENTICATE PLAIN\r\nAGpvZQBzZWNyZXQ=\r\n"},
        {"IMAP4rev1", "V2 OK [CAPABILITY IMAP4rev1] done\r\n", "V2 LOGIN \"joe\" \"secret\"\r\n"},
    };
    for (const TCase& c : cases) {
        SCOPED_TRACE(c.capability);
        TScripted s(kGreeting + "* CAPABILITY " + c.capability + "\r\nV1 OK\r\n" + c.serverAfter);
        s.imap->Connect();
        EXPECT_EQ(s.wire->Sent, std::string("V1 CAPABILITY\r\n") + c.sent);
    }
}

TEST(ImapScripted, LoginDisabledWithoutAnotherWayIsRefusedWithoutSendingTheName) {
    TScripted s(kGreeting + "* CAPABILITY IMAP4rev1 LOGINDISABLED\r\nV1 OK\r\n");
    EXPECT_THROW(s.imap->Connect(), EWireResponseError);
    EXPECT_EQ(s.wire->Sent.find("joe"), std::string::npos) << s.wire->Sent;
    EXPECT_FALSE(s.imap->Connected());
}

TEST(ImapScripted, APasswordThatCannotBeQuotedGoesAsALiteral) {
    struct TCase {
        const char* capability;
        const char* server;
        const char* sent;
    } cases[] = {
        // Synchronising: the password waits for the go-ahead.
        {"IMAP4rev1", "+ go ahead\r\nV2 OK done\r\n", "V2 LOGIN \"joe\" {8}\r\nsec\"r\xC3\xA9t\r\n"},
        {"IMAP4rev1 LITERAL+", "V2 OK done\r\n", "V2 LOGIN \"joe\" {8+}\r\nsec\"r\xC3\xA9t\r\n"},
    };
    for (const TCase& c : cases) {
        SCOPED_TRACE(c.capability);
        TScripted s(kGreeting + "* CAPABILITY " + c.capability + "\r\nV1 OK\r\n" + c.server +
                    "V3 OK\r\n");
        s.imap->Password = "sec\"r\xC3\xA9t";
        s.imap->Connect();
        EXPECT_EQ(s.wire->Sent.substr(15, std::string(c.sent).size()), c.sent);
    }
    // Refused before its bytes: nothing of the password goes out.
    TScripted refused(kGreeting + "* CAPABILITY IMAP4rev1\r\nV1 OK\r\nV2 NO too long\r\n");
    refused.imap->Password = "sec\"r\xC3\xA9t";
    EXPECT_THROW(refused.imap->Connect(), EWireResponseError);
    EXPECT_EQ(refused.wire->Sent.find("sec"), std::string::npos);
}

TEST(ImapScripted, StartTlsStrippedNeverSendsTheLoginInTheClear) {
    // Required: refused before the name.
    TScripted required(kGreeting + "* CAPABILITY IMAP4rev1 AUTH=PLAIN\r\nV1 OK\r\n",
                       TSecurity::StartTls);
    EXPECT_THROW(required.imap->Connect(), ETlsError);
    EXPECT_EQ(required.wire->Sent.rfind("V1 CAPABILITY\r\n", 0), 0u);
    EXPECT_EQ(required.wire->Sent.find("joe"), std::string::npos) << required.wire->Sent;
    EXPECT_EQ(required.wire->Sent.find("AUTHENTICATE"), std::string::npos);

    // Offered: TLS first, the capabilities asked again, then the login.
    TScripted offered(kGreeting + "* CAPABILITY IMAP4rev1 STARTTLS LOGINDISABLED\r\nV1 OK\r\n"
                                  "V2 OK Begin TLS\r\n",
                      TSecurity::Auto);
    offered.wire->IncomingAfterTls =
        "* CAPABILITY IMAP4rev1 AUTH=PLAIN SASL-IR\r\nV3 OK\r\nV4 OK [CAPABILITY IMAP4rev1] in\r\n";
    offered.imap->Connect();
    EXPECT_EQ(offered.wire->Sent.substr(0, offered.wire->SentBeforeTls),
              "V1 CAPABILITY\r\nV2 STARTTLS\r\n");
    EXPECT_EQ(offered.wire->TlsHost, "imap.example.org");
    EXPECT_EQ(offered.imap->SecuredAs(), TSecurity::StartTls);
    EXPECT_EQ(offered.wire->Sent.substr(offered.wire->SentBeforeTls),
              "V3 CAPABILITY\r\nV4 AUTHENTICATE PLAIN AGpvZQBzZWNyZXQ=\r\n");

    // On 993 TLS comes first of all.
    TScripted implicit("", TSecurity::Auto, 993);
    implicit.wire->IncomingAfterTls =
        "* OK [CAPABILITY IMAP4rev1 AUTH=PLAIN SASL-IR] hi\r\nV1 OK [CAPABILITY IMAP4rev1] in\r\n";
    implicit.imap->Connect();
    EXPECT_EQ(implicit.wire->SentBeforeTls, 0u);
    EXPECT_EQ(implicit.imap->SecuredAs(), TSecurity::Tls);
}

const std::string kLoggedIn =
    kGreeting + "* CAPABILITY IMAP4rev1\r\nV1 OK\r\nV2 OK [CAPABILITY IMAP4rev1] in\r\n";

TEST(ImapScripted, WithoutUidPlusADeleteOnlyMarksTheMessage) {
    TScripted s(kLoggedIn +
                "* 2 EXISTS\r\nV3 OK [READ-ONLY] examined\r\n"
                "* SEARCH 7 9\r\nV4 OK\r\n"
                "V5 OK [READ-WRITE] selected\r\n"
                "V6 OK stored\r\n");
    s.imap->Connect();
    EXPECT_EQ(s.imap->CheckMessages(), 2);
    ASSERT_TRUE(s.imap->Delete(2));
    const std::string sent = s.wire->Sent;
    EXPECT_NE(sent.find("V4 UID SEARCH UNSEEN UNDELETED\r\nV5 SELECT INBOX\r\n"
                        "V6 UID STORE 9 +FLAGS.SILENT (\\Deleted)\r\n"),
              std::string::npos)
        << sent;
    EXPECT_EQ(sent.find("EXPUNGE"), std::string::npos);
}

TEST(ImapScripted, AServerThatLeavesOrOverflowsEndsTheCommandWithAnError) {
    // BYE in the middle of a check: a failed check with the server's words.
    TScripted bye(kLoggedIn + "* BYE shutting down\r\n");
    bye.imap->Connect();
    std::vector<std::string> status;
    bye.imap->OnStatus = [&](TWireSocket&, const std::string& text) { status.push_back(text); };
    TUniqueIds ids;
    bye.imap->CheckMessages(&ids);
    EXPECT_FALSE(bye.imap->ListingComplete());
    EXPECT_FALSE(ids.Known());
    ASSERT_FALSE(status.empty());
    EXPECT_EQ(status.back(), "shutting down");

    // A literal announced past the message cap is refused before its bytes.
    TScripted big(kLoggedIn + "V3 OK examined\r\n* SEARCH 5\r\nV4 OK\r\n" +
                  "* 1 FETCH (UID 5 BODY[HEADER] {999999999}\r\n");
    big.imap->MaxMessageBytes = 1 << 20;
    big.imap->Connect();
    TWireMessage msg;
    EXPECT_THROW(big.imap->RetrieveHeader(1, msg), EImapLimitExceeded);
}

}  // namespace
}  // namespace vexil

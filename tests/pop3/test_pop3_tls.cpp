// How the POP3 session secures its connection, over a transport whose TLS is
// a switch: which kind of TLS each choice asks for, what is said before it,
// and that nothing of the login leaves in the clear when TLS fails.
#include <gtest/gtest.h>

#include <memory>
#include <string>

#include "pop3/MemoryTransport.h"
#include "pop3/WirePOP3.h"

namespace vexil {
namespace {

const std::string kGreeting = "+OK ready\r\n";
const std::string kCapaStls = "+OK\r\nUSER\r\nstls\r\nUIDL\r\n.\r\n";
const std::string kCapaPlain = "+OK\r\nUSER\r\nUIDL\r\nSASL PLAIN STLS\r\n.\r\n";
const std::string kLoginReplies = "+OK\r\n+OK Logged in.\r\n";
const std::string kLoginSent = "User alice\r\nPass s3cret\r\n";

struct TSession {
    // The server says `clear` before TLS and `secure` after it.
    TSession(TSecurity security, int port, const std::string& clear, const std::string& secure) {
        auto transport = std::make_unique<TMemoryTransport>(clear);
        transport->IncomingAfterTls = secure;
        wire = transport.get();
        pop = std::make_unique<TWirePOP3>(std::move(transport));
        pop->Host = "mail.example.org";
        pop->Port = port;
        pop->UserID = "alice";
        pop->Password = "s3cret";
        pop->Security = security;
    }
    std::string SentInClear() const {
        return wire->TlsStarts > 0 ? wire->Sent.substr(0, wire->SentBeforeTls) : wire->Sent;
    }
    std::string SentSecurely() const {
        return wire->TlsStarts > 0 ? wire->Sent.substr(wire->SentBeforeTls) : std::string();
    }
    TMemoryTransport* wire;
    std::unique_ptr<TWirePOP3> pop;
};

TEST(POP3Tls, EachChoiceSecuresAsItSays) {
    const std::string secureLogin = kGreeting + kLoginReplies;
    const struct {
        const char* name;
        TSecurity security;
        int port;
        std::string incoming;  // said in the clear (all of it without TLS)
        std::string secure;    // said over TLS
        std::string clear;     // sent before TLS (everything when no TLS)
        bool tls;
        bool greetedInClear;
    } cases[] = {
        {"auto on 995: TLS from the first byte", TSecurity::Auto, 995, "", secureLogin, "", true,
         false},
        {"tls on any port", TSecurity::Tls, 110, "", secureLogin, "", true, false},
        {"auto, STLS offered", TSecurity::Auto, 110, kGreeting + kCapaStls + "+OK Begin TLS\r\n",
         kLoginReplies, "CAPA\r\nSTLS\r\n", true, true},
        {"starttls on 995 still uses STLS", TSecurity::StartTls, 995,
         kGreeting + kCapaStls + "+OK\r\n", kLoginReplies, "CAPA\r\nSTLS\r\n", true, true},
        {"auto, no STLS among the capabilities", TSecurity::Auto, 110,
         kGreeting + kCapaPlain + kLoginReplies, "", "CAPA\r\n" + kLoginSent, false, true},
        {"auto, no CAPA at all", TSecurity::Auto, 110,
         kGreeting + "-ERR unknown command\r\n" + kLoginReplies, "", "CAPA\r\n" + kLoginSent,
         false, true},
        {"none, STLS offered", TSecurity::None, 110, kGreeting + kLoginReplies, "", kLoginSent,
         false, true},
        {"none on 995", TSecurity::None, 995, kGreeting + kLoginReplies, "", kLoginSent, false,
         true},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        TSession s(c.security, c.port, c.incoming, c.secure);
        s.pop->Connect();
        EXPECT_EQ(s.SentInClear(), c.clear);
        EXPECT_EQ(s.wire->TlsStarts, c.tls ? 1 : 0);
        EXPECT_EQ(s.pop->Secure(), c.tls);
        if (c.tls) {
            EXPECT_EQ(s.wire->TlsHost, "mail.example.org");
            EXPECT_EQ(s.SentSecurely(), kLoginSent);
            // The greeting came before the handshake only with STLS.
            EXPECT_EQ(s.wire->ReadBeforeTls > 0, c.greetedInClear);
        }
        EXPECT_EQ(s.pop->ReplyText, "+OK Logged in.");

        // The goodbye: "Quit", then TLS's own close_notify.
        s.pop->Disconnect();
        EXPECT_EQ(s.wire->TlsEnds, c.tls ? 1 : 0);
        EXPECT_EQ(s.wire->Sent.substr(s.wire->Sent.size() - 6), "Quit\r\n");
    }
}

// Whenever TLS was wanted and could not be had, the session ends before the
// user name.  A server that offers no TLS, or refuses it, still gets its
// "Quit"; after a failed handshake nothing more is said at all.
TEST(POP3Tls, NoLoginWithoutTheTlsThatWasWanted) {
    const struct {
        const char* name;
        TSecurity security;
        int port;
        std::string incoming;
        std::string tlsError;  // what the handshake or the certificate check says
        std::string sent;
        std::string reason;    // the ETlsError's text; "" for a refusal
    } cases[] = {
        {"starttls, not offered", TSecurity::StartTls, 110, kGreeting + kCapaPlain + kLoginReplies,
         "", "CAPA\r\nQuit\r\n", kTlsNotOffered},
        {"starttls, no CAPA", TSecurity::StartTls, 110, kGreeting + "-ERR\r\n" + kLoginReplies, "",
         "CAPA\r\nQuit\r\n", kTlsNotOffered},
        {"STLS offered, then refused", TSecurity::Auto, 110,
         kGreeting + kCapaStls + "-ERR not now\r\n" + kLoginReplies, "",
         "CAPA\r\nSTLS\r\nQuit\r\n", ""},
        {"implicit, certificate fails", TSecurity::Auto, 995, "", kCertNotTrusted, "",
         kCertNotTrusted},
        {"STLS, certificate fails", TSecurity::Auto, 110, kGreeting + kCapaStls + "+OK\r\n",
         kCertNameMismatch, "CAPA\r\nSTLS\r\n", kCertNameMismatch},
        // Plain text after the go-ahead, before the handshake: someone is
        // talking out of turn (RFC 2595 leaves no room for it).
        {"bytes after the go-ahead", TSecurity::Auto, 110,
         kGreeting + kCapaStls + "+OK\r\n+OK Logged in.\r\n", "", "CAPA\r\nSTLS\r\n",
         kTlsHandshakeFailed},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        TSession s(c.security, c.port, c.incoming, kGreeting + kLoginReplies);
        s.wire->TlsError = c.tlsError;
        try {
            s.pop->Connect();
            ADD_FAILURE() << "logged in";
        } catch (const ETlsError& e) {
            EXPECT_EQ(std::string(e.what()), c.reason);
        } catch (const EWireResponseError& e) {
            EXPECT_EQ(c.reason, "") << e.what();
        }
        EXPECT_EQ(s.wire->Sent, c.sent);
        EXPECT_FALSE(s.pop->Connected());
    }
}

}  // namespace
}  // namespace vexil

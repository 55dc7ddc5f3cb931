// A real POP3 and IMAP server for the tests: Dovecot on a loopback port, run by
// tests/support/dovecot.sh from a state directory of its own.
//
// Natively the fixture starts the server itself (once per test suite).  The
// Windows tests run under Wine and cannot start Linux processes, so there the
// test command starts it and hands over its state directory in
// VEXIL_DOVECOT_DIR (a Unix path or a Z:\ path; the port is read from the
// directory's "port" file unless VEXIL_DOVECOT_PORT says otherwise).  Natively,
// VEXIL_DOVECOT_DIR also points the tests at a server started by hand.
//
// The server holds a pool of mailboxes user01..userNN (password "pw" + the
// same digits); each test claims fresh ones, so tests never see each other's
// mail and no process needs to create users while the server runs.
#pragma once

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

namespace vexil::test {

struct TMailbox {
    std::string User, Password;
    std::string Maildir;  // ends with a separator
};

class TDovecot {
public:
    // Starts a server (natively) or attaches to the test command's.  Returns
    // null and says why when this machine has none to offer; raises
    // std::runtime_error when one should start and does not.
    static std::unique_ptr<TDovecot> Open(std::string& whyNot);
    // A server the test command started in dir (a Unix path, or a Z:\ path):
    // its ports come from the directory's "port" and "port-tls" files.
    // Raises std::runtime_error when it has none.
    static std::unique_ptr<TDovecot> Attach(const std::string& dir);
    ~TDovecot();
    TDovecot(const TDovecot&) = delete;
    TDovecot& operator=(const TDovecot&) = delete;

    std::string Host() const { return "127.0.0.1"; }
    int Port() const { return port_; }
    // The POP3S port of a server with TLS, 0 for one without.
    int TlsPort() const { return tlsPort_; }
    // The IMAP port (STARTTLS offered where the server has TLS), and the
    // IMAP port with TLS from the first byte (0 for a server without TLS).
    int ImapPort() const { return imapPort_; }
    int ImapsPort() const { return imapsPort_; }

    // A mailbox nobody has used yet, holding the given messages (each written
    // with LF line ends, as Maildir keeps them; the server sends CR LF).
    TMailbox NewMailbox(const std::vector<std::string>& messages = {});
    void Deliver(const TMailbox& box, const std::string& message);

private:
    TDovecot() = default;
    std::string dir_;  // state directory, with a trailing separator
    int port_ = 0;
    int tlsPort_ = 0;
    int imapPort_ = 0, imapsPort_ = 0;
    bool owned_ = false;  // started by us: stopped and removed at the end
};

// The byte size of a message once the server has written its LF line ends
// as CR LF (what LIST reports and RETR sends).
std::size_t SizeWithCrLf(const std::string& message);

// Base of the test suites that talk to Dovecot: one server per suite.
class TDovecotTest : public ::testing::Test {
protected:
    static void SetUpTestSuite();
    static void TearDownTestSuite();
    void SetUp() override;

    static TDovecot& Server() { return *server_; }

private:
    static std::unique_ptr<TDovecot> server_;
    static std::string whyNot_;  // no server: why
    static bool failed_;         // a server should be there but would not start
};

}  // namespace vexil::test

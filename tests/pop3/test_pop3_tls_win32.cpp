// POP3 over TLS on the system's SChannel, against real Dovecot servers with
// certificates of a test CA that only the tests' prefix trusts (started by
// the test command, tests/support/tls_servers.sh), and against a scripted
// server for what no real server does on demand in a handshake.
#include <gtest/gtest.h>

#include <windows.h>

#include <chrono>
#include <cstdlib>
#include <memory>
#include <string>
#include <vector>

#include "imap/WireIMAP.h"
#include "pop3/WirePOP3.h"
#include "support/Dovecot.h"
#include "support/ScriptedServer.h"
#include "win32/TlsTransport.h"

namespace vexil {
namespace {

using test::TDovecot;
using test::TMailbox;

// The platform's transport, with every byte the session hands it written
// down before encryption: what the client said, and when.
class TRecording : public ITransport {
public:
    TRecording(std::unique_ptr<ITransport> inner, std::string& sent)
        : inner_(std::move(inner)), sent_(sent) {}
    std::uint32_t Resolve(const std::string& host, const TWaitControl& wait) override {
        return inner_->Resolve(host, wait);
    }
    void Connect(std::uint32_t address, int port, bool noDelay, const TWaitControl& wait) override {
        inner_->Connect(address, port, noDelay, wait);
    }
    int Send(const char* data, int size, const TWaitControl& wait) override {
        const int n = inner_->Send(data, size, wait);
        if (n > 0) sent_.append(data, static_cast<size_t>(n));
        return n;
    }
    int Receive(char* data, int size, const TWaitControl& wait) override {
        return inner_->Receive(data, size, wait);
    }
    void Close() override { inner_->Close(); }
    bool IsOpen() const override { return inner_->IsOpen(); }
    void StartTls(const std::string& host, const TWaitControl& wait) override {
        sent_ += "<TLS>";
        inner_->StartTls(host, wait);
    }
    void EndTls(const TWaitControl& wait) override { inner_->EndTls(wait); }
    bool Secure() const override { return inner_->Secure(); }

private:
    std::unique_ptr<ITransport> inner_;
    std::string& sent_;
};

struct TClient {
    TClient(const std::string& host, int port, TSecurity security, const TMailbox& box)
        : pop(std::make_unique<TRecording>(CreateSocketTransport(), sent)) {
        pop.Host = host;
        pop.Port = port;
        pop.Security = security;
        pop.UserID = box.User;
        pop.Password = box.Password;
        pop.TimeoutMs = 10000;
        pop.OnStatus = [this](TWireSocket&, const std::string& text) { status.push_back(text); };
    }
    std::string sent;
    TWirePOP3 pop;
    std::vector<std::string> status;
};

std::string Message(int n, size_t bodyLines = 1) {
    std::string m = "From: bob@example.org\nSubject: Number " + std::to_string(n) + "\n\n";
    for (size_t i = 0; i < bodyLines; ++i) m += "Line " + std::to_string(i) + " of message " + std::to_string(n) + ".\n";
    return m;
}

class POP3TlsServers : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        const char* base = std::getenv("VEXIL_TLS_DIR");
        if (!base || !*base) return;
        for (const char* name : {"good", "untrusted", "mismatch", "expired"})
            servers_.push_back(TDovecot::Attach(std::string(base) + "/" + name));
    }
    static void TearDownTestSuite() { servers_.clear(); }
    void SetUp() override {
        if (servers_.empty())
            GTEST_SKIP() << "no TLS servers: the test command starts them (tests/support/"
                            "tls_servers.sh) and sets VEXIL_TLS_DIR";
    }
    static TDovecot& Good() { return *servers_[0]; }
    static TDovecot& Untrusted() { return *servers_[1]; }
    static TDovecot& Mismatch() { return *servers_[2]; }
    static TDovecot& Expired() { return *servers_[3]; }

private:
    static std::vector<std::unique_ptr<TDovecot>> servers_;
};
std::vector<std::unique_ptr<TDovecot>> POP3TlsServers::servers_;

// Each choice on each kind of port: the count, and whether the session ran
// over TLS (the login after the handshake, never before).
TEST_F(POP3TlsServers, ChecksOverEachKindOfTlsAndPlainWhereAsked) {
    ASSERT_EQ(Good().TlsPort(), 995) << "the good server's POP3S port must be 995 for auto";
    const struct {
        const char* name;
        TSecurity security;
        bool tlsPort;
        bool secure;
        const char* before;  // what was said in the clear
    } cases[] = {
        {"auto on 995", TSecurity::Auto, true, true, ""},
        {"tls on 995", TSecurity::Tls, true, true, ""},
        {"auto on the STLS port", TSecurity::Auto, false, true, "CAPA\r\nSTLS\r\n"},
        {"starttls", TSecurity::StartTls, false, true, "CAPA\r\nSTLS\r\n"},
        {"none, STLS offered", TSecurity::None, false, false, "User "},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        const TMailbox box = Good().NewMailbox({Message(1), Message(2)});
        TClient client("localhost", c.tlsPort ? Good().TlsPort() : Good().Port(), c.security, box);
        client.pop.Connect();
        EXPECT_EQ(client.pop.Secure(), c.secure);
        TUniqueIds ids;
        EXPECT_EQ(client.pop.CheckMessages(&ids), 2);
        EXPECT_TRUE(ids.Known());
        client.pop.Disconnect();
        if (c.secure) {
            EXPECT_EQ(client.sent.substr(0, client.sent.find("<TLS>")), c.before);
            EXPECT_EQ(client.sent.substr(client.sent.find("<TLS>")),
                      "<TLS>User " + box.User + "\r\nPass " + box.Password + "\r\nUIDL\r\nQuit\r\n");
        } else {
            EXPECT_EQ(client.sent.find("<TLS>"), std::string::npos);
            EXPECT_EQ(client.sent.compare(0, 5, c.before), 0) << client.sent;
        }
    }
}

// Records of every size: a message of a few hundred kilobytes crosses many
// records, and arrives whole.
TEST_F(POP3TlsServers, LargeMessageArrivesWholeOverTls) {
    const std::string message = Message(1, 12000);
    const TMailbox box = Good().NewMailbox({message});
    TClient client("localhost", Good().TlsPort(), TSecurity::Tls, box);
    client.pop.Connect();
    TWireMessage msg;
    ASSERT_TRUE(client.pop.Retrieve(1, msg, static_cast<int>(test::SizeWithCrLf(message))));
    client.pop.Disconnect();
    ASSERT_EQ(msg.Text.size(), 12000u);
    EXPECT_EQ(msg.Text[11999], "Line 11999 of message 1.");
    EXPECT_EQ(msg.Subject(), "Number 1");
}

// A certificate that fails is never used: the reason, and nothing of the
// login sent.
TEST_F(POP3TlsServers, CertificatesThatFailAreRefusedBeforeTheLogin) {
    const struct {
        const char* name;
        TDovecot* server;
        const char* host;
        bool implicit;
        const char* reason;
    } cases[] = {
        {"untrusted CA", &Untrusted(), "localhost", true, kCertNotTrusted},
        {"untrusted CA, STLS", &Untrusted(), "localhost", false, kCertNotTrusted},
        {"another name", &Mismatch(), "localhost", true, kCertNameMismatch},
        {"another name, STLS", &Mismatch(), "localhost", false, kCertNameMismatch},
        {"expired", &Expired(), "localhost", true, kCertExpired},
        {"an address the certificate does not name", &Good(), "127.0.0.1", true, kCertNameMismatch},
        {"TLS to a port that talks in the clear", &Good(), "localhost", false, kTlsHandshakeFailed},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        const bool tlsToPlainPort = std::string(c.reason) == kTlsHandshakeFailed;
        const TMailbox box = c.server->NewMailbox({Message(1)});
        TClient client(c.host, c.implicit ? c.server->TlsPort() : c.server->Port(),
                       c.implicit || tlsToPlainPort ? TSecurity::Tls : TSecurity::StartTls, box);
        try {
            client.pop.Connect();
            ADD_FAILURE() << "logged in";
        } catch (const ETlsError& e) {
            EXPECT_EQ(std::string(e.what()), c.reason);
        }
        EXPECT_FALSE(client.pop.Connected());
        EXPECT_EQ(client.sent.find("User"), std::string::npos) << client.sent;
        EXPECT_EQ(client.sent.find("Pass"), std::string::npos) << client.sent;
        EXPECT_EQ(client.sent.find("Quit"), std::string::npos) << client.sent;
    }
}

// The IMAP session over the same TLS transport: each security choice on the
// implicit and the STARTTLS port, the login only ever after the handshake;
// a certificate that fails refuses before anything of the account is sent.
TEST_F(POP3TlsServers, ImapChecksOverEachKindOfTlsAndRefusesABadCertificate) {
    const struct {
        const char* name;
        TDovecot* server;
        TSecurity security;
        bool implicit;
        bool secure;
        const char* reason;  // "" for a login
    } cases[] = {
        {"tls on the IMAPS port", &Good(), TSecurity::Tls, true, true, ""},
        {"auto on the STARTTLS port", &Good(), TSecurity::Auto, false, true, ""},
        {"starttls", &Good(), TSecurity::StartTls, false, true, ""},
        {"none, STARTTLS offered", &Good(), TSecurity::None, false, false, ""},
        {"another name", &Mismatch(), TSecurity::Tls, true, false, kCertNameMismatch},
        {"untrusted CA, STARTTLS", &Untrusted(), TSecurity::StartTls, false, false, kCertNotTrusted},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        ASSERT_NE(c.server->ImapsPort(), 0);
        const TMailbox box = c.server->NewMailbox({Message(1), Message(2)});
        std::string sent;
        TWireIMAP imap(std::make_unique<TRecording>(CreateSocketTransport(), sent));
        imap.SetServer({"localhost", c.implicit ? c.server->ImapsPort() : c.server->ImapPort(), box.User,
                        box.Password, c.security});
        imap.TimeoutMs = 10000;
        if (*c.reason) {
            try {
                imap.Connect();
                ADD_FAILURE() << "logged in";
            } catch (const ETlsError& e) {
                EXPECT_EQ(std::string(e.what()), c.reason);
            }
            EXPECT_EQ(sent.find("AUTHENTICATE"), std::string::npos) << sent;
            EXPECT_EQ(sent.find("LOGIN "), std::string::npos) << sent;
            continue;
        }
        imap.Connect();
        EXPECT_EQ(imap.Secure(), c.secure);
        TUniqueIds ids;
        EXPECT_EQ(imap.CheckMessages(&ids), 2);
        imap.Disconnect();
        const size_t login = sent.find("AUTHENTICATE PLAIN");
        ASSERT_NE(login, std::string::npos) << sent;
        EXPECT_EQ(sent.find("<TLS>") < login, c.secure) << sent;
        if (c.secure && !c.implicit) {
            // The greeting names the capabilities: STARTTLS is all that goes in the clear.
            EXPECT_EQ(sent.substr(0, sent.find("<TLS>")), "V1 STARTTLS\r\n");
        }
    }
}

// Runs the current test again in a process of its own, with
// VEXIL_FIRST_CHECK set to which; its exit code (-1: it could not start or
// did not end within a minute).
constexpr char kFirstCheckCase[] = "VEXIL_FIRST_CHECK";
int RunTestAlone(const char* which) {
    const ::testing::TestInfo* test = ::testing::UnitTest::GetInstance()->current_test_info();
    char self[MAX_PATH];
    const DWORD length = GetModuleFileNameA(nullptr, self, sizeof self);
    if (length == 0 || length >= sizeof self) return -1;
    std::string command = std::string("\"") + self + "\" --gtest_filter=" +
                          test->test_suite_name() + "." + test->name();
    STARTUPINFOA startup;
    ZeroMemory(&startup, sizeof startup);
    startup.cb = sizeof startup;
    startup.dwFlags = STARTF_USESTDHANDLES;  // its report goes where ours does
    startup.hStdInput = GetStdHandle(STD_INPUT_HANDLE);
    startup.hStdOutput = GetStdHandle(STD_OUTPUT_HANDLE);
    startup.hStdError = GetStdHandle(STD_ERROR_HANDLE);
    PROCESS_INFORMATION process;
    SetEnvironmentVariableA(kFirstCheckCase, which);
    const BOOL started = CreateProcessA(nullptr, &command[0], nullptr, nullptr, TRUE, 0, nullptr,
                                        nullptr, &startup, &process);
    SetEnvironmentVariableA(kFirstCheckCase, nullptr);
    if (!started) return -1;
    DWORD code = static_cast<DWORD>(-1);
    if (WaitForSingleObject(process.hProcess, 60000) == WAIT_OBJECT_0)
        GetExitCodeProcess(process.hProcess, &code);
    else
        TerminateProcess(process.hProcess, code);
    CloseHandle(process.hThread);
    CloseHandle(process.hProcess);
    return static_cast<int>(code);
}

// The TCP transport under a TLS transport, telling whether one of its waits
// is in progress.  During a handshake the only other wait is the one for the
// certificate check, so an idle call outside every socket wait is one made
// while the chain is checked.
class TSocketWaits : public ITransport {
public:
    explicit TSocketWaits(std::unique_ptr<ITransport> inner) : inner_(std::move(inner)) {}
    bool InWait() const { return inWait_; }
    std::uint32_t Resolve(const std::string& host, const TWaitControl& wait) override {
        const TInWait in(inWait_);
        return inner_->Resolve(host, wait);
    }
    void Connect(std::uint32_t address, int port, bool noDelay, const TWaitControl& wait) override {
        const TInWait in(inWait_);
        inner_->Connect(address, port, noDelay, wait);
    }
    int Send(const char* data, int size, const TWaitControl& wait) override {
        const TInWait in(inWait_);
        return inner_->Send(data, size, wait);
    }
    int Receive(char* data, int size, const TWaitControl& wait) override {
        const TInWait in(inWait_);
        return inner_->Receive(data, size, wait);
    }
    void Close() override { inner_->Close(); }
    bool IsOpen() const override { return inner_->IsOpen(); }

private:
    struct TInWait {
        explicit TInWait(bool& flag) : flag_(flag) { flag_ = true; }
        ~TInWait() { flag_ = false; }
        bool& flag_;
    };
    std::unique_ptr<ITransport> inner_;
    bool inWait_ = false;
};

// The first certificate check of a process loads the system's root store, a
// good part of a second that the windows must not feel: they get their turns
// while the chain is checked, and a close from the idle hook meanwhile ends
// the handshake as it ends a socket wait.  Each case runs in a process of its
// own, so that its check is that process's first.
TEST_F(POP3TlsServers, WindowsAreServedWhileTheFirstCertificateIsChecked) {
    const char* which = std::getenv(kFirstCheckCase);
    if (!which) {
        for (const char* c : {"served", "closed"}) {
            SCOPED_TRACE(c);
            EXPECT_EQ(RunTestAlone(c), 0);
        }
        return;
    }
    const bool closeMeanwhile = std::string(which) == "closed";
    auto owned = std::make_unique<TSocketWaits>(CreateSocketTransport());
    const TSocketWaits& socket = *owned;
    const std::unique_ptr<ITransport> tls = CreateTlsTransport(std::move(owned));
    TWaitControl wait;
    wait.TimeoutMs = 10000;
    wait.SliceMs = 5;
    int turnsDuringCheck = 0;
    wait.Idle = [&] {
        if (!socket.InWait() && ++turnsDuringCheck == 3 && closeMeanwhile) tls->Close();
    };
    tls->Connect(tls->Resolve("localhost", wait), Good().TlsPort(), true, wait);
    try {
        tls->StartTls("localhost", wait);
        EXPECT_FALSE(closeMeanwhile) << "went on after the close";
        EXPECT_TRUE(tls->Secure());
    } catch (const EWireSocketError& e) {
        EXPECT_TRUE(closeMeanwhile) << e.what();
        EXPECT_EQ(e.LastError, 10057);
        EXPECT_FALSE(tls->IsOpen());
    }
    if (closeMeanwhile)
        EXPECT_EQ(turnsDuringCheck, 3);
    else
        EXPECT_GE(turnsDuringCheck, 3);
}

// What a broken peer does in the middle of a handshake: each ends the
// attempt with a reason, in bounded time, with the windows kept alive.
TEST(POP3TlsHandshake, BrokenPeersEndTheAttempt) {
    using test::TScript;
    using test::TScriptedServer;
    const struct {
        const char* name;
        TScript script;
        int timeoutMs;
        const char* reason;  // null: a socket error (the time-out, 10060, for silence)
    } cases[] = {
        {"closes after the client's hello", TScript().Pause(150).Close(), 10000, kTlsHandshakeFailed},
        // A reset reads as the peer's close on some systems, as 10054 on others.
        {"resets", TScript().Pause(150).Reset(), 10000, "either"},
        {"answers with garbage", TScript().Pause(150).Garbage(600), 10000, kTlsHandshakeFailed},
        {"half a record, then closes",
         TScript().Pause(150).Send(std::string("\x16\x03\x03\x00\x40", 5) + "0123456789").Close(),
         10000, kTlsHandshakeFailed},
        {"a plain greeting", TScript().Send("+OK ready\r\n"), 10000, kTlsHandshakeFailed},
        {"silence", TScript().StaySilent(), 1500, nullptr},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        TScriptedServer server({c.script});
        TWirePOP3 pop;
        pop.Host = "localhost";
        pop.Port = server.Port();
        pop.Security = TSecurity::Tls;
        pop.UserID = "alice";
        pop.Password = "s3cret";
        pop.TimeoutMs = c.timeoutMs;
        int idles = 0;
        pop.OnIdle = [&idles] { ++idles; };
        const auto start = std::chrono::steady_clock::now();
        try {
            pop.Connect();
            ADD_FAILURE() << "connected";
        } catch (const ETlsError& e) {
            ASSERT_NE(c.reason, nullptr) << e.what();
            if (std::string(c.reason) != "either") {
                EXPECT_EQ(std::string(e.what()), c.reason);
            }
        } catch (const EWireSocketError& e) {
            if (c.reason && std::string(c.reason) != "either") {
                ADD_FAILURE() << e.what();
            } else if (std::string(c.name) == "silence") {
                EXPECT_EQ(e.LastError, 10060);
            }
        }
        const auto ms = std::chrono::duration_cast<std::chrono::milliseconds>(
                            std::chrono::steady_clock::now() - start).count();
        EXPECT_LT(ms, c.timeoutMs + 3000);
        if (std::string(c.name) == "silence") {
            EXPECT_GE(ms, c.timeoutMs - 100);
            EXPECT_GT(idles, 5);  // the windows were served while it waited
        }
        EXPECT_FALSE(pop.Connected());
        // Nothing readable was sent: only the client's hello.
        for (const std::string& line : server.Lines(0))
            EXPECT_EQ(line.find("alice"), std::string::npos);
    }
}

}  // namespace
}  // namespace vexil

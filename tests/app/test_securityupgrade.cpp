// Automatic security that never falls back: once an account has logged in
// over TLS it needs TLS, so that someone on the path who strips the server's
// STLS offer at a later check gets no password; a login without TLS says so.
// The server is played by a transport whose TLS is a switch, so the bytes
// either side of the handshake are read as they went.
#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "app/CheckCycle.h"
#include "config/SettingsWriter.h"
#include "pop3/MemoryTransport.h"
#include "pop3/WirePOP3.h"
#include "support/FakeRas.h"
#include "support/TempDir.h"

namespace vexil::test {
namespace {

const std::string kGreeting = "+OK ready\r\n";
const std::string kCapaStls = "+OK\r\nUSER\r\nSTLS\r\nUIDL\r\n.\r\n";
const std::string kCapaPlain = "+OK\r\nUSER\r\nUIDL\r\n.\r\n";
const std::string kLoginAndList = "+OK\r\n+OK Logged in.\r\n+OK\r\n1 aaa\r\n2 bbb\r\n.\r\n+OK bye\r\n";

// The main window as the check cycle sees it: it keeps what AccountSecured
// says in the accounts, as the real one does.
class TRecordingView : public ICheckView {
public:
    explicit TRecordingView(TAccountTable& accounts) : accounts_(accounts) {}
    std::vector<std::pair<int, TSecurity>> Secured;
    std::vector<TCheckResult> Results;
    std::vector<std::string> Statuses;

    void ShowStatus(const std::string& text) override { Statuses.push_back(text); }
    void DrawStatus(const std::string&) override {}
    void SetStatusText(const std::string&) override {}
    void ShowCheckResult(const TCheckResult& result) override { Results.push_back(result); }
    void ShowOnlineState() override {}
    void ShowMessage(const std::string&) override {}
    void ReportError(const std::string&) override {}
    void ProcessMessages() override {}
    void StopTimers() override {}
    void ResumeTimers() override {}
    void NewsAfterConnect() override {}
    void AccountSecured(int index, TSecurity security) override {
        Secured.emplace_back(index, security);
        accounts_[index].AccSecurity = security;
    }

private:
    TAccountTable& accounts_;
};

class SecurityUpgrade : public ::testing::Test {
protected:
    void SetUp() override {
        accounts.AccountCount = 1;
        accounts[1].AccName = "Home";
        accounts[1].AccHost = "mail.example.org";
        accounts[1].AccUser = "alice";
        accounts[1].AccPassword = "s3cret";
        accounts[1].AccPort = 110;
        accounts[1].AccSecurity = TSecurity::Auto;
        settings.minutes = 5;
        cycle.AccountsLoaded(TCurrentAccount{true, 1, 1});
    }
    // The next connection: what the server says in the clear, and over TLS.
    void NextSession(const std::string& clear, const std::string& secure) {
        wire->Incoming = clear;
        wire->IncomingAfterTls = secure;
        wire->ReadPos = 0;
        wire->Sent.clear();
        wire->TlsStarts = 0;
    }
    std::string SentInClear() const {
        return wire->TlsStarts > 0 ? wire->Sent.substr(0, wire->SentBeforeTls) : wire->Sent;
    }

    static std::unique_ptr<TWirePOP3> Session(TMemoryTransport*& wire) {
        auto transport = std::make_unique<TMemoryTransport>();
        wire = transport.get();
        return std::make_unique<TWirePOP3>(std::move(transport));
    }

    TMemoryTransport* wire = nullptr;
    std::unique_ptr<TWirePOP3> pop = Session(wire);
    TWireMessage msg;
    TFakeRas ras;
    TRASControl rasc{ras};
    TSettings settings;
    TAccountTable accounts;
    TRecordingView view{accounts};
    TCheckCycle cycle{*pop, msg, rasc, settings, accounts, view};
};

TEST_F(SecurityUpgrade, AnAccountOnceSecuredGivesNoPasswordWhenSTLSIsStripped) {
    NextSession(kGreeting + kCapaStls + "+OK Begin TLS\r\n", kLoginAndList);
    cycle.ConnectClick();
    ASSERT_TRUE(cycle.IsOnline());
    EXPECT_EQ(wire->TlsStarts, 1);
    EXPECT_EQ(SentInClear(), "CAPA\r\nSTLS\r\n");
    ASSERT_EQ(view.Secured.size(), 1u);
    EXPECT_EQ(view.Secured[0], std::make_pair(1, TSecurity::StartTls));
    ASSERT_FALSE(view.Results.empty());
    EXPECT_FALSE(view.Results.back().NotEncrypted);
    EXPECT_EQ(view.Results.back().CountHint, "Home : 2");

    // Someone on the path removes STLS from the capabilities.
    NextSession(kGreeting + kCapaPlain + "+OK\r\n+OK Logged in.\r\n", "");
    cycle.CheckAccount(true);
    EXPECT_EQ(wire->Sent.find("User"), std::string::npos) << wire->Sent;
    EXPECT_EQ(wire->Sent.find("Pass"), std::string::npos) << wire->Sent;
    ASSERT_FALSE(view.Results.empty());
    EXPECT_FALSE(view.Results.back().SecurityFailure.empty());
    EXPECT_EQ(view.Secured.size(), 1u);
}

TEST_F(SecurityUpgrade, ImplicitTlsOn995BecomesTls) {
    accounts[1].AccPort = 995;
    cycle.AccountsLoaded(TCurrentAccount{true, 1, 1});
    NextSession("", kGreeting + kLoginAndList);
    cycle.ConnectClick();
    ASSERT_TRUE(cycle.IsOnline());
    ASSERT_EQ(view.Secured.size(), 1u);
    EXPECT_EQ(view.Secured[0], std::make_pair(1, TSecurity::Tls));
}

TEST_F(SecurityUpgrade, ALoginWithoutTlsStaysAutomaticAndSaysNotEncrypted) {
    NextSession(kGreeting + kCapaPlain + kLoginAndList, "");
    cycle.ConnectClick();
    ASSERT_TRUE(cycle.IsOnline());
    EXPECT_TRUE(view.Secured.empty());
    EXPECT_EQ(accounts[1].AccSecurity, TSecurity::Auto);
    ASSERT_FALSE(view.Results.empty());
    EXPECT_TRUE(view.Results.back().NotEncrypted);
    EXPECT_EQ(view.Results.back().CountHint, "Home : 2 (not encrypted)");
}

// The change reaches Accounts.ini read afresh, hand edits since the start
// kept; an account that is no longer the same there is not touched.
TEST(StoreAccountSecurity, WritesOneAccountsSecurityIntoTheFileAsItIsNow) {
    TTempDir dir;
    TAccountTable table;
    table.AccountCount = 2;
    table[1] = TPOPAcc{"Home", "pop.example.org", "ann", "pw", false, 110, TSecurity::Auto};
    table[2] = TPOPAcc{"Work", "mail.example.com", "bob", "", false, 110, TSecurity::Auto};
    WriteAccounts(dir.File("Accounts.ini"), table);
    const TPOPAcc loaded = table[1];
    // Edited by hand since it was loaded: Work's port.
    table[2].AccPort = 2110;
    WriteAccounts(dir.File("Accounts.ini"), table);

    EXPECT_TRUE(StoreAccountSecurity(dir.Path(), 1, loaded, TSecurity::StartTls));
    TAccountTable now;
    TLoadReport report;
    LoadAccounts(now, dir.Path(), report);
    EXPECT_TRUE(report.Empty());
    EXPECT_EQ(now[1].AccSecurity, TSecurity::StartTls);
    EXPECT_EQ(now[1].AccPassword, "pw");
    EXPECT_EQ(now[2].AccPort, 2110);
    EXPECT_EQ(now[2].AccSecurity, TSecurity::Auto);

    // Not the same account any more (renamed), or no longer there: nothing written.
    const std::string before = ReadFileBytes(dir.File("Accounts.ini"));
    TPOPAcc renamed = loaded;
    renamed.AccName = "Old name";
    EXPECT_FALSE(StoreAccountSecurity(dir.Path(), 1, renamed, TSecurity::Tls));
    EXPECT_FALSE(StoreAccountSecurity(dir.Path(), 3, loaded, TSecurity::Tls));
    EXPECT_EQ(ReadFileBytes(dir.File("Accounts.ini")), before);
}

}  // namespace
}  // namespace vexil::test

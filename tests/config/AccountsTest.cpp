// Loading of VxFilter.ini and Accounts.ini, and the choice of the account the
// check cycle starts with.
#include "config/Accounts.h"

#include <gtest/gtest.h>

#include "base/Text.h"
#include "config/Scramble.h"
#include "config/Settings.h"
#include "support/TempDir.h"

namespace vexil {
namespace {

using test::TTempDir;
using test::WriteFileBytes;

// One [AccountN] block; a null field leaves its line out.
std::string Account(int n, const char* name, const char* host, const char* user,
                    const char* password, const char* port, const char* inactive) {
    std::string s = "\r\n[Account" + std::to_string(n) + "]\r\n";
    if (name) s += std::string("acc_name = ") + name + "\r\n";
    if (host) s += std::string("host_name = ") + host + "\r\n";
    if (user) s += std::string("user_name = ") + user + "\r\n";
    if (password) s += "password = " + ScramblePassword(password) + "\r\n";
    if (port) s += std::string("port_number = ") + port + "\r\n";
    if (inactive) s += std::string("inactive = ") + inactive + "\r\n";
    return s;
}

class AccountsLoad : public ::testing::Test {
protected:
    TCurrentAccount Load(const std::string& content) {
        WriteFileBytes(dir.File("Accounts.ini"), content);
        LoadFilters(filters, accounts, dir.Path(), report);
        return LoadAccounts(accounts, dir.Path(), report);
    }

    TTempDir dir;
    TFilterTable filters;
    TAccountTable accounts;
    TLoadReport report;
};

TEST_F(AccountsLoad, ReadsAccountsInFileOrder) {
    const TCurrentAccount current =
        Load(Account(1, "Home", "pop.home.example", "joe", "s3cret!", "110", "0") +
             Account(2, "Work", "mail.work.example", "J.Doe", "Pa ss", "995", "1"));
    ASSERT_EQ(accounts.AccountCount, 2);
    const TPOPAcc& home = accounts[1];
    EXPECT_EQ(home.AccName, "Home");
    EXPECT_EQ(home.AccHost, "pop.home.example");
    EXPECT_EQ(home.AccUser, "joe");
    EXPECT_EQ(home.AccPassword, "s3cret!");
    EXPECT_FALSE(home.AccInactive);
    EXPECT_EQ(home.AccPort, 110);
    const TPOPAcc& work = accounts[2];
    EXPECT_EQ(work.AccName, "Work");
    EXPECT_EQ(work.AccUser, "J.Doe");
    EXPECT_EQ(work.AccPassword, "Pa ss");
    EXPECT_TRUE(work.AccInactive);
    EXPECT_EQ(work.AccPort, 995);
    EXPECT_TRUE(current.HasValidAccount);
    EXPECT_EQ(current.AccountIndex, 1);
    EXPECT_EQ(current.FirstActiveAccount, 1);
}

TEST_F(AccountsLoad, MissingKeyTakenFromNextAccount) {
    Load(Account(1, "A", "h1", "u1", "p1", "1", "0") +
         Account(2, "B", "h2", nullptr, "p2", "2", "0") +
         Account(3, "C", "h3", "u3", "p3", "3", "0"));
    ASSERT_EQ(accounts.AccountCount, 3);
    EXPECT_EQ(accounts[2].AccUser, "u3");
    EXPECT_EQ(accounts[2].AccPassword, "p2");
}

TEST_F(AccountsLoad, MissingOrEmptyPasswordIsEmpty) {
    Load(Account(1, "A", "h1", "u1", nullptr, "1", "0") + "password =\r\n" +
         Account(2, "B", "h2", "u2", nullptr, "2", "0"));
    ASSERT_EQ(accounts.AccountCount, 2);
    EXPECT_EQ(accounts[1].AccPassword, "");
    EXPECT_EQ(accounts[2].AccPassword, "");
}

TEST_F(AccountsLoad, LastAccountWithoutOptionalLines) {
    Load(Account(1, "A", "h1", "u1", "p1", "1", "1") +
         Account(2, "B", nullptr, "u2", nullptr, nullptr, nullptr));
    ASSERT_EQ(accounts.AccountCount, 2);
    const TPOPAcc& b = accounts[2];
    EXPECT_EQ(b.AccHost, "none");  // a missing host is kept as the text "none"
    EXPECT_EQ(b.AccPassword, "");
    EXPECT_FALSE(b.AccInactive);
    EXPECT_EQ(b.AccPort, 110);
}

TEST_F(AccountsLoad, GapEndsTheList) {
    Load(Account(1, "A", "h1", "u1", "p1", "1", "0") + Account(3, "C", "h3", "u3", "p3", "3", "0"));
    EXPECT_EQ(accounts.AccountCount, 1);
    // An account without a name ends the list as well.
    Load(Account(1, "", "h1", "u1", "p1", "1", "0") + Account(2, "B", "h2", "u2", "p2", "2", "0"));
    EXPECT_EQ(accounts.AccountCount, 0);
}

TEST_F(AccountsLoad, TenthAccountIsTheLast) {
    std::string content;
    for (int i = 1; i <= 11; ++i)
        content += Account(i, "A", "h", "u", "p", std::to_string(i).c_str(), "0");
    Load(content);
    EXPECT_EQ(accounts.AccountCount, 10);
    // The lookup of [account1] must not stop at [Account10].
    EXPECT_EQ(accounts[1].AccPort, 1);
    EXPECT_EQ(accounts[10].AccPort, 10);
}

TEST_F(AccountsLoad, FirstActiveAccountIsChosen) {
    const std::string three = Account(1, "A", "h1", "u1", "p1", "1", "1") +
                              Account(2, "B", "h2", "u2", "p2", "2", "1") +
                              Account(3, "C", "h3", "u3", "p3", "3", "0");
    TCurrentAccount current = Load(three);
    EXPECT_TRUE(current.HasValidAccount);
    EXPECT_EQ(current.AccountIndex, 3);
    EXPECT_EQ(current.FirstActiveAccount, 3);

    current = Load(Account(1, "A", "h1", "u1", "p1", "1", "1") +
                   Account(2, "B", "h2", "u2", "p2", "2", "1"));
    EXPECT_FALSE(current.HasValidAccount);
    EXPECT_EQ(current.AccountIndex, 3);

    current = Load("");
    EXPECT_FALSE(current.HasValidAccount);
    EXPECT_EQ(current.AccountIndex, 1);
}

TEST_F(AccountsLoad, MissingFileLoadsNoAccounts) {
    accounts.AccountCount = 2;
    accounts[1].AccName = "stale";
    LoadFilters(filters, accounts, dir.Path(), report);
    const TCurrentAccount current = LoadAccounts(accounts, dir.Path(), report);
    EXPECT_EQ(accounts.AccountCount, 0);
    EXPECT_EQ(accounts[1].AccName, "");
    EXPECT_FALSE(current.HasValidAccount);
    EXPECT_EQ(current.AccountIndex, 1);
}

// A malformed port is reported with its file, section and value; the account
// keeps the default port and the accounts after it are read all the same.
TEST_F(AccountsLoad, MalformedPortIsReportedAndTheLoadGoesOn) {
    Load(Account(1, "A", "h1", "u1", "p1", "110", "0") + Account(2, "B", "h2", "u2", "p2", "x1", "0") +
         Account(3, "C", "h3", "u3", "p3", "995", "0"));
    ASSERT_EQ(accounts.AccountCount, 3);
    EXPECT_EQ(accounts[2].AccName, "B");
    EXPECT_EQ(accounts[2].AccPort, 110);
    EXPECT_EQ(accounts[3].AccPort, 995);
    EXPECT_EQ(report.Text(), "Accounts.ini, [Account2] port_number: 'x1' is not a valid integer value");
}

// The security line is found by its own name in its own section only: an
// account without one is on auto (as every file of earlier versions), never
// on the next account's choice, and neither a value holding the word nor
// another key's substring search mixes the lines up.
TEST_F(AccountsLoad, SecurityIsReadFromItsOwnLineOnly) {
    const std::string file =
        Account(1, "Old", "h1", "u1", "p1", "110", "0") +  // no security line
        Account(2, "Security desk", "security.example", "security", "p2", "995", "0") +
        "security = starttls\r\n" +
        Account(3, "Caps", "h3", "u3", "p3", "110", "0") + "  SECURITY=NONE  \r\n" +
        Account(4, "Commented", "h4", "u4", "p4", "110", "0") + ";security = tls\r\n" +
        Account(5, "Mixed up", "h5", "u5", "p5", "110", nullptr) + "no_security = tls\r\n" +
        "security=tls\r\ninactive = 1\r\n";
    Load(file);
    ASSERT_EQ(accounts.AccountCount, 5);
    EXPECT_EQ(accounts[1].AccSecurity, TSecurity::Auto);
    EXPECT_EQ(accounts[2].AccSecurity, TSecurity::StartTls);
    EXPECT_EQ(accounts[2].AccHost, "security.example");
    EXPECT_EQ(accounts[2].AccUser, "security");
    EXPECT_EQ(accounts[3].AccSecurity, TSecurity::None);
    EXPECT_EQ(accounts[4].AccSecurity, TSecurity::Auto);
    EXPECT_EQ(accounts[5].AccSecurity, TSecurity::Tls);
    EXPECT_TRUE(accounts[5].AccInactive);  // the inactive line after it is still its own
    // The Part's rules hold for the old keys: a missing user name is still
    // taken from the next account, and the security line is not taken for it.
    Load(Account(1, "A", "h1", nullptr, "p1", "110", "0") + "security = tls\r\n" +
         Account(2, "B", "h2", "u2", "p2", "110", "0"));
    ASSERT_GE(accounts.AccountCount, 1);
    EXPECT_EQ(accounts[1].AccUser, "u2");
    EXPECT_EQ(accounts[1].AccSecurity, TSecurity::Tls);
    EXPECT_EQ(report.Text(), "");
}

TEST_F(AccountsLoad, UnknownSecurityIsReportedAndTheAccountStaysOnAuto) {
    Load(Account(1, "A", "h1", "u1", "p1", "110", "0") + "security = ssl\r\n" +
         Account(2, "B", "h2", "u2", "p2", "110", "0") + "security =\r\n");
    ASSERT_EQ(accounts.AccountCount, 2);
    EXPECT_EQ(accounts[1].AccSecurity, TSecurity::Auto);
    EXPECT_EQ(accounts[2].AccSecurity, TSecurity::Auto);
    EXPECT_EQ(report.Text(),
              "Accounts.ini, [Account1] security: 'ssl' is not auto, tls, starttls or none");
}

// The protocol line follows the security line's rules: its own name in its
// own section only, pop3 when missing (every earlier file), and neither the
// old keys' substring search nor a value holding the word takes it.
TEST_F(AccountsLoad, ProtocolIsReadFromItsOwnLineOnly) {
    Load(Account(1, "Old", "h1", "u1", "p1", "110", "0") +  // no protocol line
         Account(2, "protocol", "imap.example", "protocol", "p2", "993", "0") +
         "security = tls\r\nprotocol = imap\r\n" +
         Account(3, "Caps", "h3", "u3", "p3", "143", "0") + "  PROTOCOL=IMAP  \r\n" +
         Account(4, "Commented", "h4", "u4", "p4", "110", "0") + ";protocol = imap\r\n" +
         Account(5, "Mixed up", "h5", "u5", "p5", "110", nullptr) + "old_protocol = imap\r\n" +
         "protocol=imap\r\ninactive = 1\r\n" +
         Account(6, "Bad", "h6", "u6", "p6", "110", "0") + "protocol = smtp\r\n");
    ASSERT_EQ(accounts.AccountCount, 6);
    const TProtocol want[] = {TProtocol::Pop3, TProtocol::Imap, TProtocol::Imap,
                              TProtocol::Pop3, TProtocol::Imap, TProtocol::Pop3};
    for (int i = 1; i <= 6; ++i) EXPECT_EQ(accounts[i].AccProtocol, want[i - 1]) << i;
    EXPECT_EQ(accounts[2].AccName, "protocol");
    EXPECT_EQ(accounts[2].AccUser, "protocol");
    EXPECT_EQ(accounts[2].AccSecurity, TSecurity::Tls);
    EXPECT_EQ(accounts[5].AccPort, 110);
    EXPECT_TRUE(accounts[5].AccInactive);
    EXPECT_EQ(report.Text(), "Accounts.ini, [Account6] protocol: 'smtp' is not pop3 or imap");
}

TEST(AccountsTable, NumberedFromOne) {
    TAccountTable a;
    a[1].AccName = "first";
    a[10].AccName = "last";
    EXPECT_EQ(a.Slots[0].AccName, "first");
    EXPECT_EQ(a.Slots[9].AccName, "last");
    EXPECT_THROW(a[0], std::out_of_range);
    EXPECT_THROW(a[11], std::out_of_range);
}

class FiltersLoad : public ::testing::Test {
protected:
    void Load(const std::string& content) {
        WriteFileBytes(dir.File("VxFilter.ini"), content);
        LoadFilters(filters, accounts, dir.Path(), report);
    }

    TTempDir dir;
    TFilterTable filters;
    TAccountTable accounts;
    TLoadReport report;
};

TEST_F(FiltersLoad, ReadsFiltersAndMisc) {
    Load("\r\n[Filter1]\r\nstring=VIAGRA\r\n\r\n[Filter2]\r\nstring= cheap meds \r\n"
         "\r\n[Misc]\r\nmax_size=250\r\nauth_fltr= 1\r\n");
    EXPECT_EQ(filters.FilterCount, 2);
    EXPECT_EQ(filters.Filters[0], "VIAGRA");
    EXPECT_EQ(filters.Filters[1], "cheap meds");
    EXPECT_EQ(filters.max_size, 250);
    EXPECT_TRUE(filters.auth_fltr);
}

TEST_F(FiltersLoad, GapEndsTheListAndOldSlotsAreEmptied) {
    filters.Filters[2] = "stale";
    Load("[Filter1]\r\nstring=a\r\n[Filter3]\r\nstring=c\r\n");
    EXPECT_EQ(filters.FilterCount, 1);
    EXPECT_EQ(filters.Filters[0], "a");
    EXPECT_EQ(filters.Filters[2], "");
    EXPECT_EQ(filters.max_size, 0);
    EXPECT_FALSE(filters.auth_fltr);
}

TEST_F(FiltersLoad, MissingFileClearsEverything) {
    filters.Filters[0] = "old";
    filters.FilterCount = 1;
    filters.max_size = 5;
    filters.auth_fltr = true;
    accounts.AccountCount = 1;
    accounts[1] = TPOPAcc{"n", "h", "u", "p", true, 995};
    LoadFilters(filters, accounts, dir.Path(), report);
    EXPECT_EQ(filters.FilterCount, 0);
    EXPECT_EQ(filters.Filters[0], "");
    EXPECT_EQ(filters.max_size, 0);
    EXPECT_FALSE(filters.auth_fltr);
    // The account table is emptied for the reload, all but its flags and ports.
    EXPECT_EQ(accounts.AccountCount, 0);
    EXPECT_EQ(accounts[1].AccName + accounts[1].AccHost + accounts[1].AccUser +
                  accounts[1].AccPassword,
              "");
    EXPECT_TRUE(accounts[1].AccInactive);
    EXPECT_EQ(accounts[1].AccPort, 995);
}

// A malformed max_size no longer stops the load before the accounts: it is
// reported, keeps its value, and everything after it is read.
TEST_F(FiltersLoad, MalformedMaxSizeIsReportedAndTheAccountsStillLoad) {
    WriteFileBytes(dir.File("VxFilter.ini"),
                   "[Filter1]\r\nstring=a\r\n[Misc]\r\nmax_size=abc\r\nauth_fltr= 1\r\n");
    WriteFileBytes(dir.File("Accounts.ini"), Account(1, "A", "h1", "u1", "p1", "110", "0"));
    filters.max_size = 30;
    LoadFilters(filters, accounts, dir.Path(), report);
    const TCurrentAccount current = LoadAccounts(accounts, dir.Path(), report);
    EXPECT_EQ(filters.FilterCount, 1);
    EXPECT_EQ(filters.max_size, 30);
    EXPECT_TRUE(filters.auth_fltr);
    EXPECT_EQ(accounts.AccountCount, 1);
    EXPECT_TRUE(current.HasValidAccount);
    EXPECT_EQ(report.Text(), "VxFilter.ini, [Misc] max_size: 'abc' is not a valid integer value");
}

}  // namespace
}  // namespace vexil

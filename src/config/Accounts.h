// The POP3 accounts of Accounts.ini and the filter strings of VxFilter.ini, as
// held in memory, and their loading.  Both are loaded together, filters first,
// right after the options (see LitConfig in Settings.h).
#pragma once

#include <array>
#include <cstdint>
#include <string>

#include "mail/Protocol.h"
#include "pop3/Security.h"

namespace vexil {

constexpr int kMaxAccounts = 10;
constexpr int kMaxFilters = 10;

struct TPOPAcc {
    std::string AccName, AccHost, AccUser, AccPassword;  // password in plain text
    bool AccInactive = false;
    std::int32_t AccPort = 110;
    TSecurity AccSecurity = TSecurity::Auto;  // "security"; a file without it means auto
    TProtocol AccProtocol = TProtocol::Pop3;  // "protocol"; a file without it means pop3
};

// Slots 1..AccountCount are in use, in file order.
struct TAccountTable {
    std::array<TPOPAcc, kMaxAccounts> Slots;
    int AccountCount = 0;

    // Accounts are numbered from 1; a number outside 1..10 throws std::out_of_range.
    TPOPAcc& operator[](int i) { return Slots.at(static_cast<size_t>(i - 1)); }
    const TPOPAcc& operator[](int i) const { return Slots.at(static_cast<size_t>(i - 1)); }
};

// Filters[0] holds filter 1; slots 0..FilterCount-1 are in use.
struct TFilterTable {
    std::array<std::string, kMaxFilters> Filters;
    int FilterCount = 0;
    std::int32_t max_size = 0;  // kilobytes; 0 means no size warning
    bool auth_fltr = false;     // filters look at the sender too
};

class TLoadReport;

// Empties the account table's names, hosts, users and passwords and its count
// (the accounts are reloaded next), then reads exeDir + "VxFilter.ini".  A
// missing file gives no filters, max_size 0 and auth_fltr false.  A malformed
// max_size goes to the report and keeps its value; auth_fltr is read all the
// same.
void LoadFilters(TFilterTable& f, TAccountTable& a, const std::string& exeDir,
                 TLoadReport& report);

// The account the check cycle starts with.
struct TCurrentAccount {
    bool HasValidAccount = false;
    int AccountIndex = 1;        // AccountCount + 1 when no account is active
    int FirstActiveAccount = 0;  // 0 when no account is active
};

// Reads exeDir + "Accounts.ini" into the table, appending after the accounts
// already counted (LoadFilters empties the table first).  The caller hands
// a[AccountIndex] to the POP3 client when HasValidAccount is set.  A malformed
// port_number goes to the report; the account is kept with port 110, as
// without the line, and the accounts after it are read.  The same for a
// security word the program does not know: the account is kept on auto.
TCurrentAccount LoadAccounts(TAccountTable& a, const std::string& exeDir, TLoadReport& report);

}  // namespace vexil

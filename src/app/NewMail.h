// When a check has found new mail.  Kept apart from the check cycle so that
// the rule reads in one place and tests can feed it counts directly.
#pragma once

#include <map>
#include <string>

namespace vexil {

// What one account's check means for the user.
struct TMailNews {
    bool MailWaiting = false;  // the account has messages (the mail picture shows)
    bool NewMail = false;      // more than at its previous check (sound, window shown)
};

// The counts of the previous check of each account.  New mail is judged per
// account: with two accounts, one holding mail and one empty, checking them
// in turn never passes for new mail, and mail arriving in either is never
// hidden by the other's count.
class TMailMemory {
public:
    // The check of `account` found `count` messages; `failed` when the check
    // did not get as far as the listing (the count is then 0).  A failed
    // check is remembered as 0, so the mail found by the next good one is
    // announced again.
    TMailNews Record(const std::string& account, int count, bool failed);
    // Forgets every account (going online or offline): the first check that
    // follows announces whatever waits.
    void Forget() { previous_.clear(); }

private:
    std::map<std::string, int> previous_;  // by account name (names are unique)
};

}  // namespace vexil

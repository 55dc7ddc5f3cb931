// When a check has found new mail.  Kept apart from the check cycle so that
// the rule reads in one place and tests can feed it counts directly.
#pragma once

#include <map>
#include <string>

#include "pop3/UniqueIds.h"

namespace vexil {

// What one account's check means for the user.
struct TMailNews {
    bool MailWaiting = false;  // the account has messages (the mail picture shows)
    bool NewMail = false;      // more than at its previous check (sound, window shown)
};

// What the previous checks of each account found.  New mail is judged per
// account: with two accounts, one holding mail and one empty, checking them
// in turn never passes for new mail, and mail arriving in either is never
// hidden by the other's count.
//
// New mail is a message whose unique id the account's previous listing did
// not hold: one message deleted elsewhere and one arrived between two checks
// leave the count as it was and are still news.  Where either listing has no
// ids (the server refused "UIDL", or this is the first check since going
// online) the count decides: more than at the previous check.
class TMailMemory {
public:
    // The check of `account` found `count` messages, with the listing's ids
    // when known (taken over: ids is left empty); `failed` when the check did
    // not get as far as the listing (the count is then 0).  A failed check is
    // remembered as 0, so that without ids the mail found by the next good
    // one is announced again; the ids of the last good listing are kept.
    TMailNews Record(const std::string& account, int count, bool failed,
                     TUniqueIds* ids = nullptr);
    // Forgets every account (going online or offline): the first check that
    // follows announces whatever waits.
    void Forget() { previous_.clear(); }

private:
    struct TAccountMemory {
        int Count = 0;
        TUniqueIds Ids;  // of the last good listing; unknown when there was none
    };
    std::map<std::string, TAccountMemory> previous_;  // by account name (names are unique)
};

}  // namespace vexil

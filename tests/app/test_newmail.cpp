// The new-mail rule, fed counts: mail waits while the account on view has
// messages; it is new when an account has more than at its own previous check.
#include "app/NewMail.h"

#include <gtest/gtest.h>

#include <sstream>
#include <string>
#include <vector>

namespace vexil {
namespace {

struct TCheck {
    const char* Account;
    int Count;
    bool Failed;
    bool Waiting, New;  // expected
};

TEST(NewMail, JudgedPerAccount) {
    const struct {
        const char* Name;
        std::vector<TCheck> Checks;
    } cases[] = {
        {"A3 B0 A3", {{"A", 3, false, true, true}, {"B", 0, false, false, false},
                      {"A", 3, false, true, false}}},
        {"A0 B2 A2", {{"A", 0, false, false, false}, {"B", 2, false, true, true},
                      {"A", 2, false, true, true}}},
        {"A1 B1 A2", {{"A", 1, false, true, true}, {"B", 1, false, true, true},
                      {"A", 2, false, true, true}}},
        {"A3 B2 A3 B2 (counts that alternate)", {{"A", 3, false, true, true},
                                                 {"B", 2, false, true, true},
                                                 {"A", 3, false, true, false},
                                                 {"B", 2, false, true, false}}},
        {"one deleted, none new", {{"A", 3, false, true, true}, {"A", 2, false, true, false},
                                   {"A", 3, false, true, true}}},
        {"a failed check counts nothing", {{"A", 2, false, true, true}, {"A", 5, true, false, false},
                                           {"A", 2, false, true, true}}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.Name);
        TMailMemory memory;
        for (size_t i = 0; i < c.Checks.size(); ++i) {
            const TCheck& check = c.Checks[i];
            const TMailNews news = memory.Record(check.Account, check.Count, check.Failed);
            EXPECT_EQ(news.MailWaiting, check.Waiting) << "check " << i;
            EXPECT_EQ(news.NewMail, check.New) << "check " << i;
        }
    }
}

TEST(NewMail, ForgettingAnnouncesWhatWaitsAgain) {
    TMailMemory memory;
    EXPECT_TRUE(memory.Record("A", 3, false).NewMail);
    EXPECT_FALSE(memory.Record("A", 3, false).NewMail);
    memory.Forget();  // offline, then online again
    EXPECT_TRUE(memory.Record("A", 3, false).NewMail);
}

// Ids as a listing gives them: "a b c"; "-" for a listing without ids (the
// server refused UIDL).
TUniqueIds Ids(const std::string& spaced) {
    TUniqueIds ids;
    if (spaced == "-") return ids;
    ids.Begin();
    std::istringstream in(spaced);
    for (std::string id; in >> id;) ids.Add(id);
    ids.End();
    return ids;
}

struct TIdCheck {
    const char* Listing;  // "-": no ids
    int Count;
    bool Failed;
    bool New;  // expected
};

TEST(NewMail, JudgedByIdentityWhereBothListingsHaveIds) {
    const struct {
        const char* Name;
        std::vector<TIdCheck> Checks;
    } cases[] = {
        {"one deleted elsewhere, one arrived: same count",
         {{"a b c", 3, false, true}, {"a b d", 3, false, true}}},
        {"same ids", {{"a b", 2, false, true}, {"a b", 2, false, false}}},
        {"one deleted", {{"a b c", 3, false, true}, {"a c", 2, false, false}}},
        {"a failed check keeps the last good ids: nothing is news again",
         {{"a b", 2, false, true}, {"-", 0, true, false}, {"a b", 2, false, false}}},
        {"news that came during the failure",
         {{"a b", 2, false, true}, {"-", 0, true, false}, {"a c", 2, false, true}}},
        {"no ids: the count decides, also against a listing with ids",
         {{"a b", 2, false, true}, {"-", 2, false, false}, {"-", 3, false, true}}},
        {"ids come back: compared by count once, then by ids",
         {{"-", 2, false, true}, {"a b c", 3, false, true}, {"a b d", 3, false, true},
          {"a b d", 3, false, false}, {"a b", 2, false, false}}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.Name);
        TMailMemory memory;
        for (size_t i = 0; i < c.Checks.size(); ++i) {
            const TIdCheck& check = c.Checks[i];
            TUniqueIds ids = Ids(check.Listing);
            const TMailNews news = memory.Record("A", check.Count, check.Failed, &ids);
            EXPECT_EQ(news.NewMail, check.New) << "check " << i;
        }
    }
}

TEST(NewMail, GoingOnlineForgetsTheIds) {
    TMailMemory memory;
    TUniqueIds ids = Ids("a b");
    EXPECT_TRUE(memory.Record("A", 2, false, &ids).NewMail);
    ids = Ids("a b");
    EXPECT_FALSE(memory.Record("A", 2, false, &ids).NewMail);
    memory.Forget();
    ids = Ids("a b");
    EXPECT_TRUE(memory.Record("A", 2, false, &ids).NewMail);
}

}  // namespace
}  // namespace vexil

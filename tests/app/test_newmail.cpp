// The new-mail rule, fed counts: mail waits while the account on view has
// messages; it is new when an account has more than at its own previous check.
#include "app/NewMail.h"

#include <gtest/gtest.h>

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

}  // namespace
}  // namespace vexil

// The unique ids of a listing as the new-mail rule uses them: read from
// "UIDL", compared with the previous listing, dropped when they cannot be
// trusted to name the messages.
#include <gtest/gtest.h>

#include <memory>
#include <string>

#include "pop3/MemoryTransport.h"
#include "pop3/WirePOP3.h"

namespace vexil {
namespace {

const std::string kLogin = "+OK ready\r\n+OK\r\n+OK\r\n";

// The ids of a listing as the POP3 client reads it (`lines` without the
// status line and the final ".").
TUniqueIds Listed(const std::string& lines, int* count = nullptr) {
    TWirePOP3 pop(std::make_unique<TMemoryTransport>(kLogin + "+OK\r\n" + lines + ".\r\n"));
    pop.Host = "mail.example.org";
    pop.Security = TSecurity::None;
    pop.Connect();
    TUniqueIds ids;
    const int n = pop.CheckMessages(&ids);
    if (count) *count = n;
    return ids;
}

TEST(UniqueIds, NewMeansAnIdTheEarlierListingDidNotHave) {
    const TUniqueIds before = Listed("1 aaa\r\n2 bbb\r\n3 ccc\r\n");
    ASSERT_TRUE(before.Known());
    EXPECT_EQ(before.Size(), 3u);
    const struct {
        const char* name;
        const char* listing;
        bool newMail;
    } cases[] = {
        {"the same", "1 aaa\r\n2 bbb\r\n3 ccc\r\n", false},
        {"renumbered after a delete", "1 aaa\r\n2 ccc\r\n", false},
        {"empty", "", false},
        {"one deleted, one arrived: same count", "1 aaa\r\n2 bbb\r\n3 ddd\r\n", true},
        {"one arrived", "1 aaa\r\n2 bbb\r\n3 ccc\r\n4 ddd\r\n", true},
        {"ids differ in case only", "1 AAA\r\n2 bbb\r\n3 ccc\r\n", true},
        {"blanks around an id are not part of it", "1   aaa  \r\n2 bbb\r\n3 ccc\r\n", false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        const TUniqueIds now = Listed(c.listing);
        ASSERT_TRUE(now.Known());
        EXPECT_EQ(now.HasIdNotIn(before), c.newMail);
    }
}

// Ids that do not name messages one by one cannot say which mail is new:
// the count decides then.
TEST(UniqueIds, ListingWithoutUsableIdsIsUnknown) {
    int count = 0;
    EXPECT_FALSE(Listed("1 aaa\r\n2\r\n3 ccc\r\n", &count).Known());
    EXPECT_EQ(count, 3);  // the count stands all the same
    EXPECT_FALSE(Listed("1 aaa\r\n2 \r\n", &count).Known());
    EXPECT_EQ(count, 2);

    // A listing cut off by the server is not a listing of the mailbox.
    TWirePOP3 pop(std::make_unique<TMemoryTransport>(kLogin + "+OK\r\n1 aaa\r\n2 bb"));
    pop.Security = TSecurity::None;
    pop.Connect();
    TUniqueIds ids;
    pop.CheckMessages(&ids);
    EXPECT_FALSE(ids.Known());
}

TEST(UniqueIds, DuplicatesCountOnceAndTheBoundDropsTheListing) {
    TUniqueIds ids;
    ids.Begin();
    for (const char* id : {"x", "y", "x"}) ids.Add(id);
    ids.End();
    EXPECT_TRUE(ids.Known());
    EXPECT_EQ(ids.Size(), 2u);

    TUniqueIds huge;
    huge.Begin();
    for (std::size_t i = 0; i <= TUniqueIds::kMaxIds; ++i) huge.Add(std::to_string(i));
    huge.End();
    EXPECT_FALSE(huge.Known());
    EXPECT_EQ(huge.Size(), 0u);
}

}  // namespace
}  // namespace vexil

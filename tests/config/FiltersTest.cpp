// The filters' matching rule, case by case.
#include "config/Filters.h"

#include <gtest/gtest.h>

#include <vector>

#include "config/Settings.h"
#include "support/TempDir.h"

namespace vexil {
namespace {

TFilterTable Table(const std::vector<std::string>& list) {
    TFilterTable t;
    for (size_t i = 0; i < list.size(); ++i) t.Filters[i] = list[i];
    t.FilterCount = static_cast<int>(list.size());
    return t;
}

TEST(PassesFilters, TheMatchingRule) {
    struct Case {
        std::vector<std::string> filters;
        std::string text;
        bool passes;
    };
    const Case cases[] = {
        {{}, "anything", true},
        {{"viagra"}, "Buy VIAGRA now", false},
        {{"cheap watch"}, "Watch out: cheap offers", false},
        {{"cheap watch"}, "cheap tickets", true},
        {{"re: "}, "re: re: hello", true},          // a blank at the end: an empty word
        {{" re:"}, "re: hello", true},
        {{"a  b"}, "a b", true},                    // two blanks in a row
        {{""}, "anything", true},
        {{"\xC3\xBC"}, "\xC3\x9C" "ber", true},     // only A to Z are folded: "ü" is not "Ü"
        {{"\xC3\xBC"}, "gr\xC3\xBC\xC3\x9F" "e", false},
        {{"ZZZ", "hello"}, "HeLLo world", false},   // the second filter matches
        {{"ann@example.org"}, "\"Ann\" <ANN@example.org>", false},
    };
    for (const Case& c : cases)
        EXPECT_EQ(PassesFilters(c.text, Table(c.filters)), c.passes) << c.text;
}

TEST(PassesFilters, OnlySlotsInUseCount) {
    TFilterTable t = Table({"spam", "ham"});
    t.FilterCount = 1;
    EXPECT_TRUE(PassesFilters("ham and eggs", t));
    EXPECT_FALSE(PassesFilters("spam and eggs", t));
}

// Filters are matched with mail as UTF-8: one typed in any script is kept
// so, and one that an earlier version stored in the system's code page
// ("gr\xFC\xDF" for "grüß") is read as the same letters.
TEST(LoadFilters, FiltersOutsideAsciiMatchTheMail) {
    test::TTempDir dir;
    test::WriteFileBytes(dir.File("VxFilter.ini"),
                         "\r\n[Filter1]\r\nstring=gr\xFC\xDF\r\n"
                         "\r\n[Filter2]\r\nstring=\xD0\x9F\xD1\x80\xD0\xB8\xD0\xB7\r\n"
                         "\r\n[Misc]\r\nmax_size=0\r\nauth_fltr= 0\r\n");
    TFilterTable filters;
    TAccountTable accounts;
    TLoadReport report;
    LoadFilters(filters, accounts, dir.Path(), report);
    ASSERT_EQ(filters.FilterCount, 2);
    EXPECT_EQ(filters.Filters[0], "gr\xC3\xBC\xC3\x9F");
    EXPECT_FALSE(PassesFilters("Liebe Gr\xC3\xBC\xC3\x9F" "e, gr\xC3\xBC\xC3\x9F" "e", filters));
    EXPECT_FALSE(PassesFilters("\xD0\x92\xD0\xB0\xD1\x88 \xD0\x9F\xD1\x80\xD0\xB8\xD0\xB7!", filters));
    EXPECT_TRUE(PassesFilters("Hello", filters));
}

}  // namespace
}  // namespace vexil

// The filters' matching rule, case by case.
#include "config/Filters.h"

#include <gtest/gtest.h>

#include <vector>

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

}  // namespace
}  // namespace vexil

// Mail charsets to UTF-8 natively (iconv), and the UTF-8 check.
#include "base/Charsets.h"

#include <gtest/gtest.h>

#include "support/CharsetCases.h"

namespace vexil {
namespace {

TEST(Charsets, EachFamilyToUtf8) {
    for (const test::TCharsetCase& c : test::kCharsetCases)
        EXPECT_EQ(ToUtf8(c.Bytes, c.Charset), c.Utf8) << c.Charset;
    EXPECT_EQ(FromUtf8("caf\xC3\xA9 \xE2\x82\xAC \xE6\x97\xA5"), "caf\xE9 \x80 ?");
}

TEST(Charsets, CodePagesOfNames) {
    EXPECT_EQ(CodePageOf(" UTF-8 "), 65001);
    EXPECT_EQ(CodePageOf("Koi8-R"), 20866);
    EXPECT_EQ(CodePageOf("iso-8859-16"), 28606);
    EXPECT_EQ(CodePageOf("windows-1258"), 1258);
    EXPECT_EQ(CodePageOf("x-mac-roman"), 0);
}

TEST(Charsets, WellFormedUtf8) {
    const std::pair<std::string, bool> cases[] = {
        {"", true},
        {"plain", true},
        {"\xD0\x9F\xE6\x97\xA5\xF0\x9F\x98\x80", true},
        {"\xC0\xAF", false},          // overlong "/"
        {"\xED\xA0\x80", false},      // a surrogate
        {"\xF4\x90\x80\x80", false},  // past U+10FFFF
        {"\xE6\x97", false},          // cut short
        {"caf\xE9", false},           // Latin-1
    };
    for (const auto& [text, valid] : cases) EXPECT_EQ(IsValidUtf8(text), valid) << text;
}

}  // namespace
}  // namespace vexil

// Strings as IMAP command arguments: atoms, quoted strings, and what only a
// literal can carry.
#include <gtest/gtest.h>

#include <optional>
#include <string>

#include "imap/ImapArguments.h"
#include "imap/test_imap_run.h"

namespace vexil {
namespace {

using test::Bytes;

TEST(ImapArguments, QuotedWhereAQuotedStringCanCarryTheText) {
    std::string escapedQuotes;
    for (std::size_t i = 0; i < kImapMaxQuotedArgument; ++i) escapedQuotes += "\\\"";
    const struct {
        const char* Name;
        std::string Text;
        std::optional<std::string> Quoted;
    } cases[] = {
        {"empty", "", "\"\""},
        {"plain", "secret", "\"secret\""},
        {"spaces and specials", "pass word (1)*%{2}", "\"pass word (1)*%{2}\""},
        {"quote and backslash escaped", "a\"b\\c", "\"a\\\"b\\\\c\""},
        {"tab and other 7-bit controls", "a\tb\x01", "\"a\tb\x01\""},
        {"at the length bound", std::string(kImapMaxQuotedArgument, 'x'),
         "\"" + std::string(kImapMaxQuotedArgument, 'x') + "\""},
        {"past the length bound", std::string(kImapMaxQuotedArgument + 1, 'x'), std::nullopt},
        {"escapes do not count against the bound", std::string(kImapMaxQuotedArgument, '"'),
         "\"" + escapedQuotes + "\""},
        {"CR", "a\rb", std::nullopt},
        {"LF", "a\nb", std::nullopt},
        {"NUL", Bytes("a\0b"), std::nullopt},
        {"8-bit byte", "p\xC3\xA4ss", std::nullopt},
    };
    for (const auto& c : cases) EXPECT_EQ(ImapQuoted(c.Text), c.Quoted) << c.Name;
}

TEST(ImapArguments, AtomSafeOnlyForPrintable7BitWithoutSpecials) {
    for (const std::string text : {"INBOX", "Sent.2024", "AUTH=PLAIN", "a+b", "#news", "[x", "~user"})
        EXPECT_TRUE(ImapAtomSafe(text)) << text;
    for (const std::string text : {"", "a b", "(a", "a)", "{1}", "a%", "a*", "\"a\"", "\\Seen", "a]",
                                   "a\tb", "a\x7F", "f\xC3\xBCr"})
        EXPECT_FALSE(ImapAtomSafe(text)) << text;
    EXPECT_FALSE(ImapAtomSafe(Bytes("a\0")));
}

TEST(ImapArguments, LiteralSafeUnlessTheTextHoldsNul) {
    EXPECT_TRUE(ImapLiteralSafe(""));
    EXPECT_TRUE(ImapLiteralSafe("line\r\nbreak \xFF"));
    EXPECT_FALSE(ImapLiteralSafe(Bytes("pass\0word")));
}

}  // namespace
}  // namespace vexil

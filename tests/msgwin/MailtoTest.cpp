// What Reply hands to the mail handler, from the From values mail can carry.
#include "msgwin/Mailto.h"

#include <gtest/gtest.h>

namespace vexil {
namespace {

TEST(MailtoUrl, TheSendersAddressAloneAndEncoded) {
    const std::pair<std::string, std::string> cases[] = {
        {"ann@example.org", "mailto:ann@example.org"},
        {" Ann Smith  <ann@example.org>", "mailto:ann@example.org"},
        {"\"Smith, Ann\" <ann@example.org>", "mailto:ann@example.org"},
        {"<a@b> (x) <ann@example.org>", "mailto:ann@example.org"},  // the last one
        {"Ann <ann@example.org", "mailto:ann@example.org"},         // unclosed
        {"\"ann@example.org\"", "mailto:ann@example.org"},
        {"Bob <o'brien+tag@example.org>", "mailto:o'brien+tag@example.org"},
        // Nothing a hostile sender writes becomes a field or an argument.
        {"x@evil.example?attach=C:\\secret.txt&bcc=y@evil.example",
         "mailto:x@evil.example%3Fattach%3DC:%5Csecret.txt%26bcc%3Dy@evil.example"},
        {"a@b.example\" -compose \"c", "mailto:a@b.example%22%20-compose%20%22c"},
        {"50%@example.org#frag", "mailto:50%25@example.org%23frag"},
        {"a b@c", "mailto:a%20b@c"},
        {"\xC3\xA9t\xC3\xA9@example.fr", "mailto:%C3%A9t%C3%A9@example.fr"},
        {"a\r\nBcc: b@c", "mailto:a%0D%0ABcc:%20b@c"},
        {"", "mailto:"},
        {"Nobody <>", "mailto:"},
    };
    for (const auto& [from, url] : cases) EXPECT_EQ(MailtoUrl(from), url) << from;
}

}  // namespace
}  // namespace vexil
